#include "render/d3dx_surface.h"

#include <gtest/gtest.h>
#include <squish.h>

#include <array>
#include <cstring>
#include <random>

#include "render/memory_resources.h"

using namespace dravo;

namespace {

ComPtr<TMemorySurface> Surface(UINT w, UINT h, D3DFORMAT format) {
  return MakeCom<TMemorySurface>(w, h, format);
}

std::vector<D3DCOLOR> Pixels(IDirect3DSurface8* s) {
  D3DSURFACE_DESC d{};
  s->GetDesc(&d);
  D3DLOCKED_RECT lr{};
  EXPECT_EQ(s->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  std::vector<D3DCOLOR> out(static_cast<size_t>(d.Width) * d.Height);
  EXPECT_TRUE(DecodePixels(static_cast<const BYTE*>(lr.pBits), lr.Pitch, d.Format, d.Width, d.Height, nullptr,
                           out.data()));
  s->UnlockRect();
  return out;
}

void Fill(IDirect3DSurface8* s, const std::vector<D3DCOLOR>& pixels) {
  D3DSURFACE_DESC d{};
  s->GetDesc(&d);
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(s->LockRect(&lr, nullptr, 0), D3D_OK);
  ASSERT_TRUE(
      EncodePixels(pixels.data(), d.Width, d.Height, d.Format, static_cast<BYTE*>(lr.pBits), lr.Pitch));
  s->UnlockRect();
}

TEST(D3DXSurface, PalettisedPixelsExpandThroughThePaletteWithFlagsAsAlpha) {
  std::array<PALETTEENTRY, 256> palette{};
  palette[0] = {10, 20, 30, 255};
  palette[1] = {200, 100, 50, 0};
  palette[255] = {1, 2, 3, 128};
  // Rows of 3 indices with a pitch of 4 (the fourth byte is padding that must not be read as a pixel).
  const BYTE indices[] = {0, 1, 255, 9, 255, 0, 1, 9};
  auto dest = Surface(3, 2, D3DFMT_A8R8G8B8);
  const RECT src{0, 0, 3, 2};
  ASSERT_EQ(D3DXLoadSurfaceFromMemory(dest.Get(), nullptr, nullptr, indices, D3DFMT_P8, 4, palette.data(),
                                      &src, D3DX_FILTER_TRIANGLE, 0),
            D3D_OK);
  EXPECT_EQ(Pixels(dest.Get()),
            (std::vector<D3DCOLOR>{0xFF0A141E, 0x00C86432, 0x80010203, 0x80010203, 0xFF0A141E, 0x00C86432}));
  // No palette, no rectangle: refused.
  EXPECT_EQ(D3DXLoadSurfaceFromMemory(dest.Get(), nullptr, nullptr, indices, D3DFMT_P8, 4, nullptr, &src,
                                      D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromMemory(dest.Get(), nullptr, nullptr, indices, D3DFMT_P8, 4, palette.data(),
                                      nullptr, D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
}

TEST(D3DXSurface, SixteenBitFormatsKeepTheirExactValues) {
  struct Case {
    D3DFORMAT format;
    D3DCOLOR in, out;
  };
  const Case cases[] = {
      {D3DFMT_R5G6B5, 0xFFFF8000, 0xFFFF8200},   {D3DFMT_X1R5G5B5, 0x00FF00FF, 0xFFFF00FF},
      {D3DFMT_A1R5G5B5, 0x7F00FF00, 0x0000FF00}, {D3DFMT_A1R5G5B5, 0x80000000, 0xFF000000},
      {D3DFMT_A4R4G4B4, 0x88FF0044, 0x88FF0044}, {D3DFMT_X8R8G8B8, 0x12345678, 0xFF345678},
      {D3DFMT_A8R8G8B8, 0x12345678, 0x12345678},
  };
  for (const Case& c : cases) {
    auto s = Surface(1, 1, c.format);
    Fill(s.Get(), {c.in});
    EXPECT_EQ(Pixels(s.Get())[0], c.out) << c.format;
  }
}

TEST(D3DXSurface, PointFilterPicksEveryNthPixelAndNoneLeavesTheRestTransparent) {
  std::vector<D3DCOLOR> src(16);
  for (UINT i = 0; i < 16; ++i)
    src[i] = 0xFF000000 | i;
  auto from = Surface(4, 4, D3DFMT_A8R8G8B8);
  Fill(from.Get(), src);
  auto half = Surface(2, 2, D3DFMT_A8R8G8B8);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(half.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                       D3DX_FILTER_POINT, 0),
            D3D_OK);
  EXPECT_EQ(Pixels(half.Get()), (std::vector<D3DCOLOR>{0xFF000000, 0xFF000002, 0xFF000008, 0xFF00000A}));

  auto doubled = Surface(8, 8, D3DFMT_A8R8G8B8);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(doubled.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                       D3DX_FILTER_POINT, 0),
            D3D_OK);
  EXPECT_EQ(Pixels(doubled.Get())[8 * 7 + 7], 0xFF00000Fu);

  ASSERT_EQ(D3DXLoadSurfaceFromSurface(doubled.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                       D3DX_FILTER_NONE, 0),
            D3D_OK);
  const auto none = Pixels(doubled.Get());
  EXPECT_EQ(none[8 * 3 + 3], 0xFF00000Fu);
  EXPECT_EQ(none[8 * 3 + 4], 0u);

  // A box-like filter averages each 2x2 square when halving.
  std::vector<D3DCOLOR> grey(16, 0xFF000000);
  grey[0] = grey[1] = grey[4] = 0xFFFFFFFF;
  Fill(from.Get(), grey);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(half.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                       D3DX_FILTER_BOX, 0),
            D3D_OK);
  EXPECT_EQ(Pixels(half.Get())[0], 0xFFBFBFBFu);
  EXPECT_EQ(Pixels(half.Get())[3], 0xFF000000u);
}

TEST(D3DXSurface, CompressingAtBestMatchesLibsquishAndDecompressingIsExact) {
  std::mt19937 rng(7);
  std::vector<D3DCOLOR> src(16 * 8);
  for (D3DCOLOR& c : src)
    c = rng() | 0xFF000000;
  for (D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
    auto from = Surface(16, 8, D3DFMT_A8R8G8B8);
    Fill(from.Get(), src);
    auto blocks = Surface(16, 8, format);
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(blocks.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                         D3DX_FILTER_POINT, 0, BlockQuality::Best),
              D3D_OK);
    // Same blocks as libsquish's cluster fit makes from the same pixels.
    std::vector<squish::u8> rgba;
    for (D3DCOLOR c : src)
      rgba.insert(rgba.end(), {BYTE(c >> 16), BYTE(c >> 8), BYTE(c), BYTE(c >> 24)});
    const int flags = format == D3DFMT_DXT1   ? squish::kDxt1
                      : format == D3DFMT_DXT3 ? squish::kDxt3
                                              : squish::kDxt5;
    std::vector<BYTE> expected(static_cast<size_t>(squish::GetStorageRequirements(16, 8, flags)));
    squish::CompressImage(rgba.data(), 16, 8, expected.data(), flags);
    ASSERT_EQ(blocks->Memory().bytes, expected) << format;

    // Decoding into A8R8G8B8 gives libsquish's decoding exactly.
    auto back = Surface(16, 8, D3DFMT_A8R8G8B8);
    ASSERT_EQ(D3DXLoadSurfaceFromSurface(back.Get(), nullptr, nullptr, blocks.Get(), nullptr, nullptr,
                                         D3DX_FILTER_NONE, 0),
              D3D_OK);
    std::vector<squish::u8> decoded(16 * 8 * 4);
    squish::DecompressImage(decoded.data(), 16, 8, expected.data(), flags);
    const auto pixels = Pixels(back.Get());
    for (size_t i = 0; i < pixels.size(); ++i) {
      const D3DCOLOR want = (D3DCOLOR(decoded[4 * i + 3]) << 24) | (D3DCOLOR(decoded[4 * i]) << 16) |
                            (D3DCOLOR(decoded[4 * i + 1]) << 8) | decoded[4 * i + 2];
      ASSERT_EQ(pixels[i], want) << format << " pixel " << i;
    }
  }
}

TEST(D3DXSurface, WritingPartOfABlockKeepsTheBlocksOtherPixels) {
  auto blocks = Surface(8, 4, D3DFMT_DXT5);
  auto white = Surface(8, 4, D3DFMT_A8R8G8B8);
  Fill(white.Get(), std::vector<D3DCOLOR>(32, 0xFFFFFFFF));
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(blocks.Get(), nullptr, nullptr, white.Get(), nullptr, nullptr,
                                       D3DX_FILTER_POINT, 0),
            D3D_OK);
  auto black = Surface(2, 2, D3DFMT_A8R8G8B8);
  Fill(black.Get(), std::vector<D3DCOLOR>(4, 0xFF000000));
  const RECT inside{5, 1, 7, 3};
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(blocks.Get(), nullptr, &inside, black.Get(), nullptr, nullptr,
                                       D3DX_FILTER_POINT, 0),
            D3D_OK);
  const auto pixels = Pixels(blocks.Get());
  EXPECT_EQ(pixels[1 * 8 + 5], 0xFF000000u);
  EXPECT_EQ(pixels[2 * 8 + 6], 0xFF000000u);
  EXPECT_EQ(pixels[0 * 8 + 5], 0xFFFFFFFFu);
  EXPECT_EQ(pixels[1 * 8 + 4], 0xFFFFFFFFu);
  EXPECT_EQ(pixels[0], 0xFFFFFFFFu);
}

TEST(D3DXSurface, ColourKeyTurnsMatchingPixelsTransparentBlack) {
  auto from = Surface(2, 1, D3DFMT_X8R8G8B8);
  Fill(from.Get(), {0xFFFF00FF, 0xFF00FF00});
  auto to = Surface(2, 1, D3DFMT_A8R8G8B8);
  ASSERT_EQ(D3DXLoadSurfaceFromSurface(to.Get(), nullptr, nullptr, from.Get(), nullptr, nullptr,
                                       D3DX_FILTER_NONE, 0xFFFF00FF),
            D3D_OK);
  EXPECT_EQ(Pixels(to.Get()), (std::vector<D3DCOLOR>{0, 0xFF00FF00}));
}

TEST(D3DXSurface, BadArgumentsAreRefused) {
  auto a = Surface(4, 4, D3DFMT_A8R8G8B8);
  auto b = Surface(4, 4, D3DFMT_A8R8G8B8);
  const RECT outside{0, 0, 5, 4};
  const RECT empty{2, 2, 2, 3};
  EXPECT_EQ(
      D3DXLoadSurfaceFromSurface(a.Get(), nullptr, nullptr, a.Get(), nullptr, nullptr, D3DX_FILTER_NONE, 0),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      D3DXLoadSurfaceFromSurface(a.Get(), nullptr, &outside, b.Get(), nullptr, nullptr, D3DX_FILTER_NONE, 0),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(
      D3DXLoadSurfaceFromSurface(a.Get(), nullptr, nullptr, b.Get(), nullptr, &empty, D3DX_FILTER_NONE, 0),
      D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(a.Get(), nullptr, nullptr, b.Get(), nullptr, nullptr, 9, 0),
            D3DERR_INVALIDCALL);
  auto palettised = Surface(4, 4, D3DFMT_P8);
  EXPECT_EQ(D3DXLoadSurfaceFromSurface(palettised.Get(), nullptr, nullptr, b.Get(), nullptr, nullptr,
                                       D3DX_FILTER_NONE, 0),
            D3DERR_INVALIDCALL);
  // A locked destination is not written.
  D3DLOCKED_RECT lr{};
  ASSERT_EQ(a->LockRect(&lr, nullptr, 0), D3D_OK);
  EXPECT_EQ(
      D3DXLoadSurfaceFromSurface(a.Get(), nullptr, nullptr, b.Get(), nullptr, nullptr, D3DX_FILTER_NONE, 0),
      D3DERR_INVALIDCALL);
  a->UnlockRect();
}

TEST(MemoryResources, TexturesLockByLevelAndBlocks) {
  auto tex = MakeCom<TMemoryTexture>(256u, 64u, 0u, 0u, D3DFMT_DXT1, D3DPOOL_MANAGED);
  EXPECT_EQ(tex->GetLevelCount(), 9u);
  D3DSURFACE_DESC d{};
  ASSERT_EQ(tex->GetLevelDesc(8, &d), D3D_OK);
  EXPECT_EQ(d.Width, 1u);
  EXPECT_EQ(d.Height, 1u);
  EXPECT_EQ(d.Size, 8u);
  ASSERT_EQ(tex->GetLevelDesc(0, &d), D3D_OK);
  EXPECT_EQ(d.Size, 256u * 64u / 2u);
  D3DLOCKED_RECT lr{};
  const RECT unaligned{2, 0, 8, 4};
  EXPECT_EQ(tex->LockRect(0, &lr, &unaligned, 0), D3DERR_INVALIDCALL);
  const RECT aligned{4, 8, 8, 12};
  ASSERT_EQ(tex->LockRect(0, &lr, &aligned, 0), D3D_OK);
  EXPECT_EQ(lr.Pitch, 64 * 8);
  EXPECT_EQ(static_cast<BYTE*>(lr.pBits) - tex->Level(0).bytes.data(), 2 * 64 * 8 + 8);
  EXPECT_EQ(tex->LockRect(0, &lr, nullptr, 0), D3DERR_INVALIDCALL);  // locked twice
  EXPECT_EQ(tex->UnlockRect(0), D3D_OK);
  EXPECT_EQ(tex->UnlockRect(0), D3DERR_INVALIDCALL);
  EXPECT_EQ(TMemoryTexture::Validate(8192, 8, 1, D3DFMT_A8R8G8B8), D3DERR_INVALIDCALL);
  EXPECT_EQ(TMemoryTexture::Validate(8, 8, 5, D3DFMT_A8R8G8B8), D3DERR_INVALIDCALL);
  EXPECT_EQ(FvfVertexSize(0x152), 36u);
  EXPECT_EQ(FvfVertexSize(D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2), 36u);
}

}  // namespace
