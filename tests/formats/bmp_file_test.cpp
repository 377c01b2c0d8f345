#include "formats/bmp_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <optional>

#include "core/byte_io.h"
#include "formats/image_error.h"
#include "image_fixtures.h"

using namespace dravo;
using dravo::test::Pattern;
using dravo::test::Pixels;

namespace {

struct BmpSpec {
  std::uint32_t headerSize = 40;
  std::int32_t width = 2;
  std::int32_t height = 2;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t colourCount = 0;
  ColourMasks masks;
  std::vector<std::uint8_t> palette;  // raw entries
  std::optional<std::uint32_t> offset;
};

// A BMP file as other programs write them; `pixels` are the rows as stored, padding included.
std::vector<std::uint8_t> Bmp(const BmpSpec& s, const std::vector<std::uint8_t>& pixels) {
  ByteWriter header;
  header.u32(s.headerSize);
  if (s.headerSize == 12) {
    header.u16(static_cast<std::uint16_t>(s.width));
    header.u16(static_cast<std::uint16_t>(s.height));
    header.u16(1);
    header.u16(s.bitCount);
  } else {
    header.i32(s.width);
    header.i32(s.height);
    header.u16(1);
    header.u16(s.bitCount);
    header.u32(s.compression);
    header.zeros(12);
    header.u32(s.colourCount);
    header.u32(0);
    if (s.headerSize >= 52) {
      header.u32(s.masks.red);
      header.u32(s.masks.green);
      header.u32(s.masks.blue);
    }
    if (s.headerSize >= 56) header.u32(s.masks.alpha);
    if (header.size() < s.headerSize) header.zeros(s.headerSize - header.size());
    if (s.headerSize == 40 && (s.compression == 3 || s.compression == 6)) {
      header.u32(s.masks.red);
      header.u32(s.masks.green);
      header.u32(s.masks.blue);
      if (s.compression == 6) header.u32(s.masks.alpha);
    }
  }
  header.bytes(s.palette);
  ByteWriter file;
  file.u8('B');
  file.u8('M');
  file.u32(static_cast<std::uint32_t>(14 + header.size() + pixels.size()));
  file.u32(0);
  file.u32(s.offset.value_or(static_cast<std::uint32_t>(14 + header.size())));
  file.bytes(header.data());
  file.bytes(pixels);
  return file.release();
}

std::vector<std::uint8_t> Le16(std::initializer_list<std::uint16_t> values) {
  ByteWriter w;
  for (auto v : values)
    w.u16(v);
  return w.release();
}
std::vector<std::uint8_t> Le32(std::initializer_list<std::uint32_t> values) {
  ByteWriter w;
  for (auto v : values)
    w.u32(v);
  return w.release();
}

}  // namespace

TEST(BmpFile, EveryLayoutRoundTripsWithEveryHeader) {
  struct Case {
    int bitsPerPixel;
    ColourMasks masks;
    int readDepth;
    std::uint32_t significant;
  };
  const Case cases[] = {
      {15, {}, 16, 0x7FFF},         {16, {}, 16, 0x7FFF},        {16, kMasks555, 16, 0x7FFF},
      {16, kMasks1555, 16, 0xFFFF}, {16, kMasks565, 16, 0xFFFF}, {16, kMasks4444, 16, 0xFFFF},
      {24, {}, 24, 0xFFFFFF},       {32, {}, 32, 0xFFFFFFFF},
  };
  for (const Case& c : cases)
    for (BmpHeader header : {BmpHeader::Info, BmpHeader::V4, BmpHeader::V5})
      for (bool topDown : {false, true}) {
        SCOPED_TRACE(testing::Message() << c.bitsPerPixel << " bits, masks " << (c.masks != ColourMasks{})
                                        << ", header " << int(header) << ", top-down " << topDown);
        const Bitmap source = Pattern(7, 5, c.bitsPerPixel, c.masks);
        const Bitmap read = ReadBmp(EncodeBmp(source, {header, topDown}), "b.bmp");
        EXPECT_EQ(read.bitsPerPixel(), c.readDepth);
        EXPECT_EQ(read.masks(), c.masks);
        EXPECT_EQ(Pixels(read), Pixels(source, c.significant));
      }
}

TEST(BmpFile, SixteenBitMasksAfterTheInfoHeaderAndInsideV5) {
  // 565 masks right after a 40-byte header; two pixels in a bottom-up 2 x 1 picture.
  const Bitmap b565 =
      ReadBmp(Bmp({.width = 2, .height = 1, .bitCount = 16, .compression = 3, .masks = kMasks565},
                  Le16({0xF800, 0x07E0})),
              "a.bmp");
  EXPECT_TRUE(b565.hasMasks());
  EXPECT_EQ(b565.masks(), kMasks565);
  EXPECT_EQ(Pixels(b565), (std::vector<std::uint32_t>{0xF800, 0x07E0}));

  const Bitmap b4444 = ReadBmp(
      Bmp({.headerSize = 124, .width = 1, .height = 1, .bitCount = 16, .compression = 3, .masks = kMasks4444},
          Le16({0x8F0A, 0})),
      "a.bmp");
  EXPECT_EQ(b4444.masks(), kMasks4444);
  EXPECT_EQ(b4444.colour(0, 0), (Rgba8{255, 0, 0xAA, 0x88}));

  // A plain 16-bit file is 5-5-5 without masks; the meaningless top bit is cleared.
  const Bitmap plain = ReadBmp(Bmp({.width = 1, .height = 1, .bitCount = 16}, Le16({0xFC1F, 0})), "a.bmp");
  EXPECT_FALSE(plain.hasMasks());
  EXPECT_EQ(plain.pixel(0, 0), 0x7C1Fu);
}

TEST(BmpFile, OtherMaskLayoutsAreRedrawnAsPlainPixels) {
  // 4-4-4 without alpha: nothing the texture code knows, so 24-bit.
  const Bitmap x444 = ReadBmp(Bmp({.headerSize = 56,
                                   .width = 1,
                                   .height = 1,
                                   .bitCount = 16,
                                   .compression = 3,
                                   .masks = {0x0F00, 0x00F0, 0x000F, 0}},
                                  Le16({0x0F80, 0})),
                              "a.bmp");
  EXPECT_EQ(x444.bitsPerPixel(), 24);
  EXPECT_EQ(x444.pixel(0, 0), 0xFF8800u);

  // 5-5-5-1 with alpha in the low bit (BI_ALPHABITFIELDS after an info header): 32-bit.
  const Bitmap a5551 = ReadBmp(Bmp({.width = 2,
                                    .height = 1,
                                    .bitCount = 16,
                                    .compression = 6,
                                    .masks = {0xF800, 0x07C0, 0x003E, 0x0001}},
                                   Le16({0xF801, 0xF800})),
                               "a.bmp");
  EXPECT_EQ(a5551.bitsPerPixel(), 32);
  EXPECT_EQ(Pixels(a5551), (std::vector<std::uint32_t>{0xFFFF0000, 0x00FF0000}));

  // 32-bit in red, green, blue, alpha order.
  const Bitmap rgba = ReadBmp(Bmp({.headerSize = 108,
                                   .width = 1,
                                   .height = 1,
                                   .bitCount = 32,
                                   .compression = 3,
                                   .masks = {0xFF000000, 0x00FF0000, 0x0000FF00, 0x000000FF}},
                                  Le32({0x10203040})),
                              "a.bmp");
  EXPECT_FALSE(rgba.hasMasks());
  EXPECT_EQ(rgba.pixel(0, 0), 0x40102030u);
}

TEST(BmpFile, ThirtyTwoBitAlpha) {
  const auto pixels = Le32({0x00112233, 0x00445566});
  // Masks without alpha: opaque, whatever the spare bytes hold.
  EXPECT_EQ(Pixels(ReadBmp(Bmp({.headerSize = 124,
                                .width = 2,
                                .height = 1,
                                .bitCount = 32,
                                .compression = 3,
                                .masks = {0xFF0000, 0xFF00, 0xFF, 0}},
                               Le32({0x12112233, 0x00445566})),
                           "a.bmp")),
            (std::vector<std::uint32_t>{0xFF112233, 0xFF445566}));
  // Plain: spare bytes all zero mean no alpha; any other value means alpha.
  EXPECT_EQ(Pixels(ReadBmp(Bmp({.width = 2, .height = 1, .bitCount = 32}, pixels), "a.bmp")),
            (std::vector<std::uint32_t>{0xFF112233, 0xFF445566}));
  EXPECT_EQ(
      Pixels(ReadBmp(Bmp({.width = 2, .height = 1, .bitCount = 32}, Le32({0x80112233, 0x00445566})), "a")),
      (std::vector<std::uint32_t>{0x80112233, 0x00445566}));
}

TEST(BmpFile, PalettePicturesBecome24Bit) {
  const std::vector<std::uint8_t> palette{0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0, 0};  // red, green, blue
  // 8-bit, 3 x 2 bottom-up: rows padded to 4 bytes.
  const Bitmap b8 =
      ReadBmp(Bmp({.width = 3, .height = 2, .bitCount = 8, .colourCount = 3, .palette = palette},
                  {0, 1, 2, 0, 2, 2, 2, 0}),
              "p.bmp");
  EXPECT_EQ(b8.bitsPerPixel(), 24);
  EXPECT_EQ(Pixels(b8),
            (std::vector<std::uint32_t>{0x0000FF, 0x0000FF, 0x0000FF, 0xFF0000, 0x00FF00, 0x0000FF}));

  // 4-bit and 1-bit, top-down, one row each.
  EXPECT_EQ(
      Pixels(ReadBmp(Bmp({.width = 3, .height = -1, .bitCount = 4, .colourCount = 3, .palette = palette},
                         {0x21, 0x00, 0, 0}),
                     "p.bmp")),
      (std::vector<std::uint32_t>{0x0000FF, 0x00FF00, 0xFF0000}));
  const std::vector<std::uint8_t> two{0, 0, 0, 0, 255, 255, 255, 0};
  EXPECT_EQ(Pixels(ReadBmp(Bmp({.width = 9, .height = -1, .bitCount = 1, .palette = two}, {0xA0, 0x80, 0, 0}),
                           "p.bmp")),
            (std::vector<std::uint32_t>{0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0, 0, 0, 0xFFFFFF}));

  // The old core header: 3-byte palette entries.
  const Bitmap core = ReadBmp(
      Bmp({.headerSize = 12, .width = 2, .height = 1, .bitCount = 8, .palette = {255, 0, 0, 0, 255, 0}},
          {1, 0, 0, 0}),
      "p.bmp");
  EXPECT_EQ(Pixels(core), (std::vector<std::uint32_t>{0x00FF00, 0x0000FF}));
}

TEST(BmpFile, TheLastRowMayLackItsPadding) {
  // 1 x 2, 24-bit, bottom-up: 4 bytes for the first stored row, 3 for the last.
  const Bitmap b = ReadBmp(Bmp({.width = 1, .height = 2}, {1, 2, 3, 0, 4, 5, 6}), "a.bmp");
  EXPECT_EQ(Pixels(b), (std::vector<std::uint32_t>{0x060504, 0x030201}));
}

TEST(BmpFile, DamagedFilesAreRefusedWithTheirFault) {
  const std::vector<std::uint8_t> pixels(16, 0);
  const std::vector<std::uint8_t> good = Bmp({}, pixels);
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* fault;
  };
  const Case cases[] = {
      {"empty", {}, "not a BMP"},
      {"other magic", {'B', 'A', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "not a BMP"},
      {"header cut", {good.begin(), good.begin() + 30}, "truncated"},
      {"unknown header", Bmp({.headerSize = 20}, pixels), "20 bytes"},
      {"zero width", Bmp({.width = 0}, pixels), "no pixels"},
      {"most negative height", Bmp({.height = INT_MIN}, pixels), "too large"},
      {"absurd size", Bmp({.width = 100000, .height = 1}, pixels), "too large"},
      {"two-bit pixels", Bmp({.bitCount = 2}, pixels), "2 bits"},
      {"core header without bits", Bmp({.headerSize = 12, .width = 3, .height = 1, .bitCount = 0}, pixels),
       "0 bits"},
      {"core header of 16 bits", Bmp({.headerSize = 12, .bitCount = 16}, pixels), "16 bits"},
      {"run-length", Bmp({.bitCount = 8, .compression = 1}, pixels), "RLE8"},
      {"embedded PNG", Bmp({.compression = 5}, pixels), "PNG"},
      {"masks on 24-bit", Bmp({.compression = 3, .masks = kMasks565}, pixels), "masks on a 24-bit"},
      {"overlapping masks",
       Bmp({.bitCount = 16, .compression = 3, .masks = {0xFC00, 0x07E0, 0x1F, 0}}, pixels),
       "masks are not usable"},
      {"empty mask", Bmp({.bitCount = 16, .compression = 3, .masks = {0xF800, 0, 0x1F, 0}}, pixels),
       "masks are not usable"},
      {"mask wider than the pixel",
       Bmp({.bitCount = 16, .compression = 3, .masks = {0xF0000, 0xFF00, 0xFF, 0}}, pixels),
       "masks are not usable"},
      {"pixels short", Bmp({.width = 2, .height = 2}, std::vector<std::uint8_t>(10, 0)), "truncated"},
      {"offset past the end", Bmp({.offset = 5000}, pixels), "offset"},
      {"offset inside the header", Bmp({.offset = 20}, pixels), "offset"},
      {"palette cut", Bmp({.bitCount = 8, .colourCount = 200}, pixels), "palette is truncated"},
      {"index outside the palette",
       Bmp({.width = 1, .height = 1, .bitCount = 8, .colourCount = 1, .palette = {1, 2, 3, 0}}, {1, 0, 0, 0}),
       "not in the BMP palette"},
  };
  for (const Case& c : cases) {
    try {
      ReadBmp(c.bytes, "skin.bmp");
      ADD_FAILURE() << c.what << ": accepted";
    } catch (const ImageFileError& e) {
      EXPECT_EQ(e.file(), "skin.bmp");
      EXPECT_NE(e.fault().find(c.fault), std::string::npos) << c.what << ": " << e.what();
    }
  }
}
