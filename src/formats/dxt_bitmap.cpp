#include "formats/dxt_bitmap.h"

#include "core/byte_io.h"
#include "formats/d3d_format_codes.h"

namespace dravo {

int MipLevelCount(int n) {
  int levels = 1;
  while (n > 1) {
    n /= 2;
    ++levels;
  }
  return levels;
}

namespace {
bool PowerOfTwoUpTo1024(int n) {
  return n >= 1 && n <= 1024 && (n & (n - 1)) == 0;
}
}  // namespace

bool TextureSizeAllowed(int width, int height) {
  return PowerOfTwoUpTo1024(width) && PowerOfTwoUpTo1024(height);
}

bool AnalyseBitmap(const Bitmap* bitmap, bool& hasKey, std::uint32_t& format, std::uint32_t& keyMask,
                   int& bitsPerPixel) {
  if (bitmap == nullptr || bitmap->empty()) return false;
  hasKey = false;
  format = fmtcode::kX8R8G8B8;
  keyMask = 0;
  const DibSection dib = bitmap->dibSection();
  bitsPerPixel = dib.bitsPerPixel;
  // Bytes per line ÷ width would count the row padding of 1- and 2-pixel-wide bitmaps as pixel
  // bytes (a 2 x 2 24-bit bitmap has 8-byte rows) and take them for 32-bit ones; the depth is exact.
  const int bytesPerPixel = (dib.bitsPerPixel + 7) / 8;
  switch (bytesPerPixel) {
    case 2:
      if (dib.bitsPerPixel == 16 && dib.hasMasks) {
        if (dib.masks.green == 0x00F0)
          format = fmtcode::kA4R4G4B4;
        else if (dib.masks.green == 0x07E0)
          format = fmtcode::kR5G6B5;
        else
          format = fmtcode::kX1R5G5B5;
        keyMask = dib.masks.red | dib.masks.blue;
        if (format == fmtcode::kA4R4G4B4) {
          hasKey = true;  // its own alpha
          return true;
        }
      } else {
        format = fmtcode::kX1R5G5B5;
        keyMask = 0x7C1F;
      }
      break;
    case 3:
      keyMask = dib.hasMasks ? (dib.masks.red | dib.masks.blue) : 0xFF00FF;
      break;
    case 4:
      hasKey = true;  // its own alpha
      format = fmtcode::kA8R8G8B8;
      return true;
    default:
      return false;
  }

  for (int y = 0; y < dib.height && !hasKey; ++y) {
    const std::uint8_t* p = bitmap->scanLine(y);
    for (int x = 0; x < dib.width; ++x, p += bytesPerPixel) {
      if (bytesPerPixel == 2 ? (LoadU16(p) & keyMask) == keyMask
                             : (p[0] == 255 && p[1] == 0 && p[2] == 255)) {
        hasKey = true;
        break;
      }
    }
  }
  return true;
}

bool ApplyColourKey(Bitmap* bitmap, int bitsPerPixel) {
  if (bitmap == nullptr || bitmap->empty()) return false;
  if (bitsPerPixel == 0) {
    bool hasKey = false;
    std::uint32_t format = 0, keyMask = 0;
    if (!AnalyseBitmap(bitmap, hasKey, format, keyMask, bitsPerPixel)) return false;
  }
  const int own = bitmap->bitsPerPixel();
  const bool twoBytes = own == 15 || own == 16;
  // 15 and 16 name the same 2-byte X1R5G5B5 pixels; any other mismatch would walk the rows with
  // the wrong pixel size.
  if (bitsPerPixel != own && !(twoBytes && (bitsPerPixel == 15 || bitsPerPixel == 16))) return false;

  if (twoBytes) {
    // Only 5-5-5 pixels have a spare top bit to carry the key.
    if (bitmap->hasMasks() && bitmap->masks() != kMasks555 && bitmap->masks() != kMasks1555) return false;
    for (int y = 0; y < bitmap->height(); ++y) {
      std::uint8_t* p = bitmap->scanLine(y);
      for (int x = 0; x < bitmap->width(); ++x, p += 2) {
        const std::uint16_t v = LoadU16(p);
        // Key pixels get a clear bit even when the file had set it, so they always end up transparent.
        StoreU16(p, (v & 0x7FFF) == 0x7C1F ? std::uint16_t(v & 0x7FFF) : std::uint16_t(v | 0x8000));
      }
    }
  } else if (own == 24) {
    bitmap->changeDepthTo32();  // top bytes are 0: transparent until proven opaque
    for (int y = 0; y < bitmap->height(); ++y) {
      std::uint8_t* p = bitmap->scanLine(y);
      for (int x = 0; x < bitmap->width(); ++x, p += 4)
        if ((LoadU32(p) & 0xFFFFFF) != 0xFF00FF) p[3] = 255;
    }
  }
  return true;
}

}  // namespace dravo
