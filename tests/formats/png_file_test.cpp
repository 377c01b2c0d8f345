#include "formats/png_file.h"

#include <gtest/gtest.h>

#include "formats/image_error.h"
#include "image_fixtures.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;
using dravo::test::Pixels;

namespace {
// 3 x 2: red, green, blue / half-transparent white, clear black, opaque grey.
const std::vector<std::uint8_t> kRgba{255, 0,   0,   255, 0, 255, 0, 255, 0,   0,   255, 255,
                                      255, 255, 255, 128, 0, 0,   0, 0,   128, 128, 128, 255};
}  // namespace

TEST(PngFile, AlphaDecidesBetween24And32Bits) {
  const Bitmap rgba = ReadPng(EncodePng(3, 2, kRgba, PngColour::Rgba), "a.png");
  EXPECT_EQ(rgba.bitsPerPixel(), 32);
  EXPECT_EQ(rgba.toRgba(), kRgba);

  const Bitmap rgb = ReadPng(EncodePng(3, 2, kRgba, PngColour::Rgb), "a.png");
  EXPECT_EQ(rgb.bitsPerPixel(), 24);
  EXPECT_EQ(Pixels(rgb), (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0, 0x808080}));

  const Bitmap grey = ReadPng(EncodePng(3, 2, kRgba, PngColour::Grey), "a.png");
  EXPECT_EQ(grey.bitsPerPixel(), 24);
  EXPECT_EQ(grey.pixel(2, 1), 0x808080u);
  EXPECT_EQ(grey.pixel(0, 1), 0xFFFFFFu);
}

TEST(PngFile, PalettePicturesKeepTheirTransparency) {
  const Bitmap withAlpha = ReadPng(EncodePng(3, 2, kRgba, PngColour::Palette), "a.png");
  EXPECT_EQ(withAlpha.bitsPerPixel(), 32);
  EXPECT_EQ(withAlpha.toRgba(), kRgba);

  std::vector<std::uint8_t> opaque = kRgba;
  for (std::size_t i = 3; i < opaque.size(); i += 4)
    opaque[i] = 255;
  const Bitmap plain = ReadPng(EncodePng(3, 2, opaque, PngColour::Palette), "a.png");
  EXPECT_EQ(plain.bitsPerPixel(), 24);
  EXPECT_EQ(plain.toRgba(), opaque);

  std::vector<std::uint8_t> many;
  for (int i = 0; i < 257; ++i)
    many.insert(many.end(), {std::uint8_t(i), std::uint8_t(i >> 8), 0, 255});
  EXPECT_THROW(EncodePng(257, 1, many, PngColour::Palette), std::invalid_argument);
}

TEST(PngFile, RowsOfOddWidthsLandOnPaddedScanLines) {
  // 24-bit rows of 5 pixels are 15 bytes, padded to 16.
  std::vector<std::uint8_t> rgba;
  for (int i = 0; i < 5 * 3; ++i)
    rgba.insert(rgba.end(), {std::uint8_t(i), std::uint8_t(i * 3), 7, 255});
  const Bitmap b = ReadPng(EncodePng(5, 3, rgba, PngColour::Rgb), "a.png");
  EXPECT_EQ(b.bytesPerLine(), 16);
  EXPECT_EQ(b.toRgba(), rgba);
}

TEST(PngFile, WritePngRgbaReplacesTheFileWhole) {
  TempDir dir;
  WriteText(dir / "shot.png", "old");
  WritePngRgba(dir / "shot.png", 3, 2, kRgba);
  EXPECT_EQ(ReadPng(ReadBytes(dir / "shot.png"), "shot.png").toRgba(), kRgba);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_THROW(WritePngRgba(dir / "shot.png", 4, 2, kRgba), std::invalid_argument);
}

TEST(PngFile, DamagedFilesAreRefusedWithTheirFault) {
  const auto good = EncodePng(3, 2, kRgba);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* fault;
    int maxSide;
  };
  const Case cases[] = {
      {"empty", {}, "not a readable PNG", Bitmap::kMaxSide},
      {"not a PNG", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0}, "not a readable PNG", Bitmap::kMaxSide},
      {"cut in the header", {good.begin(), good.begin() + 20}, "not a readable PNG", Bitmap::kMaxSide},
      {"cut in the pixels", {good.begin(), good.end() - 20}, "damaged", Bitmap::kMaxSide},
      {"too large", good, "too large", 2},
  };
  for (const Case& c : cases) {
    try {
      ReadPng(c.bytes, "skin.png", c.maxSide);
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const ImageFileError& e) {
      EXPECT_EQ(e.file(), "skin.png");
      EXPECT_NE(e.fault().find(c.fault), std::string::npos) << c.what << ": " << e.what();
    }
  }
}
