// The picture writers: any picture of any depth the writers take is written as PNG, BMP and Targa
// (each layout option) and as a .dxt file, and every file must read back as the same pixels. The
// input is 4 bytes of size and settings, then the pixels (repeated when too few).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "formats/bitmap.h"
#include "formats/bmp_file.h"
#include "formats/dxt_file.h"
#include "formats/png_file.h"
#include "formats/tga_file.h"
#include "fuzz_checks.h"

using namespace dravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 5) return 0;
  const int width = 1 + data[0] % 48;
  const int height = 1 + data[1] % 48;
  static constexpr int kDepths[] = {15, 16, 24, 32};
  const int depth = kDepths[data[2] % 4];
  const std::uint8_t options = data[3];
  const std::uint8_t* pixels = data + 4;
  const std::size_t count = size - 4;

  Bitmap picture =
      depth == 16 && (options & 1) ? Bitmap(width, height, 16, kMasks1555) : Bitmap(width, height, depth);
  std::size_t at = 0;
  for (std::uint8_t& byte : picture.bits())
    byte = pixels[at++ % count];
  const std::vector<std::uint8_t> rgba = picture.toRgba();

  // Targa and BMP keep the picture's own depth and layout: the same pixel values come back.
  for (const bool rle : {false, true}) {
    const Bitmap tga = ReadTga(EncodeTga(picture, {rle, (options & 2) != 0}), "fuzz.tga");
    FUZZ_REQUIRE(tga.width() == width && tga.height() == height && tga.toRgba() == rgba);
  }
  for (const BmpHeader header : {BmpHeader::Info, BmpHeader::V5}) {
    const Bitmap bmp = ReadBmp(EncodeBmp(picture, {header, (options & 4) != 0}), "fuzz.bmp");
    FUZZ_REQUIRE(bmp.width() == width && bmp.height() == height);
    // A plain 32-bit BMP (an info header, no masks) has no alpha by definition: colours only.
    std::vector<std::uint8_t> back = bmp.toRgba(), expected = rgba;
    if (header == BmpHeader::Info && depth == 32)
      for (std::size_t i = 3; i < back.size(); i += 4)
        back[i] = expected[i] = 0;
    FUZZ_REQUIRE(back == expected);
  }
  // PNG is written from the colours: red, green, blue and alpha come back as given.
  const Bitmap png = ReadPng(EncodePngRgba(width, height, rgba), "fuzz.png");
  FUZZ_REQUIRE(png.width() == width && png.height() == height && png.toRgba() == rgba);

  // A .dxt file of any code reads back as written, and its full level decodes to the picture's size.
  static constexpr std::uint32_t kCodes[] = {kDxtCodeDxt1, kDxtCodeDxt3, kDxtCodeDxt5, kDxtCodePalette};
  DxtFileLayout layout;
  layout.prefix = (options & 8) != 0;
  layout.code = kCodes[(options >> 4) % 4];
  layout.width = static_cast<std::uint32_t>(width);
  layout.height = static_cast<std::uint32_t>(height);
  for (std::size_t i = 0; i < layout.palette.size(); ++i)
    layout.palette[i] = {pixels[i % count], pixels[(i + 1) % count], pixels[(i + 2) % count],
                         pixels[(i + 3) % count]};
  std::vector<std::uint8_t> level(DxtLevelBytes(layout.code, layout.width, layout.height));
  for (std::size_t i = 0; i < level.size(); ++i)
    level[i] = pixels[i % count];
  layout.levels.push_back({layout.width, layout.height, level});
  const std::vector<std::uint8_t> dxt = WriteDxtFile(layout);
  const DxtFileInfo info = ParseDxtFile(dxt);
  FUZZ_REQUIRE(info.code == layout.code && info.width == layout.width && info.height == layout.height);
  FUZZ_REQUIRE(info.levels.size() == 1 && info.levels[0].size == level.size());
  const auto start = dxt.begin() + static_cast<std::ptrdiff_t>(info.levels[0].offset);
  FUZZ_REQUIRE(std::vector<std::uint8_t>(start, start + static_cast<std::ptrdiff_t>(level.size())) == level);
  FUZZ_REQUIRE(DecodeDxtRgba(dxt, info).size() == std::size_t(width) * std::size_t(height) * 4);
  return 0;
}
