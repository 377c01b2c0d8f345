#pragma once

// The 3D view's logic without the widget: device creation with its fall-backs and questions, the frame
// (clear, camera, render-state block, objects, OnAfterRender, end scene and present), lights, display
// modes, error reporting and the view operations. The widget hosting it supplies the window handle, the
// client size, the prompter for messages and the repaint request.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/colour.h"
#include "core/maths.h"
#include "render/camera.h"
#include "render/d3d8.h"
#include "render/panel_prompter.h"
#include "render/renderable_object.h"

namespace dravo {

using TD3DColor = D3DCOLOR;

// Window-system colour to device colour (opaque), and back (alpha dropped).
constexpr TD3DColor ColorToD3D(TColor c) {
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
constexpr TColor D3DToColor(TD3DColor c) {
  return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16);
}

// The panel's own codes for a failed initialisation.
std::string InitErrorText(std::int32_t code);
// The message for a Direct3D result code.
std::string D3DErrorText(HRESULT code);

// Everything the device needs, one per panel (the program has one panel).
struct TD3DContext {
  std::unique_ptr<IDirect3D8> D3D;
  std::unique_ptr<IDirect3DDevice8> Device;
  D3DCAPS8 Caps;
  D3DDISPLAYMODE DisplayMode;
  D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
  D3DPRESENT_PARAMETERS PresentParams;
  D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
  std::int32_t ErrorCode = 0;  // 0, a Direct3D result, or -1 to -5
  bool SoftwareVertexProcessing = false;
  std::string ModeList;
};

enum class TMouseButton { Left, Right, Middle };
struct TShiftState {
  bool shift = false;
  bool left = false;
  bool right = false;
};

class TVellDXPanel {
 public:
  using TNotifyEvent = std::function<void(TVellDXPanel& sender)>;
  using TOnFogEvent =
      std::function<void(TVellDXPanel& sender, TColor& color, DWORD& fgMode, float& fgStart, float& fgEnd)>;
  using TResCheckEvent =
      std::function<void(TVellDXPanel& sender, DWORD& rWidth, DWORD& rHeight, DWORD& rDepth)>;
  using TDXPErrorEvent =
      std::function<void(TVellDXPanel& sender, const std::string& errMsg, std::int32_t errNo)>;

  // `create` loads the runtime and makes the Direct3D object (empty or returning null: there is none).
  // `hasOwner` false reproduces a panel created without a parent window.
  TVellDXPanel(Direct3DCreate8Func create, TDXPrompter* prompter, bool hasOwner = true);
  ~TVellDXPanel();
  TVellDXPanel(const TVellDXPanel&) = delete;
  TVellDXPanel& operator=(const TVellDXPanel&) = delete;

  // ---- Host ----
  HWND WindowHandle = nullptr;
  // The window's drawing area in device pixels, told by a host whose window changes size (the editor's
  // view, before each paint). Frames are drawn at this size, pixel for pixel and in its proportions. 0 x 0
  // (headless tools) keeps the resolution the device was made with.
  UINT ClientWidth = 0;
  UINT ClientHeight = 0;
  // Frames at the resolution (BackBufferWidth x BackBufferHeight) whatever the window: the pictures the GIF
  // export reads back. The window then shows them scaled into it, in their proportions.
  bool DrawAtResolution = false;
  // The back buffer's size: what the next frames are drawn at.
  UINT FrameWidth() const { return m_context.PresentParams.BackBufferWidth; }
  UINT FrameHeight() const { return m_context.PresentParams.BackBufferHeight; }
  std::function<void()> OnInvalidate;
  void Invalidate() const;
  // A paint: runs a frame when there is a device, RenderEnabled is set and no frame is under way; false
  // means the host paints the plain panel in its colour. Exceptions from the frame reach the caller after
  // the scene has been ended and presented.
  bool Paint();

  // ---- Published properties ----
  bool AlphaBlend = false;
  bool FogRange = true;
  float FogDensity = 0.0f;
  bool MouseControl = false;
  TD3DColor AmbientColor = 0xFFFFFFFF;
  bool Culling = false;
  float FarCutOff = 1000.0f;
  bool InitialiseBeforeRender = true;
  bool WireFrame = false;
  DWORD BackBufferHeight = 480;
  DWORD BackBufferWidth = 640;
  bool UseLights = true;
  TColor Color() const { return D3DToColor(ClearColor); }
  void SetColor(TColor color);

  TOnFogEvent OnFog;
  TNotifyEvent OnAfterRender;
  TNotifyEvent OnSceneEnded;
  TNotifyEvent OnCameraMoved;
  TResCheckEvent OnResolutionCheck;
  TDXPErrorEvent OnError;

  // ---- Device ----
  void Initialise();
  bool InitDevice(HWND window, bool windowed, UINT width, UINT height, bool hardware, bool depthBuffer);
  bool BuildModeList(UINT width, UINT height);
  void SetupAfterInit();
  void RenderFrame();
  bool CheckDevice();
  bool Initialised() const { return m_initialised; }
  bool RenderEnabled = false;
  bool InFrame() const { return m_inFrame; }
  IDirect3DDevice8* Device() const { return m_context.Device.get(); }
  IDirect3D8* Direct3D() const { return m_context.D3D.get(); }
  const TD3DContext& Context() const { return m_context; }
  const D3DCAPS8& Caps() const { return m_caps; }
  D3DFORMAT BackBufferFormat() const { return m_backBufferFormat; }
  std::vector<std::unique_ptr<TRenderableObject>>& Objects() { return m_objects; }
  const std::vector<D3DLIGHT8>& Lights() const { return m_lights; }

  void AddLight(TColor colour, DWORD lightType, D3DXVECTOR3 position, D3DXVECTOR3 direction);
  // The lighting part of the render-state block, as UseLights says: the ambient colour, the lights and
  // D3DRS_LIGHTING on, or lighting off. The editor applies it in every frame although the block is off.
  void ApplyLights();
  void SetAmbientLight(TColor colour);
  // Fills the list with the distinct "WxH" texts of the adapter's modes; the index of the back-buffer size or
  // -1.
  int ListDisplayModes(std::vector<std::string>& list) const;

  bool D3DCheck(HRESULT result) const;
  void ReportError(const std::string& text, std::int32_t code);
  void ShowWarning(const std::string& text) const;
  // A message box owned by the panel (objects use it for their errors).
  TMsgAnswer MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                        TMsgIcon icon = TMsgIcon::None) const;

  // ---- View ----
  D3DXVECTOR3 Eye{0, 0, 0};
  D3DXVECTOR3 LookAt{0, 0, 1};
  D3DXVECTOR3 Up{0, 1, 0};
  float YawTotal = 0.0f;
  float PitchTotal = 0.0f;
  float FieldOfView = kPi / 3;
  TDXCamera& Camera() { return *m_camera; }
  D3DXVECTOR3 GetEye() const { return Eye; }
  void SetEye(D3DXVECTOR3 p);
  void Pan(D3DXVECTOR3 d);
  void Orbit(float yawDelta, float pitchDelta);
  // The built-in mouse control (only while MouseControl is set). MouseMove returns false when the move is
  // swallowed (not passed on as a mouse-move event).
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  bool MouseMove(TShiftState shift, int x, int y);

  D3DVIEWPORT8 Viewport;
  D3DXMATRIX ViewMatrix = IdentityMatrix();
  D3DXMATRIX ProjectionMatrix = IdentityMatrix();
  D3DXMATRIX WorldMatrix = IdentityMatrix();
  TD3DColor ClearColor = 0xFF000000;
  TD3DColor FogColor = 0;

 private:
  void ReleaseDevice();
  // Resets the device to the size frames should be drawn at when its back buffer has another.
  void FitBackBuffer();
  // Where Present puts the back buffer in the window: all of it, or, when the sizes differ, the largest
  // rectangle of the back buffer's proportions in its middle. False when the window's size is not known.
  bool PresentRect(RECT& rect) const;
  void CameraMoved();
  void ApplyRenderStates();
  void FogStep();

  Direct3DCreate8Func m_create;
  TDXPrompter* m_prompter;
  TD3DContext m_context;
  D3DCAPS8 m_caps;
  std::vector<D3DLIGHT8> m_lights;
  std::vector<std::unique_ptr<TRenderableObject>> m_objects;
  std::unique_ptr<TDXCamera> m_camera;
  int m_lastMouseX = 0;
  int m_lastMouseY = 0;
  bool m_inFrame = false;
  bool m_initialised = false;
  D3DFORMAT m_backBufferFormat = D3DFMT_UNKNOWN;
  DWORD m_colourDepth = 16;
  // A size the device refused to reset to; not asked again until the wanted size changes.
  UINT m_refusedWidth = 0;
  UINT m_refusedHeight = 0;
};

}  // namespace dravo
