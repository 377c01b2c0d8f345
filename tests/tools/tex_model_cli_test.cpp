// Runs `dravo tex` and `dravo model` as a user would, on files our own writers made.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "archive/pak_archive.h"
#include "formats/bmp_file.h"
#include "formats/dxg_file.h"
#include "formats/dxm_text.h"
#include "formats/dxt_bitmap.h"
#include "formats/dxt_file.h"
#include "formats/png_file.h"
#include "formats/tga_file.h"
#include "support/file_helpers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

// Runs dravo in the test's folder, with `environment` set over ours.
ProgramResult Dravo(const TempDir& dir, const std::vector<std::string>& args,
                    std::vector<std::pair<std::string, std::string>> environment = {}) {
  ProgramOptions options;
  options.cwd = dir.path();
  options.environment = std::move(environment);
  return RunProgram(DRAVO_BINARY, args, options);
}

DxtFileLayout Dxt(std::uint32_t code, std::uint32_t size, std::vector<std::uint8_t> full) {
  DxtFileLayout layout;
  layout.code = code;
  layout.width = layout.height = size;
  layout.levels.push_back(
      {size / 2, size / 2, std::vector<std::uint8_t>(DxtLevelBytes(code, size / 2, size / 2), 0)});
  layout.levels.push_back({size, size, std::move(full)});
  return layout;
}

// 8x8 DXT1 of one colour: every block holds colour 0 with all indices 0.
std::vector<std::uint8_t> SolidDxt1(std::uint16_t rgb565) {
  std::vector<std::uint8_t> blocks;
  for (int b = 0; b < 4; ++b)
    blocks.insert(blocks.end(), {std::uint8_t(rgb565), std::uint8_t(rgb565 >> 8), 0, 0, 0, 0, 0, 0});
  return blocks;
}

}  // namespace

TEST(DravoTex, InfoPrintsTheLayoutAndRefusesBrokenFiles) {
  TempDir dir;
  DxtFileLayout layout = Dxt(kDxtCodeDxt1, 8, SolidDxt1(0xF800));
  layout.prefix = true;
  WriteBytes(dir / "red.dxt", WriteDxtFile(layout));
  const ProgramResult ok = Dravo(dir, {"tex", "info", "red.dxt"});
  ASSERT_EQ(ok.code, 0) << ok.err;
  EXPECT_EQ(ok.out,
            "{\"prefix\":true,\"code\":38,\"width\":8,\"height\":8,\"levels\":[{\"width\":4,\"height\":4,"
            "\"size\":8},"
            "{\"width\":8,\"height\":8,\"size\":32}]}\n");

  layout.levels.pop_back();
  WriteBytes(dir / "short.dxt", WriteDxtFile(layout));
  const ProgramResult bad = Dravo(dir, {"tex", "info", "short.dxt"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err, "dravo: short.dxt: no level of the full size 8x8\n");
  const ProgramResult absent = Dravo(dir, {"tex", "info", "absent.dxt"});
  EXPECT_EQ(absent.code, 1);
  EXPECT_EQ(absent.err, "dravo: absent.dxt: cannot be opened: No such file or directory\n");
  EXPECT_EQ(Dravo(dir, {"tex", "info"}).code, 2);
}

TEST(DravoTex, ToPngDecodesBlocksAndPalettes) {
  TempDir dir;
  WriteBytes(dir / "red.dxt", WriteDxtFile(Dxt(kDxtCodeDxt1, 8, SolidDxt1(0xF800))));
  ASSERT_EQ(Dravo(dir, {"tex", "topng", "red.dxt", "red.png"}).code, 0);
  Bitmap red = ReadPng(ReadBytes(dir / "red.png"), "red.png");
  EXPECT_EQ(red.width(), 8);
  EXPECT_EQ(red.colour(7, 7), (Rgba8{255, 0, 0, 255}));

  DxtFileLayout palettised = Dxt(kDxtCodePaletteAlt, 4, std::vector<std::uint8_t>(16, 3));
  palettised.levels[1].bytes[5] = 9;
  palettised.palette[3] = {10, 20, 30, 255};
  palettised.palette[9] = {200, 100, 50, 128};
  WriteBytes(dir / "pal.dxt", WriteDxtFile(palettised));
  ASSERT_EQ(Dravo(dir, {"tex", "topng", "pal.dxt", "pal.png"}).code, 0);
  Bitmap pal = ReadPng(ReadBytes(dir / "pal.png"), "pal.png");
  EXPECT_EQ(pal.colour(0, 0), (Rgba8{10, 20, 30, 255}));
  EXPECT_EQ(pal.colour(1, 1), (Rgba8{200, 100, 50, 128}));

  palettised.levels[1].bytes.resize(10);
  WriteBytes(dir / "cut.dxt", WriteDxtFile(palettised));
  const ProgramResult cut = Dravo(dir, {"tex", "topng", "cut.dxt", "cut.png"});
  EXPECT_EQ(cut.code, 1);
  EXPECT_NE(cut.err.find("holds 10 bytes, 16 needed"), std::string::npos) << cut.err;
  EXPECT_FALSE(fs::exists(dir / "cut.png"));
}

TEST(DravoTex, FromImageFollowsTheSkinReplacement) {
  TempDir dir;
  // A 16-bit picture with magenta pixels: the pink question must be answered.
  Bitmap pinkish(8, 8, 15);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      pinkish.setPixel(x, y, x < 4 ? 0x7C1F : 0x001F);
  WriteBytes(dir / "pink.bmp", EncodeBmp(pinkish));
  const ProgramResult asks = Dravo(dir, {"tex", "fromimage", "pink.bmp", "pink.dxt"});
  EXPECT_EQ(asks.code, 1);
  EXPECT_NE(asks.err.find("Pink Transparency"), std::string::npos) << asks.err;
  EXPECT_NE(asks.err.find("--pink"), std::string::npos);
  EXPECT_FALSE(fs::exists(dir / "pink.dxt"));

  ASSERT_EQ(Dravo(dir, {"tex", "fromimage", "pink.bmp", "pink.dxt", "--pink", "yes"}).code, 0);
  ASSERT_EQ(Dravo(dir, {"tex", "topng", "pink.dxt", "pink.png"}).code, 0);
  Bitmap keyed = ReadPng(ReadBytes(dir / "pink.png"), "pink.png");
  EXPECT_EQ(keyed.colour(0, 0).a, 0);
  EXPECT_EQ(keyed.colour(7, 0), (Rgba8{0, 0, 255, 255}));
  const nlohmann::json info = nlohmann::json::parse(Dravo(dir, {"tex", "info", "pink.dxt"}).out);
  EXPECT_EQ(info["code"], 38);
  EXPECT_EQ(info["levels"].size(), 4u);  // 1x1 to 8x8, smallest first
  EXPECT_EQ(info["levels"][0]["width"], 1);

  ASSERT_EQ(Dravo(dir, {"tex", "fromimage", "pink.bmp", "opaque.dxt", "--pink", "no", "--no-mipmaps"}).code,
            0);
  const nlohmann::json opaque = nlohmann::json::parse(Dravo(dir, {"tex", "info", "opaque.dxt"}).out);
  EXPECT_EQ(opaque["levels"].size(), 1u);

  // A 32-bit picture with alpha becomes DXT5 blocks, written with code 53, in either quality.
  Bitmap alpha(4, 4, 32);
  alpha.setColour(1, 1, Rgba8{1, 2, 3, 4});
  WriteBytes(dir / "alpha.tga", EncodeTga(alpha));
  for (const char* quality : {"fast", "best"}) {
    ASSERT_EQ(
        Dravo(dir, {"tex", "fromimage", "alpha.tga", "alpha.dxt", "--no-mipmaps", "--quality", quality}).code,
        0);
    const nlohmann::json dxt5 = nlohmann::json::parse(Dravo(dir, {"tex", "info", "alpha.dxt"}).out);
    EXPECT_EQ(dxt5["code"], 53) << quality;
    ASSERT_EQ(Dravo(dir, {"tex", "topng", "alpha.dxt", "alpha.png"}).code, 0);
    const Bitmap back = ReadPng(ReadBytes(dir / "alpha.png"), "alpha.png");
    EXPECT_EQ(back.colour(1, 1).a, 4) << quality;  // 8-bit alpha, not DXT3's 0 or 17
  }
  EXPECT_EQ(Dravo(dir, {"tex", "fromimage", "alpha.tga", "alpha.dxt", "--quality", "slow"}).code, 2);

  Bitmap wide(640, 480, 24);
  WriteBytes(dir / "wide.bmp", EncodeBmp(wide));
  const ProgramResult size = Dravo(dir, {"tex", "fromimage", "wide.bmp", "wide.dxt"});
  EXPECT_EQ(size.code, 1);
  EXPECT_EQ(
      size.err,
      "dravo: wide.bmp: This texture is the wrong size, it must be an even number of pixels in Height and "
      "Width and can be no larger than 2048\n");
  // A 69-byte PNG that claims 16384 x 16384 is refused by its header, and the message names the
  // file once.
  std::vector<std::uint8_t> bomb = EncodePng(1, 1, std::vector<std::uint8_t>{1, 2, 3, 4});
  bomb[18] = bomb[22] = 0x40;
  bomb[19] = bomb[23] = 0;
  WriteBytes(dir / "bomb.png", bomb);
  const ProgramResult refused = Dravo(dir, {"tex", "fromimage", "bomb.png", "bomb.dxt"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "dravo: bomb.png: " + std::string(kTextureSizeMessage) + "\n");
  EXPECT_FALSE(fs::exists(dir / "bomb.dxt"));
  WriteText(dir / "junk.tga", "not a picture");
  const ProgramResult junk = Dravo(dir, {"tex", "fromimage", "junk.tga", "junk.dxt"});
  EXPECT_EQ(junk.err.find("junk.tga"), junk.err.rfind("junk.tga")) << "the name once: " << junk.err;
  EXPECT_EQ(Dravo(dir, {"tex", "fromimage", "junk.tga", "junk.dxt"}).code, 1);
  EXPECT_EQ(Dravo(dir, {"tex", "fromimage", "pink.bmp", "x.dxt", "--pink", "maybe"}).code, 2);
}

namespace {

// A model of two quads on two bones with a one-pass red material.
DxgFile QuadModel() {
  DxgFile file;
  DxgBone root;
  root.name = "root";
  DxgBone arm;
  arm.name = "arm";
  arm.parent = 0;
  file.bones = {root, arm};
  file.materialNames = {"red.dxm"};
  DxgMesh mesh;
  mesh.flags = kDxgBoneSlots;
  std::vector<DxgVertex> v(4);
  const float corners[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  for (int i = 0; i < 4; ++i) {
    v[i].position = {corners[i][0], corners[i][1], 0};
    v[i].u = corners[i][0] > 0 ? 1.0f : 0.0f;
    v[i].v = corners[i][1] > 0 ? 0.0f : 1.0f;
    v[i].slot = 1;
  }
  mesh.vertexCount = 4;
  mesh.indices = {0, 1, 2, 3};
  mesh.vertexBlock = EncodeDxgVertices(v, mesh.flags, 1, 1, 1);
  file.levels[0].meshes = {mesh};
  file.palette = {0, 1};
  return file;
}

}  // namespace

TEST(DravoModel, InfoListsBonesMaterialsMeshesAndBounds) {
  TempDir dir;
  WriteBytes(dir / "quad.dxg", WriteDxgFile(QuadModel()));
  const ProgramResult r = Dravo(dir, {"model", "info", "quad.dxg"});
  ASSERT_EQ(r.code, 0) << r.err;
  const nlohmann::json info = nlohmann::json::parse(r.out);
  EXPECT_EQ(info["bones"][1]["name"], "arm");
  EXPECT_EQ(info["bones"][1]["parent"], 0);
  EXPECT_EQ(info["materials"][0], "red.dxm");
  EXPECT_EQ(info["meshes"][0]["material"], "red.dxm");
  EXPECT_EQ(info["meshes"][0]["flags"], 0x40);
  EXPECT_EQ(info["meshes"][0]["compressed"], false);
  EXPECT_EQ(info["meshes"][0]["vertices"], 4);
  EXPECT_EQ(info["meshes"][0]["indices"], 4);
  EXPECT_EQ(info["palette"], 2);
  EXPECT_EQ(info["bounds"]["min"], nlohmann::json::array({-1.0, -1.0, 0.0}));
  EXPECT_EQ(info["bounds"]["max"], nlohmann::json::array({1.0, 1.0, 0.0}));

  std::vector<std::uint8_t> cut = WriteDxgFile(QuadModel());
  cut.resize(cut.size() - 5);
  WriteBytes(dir / "cut.dxg", cut);
  const ProgramResult bad = Dravo(dir, {"model", "info", "cut.dxg"});
  EXPECT_EQ(bad.code, 1);
  EXPECT_NE(bad.err.find("dravo: cut.dxg: the model is cut short"), std::string::npos) << bad.err;
  const ProgramResult absent = Dravo(dir, {"model", "info", "absent.dxg"});
  EXPECT_EQ(absent.code, 1);
  EXPECT_EQ(absent.err, "dravo: absent.dxg: cannot be opened: No such file or directory\n");
}

TEST(DravoModel, RenderDrawsTheModelFromTheGamesArchives) {
  TempDir dir;
  fs::create_directories(dir / "game" / "data");
  auto pak = TMvAFolder::CreateNew(dir / "game" / "data" / "common.pak");
  auto put = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
    MemoryStream stream(bytes);
    ASSERT_TRUE(pak->Put("Data\\Veh\\" + name, &stream));
  };
  put("quad.dxg", WriteDxgFile(QuadModel()));
  const std::string dxm = WriteDxmText({{"red.tga", {}}});
  put("red.dxm", std::vector<std::uint8_t>(dxm.begin(), dxm.end()));
  put("red.dxt", WriteDxtFile(Dxt(kDxtCodeDxt1, 8, SolidDxt1(0xF800))));
  pak->SaveAs(dir / "game" / "data" / "common.pak");

  // Mesa's driver keeps a few allocations past its unloading, where no suppression can name them; the
  // leak check of sanitizer builds is left out for the drawing runs (the model code is leak-checked in
  // the formats tests).
  const std::vector<std::pair<std::string, std::string>> noLeakCheck = {{"ASAN_OPTIONS", "detect_leaks=0"}};
  const ProgramResult r = Dravo(
      dir,
      {"model", "render", "--game", (dir / "game").string(), "quad.slt", "-o", "quad.png", "--size", "64"},
      noLeakCheck);
  if (r.code == 1 && r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << r.err;
  ASSERT_EQ(r.code, 0) << r.err;
  Bitmap picture = ReadPng(ReadBytes(dir / "quad.png"), "quad.png");
  ASSERT_EQ(picture.width(), 64);
  // The quad fills the middle with the texture's red; the corners show the grey background.
  EXPECT_EQ(picture.colour(32, 32), (Rgba8{255, 0, 0, 255}));
  EXPECT_EQ(picture.colour(0, 0), (Rgba8{0x70, 0x70, 0x70, 255}));

  const ProgramResult missing = Dravo(
      dir, {"model", "render", "--game", (dir / "game").string(), "absent", "-o", "absent.png"}, noLeakCheck);
  EXPECT_EQ(missing.code, 1);
  EXPECT_NE(missing.err.find("absent: the model could not be loaded"), std::string::npos) << missing.err;
  EXPECT_EQ(Dravo(dir, {"model", "render", "--game", "nowhere", "quad", "-o", "x.png"}).code, 1);
}
