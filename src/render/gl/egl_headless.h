#pragma once

// An OpenGL 3.3 core context with no window and no X server: EGL on Mesa's surfaceless platform. Present
// draws into the host's own picture (a framebuffer of the "window" size), which can be read back.

#include <memory>
#include <string>
#include <vector>

#include "render/d3d8_types.h"
#include "render/gl/gl_host.h"

namespace dravo {

class EglHeadlessHost : public GlContextHost {
 public:
  // `software` forces Mesa's software rasterizer (llvmpipe). Null, with the reason, when EGL can't give a
  // context.
  static std::unique_ptr<EglHeadlessHost> Create(bool software, UINT windowWidth, UINT windowHeight,
                                                 std::string& error);
  ~EglHeadlessHost() override;

  bool MakeCurrent() override;
  unsigned TargetFramebuffer() override;
  UINT TargetWidth() override { return m_width; }
  UINT TargetHeight() override { return m_height; }

  // The picture Present drew, top row first, as 0xAARRGGBB.
  std::vector<D3DCOLOR> ReadWindow();
  void ResizeWindow(UINT width, UINT height);
  // GL_RENDERER of the context, e.g. "llvmpipe (LLVM 15.0.6, 256 bits)".
  std::string Renderer();

 private:
  struct Impl;
  explicit EglHeadlessHost(std::unique_ptr<Impl> impl, UINT width, UINT height);
  std::unique_ptr<Impl> m_impl;
  UINT m_width;
  UINT m_height;
};

// The factory GlDirect3D uses for headless devices: HAL gets the default driver, REF the software rasterizer.
// A window size of 0 follows the back buffer.
GlHostFactory HeadlessHostFactory(UINT windowWidth = 0, UINT windowHeight = 0);

}  // namespace dravo
