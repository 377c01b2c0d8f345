// The demo game: made once per test program, then read back through the program's own readers.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "archive/pak_archive.h"
#include "core/memory_stream.h"
#include "core/text.h"
#include "demo/demo_documents.h"
#include "demo/demo_game.h"
#include "demo/demo_models.h"
#include "demo/demo_motions.h"
#include "demo_scene.h"
#include "formats/dxg_model.h"
#include "formats/dxm_material.h"
#include "formats/dxt_file.h"
#include "formats/model_manager.h"
#include "formats/model_plugin.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "render/testing/recording_panel.h"
#include "render/view_panel.h"
#include "resources/document_ini.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;
using namespace dravo;
using namespace dravo::test;

namespace {

// One game for the whole program; the determinism test makes a second.
class DemoGameTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new TempDir;
    demo::WriteDemoGame(s_dir->path());
    s_game = new DemoGame(s_dir->path());
  }
  static void TearDownTestSuite() {
    delete s_game;
    delete s_dir;
  }
  static fs::path Pak(const char* name) { return s_dir->path() / "data" / name; }

  // Resource names (file names alone) of both archives with the extension, in archive order.
  static std::vector<std::string> Names(const std::string& ext) {
    std::vector<std::string> out;
    for (const char* pak : {"common.pak", "tex.pak"}) {
      const auto folder = TMvAFolder::Open(Pak(pak));
      for (int i = 0; i < folder->Count(); ++i) {
        const std::string name = ExtractFileName(folder->EntryName(i));
        if (SameTextAZ(ExtractFileExt(name), ext)) out.push_back(name);
      }
    }
    return out;
  }

  static TempDir* s_dir;
  static DemoGame* s_game;
};
TempDir* DemoGameTest::s_dir = nullptr;
DemoGame* DemoGameTest::s_game = nullptr;

// A 3D panel whose device logs every call, with the texture and model managers over the game.
class Device {
 public:
  explicit Device(TRmxResManager& resources) : m_textures(&resources), m_models(&resources) {
    m_textures.RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(m_panel.panel()));
    m_models.RegisterPlugIn(std::make_unique<TMvAObjPlugIn>(m_models, m_panel.panel(), services(resources)));
  }
  TMaterialServices services(TRmxResManager& resources) { return {&resources, &m_textures}; }
  TVellDXPanel* panel() { return m_panel.panel(); }
  TRmxObjectManager& models() { return m_models; }

 private:
  TRecordingPanel m_panel;
  TRmxGfxManager m_textures;
  TRmxObjectManager m_models;
};

int KindIndex(demo::MachineKind k) {
  return static_cast<int>(k);
}

double RotationAngle(const Matrix& a, const Matrix& b) {
  // The angle of a^T b from its trace.
  double trace = 0;
  for (int i = 0; i < 3; ++i)
    for (int k = 0; k < 3; ++k)
      trace += a[k][i] * b[k][i];
  return std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0));
}

Vector3 Origin(const Matrix& m) {
  return Vec3(m[3][0], m[3][1], m[3][2]);
}

int BoneIndex(const DxgFile& f, const std::string& name) {
  for (std::size_t i = 0; i < f.bones.size(); ++i)
    if (f.bones[i].name == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

TEST_F(DemoGameTest, TwoRunsWriteTheSameBytesAndOnlyTheTwoArchives) {
  TempDir again;
  demo::WriteDemoGame(again.path());
  for (const char* pak : {"common.pak", "tex.pak"})
    EXPECT_EQ(ReadBytes(again / ("data/" + std::string(pak))), ReadBytes(Pak(pak))) << pak;
  std::set<std::string> files;
  for (const auto& e : fs::directory_iterator(s_dir->path() / "data"))
    files.insert(e.path().filename().string());
  EXPECT_EQ(files, (std::set<std::string>{"common.pak", "tex.pak"}));
}

TEST_F(DemoGameTest, ArchivesOpenAndTheCommonCopyOfASharedNameWins) {
  const auto common = TMvAFolder::Open(Pak("common.pak"));
  const auto textures = TMvAFolder::Open(Pak("tex.pak"));
  EXPECT_GT(common->Count(), 60);
  EXPECT_GT(textures->Count(), 10);
  // Most textures live in tex.pak; a few in common.pak.
  EXPECT_GT(Names(".dxt").size(), 15u);
  const int inCommon = common->IndexOf("Data\\Veh\\Tex\\plate_kx.dxt");
  const int inTextures = textures->IndexOf("Data\\Veh\\Tex\\plate_kx.dxt");
  ASSERT_GE(inCommon, 0);
  ASSERT_GE(inTextures, 0);
  const auto fromCommon = common->ReadEntry(inCommon);
  const auto fromTextures = textures->ReadEntry(inTextures);
  const std::vector<std::uint8_t> commonBytes(fromCommon->bytes().begin(), fromCommon->bytes().end());
  ASSERT_NE(commonBytes,
            std::vector<std::uint8_t>(fromTextures->bytes().begin(), fromTextures->bytes().end()));
  const auto found = s_game->Read("PLATE_KX.DXT");
  ASSERT_TRUE(found);
  EXPECT_EQ(*found, commonBytes);
}

TEST_F(DemoGameTest, EveryTextureLoadsInEveryFormatCode) {
  Device device(s_game->Resources());
  TMvAGfxPlugIn plugIn(device.panel());
  std::set<std::uint32_t> codes;
  bool prefix = false, noLevels = false, mipmapped = false, single = false;
  std::vector<std::string> names = Names(".dxt");
  for (const std::string& atx : Names(".atx"))
    names.push_back(atx);
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const auto bytes = s_game->Read(name);
    ASSERT_TRUE(bytes);
    MemoryStream stream(*bytes);
    std::int32_t format = 0;
    ComPtr<IDirect3DTexture8> texture;
    EXPECT_EQ(plugIn.LoadTexture(format, &stream, texture), 0);
    EXPECT_TRUE(texture);
    const DxtFileInfo info = ParseDxtFile(*bytes);
    codes.insert(info.code);
    prefix |= info.prefix;
    noLevels |= info.code == kDxtCodeDxt5Alt && info.storedLevelCount == 0;
    mipmapped |= info.levels.size() > 1;
    single |= info.levels.size() == 1;
    // Skins are opaque where the models need them to be; nothing is a blank picture.
    const std::vector<std::uint8_t> rgba = DecodeDxtRgba(*bytes, info);
    std::set<std::uint32_t> colours;
    for (std::size_t p = 0; p + 3 < rgba.size(); p += 4)
      colours.insert(std::uint32_t(rgba[p]) << 16 | std::uint32_t(rgba[p + 1]) << 8 | rgba[p + 2]);
    EXPECT_GT(colours.size(), 2u);
  }
  EXPECT_EQ(codes, (std::set<std::uint32_t>{38, 40, 50, 53, 54, 55, 56}));
  EXPECT_TRUE(prefix);
  EXPECT_TRUE(noLevels);
  EXPECT_TRUE(mipmapped);
  EXPECT_TRUE(single);
}

TEST_F(DemoGameTest, EveryMaterialLoadsWithItsTextures) {
  Device device(s_game->Resources());
  int twoPass = 0;
  bool viaAtx = false;
  for (const std::string& name : Names(".dxm")) {
    SCOPED_TRACE(name);
    TDXMmaterial material(name, device.panel(), device.services(s_game->Resources()));
    ASSERT_TRUE(material.LoadByName(name));
    ASSERT_GE(material.PassCount, 1);
    ASSERT_LE(material.PassCount, 2);
    for (int p = 0; p < material.PassCount; ++p) {
      const TShaderPass& pass = *material.GetPass(p);
      EXPECT_TRUE(pass.Texture) << pass.TextureMap;
      EXPECT_EQ(pass.CullMode, 3);
      EXPECT_EQ(pass.MinFilter, 2);
      viaAtx |= SameTextAZ(ExtractFileExt(pass.TextureMap), ".atx");
    }
    if (material.PassCount == 2) {
      ++twoPass;
      // The mud pass blends over the skin by its alpha.
      const TShaderPass& mud = *material.GetPass(1);
      EXPECT_TRUE(mud.AlphaBlendEnable);
      EXPECT_EQ(mud.SrcBlend, 5);
      EXPECT_EQ(mud.DestBlend, 6);
      EXPECT_FALSE(mud.ZWriteEnable);
    } else {
      EXPECT_EQ(material.GetPass(0)->AlphaFunc, 7);
      EXPECT_EQ(material.GetPass(0)->AlphaRef, 128);
    }
  }
  EXPECT_GE(twoPass, 4);
  EXPECT_TRUE(viaAtx);
}

TEST_F(DemoGameTest, EveryModelLoadsThroughTheModelManager) {
  Device device(s_game->Resources());
  bool plain = false, quantised = false, levels = false, shortPalette = false;
  for (const std::string& name : Names(".dxg")) {
    SCOPED_TRACE(name);
    TDXGmodel* model = nullptr;
    ASSERT_EQ(device.models().LoadModel(name, model), 0);
    ASSERT_TRUE(model);
    ASSERT_GT(model->MeshCount(), 0);
    for (std::int32_t m = 0; m < model->MeshCount(); ++m)
      EXPECT_TRUE(model->GetMesh(m)->Material) << "mesh " << m;
    // Every vertex is bound to a bone the model has.
    ASSERT_FALSE(model->VertexBoneSlots().empty());
    for (std::uint8_t slot : model->VertexBoneSlots())
      EXPECT_LT(model->BonePalette()[slot], model->BoneCount());
    const DxgFile file = ParseDxgFile(*s_game->Read(name));
    for (const DxgMesh& mesh : file.levels.front().meshes)
      (mesh.compressed() ? quantised : plain) = true;
    levels |= file.levelCount > 1;
    if (file.palette.size() < file.bones.size()) {
      shortPalette = true;
      // The gloves reach the hands only through the slots the loader appends.
      std::set<std::string> bound;
      const std::uint32_t first = model->GetMesh(1)->FirstVertex;
      for (std::uint32_t v = first; v < first + model->GetMesh(1)->VertexCount; ++v)
        bound.insert(model->Bone(model->BonePalette()[model->VertexBoneSlots()[v]])->Name);
      EXPECT_EQ(bound, (std::set<std::string>{"L Hand", "R Hand"}));
    }
    EXPECT_EQ(device.models().ReleaseModel(model), 0);
  }
  EXPECT_TRUE(plain);
  EXPECT_TRUE(quantised);
  EXPECT_TRUE(levels);
  EXPECT_TRUE(shortPalette);
}

TEST_F(DemoGameTest, EveryMotionIsValidAndEveryVariantOccurs) {
  std::set<std::tuple<int, bool, bool>> variants;
  const DxgFile rider = ParseDxgFile(*s_game->Read("nofear6.dxg"));
  const DxgFile bike = ParseDxgFile(*s_game->Read("kx250.dxg"));
  const DxgFile quad = ParseDxgFile(*s_game->Read("quad450.dxg"));
  int withPositions = 0;
  for (const std::string& name : Names(".mot")) {
    SCOPED_TRACE(name);
    TMOTfile motion;
    motion.LoadMotion(*s_game->Read(name));
    ASSERT_TRUE(motion.IsValid()) << motion.InvalidReason();
    EXPECT_GE(motion.FrameCount(), 30);
    EXPECT_LE(motion.FrameCount(), 60);
    variants.insert({motion.Version(), motion.WideKeys(), motion.AxisOrder()});
    withPositions += motion.PositionTrackCount() > 0;
    EXPECT_EQ(BuildPose(motion).size(), static_cast<std::size_t>(motion.PartCount()));
    // Parts are named as the bones they drive, and every bone is driven.
    const bool machine = name.find("bike") != std::string::npos;
    const DxgFile& model = !machine ? rider : name.rfind("atv_", 0) == 0 ? quad : bike;
    for (const DxgBone& bone : model.bones)
      EXPECT_GE(motion.FindPart(bone.name), 0) << bone.name;
  }
  EXPECT_EQ(variants.size(), 12u);
  EXPECT_GT(withPositions, 5);
  EXPECT_TRUE(s_game->Read("bike.mot"));
  EXPECT_TRUE(s_game->Read("atv_bike_idle.mot"));
}

TEST_F(DemoGameTest, CatalogueOffersExactlyTheIntendedTricks) {
  const std::map<std::string, int> machines = {
      {"MX_S_250_KX2501.sub", 0}, {"ATV_S_450_QUAD1.sub", 1}, {"MXF_S_450_FX1.sub", 2}};
  for (const auto& [machine, type] : machines) {
    SCOPED_TRACE(machine);
    ASSERT_EQ(MachineTypeOf(machine), type);
    std::vector<std::pair<std::string, bool>> expected, offered;
    for (const demo::DemoTrick& t : demo::OfferedTricks())
      if (KindIndex(t.kind) == type) expected.emplace_back(t.name, t.attached);
    for (const Trick& t : Catalogue(*s_game, type))
      offered.emplace_back(t.name, t.attached);
    EXPECT_EQ(offered, expected);
    for (const demo::DemoTrick& t : demo::OfferedTricks()) {
      if (KindIndex(t.kind) != type) continue;
      const TrickMotions motions = LoadTrick(*s_game, type, t.name);
      EXPECT_EQ(motions.hasMachineMotion, t.machineMotion) << t.name;
      EXPECT_TRUE(motions.machine.IsValid()) << t.name;
    }
  }
  // Present in the game but not offered: a motion under a key written "Motion=", and a listed trick
  // whose rider motion the game lacks (its machine motion is there).
  EXPECT_TRUE(s_game->Read("mx_cancan.mot"));
  EXPECT_FALSE(s_game->Read("mx_lazyboy.mot"));
  EXPECT_TRUE(s_game->Read("bike_lazyboy.mot"));
  // One trick shows a 30-frame rider over a 60-frame machine.
  const TrickMotions superman = LoadTrick(*s_game, 0, "superman");
  EXPECT_EQ(superman.rider.FrameCount(), 30);
  EXPECT_EQ(superman.machine.FrameCount(), 60);
}

TEST_F(DemoGameTest, ModelListsAndModelSetsFollowTheDocumentRules) {
  std::vector<std::string> riders, machines;
  int folder = 0, resource = -1;
  TRmxResManager& res = s_game->Resources();
  while (res.FindNextByExtension(".sub", folder, resource)) {
    const std::string path = LowerAZ(res.ResourcePath(folder, resource, false));
    const std::string file = LowerAZ(res.ResourcePath(folder, resource, true));
    if (path.find("data\\rider\\") != std::string::npos && path.find("_ai") == std::string::npos)
      riders.push_back(res.ResourcePath(folder, resource, true));
    else
      for (const char* prefix : {"mxs", "mx", "mxf", "ff", "smx", "atv", "satv"})
        if (file.rfind(prefix, 0) == 0) {
          machines.push_back(res.ResourcePath(folder, resource, true));
          break;
        }
  }
  EXPECT_EQ(riders, (std::vector<std::string>{"Dirtbird14.sub", "NoFear6.sub"}));
  EXPECT_EQ(machines,
            (std::vector<std::string>{"ATV_S_450_QUAD1.sub", "MX_S_250_KX2501.sub", "MXF_S_450_FX1.sub"}));
  EXPECT_NE(std::find(riders.begin(), riders.end(), demo::kDefaultRider), riders.end());
  EXPECT_NE(std::find(machines.begin(), machines.end(), demo::kDefaultMachine), machines.end());

  for (const std::string& sub :
       {std::string("NoFear6.sub"), std::string("Dirtbird14.sub"), std::string("NoFear6_ai.sub")}) {
    SCOPED_TRACE(sub);
    const ModelSet set = LoadModelSet(*s_game, sub);
    EXPECT_EQ(set.main.file.bones.size(), demo::RiderBoneNames().size());
    EXPECT_TRUE(set.attachments.empty());
  }
  const ModelSet noFear = LoadModelSet(*s_game, "NoFear6.sub");
  EXPECT_EQ(ChangedMaterial(noFear, "rider_kit.dxm"), "nofear6_kit.dxm");
  EXPECT_EQ(ChangedMaterial(noFear, "helmet01.dxm"), "helmet06.dxm");
  // A left side written with an extension never matches.
  EXPECT_EQ(ChangedMaterial(noFear, "nofear6_boots.dxm"), "nofear6_boots.dxm");

  const std::map<std::string, std::vector<std::string>> placements = {
      {"MX_S_250_KX2501.sub", {"Front Wheel", "Rear Wheel", "Fork"}},
      {"MXF_S_450_FX1.sub", {"Front Wheel", "Rear Wheel"}},
      {"ATV_S_450_QUAD1.sub",
       {"Front Left Hub", "Front Right Hub", "Rear Left Hub", "Rear Right Hub", "Frame"}}};
  for (const auto& [sub, bones] : placements) {
    SCOPED_TRACE(sub);
    const ModelSet set = LoadModelSet(*s_game, sub);
    ASSERT_EQ(set.attachments.size(), bones.size());
    for (std::size_t a = 0; a < bones.size(); ++a)
      EXPECT_EQ(set.main.file.bones[static_cast<std::size_t>(set.attachments[a].bone)].name, bones[a]);
  }
}

TEST_F(DemoGameTest, RidersSitOnEveryMachineWithHandsOnTheGrips) {
  const ModelSet rider = LoadModelSet(*s_game, "Dirtbird14.sub");
  for (const char* sub : {"MX_S_250_KX2501.sub", "MXF_S_450_FX1.sub", "ATV_S_450_QUAD1.sub"}) {
    SCOPED_TRACE(sub);
    const ModelSet machine = LoadModelSet(*s_game, sub);
    const Posed posed = PoseScene(rider, machine, nullptr, false, 0);
    const Matrix& bars =
        posed.machineBones[static_cast<std::size_t>(BoneIndex(machine.main.file, "Handlebars"))];
    for (const char* hand : {"L Hand", "R Hand"}) {
      const Vector3 wrist =
          Origin(posed.riderBones[static_cast<std::size_t>(BoneIndex(rider.main.file, hand))]);
      const float side = hand[0] == 'L' ? -1.0f : 1.0f;
      const Vector3 grip = TransformCoord(Vec3(0.365f * side, 0, 0), bars);
      EXPECT_LT(Vec3Length(wrist - grip), 0.08f) << hand;
    }
  }
}

TEST_F(DemoGameTest, BackflipTurnsTheMachineAFullTurnAndTheAttachedRiderFollows) {
  const TrickMotions flip = LoadTrick(*s_game, 0, "backflip");
  ASSERT_TRUE(flip.hasMachineMotion);
  const std::vector<Matrix>& root =
      flip.machinePose[static_cast<std::size_t>(flip.machine.FindPart("Frame"))].Frames;
  double turned = 0;
  std::size_t upsideDown = 0;
  for (std::size_t f = 1; f < root.size(); ++f) {
    turned += RotationAngle(root[f - 1], root[f]);
    if (root[f][1][1] < root[upsideDown][1][1]) upsideDown = f;
  }
  EXPECT_NEAR(turned, 2 * kPi, 0.15);
  EXPECT_LT(root[upsideDown][1][1], -0.95f);
  EXPECT_NEAR(root.back()[1][1], 1.0f, 1e-3f);

  const auto catalogue = Catalogue(*s_game, 0);
  ASSERT_TRUE(std::any_of(catalogue.begin(), catalogue.end(),
                          [](const Trick& t) { return t.name == "backflip" && t.attached; }));
  const ModelSet rider = LoadModelSet(*s_game, "NoFear6.sub");
  const ModelSet machine = LoadModelSet(*s_game, "MX_S_250_KX2501.sub");
  const int head = BoneIndex(rider.main.file, "Head"), pelvis = BoneIndex(rider.main.file, "Pelvis");
  const auto headAbovePelvis = [&](const Posed& p) {
    return Origin(p.riderBones[static_cast<std::size_t>(head)]).y -
           Origin(p.riderBones[static_cast<std::size_t>(pelvis)]).y;
  };
  const Posed inverted = PoseScene(rider, machine, &flip, true, static_cast<int>(upsideDown));
  EXPECT_LT(headAbovePelvis(inverted), -0.3f);
  // The rider stays on the seat: close to the machine's root all the way round.
  const Vector3 seat = TransformCoord(demo::Contacts().seat, inverted.machineBones[0]);
  EXPECT_LT(Vec3Length(Origin(inverted.riderBones[static_cast<std::size_t>(pelvis)]) - seat), 0.25f);
  // With the machine hidden the rider keeps its own root pose.
  EXPECT_GT(headAbovePelvis(PoseScene(rider, machine, &flip, true, static_cast<int>(upsideDown), false)),
            0.3f);
}

TEST(DemoFiller, AddsEntriesOfRealisticSizesThatLoad) {
  TempDir plain, filled;
  demo::WriteDemoGame(plain.path());
  constexpr std::uint32_t kFiller = 40;
  demo::WriteDemoGame(filled.path(), {kFiller});
  EXPECT_EQ(ReadBytes(filled / "data/tex.pak"), ReadBytes(plain / "data/tex.pak"));
  const auto base = TMvAFolder::Open(plain / "data/common.pak");
  const auto more = TMvAFolder::Open(filled / "data/common.pak");
  ASSERT_EQ(more->Count(), base->Count() + static_cast<int>(kFiller));
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < kFiller; ++i) {
    const demo::DemoEntry e = demo::FillerEntry(i);
    SCOPED_TRACE(e.name);
    EXPECT_EQ(demo::FillerEntry(i).bytes, e.bytes);
    EXPECT_EQ(demo::FillerSize(i), e.bytes.size());
    const int index = more->IndexOf(e.name);
    ASSERT_GE(index, 0);
    EXPECT_EQ(more->ReadEntry(index)->vector(), e.bytes);
    total += e.bytes.size();
    const std::string ext = LowerAZ(ExtractFileExt(e.name));
    if (ext == ".mot") {
      TMOTfile m;
      m.LoadMotion(e.bytes);
      EXPECT_TRUE(m.IsValid());
    } else if (ext == ".dxg") {
      EXPECT_NO_THROW(ParseDxgFile(e.bytes));
    } else {
      EXPECT_NO_THROW(ParseDxtFile(e.bytes));
    }
  }
  EXPECT_GT(total / kFiller, 8000u);
  EXPECT_LT(total / kFiller, 40000u);
}
