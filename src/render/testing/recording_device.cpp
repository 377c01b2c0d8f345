#include "render/testing/recording_device.h"

#include <cstdio>
#include <sstream>

namespace dravo {

namespace {

// The name every recording resource carries.
class TNamed {
 public:
  explicit TNamed(std::string name) : m_name(std::move(name)) {}
  virtual ~TNamed() = default;
  const std::string& Name() const { return m_name; }

 private:
  std::string m_name;
};

std::string Num(std::int64_t v) {
  return std::to_string(v);
}

std::string Hex(DWORD v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

std::string Float(float f) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", static_cast<double>(f));
  return buf;
}

std::string Rect(const RECT* r) {
  if (!r) return "null";
  return "[" + Num(r->left) + " " + Num(r->top) + " " + Num(r->right) + " " + Num(r->bottom) + "]";
}

std::string Colour(const D3DCOLORVALUE& c) {
  return "(" + Float(c.r) + "," + Float(c.g) + "," + Float(c.b) + "," + Float(c.a) + ")";
}

std::string Vec(const D3DVECTOR& v) {
  return "(" + Float(v.x) + "," + Float(v.y) + "," + Float(v.z) + ")";
}

std::string MatrixText(const D3DMATRIX* m) {
  if (!m) return "null";
  std::string s = "[";
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      s += Float(m->m[r][c]);
      if (c < 3) s += " ";
    }
    if (r < 3) s += " | ";
  }
  return s + "]";
}

template <class... Args>
std::string Call(const std::string& name, const Args&... args) {
  std::string s = name + "(";
  bool first = true;
  ((s += (first ? "" : ", ") + std::string(args), first = false), ...);
  return s + ")";
}

class TRecordingLevelSurface : public TLevelSurface, public TNamed {
 public:
  TRecordingLevelSurface(IDirect3DTexture8* texture, UINT level, std::string name)
      : TLevelSurface(texture, level), TNamed(std::move(name)) {}
};

class TRecordingTexture : public TMemoryTexture, public TNamed {
 public:
  TRecordingTexture(std::shared_ptr<TCallLog> log, UINT width, UINT height, UINT levels, DWORD usage,
                    D3DFORMAT format, D3DPOOL pool)
      : TMemoryTexture(width, height, levels, usage, format, pool),
        TNamed(log->NewName("tex")),
        m_log(std::move(log)) {}
  ~TRecordingTexture() override { m_log->Note(Name() + ".Destroyed()"); }

  HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".GetLevelDesc", Num(Level)))) return hr;
    return TMemoryTexture::GetLevelDesc(Level, pDesc);
  }
  HRESULT GetSurfaceLevel(UINT Level, ComPtr<IDirect3DSurface8>* ppSurfaceLevel) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".GetSurfaceLevel", Num(Level)))) return hr;
    return TMemoryTexture::GetSurfaceLevel(Level, ppSurfaceLevel);
  }
  HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".LockRect", Num(Level), Rect(pRect), Num(Flags))))
      return hr;
    return TMemoryTexture::LockRect(Level, pLockedRect, pRect, Flags);
  }
  HRESULT UnlockRect(UINT Level) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".UnlockRect", Num(Level)))) return hr;
    return TMemoryTexture::UnlockRect(Level);
  }

 protected:
  ComPtr<IDirect3DSurface8> NewLevelSurface(UINT level) override {
    return MakeCom<TRecordingLevelSurface>(this, level, Name() + ".L" + Num(level));
  }

 private:
  std::shared_ptr<TCallLog> m_log;
};

class TRecordingSurface : public TMemorySurface, public TNamed {
 public:
  TRecordingSurface(std::shared_ptr<TCallLog> log, UINT width, UINT height, D3DFORMAT format)
      : TMemorySurface(width, height, format), TNamed(log->NewName("surf")), m_log(std::move(log)) {}
  ~TRecordingSurface() override { m_log->Note(Name() + ".Destroyed()"); }

  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".LockRect", Rect(pRect), Num(Flags)))) return hr;
    return TMemorySurface::LockRect(pLockedRect, pRect, Flags);
  }
  HRESULT UnlockRect() override {
    if (HRESULT hr = m_log->Record(Name() + ".UnlockRect()")) return hr;
    return TMemorySurface::UnlockRect();
  }

 private:
  std::shared_ptr<TCallLog> m_log;
};

class TRecordingVertexBuffer : public TMemoryVertexBuffer, public TNamed {
 public:
  TRecordingVertexBuffer(std::shared_ptr<TCallLog> log, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
      : TMemoryVertexBuffer(length, usage, fvf, pool), TNamed(log->NewName("vb")), m_log(std::move(log)) {}
  ~TRecordingVertexBuffer() override { m_log->Note(Name() + ".Destroyed()"); }

  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".Lock", Num(OffsetToLock), Num(SizeToLock), Num(Flags))))
      return hr;
    return TMemoryVertexBuffer::Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override {
    if (HRESULT hr = m_log->Record(Name() + ".Unlock()")) return hr;
    return TMemoryVertexBuffer::Unlock();
  }

 private:
  std::shared_ptr<TCallLog> m_log;
};

class TRecordingIndexBuffer : public TMemoryIndexBuffer, public TNamed {
 public:
  TRecordingIndexBuffer(std::shared_ptr<TCallLog> log, UINT length, DWORD usage, D3DFORMAT format,
                        D3DPOOL pool)
      : TMemoryIndexBuffer(length, usage, format, pool), TNamed(log->NewName("ib")), m_log(std::move(log)) {}
  ~TRecordingIndexBuffer() override { m_log->Note(Name() + ".Destroyed()"); }

  HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) override {
    if (HRESULT hr = m_log->Record(Name() + Call(".Lock", Num(OffsetToLock), Num(SizeToLock), Num(Flags))))
      return hr;
    return TMemoryIndexBuffer::Lock(OffsetToLock, SizeToLock, ppbData, Flags);
  }
  HRESULT Unlock() override {
    if (HRESULT hr = m_log->Record(Name() + ".Unlock()")) return hr;
    return TMemoryIndexBuffer::Unlock();
  }

 private:
  std::shared_ptr<TCallLog> m_log;
};

template <class T>
std::string NameOf(const T* resource) {
  if (!resource) return "null";
  if (const auto* named = dynamic_cast<const TNamed*>(resource)) return named->Name();
  return "?";
}

D3DCAPS8 DefaultCaps(D3DDEVTYPE type) {
  D3DCAPS8 caps;
  caps.DeviceType = type;
  caps.Caps2 = D3DCAPS2_CANRENDERWINDOWED;
  caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;
  caps.MaxTextureWidth = kMaxTextureSize;
  caps.MaxTextureHeight = kMaxTextureSize;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 2;
  caps.MaxActiveLights = 8;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFF;
  caps.MaxStreams = 1;
  caps.MaxStreamStride = 255;
  return caps;
}

}  // namespace

std::string ResourceName(const TRefCounted* resource) {
  return NameOf(resource);
}

// ---- TCallLog -----------------------------------------------------------------------------------------

void TCallLog::Fail(const std::string& prefix, HRESULT code, int times, int skip) {
  m_failures.push_back({prefix, code, times, skip});
}

HRESULT TCallLog::Record(const std::string& line) {
  m_lines.push_back(line);
  for (Failure& f : m_failures) {
    if (line.compare(0, f.prefix.size(), f.prefix) != 0) continue;
    if (f.skip > 0) {
      --f.skip;
      continue;
    }
    if (f.times == 0) continue;
    if (f.times > 0) --f.times;
    return f.code;
  }
  return D3D_OK;
}

std::string TCallLog::Text() const {
  std::string s;
  for (const std::string& line : m_lines) {
    if (!s.empty()) s += "\n";
    s += line;
  }
  return s;
}

std::vector<std::string> TCallLog::Matching(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& line : m_lines)
    if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
  return out;
}

std::string TCallLog::NewName(const std::string& kind) {
  return kind + Num(++m_counters[kind]);
}

// ---- TRecordingDevice ---------------------------------------------------------------------------------

TRecordingDevice::TRecordingDevice(std::shared_ptr<TCallLog> log, const D3DPRESENT_PARAMETERS& params,
                                   const D3DCAPS8& caps, const D3DDISPLAYMODE& mode)
    : TDeviceBase(params, caps, mode), m_log(std::move(log)) {}

TRecordingDevice::~TRecordingDevice() {
  m_log->Note("Device.Destroyed()");
}

HRESULT TRecordingDevice::TestCooperativeLevel() {
  if (HRESULT hr = m_log->Record("TestCooperativeLevel()")) return hr;
  if (!cooperativeAnswers.empty()) {
    const HRESULT answer = cooperativeAnswers.front();
    cooperativeAnswers.erase(cooperativeAnswers.begin());
    return answer;
  }
  return D3D_OK;
}

HRESULT TRecordingDevice::Reset(D3DPRESENT_PARAMETERS* p) {
  if (HRESULT hr = m_log->Record(
          p ? Call("Reset", Num(p->BackBufferWidth), Num(p->BackBufferHeight), Num(p->BackBufferFormat))
            : Call("Reset", std::string("null"))))
    return hr;
  m_backBuffer.Reset();
  return TDeviceBase::Reset(p);
}

HRESULT TRecordingDevice::GetDeviceCaps(D3DCAPS8* pCaps) {
  if (HRESULT hr = m_log->Record("GetDeviceCaps()")) return hr;
  return TDeviceBase::GetDeviceCaps(pCaps);
}

HRESULT TRecordingDevice::GetDisplayMode(D3DDISPLAYMODE* pMode) {
  if (HRESULT hr = m_log->Record("GetDisplayMode()")) return hr;
  return TDeviceBase::GetDisplayMode(pMode);
}

HRESULT TRecordingDevice::Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                                  const void* pDirtyRegion) {
  return m_log->Record(Call("Present", Rect(pSourceRect), Rect(pDestRect),
                            hDestWindowOverride ? "hwnd" : "null", pDirtyRegion ? "region" : "null"));
}

HRESULT TRecordingDevice::GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                        ComPtr<IDirect3DSurface8>* ppBackBuffer) {
  if (HRESULT hr = m_log->Record(Call("GetBackBuffer", Num(BackBuffer), Num(Type)))) return hr;
  if (!ppBackBuffer || BackBuffer != 0) return D3DERR_INVALIDCALL;
  if (!m_backBuffer) {
    const D3DFORMAT format =
        m_params.BackBufferFormat == D3DFMT_UNKNOWN ? D3DFMT_X8R8G8B8 : m_params.BackBufferFormat;
    m_backBuffer = NewSurface(std::max<UINT>(1, m_params.BackBufferWidth),
                              std::max<UINT>(1, m_params.BackBufferHeight), format);
  }
  *ppBackBuffer = m_backBuffer;
  return D3D_OK;
}

HRESULT TRecordingDevice::CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                        D3DPOOL Pool, ComPtr<IDirect3DTexture8>* ppTexture) {
  if (HRESULT hr = m_log->Record(
          Call("CreateTexture", Num(Width), Num(Height), Num(Levels), Num(Usage), Num(Format), Num(Pool)))) {
    if (ppTexture) ppTexture->Reset();
    return hr;
  }
  return TDeviceBase::CreateTexture(Width, Height, Levels, Usage, Format, Pool, ppTexture);
}

HRESULT TRecordingDevice::CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                             ComPtr<IDirect3DVertexBuffer8>* ppVertexBuffer) {
  if (HRESULT hr = m_log->Record(Call("CreateVertexBuffer", Num(Length), Num(Usage), Num(FVF), Num(Pool)))) {
    if (ppVertexBuffer) ppVertexBuffer->Reset();
    return hr;
  }
  return TDeviceBase::CreateVertexBuffer(Length, Usage, FVF, Pool, ppVertexBuffer);
}

HRESULT TRecordingDevice::CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                            ComPtr<IDirect3DIndexBuffer8>* ppIndexBuffer) {
  if (HRESULT hr =
          m_log->Record(Call("CreateIndexBuffer", Num(Length), Num(Usage), Num(Format), Num(Pool)))) {
    if (ppIndexBuffer) ppIndexBuffer->Reset();
    return hr;
  }
  return TDeviceBase::CreateIndexBuffer(Length, Usage, Format, Pool, ppIndexBuffer);
}

HRESULT TRecordingDevice::CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                             ComPtr<IDirect3DSurface8>* ppSurface) {
  if (HRESULT hr = m_log->Record(Call("CreateImageSurface", Num(Width), Num(Height), Num(Format)))) {
    if (ppSurface) ppSurface->Reset();
    return hr;
  }
  return TDeviceBase::CreateImageSurface(Width, Height, Format, ppSurface);
}

HRESULT TRecordingDevice::CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray,
                                    UINT cRects, IDirect3DSurface8* pDestinationSurface,
                                    const POINT* pDestPointsArray) {
  if (HRESULT hr =
          m_log->Record(Call("CopyRects", NameOf(pSourceSurface), Num(cRects), NameOf(pDestinationSurface))))
    return hr;
  return TDeviceBase::CopyRects(pSourceSurface, pSourceRectsArray, cRects, pDestinationSurface,
                                pDestPointsArray);
}

HRESULT TRecordingDevice::Clear(DWORD Count, const RECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                                DWORD Stencil) {
  if (HRESULT hr = m_log->Record(
          Call("Clear", Num(Count), Rect(pRects), Num(Flags), Hex(Color), Float(Z), Num(Stencil))))
    return hr;
  // As Direct3D: no depth buffer, no depth clear.
  if ((Flags & D3DCLEAR_ZBUFFER) && !m_params.EnableAutoDepthStencil) return D3DERR_INVALIDCALL;
  return D3D_OK;
}

HRESULT TRecordingDevice::SetViewport(const D3DVIEWPORT8* v) {
  if (HRESULT hr = m_log->Record(v ? Call("SetViewport", Num(v->X), Num(v->Y), Num(v->Width), Num(v->Height),
                                          Float(v->MinZ), Float(v->MaxZ))
                                   : Call("SetViewport", std::string("null"))))
    return hr;
  return TDeviceBase::SetViewport(v);
}

HRESULT TRecordingDevice::GetViewport(D3DVIEWPORT8* pViewport) {
  if (HRESULT hr = m_log->Record("GetViewport()")) return hr;
  return TDeviceBase::GetViewport(pViewport);
}

HRESULT TRecordingDevice::BeginScene() {
  if (HRESULT hr = m_log->Record("BeginScene()")) return hr;
  return TDeviceBase::BeginScene();
}

HRESULT TRecordingDevice::EndScene() {
  if (HRESULT hr = m_log->Record("EndScene()")) return hr;
  return TDeviceBase::EndScene();
}

HRESULT TRecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) {
  if (HRESULT hr = m_log->Record(Call("SetTransform", TransformStateName(State), MatrixText(pMatrix))))
    return hr;
  return TDeviceBase::SetTransform(State, pMatrix);
}

HRESULT TRecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) {
  if (HRESULT hr = m_log->Record(Call("GetTransform", TransformStateName(State)))) return hr;
  return TDeviceBase::GetTransform(State, pMatrix);
}

HRESULT TRecordingDevice::SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) {
  if (HRESULT hr = m_log->Record(Call("SetRenderState", RenderStateName(State), Num(Value)))) return hr;
  return TDeviceBase::SetRenderState(State, Value);
}

HRESULT TRecordingDevice::GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) {
  if (HRESULT hr = m_log->Record(Call("GetRenderState", RenderStateName(State)))) return hr;
  return TDeviceBase::GetRenderState(State, pValue);
}

HRESULT TRecordingDevice::SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) {
  if (HRESULT hr =
          m_log->Record(Call("SetTextureStageState", Num(Stage), TextureStageStateName(Type), Num(Value))))
    return hr;
  return TDeviceBase::SetTextureStageState(Stage, Type, Value);
}

HRESULT TRecordingDevice::GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) {
  if (HRESULT hr = m_log->Record(Call("GetTextureStageState", Num(Stage), TextureStageStateName(Type))))
    return hr;
  return TDeviceBase::GetTextureStageState(Stage, Type, pValue);
}

HRESULT TRecordingDevice::SetLight(DWORD Index, const D3DLIGHT8* l) {
  std::string line;
  if (l) {
    line = Call("SetLight", Num(Index),
                "type=" + Num(l->Type) + " diffuse=" + Colour(l->Diffuse) +
                    " specular=" + Colour(l->Specular) + " ambient=" + Colour(l->Ambient) +
                    " position=" + Vec(l->Position) + " direction=" + Vec(l->Direction) +
                    " range=" + Float(l->Range) + " falloff=" + Float(l->Falloff) + " attenuation=(" +
                    Float(l->Attenuation0) + "," + Float(l->Attenuation1) + "," + Float(l->Attenuation2) +
                    ") theta=" + Float(l->Theta) + " phi=" + Float(l->Phi));
  } else {
    line = Call("SetLight", Num(Index), std::string("null"));
  }
  if (HRESULT hr = m_log->Record(line)) return hr;
  return TDeviceBase::SetLight(Index, l);
}

HRESULT TRecordingDevice::GetLight(DWORD Index, D3DLIGHT8* pLight) {
  if (HRESULT hr = m_log->Record(Call("GetLight", Num(Index)))) return hr;
  return TDeviceBase::GetLight(Index, pLight);
}

HRESULT TRecordingDevice::LightEnable(DWORD Index, bool Enable) {
  if (HRESULT hr = m_log->Record(Call("LightEnable", Num(Index), Num(Enable ? 1 : 0)))) return hr;
  return TDeviceBase::LightEnable(Index, Enable);
}

HRESULT TRecordingDevice::GetLightEnable(DWORD Index, bool* pEnable) {
  if (HRESULT hr = m_log->Record(Call("GetLightEnable", Num(Index)))) return hr;
  return TDeviceBase::GetLightEnable(Index, pEnable);
}

HRESULT TRecordingDevice::SetMaterial(const D3DMATERIAL8* m) {
  if (HRESULT hr = m_log->Record(
          m ? Call("SetMaterial", "diffuse=" + Colour(m->Diffuse) + " ambient=" + Colour(m->Ambient) +
                                      " specular=" + Colour(m->Specular) +
                                      " emissive=" + Colour(m->Emissive) + " power=" + Float(m->Power))
            : Call("SetMaterial", std::string("null"))))
    return hr;
  return TDeviceBase::SetMaterial(m);
}

HRESULT TRecordingDevice::GetMaterial(D3DMATERIAL8* pMaterial) {
  if (HRESULT hr = m_log->Record("GetMaterial()")) return hr;
  return TDeviceBase::GetMaterial(pMaterial);
}

HRESULT TRecordingDevice::SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) {
  if (HRESULT hr = m_log->Record(Call("SetTexture", Num(Stage), NameOf(pTexture)))) return hr;
  return TDeviceBase::SetTexture(Stage, pTexture);
}

HRESULT TRecordingDevice::GetTexture(DWORD Stage, ComPtr<IDirect3DBaseTexture8>* ppTexture) {
  if (HRESULT hr = m_log->Record(Call("GetTexture", Num(Stage)))) return hr;
  return TDeviceBase::GetTexture(Stage, ppTexture);
}

HRESULT TRecordingDevice::SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) {
  if (HRESULT hr = m_log->Record(Call("SetPaletteEntries", Num(PaletteNumber)))) return hr;
  return TDeviceBase::SetPaletteEntries(PaletteNumber, pEntries);
}

HRESULT TRecordingDevice::GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) {
  if (HRESULT hr = m_log->Record(Call("GetPaletteEntries", Num(PaletteNumber)))) return hr;
  return TDeviceBase::GetPaletteEntries(PaletteNumber, pEntries);
}

HRESULT TRecordingDevice::SetCurrentTexturePalette(UINT PaletteNumber) {
  if (HRESULT hr = m_log->Record(Call("SetCurrentTexturePalette", Num(PaletteNumber)))) return hr;
  return TDeviceBase::SetCurrentTexturePalette(PaletteNumber);
}

HRESULT TRecordingDevice::GetCurrentTexturePalette(UINT* pPaletteNumber) {
  if (HRESULT hr = m_log->Record("GetCurrentTexturePalette()")) return hr;
  return TDeviceBase::GetCurrentTexturePalette(pPaletteNumber);
}

HRESULT TRecordingDevice::SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData,
                                          UINT Stride) {
  if (HRESULT hr =
          m_log->Record(Call("SetStreamSource", Num(StreamNumber), NameOf(pStreamData), Num(Stride))))
    return hr;
  return TDeviceBase::SetStreamSource(StreamNumber, pStreamData, Stride);
}

HRESULT TRecordingDevice::SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) {
  if (HRESULT hr = m_log->Record(Call("SetIndices", NameOf(pIndexData), Num(BaseVertexIndex)))) return hr;
  return TDeviceBase::SetIndices(pIndexData, BaseVertexIndex);
}

HRESULT TRecordingDevice::SetVertexShader(DWORD Handle) {
  if (HRESULT hr = m_log->Record(Call("SetVertexShader", Num(Handle)))) return hr;
  return TDeviceBase::SetVertexShader(Handle);
}

HRESULT TRecordingDevice::GetVertexShader(DWORD* pHandle) {
  if (HRESULT hr = m_log->Record("GetVertexShader()")) return hr;
  return TDeviceBase::GetVertexShader(pHandle);
}

HRESULT TRecordingDevice::DeleteVertexShader(DWORD Handle) {
  if (HRESULT hr = m_log->Record(Call("DeleteVertexShader", Num(Handle)))) return hr;
  return TDeviceBase::DeleteVertexShader(Handle);
}

HRESULT TRecordingDevice::DeletePixelShader(DWORD Handle) {
  if (HRESULT hr = m_log->Record(Call("DeletePixelShader", Num(Handle)))) return hr;
  return TDeviceBase::DeletePixelShader(Handle);
}

HRESULT TRecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex,
                                        UINT PrimitiveCount) {
  if (HRESULT hr =
          m_log->Record(Call("DrawPrimitive", Num(PrimitiveType), Num(StartVertex), Num(PrimitiveCount))))
    return hr;
  return CheckDraw(PrimitiveType, StartVertex, PrimitiveCount, nullptr);
}

HRESULT TRecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex,
                                               UINT NumVertices, UINT StartIndex, UINT PrimitiveCount) {
  if (HRESULT hr = m_log->Record(Call("DrawIndexedPrimitive", Num(PrimitiveType), Num(MinIndex),
                                      Num(NumVertices), Num(StartIndex), Num(PrimitiveCount))))
    return hr;
  return CheckIndexedDraw(PrimitiveType, StartIndex, PrimitiveCount, nullptr);
}

HRESULT TRecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                          const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) {
  if (HRESULT hr = m_log->Record(
          Call("DrawPrimitiveUP", Num(PrimitiveType), Num(PrimitiveCount), Num(VertexStreamZeroStride))))
    return hr;
  if (!pVertexStreamZeroData || PrimitiveIndexCount(PrimitiveType, PrimitiveCount) == 0)
    return D3DERR_INVALIDCALL;
  // Direct3D unbinds stream 0 after a draw from user memory.
  TDeviceBase::SetStreamSource(0, nullptr, 0);
  return D3D_OK;
}

ComPtr<TMemoryTexture> TRecordingDevice::NewTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                                    D3DFORMAT format, D3DPOOL pool) {
  return MakeCom<TRecordingTexture>(m_log, width, height, levels, usage, format, pool);
}

ComPtr<TMemoryVertexBuffer> TRecordingDevice::NewVertexBuffer(UINT length, DWORD usage, DWORD fvf,
                                                              D3DPOOL pool) {
  return MakeCom<TRecordingVertexBuffer>(m_log, length, usage, fvf, pool);
}

ComPtr<TMemoryIndexBuffer> TRecordingDevice::NewIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                                            D3DPOOL pool) {
  return MakeCom<TRecordingIndexBuffer>(m_log, length, usage, format, pool);
}

ComPtr<TMemorySurface> TRecordingDevice::NewSurface(UINT width, UINT height, D3DFORMAT format) {
  return MakeCom<TRecordingSurface>(m_log, width, height, format);
}

// ---- TRecordingDirect3D -------------------------------------------------------------------------------

TRecordingDirect3D::TRecordingDirect3D(std::shared_ptr<TCallLog> log)
    : halCaps(DefaultCaps(D3DDEVTYPE_HAL)), refCaps(DefaultCaps(D3DDEVTYPE_REF)), m_log(std::move(log)) {
  for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}})
    modes.push_back(D3DDISPLAYMODE{w, h, 60, D3DFMT_X8R8G8B8});
}

TRecordingDirect3D::~TRecordingDirect3D() {
  m_log->Note("Direct3D.Destroyed()");
}

UINT TRecordingDirect3D::GetAdapterCount() {
  m_log->Record("GetAdapterCount()");
  return 1;
}

HRESULT TRecordingDirect3D::GetAdapterIdentifier(UINT Adapter, DWORD Flags,
                                                 D3DADAPTER_IDENTIFIER8* pIdentifier) {
  if (HRESULT hr = m_log->Record(Call("GetAdapterIdentifier", Num(Adapter), Num(Flags)))) return hr;
  if (!pIdentifier || Adapter != 0) return D3DERR_INVALIDCALL;
  pIdentifier->Driver = "recording";
  pIdentifier->Description = "Recording device";
  return D3D_OK;
}

UINT TRecordingDirect3D::GetAdapterModeCount(UINT Adapter) {
  m_log->Record(Call("GetAdapterModeCount", Num(Adapter)));
  return Adapter == 0 ? static_cast<UINT>(modes.size()) : 0;
}

HRESULT TRecordingDirect3D::EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) {
  if (HRESULT hr = m_log->Record(Call("EnumAdapterModes", Num(Adapter), Num(Mode)))) return hr;
  if (!pMode || Adapter != 0 || Mode >= modes.size()) return D3DERR_INVALIDCALL;
  *pMode = modes[Mode];
  return D3D_OK;
}

HRESULT TRecordingDirect3D::GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) {
  if (HRESULT hr = m_log->Record(Call("GetAdapterDisplayMode", Num(Adapter)))) return hr;
  if (!pMode || Adapter != 0) return D3DERR_INVALIDCALL;
  *pMode = displayMode;
  return D3D_OK;
}

HRESULT TRecordingDirect3D::CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                            D3DFORMAT BackBufferFormat, bool Windowed) {
  return m_log->Record(Call("CheckDeviceType", Num(Adapter), Num(CheckType), Num(DisplayFormat),
                            Num(BackBufferFormat), Num(Windowed ? 1 : 0)));
}

HRESULT TRecordingDirect3D::CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                              DWORD Usage, D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) {
  return m_log->Record(Call("CheckDeviceFormat", Num(Adapter), Num(DeviceType), Num(AdapterFormat),
                            Num(Usage), Num(RType), Num(CheckFormat)));
}

HRESULT TRecordingDirect3D::CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType,
                                                   D3DFORMAT AdapterFormat, D3DFORMAT RenderTargetFormat,
                                                   D3DFORMAT DepthStencilFormat) {
  return m_log->Record(Call("CheckDepthStencilMatch", Num(Adapter), Num(DeviceType), Num(AdapterFormat),
                            Num(RenderTargetFormat), Num(DepthStencilFormat)));
}

HRESULT TRecordingDirect3D::GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) {
  if (HRESULT hr = m_log->Record(Call("GetDeviceCaps", Num(Adapter), Num(DeviceType)))) return hr;
  if (!pCaps || Adapter != 0) return D3DERR_INVALIDCALL;
  *pCaps = DeviceType == D3DDEVTYPE_HAL ? halCaps : refCaps;
  return D3D_OK;
}

HRESULT TRecordingDirect3D::CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow,
                                         DWORD BehaviorFlags, D3DPRESENT_PARAMETERS* p,
                                         std::unique_ptr<IDirect3DDevice8>* ppReturnedDeviceInterface) {
  std::string params = "null";
  if (p) {
    params = "{" + Num(p->BackBufferWidth) + "x" + Num(p->BackBufferHeight) +
             " format=" + Num(p->BackBufferFormat) + " swap=" + Num(p->SwapEffect) +
             " windowed=" + Num(p->Windowed) + " depth=" + Num(p->EnableAutoDepthStencil) + "/" +
             Num(p->AutoDepthStencilFormat) + " flags=" + Num(p->Flags) + "}";
  }
  if (HRESULT hr = m_log->Record(Call("CreateDevice", Num(Adapter), Num(DeviceType),
                                      hFocusWindow ? "hwnd" : "null", Num(BehaviorFlags), params)))
    return hr;
  if (!ppReturnedDeviceInterface || !p || Adapter != 0) return D3DERR_INVALIDCALL;
  auto device = std::make_unique<TRecordingDevice>(
      m_log, *p, DeviceType == D3DDEVTYPE_HAL ? halCaps : refCaps, displayMode);
  lastDevice = device.get();
  *ppReturnedDeviceInterface = std::move(device);
  return D3D_OK;
}

std::unique_ptr<TRecordingDevice> MakeRecordingDevice(std::shared_ptr<TCallLog> log, UINT width,
                                                      UINT height) {
  D3DPRESENT_PARAMETERS params;
  params.BackBufferWidth = width;
  params.BackBufferHeight = height;
  params.BackBufferFormat = D3DFMT_X8R8G8B8;
  params.SwapEffect = D3DSWAPEFFECT_DISCARD;
  params.Windowed = true;
  params.EnableAutoDepthStencil = true;
  params.AutoDepthStencilFormat = D3DFMT_D16;
  params.Flags = D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;
  return std::make_unique<TRecordingDevice>(std::move(log), params, DefaultCaps(D3DDEVTYPE_HAL),
                                            D3DDISPLAYMODE{1024, 768, 60, D3DFMT_X8R8G8B8});
}

}  // namespace dravo
