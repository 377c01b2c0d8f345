#pragma once

// Reduces a 32-bit picture to 256 colours for GIF frames, and measures the error it made.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/area_scale.h"

namespace dravo {

struct Rgb8 {
  std::uint8_t r = 0;
  std::uint8_t g = 0;
  std::uint8_t b = 0;
  friend bool operator==(const Rgb8&, const Rgb8&) = default;
};

// A picture of palette indexes, rows top first, width × height of them.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb8> palette;
  std::vector<std::uint8_t> indices;

  std::uint8_t at(int x, int y) const {
    return indices[std::size_t(y) * std::size_t(width) + std::size_t(x)];
  }
};

struct QuantiserSettings {
  int maxColours = 256;  // 2 to 256
  // The pixel (x + y × width) whose colour gets a palette entry of its own, to which only pixels of
  // exactly that colour map; -1 for none. A transparent GIF background takes its index from such a
  // pixel, and no colour of the picture that merely lies near the background must vanish with it.
  std::ptrdiff_t exactPixel = -1;
  // Most k-means passes over the picture's colours after the first palette; they stop earlier once a
  // pass gains less than `settleRatio` of the error.
  int refinementPasses = 12;
  double settleRatio = 0.002;
};

// Reduces a picture of blue, green, red, alpha bytes (alpha is not looked at) to at most maxColours
// colours, the palette's size being the number of entries used. A picture with no more colours than
// that keeps them exactly. Otherwise the first palette comes from Wu's variance-minimising box
// splitting and is refined by k-means on the picture's own colours, each weighted by its pixel count;
// every pixel then takes its nearest palette entry by squared red-green-blue distance, no dithering.
// Throws std::invalid_argument for an empty picture or settings out of range.
IndexedImage QuantiseBgra(const PixelView32& picture, const QuantiserSettings& settings = {});

// The palette QuantiseBgra would make for a picture with these colours (0xRRGGBB, each once) and pixel
// counts, without the picture: for a histogram gathered over many pictures. `exactPixel` is not looked
// at. Throws std::invalid_argument for no colours, lists of unequal length or settings out of range.
std::vector<Rgb8> QuantiseColours(const std::vector<std::uint32_t>& colours,
                                  const std::vector<std::uint32_t>& counts,
                                  const QuantiserSettings& settings = {});

// How far a reduced picture lies from its source: the mean of the squared differences of red, green
// and blue over all pixels and channels, and the peak signal-to-noise ratio in decibels (infinite
// for an exact copy). The two must have the same size.
struct ColourError {
  double meanSquared = 0;
  double psnr = 0;
};
ColourError MeasureColourError(const PixelView32& source, const IndexedImage& image);

}  // namespace dravo
