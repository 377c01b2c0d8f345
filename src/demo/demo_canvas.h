#pragma once

// Pictures drawn in code for the demo game's textures: a plain RGBA canvas with the few drawing
// operations the skins need (rectangles, discs, stripes, seven-segment digits, speckles), all in
// integer arithmetic.

#include <cstdint>
#include <string_view>
#include <vector>

namespace dravo::demo {

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Scales red, green and blue by percent/100 (alpha kept), clamped.
Rgba Shade(Rgba c, int percent);
Rgba Mix(Rgba a, Rgba b, int percentOfB);

class DemoRandom;

class Canvas {
 public:
  Canvas(int width, int height, Rgba fill = {});

  int width() const { return m_width; }
  int height() const { return m_height; }
  Rgba at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
  void set(int x, int y, Rgba c);
  // Draws `c` over the pixel by its alpha.
  void blend(int x, int y, Rgba c);
  const std::vector<Rgba>& pixels() const { return m_pixels; }

  void fillRect(int x, int y, int w, int h, Rgba c);
  void blendRect(int x, int y, int w, int h, Rgba c);
  void fillDisc(int cx, int cy, int radius, Rgba c);
  // Diagonal stripes of `c` over the rectangle, `period` pixels apart and `width` wide.
  void stripes(int x, int y, int w, int h, int period, int width, Rgba c);
  // Digits 0-9 as seven segments, in a w×h cell each, `gap` between cells, centred in the rectangle.
  void digits(int x, int y, int w, int h, std::string_view text, int stroke, Rgba c);
  // Brightness noise of +-amount percent over the rectangle.
  void grain(int x, int y, int w, int h, int amount, DemoRandom& random);
  // A frame of `c`, `t` pixels thick, just inside the rectangle.
  void border(int x, int y, int w, int h, int t, Rgba c);

  // The next smaller level: each pixel the average of a 2×2 square (alpha-weighted colours);
  // `point` takes the top-left pixel instead (for palettised textures).
  Canvas half(bool point = false) const;

 private:
  int m_width;
  int m_height;
  std::vector<Rgba> m_pixels;
};

}  // namespace dravo::demo
