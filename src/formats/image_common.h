#pragma once

// Helpers shared by the image readers; not part of the library's interface.

#include <cstdint>
#include <string>

#include "formats/bitmap.h"
#include "formats/image_error.h"

namespace dravo::image_detail {

inline void CheckSides(std::int64_t width, std::int64_t height, int maxSide, const std::string& name) {
  if (width < 1 || height < 1)
    throw ImageFileError(
        name, "the picture has no pixels (" + std::to_string(width) + " x " + std::to_string(height) + ")");
  if (width > maxSide || height > maxSide)
    throw ImageFileError(name, "the picture is too large (" + std::to_string(width) + " x " +
                                   std::to_string(height) + ", at most " + std::to_string(maxSide) +
                                   " pixels a side)");
}

inline void SetOpaque(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y) {
    std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x)
      p[x * 4 + 3] = 255;
  }
}

// A 32-bit picture whose file declares no alpha may still carry one in the spare byte; when every
// spare byte is zero it carries none, and the picture is meant to be opaque.
inline void OpaqueIfAlphaAllZero(Bitmap& bitmap) {
  for (int y = 0; y < bitmap.height(); ++y) {
    const std::uint8_t* p = bitmap.scanLine(y);
    for (int x = 0; x < bitmap.width(); ++x)
      if (p[x * 4 + 3] != 0) return;
  }
  SetOpaque(bitmap);
}

}  // namespace dravo::image_detail
