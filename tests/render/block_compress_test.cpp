#include "render/block_compress.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "render/d3dx_surface.h"
#include "render/memory_resources.h"

using namespace dravo;

namespace {

constexpr D3DFORMAT kBlockFormats[] = {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5};

UINT Pitch(D3DFORMAT format, UINT width) {
  return (width + 3) / 4 * FormatBlockBytes(format);
}

std::vector<BYTE> Compress(const std::vector<D3DCOLOR>& pixels, UINT w, UINT h, D3DFORMAT format,
                           BlockQuality quality, unsigned threads = 0) {
  std::vector<BYTE> blocks(std::size_t(Pitch(format, w)) * ((h + 3) / 4));
  EXPECT_TRUE(CompressBlocks(pixels.data(), w, h, format, blocks.data(), Pitch(format, w), quality, threads));
  return blocks;
}

std::vector<D3DCOLOR> Decode(const std::vector<BYTE>& blocks, UINT w, UINT h, D3DFORMAT format) {
  std::vector<D3DCOLOR> out(std::size_t(w) * h);
  EXPECT_TRUE(DecodePixels(blocks.data(), Pitch(format, w), format, w, h, nullptr, out.data()));
  return out;
}

// Root mean square error of red, green and blue.
double RgbError(const std::vector<D3DCOLOR>& a, const std::vector<D3DCOLOR>& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i)
    for (int shift : {0, 8, 16}) {
      const double d = double((a[i] >> shift) & 0xFF) - double((b[i] >> shift) & 0xFF);
      sum += d * d;
    }
  return std::sqrt(sum / (3.0 * double(a.size())));
}

// Shading, hard-edged panels and noise, with an alpha ramp: a small skin.
std::vector<D3DCOLOR> Skin(UINT w, UINT h, std::uint32_t seed = 1) {
  std::mt19937 rng(seed);
  std::vector<D3DCOLOR> p(std::size_t(w) * h);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const UINT noise = rng() % 12;
      UINT r = (x * 255 / std::max(1u, w - 1) + noise) & 0xFF, g = (y * 7 + noise) & 0xFF, b = 90 + noise;
      if ((x / 9 + y / 13) % 3 == 0) r = 230, g = 40, b = 30;  // a flat panel with sharp edges
      const UINT a = (x * 16 + y * 3) & 0xFF;
      p[std::size_t(y) * w + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  return p;
}

}  // namespace

TEST(BlockCompress, BlocksDoNotDependOnTheThreadCount) {
  // 130 rows of blocks, enough for every thread to get a band; the odd width has a partial block column.
  const UINT w = 38, h = 520;
  std::vector<D3DCOLOR> pixels = Skin(w, h);
  // A band of flat paint: blocks that repeat their neighbours.
  std::fill(pixels.begin() + 100 * w, pixels.begin() + 200 * w, 0xFF2040C0);
  for (D3DFORMAT format : kBlockFormats)
    for (BlockQuality quality : {BlockQuality::Best, BlockQuality::Fast}) {
      SCOPED_TRACE(testing::Message()
                   << "format " << format << (quality == BlockQuality::Best ? " best" : " fast"));
      const std::vector<BYTE> one = Compress(pixels, w, h, format, quality, 1);
      for (unsigned threads : {2u, 3u, 8u, 0u})
        EXPECT_EQ(Compress(pixels, w, h, format, quality, threads), one) << threads << " threads";
      if (quality != BlockQuality::Best) continue;
      // Best is libsquish's cluster fit, block for block, with the pixels past the edge masked out.
      const int flags = format == D3DFMT_DXT1   ? squish::kDxt1
                        : format == D3DFMT_DXT3 ? squish::kDxt3
                                                : squish::kDxt5;
      std::vector<squish::u8> rgba;
      for (D3DCOLOR c : pixels)
        rgba.insert(rgba.end(),
                    {squish::u8(c >> 16), squish::u8(c >> 8), squish::u8(c), squish::u8(c >> 24)});
      std::vector<BYTE> expected(
          static_cast<std::size_t>(squish::GetStorageRequirements(int(w), int(h), flags)));
      squish::CompressImage(rgba.data(), int(w), int(h), expected.data(), flags);
      EXPECT_EQ(one, expected);
    }
}

TEST(BlockCompress, FastStaysCloseToClusterFit) {
  struct Case {
    const char* what;
    std::vector<D3DCOLOR> pixels;
  };
  std::vector<D3DCOLOR> opaque = Skin(64, 64, 2);
  for (D3DCOLOR& c : opaque)
    c |= 0xFF000000;
  std::vector<D3DCOLOR> gradient(64 * 64);
  for (UINT i = 0; i < gradient.size(); ++i)
    gradient[i] = 0xFF000000 | ((i % 64) * 4 << 16) | ((i / 64) * 4 << 8) | 128;
  for (const Case& c :
       {Case{"skin", opaque}, Case{"gradient", gradient}, Case{"skin with alpha", Skin(64, 64, 3)}})
    for (D3DFORMAT format : kBlockFormats) {
      SCOPED_TRACE(testing::Message() << c.what << ", format " << format);
      if (format == D3DFMT_DXT1 && c.pixels[0] >> 24 != 0xFF) continue;  // DXT1 takes opaque pictures
      const double best =
          RgbError(Decode(Compress(c.pixels, 64, 64, format, BlockQuality::Best), 64, 64, format), c.pixels);
      const double fast =
          RgbError(Decode(Compress(c.pixels, 64, 64, format, BlockQuality::Fast), 64, 64, format), c.pixels);
      EXPECT_LE(fast, best * 1.12 + 0.05) << "best " << best;
    }
}

TEST(BlockCompress, AlphaComesStraightFromThePixels) {
  // Every one of 256 alpha levels, over a flat colour.
  std::vector<D3DCOLOR> ramp(16 * 16);
  for (UINT i = 0; i < ramp.size(); ++i)
    ramp[i] = (D3DCOLOR(i) << 24) | 0x336699;
  for (BlockQuality quality : {BlockQuality::Fast, BlockQuality::Best}) {
    SCOPED_TRACE(quality == BlockQuality::Best ? "best" : "fast");
    // DXT5: eight levels fitted to each block, far more than DXT3's 16 over the picture, each close.
    const std::vector<D3DCOLOR> five =
        Decode(Compress(ramp, 16, 16, D3DFMT_DXT5, quality), 16, 16, D3DFMT_DXT5);
    std::set<UINT> levels;
    for (UINT i = 0; i < five.size(); ++i) {
      levels.insert(five[i] >> 24);
      EXPECT_NEAR(int(five[i] >> 24), int(i), 4) << i;  // half a step of 8 levels over a span of 51
    }
    EXPECT_GT(levels.size(), 16u);
    // DXT3: each pixel's nearest of the 16 levels.
    const std::vector<D3DCOLOR> three =
        Decode(Compress(ramp, 16, 16, D3DFMT_DXT3, quality), 16, 16, D3DFMT_DXT3);
    for (UINT i = 0; i < three.size(); ++i)
      ASSERT_EQ(three[i] >> 24, (i + 8) / 17 * 17) << i;
  }
}

TEST(BlockCompress, OddSizesAndTinyLevelsStayInsideTheirMemory) {
  // Pixels and blocks in buffers of exactly their size (the sanitizer build catches a read past them), a
  // guard after the blocks that must stay untouched, and a flat colour that must come back.
  const D3DCOLOR colour = 0xFF40C0A0;
  for (D3DFORMAT format : kBlockFormats)
    for (BlockQuality quality : {BlockQuality::Fast, BlockQuality::Best})
      for (auto [w, h] : {std::pair{1u, 1u}, {2u, 2u}, {3u, 5u}, {5u, 3u}, {1u, 9u}, {9u, 1u}, {7u, 7u}}) {
        SCOPED_TRACE(testing::Message() << w << "x" << h << " format " << format);
        const std::vector<D3DCOLOR> pixels(std::size_t(w) * h, colour);
        const std::size_t size = std::size_t(Pitch(format, w)) * ((h + 3) / 4);
        std::vector<BYTE> blocks(size + 16, 0xAB);
        ASSERT_TRUE(CompressBlocks(pixels.data(), w, h, format, blocks.data(), Pitch(format, w), quality));
        for (std::size_t i = size; i < blocks.size(); ++i)
          ASSERT_EQ(blocks[i], 0xAB) << "written past the blocks at " << i;
        blocks.resize(size);
        for (D3DCOLOR c : Decode(blocks, w, h, format))
          for (int shift : {0, 8, 16, 24})
            ASSERT_NEAR(int((c >> shift) & 0xFF), int((colour >> shift) & 0xFF), 4) << std::hex << c;
      }
  EXPECT_FALSE(CompressBlocks(nullptr, 4, 4, D3DFMT_A8R8G8B8, nullptr, 16, BlockQuality::Fast));
}

TEST(BlockCompress, FastKeepsSeeThroughPixelsOfDxt1) {
  // DXT1's one-bit alpha: pixels under half alpha decode transparent black, the others opaque.
  std::vector<D3DCOLOR> pixels = Skin(12, 8, 4);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = (pixels[i] & 0xFFFFFF) | (i % 5 == 0 ? 0u : 0xFF000000u);
  const std::vector<D3DCOLOR> decoded =
      Decode(Compress(pixels, 12, 8, D3DFMT_DXT1, BlockQuality::Fast), 12, 8, D3DFMT_DXT1);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    EXPECT_EQ(decoded[i] >> 24, i % 5 == 0 ? 0u : 255u) << i;
}
