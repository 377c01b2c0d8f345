// glTF export and import: the conversion of frames, the exported scenes checked by the Khronos validator
// and against the view's own skinning, the trick taken out and back in, and files that must be refused.
#include <tiny_gltf.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>

#include "core/error.h"
#include "demo_game_command.h"
#include "editor/gltf_axes.h"
#include "editor/trick_gltf.h"
#include "editor_rig.h"
#include "formats/dxg_model.h"
#include "formats/png_file.h"
#include "support/file_helpers.h"
#include "support/run_program.h"

namespace dravo::test {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using gltf::Mat4;

// ===== Helpers =====

std::optional<fs::path> FindOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    const fs::path candidate = fs::path(folder) / program;
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return std::nullopt;
}

// The Khronos validator's verdict on a file: success when it reports no error.
::testing::AssertionResult Valid(const fs::path& file) {
  const std::optional<fs::path> node = FindOnPath("node");
  const fs::path modules = fs::path(DRAVO_SOURCE_DIR) / ".tools" / "node_modules";
  if (!node) return ::testing::AssertionFailure() << "node is not installed: run scripts/install-deps.sh";
  if (!fs::exists(modules / "gltf-validator" / "package.json"))
    return ::testing::AssertionFailure()
           << "the glTF validator is not installed: run scripts/install-node-tools.sh";
  const ProgramResult r =
      RunProgram(*node, {(fs::path(DRAVO_SOURCE_DIR) / "tests" / "editor" / "validate_gltf.js").string(),
                         modules.string(), file.string()});
  if (r.code != 0 || r.out.rfind("errors 0 ", 0) != 0)
    return ::testing::AssertionFailure() << file << ": " << r.out << r.err;
  return ::testing::AssertionSuccess();
}

Matrix GameRotation(Vector3 axis, float angle, Vector3 position) {
  Matrix m = MatrixRotationAxis(axis, angle);
  m[3][0] = position.x;
  m[3][1] = position.y;
  m[3][2] = position.z;
  return m;
}

// Every frame of every part: the rider's, then the machine's.
std::vector<Matrix> Poses(const TDravoEditor& ed) {
  std::vector<Matrix> all;
  for (const TPoseTable* table : {&ed.RiderParts(), &ed.MachineParts()})
    for (const TMotionPart& part : *table)
      all.insert(all.end(), part.Frames.begin(), part.Frames.end());
  return all;
}

// The index of the poses that differ by more than `tolerance`.
std::vector<std::size_t> Differing(const std::vector<Matrix>& a, const std::vector<Matrix>& b,
                                   float tolerance) {
  std::vector<std::size_t> out;
  for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
    if (!Near(a[i], b[i], tolerance)) out.push_back(i);
  return out;
}

std::int32_t RiderPart(const TDravoEditor& ed, const std::string& name) {
  for (std::size_t i = 0; i < ed.RiderParts().size(); ++i)
    if (ed.RiderParts()[i].Name == name) return static_cast<std::int32_t>(i);
  ADD_FAILURE() << "no rider part " << name;
  return 0;
}

std::int32_t RiderBone(const TDravoEditor& ed, const std::string& name) {
  const TDXGmodel& model = *ed.RiderSet().Model;
  for (std::int32_t b = 0; b < model.BoneCount(); ++b)
    if (model.Bone(b)->Name == name) return b;
  ADD_FAILURE() << "no rider bone " << name;
  return 0;
}

json ReadJson(const fs::path& file) {
  std::ifstream in(file);
  return json::parse(in);
}

void WriteJson(const fs::path& file, const json& document) {
  std::ofstream(file) << document.dump(1);
}

const std::string kBase64 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::vector<std::uint8_t> FromBase64(const std::string& text) {
  std::vector<std::uint8_t> out;
  std::uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    const std::size_t v = kBase64.find(c);
    if (v == std::string::npos) continue;
    bits = (bits << 6) | static_cast<std::uint32_t>(v);
    if ((count += 6) >= 8) {
      count -= 8;
      out.push_back(static_cast<std::uint8_t>(bits >> count));
    }
  }
  return out;
}

std::string ToBase64(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::uint32_t n = (std::uint32_t(bytes[i]) << 16) | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0) |
                            (i + 2 < bytes.size() ? bytes[i + 2] : 0);
    out += kBase64[(n >> 18) & 63];
    out += kBase64[(n >> 12) & 63];
    out += i + 1 < bytes.size() ? kBase64[(n >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kBase64[n & 63] : '=';
  }
  return out;
}

// The node of that name in a glTF document, and the animation channel of `path` that targets it.
int NodeNamed(const json& d, const std::string& name) {
  for (std::size_t n = 0; n < d["nodes"].size(); ++n)
    if (d["nodes"][n].value("name", "") == name) return static_cast<int>(n);
  ADD_FAILURE() << "no node " << name;
  return -1;
}

// ===== The conversion =====

TEST(GltfAxes, AGameTurnAboutYIsTheMirroredTurnInGltf) {
  // 90° about the game's +y carries x towards -z (left-handed); with z mirrored that is a turn of -90°
  // about glTF's +y.
  const Mat4 g = gltf::GameToGltf(gltf::FromGame(GameRotation(Vec3(0, 1, 0), kPi / 2, Vec3(1, 2, 3))));
  const gltf::Trs trs = gltf::Decompose(g);
  const double h = std::sqrt(0.5);
  EXPECT_NEAR(trs.r[0], 0, 1e-9);
  EXPECT_NEAR(trs.r[1], -h, 1e-7);
  EXPECT_NEAR(trs.r[2], 0, 1e-9);
  EXPECT_NEAR(trs.r[3], h, 1e-7);
  EXPECT_NEAR(trs.t[0], 1, 1e-9);
  EXPECT_NEAR(trs.t[1], 2, 1e-9);
  EXPECT_NEAR(trs.t[2], -3, 1e-9);
  for (double s : trs.s)
    EXPECT_NEAR(s, 1, 1e-7);

  // A point moved by the game matrix lands where the glTF matrix moves the mirrored point.
  const Vector3 p = Vec3(0.5f, -1, 2);
  const Vector3 moved = TransformCoord(p, GameRotation(Vec3(0, 1, 0), kPi / 2, Vec3(1, 2, 3)));
  const gltf::Vec3d mp = gltf::GamePointToGltf({p.x, p.y, p.z});
  const gltf::Vec3d expected = gltf::GamePointToGltf({moved.x, moved.y, moved.z});
  const double column[3] = {g.m[0][0] * mp.x + g.m[0][1] * mp.y + g.m[0][2] * mp.z + g.m[0][3],
                            g.m[1][0] * mp.x + g.m[1][1] * mp.y + g.m[1][2] * mp.z + g.m[1][3],
                            g.m[2][0] * mp.x + g.m[2][1] * mp.y + g.m[2][2] * mp.z + g.m[2][3]};
  EXPECT_NEAR(column[0], expected.x, 1e-6);
  EXPECT_NEAR(column[1], expected.y, 1e-6);
  EXPECT_NEAR(column[2], expected.z, 1e-6);
}

TEST(GltfAxes, MatricesComeBackThroughGltfAndItsTrs) {
  const Matrix cases[] = {
      IdentityMatrix(),
      GameRotation(Vec3(1, 2, 3), 0.7f, Vec3(0.1f, -0.2f, 0.3f)),
      GameRotation(Vec3(0, 0, 1), kPi, Vec3(0, 0, 0)),  // a half turn
      GameRotation(Vec3(-1, 0.2f, 0), 3.0f, Vec3(5, 0, -5)),
      GameRotation(Vec3(1, 0, 0), kPi / 2, Vec3(0, 1, 0)) *
          GameRotation(Vec3(0, 1, 0), -kPi / 3, Vec3(2, 0, 0)),
  };
  for (const Matrix& game : cases) {
    const Mat4 g = gltf::GameToGltf(gltf::FromGame(game));
    EXPECT_TRUE(Near(gltf::ToGameMatrix(gltf::GltfToGame(g)), game, 1e-6f));
    EXPECT_TRUE(Near(gltf::ToGameMatrix(gltf::GltfToGame(gltf::Compose(gltf::Decompose(g)))), game, 1e-6f));
    // The products compose the same way on both sides: (A × B) in the game is B · A in glTF.
    const Matrix other = GameRotation(Vec3(0.3f, 1, 0), 0.4f, Vec3(1, 1, 1));
    const Mat4 both = gltf::GameToGltf(gltf::FromGame(other)) * g;
    EXPECT_TRUE(Near(gltf::ToGameMatrix(gltf::GltfToGame(both)), game * other, 1e-5f));
  }
}

// ===== Export =====

// An editor on the demo game with a trick whose rider rides the machine and whose machine has a motion.
class GltfEditor : public StartedEditorTest {
 protected:
  void SetUp() override {
    StartedEditorTest::SetUp();
    SelectTrick(ed(), "backflip");
    ASSERT_TRUE(ed().AttachToMachine());
    ASSERT_TRUE(ed().HasMachineMotion());
    ASSERT_GT(ed().FrameCount(), 10);
  }
  fs::path File(const std::string& name) const { return rig.dir / name; }
};

TEST_F(GltfEditor, ExportedFilesPassTheValidator) {
  ed().ExportGltf(File("backflip.glb").string());
  ed().ExportGltf(File("backflip.gltf").string());
  EXPECT_TRUE(Valid(File("backflip.glb")));
  EXPECT_TRUE(Valid(File("backflip.gltf")));
  // The binary starts as glTF's does; the JSON carries its buffer inside.
  const std::vector<std::uint8_t> glb = ReadBytes(File("backflip.glb"));
  ASSERT_GE(glb.size(), 12u);
  EXPECT_EQ(std::string(glb.begin(), glb.begin() + 4), "glTF");
  const json d = ReadJson(File("backflip.gltf"));
  EXPECT_EQ(d["buffers"][0]["uri"].get<std::string>().rfind("data:application/octet-stream;base64,", 0), 0u);
  ASSERT_EQ(d["animations"].size(), 2u);
  EXPECT_EQ(d["animations"][0]["name"], "backflip rider");
  EXPECT_EQ(d["animations"][1]["name"], "backflip machine");
  // One key per frame at the playback rate.
  const json& times = d["accessors"][d["animations"][0]["samplers"][0]["input"].get<int>()];
  EXPECT_EQ(times["count"], ed().FrameCount());
  EXPECT_NEAR(times["max"][0].get<double>(), (ed().FrameCount() - 1) / 15.0, 1e-6);

  // Another rate.
  ed().FrameRateEditChange(30);
  ed().ExportGltf(File("fast.gltf").string());
  EXPECT_TRUE(Valid(File("fast.gltf")));
  EXPECT_THROW(ed().ExportGltf(File("backflip.obj").string()), Error);
  EXPECT_FALSE(fs::exists(File("backflip.obj")));
}

// A tiny scene straight through the writer: textures with their own alpha get the matching alpha mode.
TEST(GltfWriter, AlphaModesFollowTheTextures) {
  TempDir dir;
  gltf::Scene scene;
  scene.name = "tiny";
  scene.frameCount = 2;
  gltf::Model model;
  model.name = "Rider mesh";
  model.boneNames = {"Root", "Arm"};
  model.boneParents = {-1, 0};
  model.driven = {true, true};
  model.worlds = {{IdentityMatrix(), MatrixTranslation(0, 1, 0)},
                  {IdentityMatrix(), GameRotation(Vec3(0, 0, 1), 0.5f, Vec3(0, 1, 0))}};
  for (int i = 0; i < 3; ++i) {
    gltf::Vertex v;
    v.position = Vec3(float(i), float(i % 2), 0);
    v.normal = Vec3(0, 0, 1);
    v.bone = i == 2 ? 1 : i == 1 ? -1 : 0;  // one vertex on no bone stays put
    model.vertices.push_back(v);
  }
  for (int m = 0; m < 3; ++m)
    model.primitives.push_back({m, {0, 1, 2}});
  scene.models.push_back(model);
  const auto image = [](std::uint8_t alpha0, std::uint8_t alpha1) {
    return gltf::Image{"skin", 2, 1, {255, 0, 0, alpha0, 0, 255, 0, alpha1}};
  };
  scene.images = {image(255, 255), image(0, 255), image(128, 255)};
  scene.materials = {{"opaque", 0}, {"cut", 1}, {"see-through", 2}};
  gltf::WriteScene(scene, dir / "tiny.gltf");
  EXPECT_TRUE(Valid(dir / "tiny.gltf"));
  const json d = ReadJson(dir / "tiny.gltf");
  EXPECT_FALSE(d["materials"][0].contains("alphaMode"));
  EXPECT_EQ(d["materials"][1]["alphaMode"], "MASK");
  EXPECT_EQ(d["materials"][2]["alphaMode"], "BLEND");
  // The vertex on no bone is bound to the side's group node, which never moves.
  EXPECT_EQ(d["skins"][0]["joints"].size(), 3u);
}

// Skins the exported rider the glTF way (joint world × inverse bind matrix) at a frame and compares it
// with the vertices the view skinned for that frame. With DRAVO_GLTF_PICTURE set, also draws the
// skinned points seen from the side into that PNG.
TEST_F(GltfEditor, TheSkinnedMeshIsWhereTheViewDrawsIt) {
  ed().ExportGltf(File("backflip.glb").string());
  tinygltf::TinyGLTF loader;
  tinygltf::Model m;
  std::string err, warn;
  ASSERT_TRUE(loader.LoadBinaryFromFile(&m, &err, &warn, File("backflip.glb").string())) << err;
  const auto floats = [&](int accessor) {
    const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(accessor)];
    const tinygltf::BufferView& v = m.bufferViews[static_cast<std::size_t>(a.bufferView)];
    const std::size_t n = a.count * static_cast<std::size_t>(tinygltf::GetNumComponentsInType(a.type));
    std::vector<float> out(n);
    std::memcpy(out.data(), m.buffers[0].data.data() + v.byteOffset + a.byteOffset, n * 4);
    return out;
  };
  const gltf::AnimationFile animation(File("backflip.glb"));
  // The rider, the machine and a wheel hung on the machine's "Front Wheel" bone.
  std::map<std::string, const TDXGmodel*> shown = {{"Rider mesh", ed().RiderSet().Model},
                                                   {"Machine mesh", ed().MachineSet().Model}};
  for (const TAttachment& a : ed().MachineSet().Attachments)
    if (a.Placement == "Front Wheel") shown["Front Wheel mesh"] = a.Model;
  ASSERT_EQ(shown.size(), 3u);
  constexpr int kSide = 400;
  std::vector<std::uint8_t> picture(std::size_t(kSide * kSide * 4), 255);
  std::vector<std::pair<Vector3, Vector3>> edges;
  for (const std::int32_t frame : {0, ed().FrameCount() / 2, ed().FrameCount() - 1}) {
    ed().FrameBarChange(frame + 1);
    rig.Paint();
    const std::vector<Mat4> worlds = animation.WorldsAt(frame / 15.0);
    std::map<std::string, int> checked;
    for (const tinygltf::Node& node : m.nodes) {
      if (!shown.count(node.name)) continue;
      const TDXGmodel& model = *shown[node.name];
      const tinygltf::Skin& skin = m.skins[static_cast<std::size_t>(node.skin)];
      const tinygltf::Primitive& p = m.meshes[static_cast<std::size_t>(node.mesh)].primitives[0];
      const std::vector<float> positions = floats(p.attributes.at("POSITION"));
      const std::vector<float> ibms = floats(skin.inverseBindMatrices);
      const tinygltf::Accessor& jointAccessor =
          m.accessors[static_cast<std::size_t>(p.attributes.at("JOINTS_0"))];
      const tinygltf::BufferView& jointView =
          m.bufferViews[static_cast<std::size_t>(jointAccessor.bufferView)];
      const auto* joints =
          reinterpret_cast<const std::uint16_t*>(m.buffers[0].data.data() + jointView.byteOffset);
      std::vector<Vector3> skinnedPoints;
      BYTE* data = nullptr;
      ASSERT_TRUE(SUCCEEDED(model.VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY)));
      for (std::size_t v = 0; v < positions.size() / 3; ++v) {
        const std::size_t j = joints[v * 4];
        Mat4 ibm;
        for (int c = 0; c < 4; ++c)
          for (int r = 0; r < 4; ++r)
            ibm.m[r][c] = ibms[j * 16 + std::size_t(c * 4 + r)];
        const Mat4 skinning = gltf::GltfToGame(ibm) * worlds[static_cast<std::size_t>(skin.joints[j])];
        const Vector3 meshPoint = Vec3(positions[v * 3], positions[v * 3 + 1], -positions[v * 3 + 2]);
        const Vector3 skinned = TransformCoord(meshPoint, gltf::ToGameMatrix(skinning));
        Vector3 drawn;
        std::memcpy(&drawn, data + v * TDXGmodel::kVertexBytes, 12);
        ASSERT_NEAR(skinned.x, drawn.x, 1e-4) << node.name << " vertex " << v << " frame " << frame;
        ASSERT_NEAR(skinned.y, drawn.y, 1e-4) << node.name << " vertex " << v << " frame " << frame;
        ASSERT_NEAR(skinned.z, drawn.z, 1e-4) << node.name << " vertex " << v << " frame " << frame;
        ++checked[node.name];
        skinnedPoints.push_back(skinned);
      }
      model.VertexBuffer->Unlock();
      if (frame == ed().FrameCount() / 2) {
        // The triangles' edges seen from the right: z across, y up.
        const auto plot = [&](Vector3 a, Vector3 b) { edges.emplace_back(a, b); };
        for (const tinygltf::Primitive& primitive :
             m.meshes[static_cast<std::size_t>(node.mesh)].primitives) {
          const tinygltf::Accessor& a = m.accessors[static_cast<std::size_t>(primitive.indices)];
          const auto* indices = reinterpret_cast<const std::uint32_t*>(
              m.buffers[0].data.data() + m.bufferViews[static_cast<std::size_t>(a.bufferView)].byteOffset);
          for (std::size_t t = 0; t + 2 < a.count; t += 3)
            for (int e = 0; e < 3; ++e)
              plot(skinnedPoints[indices[t + std::size_t(e)]],
                   skinnedPoints[indices[t + std::size_t((e + 1) % 3)]]);
        }
      }
    }
    for (const auto& [name, model] : shown)
      EXPECT_GT(checked[name], 50) << name;
  }
  if (const char* out = std::getenv("DRAVO_GLTF_PICTURE")) {
    Vector3 low = Vec3(1e9f, 1e9f, 1e9f), high = Vec3(-1e9f, -1e9f, -1e9f);
    for (const auto& [a, b] : edges)
      for (const Vector3& p : {a, b}) {
        low = Vec3(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = Vec3(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
      }
    const float scale = (kSide - 20) / std::max(high.z - low.z, high.y - low.y);
    for (const auto& [a, b] : edges)
      for (int step = 0; step <= 32; ++step) {
        const Vector3 p = Vec3Lerp(a, b, step / 32.0f);
        const int x = 10 + static_cast<int>((p.z - low.z) * scale);
        const int y = kSide - 10 - static_cast<int>((p.y - low.y) * scale);
        if (x >= 0 && x < kSide && y >= 0 && y < kSide)
          std::memset(&picture[std::size_t(y * kSide + x) * 4], 0, 3);
      }
    WritePngRgba(out, kSide, kSide, picture);
  }
}

// ===== Import =====

TEST_F(GltfEditor, ARoundTripGivesBackEveryPoseAsOneUndoStep) {
  const std::vector<Matrix> exported = Poses(ed());
  ed().ExportGltf(File("backflip.glb").string());
  ed().ExportGltf(File("backflip.gltf").string());

  // Edits after the export, on the rider's root, a limb and the machine: the import must undo them all.
  const std::int32_t riders = static_cast<std::int32_t>(ed().RiderParts().size());
  for (std::int32_t f = 0; f < ed().FrameCount(); f += 3) {
    ed().RotatePart(0, f, 1, 0.4f);
    ed().RotatePart(RiderPart(ed(), "L Thigh"), f, 0, -0.3f);
    ed().MovePart(riders, f, 2, 0.25f);
    ed().RotatePart(riders + 1, f, 2, 0.2f);
  }
  const std::vector<Matrix> edited = Poses(ed());
  ASSERT_FALSE(Differing(exported, edited, 1e-3f).empty());
  const std::size_t stepsBefore = ed().HistoryLabels().size();

  for (const char* name : {"backflip.glb", "backflip.gltf"}) {
    const TDravoEditor::GltfImport done = ed().ImportGltfAnimation(File(name).string());
    EXPECT_TRUE(done.warnings.empty()) << done.warnings.front();
    EXPECT_EQ(done.frames, ed().FrameCount());
    EXPECT_EQ(Differing(Poses(ed()), exported, 1e-4f), std::vector<std::size_t>{}) << name;
    EXPECT_TRUE(ed().Marks() & ModifiedMarks::Trick);
  }
  // Each import is one step: undoing the last brings back the first import's result, undoing that the edits.
  ASSERT_EQ(ed().HistoryLabels().size(), stepsBefore + 2);
  EXPECT_EQ(ed().HistoryLabels().back(), "Import glTF animation backflip.gltf");
  ed().Undo();
  ed().Undo();
  EXPECT_EQ(Poses(ed()), edited);
  ed().Redo();
  EXPECT_TRUE(Differing(Poses(ed()), exported, 1e-4f).empty());

  // Saved as any edit is: the stored trick loads back with the imported poses.
  ASSERT_TRUE(ed().InstallTrick());
  SelectTrick(ed(), "nacnac");
  SelectTrick(ed(), "backflip");
  EXPECT_TRUE(Differing(Poses(ed()), exported, 2e-2f).empty());  // through the motion's quantised keys
}

TEST_F(GltfEditor, AHandEditedRotationChangesThatPartAloneAndNamesMatchInAnyCase) {
  ed().ExportGltf(File("backflip.gltf").string());
  const std::vector<Matrix> before = Poses(ed());
  json d = ReadJson(File("backflip.gltf"));
  // "L Forearm" held at one turn for the whole trick: its rotation channel gone, its own rotation set.
  const int forearm = NodeNamed(d, "L Forearm");
  json& channels = d["animations"][0]["channels"];
  for (auto c = channels.begin(); c != channels.end();) {
    if ((*c)["target"]["node"] == forearm && (*c)["target"]["path"] == "rotation")
      c = channels.erase(c);
    else
      ++c;
  }
  const double s = std::sin(0.35), co = std::cos(0.35);
  d["nodes"][forearm]["rotation"] = {s, 0.0, 0.0, co};  // 0.7 rad about glTF's x
  // Names in other cases still match; a name that is no part is told.
  d["nodes"][NodeNamed(d, "R Thigh")]["name"] = "r THIGH";
  d["nodes"][NodeNamed(d, "Neck")]["name"] = "Tail";
  WriteJson(File("edited.gltf"), d);

  const TDravoEditor::GltfImport done = ed().ImportGltfAnimation(File("edited.gltf").string());
  EXPECT_EQ(done.warnings, std::vector<std::string>{"\"Tail\" names no part of the trick"});
  const std::vector<Matrix> after = Poses(ed());
  const std::int32_t part = RiderPart(ed(), "L Forearm");
  const std::size_t frames = static_cast<std::size_t>(ed().FrameCount());
  std::vector<std::size_t> expected;
  for (std::size_t f = 0; f < frames; ++f)
    expected.push_back(std::size_t(part) * frames + f);
  const std::vector<std::size_t> changed = Differing(before, after, 1e-4f);
  // Every frame of that part changed unless it already had that turn; nothing else did.
  for (std::size_t i : changed)
    EXPECT_TRUE(std::find(expected.begin(), expected.end(), i) != expected.end()) << i;
  EXPECT_GT(changed.size(), frames / 2);

  // The bone's transform against its parent is the new turn at the old place.
  const Matrix local = ed().RiderSet().Model->Bone(RiderBone(ed(), "L Forearm"))->Local;
  const Matrix turn =
      gltf::ToGameMatrix(gltf::GltfToGame(gltf::Compose({{0, 0, 0}, {s, 0, 0, co}, {1, 1, 1}})));
  for (std::size_t f = 0; f < frames; ++f) {
    const Matrix now = after[std::size_t(part) * frames + f] * local;
    const Matrix was = before[std::size_t(part) * frames + f] * local;
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(now[r][c], turn[r][c], 1e-4) << f;
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(now[3][c], was[3][c], 1e-4) << f;
  }
}

TEST_F(GltfEditor, FramesResampleTheAnimationOverItsLength) {
  ed().ExportGltf(File("backflip.glb").string());
  const std::vector<Matrix> before = Poses(ed());
  const std::int32_t frames = ed().FrameCount();
  // Half the frames: the whole animation squeezed into the first half, the rest untouched.
  const std::int32_t half = frames / 2;
  const TDravoEditor::GltfImport done = ed().ImportGltfAnimation(File("backflip.glb").string(), half);
  EXPECT_EQ(done.frames, half);
  const std::vector<Matrix> after = Poses(ed());
  const std::size_t part = static_cast<std::size_t>(RiderPart(ed(), "Lower Torso"));
  const auto at = [&](const std::vector<Matrix>& poses, std::int32_t f) {
    return poses[part * std::size_t(frames) + std::size_t(f)];
  };
  EXPECT_TRUE(Near(at(after, 0), at(before, 0), 1e-4f));
  EXPECT_TRUE(Near(at(after, half - 1), at(before, frames - 1), 1e-4f));
  for (std::int32_t f = half; f < frames; ++f)
    EXPECT_EQ(at(after, f), at(before, f));
  EXPECT_THROW(ed().ImportGltfAnimation(File("backflip.glb").string(), frames + 1), Error);
}

TEST_F(GltfEditor, FilesItCannotUseAreRefusedAndChangeNothing) {
  ed().ExportGltf(File("good.glb").string());
  ed().ExportGltf(File("good.gltf").string());
  const json good = ReadJson(File("good.gltf"));
  const std::vector<std::uint8_t> glb = ReadBytes(File("good.glb"));
  const auto edit = [&](const std::string& name, const std::function<void(json&)>& change) {
    json d = good;
    change(d);
    WriteJson(File(name), d);
    return name;
  };
  WriteBytes(File("text.gltf"), {'h', 'e', 'l', 'l', 'o'});
  WriteBytes(File("short.glb"), std::vector<std::uint8_t>(glb.begin(), glb.begin() + 1000));
  struct Case {
    std::string file;
    std::string problem;  // what the error says, or the start of it
  };
  const std::vector<Case> cases = {
      {"text.gltf", "not a glTF file"},
      {"short.glb", "Invalid glTF binary"},
      {"nothere.glb", "cannot be opened"},
      {edit("missing.gltf", [](json& d) { d["buffers"][0]["uri"] = "missing.bin"; }), "File not found"},
      {edit("overrun.gltf",
            [](json& d) {
              const int output = d["animations"][0]["samplers"][0]["output"];
              d["accessors"][output]["count"] = 100000;
            }),
       "accessor"},
      {edit("still.gltf", [](json& d) { d.erase("animations"); }), "holds no animation"},
      {edit("nan.gltf",
            [](json& d) {
              const std::string uri = d["buffers"][0]["uri"];
              const std::size_t comma = uri.find(',');
              std::vector<std::uint8_t> bytes = FromBase64(uri.substr(comma + 1));
              const json& a = d["accessors"][d["animations"][0]["samplers"][0]["output"].get<int>()];
              const json& v = d["bufferViews"][a["bufferView"].get<int>()];
              const float nan = std::nanf("");
              std::memcpy(&bytes[v.value("byteOffset", 0) + a.value("byteOffset", 0)], &nan, 4);
              d["buffers"][0]["uri"] = uri.substr(0, comma + 1) + ToBase64(bytes);
            }),
       "holds a value that is not a number"},
      {edit("strangers.gltf",
            [](json& d) {
              for (json& node : d["nodes"])
                node["name"] = "x" + node.value("name", "");
            }),
       "no animated node is named after a part of this trick"},
  };
  const std::vector<Matrix> before = Poses(ed());
  const std::vector<std::string> history = ed().HistoryLabels();
  const std::uint32_t marks = ed().Marks();
  for (const Case& c : cases) {
    try {
      ed().ImportGltfAnimation(File(c.file).string());
      ADD_FAILURE() << c.file << " was read";
    } catch (const Error& e) {
      EXPECT_EQ(e.file(), File(c.file).string());
      EXPECT_NE(e.problem().find(c.problem), std::string::npos) << c.file << ": " << e.problem();
    }
    EXPECT_EQ(Poses(ed()), before) << c.file;
  }
  EXPECT_EQ(ed().HistoryLabels(), history);
  EXPECT_EQ(ed().Marks(), marks);
}

// ===== The window's buttons =====

TEST_F(GltfEditor, TheButtonsAskForAFileAndShowErrors) {
  rig.host.saveGltfs.push_back(std::nullopt);  // cancelled: nothing written
  ed().ExportGltfBtnClick();
  rig.host.saveGltfs.push_back(File("button.glb").string());
  ed().ExportGltfBtnClick();
  EXPECT_EQ(rig.host.suggestedGltfs, (std::vector<std::string>{"backflip.glb", "backflip.glb"}));
  EXPECT_TRUE(fs::exists(File("button.glb")));
  EXPECT_EQ(ed().StatusText(),
            "Wrote button.glb: backflip, " + std::to_string(ed().FrameCount()) + " frames");

  rig.host.openGltfs.push_back(File("button.glb").string());
  ed().ImportGltfBtnClick();
  EXPECT_TRUE(rig.host.errors.empty());
  EXPECT_EQ(ed().HistoryLabels().back(), "Import glTF animation button.glb");
  WriteBytes(File("bad.glb"), {'g', 'l', 'T', 'F', 2});
  rig.host.openGltfs.push_back(File("bad.glb").string());
  ed().ImportGltfBtnClick();
  ASSERT_EQ(rig.host.errors.size(), 1u);
  EXPECT_EQ(rig.host.errors[0].rfind(File("bad.glb").string() + ": ", 0), 0u) << rig.host.errors[0];
}

// ===== dravo gltf =====

class GltfExportCommand : public DemoGameCommand {
 protected:
  GltfExportCommand() : DemoGameCommand("gltf export") {}
};

class GltfImportCommand : public DemoGameCommand {
 protected:
  GltfImportCommand() : DemoGameCommand("gltf import") {}
};

TEST_F(GltfExportCommand, WritesValidFilesOfEachMachine) {
  const ProgramResult r = Run({"--trick", "backflip", (dir / "flip.glb").string()});
  if (r.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no OpenGL here";
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, (dir / "flip.glb").string() + ": 48 frames at 15 frames a second\n");
  EXPECT_TRUE(Valid(dir / "flip.glb"));
  ASSERT_EQ(Run({"--trick", "coffin", "--machine", "ATV_S_450_QUAD1.sub", "--fps", "25",
                 (dir / "quad.gltf").string()})
                .code,
            0);
  EXPECT_TRUE(Valid(dir / "quad.gltf"));
  const ProgramResult wrong = Run({"--trick", "backflip", (dir / "flip.fbx").string()});
  EXPECT_EQ(wrong.code, 1);
  EXPECT_EQ(wrong.err,
            "dravo: " + (dir / "flip.fbx").string() + ": the file name must end in .glb or .gltf\n");
}

TEST_F(GltfImportCommand, SavesTheTrickOrSaysWhyNot) {
  TempDir game;
  WriteGame(game.path(), DemoContentOnce());
  const ProgramResult exported = RunProgram(
      DRAVO_BINARY,
      {"gltf", "export", "--game", game.path().string(), "--trick", "backflip", (dir / "flip.gltf").string()},
      {{}, {{"HOME", home.path().string()}, {"XDG_CONFIG_HOME", (home / "config").string()}}});
  if (exported.err.find("no OpenGL device") != std::string::npos) GTEST_SKIP() << "no OpenGL here";
  ASSERT_EQ(exported.code, 0) << exported.err;
  const fs::path own = game.path() / "data" / "$dravo.pak";
  const std::vector<std::uint8_t> common = ReadBytes(game.path() / "data" / "common.pak");

  // A bad file: the message, and nothing written.
  WriteBytes(dir / "bad.glb", {'x'});
  const ProgramResult bad = RunOn(game.path(), {"--trick", "backflip", (dir / "bad.glb").string()});
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.err, "dravo: " + (dir / "bad.glb").string() + ": not a glTF file\n");
  EXPECT_FALSE(fs::exists(own));

  json d = ReadJson(dir / "flip.gltf");
  d["nodes"][NodeNamed(d, "Neck")]["name"] = "Tail";
  WriteJson(dir / "tail.gltf", d);
  const ProgramResult r =
      RunOn(game.path(), {"--trick", "backflip", "--common", "no", (dir / "tail.gltf").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err,
            "dravo: warning: " + (dir / "tail.gltf").string() + ": \"Tail\" names no part of the trick\n");
  EXPECT_EQ(r.out, (dir / "tail.gltf").string() + ": 28 parts, 48 frames into backflip.mot\n");
  EXPECT_TRUE(fs::exists(own));
  EXPECT_EQ(ReadBytes(game.path() / "data" / "common.pak"), common);
  EXPECT_EQ(RunOn(game.path(), {"--trick", "backflip", "--frames", "49", (dir / "flip.gltf").string()}).code,
            1);
}

}  // namespace
}  // namespace dravo::test
