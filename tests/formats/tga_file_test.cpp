#include "formats/tga_file.h"

#include <gtest/gtest.h>

#include "core/byte_io.h"
#include "formats/image_error.h"
#include "image_fixtures.h"

using namespace dravo;
using dravo::test::Pattern;
using dravo::test::Pixels;

namespace {

struct TgaHeader {
  std::uint8_t idLength = 0;
  std::uint8_t mapType = 0;
  std::uint8_t type = 2;
  std::uint16_t mapFirst = 0;
  std::uint16_t mapLength = 0;
  std::uint8_t mapDepth = 0;
  std::uint16_t width = 2;
  std::uint16_t height = 2;
  std::uint8_t depth = 24;
  std::uint8_t descriptor = 0;
};

std::vector<std::uint8_t> Tga(const TgaHeader& h, const std::vector<std::uint8_t>& rest) {
  ByteWriter w;
  w.u8(h.idLength);
  w.u8(h.mapType);
  w.u8(h.type);
  w.u16(h.mapFirst);
  w.u16(h.mapLength);
  w.u8(h.mapDepth);
  w.u16(0);
  w.u16(0);
  w.u16(h.width);
  w.u16(h.height);
  w.u8(h.depth);
  w.u8(h.descriptor);
  w.bytes(rest);
  return w.release();
}

constexpr std::uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF;

}  // namespace

TEST(TgaFile, EveryDepthRoundTripsInEveryVariant) {
  struct Case {
    int bitsPerPixel;
    ColourMasks masks;
    std::uint32_t significant;  // the bits the reader keeps
  };
  const Case cases[] = {
      {15, {}, 0x7FFF}, {16, {}, 0x7FFF}, {16, kMasks1555, 0xFFFF}, {24, {}, 0xFFFFFF}, {32, {}, 0xFFFFFFFF}};
  for (const Case& c : cases)
    for (bool rle : {false, true})
      for (bool topDown : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.bitsPerPixel << " bits, masks " << (c.masks != ColourMasks{})
                                        << ", rle " << rle << ", top-down " << topDown);
        const Bitmap source = Pattern(13, 7, c.bitsPerPixel, c.masks);
        const Bitmap read = ReadTga(EncodeTga(source, {rle, topDown}), "t.tga");
        EXPECT_EQ(read.bitsPerPixel(), c.bitsPerPixel);
        EXPECT_EQ(read.masks(), c.masks);
        EXPECT_EQ(Pixels(read), Pixels(source, c.significant));
      }
}

TEST(TgaFile, RunLengthCodingShrinksFlatPictures) {
  Bitmap flat(64, 64, 24);
  EXPECT_EQ(EncodeTga(flat, {.rle = true}).size(), 18 + 64 * 4u);  // one packet a row
  EXPECT_EQ(EncodeTga(flat).size(), 18 + 64 * 64 * 3u);
}

TEST(TgaFile, RunLengthPacketsMayCrossRows) {
  // 3 x 2, bottom-left origin: a run of four reds fills the bottom row and starts the top one.
  const auto bytes = Tga({.type = 10, .width = 3, .height = 2}, {0x83, 0, 0, 255,               // 4 x red
                                                                 0x01, 0, 255, 0, 255, 0, 0});  // green, blue
  const Bitmap b = ReadTga(bytes, "t.tga");
  EXPECT_EQ(Pixels(b), (std::vector<std::uint32_t>{kRed, kGreen, kBlue, kRed, kRed, kRed}));
}

TEST(TgaFile, OriginBitsDecideRowAndColumnOrder) {
  const std::vector<std::uint8_t> pixels{0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255};  // R G B W
  struct Case {
    std::uint8_t descriptor;
    std::vector<std::uint32_t> expected;
  };
  const Case cases[] = {
      {0x00, {kBlue, kWhite, kRed, kGreen}},  // bottom-left
      {0x20, {kRed, kGreen, kBlue, kWhite}},  // top-left
      {0x10, {kWhite, kBlue, kGreen, kRed}},  // bottom-right
      {0x30, {kGreen, kRed, kWhite, kBlue}},  // top-right
  };
  for (const Case& c : cases)
    EXPECT_EQ(Pixels(ReadTga(Tga({.descriptor = c.descriptor}, pixels), "t.tga")), c.expected)
        << "descriptor " << int(c.descriptor);
}

TEST(TgaFile, SixteenBitAlphaBitMakesA1555Layout) {
  const std::vector<std::uint8_t> pixels{0x1F, 0xFC, 0x1F, 0x7C};  // 0xFC1F, 0x7C1F
  const Bitmap withAlpha =
      ReadTga(Tga({.width = 2, .height = 1, .depth = 16, .descriptor = 0x21}, pixels), "a");
  EXPECT_EQ(withAlpha.bitsPerPixel(), 16);
  EXPECT_EQ(withAlpha.masks(), kMasks1555);
  EXPECT_EQ(Pixels(withAlpha), (std::vector<std::uint32_t>{0xFC1F, 0x7C1F}));
  EXPECT_EQ(withAlpha.colour(0, 0).a, 255);
  EXPECT_EQ(withAlpha.colour(1, 0).a, 0);

  const Bitmap without =
      ReadTga(Tga({.width = 2, .height = 1, .depth = 16, .descriptor = 0x20}, pixels), "a");
  EXPECT_FALSE(without.hasMasks());
  EXPECT_EQ(Pixels(without), (std::vector<std::uint32_t>{0x7C1F, 0x7C1F}));
}

TEST(TgaFile, ThirtyTwoBitsWithoutDeclaredAlphaAreOpaqueOnlyWhenTheSpareBytesAreEmpty) {
  const std::vector<std::uint8_t> empty{1, 2, 3, 0, 4, 5, 6, 0};
  const std::vector<std::uint8_t> used{1, 2, 3, 0, 4, 5, 6, 9};
  const TgaHeader undeclared{.width = 2, .height = 1, .depth = 32, .descriptor = 0x20};
  const TgaHeader declared{.width = 2, .height = 1, .depth = 32, .descriptor = 0x28};
  EXPECT_EQ(Pixels(ReadTga(Tga(undeclared, empty), "a")),
            (std::vector<std::uint32_t>{0xFF030201, 0xFF060504}));
  EXPECT_EQ(Pixels(ReadTga(Tga(undeclared, used), "a")),
            (std::vector<std::uint32_t>{0x00030201, 0x09060504}));
  EXPECT_EQ(Pixels(ReadTga(Tga(declared, empty), "a")), (std::vector<std::uint32_t>{0x00030201, 0x00060504}));
}

TEST(TgaFile, GreyAndColourMappedPicturesBecomeTrueColour) {
  const Bitmap grey =
      ReadTga(Tga({.idLength = 3, .type = 3, .width = 2, .height = 1, .depth = 8, .descriptor = 0x20},
                  {'a', 'b', 'c', 0x10, 0xF0}),
              "g.tga");
  EXPECT_EQ(grey.bitsPerPixel(), 24);
  EXPECT_EQ(Pixels(grey), (std::vector<std::uint32_t>{0x101010, 0xF0F0F0}));

  // Map entries 5 and 6 (the first index is 5), 24-bit; pixels 6, 5, 5 run-length coded.
  const Bitmap mapped = ReadTga(Tga({.mapType = 1,
                                     .type = 9,
                                     .mapFirst = 5,
                                     .mapLength = 2,
                                     .mapDepth = 24,
                                     .width = 3,
                                     .height = 1,
                                     .depth = 8,
                                     .descriptor = 0x20},
                                    {0, 0, 255, 255, 0, 0, 0x00, 6, 0x81, 5}),
                                "m.tga");
  EXPECT_EQ(mapped.bitsPerPixel(), 24);
  EXPECT_EQ(Pixels(mapped), (std::vector<std::uint32_t>{kBlue, kRed, kRed}));

  const Bitmap withAlpha = ReadTga(Tga({.mapType = 1,
                                        .type = 1,
                                        .mapLength = 1,
                                        .mapDepth = 32,
                                        .width = 1,
                                        .height = 1,
                                        .depth = 8,
                                        .descriptor = 0x28},
                                       {1, 2, 3, 0x80, 0}),
                                   "m.tga");
  EXPECT_EQ(withAlpha.bitsPerPixel(), 32);
  EXPECT_EQ(Pixels(withAlpha), (std::vector<std::uint32_t>{0x80030201}));
}

TEST(TgaFile, DamagedFilesAreRefusedWithTheirFault) {
  const std::vector<std::uint8_t> four24(12, 7);  // 2 x 2 x 3 bytes
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* fault;
  };
  const Case cases[] = {
      {"empty", {}, "truncated"},
      {"short header", {0, 0, 2, 0, 0, 0, 0, 0}, "truncated"},
      {"no picture", Tga({.type = 0}, four24), "no picture"},
      {"unknown type", Tga({.type = 4}, four24), "type 4"},
      {"zero width", Tga({.width = 0}, four24), "no pixels"},
      {"absurd size", Tga({.width = 20000, .height = 20000}, four24), "too large"},
      {"odd depth", Tga({.depth = 8}, four24), "8 bits"},
      {"unknown map type", Tga({.mapType = 2}, four24), "colour map type"},
      {"mapped without map", Tga({.type = 1, .depth = 8}, {0, 0, 0, 0}), "no colour map"},
      {"odd map depth",
       Tga({.mapType = 1, .type = 1, .mapLength = 1, .mapDepth = 8, .depth = 8}, {0, 0, 0, 0, 0}),
       "8-bit entries"},
      {"identification past the end", Tga({.idLength = 200}, four24), "identification"},
      {"map past the end", Tga({.mapType = 1, .mapLength = 100, .mapDepth = 24}, four24),
       "colour map is truncated"},
      {"index outside the map",
       Tga({.mapType = 1, .type = 1, .mapFirst = 1, .mapLength = 1, .mapDepth = 24, .depth = 8},
           {1, 2, 3, 1, 1, 1, 0}),
       "not in the colour map"},
      {"pixels one byte short", Tga({}, std::vector<std::uint8_t>(11, 7)), "pixel data is truncated"},
      {"packet past the image", Tga({.type = 10}, {0x84, 1, 2, 3, 0, 0, 0, 0, 0, 0}),
       "past the end of the image"},
      {"packet past the file", Tga({.type = 10}, {0x00, 1, 2, 3, 0x02, 1, 2, 3, 4, 5}), "truncated"},
      {"too few packets", Tga({.type = 10, .width = 1000, .height = 1000}, {0xFF, 1, 2, 3}), "truncated"},
  };
  for (const Case& c : cases) {
    try {
      ReadTga(c.bytes, "skin.tga");
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const ImageFileError& e) {
      EXPECT_EQ(e.file(), "skin.tga");
      EXPECT_NE(std::string(e.what()).find("skin.tga: "), std::string::npos);
      EXPECT_NE(e.fault().find(c.fault), std::string::npos) << c.what << ": " << e.what();
    }
  }
}

TEST(TgaFile, WriterRefusesLayoutsTargaCannotHold) {
  EXPECT_THROW(EncodeTga(Bitmap(2, 2, 16, kMasks565)), std::invalid_argument);
  EXPECT_THROW(EncodeTga(Bitmap()), std::invalid_argument);
  // Other 32-bit layouts are written as 8-8-8-8.
  Bitmap rgba(1, 1, 32, {0xFF, 0xFF00, 0xFF0000, 0xFF000000});
  rgba.setPixel(0, 0, 0x80FF0001);
  EXPECT_EQ(ReadTga(EncodeTga(rgba), "a").pixel(0, 0), 0x800100FFu);
}
