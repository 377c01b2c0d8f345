// A GIF frame's way from the back buffer to palette indexes: area scaling and colour reduction of any
// picture. The input is 4 bytes of sizes and settings, then the pixels (repeated when too few).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "formats/area_scale.h"
#include "formats/colour_quantiser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const int width = 1 + data[0] % 96;
  const int height = 1 + data[1] % 96;
  const int side = 1 + data[2] % 80;
  const int colours = 2 + data[3] % 255;
  const bool exact = (data[4] & 1) != 0;
  const std::uint8_t* pixels = data + 5;
  const std::size_t count = size - 5;
  if (count == 0) return 0;

  std::vector<std::uint8_t> frame(std::size_t(width) * std::size_t(height) * 4);
  for (std::size_t i = 0; i < frame.size(); ++i)
    frame[i] = pixels[i % count];
  std::vector<std::uint8_t> scaled(std::size_t(side) * std::size_t(side) * 4);
  dravo::AreaScale32({frame.data(), width, height, std::ptrdiff_t(width) * 4}, scaled.data(), side, side,
                     std::ptrdiff_t(side) * 4);

  dravo::QuantiserSettings settings;
  settings.maxColours = colours;
  if (exact) settings.exactPixel = std::ptrdiff_t(side - 1) * side;
  const dravo::PixelView32 view{scaled.data(), side, side, std::ptrdiff_t(side) * 4};
  const dravo::IndexedImage image = dravo::QuantiseBgra(view, settings);

  // What the GIF writer relies on: a palette within bounds and every index inside it; the exact
  // pixel's entry holds its colour and only that colour.
  if (image.palette.empty() || image.palette.size() > std::size_t(colours)) std::abort();
  for (const std::uint8_t index : image.indices)
    if (index >= image.palette.size()) std::abort();
  if (exact) {
    const std::uint8_t background = image.at(0, side - 1);
    const std::uint8_t* b = &scaled[std::size_t(side - 1) * std::size_t(side) * 4];
    for (int p = 0; p < side * side; ++p) {
      const std::uint8_t* s = &scaled[std::size_t(p) * 4];
      const bool same = s[0] == b[0] && s[1] == b[1] && s[2] == b[2];
      if ((image.indices[std::size_t(p)] == background) != same) std::abort();
    }
  }
  (void)dravo::MeasureColourError(view, image);
  return 0;
}
