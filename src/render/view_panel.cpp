#include "render/view_panel.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

namespace dravo {

namespace {

// Delphi's IntToHex: upper case, at least `digits` digits, negative numbers as their 32-bit pattern.
std::string IntToHex(std::int32_t value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*X", digits, static_cast<std::uint32_t>(value));
  return buf;
}

std::string ErrorNumber(std::int32_t code) {
  return "Error number: " + std::to_string(code) + " [0x" + IntToHex(code, 8) + "]";
}

bool IsPanelCode(std::int32_t code) {
  return code >= -5 && code <= -1;
}

// Checking a reset that keeps asking for another reset would hang the window; a few tries are plenty.
constexpr int kMaxResetAttempts = 16;

}  // namespace

std::string InitErrorText(std::int32_t code) {
  switch (code) {
    case -1:
      return "Incorrect DirectX version.";
    case -2:
      return "GetDisplayMode() error.";
    case -3:
      return "Your card does not support Windowed mode.";
    case -4:
      return "Backbuffer format is not supported.";
    case -5:
      return "Only 16 and 32bit color depth is supported, change your desktop to one of these.";
    default:
      return "Can't find a suitable error message.";
  }
}

std::string D3DErrorText(HRESULT code) {
  switch (code) {
    case D3D_OK:
      return "No error occurred.";
    case E_FAIL:
      return "An undetermined error occurred inside the Direct3D subsystem.";
    case E_OUTOFMEMORY:
      return "Direct3D could not allocate sufficient memory to complete the call.";
    case E_INVALIDARG:
      return "An invalid parameter was passed to the returning function";
    case D3DERR_OUTOFVIDEOMEMORY:
      return "Direct3D does not have enough display memory to perform the operation.";
    case D3DERR_WRONGTEXTUREFORMAT:
      return "The pixel format of the texture surface is not valid.";
    case D3DERR_UNSUPPORTEDCOLOROPERATION:
      return "The device does not support a specified texture-blending operation for color values.";
    case D3DERR_UNSUPPORTEDCOLORARG:
      return "The device does not support a specified texture-blending argument for color values.";
    case D3DERR_UNSUPPORTEDALPHAOPERATION:
      return "The device does not support a specified texture-blending operation for the alpha channel.";
    case D3DERR_UNSUPPORTEDALPHAARG:
      return "The device does not support a specified texture-blending argument for the alpha channel.";
    case D3DERR_TOOMANYOPERATIONS:
      return "The application is requesting more texture-filtering operations than the device";
    case D3DERR_CONFLICTINGTEXTUREFILTER:
      return "The current texture filters cannot be used together.";
    case D3DERR_UNSUPPORTEDFACTORVALUE:
      return "The device does not support the specified texture factor value.";
    case D3DERR_CONFLICTINGRENDERSTATE:
      return "The currently set render states cannot be used together.";
    case D3DERR_UNSUPPORTEDTEXTUREFILTER:
      return "The device does not support the specified texture filter.";
    case D3DERR_CONFLICTINGTEXTUREPALETTE:
      return "The current textures cannot be used simultaneously. This generally occurs when a multitexture "
             "device requires that all palletized textures simultaneously enabled also share the same "
             "palette.";
    case D3DERR_DRIVERINTERNALERROR:
      return "Internal driver error.";
    case D3DERR_NOTFOUND:
      return "The requested item was not found.";
    case D3DERR_MOREDATA:
      return "There is more data available than the specified buffer size can hold.";
    case D3DERR_DEVICELOST:
      return "The device is lost and cannot be restored at the current time, so rendering is not possible.";
    case D3DERR_DEVICENOTRESET:
      return "The device cannot be reset.";
    case D3DERR_NOTAVAILABLE:
      return "This device does not support the queried technique.";
    case D3DERR_INVALIDDEVICE:
      return "The requested device type is not valid.";
    case D3DERR_INVALIDCALL:
      return "The method call is invalid. For example, a method's parameter may have an invalid value.";
    default:
      return "Unrecognized Error";
  }
}

// ---- Construction -------------------------------------------------------------------------------------

TVellDXPanel::TVellDXPanel(Direct3DCreate8Func create, TDXPrompter* prompter, bool hasOwner)
    : m_create(std::move(create)), m_prompter(prompter), m_camera(std::make_unique<TDXCamera>()) {
  ClearColor = ColorToD3D(Color());
  if (!hasOwner) MessageBox("No owner control", "Debug", TMsgButtons::Ok);
  Viewport = D3DVIEWPORT8{0, 0, BackBufferWidth, BackBufferHeight, 0.0f, 1.0f};
}

TVellDXPanel::~TVellDXPanel() {
  if (m_context.D3D) ReleaseDevice();
  m_lights.clear();
  m_objects.clear();
  m_camera.reset();
}

void TVellDXPanel::ReleaseDevice() {
  m_context.Device.reset();
  m_context.D3D.reset();
}

void TVellDXPanel::Invalidate() const {
  if (OnInvalidate) OnInvalidate();
}

bool TVellDXPanel::Paint() {
  if (!Device() || !RenderEnabled || m_inFrame) return false;
  RenderFrame();
  return true;
}

void TVellDXPanel::SetColor(TColor color) {
  ClearColor = ColorToD3D(color);
  Invalidate();
}

// ---- Messages -----------------------------------------------------------------------------------------

TMsgAnswer TVellDXPanel::MessageBox(const std::string& text, const std::string& caption, TMsgButtons buttons,
                                    TMsgIcon icon) const {
  if (!m_prompter) return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Ok;
  return m_prompter->Show(text, caption, buttons, icon);
}

bool TVellDXPanel::D3DCheck(HRESULT result) const {
  if (result == D3D_OK) return true;
  MessageBox(
      "Error: " + std::to_string(result) + " [" + IntToHex(result, 6) + "]" + "\n\r" + D3DErrorText(result),
      "D3D Error", TMsgButtons::Ok);
  return false;
}

void TVellDXPanel::ReportError(const std::string& text, std::int32_t code) {
  if (OnError) {
    OnError(*this, text, code);
    return;
  }
  MessageBox(text, "Error.", TMsgButtons::Ok, TMsgIcon::Warning);
}

void TVellDXPanel::ShowWarning(const std::string& text) const {
  MessageBox(text, "Warning.", TMsgButtons::Ok, TMsgIcon::Warning);
}

// ---- Initialisation -----------------------------------------------------------------------------------

void TVellDXPanel::Initialise() {
  BackBufferHeight = 480;
  BackBufferWidth = 640;
  m_colourDepth = 16;
  if (OnResolutionCheck) OnResolutionCheck(*this, BackBufferWidth, BackBufferHeight, m_colourDepth);

  if (InitDevice(WindowHandle, true, BackBufferWidth, BackBufferHeight, true, true)) {
    SetupAfterInit();
    return;
  }
  std::int32_t code = m_context.ErrorCode;
  if (IsPanelCode(code))
    ShowWarning("Error initializing 3D Hardware.\r\n" + InitErrorText(code));
  else
    ShowWarning("Error initializing 3D Hardware.\r\n\r\n" + ErrorNumber(code));
  ReleaseDevice();

  if (MessageBox("3D Hardware can't be used,\r\n\r\ndo you want to try the software rasterizer?",
                 "3D Hardware support", TMsgButtons::YesNo, TMsgIcon::Question) != TMsgAnswer::Yes)
    return;

  if (InitDevice(WindowHandle, true, BackBufferWidth, BackBufferHeight, false, true)) {
    SetupAfterInit();
    return;
  }
  code = m_context.ErrorCode;
  if (IsPanelCode(code))
    ShowWarning("Error initializing 3D Hardware.\r\n" + InitErrorText(code));
  else
    ReportError(
        "Could not initialize DirectX Graphics.\r\nYou need DirectX 8 or better \r\nand a 16bit or 32bit "
        "desktop to "
        "run this program.\r\n" +
            ErrorNumber(code),
        code);
  ReleaseDevice();
}

bool TVellDXPanel::InitDevice(HWND window, bool windowed, UINT width, UINT height, bool hardware,
                              bool depthBuffer) {
  TD3DContext& c = m_context;
  c.ErrorCode = 0;
  c.Device.reset();
  c.D3D.reset();
  // 1. The runtime and the Direct3D object.
  if (!m_create) {
    c.ErrorCode = -1;
    return false;
  }
  c.D3D = m_create(D3D_SDK_VERSION);
  if (!c.D3D) {
    c.ErrorCode = -1;
    return false;
  }
  auto fail = [&c](std::int32_t code) {
    c.ErrorCode = code;
    c.Device.reset();
    c.D3D.reset();
    return false;
  };

  // 2. Device type and its capabilities.
  c.DeviceType = hardware ? D3DDEVTYPE_HAL : D3DDEVTYPE_REF;
  c.Caps = D3DCAPS8{};
  c.D3D->GetDeviceCaps(D3DADAPTER_DEFAULT, c.DeviceType, &c.Caps);

  // 3. Presentation parameters.
  c.PresentParams = D3DPRESENT_PARAMETERS{};
  c.PresentParams.Windowed = windowed;
  c.PresentParams.hDeviceWindow = window;
  c.PresentParams.SwapEffect = D3DSWAPEFFECT_DISCARD;
  c.PresentParams.BackBufferWidth = width;
  c.PresentParams.BackBufferHeight = height;
  if (depthBuffer) {
    c.PresentParams.EnableAutoDepthStencil = true;
    c.PresentParams.AutoDepthStencilFormat = D3DFMT_D16;
  }

  // 4. Windowed rendering.
  if (!(c.Caps.Caps2 & D3DCAPS2_CANRENDERWINDOWED)) return fail(-3);

  // 5. The desktop's mode.
  if (FAILED(c.D3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &c.DisplayMode))) return fail(-2);
  const D3DFORMAT display = c.DisplayMode.Format;

  // 6. Back-buffer format by preference.
  D3DFORMAT chosen;
  if (display == D3DFMT_A8R8G8B8 || display == D3DFMT_X8R8G8B8) {
    chosen = SUCCEEDED(
                 c.D3D->CheckDeviceType(D3DADAPTER_DEFAULT, c.DeviceType, display, D3DFMT_X8R8G8B8, windowed))
                 ? D3DFMT_X8R8G8B8
                 : D3DFMT_A8R8G8B8;
  } else if (display >= D3DFMT_R5G6B5 && display <= D3DFMT_A4R4G4B4) {
    chosen = D3DFMT_A4R4G4B4;
    for (D3DFORMAT candidate : {D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4}) {
      if (SUCCEEDED(c.D3D->CheckDeviceType(D3DADAPTER_DEFAULT, c.DeviceType, display, candidate, windowed))) {
        chosen = candidate;
        break;
      }
    }
  } else {
    return fail(-5);
  }

  // 7. The depth format.
  if (FAILED(c.D3D->CheckDeviceFormat(D3DADAPTER_DEFAULT, c.DeviceType, display, D3DUSAGE_DEPTHSTENCIL,
                                      D3DRTYPE_SURFACE, D3DFMT_D16))) {
    MessageBox("Your current video mode doesn't support the reccommended stencil buffer format[" +
                   std::to_string(static_cast<int>(D3DFMT_D16)) + "]",
               "Stencil format", TMsgButtons::Ok);
    c.PresentParams.EnableAutoDepthStencil = false;
  }

  // 8. The chosen back-buffer format.
  if (FAILED(c.D3D->CheckDeviceType(D3DADAPTER_DEFAULT, c.DeviceType, display, chosen, windowed))) {
    if (MessageBox("Your current video mode doesn't support the reccommended Backbuffer format[" +
                       std::to_string(static_cast<std::uint32_t>(chosen)) + "]\r\n" +
                       "Do you want to continue anyway?",
                   "Buffer format", TMsgButtons::YesNo) != TMsgAnswer::Yes)
      return fail(-4);
    chosen = display;
    c.ErrorCode = 0;
  }

  // 9. The requested size among the display modes.
  if (!BuildModeList(width, height)) MessageBox(c.ModeList, "Available modes", TMsgButtons::Ok);

  // 10.
  c.BackBufferFormat = chosen;
  c.PresentParams.BackBufferFormat = chosen;
  c.PresentParams.Flags |= D3DPRESENTFLAG_LOCKABLE_BACKBUFFER;

  // 11. The device.
  DWORD behaviour;
  if (hardware && (c.Caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)) {
    behaviour = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    c.SoftwareVertexProcessing = false;
  } else {
    behaviour = D3DCREATE_SOFTWARE_VERTEXPROCESSING;
    c.SoftwareVertexProcessing = true;
  }
  const HRESULT created =
      c.D3D->CreateDevice(D3DADAPTER_DEFAULT, c.DeviceType, window, behaviour, &c.PresentParams, &c.Device);
  c.ErrorCode = created;
  if (FAILED(created) || !c.Device) return fail(FAILED(created) ? created : E_FAIL);

  // 12. The device's own capabilities.
  const HRESULT caps = c.Device->GetDeviceCaps(&c.Caps);
  if (FAILED(caps)) return fail(caps);
  return true;
}

bool TVellDXPanel::BuildModeList(UINT width, UINT height) {
  std::string& text = m_context.ModeList;
  text.clear();
  bool matched = false;
  if (IDirect3D8* d3d = m_context.D3D.get()) {
    const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
    for (UINT i = 0; i <= count; ++i) {
      D3DDISPLAYMODE mode;
      if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode))) continue;
      const std::string size = std::to_string(mode.Width) + "x" + std::to_string(mode.Height) + ", ";
      if (!matched && mode.Width == width && mode.Height == height) {
        matched = true;
        text += ">" + size;
      } else {
        text += "  " + size;
      }
      if ((i + 1) % 4 == 0) text += "\r\n";
    }
  }
  if (!matched) text += "\r\nYou don't have the required screen mode available\r\n";
  return matched;
}

void TVellDXPanel::SetupAfterInit() {
  m_initialised = true;
  m_backBufferFormat = m_context.BackBufferFormat;
  m_caps = m_context.Caps;
  m_lights.clear();
  m_objects.clear();
  Eye = {0, 0, 0};
  Up = {0, 1, 0};
  LookAt = {0, 0, 1};
  FieldOfView = kPi / 3;
  FarCutOff = 1000.0f;
  ClearColor = ColorToD3D(Color());
  AmbientColor = 0xFFFFFFFF;
  WorldMatrix = IdentityMatrix();
  // The whole back buffer; each frame fits it again to the size the back buffer has then.
  Viewport = D3DVIEWPORT8{0, 0, FrameWidth(), FrameHeight(), 0.0f, 1.0f};
}

// ---- The frame ----------------------------------------------------------------------------------------

bool TVellDXPanel::CheckDevice() {
  IDirect3DDevice8* device = Device();
  if (!device) return false;
  HRESULT answer = device->TestCooperativeLevel();
  if (answer == D3DERR_DEVICELOST) return false;
  for (int attempt = 0; answer == D3DERR_DEVICENOTRESET && attempt < kMaxResetAttempts; ++attempt)
    answer = device->Reset(&m_context.PresentParams);
  return answer == D3D_OK;
}

void TVellDXPanel::FogStep() {
  IDirect3DDevice8* d = Device();
  TColor color = 0;
  DWORD mode = 0;
  float start = 0, end = 0;
  OnFog(*this, color, mode, start, end);
  FogColor = ColorToD3D(color);
  if (mode == D3DFOG_NONE) {
    D3DCheck(d->SetRenderState(D3DRS_FOGENABLE, 0));
    return;
  }
  D3DCheck(d->SetRenderState(D3DRS_FOGENABLE, 1));
  D3DCheck(d->SetRenderState(D3DRS_FOGCOLOR, FogColor));
  if (mode == D3DFOG_LINEAR) {
    D3DCheck(d->SetRenderState(D3DRS_FOGVERTEXMODE, D3DFOG_LINEAR));
    D3DCheck(d->SetRenderState(D3DRS_FOGSTART, std::bit_cast<DWORD>(start)));
    D3DCheck(d->SetRenderState(D3DRS_FOGEND, std::bit_cast<DWORD>(end)));
  } else {
    D3DCheck(d->SetRenderState(D3DRS_FOGVERTEXMODE, mode));
    D3DCheck(d->SetRenderState(D3DRS_FOGDENSITY, std::bit_cast<DWORD>(FogDensity)));
  }
  if (FogRange) D3DCheck(d->SetRenderState(D3DRS_RANGEFOGENABLE, 1));
}

void TVellDXPanel::ApplyRenderStates() {
  IDirect3DDevice8* d = Device();
  D3DCheck(d->SetRenderState(D3DRS_FILLMODE, WireFrame ? D3DFILL_WIREFRAME : D3DFILL_SOLID));
  if (OnFog) FogStep();
  ApplyLights();
  D3DCheck(d->SetRenderState(D3DRS_ZENABLE, 1));
  D3DCheck(d->SetRenderState(D3DRS_ZWRITEENABLE, 1));
  if (AlphaBlend) {
    D3DCheck(d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA));
    D3DCheck(d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA));
    D3DCheck(d->SetRenderState(D3DRS_ALPHABLENDENABLE, 1));
    D3DCheck(d->SetRenderState(D3DRS_ALPHATESTENABLE, 1));
    D3DCheck(d->SetRenderState(D3DRS_ALPHAREF, 0));
    D3DCheck(d->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATER));
  } else {
    D3DCheck(d->SetRenderState(D3DRS_ZENABLE, 1));
    D3DCheck(d->SetRenderState(D3DRS_ZWRITEENABLE, 1));
    D3DCheck(d->SetRenderState(D3DRS_ALPHABLENDENABLE, 0));
    D3DCheck(d->SetRenderState(D3DRS_ALPHATESTENABLE, 0));
  }
  D3DCheck(d->SetRenderState(D3DRS_CULLMODE, Culling ? D3DCULL_CCW : D3DCULL_NONE));
}

void TVellDXPanel::ApplyLights() {
  IDirect3DDevice8* d = Device();
  if (!d) return;
  if (UseLights) {
    D3DCheck(d->SetRenderState(D3DRS_AMBIENT, AmbientColor));
    for (size_t i = 0; i < m_lights.size(); ++i) {
      D3DCheck(d->SetLight(static_cast<DWORD>(i), &m_lights[i]));
      D3DCheck(d->LightEnable(static_cast<DWORD>(i), true));
    }
    D3DCheck(d->SetRenderState(D3DRS_LIGHTING, 1));
  } else {
    D3DCheck(d->SetRenderState(D3DRS_LIGHTING, 0));
  }
}

void TVellDXPanel::FitBackBuffer() {
  UINT width = FrameWidth(), height = FrameHeight();
  if (DrawAtResolution) {
    width = BackBufferWidth;
    height = BackBufferHeight;
  } else if (ClientWidth > 0 && ClientHeight > 0) {
    width = ClientWidth;
    height = ClientHeight;
  }
  if (width == FrameWidth() && height == FrameHeight()) return;
  if (width == m_refusedWidth && height == m_refusedHeight) return;
  D3DPRESENT_PARAMETERS params = m_context.PresentParams;
  params.BackBufferWidth = width;
  params.BackBufferHeight = height;
  if (!D3DCheck(Device()->Reset(&params))) {
    // Drawn at the old size, scaled; the refusal is told once.
    m_refusedWidth = width;
    m_refusedHeight = height;
    return;
  }
  m_refusedWidth = m_refusedHeight = 0;
  m_context.PresentParams = params;
}

bool TVellDXPanel::PresentRect(RECT& rect) const {
  if (ClientWidth == 0 || ClientHeight == 0 || FrameWidth() == 0 || FrameHeight() == 0) return false;
  const double frame = static_cast<double>(FrameWidth()) / FrameHeight();
  const double client = static_cast<double>(ClientWidth) / ClientHeight;
  LONG width = static_cast<LONG>(ClientWidth), height = static_cast<LONG>(ClientHeight);
  if (frame > client)
    height = std::max<LONG>(1, std::lround(ClientWidth / frame));
  else
    width = std::max<LONG>(1, std::lround(ClientHeight * frame));
  rect.left = (static_cast<LONG>(ClientWidth) - width) / 2;
  rect.top = (static_cast<LONG>(ClientHeight) - height) / 2;
  rect.right = rect.left + width;
  rect.bottom = rect.top + height;
  return true;
}

void TVellDXPanel::RenderFrame() {
  IDirect3DDevice8* d = Device();
  if (!d) return;
  if (!CheckDevice()) {
    ReportError("Gfx Device lost - The program should be restarted if you want to use the 3D view.",
                D3DERR_DEVICELOST);
    RenderEnabled = false;
    return;
  }
  FitBackBuffer();
  // The viewport and the projection follow the back buffer, so the scene fills it in its proportions.
  Viewport = D3DVIEWPORT8{0, 0, FrameWidth(), FrameHeight(), 0.0f, 1.0f};
  m_inFrame = true;
  // A device that was refused its depth buffer has none to clear; asking would fail every frame.
  const DWORD clear =
      D3DCLEAR_TARGET | (m_context.PresentParams.EnableAutoDepthStencil ? D3DCLEAR_ZBUFFER : 0);
  D3DCheck(d->Clear(0, nullptr, clear, ClearColor, 1.0f, 0));
  d->SetViewport(&Viewport);
  d->BeginScene();

  // The scene is ended and presented whatever the drawing does, exceptions included.
  auto endFrame = [this, d] {
    d->EndScene();
    // A back buffer of the window's size fills it; another size (a GIF export's frames) is shown in the
    // window's middle in its own proportions.
    RECT into{};
    const bool fits = (FrameWidth() == ClientWidth && FrameHeight() == ClientHeight) || !PresentRect(into);
    D3DCheck(d->Present(nullptr, fits ? nullptr : &into, nullptr, nullptr));
    m_inFrame = false;
    if (OnSceneEnded) OnSceneEnded(*this);
  };
  try {
    if (InitialiseBeforeRender) ApplyRenderStates();

    D3DXMatrixLookAtLH(&ViewMatrix, &Eye, &LookAt, &Up);
    D3DCheck(d->SetTransform(D3DTS_VIEW, &ViewMatrix));
    const float aspect =
        Viewport.Height > 0 ? static_cast<float>(Viewport.Width) / static_cast<float>(Viewport.Height) : 1.0f;
    D3DXMatrixPerspectiveFovLH(&ProjectionMatrix, FieldOfView, aspect, 1.0f, FarCutOff);
    D3DCheck(d->SetTransform(D3DTS_PROJECTION, &ProjectionMatrix));
    WorldMatrix = IdentityMatrix();
    D3DCheck(d->SetTransform(D3DTS_WORLD, &WorldMatrix));

    for (const auto& object : m_objects)
      object->Render();
    if (OnAfterRender) OnAfterRender(*this);
  } catch (...) {
    endFrame();
    throw;
  }
  endFrame();
}

// ---- Lights and modes ---------------------------------------------------------------------------------

void TVellDXPanel::AddLight(TColor colour, DWORD lightType, D3DXVECTOR3 position, D3DXVECTOR3 direction) {
  // Without a device there is no material to set; the light is kept for a device made later.
  if (IDirect3DDevice8* d = Device()) {
    D3DMATERIAL8 material;
    material.Diffuse = {1, 1, 1, 0};
    material.Ambient = {1, 1, 1, 0};
    D3DCheck(d->SetMaterial(&material));
  }
  D3DLIGHT8 light;
  light.Type = static_cast<D3DLIGHTTYPE>(lightType);
  const D3DCOLORVALUE c{static_cast<float>(colour & 0xFF) / 255.0f,
                        static_cast<float>((colour >> 8) & 0xFF) / 255.0f,
                        static_cast<float>((colour >> 16) & 0xFF) / 255.0f, 0.0f};
  light.Diffuse = c;
  light.Specular = c;
  light.Ambient = c;
  light.Position = position;
  light.Direction = direction;
  light.Range = 1000.0f;
  light.Falloff = 1.0f;
  m_lights.push_back(light);
}

void TVellDXPanel::SetAmbientLight(TColor colour) {
  AmbientColor = ColorToD3D(colour);
  Invalidate();
}

int TVellDXPanel::ListDisplayModes(std::vector<std::string>& list) const {
  list.clear();
  int found = -1;
  IDirect3D8* d3d = Direct3D();
  if (!d3d) return found;
  const UINT count = d3d->GetAdapterModeCount(D3DADAPTER_DEFAULT);
  for (UINT i = 0; i <= count; ++i) {
    D3DDISPLAYMODE mode;
    if (FAILED(d3d->EnumAdapterModes(D3DADAPTER_DEFAULT, i, &mode))) continue;
    const std::string text = std::to_string(mode.Width) + "x" + std::to_string(mode.Height);
    if (std::find(list.begin(), list.end(), text) != list.end()) continue;
    list.push_back(text);
    if (found < 0 && mode.Width == BackBufferWidth && mode.Height == BackBufferHeight)
      found = static_cast<int>(list.size()) - 1;
  }
  return found;
}

// ---- View ---------------------------------------------------------------------------------------------

void TVellDXPanel::CameraMoved() {
  if (OnCameraMoved) OnCameraMoved(*this);
  Invalidate();
}

void TVellDXPanel::SetEye(D3DXVECTOR3 p) {
  m_camera->SetPosition(p);
  LookAt = p + (LookAt - Eye);
  Eye = p;
  CameraMoved();
}

void TVellDXPanel::Pan(D3DXVECTOR3 d) {
  m_camera->Move(d, false);
  Eye = Eye + d;
  LookAt = LookAt + d;
  CameraMoved();
}

void TVellDXPanel::Orbit(float yawDelta, float pitchDelta) {
  m_camera->Rotate({pitchDelta, yawDelta, 0});
  YawTotal += yawDelta;
  PitchTotal += pitchDelta;
  LookAt = Eye + D3DXVECTOR3{std::sin(YawTotal) * std::sin(PitchTotal), std::cos(PitchTotal),
                             std::cos(YawTotal) * std::sin(PitchTotal)};
  CameraMoved();
}

void TVellDXPanel::MouseDown(TMouseButton button, TShiftState /*shift*/, int x, int y) {
  if (!MouseControl) return;
  if (button == TMouseButton::Left || button == TMouseButton::Right) {
    m_lastMouseX = x;
    m_lastMouseY = y;
  }
}

bool TVellDXPanel::MouseMove(TShiftState shift, int x, int y) {
  if (!MouseControl) return true;
  const int dx = m_lastMouseX - x;
  const int dy = m_lastMouseY - y;
  if (std::abs(dx) < 2 && std::abs(dy) < 2) return false;
  if (shift.left) Orbit(static_cast<float>(dx) * kPi / 60, static_cast<float>(dy) * kPi / 60);
  if (shift.right) {
    if (shift.shift)
      Pan({0, static_cast<float>(dy) / 10, 0});
    else
      Pan({static_cast<float>(dx) / 10, 0, static_cast<float>(y - m_lastMouseY) / 10});
  }
  m_lastMouseX = x;
  m_lastMouseY = y;
  return true;
}

}  // namespace dravo
