#pragma once

// The graphics device the program draws with, shaped as Direct3D 8: the "Direct3D object" that knows the
// adapter and creates devices, the device, and its resources. Implementations: GlDevice (OpenGL) and the
// recording device of the tests. Every call returns a Direct3D result code.

#include <functional>
#include <memory>

#include "render/com_ptr.h"
#include "render/d3d8_types.h"

namespace dravo {

class IDirect3DResource8 : public TRefCounted {
 public:
  virtual D3DRESOURCETYPE GetType() const = 0;
};

// An image: a level of a texture, an image surface or the back buffer.
class IDirect3DSurface8 : public IDirect3DResource8 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_SURFACE; }
  virtual HRESULT GetDesc(D3DSURFACE_DESC* pDesc) = 0;
  // pRect null locks the whole surface. Block-compressed surfaces lock whole 4x4 blocks and report the
  // pitch of one row of blocks.
  virtual HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
  virtual HRESULT UnlockRect() = 0;
};

class IDirect3DBaseTexture8 : public IDirect3DResource8 {
 public:
  virtual DWORD GetLevelCount() = 0;
};

class IDirect3DTexture8 : public IDirect3DBaseTexture8 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_TEXTURE; }
  virtual HRESULT GetLevelDesc(UINT Level, D3DSURFACE_DESC* pDesc) = 0;
  // The surface shares the level's memory and keeps the texture alive.
  virtual HRESULT GetSurfaceLevel(UINT Level, ComPtr<IDirect3DSurface8>* ppSurfaceLevel) = 0;
  virtual HRESULT LockRect(UINT Level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) = 0;
  virtual HRESULT UnlockRect(UINT Level) = 0;
};

class IDirect3DVertexBuffer8 : public IDirect3DResource8 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_VERTEXBUFFER; }
  // SizeToLock 0 locks from OffsetToLock to the end.
  virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DIndexBuffer8 : public IDirect3DResource8 {
 public:
  D3DRESOURCETYPE GetType() const override { return D3DRTYPE_INDEXBUFFER; }
  virtual HRESULT Lock(UINT OffsetToLock, UINT SizeToLock, BYTE** ppbData, DWORD Flags) = 0;
  virtual HRESULT Unlock() = 0;
  virtual HRESULT GetDesc(D3DINDEXBUFFER_DESC* pDesc) = 0;
};

class IDirect3DDevice8 {
 public:
  virtual ~IDirect3DDevice8() = default;

  // Device state and presentation.
  virtual HRESULT TestCooperativeLevel() = 0;
  virtual HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) = 0;
  virtual HRESULT GetDeviceCaps(D3DCAPS8* pCaps) = 0;
  virtual HRESULT GetDisplayMode(D3DDISPLAYMODE* pMode) = 0;
  // Null rectangles: the whole back buffer into the whole window.
  virtual HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                          const void* pDirtyRegion) = 0;
  // The back buffer as a surface; it can be locked for reading when the device was created with
  // D3DPRESENTFLAG_LOCKABLE_BACKBUFFER.
  virtual HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                                ComPtr<IDirect3DSurface8>* ppBackBuffer) = 0;

  // Resources.
  // Levels 0 makes the whole chain down to 1x1.
  virtual HRESULT CreateTexture(UINT Width, UINT Height, UINT Levels, DWORD Usage, D3DFORMAT Format,
                                D3DPOOL Pool, ComPtr<IDirect3DTexture8>* ppTexture) = 0;
  virtual HRESULT CreateVertexBuffer(UINT Length, DWORD Usage, DWORD FVF, D3DPOOL Pool,
                                     ComPtr<IDirect3DVertexBuffer8>* ppVertexBuffer) = 0;
  virtual HRESULT CreateIndexBuffer(UINT Length, DWORD Usage, D3DFORMAT Format, D3DPOOL Pool,
                                    ComPtr<IDirect3DIndexBuffer8>* ppIndexBuffer) = 0;
  // A lockable surface in system memory (a work area for conversions).
  virtual HRESULT CreateImageSurface(UINT Width, UINT Height, D3DFORMAT Format,
                                     ComPtr<IDirect3DSurface8>* ppSurface) = 0;
  // Copies rectangles between surfaces of the same format; null rectangles copy the whole source to (0,0).
  virtual HRESULT CopyRects(IDirect3DSurface8* pSourceSurface, const RECT* pSourceRectsArray, UINT cRects,
                            IDirect3DSurface8* pDestinationSurface, const POINT* pDestPointsArray) = 0;

  // Frame.
  virtual HRESULT Clear(DWORD Count, const RECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                        DWORD Stencil) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT8* pViewport) = 0;
  virtual HRESULT GetViewport(D3DVIEWPORT8* pViewport) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;

  // Fixed-function state.
  virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE State, const D3DMATRIX* pMatrix) = 0;
  virtual HRESULT GetTransform(D3DTRANSFORMSTATETYPE State, D3DMATRIX* pMatrix) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE State, DWORD Value) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE State, DWORD* pValue) = 0;
  virtual HRESULT SetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD Value) = 0;
  virtual HRESULT GetTextureStageState(DWORD Stage, D3DTEXTURESTAGESTATETYPE Type, DWORD* pValue) = 0;
  virtual HRESULT SetLight(DWORD Index, const D3DLIGHT8* pLight) = 0;
  virtual HRESULT GetLight(DWORD Index, D3DLIGHT8* pLight) = 0;
  virtual HRESULT LightEnable(DWORD Index, bool Enable) = 0;
  virtual HRESULT GetLightEnable(DWORD Index, bool* pEnable) = 0;
  virtual HRESULT SetMaterial(const D3DMATERIAL8* pMaterial) = 0;
  virtual HRESULT GetMaterial(D3DMATERIAL8* pMaterial) = 0;
  // The device keeps a reference to the bound texture until it is replaced; null unbinds.
  virtual HRESULT SetTexture(DWORD Stage, IDirect3DBaseTexture8* pTexture) = 0;
  virtual HRESULT GetTexture(DWORD Stage, ComPtr<IDirect3DBaseTexture8>* ppTexture) = 0;

  // Palettes: 256 entries each.
  virtual HRESULT SetPaletteEntries(UINT PaletteNumber, const PALETTEENTRY* pEntries) = 0;
  virtual HRESULT GetPaletteEntries(UINT PaletteNumber, PALETTEENTRY* pEntries) = 0;
  virtual HRESULT SetCurrentTexturePalette(UINT PaletteNumber) = 0;
  virtual HRESULT GetCurrentTexturePalette(UINT* pPaletteNumber) = 0;

  // Geometry.
  virtual HRESULT SetStreamSource(UINT StreamNumber, IDirect3DVertexBuffer8* pStreamData, UINT Stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer8* pIndexData, UINT BaseVertexIndex) = 0;
  // Without programmable shaders the vertex shader handle is a flexible vertex format code.
  virtual HRESULT SetVertexShader(DWORD Handle) = 0;
  virtual HRESULT GetVertexShader(DWORD* pHandle) = 0;
  virtual HRESULT DeleteVertexShader(DWORD Handle) = 0;
  virtual HRESULT DeletePixelShader(DWORD Handle) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT StartVertex, UINT PrimitiveCount) = 0;
  // Indices are read from StartIndex; each index plus the base vertex of SetIndices names a vertex of
  // stream 0.
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE PrimitiveType, UINT MinIndex, UINT NumVertices,
                                       UINT StartIndex, UINT PrimitiveCount) = 0;
  // Vertices from caller memory, laid out by the current vertex shader's format.
  virtual HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE PrimitiveType, UINT PrimitiveCount,
                                  const void* pVertexStreamZeroData, UINT VertexStreamZeroStride) = 0;
};

class IDirect3D8 {
 public:
  virtual ~IDirect3D8() = default;

  virtual UINT GetAdapterCount() = 0;
  virtual HRESULT GetAdapterIdentifier(UINT Adapter, DWORD Flags, D3DADAPTER_IDENTIFIER8* pIdentifier) = 0;
  virtual UINT GetAdapterModeCount(UINT Adapter) = 0;
  virtual HRESULT EnumAdapterModes(UINT Adapter, UINT Mode, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT GetAdapterDisplayMode(UINT Adapter, D3DDISPLAYMODE* pMode) = 0;
  virtual HRESULT CheckDeviceType(UINT Adapter, D3DDEVTYPE CheckType, D3DFORMAT DisplayFormat,
                                  D3DFORMAT BackBufferFormat, bool Windowed) = 0;
  virtual HRESULT CheckDeviceFormat(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat, DWORD Usage,
                                    D3DRESOURCETYPE RType, D3DFORMAT CheckFormat) = 0;
  virtual HRESULT CheckDepthStencilMatch(UINT Adapter, D3DDEVTYPE DeviceType, D3DFORMAT AdapterFormat,
                                         D3DFORMAT RenderTargetFormat, D3DFORMAT DepthStencilFormat) = 0;
  virtual HRESULT GetDeviceCaps(UINT Adapter, D3DDEVTYPE DeviceType, D3DCAPS8* pCaps) = 0;
  virtual HRESULT CreateDevice(UINT Adapter, D3DDEVTYPE DeviceType, HWND hFocusWindow, DWORD BehaviorFlags,
                               D3DPRESENT_PARAMETERS* pPresentationParameters,
                               std::unique_ptr<IDirect3DDevice8>* ppReturnedDeviceInterface) = 0;
};

// What loading the runtime and creating the Direct3D object was: null when there is none.
using Direct3DCreate8Func = std::function<std::unique_ptr<IDirect3D8>(UINT SDKVersion)>;

}  // namespace dravo
