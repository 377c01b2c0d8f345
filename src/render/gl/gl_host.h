#pragma once

// Where a GlDevice draws: a current-able OpenGL 3.3 core context and the framebuffer that Present copies the
// back buffer into (a window, or the headless host's own picture).

#include <functional>
#include <memory>
#include <string>

#include "render/d3d8_types.h"

namespace dravo {

class GlContextHost {
 public:
  virtual ~GlContextHost() = default;
  // Makes the context current on this thread; cheap when it already is.
  virtual bool MakeCurrent() = 0;
  // The framebuffer object Present draws into (0: the default framebuffer) and its size in pixels.
  virtual unsigned TargetFramebuffer() = 0;
  virtual UINT TargetWidth() = 0;
  virtual UINT TargetHeight() = 0;
  // Called after Present has drawn into the target (a window host swaps buffers here).
  virtual void AfterPresent() {}
};

// A host over a context the caller owns and keeps current while the device draws (the Qt widget's).
class TCallbackGlHost : public GlContextHost {
 public:
  std::function<bool()> makeCurrent;
  std::function<unsigned()> targetFramebuffer;
  std::function<UINT()> targetWidth;
  std::function<UINT()> targetHeight;
  std::function<void()> afterPresent;

  bool MakeCurrent() override { return makeCurrent ? makeCurrent() : true; }
  unsigned TargetFramebuffer() override { return targetFramebuffer ? targetFramebuffer() : 0; }
  UINT TargetWidth() override { return targetWidth ? targetWidth() : 0; }
  UINT TargetHeight() override { return targetHeight ? targetHeight() : 0; }
  void AfterPresent() override {
    if (afterPresent) afterPresent();
  }
};

// Makes the host for a device of a type ("hardware" HAL or "reference" REF) presenting into a window. Null,
// with a reason in `error`, when it can't.
using GlHostFactory = std::function<std::unique_ptr<GlContextHost>(D3DDEVTYPE type, HWND window, UINT width,
                                                                   UINT height, std::string& error)>;

}  // namespace dravo
