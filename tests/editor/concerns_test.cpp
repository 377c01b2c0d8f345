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

TEST(PoseHistory, StepsUndoAndRedoExactlyAndKnowTheSavedPose) {
  LoadedTrick trick = Trick(true);
  const LoadedTrick loaded = trick;
  PoseHistory history;
  EXPECT_FALSE(history.CanUndo());
  EXPECT_TRUE(history.AtSaved());

  // Three edits: a turn of one part at frame 2, a move of the machine at frame 1, a tween of frames 0-3.
  history.Take(trick, 1, 1, "Rotate Pelvis, frame 2");
  trick.riderParts[0].Frames[1][0][1] = 0.25f;
  const LoadedTrick first = trick;
  history.Take(trick, 0, 0, "Move Frame, frame 1");
  trick.machineParts[0].Frames[0][3][2] = 7;
  const LoadedTrick second = trick;
  history.Take(trick, -2, 3, "Tween frames 1-4");
  for (TMotionPart& part : trick.riderParts)
    for (Matrix& m : part.Frames)
      m[3][1] += 1;
  const LoadedTrick third = trick;
  EXPECT_FALSE(history.AtSaved());
  EXPECT_EQ(history.Labels(),
            (std::vector<std::string>{"Rotate Pelvis, frame 2", "Move Frame, frame 1", "Tween frames 1-4"}));

  const LoadedTrick* states[] = {&loaded, &first, &second, &third};
  for (int back = 2; back >= 0; --back) {
    ASSERT_TRUE(history.Undo(trick));
    EXPECT_TRUE(SameBytes(trick.riderParts, states[back]->riderParts)) << back;
    EXPECT_TRUE(SameBytes(trick.machineParts, states[back]->machineParts)) << back;
  }
  EXPECT_FALSE(history.Undo(trick));
  EXPECT_TRUE(history.AtSaved()) << "back where the trick was loaded";
  EXPECT_STREQ(history.Caption(), "Redo");
  for (int forward = 1; forward <= 3; ++forward) {
    ASSERT_TRUE(history.Redo(trick));
    EXPECT_TRUE(SameBytes(trick.riderParts, states[forward]->riderParts)) << forward;
    EXPECT_TRUE(SameBytes(trick.machineParts, states[forward]->machineParts)) << forward;
  }
  EXPECT_FALSE(history.Redo(trick));
  EXPECT_STREQ(history.Caption(), "Undo");

  // Saved after the second step: undoing to it is clean, and a new edit drops the steps undone.
  history.Undo(trick);
  history.MarkSaved();
  EXPECT_TRUE(history.AtSaved());
  history.Undo(trick);
  EXPECT_FALSE(history.AtSaved());
  history.Take(trick, 0, 0, "Rotate Neck, frame 1");
  trick.riderParts[1].Frames[0][0][0] = 3;
  EXPECT_EQ(history.Steps(), 2u);
  history.Undo(trick);
  EXPECT_FALSE(history.AtSaved()) << "the saved pose was in the steps that were dropped";

  history.Clear();
  EXPECT_FALSE(history.Available());
  EXPECT_TRUE(history.AtSaved());

  // Without its own machine motion the machine's frames are neither kept nor restored.
  LoadedTrick shownOnly = Trick(false);
  history.Take(shownOnly, 0, 3, "Tween frames 1-4");
  shownOnly.machineParts[0].Frames[0][3][0] = 99;
  history.Undo(shownOnly);
  EXPECT_EQ(shownOnly.machineParts[0].Frames[0][3][0], 99);
}

TEST(PoseHistory, StepsOutsideThePoseSwapAndLeaveItsSavedStateAlone) {
  LoadedTrick trick = Trick(true);
  PoseHistory history;
  int skin = 0, other = 1;  // what is shown, and what the step keeps
  history.Take(trick, 0, 0, "Rotate Pelvis, frame 1");
  trick.riderParts[0].Frames[0][0][0] = 5;
  history.MarkSaved();
  history.TakeExchange(
      trick, [&] { std::swap(skin, other); }, 1000, "Replace skin a.dxt");
  std::swap(skin, other);  // the change itself, as the editor makes it
  EXPECT_TRUE(history.AtSaved()) << "a skin is not a change of the pose";
  EXPECT_EQ(history.Bytes() >= 1000, true);

  ASSERT_TRUE(history.Undo(trick));
  EXPECT_EQ(skin, 0);
  EXPECT_TRUE(history.AtSaved());
  ASSERT_TRUE(history.Undo(trick));
  EXPECT_FALSE(history.AtSaved());
  EXPECT_EQ(trick.riderParts[0].Frames[0][0][0], 1.0f);
  ASSERT_TRUE(history.Redo(trick));
  ASSERT_TRUE(history.Redo(trick));
  EXPECT_EQ(skin, 1);
  EXPECT_EQ(trick.riderParts[0].Frames[0][0][0], 5.0f);
  EXPECT_TRUE(history.AtSaved());
}

TEST(PoseHistory, KeepsOnlyTheFramesAnEditChangedAndAtLeastAHundredSteps) {
  LoadedTrick trick = Trick(true);
  PoseHistory history;
  // Every step keeps all 12 frames of the range; only the one frame each edit changes stays.
  for (int i = 0; i < 150; ++i) {
    history.Take(trick, 0, 3, "Rotate Pelvis, frame 1");
    trick.riderParts[0].Frames[0][0][0] = static_cast<float>(i);
  }
  history.Undo(trick);
  EXPECT_EQ(history.Steps(), 150u);
  EXPECT_LT(history.Bytes(), 150u * (200 + 48)) << "one kept frame and a label a step";
  for (int i = 0; i < 149; ++i)
    ASSERT_TRUE(history.Undo(trick)) << i;
  EXPECT_EQ(trick.riderParts[0].Frames[0][0][0], 1.0f) << "back to the state before the first edit";
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
