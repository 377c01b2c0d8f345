#include "render/gl/gl_device.h"

// clang-format off
#include <epoxy/gl.h>
// clang-format on

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/d3dx_surface.h"
#include "render/gl/egl_headless.h"
#include "render/gl/gl_shaders.h"

namespace dravo {

namespace {

// What the device's resources share with it: the context they belong to and the names they leave behind. GL
// names are only deleted with the context current, so resources queue them and the device deletes them at
// its next call; after the device is gone the context has taken them with it.
struct GlShared {
  GlContextHost* host = nullptr;
  bool alive = true;
  bool s3tc = false;
  std::vector<GLuint> deadTextures;
  std::vector<GLuint> deadBuffers;
  // The back buffer.
  GLuint framebuffer = 0;
  GLuint colour = 0;
  GLuint depth = 0;
  UINT width = 0, height = 0;
  D3DFORMAT format = D3DFMT_X8R8G8B8;
  bool lockable = false;
  bool hasDepth = false;
  bool hasStencil = false;
};

class GlTexture : public TMemoryTexture {
 public:
  GlTexture(std::shared_ptr<GlShared> shared, UINT width, UINT height, UINT levels, DWORD usage,
            D3DFORMAT format, D3DPOOL pool)
      : TMemoryTexture(width, height, levels, usage, format, pool), shared(std::move(shared)) {}
  ~GlTexture() override {
    if (name && shared->alive) shared->deadTextures.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

class GlVertexBuffer : public TMemoryVertexBuffer {
 public:
  GlVertexBuffer(std::shared_ptr<GlShared> shared, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
      : TMemoryVertexBuffer(length, usage, fvf, pool), shared(std::move(shared)) {}
  ~GlVertexBuffer() override {
    if (name && shared->alive) shared->deadBuffers.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

class GlIndexBuffer : public TMemoryIndexBuffer {
 public:
  GlIndexBuffer(std::shared_ptr<GlShared> shared, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
      : TMemoryIndexBuffer(length, usage, format, pool), shared(std::move(shared)) {}
  ~GlIndexBuffer() override {
    if (name && shared->alive) shared->deadBuffers.push_back(name);
  }
  std::shared_ptr<GlShared> shared;
  GLuint name = 0;
};

// Rows of the framebuffer (bottom-up, BGRA) to Direct3D's top-down order and back.
void FlipRows(const BYTE* from, BYTE* to, UINT rowBytes, UINT rows) {
  for (UINT y = 0; y < rows; ++y)
    std::memcpy(to + static_cast<size_t>(y) * rowBytes, from + static_cast<size_t>(rows - 1 - y) * rowBytes,
                rowBytes);
}

// The back buffer as a lockable surface: a lock reads the framebuffer, an unlock that may have written puts
// the pixels back.
class GlBackBuffer : public IDirect3DSurface8 {
 public:
  explicit GlBackBuffer(std::shared_ptr<GlShared> shared) : m_shared(std::move(shared)) {}

  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override {
    if (!pDesc) return D3DERR_INVALIDCALL;
    *pDesc = D3DSURFACE_DESC{};
    pDesc->Format = m_shared->format;
    pDesc->Type = D3DRTYPE_SURFACE;
    pDesc->Usage = D3DUSAGE_RENDERTARGET;
    pDesc->Pool = D3DPOOL_DEFAULT;
    pDesc->Width = m_shared->width;
    pDesc->Height = m_shared->height;
    pDesc->Size = SurfaceSize(m_shared->format, m_shared->width, m_shared->height);
    return D3D_OK;
  }

  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override {
    if (!m_shared->alive || !m_shared->lockable || m_memory.locked || !pLockedRect) return D3DERR_INVALIDCALL;
    if (!m_shared->host->MakeCurrent()) return D3DERR_DEVICELOST;
    const UINT w = m_shared->width, h = m_shared->height;
    m_memory.Allocate(m_shared->format, w, h);
    std::vector<D3DCOLOR> bottomUp(static_cast<size_t>(w) * h), topDown(bottomUp.size());
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_shared->framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_BYTE,
                 bottomUp.data());
    FlipRows(reinterpret_cast<const BYTE*>(bottomUp.data()), reinterpret_cast<BYTE*>(topDown.data()), w * 4,
             h);
    if (m_shared->format == D3DFMT_X8R8G8B8)
      for (D3DCOLOR& c : topDown)
        c |= 0xFF000000u;
    EncodePixels(topDown.data(), w, h, m_shared->format, m_memory.bytes.data(), m_memory.pitch);
    m_flags = Flags;
    return m_memory.Lock(pLockedRect, pRect);
  }

  HRESULT UnlockRect() override {
    if (!m_memory.locked) return D3DERR_INVALIDCALL;
    m_memory.locked = false;
    if ((m_flags & D3DLOCK_READONLY) || !m_shared->alive || !m_shared->host->MakeCurrent()) return D3D_OK;
    const UINT w = m_shared->width, h = m_shared->height;
    std::vector<D3DCOLOR> topDown(static_cast<size_t>(w) * h), bottomUp(topDown.size());
    DecodePixels(m_memory.bytes.data(), m_memory.pitch, m_shared->format, w, h, nullptr, topDown.data());
    FlipRows(reinterpret_cast<const BYTE*>(topDown.data()), reinterpret_cast<BYTE*>(bottomUp.data()), w * 4,
             h);
    glBindTexture(GL_TEXTURE_2D, m_shared->colour);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA,
                    GL_UNSIGNED_BYTE, bottomUp.data());
    return D3D_OK;
  }

 private:
  std::shared_ptr<GlShared> m_shared;
  SurfaceMemory m_memory;
  DWORD m_flags = 0;
};

GLenum CompareFunc(DWORD f) {
  switch (f) {
    case D3DCMP_NEVER:
      return GL_NEVER;
    case D3DCMP_LESS:
      return GL_LESS;
    case D3DCMP_EQUAL:
      return GL_EQUAL;
    case D3DCMP_LESSEQUAL:
      return GL_LEQUAL;
    case D3DCMP_GREATER:
      return GL_GREATER;
    case D3DCMP_NOTEQUAL:
      return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL:
      return GL_GEQUAL;
    default:
      return GL_ALWAYS;
  }
}

GLenum BlendFactor(DWORD b) {
  switch (b) {
    case D3DBLEND_ZERO:
      return GL_ZERO;
    case D3DBLEND_ONE:
      return GL_ONE;
    case D3DBLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT:
      return GL_SRC_ALPHA_SATURATE;
    default:
      return GL_ONE;
  }
}

GLenum BlendEquation(DWORD op) {
  switch (op) {
    case D3DBLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
      return GL_MIN;
    case D3DBLENDOP_MAX:
      return GL_MAX;
    default:
      return GL_FUNC_ADD;
  }
}

GLint AddressMode(DWORD a) {
  switch (a) {
    case D3DTADDRESS_MIRROR:
    case D3DTADDRESS_MIRRORONCE:
      return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP:
      return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER:
      return GL_CLAMP_TO_BORDER;
    default:
      return GL_REPEAT;
  }
}

GLenum PrimitiveMode(D3DPRIMITIVETYPE type) {
  switch (type) {
    case D3DPT_POINTLIST:
      return GL_POINTS;
    case D3DPT_LINELIST:
      return GL_LINES;
    case D3DPT_LINESTRIP:
      return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP:
      return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN:
      return GL_TRIANGLE_FAN;
    default:
      return GL_TRIANGLES;
  }
}

void ColourToFloats(D3DCOLOR c, float out[4]) {
  out[0] = static_cast<float>((c >> 16) & 0xFF) / 255.0f;
  out[1] = static_cast<float>((c >> 8) & 0xFF) / 255.0f;
  out[2] = static_cast<float>(c & 0xFF) / 255.0f;
  out[3] = static_cast<float>(c >> 24) / 255.0f;
}

float AsFloat(DWORD bits) {
  return std::bit_cast<float>(bits);
}

// Inverse of the upper 3x3 of a matrix, row by row; the identity when it has none.
void Inverse3x3(const D3DMATRIX& m, float out[9]) {
  const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
  const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
  const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
  const float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
  if (std::fabs(det) < 1e-20f) {
    const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(identity, identity + 9, out);
    return;
  }
  const float s = 1.0f / det;
  const float r[9] = {(e * i - f * h) * s, (c * h - b * i) * s, (b * f - c * e) * s,
                      (f * g - d * i) * s, (a * i - c * g) * s, (c * d - a * f) * s,
                      (d * h - e * g) * s, (b * g - a * h) * s, (a * e - b * d) * s};
  std::copy(r, r + 9, out);
}

GLuint CompileShader(GLenum kind, const char* source, std::string& error) {
  const GLuint shader = glCreateShader(kind);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string("shader does not compile: ") + log;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

// Where each vertex element sits for a flexible vertex format.
struct VertexLayout {
  bool pretransformed = false;
  UINT positionSize = 3;
  int normal = -1, diffuse = -1, specular = -1;
  int tex[2] = {-1, -1};
  UINT texSize[2] = {2, 2};
};

VertexLayout LayoutOf(DWORD fvf) {
  VertexLayout l;
  UINT offset = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZRHW:
      l.pretransformed = true;
      l.positionSize = 4;
      offset = 16;
      break;
    case D3DFVF_XYZ:
      offset = 12;
      break;
    default:
      offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
      break;
  }
  if (fvf & D3DFVF_NORMAL) {
    l.normal = static_cast<int>(offset);
    offset += 12;
  }
  if (fvf & D3DFVF_PSIZE) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) {
    l.diffuse = static_cast<int>(offset);
    offset += 4;
  }
  if (fvf & D3DFVF_SPECULAR) {
    l.specular = static_cast<int>(offset);
    offset += 4;
  }
  const UINT sets = std::min<UINT>(8, (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
  for (UINT i = 0; i < sets; ++i) {
    UINT size;
    switch ((fvf >> (16 + 2 * i)) & 3) {
      case D3DFVF_TEXTUREFORMAT1:
        size = 1;
        break;
      case D3DFVF_TEXTUREFORMAT3:
        size = 3;
        break;
      case D3DFVF_TEXTUREFORMAT4:
        size = 4;
        break;
      default:
        size = 2;
        break;
    }
    if (i < 2) {
      l.tex[i] = static_cast<int>(offset);
      l.texSize[i] = std::min<UINT>(size, 2);
    }
    offset += size * 4;
  }
  return l;
}

}  // namespace

// ---- Display modes and the Direct3D object ------------------------------------------------------------

std::vector<D3DDISPLAYMODE> GlDisplayModes(const GlAdapterInfo& adapter) {
  static const std::pair<UINT, UINT> kCommon[] = {
      {640, 480},   {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 800},
      {1280, 960},  {1280, 1024}, {1360, 768},  {1366, 768},  {1440, 900},  {1600, 900},
      {1600, 1200}, {1680, 1050}, {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}};
  std::vector<std::pair<UINT, UINT>> sizes;
  for (auto [w, h] : kCommon)
    if (w <= adapter.screenWidth && h <= adapter.screenHeight) sizes.emplace_back(w, h);
  if (std::find(sizes.begin(), sizes.end(), std::pair{adapter.screenWidth, adapter.screenHeight}) ==
      sizes.end())
    sizes.emplace_back(adapter.screenWidth, adapter.screenHeight);
  std::sort(sizes.begin(), sizes.end());
  std::vector<D3DDISPLAYMODE> modes;
  for (auto [w, h] : sizes)
    modes.push_back({w, h, adapter.refreshRate, D3DFMT_X8R8G8B8});
  return modes;
}

GlDirect3D::GlDirect3D(GlAdapterInfo adapter, GlHostFactory hostFactory)
    : m_adapter(adapter), m_hostFactory(std::move(hostFactory)), m_modes(GlDisplayModes(adapter)) {}

HRESULT GlDirect3D::GetAdapterIdentifier(UINT Adapter, DWORD, D3DADAPTER_IDENTIFIER8* pIdentifier) {
  if (Adapter != 0 || !pIdentifier) return D3DERR_INVALIDCALL;
  pIdentifier->Driver = "OpenGL 3.3";
  pIdentifier->Description = m_renderer.empty() ? "OpenGL" : m_renderer;
  return D3D_OK;
}

UINT GlDirect3D::GetAdapterModeCount(UINT Adapter) {
  return Adapter == 0 ? static_cast<UINT>(m_modes.size()) : 0;
}

HRESULT GlDirect3D::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
  if (Adapter != 0 || !pMode || Mode >= m_modes.size()) return D3DERR_INVALIDCALL;
  *pMode = m_modes[Mode];
  return D3D_OK;
}

HRESULT GlDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (Adapter != 0 || !pMode) return D3DERR_INVALIDCALL;
  *pMode = {m_adapter.screenWidth, m_adapter.screenHeight, m_adapter.refreshRate, D3DFMT_X8R8G8B8};
  return D3D_OK;
}

HRESULT GlDirect3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                    D3DFORMAT BackBufferFormat, bool Windowed) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  if (CheckType != D3DDEVTYPE_HAL && CheckType != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
  // A windowed back buffer matches the desktop's depth, as in Direct3D 8.
  const bool desktop32 = DisplayFormat == D3DFMT_X8R8G8B8 || DisplayFormat == D3DFMT_A8R8G8B8;
  const bool back32 = BackBufferFormat == D3DFMT_X8R8G8B8 || BackBufferFormat == D3DFMT_A8R8G8B8;
  if (DisplayFormat != D3DFMT_X8R8G8B8 && Windowed) return D3DERR_NOTAVAILABLE;
  if (desktop32 && back32) return D3D_OK;
  return D3DERR_NOTAVAILABLE;
}

HRESULT GlDirect3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT, DWORD Usage,
                                      D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  if (Adapter != 0) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
  if (Usage & D3DUSAGE_DEPTHSTENCIL) {
    switch (CheckFormat) {
      case D3DFMT_D16:
      case D3DFMT_D24X8:
      case D3DFMT_D24S8:
      case D3DFMT_D32:
        return RType == D3DRTYPE_SURFACE ? D3D_OK : D3DERR_NOTAVAILABLE;
      default:
        return D3DERR_NOTAVAILABLE;
    }
  }
  if (Usage & D3DUSAGE_RENDERTARGET) return D3DERR_NOTAVAILABLE;
  if (RType != D3DRTYPE_TEXTURE && RType != D3DRTYPE_SURFACE) return D3DERR_NOTAVAILABLE;
  switch (CheckFormat) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_X4R4G4B4:
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_A8L8:
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return D3D_OK;
    default:
      return D3DERR_NOTAVAILABLE;
  }
}

HRESULT GlDirect3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                           D3DFORMAT, D3DFORMAT DepthStencilFormat) {
  return CheckDeviceFormat(Adapter, DeviceType, AdapterFormat, D3DUSAGE_DEPTHSTENCIL, D3DRTYPE_SURFACE,
                           DepthStencilFormat);
}

HRESULT GlDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
  if (Adapter != 0 || !pCaps) return D3DERR_INVALIDCALL;
  if (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF) return D3DERR_NOTAVAILABLE;
  D3DCAPS8 caps;
  caps.DeviceType = DeviceType;
  caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED;
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
  caps.MaxTextureWidth = kMaxTextureSize;
  caps.MaxTextureHeight = kMaxTextureSize;
  caps.MaxTextureRepeat = 8192;
  caps.MaxAnisotropy = 1;
  caps.MaxTextureBlendStages = 3;
  caps.MaxSimultaneousTextures = 2;
  caps.MaxActiveLights = 8;
  caps.MaxPointSize = 1.0f;
  caps.MaxPrimitiveCount = 0xFFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 255;
  caps.FVFCaps = 8;  // texture-coordinate sets
  *pCaps = caps;
  return D3D_OK;
}

HRESULT GlDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                                 D3DPRESENT_PARAMETERS* pp, std::unique_ptr<IDirect3DDevice8>* ppDevice) {
  m_lastError.clear();
  if (Adapter != 0 || !pp || !ppDevice) return D3DERR_INVALIDCALL;
  ppDevice->reset();
  if (DeviceType != D3DDEVTYPE_HAL && DeviceType != D3DDEVTYPE_REF) return D3DERR_INVALIDCALL;
  const DWORD processing =
      BehaviorFlags & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                       D3DCREATE_MIXED_VERTEXPROCESSING);
  if (std::popcount(processing) != 1) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS params = *pp;
  if (params.BackBufferFormat == D3DFMT_UNKNOWN && params.Windowed) params.BackBufferFormat = D3DFMT_X8R8G8B8;
  if (FAILED(CheckDeviceType(0, DeviceType, D3DFMT_X8R8G8B8, params.BackBufferFormat, params.Windowed)) &&
      FAILED(CheckDeviceType(0, DeviceType, params.BackBufferFormat, params.BackBufferFormat, false)))
    return D3DERR_INVALIDCALL;
  if (params.EnableAutoDepthStencil &&
      FAILED(CheckDepthStencilMatch(0, DeviceType, D3DFMT_X8R8G8B8, params.BackBufferFormat,
                                    params.AutoDepthStencilFormat)))
    return D3DERR_INVALIDCALL;
  if (params.BackBufferWidth > 8192 || params.BackBufferHeight > 8192) return D3DERR_INVALIDCALL;
  if (!m_hostFactory) return D3DERR_NOTAVAILABLE;
  auto host = m_hostFactory(DeviceType, params.hDeviceWindow ? params.hDeviceWindow : hFocusWindow,
                            params.BackBufferWidth, params.BackBufferHeight, m_lastError);
  if (!host) return D3DERR_NOTAVAILABLE;
  // A windowed device without a size takes the window's.
  if (params.BackBufferWidth == 0) params.BackBufferWidth = host->TargetWidth();
  if (params.BackBufferHeight == 0) params.BackBufferHeight = host->TargetHeight();
  if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0) return D3DERR_INVALIDCALL;
  D3DCAPS8 caps;
  GetDeviceCaps(0, DeviceType, &caps);
  D3DDISPLAYMODE mode;
  GetAdapterDisplayMode(0, &mode);
  auto device = GlDevice::Create(std::move(host), params, caps, mode, m_lastError, deviceOptions);
  if (!device) return D3DERR_NOTAVAILABLE;
  m_renderer = device->Renderer();
  *pp = params;
  *ppDevice = std::move(device);
  return D3D_OK;
}

std::unique_ptr<GlDirect3D> CreateHeadlessDirect3D(GlAdapterInfo adapter) {
  return std::make_unique<GlDirect3D>(adapter, HeadlessHostFactory());
}

// ---- GlDevice -----------------------------------------------------------------------------------------

struct GlDevice::Impl {
  std::shared_ptr<GlShared> shared = std::make_shared<GlShared>();
  GLuint program = 0;
  GLuint vertexArray = 0;
  GLuint userBuffer = 0;  // vertices drawn from caller memory
  GLuint samplers[2] = {0, 0};
  std::vector<GLint> locations;

  // Uniform names, in the order of `locations`.
  enum Uniform {
    WorldView,
    Projection,
    NormalMatrix,
    Pretransformed,
    ViewportRect,
    HasDiffuse,
    HasSpecular,
    Lighting,
    NormalizeNormals,
    ColorVertex,
    DiffuseSource,
    AmbientSource,
    EmissiveSource,
    MaterialDiffuse,
    MaterialAmbient,
    MaterialEmissive,
    Ambient,
    LightCount,
    LightType,
    LightPosition,
    LightDirection,
    LightDiffuse,
    LightAmbient,
    LightRange,
    LightAttenuation,
    LightSpot,
    FogVertexMode,
    FogRange,
    Fog,
    TexCoordIndex0,
    TexCoordIndex1,
    Texture0,
    Texture1,
    HasTexture0,
    HasTexture1,
    ColorOp,
    ColorArg1,
    ColorArg2,
    AlphaOp,
    AlphaArg1,
    AlphaArg2,
    TextureFactor,
    SpecularEnable,
    AlphaTest,
    AlphaFunc,
    AlphaRef,
    FogEnable,
    FogTableMode,
    FogColor,
    UniformCount
  };
  static constexpr const char* kNames[UniformCount] = {"uWorldView",
                                                       "uProjection",
                                                       "uNormalMatrix",
                                                       "uPretransformed",
                                                       "uViewport",
                                                       "uHasDiffuse",
                                                       "uHasSpecular",
                                                       "uLighting",
                                                       "uNormalize",
                                                       "uColorVertex",
                                                       "uDiffuseSource",
                                                       "uAmbientSource",
                                                       "uEmissiveSource",
                                                       "uMaterialDiffuse",
                                                       "uMaterialAmbient",
                                                       "uMaterialEmissive",
                                                       "uAmbient",
                                                       "uLightCount",
                                                       "uLightType",
                                                       "uLightPosition",
                                                       "uLightDirection",
                                                       "uLightDiffuse",
                                                       "uLightAmbient",
                                                       "uLightRange",
                                                       "uLightAttenuation",
                                                       "uLightSpot",
                                                       "uFogVertexMode",
                                                       "uFogRange",
                                                       "uFog",
                                                       "uTexCoordIndex0",
                                                       "uTexCoordIndex1",
                                                       "uTexture0",
                                                       "uTexture1",
                                                       "uHasTexture0",
                                                       "uHasTexture1",
                                                       "uColorOp",
                                                       "uColorArg1",
                                                       "uColorArg2",
                                                       "uAlphaOp",
                                                       "uAlphaArg1",
                                                       "uAlphaArg2",
                                                       "uTextureFactor",
                                                       "uSpecularEnable",
                                                       "uAlphaTest",
                                                       "uAlphaFunc",
                                                       "uAlphaRef",
                                                       "uFogEnable",
                                                       "uFogTableMode",
                                                       "uFogColor"};
  GLint at(Uniform u) const { return locations[u]; }
};

GlDevice::GlDevice(std::unique_ptr<GlContextHost> host, const D3DPRESENT_PARAMETERS& params,
                   const D3DCAPS8& caps, const D3DDISPLAYMODE& mode, GlDeviceOptions options)
    : TDeviceBase(params, caps, mode),
      m_host(std::move(host)),
      m_impl(std::make_unique<Impl>()),
      m_options(options) {
  m_impl->shared->host = m_host.get();
}

std::unique_ptr<GlDevice> GlDevice::Create(std::unique_ptr<GlContextHost> host,
                                           const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps,
                                           const D3DDISPLAYMODE& mode, std::string& error,
                                           GlDeviceOptions options) {
  if (!host) {
    error = "no OpenGL context";
    return nullptr;
  }
  std::unique_ptr<GlDevice> device(new GlDevice(std::move(host), params, caps, mode, options));
  if (!device->Initialise(error)) return nullptr;
  return device;
}

namespace {

// (Re)makes the back buffer's framebuffer: colour texture and, when asked for, the depth buffer.
bool MakeBackBuffer(GlShared& s, const D3DPRESENT_PARAMETERS& p, std::string& error) {
  if (!s.framebuffer) glGenFramebuffers(1, &s.framebuffer);
  if (!s.colour) glGenTextures(1, &s.colour);
  s.width = p.BackBufferWidth;
  s.height = p.BackBufferHeight;
  s.format = p.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : p.BackBufferFormat;
  s.lockable = (p.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0;
  glBindTexture(GL_TEXTURE_2D, s.colour);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height), 0,
               GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.colour, 0);
  if (s.depth) {
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glDeleteRenderbuffers(1, &s.depth);
    s.depth = 0;
  }
  s.hasDepth = s.hasStencil = false;
  if (p.EnableAutoDepthStencil) {
    GLenum internal = GL_DEPTH_COMPONENT16;
    switch (p.AutoDepthStencilFormat) {
      case D3DFMT_D24X8:
        internal = GL_DEPTH_COMPONENT24;
        break;
      case D3DFMT_D24S8:
        internal = GL_DEPTH24_STENCIL8;
        break;
      case D3DFMT_D32:
        internal = GL_DEPTH_COMPONENT32;
        break;
      default:
        break;
    }
    glGenRenderbuffers(1, &s.depth);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depth);
    glRenderbufferStorage(GL_RENDERBUFFER, internal, static_cast<GLsizei>(s.width),
                          static_cast<GLsizei>(s.height));
    s.hasDepth = true;
    s.hasStencil = internal == GL_DEPTH24_STENCIL8;
    glFramebufferRenderbuffer(GL_FRAMEBUFFER,
                              s.hasStencil ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
                              GL_RENDERBUFFER, s.depth);
  }
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    error = "the back buffer's framebuffer is incomplete";
    return false;
  }
  glViewport(0, 0, static_cast<GLsizei>(s.width), static_cast<GLsizei>(s.height));
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glClearColor(0, 0, 0, 1);
  glClearDepth(1.0);
  glClear(GL_COLOR_BUFFER_BIT | (s.hasDepth ? GL_DEPTH_BUFFER_BIT : 0) |
          (s.hasStencil ? GL_STENCIL_BUFFER_BIT : 0));
  return true;
}

}  // namespace

bool GlDevice::Initialise(std::string& error) {
  if (!m_host->MakeCurrent()) {
    error = "the OpenGL context can't be made current";
    return false;
  }
  if (epoxy_gl_version() < 33) {
    error = "OpenGL 3.3 is not available";
    return false;
  }
  Impl& d = *m_impl;
  d.shared->s3tc = !m_options.disableS3TC && epoxy_has_gl_extension("GL_EXT_texture_compression_s3tc");
  const auto* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const auto* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  m_renderer = std::string(renderer ? renderer : "?") + ", " + (version ? version : "?");

  const GLuint vs = CompileShader(GL_VERTEX_SHADER, gl_shaders::kVertex, error);
  if (!vs) return false;
  const GLuint fs = CompileShader(GL_FRAGMENT_SHADER, gl_shaders::kFragment, error);
  if (!fs) {
    glDeleteShader(vs);
    return false;
  }
  d.program = glCreateProgram();
  glAttachShader(d.program, vs);
  glAttachShader(d.program, fs);
  glLinkProgram(d.program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = 0;
  glGetProgramiv(d.program, GL_LINK_STATUS, &linked);
  if (!linked) {
    char log[2048] = {};
    glGetProgramInfoLog(d.program, sizeof log, nullptr, log);
    error = std::string("shader program does not link: ") + log;
    return false;
  }
  d.locations.resize(Impl::UniformCount);
  for (int i = 0; i < Impl::UniformCount; ++i)
    d.locations[i] = glGetUniformLocation(d.program, Impl::kNames[i]);
  glUseProgram(d.program);
  glUniform1i(d.at(Impl::Texture0), 0);
  glUniform1i(d.at(Impl::Texture1), 1);
  glGenVertexArrays(1, &d.vertexArray);
  glGenBuffers(1, &d.userBuffer);
  glGenSamplers(2, d.samplers);
  return MakeBackBuffer(*d.shared, m_params, error);
}

GlDevice::~GlDevice() {
  Impl& d = *m_impl;
  // Resources still held elsewhere must not touch this context once it is gone.
  if (m_host->MakeCurrent()) {
    ResetState();  // lets go of bound textures and buffers while the context lives
    for (GLuint name : d.shared->deadTextures)
      glDeleteTextures(1, &name);
    for (GLuint name : d.shared->deadBuffers)
      glDeleteBuffers(1, &name);
    glDeleteProgram(d.program);
    glDeleteVertexArrays(1, &d.vertexArray);
    glDeleteBuffers(1, &d.userBuffer);
    glDeleteSamplers(2, d.samplers);
    glDeleteFramebuffers(1, &d.shared->framebuffer);
    glDeleteTextures(1, &d.shared->colour);
    if (d.shared->depth) glDeleteRenderbuffers(1, &d.shared->depth);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }
  d.shared->alive = false;
  d.shared->host = nullptr;
}

bool GlDevice::UsesS3TC() const {
  return m_impl->shared->s3tc;
}

void GlDevice::Finish() {
  if (m_host->MakeCurrent()) glFinish();
}

ComPtr<TMemoryTexture> GlDevice::NewTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool) {
  return MakeCom<GlTexture>(m_impl->shared, width, height, levels, usage, format, pool);
}

ComPtr<TMemoryVertexBuffer> GlDevice::NewVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
  return MakeCom<GlVertexBuffer>(m_impl->shared, length, usage, fvf, pool);
}

ComPtr<TMemoryIndexBuffer> GlDevice::NewIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                    D3DPOOL pool) {
  return MakeCom<GlIndexBuffer>(m_impl->shared, length, usage, format, pool);
}

namespace {

// Makes the context current and deletes what released resources left behind.
bool Enter(GlShared& s) {
  if (!s.host || !s.host->MakeCurrent()) return false;
  if (!s.deadTextures.empty()) {
    glDeleteTextures(static_cast<GLsizei>(s.deadTextures.size()), s.deadTextures.data());
    s.deadTextures.clear();
  }
  if (!s.deadBuffers.empty()) {
    glDeleteBuffers(static_cast<GLsizei>(s.deadBuffers.size()), s.deadBuffers.data());
    s.deadBuffers.clear();
  }
  return true;
}

void UploadTexture(GlShared& s, GlTexture& t) {
  if (!t.name) glGenTextures(1, &t.name);
  glBindTexture(GL_TEXTURE_2D, t.name);
  if (!t.dirty) return;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  const D3DFORMAT format = t.Format();
  GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
  const UINT levels = t.GetLevelCount();
  for (UINT level = 0; level < levels; ++level) {
    const SurfaceMemory& m = t.Level(level);
    const auto w = static_cast<GLsizei>(m.desc.Width), h = static_cast<GLsizei>(m.desc.Height);
    const auto lvl = static_cast<GLint>(level);
    const BYTE* data = m.bytes.data();
    auto asArgb = [&] {
      std::vector<D3DCOLOR> pixels(static_cast<size_t>(m.desc.Width) * m.desc.Height);
      DecodePixels(data, m.pitch, format, m.desc.Width, m.desc.Height, nullptr, pixels.data());
      glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
    };
    switch (format) {
      case D3DFMT_DXT1:
      case D3DFMT_DXT2:
      case D3DFMT_DXT3:
      case D3DFMT_DXT4:
      case D3DFMT_DXT5:
        if (s.s3tc) {
          const GLenum internal = format == D3DFMT_DXT1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                                  : format == D3DFMT_DXT2 || format == D3DFMT_DXT3
                                      ? GL_COMPRESSED_RGBA_S3TC_DXT3_EXT
                                      : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
          glCompressedTexImage2D(GL_TEXTURE_2D, lvl, internal, w, h, 0, static_cast<GLsizei>(m.bytes.size()),
                                 data);
        } else {
          asArgb();
        }
        break;
      case D3DFMT_A8R8G8B8:
      case D3DFMT_X8R8G8B8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, data);
        break;
      case D3DFMT_R5G6B5:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGB8, w, h, 0, GL_RGB, GL_UNSIGNED_SHORT_5_6_5, data);
        break;
      case D3DFMT_X1R5G5B5:
      case D3DFMT_A1R5G5B5:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGB5_A1, w, h, 0, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV, data);
        break;
      case D3DFMT_A4R4G4B4:
      case D3DFMT_X4R4G4B4:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RGBA4, w, h, 0, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV, data);
        break;
      case D3DFMT_A8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_R8, w, h, 0, GL_RED, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_ZERO;
        swizzle[3] = GL_RED;
        break;
      case D3DFMT_L8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_R8, w, h, 0, GL_RED, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_RED;
        swizzle[3] = GL_ONE;
        break;
      case D3DFMT_A8L8:
        glTexImage2D(GL_TEXTURE_2D, lvl, GL_RG8, w, h, 0, GL_RG, GL_UNSIGNED_BYTE, data);
        swizzle[0] = swizzle[1] = swizzle[2] = GL_RED;
        swizzle[3] = GL_GREEN;
        break;
      default:
        asArgb();
        break;
    }
  }
  // Formats without alpha read as opaque whatever their spare bits hold.
  if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_X1R5G5B5 || format == D3DFMT_X4R4G4B4)
    swizzle[3] = GL_ONE;
  glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(levels - 1));
  t.dirty = false;
}

template <class Buffer>
void UploadBuffer(Buffer& b, GLenum target) {
  if (!b.name) glGenBuffers(1, &b.name);
  glBindBuffer(target, b.name);
  if (!b.dirty) return;
  glBufferData(target, static_cast<GLsizeiptr>(b.Bytes().size()), b.Bytes().data(), GL_DYNAMIC_DRAW);
  b.dirty = false;
}

void SetAttributes(const VertexLayout& l, UINT stride, GLintptr base) {
  const auto s = static_cast<GLsizei>(stride);
  auto at = [base](int offset) { return reinterpret_cast<const void*>(base + offset); };
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, static_cast<GLint>(l.positionSize), GL_FLOAT, GL_FALSE, s, at(0));
  auto optional = [&](GLuint index, int offset, GLint size, GLenum type, GLboolean normalised, float d0,
                      float d1, float d2, float d3) {
    if (offset >= 0) {
      glEnableVertexAttribArray(index);
      glVertexAttribPointer(index, size, type, normalised, s, at(offset));
    } else {
      glDisableVertexAttribArray(index);
      glVertexAttrib4f(index, d0, d1, d2, d3);
    }
  };
  optional(1, l.normal, 3, GL_FLOAT, GL_FALSE, 0, 0, 0, 0);
  optional(2, l.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 1, 1, 1, 1);
  optional(3, l.specular, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, 0, 0, 0, 0);
  optional(4, l.tex[0], static_cast<GLint>(l.texSize[0]), GL_FLOAT, GL_FALSE, 0, 0, 0, 1);
  optional(5, l.tex[1], static_cast<GLint>(l.texSize[1]), GL_FLOAT, GL_FALSE, 0, 0, 0, 1);
}

GLint MinFilter(DWORD min, DWORD mip) {
  const bool linear = min == D3DTEXF_LINEAR || min == D3DTEXF_ANISOTROPIC;
  if (mip == D3DTEXF_POINT) return linear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  if (mip == D3DTEXF_LINEAR) return linear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
  return linear ? GL_LINEAR : GL_NEAREST;
}

}  // namespace

HRESULT GlDevice::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
  if (!pPresentationParameters) return D3DERR_INVALIDCALL;
  D3DPRESENT_PARAMETERS params = *pPresentationParameters;
  if (params.BackBufferWidth == 0) params.BackBufferWidth = m_host->TargetWidth();
  if (params.BackBufferHeight == 0) params.BackBufferHeight = m_host->TargetHeight();
  if (params.BackBufferWidth == 0 || params.BackBufferHeight == 0 || params.BackBufferWidth > 8192 ||
      params.BackBufferHeight > 8192)
    return D3DERR_INVALIDCALL;
  if (!Enter(*m_impl->shared)) return D3DERR_DEVICELOST;
  TDeviceBase::Reset(&params);
  std::string error;
  if (!MakeBackBuffer(*m_impl->shared, m_params, error)) return D3DERR_INVALIDCALL;
  *pPresentationParameters = params;
  return D3D_OK;
}

HRESULT GlDevice::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE,
                                ComPtr<IDirect3DSurface8>* ppBackBuffer) {
  if (!ppBackBuffer || BackBuffer != 0) return D3DERR_INVALIDCALL;
  *ppBackBuffer = MakeCom<GlBackBuffer>(m_impl->shared);
  return D3D_OK;
}

HRESULT GlDevice::Clear(DWORD Count, const RECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                        DWORD Stencil) {
  GlShared& s = *m_impl->shared;
  if ((Flags & D3DCLEAR_ZBUFFER) && !s.hasDepth) return D3DERR_INVALIDCALL;
  if ((Flags & D3DCLEAR_STENCIL) && !s.hasStencil) return D3DERR_INVALIDCALL;
  if (Count > 0 && !pRects) return D3DERR_INVALIDCALL;
  if (!Enter(s)) return D3DERR_DEVICELOST;
  glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  glDisable(GL_DITHER);
  float c[4];
  ColourToFloats(Color, c);
  glClearColor(c[0], c[1], c[2], c[3]);
  glClearDepth(std::clamp(Z, 0.0f, 1.0f));
  glClearStencil(static_cast<GLint>(Stencil));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  glStencilMask(0xFFFFFFFF);
  const GLbitfield mask = ((Flags & D3DCLEAR_TARGET) ? GL_COLOR_BUFFER_BIT : 0) |
                          ((Flags & D3DCLEAR_ZBUFFER) ? GL_DEPTH_BUFFER_BIT : 0) |
                          ((Flags & D3DCLEAR_STENCIL) ? GL_STENCIL_BUFFER_BIT : 0);
  // Clearing is limited to the viewport (and to the rectangles, when there are some).
  const D3DVIEWPORT8& v = Viewport();
  const LONG vl = static_cast<LONG>(v.X), vt = static_cast<LONG>(v.Y);
  const LONG vr = vl + static_cast<LONG>(v.Width), vb = vt + static_cast<LONG>(v.Height);
  glEnable(GL_SCISSOR_TEST);
  const UINT n = Count > 0 ? Count : 1;
  for (UINT i = 0; i < n; ++i) {
    LONG l = vl, t = vt, r = vr, b = vb;
    if (Count > 0) {
      l = std::max(l, pRects[i].left);
      t = std::max(t, pRects[i].top);
      r = std::min(r, pRects[i].right);
      b = std::min(b, pRects[i].bottom);
    }
    if (r <= l || b <= t) continue;
    glScissor(l, static_cast<GLint>(s.height) - b, r - l, b - t);
    glClear(mask);
  }
  glDisable(GL_SCISSOR_TEST);
  return D3D_OK;
}

HRESULT GlDevice::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND, const void*) {
  GlShared& s = *m_impl->shared;
  if (!Enter(s)) return D3DERR_DEVICELOST;
  const GLuint target = m_host->TargetFramebuffer();
  const UINT tw = m_host->TargetWidth(), th = m_host->TargetHeight();
  if (tw > 0 && th > 0) {
    const RECT src =
        pSourceRect ? *pSourceRect : RECT{0, 0, static_cast<LONG>(s.width), static_cast<LONG>(s.height)};
    const RECT dst = pDestRect ? *pDestRect : RECT{0, 0, static_cast<LONG>(tw), static_cast<LONG>(th)};
    glBindFramebuffer(GL_READ_FRAMEBUFFER, s.framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const GLint sh = static_cast<GLint>(s.height), dh = static_cast<GLint>(th);
    glBlitFramebuffer(src.left, sh - src.bottom, src.right, sh - src.top, dst.left, dh - dst.bottom,
                      dst.right, dh - dst.top, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  }
  m_host->AfterPresent();
  return D3D_OK;
}

namespace {

GLenum StencilOp(DWORD op) {
  switch (op) {
    case D3DSTENCILOP_ZERO:
      return GL_ZERO;
    case D3DSTENCILOP_REPLACE:
      return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT:
      return GL_INCR;
    case D3DSTENCILOP_DECRSAT:
      return GL_DECR;
    case D3DSTENCILOP_INVERT:
      return GL_INVERT;
    case D3DSTENCILOP_INCR:
      return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR:
      return GL_DECR_WRAP;
    default:
      return GL_KEEP;
  }
}

void Uniform4(GLint location, const D3DCOLORVALUE& c) {
  glUniform4f(location, c.r, c.g, c.b, c.a);
}

void UniformColour(GLint location, D3DCOLOR colour) {
  float c[4];
  ColourToFloats(colour, c);
  glUniform4fv(location, 1, c);
}

}  // namespace

void GlDevice::ApplyState() {
  Impl& d = *m_impl;
  GlShared& s = *d.shared;
  auto rs = [this](D3DRENDERSTATETYPE state) { return RenderState(state); };

  glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  glDisable(GL_DITHER);
  const D3DVIEWPORT8& v = Viewport();
  glViewport(static_cast<GLint>(v.X), static_cast<GLint>(s.height) - static_cast<GLint>(v.Y + v.Height),
             static_cast<GLsizei>(v.Width), static_cast<GLsizei>(v.Height));
  glDepthRange(v.MinZ, v.MaxZ);
  glDisable(GL_SCISSOR_TEST);

  const bool zTest = rs(D3DRS_ZENABLE) != D3DZB_FALSE && s.hasDepth;
  if (zTest) {
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(CompareFunc(rs(D3DRS_ZFUNC)));
  } else {
    glDisable(GL_DEPTH_TEST);
  }
  glDepthMask(zTest && rs(D3DRS_ZWRITEENABLE) ? GL_TRUE : GL_FALSE);

  if (rs(D3DRS_ALPHABLENDENABLE)) {
    glEnable(GL_BLEND);
    DWORD src = rs(D3DRS_SRCBLEND), dst = rs(D3DRS_DESTBLEND);
    if (src == D3DBLEND_BOTHSRCALPHA) {
      src = D3DBLEND_SRCALPHA;
      dst = D3DBLEND_INVSRCALPHA;
    } else if (src == D3DBLEND_BOTHINVSRCALPHA) {
      src = D3DBLEND_INVSRCALPHA;
      dst = D3DBLEND_SRCALPHA;
    }
    glBlendFunc(BlendFactor(src), BlendFactor(dst));
    glBlendEquation(BlendEquation(rs(D3DRS_BLENDOP)));
  } else {
    glDisable(GL_BLEND);
  }

  // Both name the winding as it looks on the screen: Direct3D's counter-clockwise faces are OpenGL's front
  // faces.
  switch (rs(D3DRS_CULLMODE)) {
    case D3DCULL_CW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_BACK);
      break;
    case D3DCULL_CCW:
      glEnable(GL_CULL_FACE);
      glFrontFace(GL_CCW);
      glCullFace(GL_FRONT);
      break;
    default:
      glDisable(GL_CULL_FACE);
      break;
  }
  const DWORD fill = rs(D3DRS_FILLMODE);
  glPolygonMode(GL_FRONT_AND_BACK, fill == D3DFILL_WIREFRAME ? GL_LINE
                                   : fill == D3DFILL_POINT   ? GL_POINT
                                                             : GL_FILL);
  const DWORD write = rs(D3DRS_COLORWRITEENABLE);
  glColorMask(write & 1 ? GL_TRUE : GL_FALSE, write & 2 ? GL_TRUE : GL_FALSE, write & 4 ? GL_TRUE : GL_FALSE,
              write & 8 ? GL_TRUE : GL_FALSE);
  if (rs(D3DRS_STENCILENABLE) && s.hasStencil) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(CompareFunc(rs(D3DRS_STENCILFUNC)), static_cast<GLint>(rs(D3DRS_STENCILREF)),
                  rs(D3DRS_STENCILMASK));
    glStencilOp(StencilOp(rs(D3DRS_STENCILFAIL)), StencilOp(rs(D3DRS_STENCILZFAIL)),
                StencilOp(rs(D3DRS_STENCILPASS)));
    glStencilMask(rs(D3DRS_STENCILWRITEMASK));
  } else {
    glDisable(GL_STENCIL_TEST);
  }

  glUseProgram(d.program);
  const VertexLayout layout = LayoutOf(VertexShader());
  const D3DMATRIX& view = Transform(D3DTS_VIEW);
  const D3DMATRIX worldView = Transform(D3DTS_WORLD) * view;
  glUniformMatrix4fv(d.at(Impl::WorldView), 1, GL_FALSE, &worldView.m[0][0]);
  glUniformMatrix4fv(d.at(Impl::Projection), 1, GL_FALSE, &Transform(D3DTS_PROJECTION).m[0][0]);
  float normal[9];
  Inverse3x3(worldView, normal);
  glUniformMatrix3fv(d.at(Impl::NormalMatrix), 1, GL_TRUE, normal);
  glUniform1i(d.at(Impl::Pretransformed), layout.pretransformed);
  glUniform4f(d.at(Impl::ViewportRect), static_cast<float>(v.X), static_cast<float>(v.Y),
              static_cast<float>(v.Width), static_cast<float>(v.Height));
  glUniform1i(d.at(Impl::HasDiffuse), layout.diffuse >= 0);
  glUniform1i(d.at(Impl::HasSpecular), layout.specular >= 0);
  glUniform1i(d.at(Impl::Lighting), rs(D3DRS_LIGHTING) && !layout.pretransformed);
  glUniform1i(d.at(Impl::NormalizeNormals), rs(D3DRS_NORMALIZENORMALS) != 0);
  glUniform1i(d.at(Impl::ColorVertex), rs(D3DRS_COLORVERTEX) != 0);
  glUniform1i(d.at(Impl::DiffuseSource), static_cast<GLint>(rs(D3DRS_DIFFUSEMATERIALSOURCE)));
  glUniform1i(d.at(Impl::AmbientSource), static_cast<GLint>(rs(D3DRS_AMBIENTMATERIALSOURCE)));
  glUniform1i(d.at(Impl::EmissiveSource), static_cast<GLint>(rs(D3DRS_EMISSIVEMATERIALSOURCE)));
  Uniform4(d.at(Impl::MaterialDiffuse), Material().Diffuse);
  Uniform4(d.at(Impl::MaterialAmbient), Material().Ambient);
  Uniform4(d.at(Impl::MaterialEmissive), Material().Emissive);
  UniformColour(d.at(Impl::Ambient), rs(D3DRS_AMBIENT));

  // Lights are given in world space; the shader lights in view space.
  GLint types[8] = {};
  float positions[24] = {}, directions[24] = {}, diffuse[32] = {}, ambient[32] = {}, ranges[8] = {},
        attenuation[24] = {}, spot[24] = {};
  int count = 0;
  for (const auto& [index, light] : Lights()) {
    if (count == 8) break;
    if (!IsLightEnabled(index)) continue;
    types[count] = static_cast<GLint>(light.Type);
    const Vector3 p = TransformCoord(light.Position, view);
    const Vector3 dir = Normalize(TransformNormal(light.Direction, view));
    const float pv[3] = {p.x, p.y, p.z}, dv[3] = {dir.x, dir.y, dir.z};
    std::copy(pv, pv + 3, positions + 3 * count);
    std::copy(dv, dv + 3, directions + 3 * count);
    const float dc[4] = {light.Diffuse.r, light.Diffuse.g, light.Diffuse.b, light.Diffuse.a};
    const float ac[4] = {light.Ambient.r, light.Ambient.g, light.Ambient.b, light.Ambient.a};
    std::copy(dc, dc + 4, diffuse + 4 * count);
    std::copy(ac, ac + 4, ambient + 4 * count);
    ranges[count] = light.Range;
    const float at[3] = {light.Attenuation0, light.Attenuation1, light.Attenuation2};
    std::copy(at, at + 3, attenuation + 3 * count);
    const float sp[3] = {std::cos(light.Theta / 2), std::cos(light.Phi / 2), light.Falloff};
    std::copy(sp, sp + 3, spot + 3 * count);
    ++count;
  }
  glUniform1i(d.at(Impl::LightCount), count);
  glUniform1iv(d.at(Impl::LightType), 8, types);
  glUniform3fv(d.at(Impl::LightPosition), 8, positions);
  glUniform3fv(d.at(Impl::LightDirection), 8, directions);
  glUniform4fv(d.at(Impl::LightDiffuse), 8, diffuse);
  glUniform4fv(d.at(Impl::LightAmbient), 8, ambient);
  glUniform1fv(d.at(Impl::LightRange), 8, ranges);
  glUniform3fv(d.at(Impl::LightAttenuation), 8, attenuation);
  glUniform3fv(d.at(Impl::LightSpot), 8, spot);

  const bool fog = rs(D3DRS_FOGENABLE) != 0;
  glUniform1i(d.at(Impl::FogEnable), fog);
  glUniform1i(d.at(Impl::FogVertexMode), fog ? static_cast<GLint>(rs(D3DRS_FOGVERTEXMODE)) : 0);
  glUniform1i(d.at(Impl::FogTableMode), fog ? static_cast<GLint>(rs(D3DRS_FOGTABLEMODE)) : 0);
  glUniform1i(d.at(Impl::FogRange), rs(D3DRS_RANGEFOGENABLE) != 0);
  glUniform3f(d.at(Impl::Fog), AsFloat(rs(D3DRS_FOGSTART)), AsFloat(rs(D3DRS_FOGEND)),
              AsFloat(rs(D3DRS_FOGDENSITY)));
  UniformColour(d.at(Impl::FogColor), rs(D3DRS_FOGCOLOR));

  GLint colorOp[3], colorArg1[3], colorArg2[3], alphaOp[3], alphaArg1[3], alphaArg2[3];
  for (DWORD stage = 0; stage < 3; ++stage) {
    colorOp[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLOROP));
    colorArg1[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLORARG1));
    colorArg2[stage] = static_cast<GLint>(StageState(stage, D3DTSS_COLORARG2));
    alphaOp[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAOP));
    alphaArg1[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAARG1));
    alphaArg2[stage] = static_cast<GLint>(StageState(stage, D3DTSS_ALPHAARG2));
  }
  glUniform1iv(d.at(Impl::ColorOp), 3, colorOp);
  glUniform1iv(d.at(Impl::ColorArg1), 3, colorArg1);
  glUniform1iv(d.at(Impl::ColorArg2), 3, colorArg2);
  glUniform1iv(d.at(Impl::AlphaOp), 3, alphaOp);
  glUniform1iv(d.at(Impl::AlphaArg1), 3, alphaArg1);
  glUniform1iv(d.at(Impl::AlphaArg2), 3, alphaArg2);
  glUniform1i(d.at(Impl::TexCoordIndex0), static_cast<GLint>(StageState(0, D3DTSS_TEXCOORDINDEX) & 0xFFFF));
  glUniform1i(d.at(Impl::TexCoordIndex1), static_cast<GLint>(StageState(1, D3DTSS_TEXCOORDINDEX) & 0xFFFF));
  UniformColour(d.at(Impl::TextureFactor), rs(D3DRS_TEXTUREFACTOR));
  glUniform1i(d.at(Impl::SpecularEnable), rs(D3DRS_SPECULARENABLE) != 0);
  glUniform1i(d.at(Impl::AlphaTest), rs(D3DRS_ALPHATESTENABLE) != 0);
  glUniform1i(d.at(Impl::AlphaFunc), static_cast<GLint>(rs(D3DRS_ALPHAFUNC)));
  glUniform1i(d.at(Impl::AlphaRef), static_cast<GLint>(rs(D3DRS_ALPHAREF) & 0xFF));

  for (DWORD stage = 0; stage < 2; ++stage) {
    auto* texture = dynamic_cast<GlTexture*>(BoundTexture(stage));
    // A texture of another device has no name in this context.
    if (texture && texture->shared != d.shared) texture = nullptr;
    glUniform1i(d.at(stage == 0 ? Impl::HasTexture0 : Impl::HasTexture1), texture != nullptr);
    glActiveTexture(GL_TEXTURE0 + stage);
    if (!texture) {
      glBindTexture(GL_TEXTURE_2D, 0);
      continue;
    }
    UploadTexture(s, *texture);
    const auto top = static_cast<GLint>(
        std::min<DWORD>(StageState(stage, D3DTSS_MAXMIPLEVEL), texture->GetLevelCount() - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, top);
    const GLuint sampler = d.samplers[stage];
    glBindSampler(stage, sampler);
    const bool magLinear = StageState(stage, D3DTSS_MAGFILTER) == D3DTEXF_LINEAR ||
                           StageState(stage, D3DTSS_MAGFILTER) == D3DTEXF_ANISOTROPIC;
    glSamplerParameteri(sampler, GL_TEXTURE_MAG_FILTER, magLinear ? GL_LINEAR : GL_NEAREST);
    glSamplerParameteri(sampler, GL_TEXTURE_MIN_FILTER,
                        MinFilter(StageState(stage, D3DTSS_MINFILTER), StageState(stage, D3DTSS_MIPFILTER)));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_S, AddressMode(StageState(stage, D3DTSS_ADDRESSU)));
    glSamplerParameteri(sampler, GL_TEXTURE_WRAP_T, AddressMode(StageState(stage, D3DTSS_ADDRESSV)));
    float border[4];
    ColourToFloats(StageState(stage, D3DTSS_BORDERCOLOR), border);
    glSamplerParameterfv(sampler, GL_TEXTURE_BORDER_COLOR, border);
  }
  glActiveTexture(GL_TEXTURE0);
}

HRESULT GlDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) {
  UINT count = 0;
  if (HRESULT hr = CheckDraw(PrimitiveType, StartVertex, PrimitiveCount, &count); FAILED(hr)) return hr;
  if (!Enter(*m_impl->shared)) return D3DERR_DEVICELOST;
  auto* vb = dynamic_cast<GlVertexBuffer*>(StreamSource());
  if (!vb) return D3DERR_INVALIDCALL;
  ApplyState();
  glBindVertexArray(m_impl->vertexArray);
  UploadBuffer(*vb, GL_ARRAY_BUFFER);
  SetAttributes(LayoutOf(VertexShader()), StreamStride(), 0);
  glDrawArrays(PrimitiveMode(PrimitiveType), static_cast<GLint>(StartVertex), static_cast<GLsizei>(count));
  return D3D_OK;
}

HRESULT GlDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT, UINT, UINT StartIndex,
                                       UINT PrimitiveCount) {
  UINT count = 0;
  if (HRESULT hr = CheckIndexedDraw(PrimitiveType, StartIndex, PrimitiveCount, &count); FAILED(hr)) return hr;
  if (!Enter(*m_impl->shared)) return D3DERR_DEVICELOST;
  auto* vb = dynamic_cast<GlVertexBuffer*>(StreamSource());
  auto* ib = dynamic_cast<GlIndexBuffer*>(Indices());
  if (!vb || !ib) return D3DERR_INVALIDCALL;
  ApplyState();
  glBindVertexArray(m_impl->vertexArray);
  UploadBuffer(*vb, GL_ARRAY_BUFFER);
  SetAttributes(LayoutOf(VertexShader()), StreamStride(), 0);
  UploadBuffer(*ib, GL_ELEMENT_ARRAY_BUFFER);
  D3DINDEXBUFFER_DESC desc{};
  ib->GetDesc(&desc);
  const bool wide = desc.Format == D3DFMT_INDEX32;
  glDrawElementsBaseVertex(PrimitiveMode(PrimitiveType), static_cast<GLsizei>(count),
                           wide ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(static_cast<uintptr_t>(StartIndex) * (wide ? 4 : 2)),
                           static_cast<GLint>(BaseVertexIndex()));
  return D3D_OK;
}

HRESULT GlDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                  const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
  const UINT count = PrimitiveIndexCount(PrimitiveType, PrimitiveCount);
  const DWORD fvf = VertexShader();
  if (!pVertexStreamZeroData || count == 0 || PrimitiveCount == 0 || (fvf & D3DFVF_POSITION_MASK) == 0 ||
      VertexStreamZeroStride == 0 || FvfVertexSize(fvf) > VertexStreamZeroStride)
    return D3DERR_INVALIDCALL;
  if (!Enter(*m_impl->shared)) return D3DERR_DEVICELOST;
  ApplyState();
  glBindVertexArray(m_impl->vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, m_impl->userBuffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * VertexStreamZeroStride,
               pVertexStreamZeroData, GL_STREAM_DRAW);
  SetAttributes(LayoutOf(fvf), VertexStreamZeroStride, 0);
  glDrawArrays(PrimitiveMode(PrimitiveType), 0, static_cast<GLsizei>(count));
  // As in Direct3D, stream 0 is unbound after a draw from caller memory.
  TDeviceBase::SetStreamSource(0, nullptr, 0);
  return D3D_OK;
}

}  // namespace dravo
