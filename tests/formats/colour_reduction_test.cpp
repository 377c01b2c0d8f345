// Area scaling and colour reduction of the GIF export.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "formats/area_scale.h"
#include "formats/colour_quantiser.h"
#include "gif_fixtures.h"

using namespace dravo;
using dravo::test::BgraPicture;

namespace {

BgraPicture Scaled(const BgraPicture& src, int w, int h) {
  BgraPicture out(w, h);
  AreaScale32(src.view(), out.bytes.data(), w, h, out.pitch);
  return out;
}

// Every source pixel against every target pixel: the exact share of its area that lies inside.
std::uint8_t ReferenceMean(const BgraPicture& src, int w, int h, int x, int y, int channel) {
  auto overlap = [](long t, long dstSize, long i, long srcSize) {
    const long begin = t * srcSize, end = begin + srcSize;
    return std::max(0L, std::min(end, (i + 1) * dstSize) - std::max(begin, i * dstSize));
  };
  long long sum = 0;
  for (int j = 0; j < src.height; ++j)
    for (int i = 0; i < src.width; ++i)
      sum += (long long)overlap(x, w, i, src.width) * overlap(y, h, j, src.height) * src.at(i, j)[channel];
  const long long total = (long long)src.width * src.height;
  return std::uint8_t((sum + total / 2) / total);
}

}  // namespace

TEST(AreaScale, WeighsEachSourcePixelByTheAreaItCovers) {
  // One row 0, 90, 180 to two pixels: the middle pixel is split half and half.
  BgraPicture row(3, 1);
  row.set(0, 0, 0, 3, 30, 255);
  row.set(1, 0, 90, 6, 60, 255);
  row.set(2, 0, 180, 9, 90, 0);
  const BgraPicture two = Scaled(row, 2, 1);
  EXPECT_EQ(two.at(0, 0)[2], 30);   // (0 + 90 / 2) / 1.5
  EXPECT_EQ(two.at(1, 0)[2], 150);  // (90 / 2 + 180) / 1.5
  EXPECT_EQ(two.at(0, 0)[1], 4);    // 4.5 rounds up
  EXPECT_EQ(two.at(1, 0)[0], 80);
  EXPECT_EQ(two.at(0, 0)[3], 255);
  EXPECT_EQ(two.at(1, 0)[3], 85);  // every byte is averaged, alpha too

  // Upwards each target pixel takes the one source pixel under it, or the blend of two.
  const BgraPicture wide = Scaled(row, 6, 2);
  for (int y = 0; y < 2; ++y) {
    EXPECT_EQ(wide.at(0, y)[2], 0);
    EXPECT_EQ(wide.at(1, y)[2], 0);
    EXPECT_EQ(wide.at(2, y)[2], 90);
    EXPECT_EQ(wide.at(5, y)[2], 180);
  }
  EXPECT_EQ(Scaled(row, 3, 1).bytes, row.bytes);
}

TEST(AreaScale, MatchesTheExactAreaMeanForAnySizes) {
  const BgraPicture src = test::RandomPicture(37, 23, 7);
  for (const auto& [w, h] :
       std::vector<std::pair<int, int>>{{5, 7}, {16, 16}, {37, 1}, {1, 23}, {50, 30}, {36, 22}}) {
    const BgraPicture out = Scaled(src, w, h);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        for (int c = 0; c < 4; ++c)
          ASSERT_EQ(out.at(x, y)[c], ReferenceMean(src, w, h, x, y, c))
              << w << "x" << h << " at " << x << "," << y;
  }
}

TEST(AreaScale, HonoursRowPitchesAndRefusesEmptySizes) {
  BgraPicture padded(4, 4, 4 * 4 + 12);
  std::fill(padded.bytes.begin(), padded.bytes.end(), 0xEE);  // the padding must never be read in
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      padded.set(x, y, 10 * (x + y), 100, 200, 255);
  std::vector<std::uint8_t> out(2 * (2 * 4 + 8), 0x55);
  AreaScale32(padded.view(), out.data(), 2, 2, 2 * 4 + 8);
  EXPECT_EQ(out[2], 10);           // mean of 0, 10, 10, 20
  EXPECT_EQ(out[16 + 4 + 2], 50);  // mean of 40, 50, 50, 60
  EXPECT_EQ(out[8], 0x55);         // the target's padding stays as it was

  std::vector<std::uint8_t> sink(16);
  EXPECT_THROW(AreaScale32(padded.view(), sink.data(), 0, 2, 8), std::invalid_argument);
  EXPECT_THROW(AreaScale32(PixelView32{padded.bytes.data(), 0, 4, 16}, sink.data(), 2, 2, 8),
               std::invalid_argument);
}

TEST(ColourQuantiser, PicturesOfAtMost256ColoursStayExact) {
  for (const int colours : {1, 2, 100, 256}) {
    BgraPicture p(64, 64);
    for (int y = 0; y < 64; ++y)
      for (int x = 0; x < 64; ++x) {
        const int c = (x * 64 + y) % colours;
        p.set(x, y, (c * 37) & 255, (c * 91) & 255, c, 255);
      }
    for (const std::ptrdiff_t exact : {std::ptrdiff_t(-1), std::ptrdiff_t(63 * 64)}) {
      QuantiserSettings settings;
      settings.exactPixel = exact;
      const IndexedImage image = QuantiseBgra(p.view(), settings);
      EXPECT_EQ(image.palette.size(), std::size_t(colours));
      EXPECT_EQ(MeasureColourError(p.view(), image).meanSquared, 0.0) << colours << " colours";
    }
  }
}

TEST(ColourQuantiser, EveryPixelTakesItsNearestPaletteEntry) {
  const BgraPicture p = test::RandomPicture(64, 48, 3);
  const IndexedImage image = QuantiseBgra(p.view());
  ASSERT_EQ(image.palette.size(), 256u);
  EXPECT_EQ(std::set<std::uint8_t>(image.indices.begin(), image.indices.end()).size(), 256u);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      const std::uint8_t* s = p.at(x, y);
      auto distance = [&](const Rgb8& c) {
        return (c.r - s[2]) * (c.r - s[2]) + (c.g - s[1]) * (c.g - s[1]) + (c.b - s[0]) * (c.b - s[0]);
      };
      int best = 1 << 30;
      for (const Rgb8& c : image.palette)
        best = std::min(best, distance(c));
      ASSERT_EQ(distance(image.palette[image.at(x, y)]), best) << x << "," << y;
    }
}

TEST(ColourQuantiser, ErrorStaysSmallOnSmoothGradients) {
  // 65,536 colours: every red and green level once, blue following their sum.
  BgraPicture p(256, 256);
  for (int y = 0; y < 256; ++y)
    for (int x = 0; x < 256; ++x)
      p.set(x, y, x, y, (x + y) / 2, 255);
  const ColourError e = MeasureColourError(p.view(), QuantiseBgra(p.view()));
  // 256 entries on a 16 × 16 grid over the red-green square leave (16² - 1) / 12 = 21.25 in red and
  // green and half that in blue: 17.7 a channel. The palette must come close to that.
  EXPECT_LT(e.meanSquared, 18.5);
  EXPECT_GT(e.psnr, 35.4);

  // A shaded rendered-looking frame with a flat background.
  const BgraPicture frame = test::TrickFrame(7, 30, 256, 256);
  EXPECT_GT(MeasureColourError(frame.view(), QuantiseBgra(frame.view())).psnr, 42.0);
}

TEST(ColourQuantiser, TheExactColourKeepsAnEntryOnlyItsOwnPixelsMapTo) {
  // A background with a ramp of colours close to it: without the exact entry the nearest of them
  // would share the background's entry.
  BgraPicture p(200, 100);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      p.set(x, y, x < 100 ? 0x90 : 0x90 + (x - 100) % 4 - 2, x < 100 ? 0x80 : (x * 7 + y * 3) & 255, 0x80);
  QuantiserSettings settings;
  settings.exactPixel = std::ptrdiff_t(99) * 200;
  const IndexedImage image = QuantiseBgra(p.view(), settings);
  const std::uint8_t background = image.at(0, 99);
  EXPECT_EQ(image.palette[background], (Rgb8{0x90, 0x80, 0x80}));
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      ASSERT_EQ(image.at(x, y) == background, p.rgb(x, y) == 0x908080u) << x << "," << y;
  EXPECT_LE(image.palette.size(), 256u);
}

TEST(ColourQuantiser, RefusesEmptyPicturesAndBadSettings) {
  const BgraPicture p = test::RandomPicture(4, 4, 1);
  QuantiserSettings few;
  few.maxColours = 1;
  EXPECT_THROW(QuantiseBgra(p.view(), few), std::invalid_argument);
  QuantiserSettings outside;
  outside.exactPixel = 16;
  EXPECT_THROW(QuantiseBgra(p.view(), outside), std::invalid_argument);
  EXPECT_THROW(QuantiseBgra(PixelView32{}), std::invalid_argument);
  QuantiserSettings sixteen;
  sixteen.maxColours = 16;
  EXPECT_EQ(QuantiseBgra(p.view(), sixteen).palette.size(), 16u);
}

TEST(ColourQuantiser, AHistogramGivesThePaletteItsPictureGives) {
  for (const BgraPicture& p : {test::TrickFrame(5, 24), test::RandomPicture(40, 30, 3, 4)}) {
    // Colours in the order the picture first shows them, as the picture's own count lists them.
    std::vector<std::uint32_t> colours, counts;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) {
        const auto at = std::find(colours.begin(), colours.end(), p.rgb(x, y));
        if (at != colours.end()) {
          ++counts[std::size_t(at - colours.begin())];
          continue;
        }
        colours.push_back(p.rgb(x, y));
        counts.push_back(1);
      }
    QuantiserSettings settings;
    settings.maxColours = 200;
    EXPECT_EQ(QuantiseColours(colours, counts, settings), QuantiseBgra(p.view(), settings).palette);
  }
  EXPECT_THROW(QuantiseColours({}, {}), std::invalid_argument);
  EXPECT_THROW(QuantiseColours({1, 2}, {1}), std::invalid_argument);
}
