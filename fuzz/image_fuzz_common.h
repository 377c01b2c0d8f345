#pragma once

// What the texture code does with a picture once it is read, so the fuzzers reach it too.

#include "formats/bitmap.h"
#include "formats/dxt_bitmap.h"

namespace dravo::fuzz {

// Fuzzed pictures stay small so each input runs quickly; the size limit itself is the same code.
inline constexpr int kFuzzMaxSide = 1024;

inline void UsePicture(Bitmap& bitmap) {
  bool hasKey = false;
  std::uint32_t format = 0, keyMask = 0;
  int bitsPerPixel = 0;
  if (AnalyseBitmap(&bitmap, hasKey, format, keyMask, bitsPerPixel)) {
    Bitmap keyed = bitmap;
    ApplyColourKey(&keyed, bitsPerPixel);
  }
  (void)bitmap.toRgba();
  bitmap.changeDepthTo32();
}

}  // namespace dravo::fuzz
