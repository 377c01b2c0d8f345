#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "core/byte_io.h"
#include "formats/d3d_format_codes.h"
#include "formats/dxt_bitmap.h"
#include "formats/dxt_file.h"
#include "formats/dxt_texture.h"
#include "formats/texture_plugin.h"
#include "image_fixtures.h"
#include "model_fixtures.h"
#include "render/block_compress.h"
#include "render/d3dx_surface.h"
#include "render/memory_resources.h"

using namespace dravo;
using namespace dravo::test;

namespace {

std::vector<std::uint8_t> TextureLevel(IDirect3DTexture8* texture, UINT level) {
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(level, &desc);
  D3DLOCKED_RECT locked;
  EXPECT_EQ(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  const auto* p = static_cast<const std::uint8_t*>(locked.pBits);
  std::vector<std::uint8_t> bytes(p, p + desc.Size);
  texture->UnlockRect(level);
  return bytes;
}

std::vector<D3DCOLOR> TexturePixels(IDirect3DTexture8* texture, UINT level) {
  D3DSURFACE_DESC desc;
  texture->GetLevelDesc(level, &desc);
  const auto bytes = TextureLevel(texture, level);
  std::vector<D3DCOLOR> pixels(std::size_t(desc.Width) * desc.Height);
  EXPECT_TRUE(DecodePixels(bytes.data(), SurfacePitch(desc.Format, desc.Width), desc.Format, desc.Width,
                           desc.Height, nullptr, pixels.data()));
  return pixels;
}

struct Loaded {
  std::int32_t result = 99;
  std::int32_t format = -1;
  ComPtr<IDirect3DTexture8> texture;
  std::size_t position = 0;
};

Loaded Load(TVellDXPanel* panel, const std::vector<std::uint8_t>& file) {
  TMvAGfxPlugIn plugIn(panel);
  MemoryStream stream(file);
  Loaded out;
  out.result = plugIn.LoadTexture(out.format, &stream, out.texture);
  out.position = stream.position();
  return out;
}

}  // namespace

TEST(DxtFile, ParsesEveryLayoutAndRefusesBrokenOnes) {
  {
    DxtFileLayout layout = DxtWithLevels(kDxtCodeDxt5Alt, 8, 8, {{8, 8}});
    layout.prefix = true;
    layout.levelCount = 0;
    const DxtFileInfo info = ParseDxtFile(WriteDxtFile(layout));
    EXPECT_TRUE(info.prefix);
    EXPECT_EQ(info.code, 53u);
    EXPECT_EQ(info.storedLevelCount, 0u);
    ASSERT_EQ(info.levels.size(), 1u);  // a count of 0 reads one level for code 53
    EXPECT_EQ(info.fullLevel, 0);
  }
  {
    const DxtFileInfo info =
        ParseDxtFile(WriteDxtFile(DxtWithLevels(kDxtCodePalette, 4, 2, {{1, 1}, {2, 1}, {4, 2}})));
    EXPECT_EQ(info.fullLevel, 2);
    EXPECT_EQ(info.levels[2].size, 8u);
    EXPECT_EQ(info.palette[3], (PALETTEENTRY{3, 252, 9, 3 ^ 0x5A}));
  }
  struct Bad {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  DxtFileLayout noFull = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{4, 4}});
  DxtFileLayout unknown = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}});
  unknown.code = 39;
  std::vector<std::uint8_t> cut = WriteDxtFile(DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}}));
  cut.pop_back();
  DxtFileLayout manyLevels = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}});
  manyLevels.levelCount = 0x7FFFFFFF;
  std::vector<std::uint8_t> shortPalette = WriteDxtFile(DxtWithLevels(kDxtCodePaletteAlt, 2, 2, {{2, 2}}));
  shortPalette.resize(12 + 500);
  for (const Bad& bad :
       {Bad{"no level of the full size", WriteDxtFile(noFull)},
        Bad{"unknown texture format code 39", WriteDxtFile(unknown)}, Bad{"runs past the end", cut},
        Bad{"levels", WriteDxtFile(manyLevels)}, Bad{"palette", shortPalette}, Bad{"too short", {1, 0, 0}}}) {
    try {
      ParseDxtFile(bad.bytes);
      ADD_FAILURE() << bad.what;
    } catch (const DxtFileError& e) {
      EXPECT_NE(std::string(e.what()).find(bad.what), std::string::npos) << e.what();
    }
  }
}

TEST(DxtFile, OneScanServesTheLenientPlugInAndTheStrictParser) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    DxtScan::Stop stop;
    std::size_t levels;
  };
  DxtFileLayout promised = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{4, 4}, {8, 8}});
  promised.levelCount = 5;
  std::vector<std::uint8_t> cut = WriteDxtFile(DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}}));
  cut.pop_back();
  DxtFileLayout unknown = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}});
  unknown.code = 41;
  const Case cases[] = {
      {"whole", WriteDxtFile(DxtWithLevels(kDxtCodePalette, 8, 8, {{8, 8}})), DxtScan::Stop::None, 1},
      {"levels promised beyond the end", WriteDxtFile(promised), DxtScan::Stop::LevelHeaders, 2},
      {"the last level cut", cut, DxtScan::Stop::LevelBytes, 1},
      {"unknown code", WriteDxtFile(unknown), DxtScan::Stop::UnknownCode, 0},
      {"header A", {1, 0, 0, 0}, DxtScan::Stop::HeaderA, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const DxtScan scan = ScanDxtFile(c.bytes);
    EXPECT_EQ(scan.stop, c.stop);
    EXPECT_EQ(scan.info.levels.size(), c.levels);
    bool parsed = true;
    try {
      ParseDxtFile(c.bytes);
    } catch (const DxtFileError&) {
      parsed = false;
    }
    EXPECT_EQ(parsed, c.stop == DxtScan::Stop::None) << "the parser refuses any damage";
  }
  // The game's loader takes the full-size level that is there.
  TRecordingPanel rec;
  EXPECT_EQ(Load(rec.panel(), WriteDxtFile(promised)).result, 0);
}

TEST(DxtPlugIn, LoadsEveryFormatCode) {
  TRecordingPanel rec;
  for (std::uint32_t code : kDxtAllCodes) {
    for (bool prefix : {false, true}) {
      SCOPED_TRACE(testing::Message() << "code " << code << (prefix ? " with prefix" : ""));
      DxtFileLayout layout = DxtWithLevels(code, 8, 4, {{2, 1}, {8, 4}, {4, 2}});
      layout.prefix = prefix;
      const std::vector<std::uint8_t> file = WriteDxtFile(layout);
      const Loaded loaded = Load(rec.panel(), file);
      ASSERT_EQ(loaded.result, 0);
      EXPECT_EQ(loaded.format, static_cast<std::int32_t>(code));
      EXPECT_EQ(loaded.position, file.size());
      ASSERT_TRUE(loaded.texture);
      EXPECT_EQ(loaded.texture->GetLevelCount(), 1u);
      D3DSURFACE_DESC desc;
      loaded.texture->GetLevelDesc(0, &desc);
      EXPECT_EQ(desc.Format, DxtCodeTextureFormat(code));
      EXPECT_EQ(desc.Width, 8u);
      EXPECT_EQ(desc.Height, 4u);
      const std::vector<std::uint8_t>& full = layout.levels[1].bytes;
      if (!IsPalettisedDxtCode(code)) {
        EXPECT_EQ(TextureLevel(loaded.texture.Get(), 0), full);
        continue;
      }
      // Palette indices become the palette's colours, its fourth byte the alpha.
      const std::vector<D3DCOLOR> pixels = TexturePixels(loaded.texture.Get(), 0);
      for (std::size_t i = 0; i < pixels.size(); ++i) {
        const PALETTEENTRY& e = layout.palette[full[i]];
        const D3DCOLOR expected =
            (D3DCOLOR(e.peFlags) << 24) | (D3DCOLOR(e.peRed) << 16) | (D3DCOLOR(e.peGreen) << 8) | e.peBlue;
        ASSERT_EQ(pixels[i], expected) << "pixel " << i;
      }
      EXPECT_EQ(rec.log().Matching("SetCurrentTexturePalette(0)").size(), 1u);
      rec.log().Clear();
    }
  }
}

TEST(DxtPlugIn, TakesTheFullSizeLevelWhereverItIs) {
  TRecordingPanel rec;
  // Four levels with the full size last: the smaller three are skipped by their byte size.
  DxtFileLayout last = DxtWithLevels(kDxtCodeDxt1, 16, 16, {{2, 2}, {4, 4}, {8, 8}, {16, 16}});
  Loaded loaded = Load(rec.panel(), WriteDxtFile(last));
  ASSERT_EQ(loaded.result, 0);
  EXPECT_EQ(TextureLevel(loaded.texture.Get(), 0), last.levels[3].bytes);
  EXPECT_EQ(rec.log().Matching("CreateTexture").size(), 1u);

  // Code 53 with a level count of 0 still reads its one level.
  DxtFileLayout single = DxtWithLevels(kDxtCodeDxt5Alt, 8, 8, {{8, 8}});
  single.levelCount = 0;
  loaded = Load(rec.panel(), WriteDxtFile(single));
  ASSERT_EQ(loaded.result, 0);
  EXPECT_EQ(TextureLevel(loaded.texture.Get(), 0), single.levels[0].bytes);

  // Any other code with a count of 0 has no level.
  single.code = kDxtCodeDxt5;
  loaded = Load(rec.panel(), WriteDxtFile(single));
  EXPECT_EQ(loaded.result, -1);
  EXPECT_FALSE(loaded.texture);
}

TEST(DxtPlugIn, ReportsEveryFailureWithItsCode) {
  const std::vector<std::uint8_t> dxt1 = WriteDxtFile(DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}}));
  const std::vector<std::uint8_t> palettised = WriteDxtFile(DxtWithLevels(kDxtCodePalette, 8, 8, {{8, 8}}));
  {
    TMvAGfxPlugIn plugIn(nullptr);
    std::int32_t format = -1;
    ComPtr<IDirect3DTexture8> texture;
    EXPECT_EQ(plugIn.LoadTexture(format, nullptr, texture), -1);
    EXPECT_EQ(format, -1);
    EXPECT_EQ(Load(nullptr, dxt1).result, -4);
    const Loaded noPanel = Load(nullptr, palettised);
    EXPECT_EQ(noPanel.result, -1);
    EXPECT_EQ(noPanel.format, 55);
  }
  TRecordingPanel rec;
  {
    const Loaded missing =
        Load(rec.panel(), WriteDxtFile(DxtWithLevels(kDxtCodeDxt3, 8, 8, {{4, 4}, {2, 2}})));
    EXPECT_EQ(missing.result, -1);
    EXPECT_EQ(missing.format, 50);
    EXPECT_FALSE(missing.texture);
  }
  {
    DxtFileLayout layout = DxtWithLevels(kDxtCodeDxt1, 8, 8, {{8, 8}});
    layout.code = 37;
    const Loaded unknown = Load(rec.panel(), WriteDxtFile(layout));
    EXPECT_EQ(unknown.result, -2);
    EXPECT_EQ(unknown.format, 37);  // the code is handed back whenever the header was read
  }
  struct Case {
    const char* fail;
    const std::vector<std::uint8_t>* file;
    std::int32_t result;
  };
  for (const Case c :
       {Case{"CreateTexture", &dxt1, -3}, Case{"tex1.LockRect", &dxt1, -2},
        Case{"SetCurrentTexturePalette", &palettised, -2}, Case{"SetPaletteEntries", &palettised, -2},
        Case{"CreateImageSurface", &palettised, -3}, Case{"CreateTexture", &palettised, -4}}) {
    SCOPED_TRACE(c.fail);
    TRecordingPanel failing;
    failing.log().Fail(c.fail, D3DERR_INVALIDCALL);
    const Loaded loaded = Load(failing.panel(), *c.file);
    EXPECT_EQ(loaded.result, c.result);
    EXPECT_FALSE(loaded.texture);
  }
  {
    // A level that claims more bytes than the file holds, or than the texture can take, is not copied.
    std::vector<std::uint8_t> cut = dxt1;
    cut.resize(cut.size() - 1);
    EXPECT_EQ(Load(rec.panel(), cut).result, -2);
    DxtFileLayout big = DxtWithLevels(kDxtCodeDxt1, 4, 4, {{4, 4}});
    big.levels[0].bytes.resize(64);
    const Loaded tooBig = Load(rec.panel(), WriteDxtFile(big));
    EXPECT_EQ(tooBig.result, -2);
    EXPECT_FALSE(tooBig.texture);
    DxtFileLayout fewIndices = DxtWithLevels(kDxtCodePaletteAlt, 4, 4, {{4, 4}});
    fewIndices.levels[0].bytes.resize(15);
    EXPECT_EQ(Load(rec.panel(), WriteDxtFile(fewIndices)).result, -4);
  }
  {
    // Levels the header promises but the file does not hold are simply not there.
    DxtFileLayout layout = DxtWithLevels(kDxtCodeDxt5, 8, 8, {{8, 8}});
    layout.levelCount = 1000000;
    const Loaded loaded = Load(rec.panel(), WriteDxtFile(layout));
    EXPECT_EQ(loaded.result, 0);
    EXPECT_EQ(TextureLevel(loaded.texture.Get(), 0), layout.levels[0].bytes);
  }
}

namespace {

std::vector<std::uint8_t> Written(IDirect3DTexture8* texture, std::uint32_t code = 0) {
  std::unique_ptr<MemoryStream> stream;
  EXPECT_TRUE(TextureToDxt(stream, texture, code));
  return stream ? stream->vector() : std::vector<std::uint8_t>{};
}

ComPtr<IDirect3DTexture8> Filled(IDirect3DDevice8* device, UINT size, UINT levels, D3DFORMAT format) {
  ComPtr<IDirect3DTexture8> texture;
  EXPECT_EQ(device->CreateTexture(size, size, levels, 0, format, D3DPOOL_MANAGED, &texture), D3D_OK);
  for (UINT level = 0; level < texture->GetLevelCount(); ++level) {
    D3DLOCKED_RECT locked;
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(level, &desc);
    texture->LockRect(level, &locked, nullptr, 0);
    const auto bytes = LevelPattern(desc.Size, static_cast<std::uint8_t>(level + 1));
    std::memcpy(locked.pBits, bytes.data(), bytes.size());
    texture->UnlockRect(level);
  }
  return texture;
}

}  // namespace

TEST(TextureToDxt, WritesCodesCountsAndLevelsSmallestFirst) {
  TRecordingPanel rec;
  {
    const DxtFileInfo info = ParseDxtFile(Written(Filled(rec.device(), 8, 1, D3DFMT_DXT5).Get()));
    EXPECT_EQ(info.code, 54u);
    EXPECT_EQ(info.storedLevelCount, 1u);
    EXPECT_FALSE(info.prefix);
  }
  {
    const std::vector<std::uint8_t> file = Written(Filled(rec.device(), 8, 1, D3DFMT_DXT3).Get());
    EXPECT_EQ(LoadU32(file.data()), 2u);
    EXPECT_EQ(LoadU32(file.data() + 8), 0u);
    const DxtFileInfo info = ParseDxtFile(file);
    EXPECT_EQ(info.code, 53u);
    EXPECT_EQ(info.storedLevelCount, 0u);
  }
  {
    const auto texture = Filled(rec.device(), 16, 3, D3DFMT_DXT1);
    const std::vector<std::uint8_t> file = Written(texture.Get());
    const DxtFileInfo info = ParseDxtFile(file);
    EXPECT_EQ(info.code, 38u);
    EXPECT_EQ(info.storedLevelCount, 3u);
    EXPECT_EQ(info.width, 16u);
    ASSERT_EQ(info.levels.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      const UINT level = static_cast<UINT>(2 - i);
      EXPECT_EQ(info.levels[i].width, 16u >> level);
      const std::vector<std::uint8_t> expected = TextureLevel(texture.Get(), level);
      EXPECT_EQ(std::vector<std::uint8_t>(
                    file.begin() + static_cast<std::ptrdiff_t>(info.levels[i].offset),
                    file.begin() + static_cast<std::ptrdiff_t>(info.levels[i].offset + info.levels[i].size)),
                expected);
    }
    // And the file loads back into the same full-size level.
    const Loaded loaded = Load(rec.panel(), file);
    ASSERT_EQ(loaded.result, 0);
    EXPECT_EQ(TextureLevel(loaded.texture.Get(), 0), TextureLevel(texture.Get(), 0));
  }
  std::unique_ptr<MemoryStream> stream = std::make_unique<MemoryStream>();
  stream->write(std::string("keep"));
  EXPECT_FALSE(TextureToDxt(stream, Filled(rec.device(), 8, 1, D3DFMT_A8R8G8B8).Get()));
  EXPECT_FALSE(TextureToDxt(stream, nullptr));
  EXPECT_EQ(stream->text(), "keep");
  ComPtr<IDirect3DTexture8> unlockable = Filled(rec.device(), 8, 1, D3DFMT_DXT1);
  rec.log().Fail(ResourceName(unlockable.Get()) + ".LockRect", D3DERR_INVALIDCALL);
  EXPECT_FALSE(TextureToDxt(stream, unlockable.Get()));
  EXPECT_EQ(stream->text(), "keep");
}

TEST(TextureToDxt, TakesAnotherCodeOnlyWhenItHoldsTheSameBlocks) {
  TRecordingPanel rec;
  const ComPtr<IDirect3DTexture8> dxt5 = Filled(rec.device(), 8, 1, D3DFMT_DXT5);
  {
    // Code 53 for DXT5 blocks: one level is stored as a count of 0, the blocks as they are.
    const std::vector<std::uint8_t> file = Written(dxt5.Get(), kDxtCodeDxt5Alt);
    const DxtFileInfo info = ParseDxtFile(file);
    EXPECT_EQ(info.code, 53u);
    EXPECT_EQ(info.storedLevelCount, 0u);
    ASSERT_EQ(info.levels.size(), 1u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(info.levels[0].offset),
                                        file.end()),
              TextureLevel(dxt5.Get(), 0));
  }
  EXPECT_EQ(ParseDxtFile(Written(Filled(rec.device(), 8, 1, D3DFMT_DXT1).Get(), kDxtCodeDxt1Alt)).code, 40u);
  // A code for other blocks writes nothing.
  for (const std::uint32_t code : {kDxtCodeDxt1, kDxtCodeDxt3, kDxtCodePalette}) {
    std::unique_ptr<MemoryStream> stream = std::make_unique<MemoryStream>();
    stream->write(std::string("keep"));
    EXPECT_FALSE(TextureToDxt(stream, dxt5.Get(), code)) << code;
    EXPECT_EQ(stream->text(), "keep");
  }
}

// Every alpha level from 0 to 255 over a colour ramp, 16 x 16.
Bitmap AlphaRamp() {
  Bitmap picture(16, 16, 32);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      picture.setColour(x, y,
                        Rgba8{std::uint8_t(x * 16), std::uint8_t(y * 16), 90, std::uint8_t(x + y * 16)});
  return picture;
}

TEST(BitmapToTexture, SkinAlphaGoesStraightIntoTheDxt5BlocksOfItsFile) {
  TRecordingPanel rec;
  Bitmap picture = AlphaRamp();
  for (const std::uint32_t source : {fmtcode::kA8R8G8B8, fmtcode::kA4R4G4B4})
    EXPECT_EQ(SkinTextureFormat(source), D3DFMT_DXT5);
  for (const std::uint32_t source :
       {fmtcode::kX8R8G8B8, fmtcode::kR5G6B5, fmtcode::kX1R5G5B5, fmtcode::kA1R5G5B5})
    EXPECT_EQ(SkinTextureFormat(source), D3DFMT_DXT1);
  ComPtr<IDirect3DTexture8> texture;
  BitmapToTexture(rec.device(), &picture, fmtcode::kA8R8G8B8, texture, false, D3DFMT_DXT5);
  ASSERT_TRUE(texture);
  const std::vector<std::uint8_t> file = Written(texture.Get(), SkinFileCode(D3DFMT_DXT5));
  EXPECT_EQ(ParseDxtFile(file).code, 53u);
  const Loaded loaded = Load(rec.panel(), file);
  ASSERT_EQ(loaded.result, 0);
  const std::vector<D3DCOLOR> pixels = TexturePixels(loaded.texture.Get(), 0);
  std::set<int> levels;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    levels.insert(int(pixels[i] >> 24));
    EXPECT_NEAR(int(pixels[i] >> 24), int(i), 4) << i;
  }
  EXPECT_GT(levels.size(), 16u);  // DXT3 on the way would have left 16 at most
}

TEST(BitmapToTexture, EveryLevelIsThePointSampledPictureInTheChosenQuality) {
  TRecordingPanel rec;
  const Bitmap picture = Pattern(32, 16, 32);
  for (const BlockQuality quality : {BlockQuality::Fast, BlockQuality::Best})
    for (const D3DFORMAT format : {D3DFMT_DXT1, D3DFMT_DXT3, D3DFMT_DXT5}) {
      SCOPED_TRACE(testing::Message()
                   << "format " << format << (quality == BlockQuality::Best ? " best" : " fast"));
      Bitmap bitmap = picture;
      ComPtr<IDirect3DTexture8> texture;
      BitmapToTexture(rec.device(), &bitmap, fmtcode::kA8R8G8B8, texture, true, format, quality);
      ASSERT_TRUE(texture);
      ASSERT_EQ(texture->GetLevelCount(), 5u);  // 32x16 down to 2x1
      for (UINT level = 0; level < 5; ++level) {
        const UINT w = 32 >> level, h = 16 >> level;
        std::vector<D3DCOLOR> sampled;
        for (UINT y = 0; y < h; ++y)
          for (UINT x = 0; x < w; ++x)
            sampled.push_back(picture.pixel(int(x * 32 / w), int(y * 16 / h)));
        std::vector<std::uint8_t> expected(SurfacePitch(format, w) * ((h + 3) / 4));
        ASSERT_TRUE(
            CompressBlocks(sampled.data(), w, h, format, expected.data(), SurfacePitch(format, w), quality));
        EXPECT_EQ(TextureLevel(texture.Get(), level), expected) << "level " << level;
      }
    }
}

TEST(TextureToDxt, ExplicitAlphaSurvivesTheTripThroughCode53) {
  TRecordingPanel rec;
  Bitmap picture = AlphaRamp();  // every alpha level of DXT3 in one texture
  ComPtr<IDirect3DTexture8> dxt3;
  BitmapToTexture(rec.device(), &picture, fmtcode::kA8R8G8B8, dxt3, false, D3DFMT_DXT3);
  ASSERT_TRUE(dxt3);
  const Loaded loaded = Load(rec.panel(), Written(dxt3.Get()));
  ASSERT_EQ(loaded.result, 0);
  const std::vector<D3DCOLOR> before = TexturePixels(dxt3.Get(), 0);
  const std::vector<D3DCOLOR> after = TexturePixels(loaded.texture.Get(), 0);
  for (std::size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(after[i] & 0xFFFFFF, before[i] & 0xFFFFFF) << i;  // colours copied as they were
    EXPECT_NEAR(int(after[i] >> 24), int(before[i] >> 24), 10) << i;
  }
}

TEST(Dxt3AlphaToDxt5, KeepsTwoLevelAlphaExactly) {
  std::uint8_t block[16] = {};
  // Alternating 0 and 15 nibbles: fully transparent and opaque pixels.
  for (int i = 0; i < 8; ++i)
    block[i] = 0xF0;
  for (int i = 8; i < 16; ++i)
    block[i] = static_cast<std::uint8_t>(i * 11);
  std::uint8_t dxt5[16];
  std::memcpy(dxt5, block, 16);
  Dxt3AlphaToDxt5(dxt5);
  EXPECT_EQ(std::memcmp(dxt5 + 8, block + 8, 8), 0);
  D3DCOLOR three[16], five[16];
  ASSERT_TRUE(DecodePixels(block, 16, D3DFMT_DXT3, 4, 4, nullptr, three));
  ASSERT_TRUE(DecodePixels(dxt5, 16, D3DFMT_DXT5, 4, 4, nullptr, five));
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(five[i], three[i]) << i;
}

TEST(BitmapToTexture, ConvertsEachSourceFormat) {
  TRecordingPanel rec;
  struct Case {
    int bits;
    ColourMasks masks;
    std::uint32_t source;
    D3DFORMAT destination;
    bool mipmaps;
    UINT levels;
  };
  for (const Case c : {Case{32, {}, fmtcode::kA8R8G8B8, D3DFMT_DXT3, true, 5},
                       Case{24, {}, fmtcode::kX8R8G8B8, D3DFMT_DXT1, true, 5},
                       Case{16, kMasks565, fmtcode::kR5G6B5, D3DFMT_DXT1, false, 1},
                       Case{15, {}, fmtcode::kX1R5G5B5, D3DFMT_DXT1, true, 5},
                       Case{16, kMasks4444, fmtcode::kA4R4G4B4, D3DFMT_DXT3, true, 5},
                       Case{32, {}, fmtcode::kX8R8G8B8, D3DFMT_A8R8G8B8, false, 1}}) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, source " << c.source);
    Bitmap picture = Pattern(32, 16, c.bits, c.masks);
    const Bitmap original = picture;
    ComPtr<IDirect3DTexture8> texture;
    BitmapToTexture(rec.device(), &picture, c.source, texture, c.mipmaps, c.destination);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetLevelCount(), c.levels);  // MipLevelCount of the smaller side
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, c.destination);
    EXPECT_EQ(desc.Width, 32u);
    if (c.destination != D3DFMT_A8R8G8B8) continue;
    // Uncompressed: the pixels as they were, made opaque.
    const std::vector<D3DCOLOR> pixels = TexturePixels(texture.Get(), 0);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 32; ++x)
        ASSERT_EQ(pixels[std::size_t(y) * 32 + x], original.pixel(x, y) | 0xFF000000u);
  }
  // The X8R8G8B8 path changes the bitmap itself to 32 bits.
  Bitmap rgb = Pattern(8, 8, 24);
  ComPtr<IDirect3DTexture8> texture;
  BitmapToTexture(rec.device(), &rgb, fmtcode::kX8R8G8B8, texture, true, D3DFMT_DXT1);
  EXPECT_EQ(rgb.bitsPerPixel(), 32);
  // A bitmap narrower than its source format is refused rather than over-read.
  Bitmap narrow = Pattern(8, 8, 16, kMasks565);
  BitmapToTexture(rec.device(), &narrow, fmtcode::kA8R8G8B8, texture, true, D3DFMT_DXT3);
  EXPECT_FALSE(texture);
  BitmapToTexture(rec.device(), nullptr, fmtcode::kA8R8G8B8, texture, true, D3DFMT_DXT3);
  EXPECT_FALSE(texture);
  rec.log().Fail("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  Bitmap fine = Pattern(8, 8, 32);
  BitmapToTexture(rec.device(), &fine, fmtcode::kA8R8G8B8, texture, true, D3DFMT_DXT3);
  EXPECT_FALSE(texture);
}

TEST(BitmapToTexture, PinkKeyBecomesOneBitAlpha) {
  TRecordingPanel rec;
  Bitmap picture(8, 8, 15);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      picture.setPixel(x, y, x < 4 ? 0x7C1F : 0x03E0);  // left half magenta, right half green
  ASSERT_TRUE(ApplyColourKey(&picture, 15));
  ComPtr<IDirect3DTexture8> texture;
  BitmapToTexture(rec.device(), &picture, fmtcode::kA1R5G5B5, texture, false, D3DFMT_DXT1);
  ASSERT_TRUE(texture);
  const std::vector<D3DCOLOR> pixels = TexturePixels(texture.Get(), 0);
  EXPECT_EQ(pixels[0] >> 24, 0u);
  EXPECT_EQ(pixels[7] >> 24, 255u);
  EXPECT_EQ(pixels[7] & 0xFFFFFF, 0x00FF00u);
}
