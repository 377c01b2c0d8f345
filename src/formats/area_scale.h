#pragma once

// Area-averaging scaling of 4-byte-a-pixel pictures, as the GIF export shrinks frames.

#include <cstddef>
#include <cstdint>

namespace dravo {

// A picture of 4 bytes a pixel held by someone else: a device's locked back buffer, a bitmap's bits.
// Rows are `pitch` bytes apart, top row first. The byte order is the caller's; the GIF export takes
// blue, green, red, alpha (an A8R8G8B8 or X8R8G8B8 surface as it lies in memory).
struct PixelView32 {
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  std::ptrdiff_t pitch = 0;
};

// Scales a picture of 4 bytes a pixel to `dstWidth` × `dstHeight` by area averaging: every target
// pixel is the mean of the source area it covers, each source pixel weighted by exactly the part of it
// that lies inside, rounded to the nearest value. Width and height scale independently (the aspect
// ratio is not kept), and each byte of a pixel is averaged on its own, whatever the channel order.
// `dst` holds rows of dstWidth × 4 bytes, `dstPitch` apart. Throws std::invalid_argument for a
// size below 1 or a source larger than 65535 × 65535.
void AreaScale32(const PixelView32& src, std::uint8_t* dst, int dstWidth, int dstHeight,
                 std::ptrdiff_t dstPitch);

}  // namespace dravo
