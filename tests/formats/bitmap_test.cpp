#include "formats/bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "image_fixtures.h"

using namespace dravo;

TEST(Bitmap, RowsArePaddedToFourBytes) {
  struct Case {
    int width, bitsPerPixel, bytesPerLine;
  };
  for (const Case c : {Case{1, 24, 4}, Case{2, 24, 8}, Case{3, 24, 12}, Case{5, 24, 16}, Case{1, 16, 4},
                       Case{3, 15, 8}, Case{4, 16, 8}, Case{5, 32, 20}}) {
    const Bitmap b(c.width, 3, c.bitsPerPixel);
    EXPECT_EQ(b.bytesPerLine(), c.bytesPerLine) << c.width << " x " << c.bitsPerPixel;
    EXPECT_EQ(b.bits().size(), std::size_t(c.bytesPerLine) * 3);
    const DibSection d = b.dibSection();
    EXPECT_EQ(d.bytesPerLine, c.bytesPerLine);
    EXPECT_EQ(d.bitsPerPixel, c.bitsPerPixel);
    EXPECT_FALSE(d.hasMasks);
  }
}

TEST(Bitmap, RefusesImpossibleShapes) {
  EXPECT_THROW(Bitmap(4, 4, 8), std::invalid_argument);
  EXPECT_THROW(Bitmap(0, 4, 24), std::invalid_argument);
  EXPECT_THROW(Bitmap(4, Bitmap::kMaxSide + 1, 24), std::invalid_argument);
  EXPECT_THROW(Bitmap(4, 4, 24, kMasks565), std::invalid_argument);
  EXPECT_THROW(Bitmap(4, 4, 15, kMasks555), std::invalid_argument);
  EXPECT_THROW(Bitmap(4, 4, 16, ColourMasks{0xF800, 0x0FE0, 0x001F, 0}), std::invalid_argument);  // overlap
  EXPECT_THROW(Bitmap(4, 4, 16, ColourMasks{0xF800, 0x0500, 0x001F, 0}), std::invalid_argument);  // gap
  EXPECT_THROW(Bitmap(4, 4, 16, ColourMasks{0x1F0000, 0x07E0, 0x001F, 0}), std::invalid_argument);
  EXPECT_TRUE(Bitmap().empty());
  EXPECT_THROW(Bitmap(2, 2, 24).pixel(2, 0), std::out_of_range);
}

TEST(Bitmap, ChannelsWidenByRepeatingTheirBits) {
  struct Case {
    int bitsPerPixel;
    ColourMasks masks;
    std::uint32_t pixel;
    Rgba8 colour;
  };
  const Case cases[] = {
      {15, {}, 0x7C00, {255, 0, 0, 255}},
      {16, {}, 0xFC10, {255, 0, 132, 255}},  // top bit ignored without masks; 10000b -> 132
      {16, kMasks565, 0x07E0, {0, 255, 0, 255}},
      {16, kMasks565, 0x8410, {132, 130, 132, 255}},
      {16, kMasks4444, 0x8F0A, {255, 0, 0xAA, 0x88}},
      {16, kMasks1555, 0x83E0, {0, 255, 0, 255}},
      {16, kMasks1555, 0x03E0, {0, 255, 0, 0}},
      {24, {}, 0x102030, {0x10, 0x20, 0x30, 255}},
      {32, {}, 0x40102030, {0x10, 0x20, 0x30, 0x40}},
      {32, {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}, 0x10203040, {0x10, 0x20, 0x30, 0x40}},
  };
  for (const Case& c : cases) {
    Bitmap b(2, 1, c.bitsPerPixel, c.masks);
    b.setPixel(1, 0, c.pixel);
    EXPECT_EQ(b.colour(1, 0), c.colour) << c.bitsPerPixel << " bits, pixel " << std::hex << c.pixel;
    Bitmap again(1, 1, c.bitsPerPixel, c.masks);
    again.setColour(0, 0, c.colour);
    EXPECT_EQ(again.colour(0, 0), c.colour);
  }
}

TEST(Bitmap, ChangeDepthTo32KeepsColoursAndOnlyRealAlpha) {
  struct Case {
    int bitsPerPixel;
    ColourMasks masks;
    std::uint32_t pixel;
    std::uint32_t wide;
  };
  const Case cases[] = {
      {15, {}, 0x7C1F, 0x00FF00FF},
      {16, {}, 0xFC1F, 0x00FF00FF},  // no alpha: top byte 0 whatever the spare bit says
      {16, kMasks555, 0x03E0, 0x0000FF00},
      {16, kMasks565, 0xF81F, 0x00FF00FF},
      {16, kMasks4444, 0x7F0F, 0x77FF00FF},
      {16, kMasks1555, 0xFC1F, 0xFFFF00FF},
      {16, kMasks1555, 0x7C1F, 0x00FF00FF},
      {24, {}, 0xFF00FF, 0x00FF00FF},
      {32, {}, 0x80FF00FF, 0x80FF00FF},
      {32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, 0x80FF0001, 0x800100FF},
  };
  for (const Case& c : cases) {
    Bitmap b(3, 2, c.bitsPerPixel, c.masks);
    b.setPixel(2, 1, c.pixel);
    b.changeDepthTo32();
    EXPECT_EQ(b.bitsPerPixel(), 32);
    EXPECT_FALSE(b.hasMasks());
    EXPECT_EQ(b.bytesPerLine(), 12);
    EXPECT_EQ(b.pixel(2, 1), c.wide) << c.bitsPerPixel << " bits, pixel " << std::hex << c.pixel;
    EXPECT_EQ(b.pixel(0, 0), 0u);
  }
}

TEST(Bitmap, RgbaRoundTrip) {
  const std::vector<std::uint8_t> rgba{1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                       13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  const Bitmap b = Bitmap::fromRgba(3, 2, rgba);
  EXPECT_EQ(b.pixel(0, 0), 0x04010203u);
  EXPECT_EQ(b.toRgba(), rgba);
  EXPECT_THROW(Bitmap::fromRgba(3, 3, rgba), std::invalid_argument);

  Bitmap grey(1, 1, 24);
  grey.setPixel(0, 0, 0x808080);
  EXPECT_EQ(grey.toRgba(), (std::vector<std::uint8_t>{0x80, 0x80, 0x80, 255}));
}
