// The editor's rules on their own: trick names and the catalogue, model-set documents, the posing and
// tweening arithmetic, and the view's small rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>
#include <utility>
#include <vector>

#include "core/text.h"
#include "editor/model_set.h"
#include "editor/pose_edit.h"
#include "editor/pose_mirror.h"
#include "editor/trick_install.h"
#include "editor/trick_names.h"
#include "editor/view_rules.h"

namespace dravo {

void PrintTo(const CatalogueEntry& e, std::ostream* os) {
  *os << e.Name << (e.Attach ? " (attached)" : "");
}

namespace {

::testing::AssertionResult Near(const Matrix& a, const Matrix& b, float tolerance = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!(std::fabs(a[r][c] - b[r][c]) <= tolerance))
        return ::testing::AssertionFailure() << "[" << r << "][" << c << "] " << a[r][c] << " vs " << b[r][c];
  return ::testing::AssertionSuccess();
}

TMotionPart PartWithFrames(int frames, const Matrix& m = IdentityMatrix()) {
  TMotionPart part;
  part.Name = "part";
  part.Allocated = true;
  part.Frames.assign(static_cast<std::size_t>(frames), m);
  return part;
}

TEST(TrickNames, MachineTypeFromTheMachineDocumentsName) {
  const struct {
    const char* name;
    int type;
  } cases[] = {{"MX_S_250_KX2501.sub", 0},
               {"MXS_x.sub", 0},
               {"ATV_S_450_QUAD1.sub", 1},
               {"SATV.sub", 1},
               {"MXF_S_450_FX1.sub", 2},
               {"atv_lower.sub", 0},
               {"Zed.sub", 0},
               {"", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(MachineTypeOf(c.name), c.type) << c.name;
}

TEST(TrickNames, EntryNamesOfAStoredTrick) {
  const TrickEntryNames mx = EntryNamesFor(0, "backflip.mot");
  EXPECT_EQ(mx.riderEntry, "Data\\Rider\\Anim\\mx_backflip.mot");
  EXPECT_EQ(mx.riderUiEntry, "Data\\Rider\\Anim\\UI_MX_backflip.mot");
  EXPECT_EQ(mx.machineEntry, "Data\\Veh\\Anim\\bike_backflip.mot");
  EXPECT_EQ(mx.machineUiEntry, "Data\\Veh\\Anim\\UI_MX_Bike_backflip.mot");
  EXPECT_EQ(mx.riderFile, "mx_backflip.mot");
  EXPECT_EQ(EntryNamesFor(1, "coffin.mot").machineUiEntry, "Data\\Veh\\Anim\\UI_ATV__bike_coffin.mot");
  EXPECT_EQ(EntryNamesFor(2, "cliffhanger.mot").machineFile, "mxf_bike_cliffhanger.mot");
}

TEST(Catalogue, LeadInsSectionsAndTheMotocrossExtras) {
  const std::vector<std::string> lines = {"[MX_Stunts]",
                                          "motion=rider_alpha.mot",
                                          "Motion=rider_capital.mot",
                                          "x motion=rider_beta.mot ",
                                          "motion=rider_gone.mot",
                                          "[ATV_Stunts]",
                                          "motion=rider_quad.mot",
                                          "[ff_Stunts]",
                                          "motion=ff_rider_freestyle.mot"};
  const auto present = [](const std::string& file) {
    return file != "mx_gone.mot" && file != "mx_threesixtyl.mot";
  };
  const std::vector<CatalogueEntry> mx = BuildCatalogueEntries(lines, 0, present);
  const std::vector<CatalogueEntry> expected = {
      {"alpha", false}, {"beta", false}, {"backflip", true}, {"threesixty", false}, {"threesixtyr", false}};
  EXPECT_EQ(mx, expected);
  EXPECT_EQ(BuildCatalogueEntries(lines, 1, present), (std::vector<CatalogueEntry>{{"quad", false}}));
  // Nine characters of lead-in for freestyle: "ff_rider_" goes.
  EXPECT_EQ(BuildCatalogueEntries(lines, 2, present), (std::vector<CatalogueEntry>{{"freestyle", false}}));
  // The freestyle lead-in on a motocross line eats three characters of the name.
  EXPECT_EQ(BuildCatalogueEntries({"[ff_Stunts]", "motion=rider_alpha.mot"}, 2, present),
            (std::vector<CatalogueEntry>{{"ha", false}}));
  // Only what the game has: the rider prefix + the motion's file name.
  std::vector<std::string> asked;
  BuildCatalogueEntries({"[ATV_Stunts]", "motion=rider_quad.mot"}, 1, [&](const std::string& f) {
    asked.push_back(f);
    return false;
  });
  EXPECT_EQ(asked, std::vector<std::string>{"atv_quad.mot"});
}

TEST(Catalogue, AMissingSectionStillGivesTheMotocrossExtras) {
  const auto all = [](const std::string&) { return true; };
  EXPECT_EQ(BuildCatalogueEntries({"[Other]", "motion=rider_x.mot"}, 0, all).size(), 4u);
  EXPECT_TRUE(BuildCatalogueEntries({}, 1, all).empty());
}

TEST(ModelSetDocuments, MaterialChangesAndTheirUse) {
  const std::vector<std::string> lines = {
      "[Objects]",       "MCF=x.mcf", "[Material Changes]", "; note", "helmet01=helmet07", "  kit = kit2  ",
      "boots.dxm=clean", "[Next]",    "after=never"};
  const std::vector<std::string> changes = ReadMaterialChanges(lines);
  EXPECT_EQ(changes, (std::vector<std::string>{"helmet01", "helmet07", "kit", "kit2", "boots.dxm", "clean"}));
  EXPECT_EQ(ChangedMaterialName(changes, "Helmet01.dxm"), "helmet07.dxm");
  EXPECT_EQ(ChangedMaterialName(changes, "kit.dxm"), "kit2.dxm");
  // A left side written with an extension never matches.
  EXPECT_EQ(ChangedMaterialName(changes, "boots.dxm"), "boots.dxm");
  EXPECT_TRUE(ReadMaterialChanges({"[Objects]"}).empty());
}

TEST(ModelSetDocuments, RiderConfigurationsAndBones) {
  EXPECT_EQ(ModelConfigName(" Rider_NoFear.mcf "), "mRider_NoFear.mcf");
  EXPECT_EQ(ModelConfigName("MX_S_250.mcf"), "MX_S_250.mcf");
  const std::vector<std::string> bones = {"Root", "Front Wheel", "fork"};
  EXPECT_EQ(FindBoneByName(bones, "front wheel.slt"), 1);
  EXPECT_EQ(FindBoneByName(bones, " FORK "), 2);
  EXPECT_EQ(FindBoneByName(bones, "nowhere"), 0);
  EXPECT_EQ(FindBoneByName({}, "fork"), 0);
}

TEST(Posing, TurnsAreHalfADegreePerPixelAboutThePartsOwnAxis) {
  const Matrix start = MatrixRotationAxis(Vec3(0, 0, 1), 0.3f) * MatrixTranslation(1, 2, 3);
  for (int pixels : {1, 10, -37}) {
    TMotionPart part = PartWithFrames(2, start);
    const float angle = static_cast<float>(pixels) * kPi / 360;
    RotatePart(part, 1, 1, angle);
    EXPECT_TRUE(Near(part.Frames[1], MatrixRotationAxis(Vec3(0, 1, 0), angle) * start)) << pixels;
    // The position stays where it was; frame 0 is not touched.
    EXPECT_NEAR(part.Frames[1][3][0], 1, 1e-6);
    EXPECT_TRUE(Near(part.Frames[0], start));
  }
  TMotionPart part = PartWithFrames(1, start);
  MovePart(part, 0, 0, 0.5f);
  // Along the part's own (turned) X axis.
  const Vector3 x = TransformNormal(Vec3(1, 0, 0), start);
  EXPECT_NEAR(part.Frames[0][3][0], 1 + 0.5f * x.x, 1e-6);
  EXPECT_NEAR(part.Frames[0][3][1], 2 + 0.5f * x.y, 1e-6);
  // Frames and axes the part does not have change nothing.
  TMotionPart same = PartWithFrames(1, start);
  RotatePart(same, 1, 0, 1.0f);
  RotatePart(same, 0, -1, 1.0f);
  MovePart(same, 0, 3, 1.0f);
  EXPECT_EQ(same.Frames[0], start);
}

TEST(Tweening, InBetweenFramesBlendTheKeysAxesAndPositions) {
  TMotionPart part = PartWithFrames(6);
  const Matrix turn = MatrixRotationAxis(Vec3(1, 0, 0), kPi / 2);
  part.Frames[0] = MatrixTranslation(0, 0, 0);
  part.Frames[4] = turn * MatrixTranslation(4, 8, 0);
  const Matrix untouched = MatrixTranslation(9, 9, 9);
  part.Frames[5] = untouched;
  // Keys given as 5 then 1 tween frames 2, 3 and 4.
  ASSERT_TRUE(TweenPart(part, 5, 1));
  for (int d = 1; d <= 3; ++d) {
    const float t = static_cast<float>(d) / 4;
    const Matrix& m = part.Frames[static_cast<std::size_t>(d)];
    EXPECT_NEAR(m[3][0], 4 * t, 1e-6);
    EXPECT_NEAR(m[3][1], 8 * t, 1e-6);
    const Vector3 y = Normalize(Vec3(0, 1 - t, t));
    const Vector3 z = Normalize(Vec3(0, -t, 1 - t));
    EXPECT_NEAR(m[1][1], y.y, 1e-6);
    EXPECT_NEAR(m[2][2], z.z, 1e-6);
    const Vector3 x = Normalize(Vec3Cross(Vec3(0, 1 - t, t), Vec3(0, -t, 1 - t)));
    EXPECT_NEAR(m[0][0], x.x, 1e-6);
    EXPECT_EQ(m[3][3], 1.0f);
  }
  EXPECT_EQ(part.Frames[5], untouched);

  // Keys that differ only in position: evenly spaced positions, the keys' rotation.
  TMotionPart slide = PartWithFrames(3, turn);
  slide.Frames[2] = turn * MatrixTranslation(2, 0, 0);
  ASSERT_TRUE(TweenPart(slide, 1, 3));
  EXPECT_TRUE(Near(slide.Frames[1], turn * MatrixTranslation(1, 0, 0)));

  // Adjacent keys, one key, keys outside the frames, and parts without frames change nothing.
  TMotionPart fixed = PartWithFrames(4, untouched);
  EXPECT_FALSE(TweenPart(fixed, 3, 4));
  EXPECT_FALSE(TweenPart(fixed, 2, 2));
  EXPECT_FALSE(TweenPart(fixed, 1, 9));
  fixed.Allocated = false;
  EXPECT_FALSE(TweenPart(fixed, 1, 4));
  for (const Matrix& m : fixed.Frames)
    EXPECT_EQ(m, untouched);
}

// The angle turned from one matrix's rotation to the next's.
float TurnBetween(const Matrix& a, const Matrix& b) {
  const Quaternion qa = QuaternionFromMatrix(a), qb = QuaternionFromMatrix(b);
  const float dot = std::fabs(qa.x * qb.x + qa.y * qb.y + qa.z * qb.z + qa.w * qb.w);
  return 2 * std::acos(std::min(dot, 1.0f));
}

TEST(Tweening, SmoothAndEasedTweensTurnAlongTheArcWithUnitAxes) {
  // 170° about a slanted axis over 10 frames, moving 9 units along X.
  const Vector3 axis = Normalize(Vec3(1, 2, -1));
  const float turn = 170 * kPi / 180;
  const auto keyed = [&] {
    TMotionPart part = PartWithFrames(10, MatrixRotationAxis(Vec3(0, 0, 1), 0.3f));
    part.Frames[9] = part.Frames[0] * MatrixRotationAxis(axis, turn) * MatrixTranslation(9, 0, 0);
    return part;
  };
  TMotionPart linear = keyed(), smooth = keyed(), eased = keyed();
  ASSERT_TRUE(TweenPart(linear, 1, 10));
  ASSERT_TRUE(TweenPart(smooth, 10, 1, TweenMode::Smooth));
  ASSERT_TRUE(TweenPart(eased, 1, 10, TweenMode::Ease));
  // The linear blend is kept as it was: its middle frame's Y and Z axes are not at right angles.
  EXPECT_GT(std::fabs(Vec3Dot(Vec3(linear.Frames[5][1][0], linear.Frames[5][1][1], linear.Frames[5][1][2]),
                              Vec3(linear.Frames[5][2][0], linear.Frames[5][2][1], linear.Frames[5][2][2]))),
            0.01f);

  std::vector<float> smoothSteps, easedSteps;
  for (int f = 0; f < 10; ++f) {
    for (const TMotionPart* part : {&smooth, &eased}) {
      const Matrix& m = part->Frames[static_cast<std::size_t>(f)];
      for (int r = 0; r < 3; ++r) {
        const Vector3 row = Vec3(m[r][0], m[r][1], m[r][2]);
        EXPECT_NEAR(Vec3Length(row), 1.0f, 1e-5f) << "frame " << f << " row " << r;
        const Vector3 next = Vec3(m[(r + 1) % 3][0], m[(r + 1) % 3][1], m[(r + 1) % 3][2]);
        EXPECT_NEAR(Vec3Dot(row, next), 0.0f, 1e-5f);
      }
    }
    if (f > 0) {
      smoothSteps.push_back(TurnBetween(smooth.Frames[f - 1], smooth.Frames[f]));
      easedSteps.push_back(TurnBetween(eased.Frames[f - 1], eased.Frames[f]));
    }
  }
  // Equal steps that add up to the whole turn, positions evenly spaced; the keys untouched.
  for (const float step : smoothSteps)
    EXPECT_NEAR(step, turn / 9, 1e-3f);
  EXPECT_NEAR(smooth.Frames[3][3][0], 3.0f, 1e-5f);
  EXPECT_EQ(smooth.Frames[9], keyed().Frames[9]);
  // Eased: the first and last steps are the smallest, the middle ones larger than even.
  EXPECT_LT(easedSteps.front(), turn / 9 / 2);
  EXPECT_LT(easedSteps.back(), turn / 9 / 2);
  EXPECT_GT(easedSteps[4], turn / 9);
  EXPECT_NEAR(easedSteps.front(), easedSteps.back(), 1e-3f);
  EXPECT_LT(eased.Frames[1][3][0], 1.0f);
}

TEST(Mirroring, SideWordsSwapKeepingTheirCase) {
  const std::pair<const char*, const char*> cases[] = {{"L Thigh", "R Thigh"},
                                                       {"R Upper Arm", "L Upper Arm"},
                                                       {"Bip01 L Calf", "Bip01 R Calf"},
                                                       {"hand_l", "hand_r"},
                                                       {"Left Foot", "Right Foot"},
                                                       {"RIGHT.arm", "LEFT.arm"},
                                                       {"Pelvis", "Pelvis"},
                                                       {"Lower Torso", "Lower Torso"},
                                                       {"Lever", "Lever"},
                                                       {"", ""},
                                                       {"L", "R"},
                                                       {"arm-L-2", "arm-R-2"}};
  for (const auto& [name, mirrored] : cases)
    EXPECT_EQ(MirroredPartName(name), mirrored) << name;
}

TEST(Tweening, AxesThroughOppositeDirectionsGiveAZeroAxis) {
  TMotionPart part = PartWithFrames(3);
  // A half turn about X written exactly: Y and Z point the other way.
  part.Frames[2] = Matrix{{{1, 0, 0, 0}, {0, -1, 0, 0}, {0, 0, -1, 0}, {0, 0, 0, 1}}};
  ASSERT_TRUE(TweenPart(part, 1, 3));
  EXPECT_EQ(part.Frames[1][1][1], 0.0f);
  EXPECT_EQ(part.Frames[1][0][0], 0.0f);
}

TEST(Posing, AMotionOfAnotherLengthShowsTheProportionalFrame) {
  EXPECT_EQ(ShownFrame(15, 30, 60), 30);
  EXPECT_EQ(ShownFrame(7, 30, 30), 7);
  EXPECT_EQ(ShownFrame(29, 30, 60), 58);
  EXPECT_EQ(ShownFrame(59, 60, 30), 29);
  // 3 × 5 / 10 = 1.5 and 2 × 1 / 4 = 0.5: halves go to the even neighbour, at most the last frame.
  EXPECT_EQ(ShownFrame(5, 10, 3), 2);
  EXPECT_EQ(ShownFrame(1, 4, 2), 0);
  EXPECT_EQ(ShownFrame(3, 4, 2), 1);
  EXPECT_EQ(ShownFrame(0, 0, 5), -1);
  EXPECT_EQ(ShownFrame(0, 5, 0), -1);
}

TEST(ViewRules, JoystickPadsAndTheirDeadZone) {
  const struct {
    int v, offset;
  } cases[] = {{0, 14}, {14, 0}, {15, 0}, {20, 0}, {26, 0}, {27, 0}, {41, -14}, {42, 0}, {-1, 0}};
  for (const auto& c : cases)
    EXPECT_EQ(JoystickOffset(c.v), c.offset) << c.v;
}

TEST(ViewRules, PlaybackIntervalsAndResolutionTexts) {
  EXPECT_EQ(FrameTimerInterval(15), 67);
  EXPECT_EQ(FrameTimerInterval(30), 33);
  EXPECT_EQ(FrameTimerInterval(100), 10);
  EXPECT_EQ(FrameTimerInterval(1), 1000);
  EXPECT_EQ(FrameTimerInterval(16), 62);  // 62.5, to the even neighbour
  ASSERT_TRUE(ParseResolution("800x600"));
  EXPECT_EQ(ParseResolution("800x600")->height, 600);
  for (const char* bad : {"800", "x600", "800x", "8a0x600", "800 x 600", ""})
    EXPECT_FALSE(ParseResolution(bad)) << bad;
}

TEST(ViewRules, Presets) {
  EXPECT_EQ(ViewPresetMatrix(0, std::nullopt), IdentityMatrix());
  Matrix front;
  D3DXMatrixRotationY(&front, kPi);
  EXPECT_TRUE(Near(ViewPresetMatrix(2, std::nullopt), front));
  Matrix top;
  D3DXMatrixRotationX(&top, 1.5f * kPi);
  EXPECT_TRUE(Near(ViewPresetMatrix(4, std::nullopt), top));
  // A machine 2 units deep lifts the scene by (3 + 2) / 2.
  EXPECT_TRUE(Near(ViewPresetMatrix(4, 2.0f), top * MatrixTranslation(0, 2.5f, 0)));
  Matrix bottom;
  D3DXMatrixRotationX(&bottom, 2.5f * kPi);
  EXPECT_TRUE(Near(ViewPresetMatrix(5, std::nullopt), bottom));
}

// The onion skin's ghosts: only frames the trick has, the nearest drawn first so they show where ghosts
// overlap.
TEST(ViewRules, OnionGhostsAreTheFramesAroundInDrawingOrder) {
  using G = std::vector<std::tuple<std::int32_t, bool, int>>;
  const auto ghosts = [](std::int32_t current, std::int32_t count, int before, int after) {
    G out;
    for (const OnionGhost& g : OnionGhosts(current, count, before, after))
      out.emplace_back(g.frame, g.later, g.distance);
    return out;
  };
  const struct {
    std::int32_t current, count;
    int before, after;
    G expected;
  } cases[] = {
      {10, 40, 1, 1, {{9, false, 1}, {11, true, 1}}},
      {10, 40, 2, 1, {{9, false, 1}, {11, true, 1}, {8, false, 2}}},
      {10, 40, 1, 3, {{9, false, 1}, {11, true, 1}, {12, true, 2}, {13, true, 3}}},
      // No wrap-around at either end.
      {0, 40, 3, 2, {{1, true, 1}, {2, true, 2}}},
      {39, 40, 2, 2, {{38, false, 1}, {37, false, 2}}},
      {1, 3, 5, 5, {{0, false, 1}, {2, true, 1}}},
      // Counts outside 1 … 5 are brought into it.
      {10,
       40,
       0,
       9,
       {{9, false, 1}, {11, true, 1}, {12, true, 2}, {13, true, 3}, {14, true, 4}, {15, true, 5}}},
      {0, 1, 5, 5, {}},
      {0, 0, 1, 1, {}},
      {40, 40, 1, 1, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ghosts(c.current, c.count, c.before, c.after), c.expected)
        << c.current << " of " << c.count << ", " << c.before << "," << c.after;

  // The nearest most opaque, each further one fainter, none invisible.
  for (int d = 1; d < kOnionMaxFrames; ++d)
    EXPECT_GT(OnionAlpha(d), OnionAlpha(d + 1)) << d;
  EXPECT_GT(OnionAlpha(kOnionMaxFrames), 16);
  EXPECT_LE(OnionAlpha(1), 160);
  // Earlier frames bluish, later ones reddish.
  const auto red = [](std::uint32_t c) { return (c >> 16) & 0xFF; };
  const auto blue = [](std::uint32_t c) { return c & 0xFF; };
  EXPECT_GT(blue(OnionTint(false)), red(OnionTint(false)));
  EXPECT_GT(red(OnionTint(true)), blue(OnionTint(true)));
}

TEST(ViewRules, TheCameraComesBackBitForBitAndOnlyFromWholeText) {
  Camera camera;
  D3DXMatrixRotationYawPitchRoll(&camera.scene, 0.3f, -1.1f, 2.7f);
  camera.scene[3][1] = 2.5f;
  camera.eyeX = -0.123456789f;
  camera.eyeY = 1e-7f;
  const std::optional<Camera> back = ParseCamera(CameraText(camera));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->scene, camera.scene);
  EXPECT_EQ(back->eyeX, camera.eyeX);
  EXPECT_EQ(back->eyeY, camera.eyeY);
  const std::string whole = CameraText(camera);
  for (const std::string& bad : std::initializer_list<std::string>{
           std::string(), whole.substr(0, whole.rfind(' ')), whole + " 1",
           "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 0 nan", "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 0 x",
           "1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 0 1e99"}) {
    EXPECT_FALSE(ParseCamera(bad)) << bad;
  }
}

TEST(ViewRules, FramingPutsTheSphereInTheNarrowerAngle) {
  // 60 degrees up and down: a sphere of radius 1 fits at distance 2 from its centre.
  const Framing wide = FrameSphere(Vec3(0.5f, 1.5f, 1.0f), 1.0f, kPi / 3, 4.0f / 3);
  EXPECT_FLOAT_EQ(wide.eyeX, 0.5f);
  EXPECT_FLOAT_EQ(wide.eyeY, 1.5f);
  EXPECT_EQ(wide.zoom, kZoomMin);  // the eye at z = 1 - 2 is nearer than the bar goes
  EXPECT_EQ(FrameSphere(Vec3(0, 0, 0), 3.0f, kPi / 3, 4.0f / 3).zoom, 60);
  // A view twice as tall as wide must stand further back.
  EXPECT_GT(FrameSphere(Vec3(0, 0, 0), 3.0f, kPi / 3, 0.5f).zoom, 60);
  EXPECT_EQ(FrameSphere(Vec3(0, 0, 0), 100.0f, kPi / 3, 1).zoom, kZoomMax);
}

// An entry belongs to a trick only when that trick's names lead back to it: a name the rules would
// turn into another file (a dot in the trick's part) is no trick's.
TEST(TrickEntries, AnEntryIsATricksOnlyWhenItsNamesLeadBackToIt) {
  const struct {
    const char* entry;
    std::optional<TrickId> trick;
  } cases[] = {
      {"Data\\Rider\\Anim\\mx_nacnac.mot", TrickId{0, "nacnac"}},
      {"data\\veh\\anim\\bike_superman.MOT", TrickId{0, "superman"}},
      {"Data\\Rider\\Anim\\mxf_supermanseatgrab.mot", TrickId{2, "supermanseatgrab"}},
      {"Data\\Rider\\Anim\\mx_.acnac.mot", std::nullopt},
      {"Data\\Rider\\Anim\\mx_a.b.mot", std::nullopt},
      {"Data\\Rider\\Anim\\mx_nacnac.dxt", std::nullopt},
      {"Data\\Rider\\mx_nacnac.mot", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    const std::optional<TrickId> found = TrickOfEntry(c.entry);
    EXPECT_EQ(found, c.trick);
    if (!found) continue;
    const TrickEntryNames names = EntryNamesFor(found->machineType, found->name);
    bool leadsBack = false;
    for (const std::string& name :
         {names.riderEntry, names.riderUiEntry, names.machineEntry, names.machineUiEntry})
      leadsBack = leadsBack || SameTextAZ(name, c.entry);
    EXPECT_TRUE(leadsBack);
  }
}

}  // namespace
}  // namespace dravo
