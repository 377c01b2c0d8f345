#pragma once

// A device for tests: it keeps everything in memory, writes every call with its arguments to a log, one
// text line per call, and fails the calls a test chooses with the codes it chooses.
//
// Lines look like "SetRenderState(D3DRS_CULLMODE, 1)", "SetTexture(0, tex1)", "vb1.Lock(0, 0, 0)".
// Resources are named by kind and creation order: tex1, surf1, vb1, ib1 ("null" for none, "?" for one
// that is not ours); a texture level taken as a surface is tex1.L0. Destruction adds "tex1.Destroyed()".
// Numbers are decimal, colours 0xAARRGGBB, floats %g, matrices [a b c d | e f g h | ...].

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "render/d3d8.h"
#include "render/device_base.h"

namespace dravo {

class TCallLog {
 public:
  // Makes every call whose line starts with `prefix` fail with `code`: the first `skip` matches pass,
  // then `times` matches fail (-1: all of them).
  void Fail(const std::string& prefix, HRESULT code, int times = -1, int skip = 0);
  void ClearFailures() { m_failures.clear(); }

  // Adds the line and returns the code to fail it with, or D3D_OK.
  HRESULT Record(const std::string& line);
  // Adds a line that cannot fail (destruction, notes).
  void Note(const std::string& line) { m_lines.push_back(line); }

  const std::vector<std::string>& Lines() const { return m_lines; }
  // The lines joined with "\n".
  std::string Text() const;
  // The lines that start with `prefix`.
  std::vector<std::string> Matching(const std::string& prefix) const;
  void Clear() { m_lines.clear(); }

  // Next name for a resource of a kind ("tex" -> "tex1", "tex2", ...).
  std::string NewName(const std::string& kind);

 private:
  struct Failure {
    std::string prefix;
    HRESULT code;
    int times;
    int skip;
  };
  std::vector<std::string> m_lines;
  std::vector<Failure> m_failures;
  std::map<std::string, int> m_counters;
};

// The name a recording resource carries in the log.
std::string ResourceName(const TRefCounted* resource);

class TRecordingDevice : public TDeviceBase {
 public:
  TRecordingDevice(std::shared_ptr<TCallLog> log, const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps,
                   const D3DDISPLAYMODE& mode);
  ~TRecordingDevice() override;

  TCallLog& Log() { return *m_log; }
  const std::shared_ptr<TCallLog>& SharedLog() const { return m_log; }
  // Make TestCooperativeLevel answer these codes in turn (then D3D_OK).
  std::vector<HRESULT> cooperativeAnswers;

  HRESULT TestCooperativeLevel() override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                        ComPtr<IDirect3DSurface8>* ppBackBuffer) override;
  HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                        ComPtr<IDirect3DTexture8>* ppTexture) override;
  HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                             ComPtr<IDirect3DVertexBuffer8>* ppVertexBuffer) override;
  HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                            ComPtr<IDirect3DIndexBuffer8>* ppIndexBuffer) override;
  HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                             ComPtr<IDirect3DSurface8>* ppSurface) override;
  HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                    IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) override;
  HRESULT Clear(DWORD Count, const RECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override;
  HRESULT SetViewport(const D3DVIEWPORT8* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT8* pViewport) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) override;
  HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) override;
  HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) override;
  HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) override;
  HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) override;
  HRESULT LightEnable(DWORD Index, bool Enable) override;
  HRESULT GetLightEnable(DWORD Index, bool* pEnable) override;
  HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL8* pMaterial) override;
  HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) override;
  HRESULT GetTexture(DWORD Stage, ComPtr<IDirect3DBaseTexture8>* ppTexture) override;
  HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) override;
  HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) override;
  HRESULT SetCurrentTexturePalette(UINT PaletteNumber) override;
  HRESULT GetCurrentTexturePalette(UINT* pPaletteNumber) override;
  HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) override;
  HRESULT SetVertexShader(DWORD Handle) override;
  HRESULT GetVertexShader(DWORD* pHandle) override;
  HRESULT DeleteVertexShader(DWORD Handle) override;
  HRESULT DeletePixelShader(DWORD Handle) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices,
                               UINT StartIndex, UINT PrimitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                          const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) override;

 protected:
  ComPtr<TMemoryTexture> NewTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                    D3DPOOL pool) override;
  ComPtr<TMemoryVertexBuffer> NewVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) override;
  ComPtr<TMemoryIndexBuffer> NewIndexBuffer(UINT length, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool) override;
  ComPtr<TMemorySurface> NewSurface(UINT width, UINT height, D3DFORMAT format) override;

 private:
  std::shared_ptr<TCallLog> m_log;
  ComPtr<IDirect3DSurface8> m_backBuffer;
};

// A "Direct3D object" for tests: an adapter whose answers the test sets, logging to the same log as the
// devices it creates. By default every check passes, the display is 1024x768 X8R8G8B8 and both device types
// can render windowed with hardware transform and lighting.
class TRecordingDirect3D : public IDirect3D8 {
 public:
  explicit TRecordingDirect3D(std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>());
  ~TRecordingDirect3D() override;

  TCallLog& Log() { return *m_log; }
  const std::shared_ptr<TCallLog>& SharedLog() const { return m_log; }

  std::vector<D3DDISPLAYMODE> modes;
  D3DDISPLAYMODE displayMode{1024, 768, 60, D3DFMT_X8R8G8B8};
  D3DCAPS8 halCaps;
  D3DCAPS8 refCaps;
  // The device CreateDevice made last (owned by whoever received it).
  TRecordingDevice* lastDevice = nullptr;

  UINT GetAdapterCount() override;
  HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) override;
  UINT GetAdapterModeCount(UINT Adapter) override;
  HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) override;
  HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                          D3DFORMAT BackBufferFormat, bool Windowed) override;
  HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                            D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) override;
  HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                 D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) override;
  HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) override;
  HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       std::unique_ptr<IDirect3DDevice8>* ppReturnedDeviceInterface) override;

 private:
  std::shared_ptr<TCallLog> m_log;
};

// A headless device for tests that only need one: back buffer 640x480 X8R8G8B8 with a D16 depth buffer.
std::unique_ptr<TRecordingDevice> MakeRecordingDevice(
    std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>(), UINT width = 640, UINT height = 480);

}  // namespace dravo
