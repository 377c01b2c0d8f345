#include "render/gl/egl_headless.h"

// clang-format off
#include <epoxy/egl.h>
#include <epoxy/gl.h>
// clang-format on

#include <cstdlib>
#include <cstring>
#include <optional>

namespace dravo {

namespace {

// EGL displays are process-wide; hosts share them and the last one out terminates it, so a later software
// request can start the driver again with the software rasterizer forced.
struct SharedDisplay {
  EGLDisplay display = EGL_NO_DISPLAY;
  int users = 0;
  bool software = false;
};
SharedDisplay g_surfaceless;
SharedDisplay g_softwareDevice;

// Sets an environment variable for the duration of a scope, then puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : m_name(name) {
    if (const char* old = std::getenv(name)) m_old = old;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (m_old)
      setenv(m_name, m_old->c_str(), 1);
    else
      unsetenv(m_name);
  }

 private:
  const char* m_name;
  std::optional<std::string> m_old;
};

bool HasClientExtension(const char* name) {
  return epoxy_has_egl_extension(EGL_NO_DISPLAY, name);
}

bool Initialise(EGLDisplay display, std::string& error) {
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    error = "eglInitialize failed";
    return false;
  }
  return true;
}

// Mesa's software device, found through device enumeration.
EGLDisplay SoftwareDeviceDisplay() {
  if (!HasClientExtension("EGL_EXT_device_enumeration") || !HasClientExtension("EGL_EXT_platform_device"))
    return EGL_NO_DISPLAY;
  EGLDeviceEXT devices[16];
  EGLint count = 0;
  if (!eglQueryDevicesEXT(16, devices, &count)) return EGL_NO_DISPLAY;
  for (EGLint i = 0; i < count; ++i) {
    const char* extensions = eglQueryDeviceStringEXT(devices[i], EGL_EXTENSIONS);
    if (extensions && std::strstr(extensions, "EGL_MESA_device_software"))
      return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr);
  }
  return EGL_NO_DISPLAY;
}

SharedDisplay* AcquireDisplay(bool software, std::string& error) {
  if (!HasClientExtension("EGL_EXT_platform_base") || !HasClientExtension("EGL_MESA_platform_surfaceless")) {
    error = "EGL has no surfaceless platform (EGL_MESA_platform_surfaceless)";
    return nullptr;
  }
  if (g_surfaceless.users > 0 && g_surfaceless.software == software) {
    ++g_surfaceless.users;
    return &g_surfaceless;
  }
  if (g_surfaceless.users == 0) {
    EGLDisplay display =
        eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    bool ok;
    if (software) {
      // The driver reads this when the display starts.
      ScopedEnv forceSoftware("LIBGL_ALWAYS_SOFTWARE", "1");
      ok = Initialise(display, error);
    } else {
      ok = Initialise(display, error);
    }
    if (!ok) return nullptr;
    g_surfaceless = {display, 1, software};
    return &g_surfaceless;
  }
  // The surfaceless display already runs the other driver.
  if (software) {
    if (g_softwareDevice.users == 0) {
      EGLDisplay display = SoftwareDeviceDisplay();
      if (!Initialise(display, error)) {
        error = "no software EGL device beside the running display";
        return nullptr;
      }
      g_softwareDevice = {display, 0, true};
    }
    ++g_softwareDevice.users;
    return &g_softwareDevice;
  }
  // A hardware request while the software display runs: it gets the software rasterizer too.
  ++g_surfaceless.users;
  return &g_surfaceless;
}

void ReleaseDisplay(SharedDisplay* shared) {
  if (!shared || shared->users <= 0) return;
  if (--shared->users == 0) {
    eglTerminate(shared->display);
    *shared = SharedDisplay{};
  }
}

}  // namespace

struct EglHeadlessHost::Impl {
  SharedDisplay* shared = nullptr;
  EGLContext context = EGL_NO_CONTEXT;
  GLuint framebuffer = 0;
  GLuint renderbuffer = 0;
  UINT fbWidth = 0, fbHeight = 0;
};

std::unique_ptr<EglHeadlessHost> EglHeadlessHost::Create(bool software, UINT windowWidth, UINT windowHeight,
                                                         std::string& error) {
  auto impl = std::make_unique<Impl>();
  impl->shared = AcquireDisplay(software, error);
  if (!impl->shared) return nullptr;
  EGLDisplay display = impl->shared->display;
  auto fail = [&](const char* why) -> std::unique_ptr<EglHeadlessHost> {
    error = why;
    if (impl->context != EGL_NO_CONTEXT) eglDestroyContext(display, impl->context);
    ReleaseDisplay(impl->shared);
    return nullptr;
  };
  if (!epoxy_has_egl_extension(display, "EGL_KHR_surfaceless_context") ||
      !epoxy_has_egl_extension(display, "EGL_KHR_create_context"))
    return fail("EGL display can't make a surfaceless OpenGL context");
  if (!eglBindAPI(EGL_OPENGL_API)) return fail("EGL has no desktop OpenGL");

  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!epoxy_has_egl_extension(display, "EGL_KHR_no_config_context")) {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint found = 0;
    if (!eglChooseConfig(display, wanted, &config, 1, &found) || found < 1)
      return fail("EGL has no OpenGL configuration");
  }
  const EGLint attributes[] = {EGL_CONTEXT_MAJOR_VERSION_KHR,
                               3,
                               EGL_CONTEXT_MINOR_VERSION_KHR,
                               3,
                               EGL_CONTEXT_OPENGL_PROFILE_MASK_KHR,
                               EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT_KHR,
                               EGL_NONE};
  impl->context = eglCreateContext(display, config, EGL_NO_CONTEXT, attributes);
  if (impl->context == EGL_NO_CONTEXT) return fail("EGL could not create an OpenGL 3.3 core context");
  if (!eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, impl->context))
    return fail("EGL could not make the context current");
  if (epoxy_gl_version() < 33) return fail("OpenGL 3.3 is not available");
  return std::unique_ptr<EglHeadlessHost>(new EglHeadlessHost(std::move(impl), windowWidth, windowHeight));
}

EglHeadlessHost::EglHeadlessHost(std::unique_ptr<Impl> impl, UINT width, UINT height)
    : m_impl(std::move(impl)), m_width(width), m_height(height) {}

EglHeadlessHost::~EglHeadlessHost() {
  EGLDisplay display = m_impl->shared->display;
  if (MakeCurrent()) {
    if (m_impl->framebuffer) glDeleteFramebuffers(1, &m_impl->framebuffer);
    if (m_impl->renderbuffer) glDeleteRenderbuffers(1, &m_impl->renderbuffer);
  }
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  eglDestroyContext(display, m_impl->context);
  ReleaseDisplay(m_impl->shared);
}

bool EglHeadlessHost::MakeCurrent() {
  if (eglGetCurrentContext() == m_impl->context) return true;
  return eglMakeCurrent(m_impl->shared->display, EGL_NO_SURFACE, EGL_NO_SURFACE, m_impl->context);
}

unsigned EglHeadlessHost::TargetFramebuffer() {
  if (m_width == 0 || m_height == 0) return 0;
  if (m_impl->framebuffer && m_impl->fbWidth == m_width && m_impl->fbHeight == m_height)
    return m_impl->framebuffer;
  if (!m_impl->framebuffer) {
    glGenFramebuffers(1, &m_impl->framebuffer);
    glGenRenderbuffers(1, &m_impl->renderbuffer);
  }
  glBindRenderbuffer(GL_RENDERBUFFER, m_impl->renderbuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, static_cast<GLsizei>(m_width),
                        static_cast<GLsizei>(m_height));
  glBindFramebuffer(GL_FRAMEBUFFER, m_impl->framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_impl->renderbuffer);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  m_impl->fbWidth = m_width;
  m_impl->fbHeight = m_height;
  return m_impl->framebuffer;
}

void EglHeadlessHost::ResizeWindow(UINT width, UINT height) {
  m_width = width;
  m_height = height;
}

std::vector<D3DCOLOR> EglHeadlessHost::ReadWindow() {
  std::vector<D3DCOLOR> pixels(static_cast<size_t>(m_width) * m_height);
  if (pixels.empty() || !MakeCurrent()) return pixels;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, TargetFramebuffer());
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  std::vector<D3DCOLOR> bottomUp(pixels.size());
  glReadPixels(0, 0, static_cast<GLsizei>(m_width), static_cast<GLsizei>(m_height), GL_BGRA, GL_UNSIGNED_BYTE,
               bottomUp.data());
  for (UINT y = 0; y < m_height; ++y)
    std::memcpy(&pixels[static_cast<size_t>(y) * m_width],
                &bottomUp[static_cast<size_t>(m_height - 1 - y) * m_width], m_width * sizeof(D3DCOLOR));
  return pixels;
}

std::string EglHeadlessHost::Renderer() {
  if (!MakeCurrent()) return {};
  const auto* text = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  return text ? text : "";
}

GlHostFactory HeadlessHostFactory(UINT windowWidth, UINT windowHeight) {
  return [windowWidth, windowHeight](D3DDEVTYPE type, HWND, UINT width, UINT height,
                                     std::string& error) -> std::unique_ptr<GlContextHost> {
    return EglHeadlessHost::Create(type == D3DDEVTYPE_REF, windowWidth ? windowWidth : width,
                                   windowHeight ? windowHeight : height, error);
  };
}

}  // namespace dravo
