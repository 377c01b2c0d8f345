#include "demo/demo_canvas.h"

#include <algorithm>

#include "demo/demo_random.h"

namespace dravo::demo {

namespace {

std::uint8_t Clamp8(int v) {
  return static_cast<std::uint8_t>(std::clamp(v, 0, 255));
}

// Which of the seven segments (a b c d e f g, bit 0 = a) light each digit.
constexpr std::uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

}  // namespace

Rgba Shade(Rgba c, int percent) {
  return {Clamp8(c.r * percent / 100), Clamp8(c.g * percent / 100), Clamp8(c.b * percent / 100), c.a};
}

Rgba Mix(Rgba a, Rgba b, int p) {
  auto m = [p](int x, int y) { return Clamp8((x * (100 - p) + y * p) / 100); };
  return {m(a.r, b.r), m(a.g, b.g), m(a.b, b.b), m(a.a, b.a)};
}

Canvas::Canvas(int width, int height, Rgba fill)
    : m_width(width), m_height(height), m_pixels(static_cast<std::size_t>(width) * height, fill) {}

void Canvas::set(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  m_pixels[static_cast<std::size_t>(y) * m_width + x] = c;
}

void Canvas::blend(int x, int y, Rgba c) {
  if (x < 0 || y < 0 || x >= m_width || y >= m_height) return;
  Rgba& d = m_pixels[static_cast<std::size_t>(y) * m_width + x];
  const int a = c.a;
  d.r = Clamp8((c.r * a + d.r * (255 - a) + 127) / 255);
  d.g = Clamp8((c.g * a + d.g * (255 - a) + 127) / 255);
  d.b = Clamp8((c.b * a + d.b * (255 - a) + 127) / 255);
  d.a = Clamp8(a + d.a * (255 - a) / 255);
}

void Canvas::fillRect(int x, int y, int w, int h, Rgba c) {
  for (int j = std::max(0, y); j < std::min(m_height, y + h); ++j)
    for (int i = std::max(0, x); i < std::min(m_width, x + w); ++i)
      m_pixels[static_cast<std::size_t>(j) * m_width + i] = c;
}

void Canvas::blendRect(int x, int y, int w, int h, Rgba c) {
  for (int j = y; j < y + h; ++j)
    for (int i = x; i < x + w; ++i)
      blend(i, j, c);
}

void Canvas::fillDisc(int cx, int cy, int radius, Rgba c) {
  for (int j = -radius; j <= radius; ++j)
    for (int i = -radius; i <= radius; ++i)
      if (i * i + j * j <= radius * radius) set(cx + i, cy + j, c);
}

void Canvas::stripes(int x, int y, int w, int h, int period, int width, Rgba c) {
  for (int j = 0; j < h; ++j)
    for (int i = 0; i < w; ++i)
      if ((i + j) % period < width) set(x + i, y + j, c);
}

void Canvas::digits(int x, int y, int w, int h, std::string_view text, int stroke, Rgba c) {
  const int n = static_cast<int>(text.size());
  if (n == 0) return;
  const int gap = std::max(1, w / 8);
  const int cell = (w - gap * (n - 1)) / n;
  for (int k = 0; k < n; ++k) {
    const char ch = text[static_cast<std::size_t>(k)];
    if (ch < '0' || ch > '9') continue;
    const std::uint8_t seg = kSegments[ch - '0'];
    const int x0 = x + k * (cell + gap);
    const int mid = y + (h - stroke) / 2;
    const int right = x0 + cell - stroke;
    const int bottom = y + h - stroke;
    const int upper = (h + stroke) / 2;
    if (seg & 0x01) fillRect(x0, y, cell, stroke, c);        // a
    if (seg & 0x02) fillRect(right, y, stroke, upper, c);    // b
    if (seg & 0x04) fillRect(right, mid, stroke, upper, c);  // c
    if (seg & 0x08) fillRect(x0, bottom, cell, stroke, c);   // d
    if (seg & 0x10) fillRect(x0, mid, stroke, upper, c);     // e
    if (seg & 0x20) fillRect(x0, y, stroke, upper, c);       // f
    if (seg & 0x40) fillRect(x0, mid, cell, stroke, c);      // g
  }
}

void Canvas::grain(int x, int y, int w, int h, int amount, DemoRandom& random) {
  for (int j = std::max(0, y); j < std::min(m_height, y + h); ++j)
    for (int i = std::max(0, x); i < std::min(m_width, x + w); ++i) {
      Rgba& p = m_pixels[static_cast<std::size_t>(j) * m_width + i];
      p = Shade(p, 100 - amount + static_cast<int>(random.below(static_cast<std::uint32_t>(2 * amount + 1))));
    }
}

void Canvas::border(int x, int y, int w, int h, int t, Rgba c) {
  fillRect(x, y, w, t, c);
  fillRect(x, y + h - t, w, t, c);
  fillRect(x, y, t, h, c);
  fillRect(x + w - t, y, t, h, c);
}

Canvas Canvas::half(bool point) const {
  const int w = std::max(1, m_width / 2), h = std::max(1, m_height / 2);
  Canvas out(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = std::min(2 * x, m_width - 1), sy = std::min(2 * y, m_height - 1);
      if (point) {
        out.set(x, y, at(sx, sy));
        continue;
      }
      int r = 0, g = 0, b = 0, a = 0, n = 0;
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
          const Rgba p = at(std::min(sx + i, m_width - 1), std::min(sy + j, m_height - 1));
          r += p.r * (p.a + 1);
          g += p.g * (p.a + 1);
          b += p.b * (p.a + 1);
          a += p.a;
          n += p.a + 1;
        }
      out.set(x, y, {Clamp8(r / n), Clamp8(g / n), Clamp8(b / n), Clamp8((a + 2) / 4)});
    }
  return out;
}

}  // namespace dravo::demo
