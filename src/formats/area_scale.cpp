#include "formats/area_scale.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace dravo {

namespace {

// The source pixels one target pixel covers, with their weights. Measured in 1/target-size of a source
// pixel, target pixel t covers [t × src, (t + 1) × src) and source pixel i covers [i × dst, (i + 1) × dst):
// the overlaps are whole numbers and add up to `src` for every target pixel.
struct Taps {
  std::vector<std::uint32_t> first;   // per target pixel: its first source pixel
  std::vector<std::uint32_t> offset;  // per target pixel, and one past the end: where its weights start
  std::vector<std::uint32_t> weight;
};

Taps MakeTaps(int src, int dst) {
  Taps taps;
  taps.first.resize(std::size_t(dst));
  taps.offset.resize(std::size_t(dst) + 1);
  const std::int64_t s = src;
  const std::int64_t d = dst;
  for (std::int64_t t = 0; t < d; ++t) {
    const std::int64_t begin = t * s;
    const std::int64_t end = begin + s;
    const std::int64_t firstPixel = begin / d;
    const std::int64_t lastPixel = (end - 1) / d;
    taps.first[std::size_t(t)] = static_cast<std::uint32_t>(firstPixel);
    taps.offset[std::size_t(t)] = static_cast<std::uint32_t>(taps.weight.size());
    for (std::int64_t i = firstPixel; i <= lastPixel; ++i) {
      const std::int64_t overlap = std::min(end, (i + 1) * d) - std::max(begin, i * d);
      taps.weight.push_back(static_cast<std::uint32_t>(overlap));
    }
  }
  taps.offset[std::size_t(dst)] = static_cast<std::uint32_t>(taps.weight.size());
  return taps;
}

}  // namespace

void AreaScale32(const PixelView32& src, std::uint8_t* dst, int dstWidth, int dstHeight,
                 std::ptrdiff_t dstPitch) {
  if (src.width < 1 || src.height < 1 || dstWidth < 1 || dstHeight < 1)
    throw std::invalid_argument("picture sizes must be at least 1 pixel");
  if (src.width > 65535 || src.height > 65535 || dstWidth > 65535 || dstHeight > 65535)
    throw std::invalid_argument("picture sizes must be at most 65535 pixels");
  if (!src.pixels || !dst) throw std::invalid_argument("no pixels to scale");

  const Taps across = MakeTaps(src.width, dstWidth);
  const Taps down = MakeTaps(src.height, dstHeight);
  const std::size_t rowValues = std::size_t(dstWidth) * 4;

  // Across first: each source row becomes dstWidth sums of weight src.width (at most 255 × 65535).
  std::vector<std::uint32_t> rows(std::size_t(src.height) * rowValues);
  for (int y = 0; y < src.height; ++y) {
    const std::uint8_t* in = src.pixels + std::ptrdiff_t(y) * src.pitch;
    std::uint32_t* out = rows.data() + std::size_t(y) * rowValues;
    for (int x = 0; x < dstWidth; ++x) {
      const std::uint8_t* p = in + std::size_t(across.first[std::size_t(x)]) * 4;
      std::uint32_t c0 = 0, c1 = 0, c2 = 0, c3 = 0;
      for (std::uint32_t k = across.offset[std::size_t(x)]; k < across.offset[std::size_t(x) + 1];
           ++k, p += 4) {
        const std::uint32_t w = across.weight[k];
        c0 += w * p[0];
        c1 += w * p[1];
        c2 += w * p[2];
        c3 += w * p[3];
      }
      out[4 * x] = c0;
      out[4 * x + 1] = c1;
      out[4 * x + 2] = c2;
      out[4 * x + 3] = c3;
    }
  }

  // Then down: the sums reach 255 × width × height, past 32 bits for large sources.
  const std::uint64_t total = std::uint64_t(src.width) * std::uint64_t(src.height);
  const std::uint64_t half = total / 2;
  std::vector<std::uint64_t> sum(rowValues);
  for (int y = 0; y < dstHeight; ++y) {
    std::fill(sum.begin(), sum.end(), 0);
    std::uint32_t row = down.first[std::size_t(y)];
    for (std::uint32_t k = down.offset[std::size_t(y)]; k < down.offset[std::size_t(y) + 1]; ++k, ++row) {
      const std::uint64_t w = down.weight[k];
      const std::uint32_t* in = rows.data() + std::size_t(row) * rowValues;
      for (std::size_t i = 0; i < rowValues; ++i)
        sum[i] += w * in[i];
    }
    std::uint8_t* out = dst + std::ptrdiff_t(y) * dstPitch;
    for (std::size_t i = 0; i < rowValues; ++i)
      out[i] = static_cast<std::uint8_t>((sum[i] + half) / total);
  }
}

}  // namespace dravo
