#pragma once

// The numbers, enumerations and records of Direct3D 8 as the program uses them. Every value keeps its
// Direct3D value: formats, states and result codes are stored in files and compared by the rest of the
// program.

#include <cstdint>
#include <string>

#include "core/maths.h"

namespace dravo {

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using INT = std::int32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using D3DCOLOR = std::uint32_t;  // 0xAARRGGBB
// The window a device presents into; opaque to the device layer (the host knows what it is).
using HWND = void*;

// ---- Result codes -------------------------------------------------------------------------------------

constexpr HRESULT MakeD3DError(std::uint32_t code) {
  return static_cast<HRESULT>(0x88760000u | code);
}

inline constexpr HRESULT D3D_OK = 0;
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
inline constexpr HRESULT D3DERR_WRONGTEXTUREFORMAT = MakeD3DError(2072);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLOROPERATION = MakeD3DError(2073);
inline constexpr HRESULT D3DERR_UNSUPPORTEDCOLORARG = MakeD3DError(2074);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAOPERATION = MakeD3DError(2075);
inline constexpr HRESULT D3DERR_UNSUPPORTEDALPHAARG = MakeD3DError(2076);
inline constexpr HRESULT D3DERR_TOOMANYOPERATIONS = MakeD3DError(2077);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREFILTER = MakeD3DError(2078);
inline constexpr HRESULT D3DERR_UNSUPPORTEDFACTORVALUE = MakeD3DError(2079);
inline constexpr HRESULT D3DERR_CONFLICTINGRENDERSTATE = MakeD3DError(2081);
inline constexpr HRESULT D3DERR_UNSUPPORTEDTEXTUREFILTER = MakeD3DError(2082);
inline constexpr HRESULT D3DERR_CONFLICTINGTEXTUREPALETTE = MakeD3DError(2086);
inline constexpr HRESULT D3DERR_DRIVERINTERNALERROR = MakeD3DError(2087);
inline constexpr HRESULT D3DERR_NOTFOUND = MakeD3DError(2150);
inline constexpr HRESULT D3DERR_MOREDATA = MakeD3DError(2151);
inline constexpr HRESULT D3DERR_DEVICELOST = MakeD3DError(2152);
inline constexpr HRESULT D3DERR_DEVICENOTRESET = MakeD3DError(2153);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = MakeD3DError(2154);
inline constexpr HRESULT D3DERR_OUTOFVIDEOMEMORY = MakeD3DError(380);
inline constexpr HRESULT D3DERR_INVALIDDEVICE = MakeD3DError(2155);
inline constexpr HRESULT D3DERR_INVALIDCALL = MakeD3DError(2156);
inline constexpr HRESULT D3DERR_DRIVERINVALIDCALL = MakeD3DError(2157);

constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}

inline constexpr UINT D3D_SDK_VERSION = 120;
inline constexpr UINT D3DADAPTER_DEFAULT = 0;

// ---- Formats ------------------------------------------------------------------------------------------

constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(a)) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 8) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 16) |
         (static_cast<std::uint32_t>(static_cast<unsigned char>(d)) << 24);
}

enum D3DFORMAT : std::uint32_t {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_R8G8B8 = 20,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_R5G6B5 = 23,
  D3DFMT_X1R5G5B5 = 24,
  D3DFMT_A1R5G5B5 = 25,
  D3DFMT_A4R4G4B4 = 26,
  D3DFMT_R3G3B2 = 27,
  D3DFMT_A8 = 28,
  D3DFMT_A8R3G3B2 = 29,
  D3DFMT_X4R4G4B4 = 30,
  D3DFMT_A2B10G10R10 = 31,
  D3DFMT_G16R16 = 34,
  D3DFMT_A8P8 = 40,
  D3DFMT_P8 = 41,
  D3DFMT_L8 = 50,
  D3DFMT_A8L8 = 51,
  D3DFMT_A4L4 = 52,
  D3DFMT_D16_LOCKABLE = 70,
  D3DFMT_D32 = 71,
  D3DFMT_D15S1 = 73,
  D3DFMT_D24S8 = 75,
  D3DFMT_D24X8 = 77,
  D3DFMT_D24X4S4 = 79,
  D3DFMT_D16 = 80,
  D3DFMT_VERTEXDATA = 100,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_DXT1 = MakeFourCC('D', 'X', 'T', '1'),
  D3DFMT_DXT2 = MakeFourCC('D', 'X', 'T', '2'),
  D3DFMT_DXT3 = MakeFourCC('D', 'X', 'T', '3'),
  D3DFMT_DXT4 = MakeFourCC('D', 'X', 'T', '4'),
  D3DFMT_DXT5 = MakeFourCC('D', 'X', 'T', '5'),
  D3DFMT_UYVY = MakeFourCC('U', 'Y', 'V', 'Y'),
  D3DFMT_YUY2 = MakeFourCC('Y', 'U', 'Y', '2'),
};

// ---- Render states ------------------------------------------------------------------------------------

enum D3DRENDERSTATETYPE : std::uint32_t {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_SHADEMODE = 9,
  D3DRS_LINEPATTERN = 10,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_ALPHATESTENABLE = 15,
  D3DRS_LASTPIXEL = 16,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ZFUNC = 23,
  D3DRS_ALPHAREF = 24,
  D3DRS_ALPHAFUNC = 25,
  D3DRS_DITHERENABLE = 26,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_FOGENABLE = 28,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_ZVISIBLE = 30,
  D3DRS_FOGCOLOR = 34,
  D3DRS_FOGTABLEMODE = 35,
  D3DRS_FOGSTART = 36,
  D3DRS_FOGEND = 37,
  D3DRS_FOGDENSITY = 38,
  D3DRS_EDGEANTIALIAS = 40,
  D3DRS_ZBIAS = 47,
  D3DRS_RANGEFOGENABLE = 48,
  D3DRS_STENCILENABLE = 52,
  D3DRS_STENCILFAIL = 53,
  D3DRS_STENCILZFAIL = 54,
  D3DRS_STENCILPASS = 55,
  D3DRS_STENCILFUNC = 56,
  D3DRS_STENCILREF = 57,
  D3DRS_STENCILMASK = 58,
  D3DRS_STENCILWRITEMASK = 59,
  D3DRS_TEXTUREFACTOR = 60,
  D3DRS_WRAP0 = 128,
  D3DRS_WRAP1 = 129,
  D3DRS_WRAP2 = 130,
  D3DRS_WRAP3 = 131,
  D3DRS_WRAP4 = 132,
  D3DRS_WRAP5 = 133,
  D3DRS_WRAP6 = 134,
  D3DRS_WRAP7 = 135,
  D3DRS_CLIPPING = 136,
  D3DRS_LIGHTING = 137,
  D3DRS_AMBIENT = 139,
  D3DRS_FOGVERTEXMODE = 140,
  D3DRS_COLORVERTEX = 141,
  D3DRS_LOCALVIEWER = 142,
  D3DRS_NORMALIZENORMALS = 143,
  D3DRS_DIFFUSEMATERIALSOURCE = 145,
  D3DRS_SPECULARMATERIALSOURCE = 146,
  D3DRS_AMBIENTMATERIALSOURCE = 147,
  D3DRS_EMISSIVEMATERIALSOURCE = 148,
  D3DRS_VERTEXBLEND = 151,
  D3DRS_CLIPPLANEENABLE = 152,
  D3DRS_SOFTWAREVERTEXPROCESSING = 153,
  D3DRS_POINTSIZE = 154,
  D3DRS_POINTSIZE_MIN = 155,
  D3DRS_POINTSPRITEENABLE = 156,
  D3DRS_POINTSCALEENABLE = 157,
  D3DRS_POINTSCALE_A = 158,
  D3DRS_POINTSCALE_B = 159,
  D3DRS_POINTSCALE_C = 160,
  D3DRS_MULTISAMPLEANTIALIAS = 161,
  D3DRS_MULTISAMPLEMASK = 162,
  D3DRS_PATCHEDGESTYLE = 163,
  D3DRS_PATCHSEGMENTS = 164,
  D3DRS_DEBUGMONITORTOKEN = 165,
  D3DRS_POINTSIZE_MAX = 166,
  D3DRS_INDEXEDVERTEXBLENDENABLE = 167,
  D3DRS_COLORWRITEENABLE = 168,
  D3DRS_TWEENFACTOR = 170,
  D3DRS_BLENDOP = 171,
  D3DRS_POSITIONORDER = 172,
  D3DRS_NORMALORDER = 173,
};
// Render state numbers are below this; devices keep a table of this size.
inline constexpr std::uint32_t kRenderStateCount = 174;

enum D3DZBUFFERTYPE : std::uint32_t { D3DZB_FALSE = 0, D3DZB_TRUE = 1, D3DZB_USEW = 2 };
enum D3DSHADEMODE : std::uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2, D3DSHADE_PHONG = 3 };
enum D3DMATERIALCOLORSOURCE : std::uint32_t { D3DMCS_MATERIAL = 0, D3DMCS_COLOR1 = 1, D3DMCS_COLOR2 = 2 };
enum D3DBLENDOP : std::uint32_t {
  D3DBLENDOP_ADD = 1,
  D3DBLENDOP_SUBTRACT = 2,
  D3DBLENDOP_REVSUBTRACT = 3,
  D3DBLENDOP_MIN = 4,
  D3DBLENDOP_MAX = 5,
};
enum D3DSTENCILOP : std::uint32_t {
  D3DSTENCILOP_KEEP = 1,
  D3DSTENCILOP_ZERO = 2,
  D3DSTENCILOP_REPLACE = 3,
  D3DSTENCILOP_INCRSAT = 4,
  D3DSTENCILOP_DECRSAT = 5,
  D3DSTENCILOP_INVERT = 6,
  D3DSTENCILOP_INCR = 7,
  D3DSTENCILOP_DECR = 8,
};
enum D3DCMPFUNC : std::uint32_t {
  D3DCMP_NEVER = 1,
  D3DCMP_LESS = 2,
  D3DCMP_EQUAL = 3,
  D3DCMP_LESSEQUAL = 4,
  D3DCMP_GREATER = 5,
  D3DCMP_NOTEQUAL = 6,
  D3DCMP_GREATEREQUAL = 7,
  D3DCMP_ALWAYS = 8,
};
enum D3DBLEND : std::uint32_t {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
  D3DBLEND_SRCALPHASAT = 11,
  D3DBLEND_BOTHSRCALPHA = 12,
  D3DBLEND_BOTHINVSRCALPHA = 13,
};
enum D3DCULL : std::uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DFILLMODE : std::uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DFOGMODE : std::uint32_t { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };

inline constexpr DWORD D3DCOLORWRITEENABLE_RED = 0x1;
inline constexpr DWORD D3DCOLORWRITEENABLE_GREEN = 0x2;
inline constexpr DWORD D3DCOLORWRITEENABLE_BLUE = 0x4;
inline constexpr DWORD D3DCOLORWRITEENABLE_ALPHA = 0x8;

// ---- Texture stage states -----------------------------------------------------------------------------

enum D3DTEXTURESTAGESTATETYPE : std::uint32_t {
  D3DTSS_COLOROP = 1,
  D3DTSS_COLORARG1 = 2,
  D3DTSS_COLORARG2 = 3,
  D3DTSS_ALPHAOP = 4,
  D3DTSS_ALPHAARG1 = 5,
  D3DTSS_ALPHAARG2 = 6,
  D3DTSS_BUMPENVMAT00 = 7,
  D3DTSS_BUMPENVMAT01 = 8,
  D3DTSS_BUMPENVMAT10 = 9,
  D3DTSS_BUMPENVMAT11 = 10,
  D3DTSS_TEXCOORDINDEX = 11,
  D3DTSS_ADDRESSU = 13,
  D3DTSS_ADDRESSV = 14,
  D3DTSS_BORDERCOLOR = 15,
  D3DTSS_MAGFILTER = 16,
  D3DTSS_MINFILTER = 17,
  D3DTSS_MIPFILTER = 18,
  D3DTSS_MIPMAPLODBIAS = 19,
  D3DTSS_MAXMIPLEVEL = 20,
  D3DTSS_MAXANISOTROPY = 21,
  D3DTSS_BUMPENVLSCALE = 22,
  D3DTSS_BUMPENVLOFFSET = 23,
  D3DTSS_TEXTURETRANSFORMFLAGS = 24,
  D3DTSS_ADDRESSW = 25,
  D3DTSS_COLORARG0 = 26,
  D3DTSS_ALPHAARG0 = 27,
  D3DTSS_RESULTARG = 28,
};
inline constexpr std::uint32_t kTextureStageStateCount = 29;
inline constexpr std::uint32_t kMaxTextureStages = 8;

enum D3DTEXTUREOP : std::uint32_t {
  D3DTOP_DISABLE = 1,
  D3DTOP_SELECTARG1 = 2,
  D3DTOP_SELECTARG2 = 3,
  D3DTOP_MODULATE = 4,
  D3DTOP_MODULATE2X = 5,
  D3DTOP_MODULATE4X = 6,
  D3DTOP_ADD = 7,
  D3DTOP_ADDSIGNED = 8,
  D3DTOP_ADDSIGNED2X = 9,
  D3DTOP_SUBTRACT = 10,
  D3DTOP_ADDSMOOTH = 11,
  D3DTOP_BLENDDIFFUSEALPHA = 12,
  D3DTOP_BLENDTEXTUREALPHA = 13,
  D3DTOP_BLENDFACTORALPHA = 14,
  D3DTOP_BLENDTEXTUREALPHAPM = 15,
  D3DTOP_BLENDCURRENTALPHA = 16,
  D3DTOP_PREMODULATE = 17,
  D3DTOP_MODULATEALPHA_ADDCOLOR = 18,
  D3DTOP_MODULATECOLOR_ADDALPHA = 19,
  D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20,
  D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21,
  D3DTOP_BUMPENVMAP = 22,
  D3DTOP_BUMPENVMAPLUMINANCE = 23,
  D3DTOP_DOTPRODUCT3 = 24,
  D3DTOP_MULTIPLYADD = 25,
  D3DTOP_LERP = 26,
};

// Texture arguments: a selector in the low bits, modifier flags above.
inline constexpr DWORD D3DTA_DIFFUSE = 0x00;
inline constexpr DWORD D3DTA_CURRENT = 0x01;
inline constexpr DWORD D3DTA_TEXTURE = 0x02;
inline constexpr DWORD D3DTA_TFACTOR = 0x03;
inline constexpr DWORD D3DTA_SPECULAR = 0x04;
inline constexpr DWORD D3DTA_TEMP = 0x05;
inline constexpr DWORD D3DTA_SELECTMASK = 0x0F;
inline constexpr DWORD D3DTA_COMPLEMENT = 0x10;
inline constexpr DWORD D3DTA_ALPHAREPLICATE = 0x20;

enum D3DTEXTUREFILTERTYPE : std::uint32_t {
  D3DTEXF_NONE = 0,
  D3DTEXF_POINT = 1,
  D3DTEXF_LINEAR = 2,
  D3DTEXF_ANISOTROPIC = 3,
  D3DTEXF_FLATCUBIC = 4,
  D3DTEXF_GAUSSIANCUBIC = 5,
};
enum D3DTEXTUREADDRESS : std::uint32_t {
  D3DTADDRESS_WRAP = 1,
  D3DTADDRESS_MIRROR = 2,
  D3DTADDRESS_CLAMP = 3,
  D3DTADDRESS_BORDER = 4,
  D3DTADDRESS_MIRRORONCE = 5,
};
enum D3DTEXTURETRANSFORMFLAGS : std::uint32_t {
  D3DTTFF_DISABLE = 0,
  D3DTTFF_COUNT1 = 1,
  D3DTTFF_COUNT2 = 2,
  D3DTTFF_COUNT3 = 3,
  D3DTTFF_COUNT4 = 4,
  D3DTTFF_PROJECTED = 256,
};

// ---- Other enumerations -------------------------------------------------------------------------------

enum D3DPRIMITIVETYPE : std::uint32_t {
  D3DPT_POINTLIST = 1,
  D3DPT_LINELIST = 2,
  D3DPT_LINESTRIP = 3,
  D3DPT_TRIANGLELIST = 4,
  D3DPT_TRIANGLESTRIP = 5,
  D3DPT_TRIANGLEFAN = 6,
};
enum D3DLIGHTTYPE : std::uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

enum D3DTRANSFORMSTATETYPE : std::uint32_t {
  D3DTS_VIEW = 2,
  D3DTS_PROJECTION = 3,
  D3DTS_TEXTURE0 = 16,
  D3DTS_TEXTURE1 = 17,
  D3DTS_TEXTURE2 = 18,
  D3DTS_TEXTURE3 = 19,
  D3DTS_TEXTURE4 = 20,
  D3DTS_TEXTURE5 = 21,
  D3DTS_TEXTURE6 = 22,
  D3DTS_TEXTURE7 = 23,
  D3DTS_WORLD = 256,
  D3DTS_WORLD1 = 257,
  D3DTS_WORLD2 = 258,
  D3DTS_WORLD3 = 259,
};
constexpr D3DTRANSFORMSTATETYPE D3DTS_WORLDMATRIX(std::uint32_t index) {
  return static_cast<D3DTRANSFORMSTATETYPE>(256 + index);
}

enum D3DPOOL : std::uint32_t {
  D3DPOOL_DEFAULT = 0,
  D3DPOOL_MANAGED = 1,
  D3DPOOL_SYSTEMMEM = 2,
  D3DPOOL_SCRATCH = 3
};
enum D3DRESOURCETYPE : std::uint32_t {
  D3DRTYPE_SURFACE = 1,
  D3DRTYPE_VOLUME = 2,
  D3DRTYPE_TEXTURE = 3,
  D3DRTYPE_VOLUMETEXTURE = 4,
  D3DRTYPE_CUBETEXTURE = 5,
  D3DRTYPE_VERTEXBUFFER = 6,
  D3DRTYPE_INDEXBUFFER = 7,
};
enum D3DSWAPEFFECT : std::uint32_t {
  D3DSWAPEFFECT_DISCARD = 1,
  D3DSWAPEFFECT_FLIP = 2,
  D3DSWAPEFFECT_COPY = 3,
  D3DSWAPEFFECT_COPY_VSYNC = 4,
};
enum D3DDEVTYPE : std::uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2, D3DDEVTYPE_SW = 3 };
enum D3DMULTISAMPLE_TYPE : std::uint32_t { D3DMULTISAMPLE_NONE = 0 };
enum D3DBACKBUFFER_TYPE : std::uint32_t {
  D3DBACKBUFFER_TYPE_MONO = 0,
  D3DBACKBUFFER_TYPE_LEFT = 1,
  D3DBACKBUFFER_TYPE_RIGHT = 2,
};

// ---- Flags --------------------------------------------------------------------------------------------

inline constexpr DWORD D3DUSAGE_RENDERTARGET = 0x001;
inline constexpr DWORD D3DUSAGE_DEPTHSTENCIL = 0x002;
inline constexpr DWORD D3DUSAGE_WRITEONLY = 0x008;
inline constexpr DWORD D3DUSAGE_SOFTWAREPROCESSING = 0x010;
inline constexpr DWORD D3DUSAGE_DONOTCLIP = 0x020;
inline constexpr DWORD D3DUSAGE_POINTS = 0x040;
inline constexpr DWORD D3DUSAGE_RTPATCHES = 0x080;
inline constexpr DWORD D3DUSAGE_NPATCHES = 0x100;
inline constexpr DWORD D3DUSAGE_DYNAMIC = 0x200;

inline constexpr DWORD D3DCLEAR_TARGET = 0x1;
inline constexpr DWORD D3DCLEAR_ZBUFFER = 0x2;
inline constexpr DWORD D3DCLEAR_STENCIL = 0x4;

inline constexpr DWORD D3DCREATE_FPU_PRESERVE = 0x002;
inline constexpr DWORD D3DCREATE_MULTITHREADED = 0x004;
inline constexpr DWORD D3DCREATE_PUREDEVICE = 0x010;
inline constexpr DWORD D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x020;
inline constexpr DWORD D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x040;
inline constexpr DWORD D3DCREATE_MIXED_VERTEXPROCESSING = 0x080;

inline constexpr DWORD D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 0x1;

inline constexpr DWORD D3DLOCK_READONLY = 0x0010;
inline constexpr DWORD D3DLOCK_NOSYSLOCK = 0x0800;
inline constexpr DWORD D3DLOCK_NOOVERWRITE = 0x1000;
inline constexpr DWORD D3DLOCK_DISCARD = 0x2000;
inline constexpr DWORD D3DLOCK_NO_DIRTY_UPDATE = 0x8000;

inline constexpr DWORD D3DPRESENT_INTERVAL_DEFAULT = 0x00000000;
inline constexpr DWORD D3DPRESENT_INTERVAL_ONE = 0x00000001;
inline constexpr DWORD D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000;
inline constexpr UINT D3DPRESENT_RATE_DEFAULT = 0;

inline constexpr DWORD D3DCAPS2_CANRENDERWINDOWED = 0x00080000;
inline constexpr DWORD D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;

// Flexible vertex format bits.
inline constexpr DWORD D3DFVF_RESERVED0 = 0x0001;
inline constexpr DWORD D3DFVF_POSITION_MASK = 0x000E;
inline constexpr DWORD D3DFVF_XYZ = 0x0002;
inline constexpr DWORD D3DFVF_XYZRHW = 0x0004;
inline constexpr DWORD D3DFVF_XYZB1 = 0x0006;
inline constexpr DWORD D3DFVF_XYZB2 = 0x0008;
inline constexpr DWORD D3DFVF_XYZB3 = 0x000A;
inline constexpr DWORD D3DFVF_XYZB4 = 0x000C;
inline constexpr DWORD D3DFVF_XYZB5 = 0x000E;
inline constexpr DWORD D3DFVF_NORMAL = 0x0010;
inline constexpr DWORD D3DFVF_PSIZE = 0x0020;
inline constexpr DWORD D3DFVF_DIFFUSE = 0x0040;
inline constexpr DWORD D3DFVF_SPECULAR = 0x0080;
inline constexpr DWORD D3DFVF_TEXCOUNT_MASK = 0x0F00;
inline constexpr DWORD D3DFVF_TEXCOUNT_SHIFT = 8;
inline constexpr DWORD D3DFVF_TEX0 = 0x0000;
inline constexpr DWORD D3DFVF_TEX1 = 0x0100;
inline constexpr DWORD D3DFVF_TEX2 = 0x0200;
inline constexpr DWORD D3DFVF_TEX3 = 0x0300;
inline constexpr DWORD D3DFVF_TEX4 = 0x0400;
inline constexpr DWORD D3DFVF_LASTBETA_UBYTE4 = 0x1000;
// Texture-coordinate size codes, two bits per set starting at bit 16.
inline constexpr DWORD D3DFVF_TEXTUREFORMAT2 = 0;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT3 = 1;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT4 = 2;
inline constexpr DWORD D3DFVF_TEXTUREFORMAT1 = 3;

// D3DX filter flags: the low bits choose the filter, mirror and dither bits are OR-ed on top.
inline constexpr DWORD D3DX_FILTER_NONE = 0x00000001;
inline constexpr DWORD D3DX_FILTER_POINT = 0x00000002;
inline constexpr DWORD D3DX_FILTER_LINEAR = 0x00000003;
inline constexpr DWORD D3DX_FILTER_TRIANGLE = 0x00000004;
inline constexpr DWORD D3DX_FILTER_BOX = 0x00000005;
inline constexpr DWORD D3DX_FILTER_MIRROR_U = 0x00010000;
inline constexpr DWORD D3DX_FILTER_MIRROR_V = 0x00020000;
inline constexpr DWORD D3DX_FILTER_MIRROR_W = 0x00040000;
inline constexpr DWORD D3DX_FILTER_MIRROR = 0x00070000;
inline constexpr DWORD D3DX_FILTER_DITHER = 0x00080000;
inline constexpr DWORD D3DX_DEFAULT = 0xFFFFFFFF;

// ---- Records ------------------------------------------------------------------------------------------

struct RECT {
  LONG left = 0, top = 0, right = 0, bottom = 0;
};
struct POINT {
  LONG x = 0, y = 0;
};

struct D3DCOLORVALUE {
  float r = 0, g = 0, b = 0, a = 0;
  friend bool operator==(const D3DCOLORVALUE&, const D3DCOLORVALUE&) = default;
};

struct D3DLIGHT8 {
  D3DLIGHTTYPE Type = D3DLIGHT_POINT;
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Ambient;
  D3DVECTOR Position;
  D3DVECTOR Direction;
  float Range = 0;
  float Falloff = 0;
  float Attenuation0 = 0;
  float Attenuation1 = 0;
  float Attenuation2 = 0;
  float Theta = 0;
  float Phi = 0;
};

struct D3DMATERIAL8 {
  D3DCOLORVALUE Diffuse;
  D3DCOLORVALUE Ambient;
  D3DCOLORVALUE Specular;
  D3DCOLORVALUE Emissive;
  float Power = 0;
};

struct D3DVIEWPORT8 {
  DWORD X = 0, Y = 0, Width = 0, Height = 0;
  float MinZ = 0, MaxZ = 1;
};

struct D3DDISPLAYMODE {
  UINT Width = 0;
  UINT Height = 0;
  UINT RefreshRate = 0;
  D3DFORMAT Format = D3DFMT_UNKNOWN;
};

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth = 0;
  UINT BackBufferHeight = 0;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  UINT BackBufferCount = 0;
  D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
  D3DSWAPEFFECT SwapEffect = static_cast<D3DSWAPEFFECT>(0);
  HWND hDeviceWindow = nullptr;
  bool Windowed = false;
  bool EnableAutoDepthStencil = false;
  D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
  DWORD Flags = 0;
  UINT FullScreen_RefreshRateInHz = 0;
  UINT FullScreen_PresentationInterval = 0;
};

struct D3DSURFACE_DESC {
  D3DFORMAT Format = D3DFMT_UNKNOWN;
  D3DRESOURCETYPE Type = D3DRTYPE_SURFACE;
  DWORD Usage = 0;
  D3DPOOL Pool = D3DPOOL_DEFAULT;
  UINT Size = 0;
  D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
  UINT Width = 0;
  UINT Height = 0;
};

struct D3DVERTEXBUFFER_DESC {
  D3DFORMAT Format = D3DFMT_VERTEXDATA;
  D3DRESOURCETYPE Type = D3DRTYPE_VERTEXBUFFER;
  DWORD Usage = 0;
  D3DPOOL Pool = D3DPOOL_DEFAULT;
  UINT Size = 0;
  DWORD FVF = 0;
};

struct D3DINDEXBUFFER_DESC {
  D3DFORMAT Format = D3DFMT_INDEX16;
  D3DRESOURCETYPE Type = D3DRTYPE_INDEXBUFFER;
  DWORD Usage = 0;
  D3DPOOL Pool = D3DPOOL_DEFAULT;
  UINT Size = 0;
};

struct D3DLOCKED_RECT {
  INT Pitch = 0;
  void* pBits = nullptr;
};

struct PALETTEENTRY {
  BYTE peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
  friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};

// The device capabilities record, members in their Direct3D 8 order.
struct D3DCAPS8 {
  D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
  UINT AdapterOrdinal = 0;
  DWORD Caps = 0;
  DWORD Caps2 = 0;
  DWORD Caps3 = 0;
  DWORD PresentationIntervals = 0;
  DWORD CursorCaps = 0;
  DWORD DevCaps = 0;
  DWORD PrimitiveMiscCaps = 0;
  DWORD RasterCaps = 0;
  DWORD ZCmpCaps = 0;
  DWORD SrcBlendCaps = 0;
  DWORD DestBlendCaps = 0;
  DWORD AlphaCmpCaps = 0;
  DWORD ShadeCaps = 0;
  DWORD TextureCaps = 0;
  DWORD TextureFilterCaps = 0;
  DWORD CubeTextureFilterCaps = 0;
  DWORD VolumeTextureFilterCaps = 0;
  DWORD TextureAddressCaps = 0;
  DWORD VolumeTextureAddressCaps = 0;
  DWORD LineCaps = 0;
  DWORD MaxTextureWidth = 0;
  DWORD MaxTextureHeight = 0;
  DWORD MaxVolumeExtent = 0;
  DWORD MaxTextureRepeat = 0;
  DWORD MaxTextureAspectRatio = 0;
  DWORD MaxAnisotropy = 0;
  float MaxVertexW = 0;
  float GuardBandLeft = 0;
  float GuardBandTop = 0;
  float GuardBandRight = 0;
  float GuardBandBottom = 0;
  float ExtentsAdjust = 0;
  DWORD StencilCaps = 0;
  DWORD FVFCaps = 0;
  DWORD TextureOpCaps = 0;
  DWORD MaxTextureBlendStages = 0;
  DWORD MaxSimultaneousTextures = 0;
  DWORD VertexProcessingCaps = 0;
  DWORD MaxActiveLights = 0;
  DWORD MaxUserClipPlanes = 0;
  DWORD MaxVertexBlendMatrices = 0;
  DWORD MaxVertexBlendMatrixIndex = 0;
  float MaxPointSize = 0;
  DWORD MaxPrimitiveCount = 0;
  DWORD MaxVertexIndex = 0;
  DWORD MaxStreams = 0;
  DWORD MaxStreamStride = 0;
  DWORD VertexShaderVersion = 0;
  DWORD MaxVertexShaderConst = 0;
  DWORD PixelShaderVersion = 0;
  float MaxPixelShaderValue = 0;
};

// What the adapter reports about itself (Direct3D's identifier record, with text as strings).
struct D3DADAPTER_IDENTIFIER8 {
  std::string Driver;
  std::string Description;
  DWORD VendorId = 0;
  DWORD DeviceId = 0;
};

}  // namespace dravo
