#include "render/block_compress.h"

#include <squish.h>
#include <stb_dxt.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "render/memory_resources.h"

namespace dravo {

namespace {

// Below this many rows of blocks a thread costs more than it saves (the small mip levels).
constexpr UINT kRowsPerThread = 16;

// One block's pixels as red, green, blue, alpha bytes, and the mask of those inside the picture.
int GatherBlock(const D3DCOLOR* pixels, UINT width, UINT height, UINT bx, UINT by, bool premultiply,
                squish::u8 (&rgba)[64]) {
  int mask = 0;
  const bool inside = bx * 4 + 4 <= width && by * 4 + 4 <= height;
  for (UINT i = 0; i < 16; ++i) {
    const UINT x = bx * 4 + i % 4, y = by * 4 + i / 4;
    // Pixels past the edge repeat the edge and don't count for the fit.
    const D3DCOLOR c =
        inside ? pixels[static_cast<size_t>(y) * width + x]
               : pixels[static_cast<size_t>(std::min(y, height - 1)) * width + std::min(x, width - 1)];
    if (inside || (x < width && y < height)) mask |= 1 << i;
    UINT r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    const UINT a = c >> 24;
    if (premultiply) {
      r = (r * a + 127) / 255;
      g = (g * a + 127) / 255;
      b = (b * a + 127) / 255;
    }
    rgba[4 * i] = static_cast<squish::u8>(r);
    rgba[4 * i + 1] = static_cast<squish::u8>(g);
    rgba[4 * i + 2] = static_cast<squish::u8>(b);
    rgba[4 * i + 3] = static_cast<squish::u8>(a);
  }
  return mask;
}

void CompressFast(squish::u8 (&rgba)[64], int mask, D3DFORMAT format, BYTE* out) {
  switch (format) {
    case D3DFMT_DXT1:
      // stb_dxt has no one-bit alpha: blocks with see-through pixels take libsquish's three-colour mode.
      for (int i = 0; i < 16; ++i)
        if ((mask & (1 << i)) && rgba[4 * i + 3] < 128) {
          squish::CompressMasked(rgba, mask, out, squish::kDxt1 | squish::kColourClusterFit);
          return;
        }
      stb_compress_dxt_block(out, rgba, 0, STB_DXT_HIGHQUAL);
      return;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
      // Explicit alpha: each pixel's nearest of 16 levels, straight from its 8 bits.
      for (int i = 0; i < 8; ++i) {
        const int lo = (rgba[8 * i + 3] + 8) / 17, hi = (rgba[8 * i + 7] + 8) / 17;
        out[i] = static_cast<BYTE>(lo | (hi << 4));
      }
      stb_compress_dxt_block(out + 8, rgba, 0, STB_DXT_HIGHQUAL);
      return;
    default:
      stb_compress_dxt_block(out, rgba, 1, STB_DXT_HIGHQUAL);
      return;
  }
}

void CompressRows(const PixelRowSource& source, UINT width, UINT height, D3DFORMAT format, BYTE* dst,
                  UINT pitch, BlockQuality quality, UINT firstRow, UINT endRow) {
  const bool premultiply = format == D3DFMT_DXT2 || format == D3DFMT_DXT4;
  const int flags = SquishFlags(format);
  const UINT blockBytes = FormatBlockBytes(format);
  squish::u8 rgba[64], previous[64];
  int previousMask = -1;
  const BYTE* previousOut = nullptr;
  std::vector<D3DCOLOR> strip(std::size_t(width) * 4);
  for (UINT by = firstRow; by < endRow; ++by) {
    // Four rows of pixels, fewer at the bottom edge.
    const UINT rows = std::min<UINT>(4, height - by * 4);
    for (UINT r = 0; r < rows; ++r)
      source(by * 4 + r, strip.data() + std::size_t(r) * width);
    BYTE* row = dst + static_cast<size_t>(by) * pitch;
    for (UINT bx = 0; bx < (width + 3) / 4; ++bx) {
      const int mask = GatherBlock(strip.data(), width, rows, bx, 0, premultiply, rgba);
      BYTE* out = row + static_cast<size_t>(bx) * blockBytes;
      // Skins repeat blocks (flat paint, borders): the same pixels make the same block.
      if (mask == previousMask && std::memcmp(rgba, previous, sizeof rgba) == 0) {
        std::memcpy(out, previousOut, blockBytes);
        continue;
      }
      std::memcpy(previous, rgba, sizeof rgba);
      previousMask = mask;
      previousOut = out;
      if (quality == BlockQuality::Best)
        squish::CompressMasked(rgba, mask, out, flags);
      else
        CompressFast(rgba, mask, format, out);
    }
  }
}

}  // namespace

int SquishFlags(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
      return squish::kDxt1;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
      return squish::kDxt3;
    default:
      return squish::kDxt5;
  }
}

bool CompressBlocks(const D3DCOLOR* pixels, UINT width, UINT height, D3DFORMAT format, BYTE* dst, UINT pitch,
                    BlockQuality quality, unsigned threads) {
  const auto row = [pixels, width](UINT y, D3DCOLOR* out) {
    std::copy_n(pixels + std::size_t(y) * width, width, out);
  };
  return CompressBlocks(row, width, height, format, dst, pitch, quality, threads);
}

bool CompressBlocks(const PixelRowSource& row, UINT width, UINT height, D3DFORMAT format, BYTE* dst,
                    UINT pitch, BlockQuality quality, unsigned threads) {
  if (!IsBlockCompressed(format)) return false;
  if (width == 0 || height == 0) return true;
  const UINT rows = (height + 3) / 4;
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  threads = std::min<unsigned>(threads, std::max(1u, rows / kRowsPerThread));
  // Contiguous bands of rows; the calling thread takes the first, and any band no thread could be
  // started for.
  const auto band = [&](unsigned t) { return static_cast<UINT>(std::uint64_t(rows) * t / threads); };
  std::vector<std::thread> helpers;
  unsigned started = 1;
  try {
    for (; started < threads; ++started)
      helpers.emplace_back(CompressRows, std::cref(row), width, height, format, dst, pitch, quality,
                           band(started), band(started + 1));
  } catch (const std::system_error&) {
  }
  CompressRows(row, width, height, format, dst, pitch, quality, band(0), band(1));
  for (unsigned t = started; t < threads; ++t)
    CompressRows(row, width, height, format, dst, pitch, quality, band(t), band(t + 1));
  for (std::thread& helper : helpers)
    helper.join();
  return true;
}

}  // namespace dravo
