// The skins panel and the view on the demo game: replacing textures with Targa files of every depth,
// saving them where the next start finds them, and the view controls and the drawing order.
#include <gtest/gtest.h>

#include <algorithm>

#include "archive/pak_format.h"
#include "core/text.h"
#include "editor/modified_marks.h"
#include "editor_rig.h"
#include "formats/bitmap.h"
#include "formats/dxg_model.h"
#include "formats/dxt_file.h"
#include "formats/texture_manager.h"
#include "formats/tga_file.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

int Row(TDravoEditor& ed, const std::string& value) {
  for (std::size_t i = 0; i < ed.TextureList().size(); ++i)
    if (SameTextAZ(ed.TextureList()[i].Value, value)) return static_cast<int>(i);
  ADD_FAILURE() << "no texture row " << value;
  return -1;
}

D3DSURFACE_DESC Desc(TDravoEditor& ed, int row) {
  D3DSURFACE_DESC desc;
  const TTextureEntry* entry =
      ed.TextureManager()->EntryAt(ed.TextureList()[static_cast<std::size_t>(row)].Tag);
  if (entry && entry->Texture) entry->Texture->GetLevelDesc(0, &desc);
  return desc;
}

D3DFORMAT FormatOf(TDravoEditor& ed, int row) {
  return Desc(ed, row).Format;
}

// A picture of the given depth with a magenta square in one corner when asked.
Bitmap Picture(int width, int height, int bits, bool magenta, const ColourMasks* masks = nullptr) {
  Bitmap b = masks ? Bitmap(width, height, bits, *masks) : Bitmap(width, height, bits);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const bool pink = magenta && x < width / 4 && y < height / 4;
      b.setColour(x, y,
                  pink ? Rgba8{255, 0, 255, 255}
                       : Rgba8{static_cast<std::uint8_t>(x * 2), 90, static_cast<std::uint8_t>(y * 2),
                               static_cast<std::uint8_t>(bits == 32 ? (x < width / 2 ? 255 : 0) : 255)});
    }
  return b;
}

class Skins : public StartedEditorTest {
 protected:
  std::string Tga(const std::string& name, const Bitmap& b) {
    const std::filesystem::path path = rig.dir / name;
    WriteTga(path, b);
    return path.string();
  }
  void Replace(int row, const std::string& file) {
    rig.host.imageFiles.push_back(file);
    ed().ChooseTextureFile(row);
  }
};

TEST_F(Skins, TargaFilesOfEveryDepthBecomeBlockTextures) {
  static const ColourMasks k1555 = kMasks1555;
  const struct {
    const char* what;
    Bitmap picture;
    std::deque<bool> pinkAnswer;  // asked only for 16-bit pictures with pink pixels
    D3DFORMAT format;
  } cases[] = {
      {"16-bit with pink, used", Picture(64, 64, 16, true), {true}, D3DFMT_DXT1},
      {"16-bit with pink, not used", Picture(64, 64, 16, true), {false}, D3DFMT_DXT1},
      {"16-bit without pink", Picture(64, 64, 16, false), {}, D3DFMT_DXT1},
      {"16-bit with an alpha bit", Picture(64, 64, 16, true, &k1555), {true}, D3DFMT_DXT1},
      {"24-bit with magenta", Picture(64, 32, 24, true), {}, D3DFMT_DXT1},
      {"32-bit with alpha", Picture(32, 64, 32, false), {}, D3DFMT_DXT5},
  };
  const int row = Row(ed(), "helmet06.dxt");
  const TTextureEntry* entry =
      ed().TextureManager()->EntryAt(ed().TextureList()[static_cast<std::size_t>(row)].Tag);
  int n = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    rig.host.answers = c.pinkAnswer;
    const std::string file = Tga("skin" + std::to_string(++n) + ".tga", c.picture);
    Replace(row, file);
    const std::vector<std::string> shown = rig.host.Take();
    EXPECT_EQ(shown.size(), c.pinkAnswer.size());
    if (!shown.empty()) {
      EXPECT_EQ(shown[0],
                "Pink Transparency detected: This Texture seems to contain some Pink Transparency pixels, "
                "do you want to use Pink for transparency in this tecture?");
    }
    EXPECT_EQ(FormatOf(ed(), row), c.format);
    EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "skin" + std::to_string(n) + ".dxt");
    EXPECT_TRUE(entry->Flags & kTextureReplaced);
    EXPECT_EQ(ed().Marks(), 2u);
    EXPECT_TRUE(rig.host.errors.empty());
  }
  // The helmet's material draws with the new texture.
  bool used = false;
  TDXGmodel& rider = *ed().RiderSet().Model;
  for (std::int32_t m = 0; m < rider.MeshCount(); ++m)
    if (TDXGMesh* mesh = rider.GetMesh(m); mesh && mesh->Material)
      for (std::int32_t p = 0; p < mesh->Material->PassCount; ++p)
        used = used || mesh->Material->GetPass(p)->Texture.Get() == entry->Texture.Get();
  EXPECT_TRUE(used);
  EXPECT_EQ(ed().TextureManager()->Count(), static_cast<std::int32_t>(ed().TextureList().size()));
  // Saved under the rider's folder, where the rider's next load looks first.
  ASSERT_TRUE(ed().SaveTextures());
  EXPECT_EQ(ed().Marks(), 0u);
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  ASSERT_EQ(own->Count(), 1);
  EXPECT_EQ(own->EntryName(0), "Data\\Rider\\Tex\\helmet06.dxt");
  // The last picture had alpha: its DXT5 blocks are written as they are, under the skins' code 53.
  EXPECT_EQ(ParseDxtFile(own->ReadEntry(0)->vector()).code, kDxtCodeDxt5Alt);
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(Desc(ed(), Row(ed(), "helmet06.dxt")).Width, 32u);
}

TEST_F(Skins, PicturesOfTheWrongSizeOrDamagedOnesReplaceNothing) {
  const int row = Row(ed(), "kx250_engine.dxt");
  const std::string size =
      "Texture size error: This texture is the wrong size, it must be an even number of pixels in Height and "
      "Width and can be no larger than 2048";
  for (auto [w, h] : {std::pair{640, 480}, {6, 6}, {2048, 2048}}) {
    Replace(row, Tga("wrong.tga", Picture(w, h, 24, false)));
    EXPECT_EQ(rig.host.Take(), std::vector<std::string>{size}) << w << "x" << h;
    EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "kx250_engine.dxt");
  }
  WriteText(rig.dir / "broken.tga", "not a picture");
  Replace(row, (rig.dir / "broken.tga").string());
  ASSERT_EQ(rig.host.errors.size(), 1u);
  EXPECT_NE(rig.host.errors[0].find("broken.tga"), std::string::npos);
  EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "kx250_engine.dxt");
  EXPECT_EQ(ed().Marks(), 0u);
  Replace(row, Tga("wide.tga", Picture(512, 256, 24, false)));
  EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "wide.dxt");
}

TEST_F(Skins, SavedTexturesGoToTheRidersOrMachinesFolderAndComeBack) {
  // Nothing replaced: nothing written, nothing more said.
  rig.host.answers = {true};
  ed().SaveTexBtnClick();
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{"Confirm texture save: Do you want to save these textures?"});
  EXPECT_FALSE(std::filesystem::exists(rig.OwnPak()));

  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  Replace(Row(ed(), "nofear6_kit.dxt"), Tga("kit.tga", Picture(64, 64, 32, false)));
  Replace(Row(ed(), "plate_kx.dxt"), Tga("plate.tga", Picture(64, 64, 24, false)));
  ASSERT_EQ(ed().Marks(), 2u);
  EXPECT_TRUE(ed().SaveTextures());
  EXPECT_EQ(ed().Marks(), 0u);
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  EXPECT_GE(own->IndexOf("Data\\Rider\\Tex\\nofear6_kit.dxt"), 0);
  EXPECT_GE(own->IndexOf("Data\\Veh\\Tex\\plate_kx.dxt"), 0);
  EXPECT_EQ(own->Count(), 2);
  // The plate is a stock texture of common.pak, of another size than the new one.
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{"Texture save error: Can't save the texture to the Common.Pak "
                                     "because it is the wrong size."});
  EXPECT_EQ(ReadBytes(rig.CommonPak()), common);

  // The next start finds them in the program's archive before the game's.
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(Desc(ed(), Row(ed(), "nofear6_kit.dxt")).Width, 64u);
  EXPECT_EQ(Desc(ed(), Row(ed(), "plate_kx.dxt")).Width, 64u);
  EXPECT_EQ(FormatOf(ed(), Row(ed(), "plate_kx.dxt")), D3DFMT_DXT1);
  EXPECT_EQ(Desc(ed(), Row(ed(), "kx250_body.dxt")).Width, 256u);
}

TEST(SkinsInCommonPak, ATextureOfTheStockSizeIsWrittenInPlace) {
  // The parts texture kept in common.pak rather than tex.pak.
  EditorRig rig([](demo::DemoContent& c) {
    auto it = std::find_if(c.textures.begin(), c.textures.end(), [](const demo::DemoEntry& e) {
      return FindTextAZ(e.name, "kx250_parts.dxt") != std::string::npos;
    });
    c.common.push_back(*it);
    c.textures.erase(it);
  });
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  rig.host.imageFiles = {(rig.dir / "parts.tga").string()};
  WriteTga(rig.dir / "parts.tga", Picture(128, 128, 32, false));
  ed.ChooseTextureFile(Row(ed, "kx250_parts.dxt"));
  ed.CommonPakClick();
  ed.CommonPakClick();
  ASSERT_TRUE(ed.CommonPak());
  ASSERT_TRUE(ed.SaveTextures());
  EXPECT_TRUE(rig.host.Take().empty());
  const std::vector<std::uint8_t> now = ReadBytes(rig.CommonPak());
  ASSERT_EQ(now.size(), common.size());
  BinaryFile file = BinaryFile::openRead(rig.CommonPak());
  for (const PakRecord& r : ReadPakDirectory(file).records) {
    const bool parts = SameTextAZ(r.name, "Data\\Veh\\Tex\\kx250_parts.dxt");
    const bool same =
        std::equal(now.begin() + r.offset, now.begin() + r.offset + r.size, common.begin() + r.offset);
    EXPECT_EQ(same, !parts) << r.name;
  }
}

TEST_F(Skins, ClosingWithOnlyATextureChangeSavesOnlyTheTextures) {
  Replace(Row(ed(), "tyre01.dxt"), Tga("tyre.tga", Picture(32, 32, 24, false)));
  rig.host.answers = {true};
  EXPECT_TRUE(ed().FormClose());
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  EXPECT_EQ(own->Count(), 1);
  EXPECT_GE(own->IndexOf("Data\\Veh\\Tex\\tyre01.dxt"), 0);
}

TEST_F(Skins, ReplacementsAreStepsOfTheHistory) {
  const int row = Row(ed(), "tyre01.dxt");
  const std::int32_t tag = ed().TextureList()[static_cast<std::size_t>(row)].Tag;
  const TTextureEntry* entry = ed().TextureManager()->EntryAt(tag);
  IDirect3DTexture8* stock = entry->Texture.Get();
  Replace(row, Tga("tyre.tga", Picture(32, 32, 24, false)));
  IDirect3DTexture8* mine = entry->Texture.Get();
  ASSERT_NE(mine, stock);
  EXPECT_EQ(ed().HistoryLabels().back(), "Replace skin tyre01.dxt");
  EXPECT_EQ(ed().Marks(), unsigned(ModifiedMarks::Textures));

  // Undo gives the very texture back, its row and flags, and clears the mark; the trick stays clean.
  ed().Undo();
  EXPECT_EQ(entry->Texture.Get(), stock);
  EXPECT_EQ(entry->Flags & kTextureReplaced, 0);
  EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "tyre01.dxt");
  EXPECT_EQ(ed().Marks(), 0u);
  ed().Redo();
  EXPECT_EQ(entry->Texture.Get(), mine);
  EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "tyre.dxt");
  EXPECT_EQ(ed().Marks(), unsigned(ModifiedMarks::Textures));

  // Saved, the replacement is the clean state: undoing it is a change again.
  ASSERT_TRUE(ed().SaveTextures());
  EXPECT_EQ(ed().Marks(), 0u);
  ed().Undo();
  EXPECT_EQ(ed().Marks(), unsigned(ModifiedMarks::Textures));
  ed().Redo();
  EXPECT_EQ(ed().Marks(), 0u);

  // A picture that cannot be used takes no step.
  const std::size_t steps = ed().HistoryLabels().size();
  rig.host.imageFiles.push_back((rig.dir / "missing.tga").string());
  ed().ChooseTextureFile(row);
  rig.host.Take();
  EXPECT_EQ(ed().HistoryLabels().size(), steps);
  EXPECT_EQ(ed().TextureList()[static_cast<std::size_t>(row)].Value, "tyre.dxt");
}

class View : public StartedEditorTest {};

TEST_F(View, ZoomPresetsAndTheShownMachine) {
  ed().TrackBar1Change(30);
  EXPECT_EQ(rig.panel->GetEye(), Vec3(0, 3, -3));
  ed().TrackBar1Change(150);
  EXPECT_EQ(rig.panel->GetEye(), Vec3(0, 3, -15));
  ed().ViewBoxChange(0);
  EXPECT_EQ(ed().SceneMatrix(), IdentityMatrix());
  ed().ViewBoxChange(4);
  const TDXGBoundingBox& box = ed().MachineSet().Model->BoundingBox();
  Matrix top;
  D3DXMatrixRotationX(&top, 1.5f * kPi);
  EXPECT_TRUE(Near(ed().SceneMatrix(), top * MatrixTranslation(0, (3 + box.Max.z - box.Min.z) / 2, 0)));
  EXPECT_EQ(ed().ViewIndex(), 4);
}

TEST_F(View, TheMachineAndItsPartsAreDrawnBeforeTheRider) {
  rig.Paint();
  rig.panel->Paint();
  const auto worlds = rig.log->Matching("SetTransform(D3DTS_WORLD");
  EXPECT_EQ(worlds.size(), 6u);  // the panel's own, then machine, three hung parts, rider
  EXPECT_EQ(rig.log->Matching("SetRenderState(D3DRS_FILLMODE, 3)").size(), 1u);
  ed().ShowBikeClick(false);
  ed().WireModeClick(true);
  rig.log->Clear();
  rig.panel->Paint();
  EXPECT_EQ(rig.log->Matching("SetTransform(D3DTS_WORLD").size(), 2u);
  EXPECT_EQ(rig.log->Matching("SetRenderState(D3DRS_FILLMODE, 2)").size(), 1u);
  EXPECT_TRUE(rig.panel->WireFrame);
  EXPECT_FALSE(rig.panel->Culling);
}

// The panel's render-state block stays off, yet the two switches act on every frame: the lights are set
// before the models draw, and each mesh is shaded by them, or none is.
TEST_F(View, LightingAndWireModeActOnEveryFrame) {
  const struct {
    bool lighting, wire;
  } cases[] = {{true, false}, {false, false}, {true, true}, {false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.lighting ? "lit" : "unlit") + (c.wire ? ", wire" : ", solid"));
    ed().LightClick(c.lighting);
    ed().WireModeClick(c.wire);
    rig.log->Clear();
    ASSERT_TRUE(rig.panel->Paint());
    const std::vector<std::string> lines = rig.log->Lines();
    const auto first = [&](const std::string& call) {
      return std::find_if(lines.begin(), lines.end(),
                          [&](const std::string& l) { return l.rfind(call, 0) == 0; }) -
             lines.begin();
    };
    const std::size_t draws = rig.log->Matching("DrawIndexedPrimitive(").size();
    ASSERT_GT(draws, 0u);
    EXPECT_EQ(
        rig.log
            ->Matching(c.lighting ? "SetRenderState(D3DRS_LIGHTING, 1)" : "SetRenderState(D3DRS_LIGHTING, 0)")
            .size(),
        1u);
    EXPECT_LT(first("SetRenderState(D3DRS_LIGHTING"), first("DrawIndexedPrimitive("));
    EXPECT_EQ(rig.log->Matching("LightEnable(").size(), c.lighting ? 2u : 0u);
    EXPECT_EQ(rig.log->Matching("SetMaterial(").size(), c.lighting ? 1u : 0u);
    // The lit stage multiplies by the diffuse (argument 0) once a mesh.
    const auto byDiffuse = std::count_if(lines.begin(), lines.end(), [](const std::string& l) {
      return l.rfind("SetTextureStageState(", 0) == 0 && l.find("D3DTSS_COLORARG2, 0)") != std::string::npos;
    });
    EXPECT_EQ(static_cast<std::size_t>(byDiffuse), c.lighting ? draws : 0u);
    EXPECT_EQ(
        rig.log->Matching(c.wire ? "SetRenderState(D3DRS_FILLMODE, 2)" : "SetRenderState(D3DRS_FILLMODE, 3)")
            .size(),
        1u);
    EXPECT_LT(first("SetRenderState(D3DRS_FILLMODE"), first("DrawIndexedPrimitive("));
  }
}

TEST_F(View, JoystickPadsTurnTheSceneOrMoveTheEyeWhileHeld) {
  // In the dead zone the timer runs and nothing turns.
  ed().JoystickMouseMove(20, 20);
  ed().JoystickMouseDown(1);
  EXPECT_EQ(rig.host.timers[EditorTimer::Joystick], std::make_pair(true, 50));
  const Matrix scene = ed().SceneMatrix();
  ed().JoystickTimerTimer();
  EXPECT_TRUE(Near(ed().SceneMatrix(), scene));
  // At the pad's corner: 14 ÷ 40π radians a tick about the scene's own axes.
  ed().JoystickMouseMove(0, 41);
  EXPECT_EQ(ed().JoyX(), -14);
  EXPECT_EQ(ed().JoyY(), -14);
  ed().JoystickTimerTimer();
  const float step = static_cast<float>(14 / 125.66370614359172);
  Matrix turn;
  D3DXMatrixRotationYawPitchRoll(&turn, step, step, 0);
  EXPECT_TRUE(Near(ed().SceneMatrix(), turn * scene));
  // Relative to the view: about the fixed axes.
  ed().ViewRelBtnClick();
  const Matrix before = ed().SceneMatrix();
  ed().JoystickTimerTimer();
  D3DXMatrixRotationYawPitchRoll(&turn, step, -step, 0);
  EXPECT_TRUE(Near(ed().SceneMatrix(), before * turn));
  ed().JoystickMouseUp();
  EXPECT_FALSE(ed().JoystickTimerEnabled());
  // The position pad moves the eye by the offsets over 400.
  ed().JoystickMouseDown(0);
  const D3DXVECTOR3 eye = rig.panel->GetEye();
  ed().JoystickTimerTimer();
  EXPECT_NEAR(rig.panel->GetEye().x, eye.x + 14.0f / 400, 1e-6);
  EXPECT_NEAR(rig.panel->GetEye().y, eye.y + 14.0f / 400, 1e-6);
  ed().JoystickMouseUp();
}

TEST_F(View, ColoursAndSwitchesReachThePanelAndTheModels) {
  rig.host.colours = {TColor{0x00102030}, std::nullopt, TColor{0x00405060}};
  ed().ColorPickerClick();
  EXPECT_EQ(rig.panel->Color(), 0x00102030u);
  ed().ColorPickerClick();  // cancelled
  EXPECT_EQ(ed().BackgroundColor(), 0x00102030u);
  ed().MudColorClick();
  EXPECT_EQ(ed().MachineSet().Model->Color(), 0x00405060u);
  EXPECT_EQ(ed().RiderSet().Model->Color(), 0x00405060u);
  for (const TAttachment& a : ed().MachineSet().Attachments)
    EXPECT_EQ(a.Model->Color(), 0x00405060u);
  ed().MudScaleChange(200);
  D3DCOLOR factor = 0;
  ed().RiderSet().Model->OnTextureFactor(*ed().RiderSet().Model, factor);
  EXPECT_EQ(factor, 200u << 24);
  ed().LightClick(false);
  EXPECT_FALSE(rig.panel->UseLights);
  ed().GIFSizeChange(999);
  EXPECT_EQ(ed().GifSize(), 256);
  ASSERT_TRUE(ed().FormClose());
  EXPECT_EQ(rig.Options().ReadInteger("MudColor", 0), 0x00405060);
  EXPECT_EQ(rig.Options().ReadInteger("Color", 0), 0x00102030);
  EXPECT_EQ(rig.Options().ReadInteger("MudScale", 0), 200);
  EXPECT_FALSE(rig.Options().ReadBool("Lighting", true));
}

// The onion skin draws each model once more per ghost, posed at the ghost's frame, never in GIF frames,
// and leaves the editor as the plain frame does.
TEST_F(View, OnionSkinGhostsArePosedAtTheirFramesAndLeaveTheFrameAsItWas) {
  SelectTrick(ed(), "backflip");
  const std::int32_t count = ed().FrameCount();
  ASSERT_GT(count, 6);
  EXPECT_FALSE(ed().OnionSkin());
  EXPECT_EQ(ed().OnionBefore(), 1);
  EXPECT_EQ(ed().OnionAfter(), 1);

  // Bone 0's world matrix each time a model is posed, machine and rider apart.
  std::vector<Matrix> machinePoses, riderPoses;
  const auto record = [](TDXGmodel* model, std::vector<Matrix>& into) {
    model->OnBoneTransform = [inner = model->OnBoneTransform, &into](TDXGmodel& m, D3DXMATRIX& w,
                                                                     std::int32_t bone) {
      inner(m, w, bone);
      if (bone == 0) into.push_back(w);
    };
  };
  record(ed().MachineSet().Model, machinePoses);
  record(ed().RiderSet().Model, riderPoses);
  struct Frame {
    std::size_t draws;
    Matrix machine, rider;
    std::vector<Matrix> bones;  // every bone of the rider, as the frame leaves them
  };
  const auto paint = [&] {
    machinePoses.clear();
    riderPoses.clear();
    rig.log->Clear();
    EXPECT_TRUE(rig.panel->Paint());
    Frame f{rig.log->Matching("DrawIndexedPrimitive(").size(), machinePoses.back(), riderPoses.back(), {}};
    for (std::int32_t b = 0; b < ed().RiderSet().Model->BoneCount(); ++b)
      f.bones.push_back(ed().RiderSet().Model->Bone(b)->World);
    return f;
  };
  std::vector<Frame> plain;
  for (std::int32_t f = 0; f < count; ++f) {
    ed().FrameBarChange(f + 1);
    plain.push_back(paint());
  }
  const std::size_t draws = plain[0].draws;
  ASSERT_GT(draws, 0u);

  ed().SetOnionFrames(2, 1);
  const int repaints = rig.host.repaints;
  ed().SetOnionSkin(true);
  EXPECT_GT(rig.host.repaints, repaints);
  const struct {
    std::int32_t frame;
    std::vector<std::int32_t> ghosts;
  } cases[] = {{5, {4, 6, 3}}, {0, {1}}, {1, {0, 2}}, {count - 1, {count - 2, count - 3}}};
  for (const auto& c : cases) {
    SCOPED_TRACE("frame " + std::to_string(c.frame));
    ed().FrameBarChange(c.frame + 1);
    const Frame onion = paint();
    // The frame itself, then each ghost in the order of the rule, then the frame posed again.
    EXPECT_EQ(onion.draws, draws * (1 + c.ghosts.size()));
    ASSERT_EQ(machinePoses.size(), c.ghosts.size() + 2);
    ASSERT_EQ(riderPoses.size(), c.ghosts.size() + 2);
    for (std::size_t i = 0; i < c.ghosts.size(); ++i) {
      const Frame& at = plain[static_cast<std::size_t>(c.ghosts[i])];
      EXPECT_TRUE(Near(machinePoses[i + 1], at.machine)) << "ghost " << c.ghosts[i];
      EXPECT_TRUE(Near(riderPoses[i + 1], at.rider)) << "ghost " << c.ghosts[i];
    }
    EXPECT_TRUE(Near(machinePoses[0], plain[static_cast<std::size_t>(c.frame)].machine));
    // The models end posed at the frame: every bone where the plain frame leaves it.
    EXPECT_EQ(ed().CurrentFrame(), c.frame);
    const Frame& self = plain[static_cast<std::size_t>(c.frame)];
    EXPECT_TRUE(Near(onion.machine, self.machine));
    ASSERT_EQ(onion.bones.size(), self.bones.size());
    for (std::size_t b = 0; b < self.bones.size(); ++b)
      EXPECT_TRUE(Near(onion.bones[b], self.bones[b])) << "bone " << b;
  }

  // A GIF frame shows no ghost.
  ed().FrameBarChange(6);
  ed().BeginFrameExport();
  EXPECT_EQ(paint().draws, draws);
  ed().EndFrameExport();

  // Kept for the next run, and brought into 1 … 5.
  ed().SetOnionFrames(0, 9);
  EXPECT_EQ(ed().OnionBefore(), 1);
  EXPECT_EQ(ed().OnionAfter(), 5);
  ed().SetOnionFrames(4, 3);
  ASSERT_TRUE(ed().FormClose());
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_TRUE(ed().OnionSkin());
  EXPECT_EQ(ed().OnionBefore(), 4);
  EXPECT_EQ(ed().OnionAfter(), 3);
  ed().SetOnionSkin(false);
  ASSERT_TRUE(ed().FormClose());
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_FALSE(ed().OnionSkin());
  // Values a hand-edited file may hold come back in range.
  rig.Stop();
  rig.Options().WriteInteger("OnionBefore", 12);
  rig.Options().WriteInteger("OnionAfter", -3);
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  EXPECT_EQ(ed().OnionBefore(), 5);
  EXPECT_EQ(ed().OnionAfter(), 1);
}

}  // namespace
}  // namespace dravo::test

namespace dravo::test {
namespace {

// What the GIF export does with the editor: stop playback, step the frame bar, capture each frame.
TEST(FrameExport, StepsThroughTheFramesAndRestoresPlayback) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  ed.PlayAnimBtnLatchChanged(true);
  ed.BeginFrameExport();
  EXPECT_FALSE(ed.PlayAnimBtnEnabled());
  EXPECT_FALSE(rig.host.timers[EditorTimer::Frame].first);
  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  for (int f = 1; f <= ed.TweenBar().FrameCount; ++f) {
    ed.FrameBarChange(f);
    ASSERT_TRUE(ed.CaptureView(rgba, width, height)) << f;
    rig.log->Clear();
  }
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(rgba.size(), 640u * 480u * 4u);
  EXPECT_EQ(ed.FrameBarPosition(), 30);
  ed.EndFrameExport();
  EXPECT_TRUE(ed.PlayAnimBtnEnabled());
  EXPECT_TRUE(rig.host.timers[EditorTimer::Frame].first);
  EXPECT_EQ(ed.GifFrameDelay(), 6);
}

}  // namespace
}  // namespace dravo::test
