#include "render/device_base.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace dravo {

namespace {

struct StateName {
  DWORD value;
  const char* name;
};

constexpr StateName kRenderStateNames[] = {
    {7, "D3DRS_ZENABLE"},
    {8, "D3DRS_FILLMODE"},
    {9, "D3DRS_SHADEMODE"},
    {10, "D3DRS_LINEPATTERN"},
    {14, "D3DRS_ZWRITEENABLE"},
    {15, "D3DRS_ALPHATESTENABLE"},
    {16, "D3DRS_LASTPIXEL"},
    {19, "D3DRS_SRCBLEND"},
    {20, "D3DRS_DESTBLEND"},
    {22, "D3DRS_CULLMODE"},
    {23, "D3DRS_ZFUNC"},
    {24, "D3DRS_ALPHAREF"},
    {25, "D3DRS_ALPHAFUNC"},
    {26, "D3DRS_DITHERENABLE"},
    {27, "D3DRS_ALPHABLENDENABLE"},
    {28, "D3DRS_FOGENABLE"},
    {29, "D3DRS_SPECULARENABLE"},
    {30, "D3DRS_ZVISIBLE"},
    {34, "D3DRS_FOGCOLOR"},
    {35, "D3DRS_FOGTABLEMODE"},
    {36, "D3DRS_FOGSTART"},
    {37, "D3DRS_FOGEND"},
    {38, "D3DRS_FOGDENSITY"},
    {40, "D3DRS_EDGEANTIALIAS"},
    {47, "D3DRS_ZBIAS"},
    {48, "D3DRS_RANGEFOGENABLE"},
    {52, "D3DRS_STENCILENABLE"},
    {53, "D3DRS_STENCILFAIL"},
    {54, "D3DRS_STENCILZFAIL"},
    {55, "D3DRS_STENCILPASS"},
    {56, "D3DRS_STENCILFUNC"},
    {57, "D3DRS_STENCILREF"},
    {58, "D3DRS_STENCILMASK"},
    {59, "D3DRS_STENCILWRITEMASK"},
    {60, "D3DRS_TEXTUREFACTOR"},
    {128, "D3DRS_WRAP0"},
    {129, "D3DRS_WRAP1"},
    {130, "D3DRS_WRAP2"},
    {131, "D3DRS_WRAP3"},
    {132, "D3DRS_WRAP4"},
    {133, "D3DRS_WRAP5"},
    {134, "D3DRS_WRAP6"},
    {135, "D3DRS_WRAP7"},
    {136, "D3DRS_CLIPPING"},
    {137, "D3DRS_LIGHTING"},
    {139, "D3DRS_AMBIENT"},
    {140, "D3DRS_FOGVERTEXMODE"},
    {141, "D3DRS_COLORVERTEX"},
    {142, "D3DRS_LOCALVIEWER"},
    {143, "D3DRS_NORMALIZENORMALS"},
    {145, "D3DRS_DIFFUSEMATERIALSOURCE"},
    {146, "D3DRS_SPECULARMATERIALSOURCE"},
    {147, "D3DRS_AMBIENTMATERIALSOURCE"},
    {148, "D3DRS_EMISSIVEMATERIALSOURCE"},
    {151, "D3DRS_VERTEXBLEND"},
    {152, "D3DRS_CLIPPLANEENABLE"},
    {153, "D3DRS_SOFTWAREVERTEXPROCESSING"},
    {154, "D3DRS_POINTSIZE"},
    {155, "D3DRS_POINTSIZE_MIN"},
    {156, "D3DRS_POINTSPRITEENABLE"},
    {157, "D3DRS_POINTSCALEENABLE"},
    {158, "D3DRS_POINTSCALE_A"},
    {159, "D3DRS_POINTSCALE_B"},
    {160, "D3DRS_POINTSCALE_C"},
    {161, "D3DRS_MULTISAMPLEANTIALIAS"},
    {162, "D3DRS_MULTISAMPLEMASK"},
    {163, "D3DRS_PATCHEDGESTYLE"},
    {164, "D3DRS_PATCHSEGMENTS"},
    {165, "D3DRS_DEBUGMONITORTOKEN"},
    {166, "D3DRS_POINTSIZE_MAX"},
    {167, "D3DRS_INDEXEDVERTEXBLENDENABLE"},
    {168, "D3DRS_COLORWRITEENABLE"},
    {170, "D3DRS_TWEENFACTOR"},
    {171, "D3DRS_BLENDOP"},
    {172, "D3DRS_POSITIONORDER"},
    {173, "D3DRS_NORMALORDER"},
};

constexpr const char* kStageStateNames[kTextureStageStateCount] = {
    nullptr,
    "D3DTSS_COLOROP",
    "D3DTSS_COLORARG1",
    "D3DTSS_COLORARG2",
    "D3DTSS_ALPHAOP",
    "D3DTSS_ALPHAARG1",
    "D3DTSS_ALPHAARG2",
    "D3DTSS_BUMPENVMAT00",
    "D3DTSS_BUMPENVMAT01",
    "D3DTSS_BUMPENVMAT10",
    "D3DTSS_BUMPENVMAT11",
    "D3DTSS_TEXCOORDINDEX",
    nullptr,
    "D3DTSS_ADDRESSU",
    "D3DTSS_ADDRESSV",
    "D3DTSS_BORDERCOLOR",
    "D3DTSS_MAGFILTER",
    "D3DTSS_MINFILTER",
    "D3DTSS_MIPFILTER",
    "D3DTSS_MIPMAPLODBIAS",
    "D3DTSS_MAXMIPLEVEL",
    "D3DTSS_MAXANISOTROPY",
    "D3DTSS_BUMPENVLSCALE",
    "D3DTSS_BUMPENVLOFFSET",
    "D3DTSS_TEXTURETRANSFORMFLAGS",
    "D3DTSS_ADDRESSW",
    "D3DTSS_COLORARG0",
    "D3DTSS_ALPHAARG0",
    "D3DTSS_RESULTARG",
};

DWORD FloatBits(float f) {
  return std::bit_cast<DWORD>(f);
}

bool IsKnownRenderState(DWORD state) {
  for (const StateName& s : kRenderStateNames)
    if (s.value == state) return true;
  return false;
}

bool IsValidTransform(DWORD state) {
  return state == D3DTS_VIEW || state == D3DTS_PROJECTION ||
         (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) || (state >= 256 && state < 512);
}

}  // namespace

std::string RenderStateName(DWORD state) {
  for (const StateName& s : kRenderStateNames)
    if (s.value == state) return s.name;
  return std::to_string(state);
}

std::string TextureStageStateName(DWORD type) {
  if (type < kTextureStageStateCount && kStageStateNames[type]) return kStageStateNames[type];
  return std::to_string(type);
}

std::string TransformStateName(DWORD state) {
  if (state == D3DTS_VIEW) return "D3DTS_VIEW";
  if (state == D3DTS_PROJECTION) return "D3DTS_PROJECTION";
  if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return "D3DTS_TEXTURE" + std::to_string(state - 16);
  if (state == D3DTS_WORLD) return "D3DTS_WORLD";
  if (state > 256 && state < 512) return "D3DTS_WORLDMATRIX(" + std::to_string(state - 256) + ")";
  return std::to_string(state);
}

UINT PrimitiveIndexCount(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST:
      return count;
    case D3DPT_LINELIST:
      return count * 2;
    case D3DPT_LINESTRIP:
      return count + 1;
    case D3DPT_TRIANGLELIST:
      return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN:
      return count + 2;
    default:
      return 0;
  }
}

TDeviceBase::TDeviceBase(const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps,
                         const D3DDISPLAYMODE& mode)
    : m_params(params), m_caps(caps), m_mode(mode) {
  ResetState();
}

void TDeviceBase::ResetState() {
  auto& rs = m_renderStates;
  rs.fill(0);
  rs[D3DRS_ZENABLE] = m_params.EnableAutoDepthStencil ? D3DZB_TRUE : D3DZB_FALSE;
  rs[D3DRS_FILLMODE] = D3DFILL_SOLID;
  rs[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  rs[D3DRS_ZWRITEENABLE] = 1;
  rs[D3DRS_LASTPIXEL] = 1;
  rs[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  rs[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  rs[D3DRS_CULLMODE] = D3DCULL_CCW;
  rs[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  rs[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_FOGEND] = FloatBits(1.0f);
  rs[D3DRS_FOGDENSITY] = FloatBits(1.0f);
  rs[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  rs[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  rs[D3DRS_STENCILMASK] = 0xFFFFFFFF;
  rs[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  rs[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  rs[D3DRS_CLIPPING] = 1;
  rs[D3DRS_LIGHTING] = 1;
  rs[D3DRS_COLORVERTEX] = 1;
  rs[D3DRS_LOCALVIEWER] = 1;
  rs[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  rs[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  rs[D3DRS_POINTSIZE] = FloatBits(1.0f);
  rs[D3DRS_POINTSIZE_MIN] = FloatBits(1.0f);
  rs[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
  rs[D3DRS_MULTISAMPLEANTIALIAS] = 1;
  rs[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  rs[D3DRS_PATCHSEGMENTS] = FloatBits(1.0f);
  rs[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
  rs[D3DRS_COLORWRITEENABLE] = 0xF;
  rs[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  rs[D3DRS_POSITIONORDER] = 3;
  rs[D3DRS_NORMALORDER] = 1;

  for (DWORD stage = 0; stage < kMaxTextureStages; ++stage) {
    auto& s = m_stageStates[stage];
    s.fill(0);
    s[D3DTSS_COLOROP] = stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    s[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    s[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    s[D3DTSS_ALPHAOP] = stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    s[D3DTSS_TEXCOORDINDEX] = stage;
    s[D3DTSS_ADDRESSU] = D3DTADDRESS_WRAP;
    s[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
    s[D3DTSS_ADDRESSW] = D3DTADDRESS_WRAP;
    s[D3DTSS_MAGFILTER] = D3DTEXF_POINT;
    s[D3DTSS_MINFILTER] = D3DTEXF_POINT;
    s[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
    s[D3DTSS_MAXANISOTROPY] = 1;
    s[D3DTSS_COLORARG0] = D3DTA_CURRENT;
    s[D3DTSS_ALPHAARG0] = D3DTA_CURRENT;
    s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
  }
  m_transforms.clear();
  m_viewport = D3DVIEWPORT8{0, 0, m_params.BackBufferWidth, m_params.BackBufferHeight, 0.0f, 1.0f};
  m_material = D3DMATERIAL8{};
  m_lights.clear();
  m_lightEnabled.clear();
  for (auto& t : m_textures)
    t.Reset();
  m_stream.Reset();
  m_streamStride = 0;
  m_indices.Reset();
  m_baseVertex = 0;
  m_vertexShader = 0;
  m_inScene = false;
}

HRESULT TDeviceBase::Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) {
  if (!pPresentationParameters) return D3DERR_INVALIDCALL;
  m_params = *pPresentationParameters;
  ResetState();
  return D3D_OK;
}

HRESULT TDeviceBase::GetDeviceCaps(D3DCAPS8* pCaps) {
  if (!pCaps) return D3DERR_INVALIDCALL;
  *pCaps = m_caps;
  return D3D_OK;
}

HRESULT TDeviceBase::GetDisplayMode(D3DDISPLAYMODE* pMode) {
  if (!pMode) return D3DERR_INVALIDCALL;
  *pMode = m_mode;
  return D3D_OK;
}

// ---- Resources ----------------------------------------------------------------------------------------

ComPtr<TMemoryTexture> TDeviceBase::NewTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                               D3DFORMAT format, D3DPOOL pool) {
  return MakeCom<TMemoryTexture>(width, height, levels, usage, format, pool);
}

ComPtr<TMemoryVertexBuffer> TDeviceBase::NewVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
  return MakeCom<TMemoryVertexBuffer>(length, usage, fvf, pool);
}

ComPtr<TMemoryIndexBuffer> TDeviceBase::NewIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                       D3DPOOL pool) {
  return MakeCom<TMemoryIndexBuffer>(length, usage, format, pool);
}

ComPtr<TMemorySurface> TDeviceBase::NewSurface(UINT width, UINT height, D3DFORMAT format) {
  return MakeCom<TMemorySurface>(width, height, format);
}

HRESULT TDeviceBase::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                   D3DPOOL Pool, ComPtr<IDirect3DTexture8>* ppTexture) {
  if (!ppTexture) return D3DERR_INVALIDCALL;
  ppTexture->Reset();
  if (Format == D3DFMT_P8 || (Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)))
    return D3DERR_INVALIDCALL;
  const HRESULT hr = TMemoryTexture::Validate(Width, Height, Levels, Format);
  if (FAILED(hr)) return hr;
  *ppTexture = NewTexture(Width, Height, Levels, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT TDeviceBase::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                        ComPtr<IDirect3DVertexBuffer8>* ppVertexBuffer) {
  if (!ppVertexBuffer) return D3DERR_INVALIDCALL;
  ppVertexBuffer->Reset();
  if (Length == 0) return D3DERR_INVALIDCALL;
  if (Length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *ppVertexBuffer = NewVertexBuffer(Length, Usage, FVF, Pool);
  return D3D_OK;
}

HRESULT TDeviceBase::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                       ComPtr<IDirect3DIndexBuffer8>* ppIndexBuffer) {
  if (!ppIndexBuffer) return D3DERR_INVALIDCALL;
  ppIndexBuffer->Reset();
  if (Length == 0 || (Format != D3DFMT_INDEX16 && Format != D3DFMT_INDEX32)) return D3DERR_INVALIDCALL;
  if (Length > kMaxBufferBytes) return D3DERR_OUTOFVIDEOMEMORY;
  *ppIndexBuffer = NewIndexBuffer(Length, Usage, Format, Pool);
  return D3D_OK;
}

HRESULT TDeviceBase::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                        ComPtr<IDirect3DSurface8>* ppSurface) {
  if (!ppSurface) return D3DERR_INVALIDCALL;
  ppSurface->Reset();
  if (Width == 0 || Height == 0 || Width > kMaxImageSurfaceSize || Height > kMaxImageSurfaceSize ||
      !IsSurfaceFormat(Format))
    return D3DERR_INVALIDCALL;
  *ppSurface = NewSurface(Width, Height, Format);
  return D3D_OK;
}

HRESULT TDeviceBase::CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                               IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) {
  if (!pSourceSurface || !pDestinationSurface || pSourceSurface == pDestinationSurface)
    return D3DERR_INVALIDCALL;
  D3DSURFACE_DESC src{}, dst{};
  if (FAILED(pSourceSurface->GetDesc(&src)) || FAILED(pDestinationSurface->GetDesc(&dst)))
    return D3DERR_INVALIDCALL;
  if (src.Format != dst.Format) return D3DERR_INVALIDCALL;
  const RECT whole{0, 0, static_cast<LONG>(src.Width), static_cast<LONG>(src.Height)};
  const UINT count = pSourceRectsArray ? cRects : 1;
  const bool blocks = IsBlockCompressed(src.Format);
  const UINT unit = blocks ? 4 : 1;
  const UINT unitBytes = FormatBlockBytes(src.Format);
  // Check every rectangle before touching anything.
  for (UINT i = 0; i < count; ++i) {
    const RECT r = pSourceRectsArray ? pSourceRectsArray[i] : whole;
    const POINT p = pDestPointsArray ? pDestPointsArray[i] : POINT{r.left, r.top};
    if (!RectInside(r, src.Width, src.Height)) return D3DERR_INVALIDCALL;
    if (p.x < 0 || p.y < 0 || static_cast<UINT>(p.x) + (r.right - r.left) > dst.Width ||
        static_cast<UINT>(p.y) + (r.bottom - r.top) > dst.Height)
      return D3DERR_INVALIDCALL;
    if (blocks && (r.left % 4 || r.top % 4 || p.x % 4 || p.y % 4)) return D3DERR_INVALIDCALL;
  }
  D3DLOCKED_RECT s{}, d{};
  if (FAILED(pSourceSurface->LockRect(&s, nullptr, D3DLOCK_READONLY))) return D3DERR_INVALIDCALL;
  if (FAILED(pDestinationSurface->LockRect(&d, nullptr, 0))) {
    pSourceSurface->UnlockRect();
    return D3DERR_INVALIDCALL;
  }
  for (UINT i = 0; i < count; ++i) {
    const RECT r = pSourceRectsArray ? pSourceRectsArray[i] : whole;
    const POINT p = pDestPointsArray ? pDestPointsArray[i] : POINT{r.left, r.top};
    const UINT cols = (static_cast<UINT>(r.right - r.left) + unit - 1) / unit;
    const UINT rows = (static_cast<UINT>(r.bottom - r.top) + unit - 1) / unit;
    for (UINT row = 0; row < rows; ++row) {
      const BYTE* from = static_cast<const BYTE*>(s.pBits) +
                         (r.top / unit + row) * static_cast<size_t>(s.Pitch) + (r.left / unit) * unitBytes;
      BYTE* to = static_cast<BYTE*>(d.pBits) + (p.y / unit + row) * static_cast<size_t>(d.Pitch) +
                 (p.x / unit) * unitBytes;
      std::memcpy(to, from, static_cast<size_t>(cols) * unitBytes);
    }
  }
  pDestinationSurface->UnlockRect();
  pSourceSurface->UnlockRect();
  return D3D_OK;
}

// ---- Frame and state ----------------------------------------------------------------------------------

HRESULT TDeviceBase::SetViewport(const D3DVIEWPORT8* pViewport) {
  if (!pViewport) return D3DERR_INVALIDCALL;
  // The viewport has to lie inside the back buffer.
  const std::uint64_t right = static_cast<std::uint64_t>(pViewport->X) + pViewport->Width;
  const std::uint64_t bottom = static_cast<std::uint64_t>(pViewport->Y) + pViewport->Height;
  if (pViewport->Width == 0 || pViewport->Height == 0 || right > m_params.BackBufferWidth ||
      bottom > m_params.BackBufferHeight || !(pViewport->MinZ >= 0.0f && pViewport->MinZ <= 1.0f) ||
      !(pViewport->MaxZ >= 0.0f && pViewport->MaxZ <= 1.0f))
    return D3DERR_INVALIDCALL;
  m_viewport = *pViewport;
  return D3D_OK;
}

HRESULT TDeviceBase::GetViewport(D3DVIEWPORT8* pViewport) {
  if (!pViewport) return D3DERR_INVALIDCALL;
  *pViewport = m_viewport;
  return D3D_OK;
}

HRESULT TDeviceBase::BeginScene() {
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT TDeviceBase::EndScene() {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

const D3DMATRIX& TDeviceBase::Transform(D3DTRANSFORMSTATETYPE state) const {
  static const D3DMATRIX identity = IdentityMatrix();
  const auto it = m_transforms.find(state);
  return it == m_transforms.end() ? identity : it->second;
}

HRESULT TDeviceBase::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (!pMatrix || !IsValidTransform(State)) return D3DERR_INVALIDCALL;
  m_transforms[State] = *pMatrix;
  return D3D_OK;
}

HRESULT TDeviceBase::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (!pMatrix || !IsValidTransform(State)) return D3DERR_INVALIDCALL;
  *pMatrix = Transform(State);
  return D3D_OK;
}

HRESULT TDeviceBase::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (!IsKnownRenderState(State)) return D3DERR_INVALIDCALL;
  m_renderStates[State] = Value;
  return D3D_OK;
}

HRESULT TDeviceBase::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (!pValue || !IsKnownRenderState(State)) return D3DERR_INVALIDCALL;
  *pValue = m_renderStates[State];
  return D3D_OK;
}

HRESULT TDeviceBase::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (Stage >= kMaxTextureStages || Type >= kTextureStageStateCount || !kStageStateNames[Type])
    return D3DERR_INVALIDCALL;
  m_stageStates[Stage][Type] = Value;
  return D3D_OK;
}

HRESULT TDeviceBase::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
  if (!pValue || Stage >= kMaxTextureStages || Type >= kTextureStageStateCount || !kStageStateNames[Type])
    return D3DERR_INVALIDCALL;
  *pValue = m_stageStates[Stage][Type];
  return D3D_OK;
}

HRESULT TDeviceBase::SetLight(DWORD Index, const D3DLIGHT8* pLight) {
  if (!pLight || pLight->Type < D3DLIGHT_POINT || pLight->Type > D3DLIGHT_DIRECTIONAL ||
      !(pLight->Range >= 0.0f))
    return D3DERR_INVALIDCALL;
  m_lights[Index] = *pLight;
  return D3D_OK;
}

HRESULT TDeviceBase::GetLight(DWORD Index, D3DLIGHT8* pLight) {
  const auto it = m_lights.find(Index);
  if (!pLight || it == m_lights.end()) return D3DERR_INVALIDCALL;
  *pLight = it->second;
  return D3D_OK;
}

HRESULT TDeviceBase::LightEnable(DWORD Index, bool Enable) {
  // Enabling a light never set gives it Direct3D's default: white, directional, looking along +z.
  if (m_lights.find(Index) == m_lights.end()) {
    D3DLIGHT8 light;
    light.Type = D3DLIGHT_DIRECTIONAL;
    light.Diffuse = {1, 1, 1, 0};
    light.Direction = {0, 0, 1};
    m_lights[Index] = light;
  }
  m_lightEnabled[Index] = Enable;
  return D3D_OK;
}

HRESULT TDeviceBase::GetLightEnable(DWORD Index, bool* pEnable) {
  if (!pEnable || m_lights.find(Index) == m_lights.end()) return D3DERR_INVALIDCALL;
  *pEnable = IsLightEnabled(Index);
  return D3D_OK;
}

bool TDeviceBase::IsLightEnabled(DWORD index) const {
  const auto it = m_lightEnabled.find(index);
  return it != m_lightEnabled.end() && it->second;
}

HRESULT TDeviceBase::SetMaterial(const D3DMATERIAL8* pMaterial) {
  if (!pMaterial) return D3DERR_INVALIDCALL;
  m_material = *pMaterial;
  return D3D_OK;
}

HRESULT TDeviceBase::GetMaterial(D3DMATERIAL8* pMaterial) {
  if (!pMaterial) return D3DERR_INVALIDCALL;
  *pMaterial = m_material;
  return D3D_OK;
}

HRESULT TDeviceBase::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
  if (Stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
  m_textures[Stage] = ComPtr<IDirect3DBaseTexture8>(pTexture);
  return D3D_OK;
}

HRESULT TDeviceBase::GetTexture(DWORD Stage, ComPtr<IDirect3DBaseTexture8>* ppTexture) {
  if (!ppTexture || Stage >= kMaxTextureStages) return D3DERR_INVALIDCALL;
  *ppTexture = m_textures[Stage];
  return D3D_OK;
}

// ---- Palettes -----------------------------------------------------------------------------------------

HRESULT TDeviceBase::SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) {
  if (!pEntries || PaletteNumber > 0xFFFF) return D3DERR_INVALIDCALL;
  std::copy(pEntries, pEntries + 256, m_palettes[PaletteNumber].begin());
  return D3D_OK;
}

HRESULT TDeviceBase::GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) {
  const auto it = m_palettes.find(PaletteNumber);
  if (!pEntries || it == m_palettes.end()) return D3DERR_INVALIDCALL;
  std::copy(it->second.begin(), it->second.end(), pEntries);
  return D3D_OK;
}

HRESULT TDeviceBase::SetCurrentTexturePalette(UINT PaletteNumber) {
  if (m_palettes.find(PaletteNumber) == m_palettes.end()) return D3DERR_INVALIDCALL;
  m_currentPalette = PaletteNumber;
  return D3D_OK;
}

HRESULT TDeviceBase::GetCurrentTexturePalette(UINT* pPaletteNumber) {
  if (!pPaletteNumber) return D3DERR_INVALIDCALL;
  *pPaletteNumber = m_currentPalette;
  return D3D_OK;
}

// ---- Geometry -----------------------------------------------------------------------------------------

HRESULT TDeviceBase::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) {
  if (StreamNumber >= 16) return D3DERR_INVALIDCALL;
  // Only stream 0 feeds the fixed-function pipeline.
  if (StreamNumber == 0) {
    m_stream = ComPtr<IDirect3DVertexBuffer8>(pStreamData);
    m_streamStride = Stride;
  }
  return D3D_OK;
}

HRESULT TDeviceBase::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
  m_indices = ComPtr<IDirect3DIndexBuffer8>(pIndexData);
  m_baseVertex = BaseVertexIndex;
  return D3D_OK;
}

HRESULT TDeviceBase::SetVertexShader(DWORD Handle) {
  m_vertexShader = Handle;
  return D3D_OK;
}

HRESULT TDeviceBase::GetVertexShader(DWORD* pHandle) {
  if (!pHandle) return D3DERR_INVALIDCALL;
  *pHandle = m_vertexShader;
  return D3D_OK;
}

// Programmable shaders are never created here, so there is nothing to delete.
HRESULT TDeviceBase::DeleteVertexShader(DWORD /*Handle*/) {
  return D3DERR_INVALIDCALL;
}
HRESULT TDeviceBase::DeletePixelShader(DWORD /*Handle*/) {
  return D3DERR_INVALIDCALL;
}

HRESULT TDeviceBase::CheckDraw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount,
                               UINT* vertexCount) const {
  const UINT count = PrimitiveIndexCount(type, primitiveCount);
  if (primitiveCount == 0 || count == 0 || !m_stream || m_streamStride == 0) return D3DERR_INVALIDCALL;
  const DWORD fvf = m_vertexShader;
  if ((fvf & D3DFVF_POSITION_MASK) == 0 || FvfVertexSize(fvf) > m_streamStride) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC vb{};
  m_stream->GetDesc(&vb);
  const std::uint64_t vertices = vb.Size / m_streamStride;
  if (static_cast<std::uint64_t>(startVertex) + count > vertices) return D3DERR_INVALIDCALL;
  if (vertexCount) *vertexCount = count;
  return D3D_OK;
}

HRESULT TDeviceBase::CheckIndexedDraw(D3DPRIMITIVETYPE type, UINT startIndex, UINT primitiveCount,
                                      UINT* indexCount) const {
  const UINT count = PrimitiveIndexCount(type, primitiveCount);
  if (primitiveCount == 0 || count == 0 || !m_stream || m_streamStride == 0 || !m_indices)
    return D3DERR_INVALIDCALL;
  const DWORD fvf = m_vertexShader;
  if ((fvf & D3DFVF_POSITION_MASK) == 0 || FvfVertexSize(fvf) > m_streamStride) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC vb{};
  D3DINDEXBUFFER_DESC ib{};
  m_stream->GetDesc(&vb);
  m_indices->GetDesc(&ib);
  const UINT indexBytes = ib.Format == D3DFMT_INDEX32 ? 4 : 2;
  if ((static_cast<std::uint64_t>(startIndex) + count) * indexBytes > ib.Size) return D3DERR_INVALIDCALL;
  const std::uint64_t vertices = vb.Size / m_streamStride;
  // Every index the draw reads must name a vertex inside the stream.
  if (const auto* memory = dynamic_cast<const TMemoryBuffer*>(m_indices.Get())) {
    const BYTE* p = memory->Bytes().data() + static_cast<size_t>(startIndex) * indexBytes;
    std::uint64_t highest = 0;
    for (UINT i = 0; i < count; ++i) {
      std::uint32_t index;
      if (indexBytes == 2) {
        std::uint16_t v;
        std::memcpy(&v, p + 2 * static_cast<size_t>(i), 2);
        index = v;
      } else {
        std::memcpy(&index, p + 4 * static_cast<size_t>(i), 4);
      }
      highest = std::max<std::uint64_t>(highest, index);
    }
    if (highest + m_baseVertex >= vertices) return D3DERR_INVALIDCALL;
  }
  if (indexCount) *indexCount = count;
  return D3D_OK;
}

}  // namespace dravo
