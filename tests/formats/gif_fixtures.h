#pragma once

// Pictures for the scaling, colour reduction and GIF tests, drawn in code.

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "formats/area_scale.h"

namespace dravo::test {

// Blue, green, red, alpha bytes, rows `pitch` apart (at least width × 4).
struct BgraPicture {
  int width = 0;
  int height = 0;
  std::ptrdiff_t pitch = 0;
  std::vector<std::uint8_t> bytes;

  BgraPicture(int w, int h, std::ptrdiff_t rowBytes = 0)
      : width(w),
        height(h),
        pitch(rowBytes ? rowBytes : std::ptrdiff_t(w) * 4),
        bytes(std::size_t(pitch) * std::size_t(h)) {}

  std::uint8_t* at(int x, int y) { return bytes.data() + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(x) * 4; }
  const std::uint8_t* at(int x, int y) const {
    return bytes.data() + std::ptrdiff_t(y) * pitch + std::ptrdiff_t(x) * 4;
  }
  void set(int x, int y, int r, int g, int b, int a = 255) {
    std::uint8_t* p = at(x, y);
    p[0] = std::uint8_t(b);
    p[1] = std::uint8_t(g);
    p[2] = std::uint8_t(r);
    p[3] = std::uint8_t(a);
  }
  std::uint32_t rgb(int x, int y) const {
    const std::uint8_t* p = at(x, y);
    return (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[1]) << 8) | p[0];
  }
  PixelView32 view() const { return {bytes.data(), width, height, pitch}; }
};

// The default background of the view: red 0x90, green 0x80, blue 0x80.
inline constexpr int kBackR = 0x90, kBackG = 0x80, kBackB = 0x80;

// One frame of a made-up trick as the view would show it: the plain background, a lit ball that
// travels and a bar that turns, both shaded so the frame has thousands of colours.
inline BgraPicture TrickFrame(int frame, int frames, int width = 320, int height = 240) {
  BgraPicture p(width, height);
  const double t = double(frame) / double(frames);
  const double cx = width * (0.25 + 0.5 * t), cy = height * (0.45 + 0.15 * std::sin(t * 6.2832));
  const double radius = height * 0.22;
  const double angle = t * 6.2832;
  const double bx = width * 0.5, by = height * 0.5;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int r = kBackR, g = kBackG, b = kBackB;
      // The bar: 70% of the width long, a tenth of the height thick, a gradient along it.
      const double dx = x - bx, dy = y - by;
      const double along = dx * std::cos(angle) + dy * std::sin(angle);
      const double across = -dx * std::sin(angle) + dy * std::cos(angle);
      if (std::abs(along) < width * 0.35 && std::abs(across) < height * 0.05) {
        const double u = (along / (width * 0.35) + 1) / 2;
        r = int(40 + 200 * u);
        g = int(200 - 150 * u);
        b = int(60 + 40 * std::abs(across) / (height * 0.05));
      }
      // The ball, lit from the upper left.
      const double ex = (x - cx) / radius, ey = (y - cy) / radius;
      if (ex * ex + ey * ey < 1) {
        const double z = std::sqrt(1 - ex * ex - ey * ey);
        const double light = std::max(0.0, (-ex * 0.5 - ey * 0.6 + z * 0.62));
        r = int(30 + 200 * light);
        g = int(60 + 120 * light);
        b = int(20 + 60 * light * light);
      }
      p.set(x, y, std::min(r, 255), std::min(g, 255), std::min(b, 255), 0);
    }
  return p;
}

inline BgraPicture RandomPicture(int width, int height, unsigned seed, int levels = 256) {
  BgraPicture p(width, height);
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> level(0, levels - 1);
  const int step = levels > 1 ? 255 / (levels - 1) : 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      p.set(x, y, level(random) * step, level(random) * step, level(random) * step);
  return p;
}

}  // namespace dravo::test
