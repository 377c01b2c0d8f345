#pragma once

// The program's Direct3D 8 device on OpenGL 3.3 core. One shader program stands in for the fixed-function
// pipeline the program uses; textures and buffers keep their bytes in memory (the managed pool) and are
// uploaded when they change; drawing goes into a framebuffer of the back-buffer size, and Present copies it,
// scaled, into the host's target as a windowed Direct3D 8 device does.

#include <memory>
#include <string>

#include "render/d3d8.h"
#include "render/device_base.h"
#include "render/gl/gl_host.h"

namespace dravo {

// What the Linux "adapter" reports: the screen the host shows (headless: a default), one 32-bit desktop
// format.
struct GlAdapterInfo {
  UINT screenWidth = 1920;
  UINT screenHeight = 1080;
  UINT refreshRate = 60;
};

// Options that tests and benchmarks use to reach the fall-back paths.
struct GlDeviceOptions {
  bool disableS3TC = false;  // decode block textures with libsquish instead of uploading them
};

// The display modes of an adapter: the screen's size and the common sizes that fit in it, smallest first.
std::vector<D3DDISPLAYMODE> GlDisplayModes(const GlAdapterInfo& adapter);

class GlDirect3D : public IDirect3D8 {
 public:
  GlDirect3D(GlAdapterInfo adapter, GlHostFactory hostFactory);

  UINT GetAdapterCount() override { return 1; }
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

  // Why the last CreateDevice failed, for logs and test skips.
  const std::string& LastError() const { return m_lastError; }
  // Passed to every device this object creates.
  GlDeviceOptions deviceOptions;

 private:
  GlAdapterInfo m_adapter;
  GlHostFactory m_hostFactory;
  std::vector<D3DDISPLAYMODE> m_modes;
  std::string m_lastError;
  std::string m_renderer;
};

// A "Direct3D object" for headless rendering (tests, the command-line tool, GIF export): EGL surfaceless.
std::unique_ptr<GlDirect3D> CreateHeadlessDirect3D(GlAdapterInfo adapter = {});

class GlDevice : public TDeviceBase {
 public:
  // Makes the device on the host's context; null with the reason in `error` when OpenGL refuses.
  static std::unique_ptr<GlDevice> Create(std::unique_ptr<GlContextHost> host,
                                          const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps,
                                          const D3DDISPLAYMODE& mode, std::string& error,
                                          GlDeviceOptions options = {});
  ~GlDevice() override;

  GlContextHost& Host() { return *m_host; }
  // GL_RENDERER, GL_VERSION.
  std::string Renderer() const { return m_renderer; }
  bool UsesS3TC() const;
  // Waits until OpenGL has finished everything queued (for timing).
  void Finish();

  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT BackBuffer, D3DBACKBUFFER_TYPE Type,
                        ComPtr<IDirect3DSurface8>* ppBackBuffer) override;
  HRESULT Clear(DWORD Count, const RECT* pRects, DWORD Flags, D3DCOLOR Color, float Z,
                DWORD Stencil) override;
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

 public:
  struct Impl;

 private:
  GlDevice(std::unique_ptr<GlContextHost> host, const D3DPRESENT_PARAMETERS& params, const D3DCAPS8& caps,
           const D3DDISPLAYMODE& mode, GlDeviceOptions options);
  bool Initialise(std::string& error);
  // Puts the device's state into OpenGL for the next draw, one state group at a time (gl_state.cpp).
  void ApplyState();
  void ApplyTarget();        // framebuffer and viewport
  void ApplyRasterStates();  // depth, blending, culling, fill, colour mask, stencil
  void ApplyTransformsAndMaterial();
  void ApplyLights();
  void ApplyFog();
  void ApplyTextureStages();  // the fixed-function stages the shader emulates
  void BindTextures();

  std::unique_ptr<GlContextHost> m_host;
  std::unique_ptr<Impl> m_impl;
  GlDeviceOptions m_options;
  std::string m_renderer;
};

}  // namespace dravo
