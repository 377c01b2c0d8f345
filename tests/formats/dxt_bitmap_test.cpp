#include "formats/dxt_bitmap.h"

#include <gtest/gtest.h>

#include <functional>

#include "formats/d3d_format_codes.h"
#include "formats/image_file.h"
#include "image_fixtures.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;
using dravo::test::Pixels;

TEST(MipLevelCount, CountsHalvings) {
  const std::pair<int, int> cases[] = {{0, 1}, {1, 1},   {2, 2},   {3, 2},
                                       {4, 3}, {255, 8}, {256, 9}, {1024, 11}};
  for (auto [n, levels] : cases)
    EXPECT_EQ(MipLevelCount(n), levels) << n;
  EXPECT_EQ(MipLevelCount(std::min(256, 128)), 8);  // a 256 x 128 bitmap
}

TEST(TextureSize, EachSideAPowerOfTwoUpTo1024) {
  struct Case {
    int width, height;
    bool allowed;
  };
  for (const Case c : {Case{512, 256, true}, Case{1, 1, true}, Case{1024, 1024, true}, Case{1, 1024, true},
                       Case{640, 480, false}, Case{6, 6, false}, Case{2048, 2048, false},
                       Case{1024, 2048, false}, Case{0, 4, false}, Case{4, -4, false}, Case{256, 96, false}})
    EXPECT_EQ(TextureSizeAllowed(c.width, c.height), c.allowed) << c.width << " x " << c.height;
}

namespace {

struct Analysis {
  bool ok = false;
  bool hasKey = false;
  std::uint32_t format = 0;
  std::uint32_t keyMask = 0;
  int bitsPerPixel = 0;
};

Analysis Analyse(const Bitmap* b) {
  Analysis a;
  a.ok = AnalyseBitmap(b, a.hasKey, a.format, a.keyMask, a.bitsPerPixel);
  return a;
}

Bitmap With(int width, int bitsPerPixel, const ColourMasks& masks, std::uint32_t last) {
  Bitmap b(width, 3, bitsPerPixel, masks);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < width; ++x)
      b.setPixel(x, y, 0x1234 & (bitsPerPixel == 15 ? 0x7FFF : 0xFFFF));
  b.setPixel(width - 1, 2, last);  // the very last pixel, so the whole picture is scanned
  return b;
}

}  // namespace

TEST(AnalyseBitmap, FormatKeyAndMaskForEveryDepth) {
  using namespace fmtcode;
  struct Case {
    const char* what;
    Bitmap bitmap;
    bool hasKey;
    std::uint32_t format, keyMask;
    int bitsPerPixel;
  };
  const Case cases[] = {
      {"15-bit, no pink", With(4, 15, {}, 0x7C1E), false, kX1R5G5B5, 0x7C1F, 15},
      {"15-bit, pink", With(4, 15, {}, 0x7C1F), true, kX1R5G5B5, 0x7C1F, 15},
      {"16-bit plain, pink", With(4, 16, {}, 0x7C1F), true, kX1R5G5B5, 0x7C1F, 16},
      {"16-bit plain, pink with green", With(4, 16, {}, 0x7FFF), true, kX1R5G5B5, 0x7C1F, 16},
      {"16-bit plain, no pink", With(4, 16, {}, 0x7C0F), false, kX1R5G5B5, 0x7C1F, 16},
      {"1-5-5-5, pink and alpha", With(4, 16, kMasks1555, 0xFC1F), true, kX1R5G5B5, 0x7C1F, 16},
      {"5-6-5, pink", With(4, 16, kMasks565, 0xF81F), true, kR5G6B5, 0xF81F, 16},
      {"5-6-5, 5-5-5 pink is not pink", With(4, 16, kMasks565, 0x7C1F), false, kR5G6B5, 0xF81F, 16},
      {"4-4-4-4 has its own alpha", With(4, 16, kMasks4444, 0x1234), true, kA4R4G4B4, 0x0F0F, 16},
      {"24-bit, magenta", With(4, 24, {}, 0xFF00FF), true, kX8R8G8B8, 0xFF00FF, 24},
      {"24-bit, nearly magenta", With(4, 24, {}, 0xFF01FF), false, kX8R8G8B8, 0xFF00FF, 24},
      {"24-bit, one pixel wide", With(1, 24, {}, 0x123456), false, kX8R8G8B8, 0xFF00FF, 24},
      {"24-bit, two pixels wide", With(2, 24, {}, 0xFF00FF), true, kX8R8G8B8, 0xFF00FF, 24},
      {"16-bit, one pixel wide", With(1, 16, {}, 0x7C1F), true, kX1R5G5B5, 0x7C1F, 16},
      {"32-bit has its own alpha", With(4, 32, {}, 0), true, kA8R8G8B8, 0, 32},
  };
  for (const Case& c : cases) {
    const Analysis a = Analyse(&c.bitmap);
    EXPECT_TRUE(a.ok) << c.what;
    EXPECT_EQ(a.hasKey, c.hasKey) << c.what;
    EXPECT_EQ(a.format, c.format) << c.what;
    EXPECT_EQ(a.keyMask, c.keyMask) << c.what;
    EXPECT_EQ(a.bitsPerPixel, c.bitsPerPixel) << c.what;
  }
  const Bitmap empty;
  EXPECT_FALSE(Analyse(nullptr).ok);
  EXPECT_FALSE(Analyse(&empty).ok);
}

TEST(AnalyseBitmap, SinglePinkPixelAnywhere) {
  Bitmap b(8, 8, 24);
  EXPECT_FALSE(Analyse(&b).hasKey);
  b.setColour(5, 6, {255, 0, 255, 255});
  EXPECT_TRUE(Analyse(&b).hasKey);
  b.setColour(5, 6, {255, 1, 255, 255});
  EXPECT_FALSE(Analyse(&b).hasKey);
}

TEST(ApplyColourKey, SixteenBitsSetTheAlphaBitOnAllButPink) {
  for (int depth : {15, 16}) {
    Bitmap b(3, 1, depth);
    b.setPixel(0, 0, 0x7C1F);
    b.setPixel(1, 0, 0x0000);
    b.setPixel(2, 0, 0x7C1E);
    ASSERT_TRUE(ApplyColourKey(&b, depth));
    EXPECT_EQ(Pixels(b), (std::vector<std::uint32_t>{0x7C1F, 0x8000, 0xFC1E})) << depth;
  }
  // A pink pixel whose file set the bit still ends up transparent.
  Bitmap alpha(2, 1, 16, kMasks1555);
  alpha.setPixel(0, 0, 0xFC1F);
  alpha.setPixel(1, 0, 0x03E0);
  ASSERT_TRUE(ApplyColourKey(&alpha, 0));
  EXPECT_EQ(Pixels(alpha), (std::vector<std::uint32_t>{0x7C1F, 0x83E0}));
}

TEST(ApplyColourKey, TwentyFourBitsBecome32WithOpaqueAllButMagenta) {
  Bitmap b(2, 2, 24);
  b.setPixel(0, 0, 0xFF00FF);
  b.setPixel(1, 0, 0xFF01FF);
  b.setPixel(0, 1, 0x000000);
  b.setPixel(1, 1, 0x123456);
  ASSERT_TRUE(ApplyColourKey(&b, 24));
  EXPECT_EQ(b.bitsPerPixel(), 32);
  EXPECT_EQ(Pixels(b), (std::vector<std::uint32_t>{0x00FF00FF, 0xFFFF01FF, 0xFF000000, 0xFF123456}));
}

TEST(ApplyColourKey, LeavesOtherDepthsAndRefusesWhatItCannotKey) {
  Bitmap b32 = dravo::test::Pattern(3, 3, 32);
  const auto before = Pixels(b32);
  EXPECT_TRUE(ApplyColourKey(&b32, 32));
  EXPECT_EQ(Pixels(b32), before);

  struct Case {
    const char* what;
    std::function<Bitmap()> make;
    int bitsPerPixel;
  };
  const Case refused[] = {
      {"depth not the bitmap's", [] { return Bitmap(2, 2, 16); }, 24},
      {"24 given for 16", [] { return Bitmap(2, 2, 24); }, 16},
      {"5-6-5 has no spare bit", [] { return Bitmap(2, 2, 16, kMasks565); }, 16},
      {"4-4-4-4 keeps its alpha", [] { return Bitmap(2, 2, 16, kMasks4444); }, 0},
      {"empty", [] { return Bitmap(); }, 16},
  };
  for (const Case& c : refused) {
    Bitmap b = c.make();
    const std::vector<std::uint8_t> bits(b.bits().begin(), b.bits().end());
    EXPECT_FALSE(ApplyColourKey(&b, c.bitsPerPixel)) << c.what;
    EXPECT_TRUE(std::equal(bits.begin(), bits.end(), b.bits().begin(), b.bits().end())) << c.what;
  }
  EXPECT_FALSE(ApplyColourKey(nullptr, 16));
}

// From an image file to the texture format and the pink question, for every depth a file can have.
TEST(AnalyseBitmap, ImageFilesOfEveryDepth) {
  using namespace fmtcode;
  TempDir dir;
  auto pink = [](int bitsPerPixel, const ColourMasks& masks, std::uint32_t pinkPixel) {
    Bitmap b(4, 4, bitsPerPixel, masks);
    b.setPixel(2, 3, pinkPixel);
    return b;
  };
  std::vector<std::uint8_t> rgba(4 * 4 * 4, 255);
  rgba[(3 * 4 + 2) * 4 + 1] = 0;  // one magenta pixel
  struct Case {
    const char* file;
    std::function<void(const std::filesystem::path&)> write;
    std::uint32_t format;
    bool hasKey;
    bool asksPink;
  };
  const Case cases[] = {
      {"15.tga", [&](auto p) { WriteTga(p, pink(15, {}, 0x7C1F), {.rle = true}); }, kX1R5G5B5, true, true},
      {"16.tga", [&](auto p) { WriteTga(p, pink(16, {}, 0x7C1F)); }, kX1R5G5B5, true, true},
      {"1555.tga", [&](auto p) { WriteTga(p, pink(16, kMasks1555, 0xFC1F)); }, kX1R5G5B5, true, true},
      {"24.tga", [&](auto p) { WriteTga(p, pink(24, {}, 0xFF00FF)); }, kX8R8G8B8, true, false},
      {"32.tga", [&](auto p) { WriteTga(p, pink(32, {}, 0x80FF00FF)); }, kA8R8G8B8, true, false},
      {"16.bmp", [&](auto p) { WriteBmp(p, pink(16, {}, 0x7C1F)); }, kX1R5G5B5, true, true},
      {"plain16.bmp", [&](auto p) { WriteBmp(p, Bitmap(4, 4, 16)); }, kX1R5G5B5, false, false},
      {"565.bmp", [&](auto p) { WriteBmp(p, pink(16, kMasks565, 0xF81F)); }, kR5G6B5, true, false},
      {"4444.bmp", [&](auto p) { WriteBmp(p, pink(16, kMasks4444, 0xFF0F)); }, kA4R4G4B4, true, false},
      {"24.bmp", [&](auto p) { WriteBmp(p, pink(24, {}, 0xFF00FF)); }, kX8R8G8B8, true, false},
      {"32.bmp", [&](auto p) { WriteBmp(p, pink(32, {}, 0xFFFF00FF), {.header = BmpHeader::V5}); }, kA8R8G8B8,
       true, false},
      {"24.png", [&](auto p) { WriteBytes(p, EncodePng(4, 4, rgba, PngColour::Rgb)); }, kX8R8G8B8, true,
       false},
      {"32.png", [&](auto p) { WriteBytes(p, EncodePng(4, 4, rgba)); }, kA8R8G8B8, true, false},
  };
  for (const Case& c : cases) {
    c.write(dir / c.file);
    Bitmap image = LoadImageFile(dir / c.file);
    const Analysis a = Analyse(&image);
    ASSERT_TRUE(a.ok) << c.file;
    EXPECT_EQ(a.format, c.format) << c.file;
    EXPECT_EQ(a.hasKey, c.hasKey) << c.file;
    // Only 5-5-5 pictures with pink pixels ask whether pink is transparent.
    const bool asks = a.format == kX1R5G5B5 && a.hasKey;
    EXPECT_EQ(asks, c.asksPink) << c.file;
    if (asks) {
      ASSERT_TRUE(ApplyColourKey(&image, a.bitsPerPixel));
      EXPECT_EQ(image.pixel(2, 3) & 0x8000, 0u) << c.file;
      EXPECT_EQ(image.pixel(0, 0) & 0x8000, 0x8000u) << c.file;
    }
  }
}
