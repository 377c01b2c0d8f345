#pragma once

// The state half of a device that every implementation shares: render and texture-stage states with
// their Direct3D defaults, transforms, lights, material, palettes, bound resources, resource creation in
// memory, and the checks that keep a draw call inside its buffers.

#include <array>
#include <map>
#include <string>

#include "render/d3d8.h"
#include "render/memory_resources.h"

namespace dravo {

// Display names of state numbers, "D3DRS_CULLMODE" and so on; the number as text when unknown.
std::string RenderStateName(DWORD state);
std::string TextureStageStateName(DWORD type);
std::string TransformStateName(DWORD state);

// Number of indices a draw of `count` primitives reads; 0 for unknown types.
UINT PrimitiveIndexCount(D3DPRIMITIVETYPE type, UINT count);

class TDeviceBase : public IDirect3DDevice8 {
 public:
  TDeviceBase(const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps, const D3DDISPLAYMODE& mode);

  HRESULT TestCooperativeLevel() override { return D3D_OK; }
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT GetDeviceCaps(D3DCAPS8* pCaps) override;
  HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) override;

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

  // State as the implementations read it.
  DWORD RenderState(D3DRENDERSTATETYPE state) const { return m_renderStates[state]; }
  DWORD StageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const { return m_stageStates[stage][type]; }
  const D3DMATRIX& Transform(D3DTRANSFORMSTATETYPE state) const;
  const D3DVIEWPORT8& Viewport() const { return m_viewport; }
  const D3DMATERIAL8& Material() const { return m_material; }
  const std::map<DWORD, D3DLIGHT8>& Lights() const { return m_lights; }
  bool IsLightEnabled(DWORD index) const;
  IDirect3DBaseTexture8* BoundTexture(DWORD stage) const { return m_textures[stage].Get(); }
  IDirect3DVertexBuffer8* StreamSource() const { return m_stream.Get(); }
  UINT StreamStride() const { return m_streamStride; }
  IDirect3DIndexBuffer8* Indices() const { return m_indices.Get(); }
  UINT BaseVertexIndex() const { return m_baseVertex; }
  DWORD VertexShader() const { return m_vertexShader; }
  const D3DPRESENT_PARAMETERS& PresentParameters() const { return m_params; }
  bool InScene() const { return m_inScene; }

 protected:
  // The memory resources a device makes; GlDevice makes ones that upload themselves.
  virtual ComPtr<TMemoryTexture> NewTexture(UINT width, UINT height, UINT levels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool);
  virtual ComPtr<TMemoryVertexBuffer> NewVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
  virtual ComPtr<TMemoryIndexBuffer> NewIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  virtual ComPtr<TMemorySurface> NewSurface(UINT width, UINT height, D3DFORMAT format);
  // Back to the state of a new device.
  void ResetState();
  // Checks an indexed draw against the bound buffers: every index read, plus the base vertex, names a vertex
  // inside stream 0. Hands back the number of indices.
  HRESULT CheckIndexedDraw(D3DPRIMITIVETYPE type, UINT startIndex, UINT primitiveCount,
                           UINT* indexCount) const;
  HRESULT CheckDraw(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount, UINT* vertexCount) const;

  D3DPRESENT_PARAMETERS m_params;
  D3DCAPS8 m_caps;
  D3DDISPLAYMODE m_mode;

 private:
  std::array<DWORD, kRenderStateCount> m_renderStates{};
  std::array<std::array<DWORD, kTextureStageStateCount>, kMaxTextureStages> m_stageStates{};
  std::map<DWORD, D3DMATRIX> m_transforms;
  D3DVIEWPORT8 m_viewport;
  D3DMATERIAL8 m_material;
  std::map<DWORD, D3DLIGHT8> m_lights;
  std::map<DWORD, bool> m_lightEnabled;
  std::array<ComPtr<IDirect3DBaseTexture8>, kMaxTextureStages> m_textures;
  std::map<UINT, std::array<PALETTEENTRY, 256>> m_palettes;
  UINT m_currentPalette = 0xFFFF;
  ComPtr<IDirect3DVertexBuffer8> m_stream;
  UINT m_streamStride = 0;
  ComPtr<IDirect3DIndexBuffer8> m_indices;
  UINT m_baseVertex = 0;
  DWORD m_vertexShader = 0;
  bool m_inScene = false;
};

}  // namespace dravo
