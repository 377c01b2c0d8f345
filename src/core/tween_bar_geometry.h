#pragma once

// The key-frame bar's state and geometry without any widget, so the editor core can use the
// same rules (and test them) with no user-interface library. Frames are 1-based here.

#include <cmath>
#include <cstdint>
#include <vector>

namespace dravo {

class TweenBarLogic {
 public:
  std::int32_t FrameCount = 0;
  float Spacing = 0.0f;  // pixels from one tick to the next
  std::int32_t StartFrame = 1;
  std::int32_t Margin = 7;  // pixels left of the first tick and right of the last
  bool Dragging = false;
  std::int32_t EndFrame = 1;

  // Recomputed when the frame count or the bar's width changes; 0 with fewer than two frames.
  void UpdateSpacing(int clientWidth) {
    if (FrameCount < 2) {
      Spacing = 0.0f;
    } else {
      Spacing = static_cast<float>(clientWidth - 2 * Margin) / static_cast<float>(FrameCount - 1);
    }
  }

  // True when the count changed (the caller repaints then).
  bool SetFrames(std::int32_t n, int clientWidth) {
    if (n == FrameCount) return false;
    FrameCount = n;
    UpdateSpacing(clientWidth);
    return true;
  }

  bool IsIdle() const { return !Dragging; }

  // The frame under pixel column x, 1 … FrameCount.
  std::int32_t ItemFromX(double x) const {
    if (!(Spacing > 0.0f)) return 1;
    // Halves go to the even neighbour (the default rounding mode).
    double item = std::nearbyint((x - Margin) / static_cast<double>(Spacing)) + 1.0;
    if (item > FrameCount) item = FrameCount;
    if (item < 1.0) item = 1.0;
    return static_cast<std::int32_t>(item);
  }

  // Pixel columns of the ticks, index 0 for frame 1. The position is accumulated in float32, one
  // spacing per frame, and rounded to the nearest pixel, so the painting and the tests agree to
  // the pixel.
  std::vector<int> TickPositions() const {
    std::vector<int> xs;
    if (FrameCount <= 0) return xs;
    xs.reserve(static_cast<std::size_t>(FrameCount));
    float x = static_cast<float>(Margin);
    for (std::int32_t n = 1; n <= FrameCount; ++n) {
      xs.push_back(static_cast<int>(std::nearbyint(x)));
      x += Spacing;
    }
    return xs;
  }

  // Frames that carry a number: all of them up to 40, else 1, 6, 11, … and the last.
  bool IsLabelled(std::int32_t n) const { return FrameCount <= 40 || n % 5 == 1 || n == FrameCount; }

  // Mouse handling; each returns true when the range-change callback is to be raised.
  bool Press(bool leftButton, double x) {
    if (!leftButton) {
      Dragging = false;
      return false;
    }
    Dragging = true;
    StartFrame = EndFrame = ItemFromX(x);
    return true;
  }
  bool Move(bool leftButtonDown, double x) {
    if (!leftButtonDown) return false;
    EndFrame = ItemFromX(x);
    return true;
  }
  // Any button. A release without a new drag keeps the previous range, so the receiver sees the
  // last range again.
  bool Release() {
    Dragging = false;
    return true;
  }
};

}  // namespace dravo
