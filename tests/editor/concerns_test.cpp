// The editor's concern objects on their own: their rules without an editor, a device or a game.
#include <gtest/gtest.h>

#include <cstring>

#include "editor/loaded_trick.h"
#include "editor/part_list.h"
#include "editor/playback.h"
#include "editor/pose_history.h"
#include "editor/posing_state.h"
#include "editor/trick_catalogue.h"
#include "editor/view_settings.h"

using namespace dravo;

namespace {

TMotionPart Part(const std::string& name, int frames, float seed) {
  TMotionPart part;
  part.Name = name;
  part.Allocated = true;
  for (int f = 0; f < frames; ++f) {
    Matrix m = IdentityMatrix();
    m[3][0] = seed + static_cast<float>(f);
    part.Frames.push_back(m);
  }
  part.UndoFrames.resize(part.Frames.size());
  return part;
}

// Two rider parts and one machine part of four frames.
LoadedTrick Trick(bool machineMotion) {
  LoadedTrick trick;
  trick.riderParts = {Part("Pelvis", 4, 0), Part("L Thigh", 4, 10)};
  trick.machineParts = {Part("Frame", 4, 20)};
  trick.hasMachineMotion = machineMotion;
  trick.frameCount = 4;
  return trick;
}

bool SameBytes(const TPoseTable& a, const TPoseTable& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].Frames.size() != b[i].Frames.size()) return false;
    if (std::memcmp(a[i].Frames.data(), b[i].Frames.data(), a[i].Frames.size() * sizeof(Matrix)) != 0)
      return false;
  }
  return true;
}

}  // namespace

TEST(LoadedTrick, NumbersRiderPartsThenMachinePartsOfItsOwnMotion) {
  LoadedTrick trick = Trick(true);
  EXPECT_EQ(trick.PartAt(1), &trick.riderParts[1]);
  EXPECT_EQ(trick.PartAt(2), &trick.machineParts[0]);
  EXPECT_EQ(trick.PartAt(3), nullptr);
  EXPECT_EQ(trick.PartAt(-1), nullptr);
  EXPECT_TRUE(trick.PartHasFrame(2, 3));
  EXPECT_FALSE(trick.PartHasFrame(2, 4));
  // The machine's default motion is shown, never edited.
  LoadedTrick shownOnly = Trick(false);
  EXPECT_EQ(shownOnly.PartAt(2), nullptr);
}

TEST(PartList, RowsFollowTheTrickAndTheEditedSide) {
  LoadedTrick trick = Trick(true);
  PartList list;
  list.Fill(trick);
  ASSERT_EQ(list.items.size(), 3u);
  EXPECT_EQ(list.items[2].Name, "Frame");
  EXPECT_EQ(list.items[2].Part, 2);
  EXPECT_EQ(list.index, 0);

  list.ApplyEditSide(trick.RiderPartCount(), false);
  EXPECT_TRUE(list.SetChecked(0, true));
  EXPECT_FALSE(list.SetChecked(2, true)) << "a machine row is disabled while the rider is edited";
  EXPECT_FALSE(list.SetChecked(3, true));
  EXPECT_TRUE(list.Acts(0));
  EXPECT_FALSE(list.Acts(2));

  list.riderEdit = false;
  list.ApplyEditSide(trick.RiderPartCount(), true);
  EXPECT_TRUE(list.items[0].Checked) << "checks survive a side change that keeps them";
  EXPECT_FALSE(list.Acts(0)) << "but a disabled row does not act";
  list.ApplyEditSide(trick.RiderPartCount(), false);
  EXPECT_FALSE(list.items[0].Checked);

  EXPECT_FALSE(list.Highlight(3));
  EXPECT_TRUE(list.Highlight(-1));
  EXPECT_EQ(list.index, -1);

  LoadedTrick none = Trick(false);
  list.Fill(none);
  EXPECT_EQ(list.items.size(), 2u);
}

TEST(Playback, RateFrameBarPlayButtonAndExport) {
  Playback p;
  struct {
    int asked, rate, interval;
  } rates[] = {{0, 1, 1000}, {15, 15, 67}, {24, 24, 42}, {500, 100, 10}};
  for (const auto& r : rates) {
    p.SetFrameRate(r.asked);
    EXPECT_EQ(p.frameRate, r.rate) << r.asked;
    EXPECT_EQ(p.timerInterval, r.interval) << r.asked;
  }

  p.SetFrameCount(5);
  EXPECT_EQ(p.frameCountLabel, "5");
  EXPECT_EQ(p.keyFrameBar.FrameCount, 5);
  p.Seek(9);
  EXPECT_EQ(p.barPosition, 5);
  EXPECT_EQ(p.currentFrame, 4);
  p.Advance(5);
  EXPECT_EQ(p.currentFrame, 0) << "after the last frame comes the first";
  p.Seek(-3);
  EXPECT_EQ(p.barPosition, 1);

  EXPECT_FALSE(p.Latch(true)) << "a disabled Play button does not latch";
  EXPECT_FALSE(p.playLatched);
  p.playEnabled = true;
  EXPECT_TRUE(p.Latch(true));
  EXPECT_TRUE(p.timerEnabled);
  EXPECT_FALSE(p.barEnabled);
  EXPECT_FALSE(p.gifEnabled);
  EXPECT_EQ(p.playCaption, "Stop");

  p.BeginExport();
  EXPECT_FALSE(p.timerEnabled);
  EXPECT_FALSE(p.playEnabled);
  p.EndExport();
  EXPECT_TRUE(p.timerEnabled);
  EXPECT_TRUE(p.playEnabled);
  EXPECT_TRUE(p.Latch(false));
  EXPECT_EQ(p.playCaption, "Play");
}

TEST(PoseHistory, UndoAndRedoRestoreTheFramesExactlyAndSayWhetherTheTrickIsModified) {
  for (const bool modifiedBefore : {false, true}) {
    SCOPED_TRACE(modifiedBefore);
    LoadedTrick trick = Trick(true);
    const LoadedTrick before = trick;
    PoseHistory history;
    EXPECT_FALSE(history.Available());
    history.Take(trick, -2, 1, modifiedBefore);
    EXPECT_TRUE(history.Enabled());
    EXPECT_STREQ(history.Caption(), "Undo");
    for (TPoseTable* table : {&trick.riderParts, &trick.machineParts})
      for (TMotionPart& part : *table)
        part.Frames[1][3][1] += 0.5f;
    const LoadedTrick edited = trick;

    EXPECT_EQ(history.Swap(trick), modifiedBefore);
    EXPECT_TRUE(SameBytes(trick.riderParts, before.riderParts));
    EXPECT_TRUE(SameBytes(trick.machineParts, before.machineParts));
    EXPECT_TRUE(history.NextIsRedo());
    EXPECT_STREQ(history.Caption(), "Redo");

    EXPECT_TRUE(history.Swap(trick)) << "a redo always leaves an edit";
    EXPECT_TRUE(SameBytes(trick.riderParts, edited.riderParts));
    EXPECT_FALSE(history.NextIsRedo());

    history.Discard();
    EXPECT_FALSE(history.Available());
    EXPECT_FALSE(history.Enabled());
  }
  // Without its own machine motion the machine's frames are neither kept nor restored.
  LoadedTrick trick = Trick(false);
  PoseHistory history;
  history.Take(trick, 0, 3, false);
  trick.machineParts[0].Frames[0][3][0] = 99;
  history.Swap(trick);
  EXPECT_EQ(trick.machineParts[0].Frames[0][3][0], 99);
}

TEST(ViewSettings, ZoomRangeAndTheJoystickTurnsAboutSceneOrViewAxes) {
  ViewSettings view;
  EXPECT_EQ(view.zoom, kDefaultZoom);
  view.SetZoom(10);
  EXPECT_EQ(view.zoom, kZoomMin);
  view.SetZoom(1000);
  EXPECT_EQ(view.zoom, kZoomMax);
  EXPECT_FLOAT_EQ(view.EyeDistance(), 15.0f);

  Matrix start;
  D3DXMatrixRotationX(&start, 0.7f);
  Matrix turn;
  D3DXMatrixRotationYawPitchRoll(&turn, static_cast<float>(-20 / 125.66370614359172),
                                 static_cast<float>(-10 / 125.66370614359172), 0);
  view.sceneMatrix = start;
  view.joyX = 20;
  view.joyY = 10;
  view.TurnByJoystick();
  const Matrix sceneAxes = turn * start;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(view.sceneMatrix[r][c], sceneAxes[r][c], 1e-6f);

  D3DXMatrixRotationYawPitchRoll(&turn, static_cast<float>(-20 / 125.66370614359172),
                                 static_cast<float>(10 / 125.66370614359172), 0);
  view.sceneMatrix = start;
  view.relative = true;
  view.TurnByJoystick();
  const Matrix viewAxes = start * turn;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(view.sceneMatrix[r][c], viewAxes[r][c], 1e-6f);
}

TEST(TrickCatalogueAndPosing, PickingAndLatching) {
  TrickCatalogue catalogue;
  catalogue.entries = {{"nacnac", false}, {"superman", true}};
  catalogue.Pick(1);
  ASSERT_NE(catalogue.Picked(), nullptr);
  EXPECT_EQ(catalogue.Picked()->Name, "superman");
  catalogue.Pick(2);
  EXPECT_EQ(catalogue.Picked(), nullptr);
  EXPECT_EQ(catalogue.index, -1);

  PosingState posing;
  EXPECT_EQ(posing.Axis(AxisGroup::RotX), 1);
  posing.Toggle(AxisGroup::RotX, 1);
  EXPECT_EQ(posing.Axis(AxisGroup::RotX), -1) << "the latched button releases";
  posing.Toggle(AxisGroup::RotX, 2);
  EXPECT_EQ(posing.Axis(AxisGroup::RotX), 2);
}
