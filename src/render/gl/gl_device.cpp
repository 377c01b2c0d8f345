#include "render/gl/gl_device.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "render/d3dx_surface.h"
#include "render/gl/egl_headless.h"
#include "render/gl/gl_internal.h"
#include "render/gl/gl_shaders.h"

namespace dravo {

namespace {

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
    const D3DFORMAT format = m_shared->format;
    // The memory is kept from lock to lock: a GIF export reads the view back every frame.
    if (m_memoryWidth != w || m_memoryHeight != h || m_memoryFormat != format) {
      m_memory.Allocate(format, w, h);
      m_memoryWidth = w;
      m_memoryHeight = h;
      m_memoryFormat = format;
    }
    m_readBack.resize(static_cast<size_t>(w) * h);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, m_shared->framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(w), static_cast<GLsizei>(h), GL_BGRA, GL_UNSIGNED_BYTE,
                 m_readBack.data());
    if (format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8R8G8B8) {
      // The surface's own layout: rows turned top-down in one copy, an opaque view made opaque.
      for (UINT y = 0; y < h; ++y) {
        BYTE* out = m_memory.bytes.data() + static_cast<size_t>(y) * m_memory.pitch;
        std::memcpy(out, m_readBack.data() + static_cast<size_t>(h - 1 - y) * w, static_cast<size_t>(w) * 4);
        if (format == D3DFMT_X8R8G8B8)
          for (UINT x = 0; x < w; ++x)
            out[4 * x + 3] = 0xFF;
      }
    } else {
      m_topDown.resize(m_readBack.size());
      FlipRows(reinterpret_cast<const BYTE*>(m_readBack.data()), reinterpret_cast<BYTE*>(m_topDown.data()),
               w * 4, h);
      EncodePixels(m_topDown.data(), w, h, format, m_memory.bytes.data(), m_memory.pitch);
    }
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
  UINT m_memoryWidth = 0, m_memoryHeight = 0;
  D3DFORMAT m_memoryFormat = D3DFMT_UNKNOWN;
  std::vector<D3DCOLOR> m_readBack, m_topDown;  // read back bottom-up; turned for other formats
  DWORD m_flags = 0;
};

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

}  // namespace

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
  // One surface for the device's life, as Direct3D hands out, so its memory is reused.
  if (!m_impl->backBuffer) m_impl->backBuffer = MakeCom<GlBackBuffer>(m_impl->shared);
  *ppBackBuffer = m_impl->backBuffer;
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
