#pragma once

#include <cstdint>
#include <vector>

#include "formats/bitmap.h"

namespace dravo::test {

// A bitmap with runs of equal pixels and single odd ones, using every bit of the layout, so run-
// length coding, row order and every channel are all exercised.
inline Bitmap Pattern(int width, int height, int bitsPerPixel, const ColourMasks& masks = {}) {
  Bitmap b(width, height, bitsPerPixel, masks);
  const std::uint32_t all = bitsPerPixel == 15   ? 0x7FFF
                            : bitsPerPixel == 16 ? 0xFFFF
                            : bitsPerPixel == 24 ? 0xFFFFFF
                                                 : 0xFFFFFFFF;
  std::uint32_t seed = 0x12345678u + std::uint32_t(bitsPerPixel);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      if (x % 5 != 3) seed = seed * 1664525u + 1013904223u;  // some pixels repeat their neighbour
      b.setPixel(x, y, (seed ^ (seed >> 13)) & all);
    }
  return b;
}

// Raw pixel values, row by row.
inline std::vector<std::uint32_t> Pixels(const Bitmap& b, std::uint32_t mask = 0xFFFFFFFF) {
  std::vector<std::uint32_t> out;
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      out.push_back(b.pixel(x, y) & mask);
  return out;
}

}  // namespace dravo::test
