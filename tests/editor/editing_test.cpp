// Editing a trick on the demo game: pose drags, the latch groups, view drags, tweening on the
// key-frame bar, copy and paste, undo and redo with the modified mark, and playback.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "editor/pose_mirror.h"
#include "formats/dxg_model.h"

#include "editor_rig.h"

namespace dravo::test {
namespace {

constexpr float kStep = kPi / 360;

// Tick n of a key-frame bar 10 pixels apart with the 7-pixel margin.
double TickX(int n) {
  return 7 + (n - 1) * 10.0;
}

class Editing : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(rig.Start(), StartupResult::Running);
    SelectTrick(ed(), "superman");
    ed().TweenBarResize(14 + (ed().FrameCount() - 1) * 10);
  }
  TDravoEditor& ed() { return rig.ed(); }
  const Matrix& Frame(std::size_t part, int frame) {
    return ed().RiderParts()[part].Frames[static_cast<std::size_t>(frame)];
  }
  void Press(bool left, bool right, int x, int y) {
    ed().DXPanelMouseDown(left ? TMouseButton::Left : TMouseButton::Right, {.left = left, .right = right}, x,
                          y);
  }
  void Move(EditorShift shift, int x, int y) { ed().DXPanelMouseMove(shift, x, y); }
  void Release() { ed().DXPanelMouseUp(TMouseButton::Left, {}); }

  EditorRig rig;
};

TEST_F(Editing, ALeftDragTurnsTheCheckedPartsHalfADegreePerPixel) {
  CheckParts(ed(), {"Pelvis", "Head"});
  const std::size_t head = 4;
  ASSERT_EQ(ed().RiderParts()[head].Name, "Head");
  ed().FrameBarChange(5);
  const Matrix torso0 = Frame(1, 4), other = Frame(0, 5);
  for (int n : {10, 37}) {
    SCOPED_TRACE(n);
    const Matrix pelvis = Frame(0, 4), headM = Frame(head, 4);
    Press(true, false, 100, 100);
    Move({.left = true}, 100 + n, 100);
    Release();
    // Horizontal movement turns about the "X Rotation" axis (Y at start), the part's own.
    EXPECT_TRUE(Near(Frame(0, 4), MatrixRotationAxis(Vec3(0, 1, 0), n * kStep) * pelvis));
    EXPECT_TRUE(Near(Frame(head, 4), MatrixRotationAxis(Vec3(0, 1, 0), n * kStep) * headM));
  }
  // Vertical movement turns about the "Y Rotation" axis (X at start).
  const Matrix before = Frame(0, 4);
  Press(true, false, 0, 0);
  Move({.left = true}, 0, 10);
  EXPECT_TRUE(Near(Frame(0, 4), MatrixRotationAxis(Vec3(1, 0, 0), 10 * kStep) * before));
  Release();
  EXPECT_EQ(Frame(1, 4), torso0);  // not checked
  EXPECT_EQ(Frame(0, 5), other);   // another frame
  EXPECT_EQ(ed().Marks(), 1u);
}

TEST_F(Editing, LatchGroupsChooseTheAxesOrNone) {
  CheckParts(ed(), {"Pelvis"});
  // Clicking the latched Y button of "X Rotation" leaves the group without an axis.
  ed().AxisButtonClick(AxisGroup::RotX, 1);
  EXPECT_EQ(ed().Axis(AxisGroup::RotX), -1);
  for (int tag = 0; tag < 3; ++tag)
    EXPECT_FALSE(ed().AxisLatched(AxisGroup::RotX, tag));
  const Matrix start = Frame(0, 0);
  Press(true, false, 0, 0);
  Move({.left = true}, 25, 0);
  Release();
  EXPECT_EQ(Frame(0, 0), start);
  EXPECT_TRUE(ed().UndoBtnEnabled());  // the snapshot is taken all the same

  ed().AxisButtonClick(AxisGroup::RotX, 2);
  EXPECT_TRUE(ed().AxisLatched(AxisGroup::RotX, 2));
  Press(true, false, 0, 0);
  Move({.left = true}, 25, 0);
  Release();
  EXPECT_TRUE(Near(Frame(0, 0), MatrixRotationAxis(Vec3(0, 0, 1), 25 * kStep) * start));
}

TEST_F(Editing, ARightDragMovesPartsWithAPositionTrackAlongTheirOwnAxes) {
  CheckParts(ed(), {"Pelvis", "Lower Torso"});
  ASSERT_TRUE(ed().RiderParts()[0].HasPosition);
  ASSERT_FALSE(ed().RiderParts()[1].HasPosition);
  const Matrix pelvis = Frame(0, 0), torso = Frame(1, 0);
  Press(false, true, 50, 50);
  Move({.right = true}, 50, 30);  // 20 pixels up
  Release();
  EXPECT_TRUE(Near(Frame(0, 0), MatrixTranslation(0, 20 * kStep, 0) * pelvis));
  EXPECT_EQ(Frame(1, 0), torso);
}

TEST_F(Editing, MiddleDragsOrbitPanAndZoomAndARightDragOrbitsWithNothingChecked) {
  CheckParts(ed(), {});
  const Matrix pose = Frame(0, 0);
  const auto orbitFrom = [&](const Matrix& scene, int dx, int dy) {
    Matrix rx, ry;
    D3DXMatrixRotationX(&rx, static_cast<float>(dy) * kStep);
    D3DXMatrixRotationY(&ry, -static_cast<float>(dx) * kStep);
    return rx * ry * scene;
  };
  Matrix scene = ed().SceneMatrix();
  ed().DXPanelMouseDown(TMouseButton::Middle, {.middle = true}, 0, 0);
  Move({.middle = true}, 10, 20);
  EXPECT_TRUE(Near(ed().SceneMatrix(), orbitFrom(scene, 10, 20)));

  const D3DXVECTOR3 eye = rig.panel->GetEye();
  Move({.shift = true, .middle = true}, 50, 60);  // 40 right and 40 down: a pan
  EXPECT_NEAR(rig.panel->GetEye().x, eye.x - 0.1f, 1e-6);
  EXPECT_NEAR(rig.panel->GetEye().y, eye.y + 0.1f, 1e-6);

  const int zoom = ed().Zoom();
  Move({.ctrl = true, .middle = true}, 50, 80);  // 20 down: further away
  EXPECT_EQ(ed().Zoom(), zoom + 10);
  Release();

  // A right drag with no part checked orbits; with one checked it moves the part.
  scene = ed().SceneMatrix();
  Press(false, true, 0, 0);
  Move({.right = true}, 6, 0);
  Release();
  EXPECT_TRUE(Near(ed().SceneMatrix(), orbitFrom(scene, 6, 0)));
  EXPECT_EQ(Frame(0, 0), pose);
  EXPECT_EQ(ed().Marks(), 0u);
  EXPECT_TRUE(ed().HistoryLabels().empty());

  CheckParts(ed(), {"Pelvis"});
  scene = ed().SceneMatrix();
  Press(false, true, 0, 0);
  Move({.right = true}, 0, -20);
  Release();
  EXPECT_EQ(ed().SceneMatrix(), scene);
  EXPECT_NE(Frame(0, 0), pose);

  ed().WheelZoom(3);
  EXPECT_EQ(ed().Zoom(), zoom + 10 - 15);
  ed().WheelZoom(-100);
  EXPECT_EQ(ed().Zoom(), kZoomMax);
}

TEST_F(Editing, AltAndCtrlDragsTurnAndMoveTheViewOnly) {
  CheckParts(ed(), {"Pelvis"});
  const Matrix pose = Frame(0, 0);
  const Matrix scene = ed().SceneMatrix();
  Press(true, false, 0, 0);
  Move({.alt = true, .left = true}, 10, 20);
  Matrix rx, ry;
  D3DXMatrixRotationX(&rx, 20 * kStep);
  D3DXMatrixRotationY(&ry, -10 * kStep);
  EXPECT_TRUE(Near(ed().SceneMatrix(), rx * ry * scene));
  const D3DXVECTOR3 eye = rig.panel->GetEye();
  Move({.ctrl = true, .left = true}, 50, 60);  // 40 right and 40 down from the last point
  EXPECT_NEAR(rig.panel->GetEye().x, eye.x - 0.1f, 1e-6);
  EXPECT_NEAR(rig.panel->GetEye().y, eye.y + 0.1f, 1e-6);
  Release();
  EXPECT_EQ(Frame(0, 0), pose);
  EXPECT_EQ(ed().Marks(), 0u);
  EXPECT_FALSE(ed().UndoBtnEnabled());
}

TEST_F(Editing, UndoAndRedoAlternateAndCarryTheModifiedMark) {
  ed().ActionUndoExecute();  // nothing to undo yet
  EXPECT_EQ(ed().Marks(), 0u);
  CheckParts(ed(), {"Pelvis"});
  const Matrix start = Frame(0, 0);
  Press(true, false, 0, 0);
  Move({.left = true}, 20, 0);
  Move({.left = true}, 40, 0);  // one drag, one step
  Release();
  const Matrix edited = Frame(0, 0);
  ASSERT_EQ(ed().Marks(), 1u);
  ed().SwapSnapshot();
  EXPECT_EQ(Frame(0, 0), start);
  EXPECT_EQ(ed().UndoBtnCaption(), "Redo");
  EXPECT_EQ(ed().Marks(), 0u);  // back to a trick that was not modified
  ed().ActionRedoExecute();
  EXPECT_EQ(Frame(0, 0), edited);
  EXPECT_EQ(ed().UndoBtnCaption(), "Undo");
  EXPECT_EQ(ed().Marks(), 1u);

  // A press and release, or a move without a button, is no edit and no step.
  Press(true, false, 0, 0);
  Release();
  Move({}, 5, 5);
  EXPECT_EQ(ed().HistoryLabels().size(), 1u);
  EXPECT_EQ(Frame(0, 0), edited);

  // Loading a trick disables Undo.
  rig.host.answers = {false};
  SelectTrick(ed(), "nacnac");
  EXPECT_FALSE(ed().UndoBtnEnabled());
}

TEST_F(Editing, TheHistoryUndoesManyStepsAndKnowsTheSavedPose) {
  CheckParts(ed(), {"Lower Torso"});
  std::vector<Matrix> states{Frame(1, 0)};
  for (int i = 1; i <= 3; ++i) {
    Press(true, false, 0, 0);
    Move({.left = true}, 10 * i, 0);
    Release();
    states.push_back(Frame(1, 0));
  }
  ed().FrameBarChange(3);
  CheckParts(ed(), {"Pelvis", "Neck"});
  Press(false, true, 0, 0);
  Move({.right = true}, 0, 10);
  Release();
  ed().CopyPose();
  ed().FrameBarChange(5);
  ed().PastePose();
  ed().TweenBarMouseDown(true, TickX(1));
  ed().TweenBarMouseUp();
  EXPECT_EQ(ed().HistoryLabels(),
            (std::vector<std::string>{"Rotate Lower Torso, frame 1", "Rotate Lower Torso, frame 1",
                                      "Rotate Lower Torso, frame 1", "Move 2 parts, frame 3",
                                      "Paste pose, frame 5", "Tween frames 1-1"}));
  ASSERT_EQ(ed().HistoryDone(), 6u);

  // Ctrl+Z walks back step by step; the drop-down jumps; Ctrl+Y walks forward.
  ed().ActionUndoExecute();
  ed().ActionUndoExecute();
  ed().ActionUndoExecute();
  EXPECT_EQ(ed().HistoryDone(), 3u);
  EXPECT_EQ(Frame(1, 0), states[3]);
  ed().GoToHistory(1);
  EXPECT_EQ(Frame(1, 0), states[1]);
  EXPECT_EQ(ed().Marks(), 1u);
  ed().GoToHistory(0);
  EXPECT_EQ(Frame(1, 0), states[0]);
  EXPECT_EQ(ed().Marks(), 0u) << "undone back to the trick as loaded";
  ed().ActionRedoExecute();
  ed().ActionRedoExecute();
  EXPECT_EQ(Frame(1, 0), states[2]);

  // Saved here: undoing and redoing back to it clears the mark again.
  rig.host.answers = {true};
  ed().SaveTrickBtnClick();
  rig.host.Take();
  EXPECT_EQ(ed().Marks(), 0u);
  ed().ActionUndoExecute();
  EXPECT_EQ(ed().Marks(), 1u);
  ed().ActionRedoExecute();
  EXPECT_EQ(ed().Marks(), 0u);
  EXPECT_TRUE(ed().CanRedo());
}

TEST_F(Editing, ReleasingTheKeyFrameBarTweensBetweenTheKeysAndOneUndoRestores) {
  CheckParts(ed(), {"Pelvis", "Neck"});
  const std::size_t neck = 3;
  // Make the keys differ so the in-between frames change.
  ed().FrameBarChange(5);
  Press(true, false, 0, 0);
  Move({.left = true}, 60, 30);
  Release();
  std::vector<Matrix> before;
  for (int f = 0; f < 6; ++f)
    before.push_back(Frame(neck, f));
  TMotionPart expected = ed().RiderParts()[neck];
  ASSERT_TRUE(TweenPart(expected, 5, 1));

  ed().TweenBarMouseDown(true, TickX(5));
  EXPECT_TRUE(ed().TweenBar().Dragging);
  ed().TweenBarMouseMove(true, TickX(3));
  ed().TweenBarMouseMove(true, TickX(1) - 20);  // left of the first tick: frame 1
  EXPECT_EQ(Frame(neck, 1), before[1]);         // nothing until the release
  ed().TweenBarMouseUp();
  EXPECT_EQ(ed().TweenBar().StartFrame, 5);
  EXPECT_EQ(ed().TweenBar().EndFrame, 1);
  for (int f = 1; f <= 3; ++f)
    EXPECT_EQ(Frame(neck, f), expected.Frames[static_cast<std::size_t>(f)]) << f;
  EXPECT_EQ(Frame(neck, 0), before[0]);
  EXPECT_EQ(Frame(neck, 4), before[4]);
  EXPECT_EQ(Frame(neck, 5), before[5]);

  ed().SwapSnapshot();
  for (int f = 0; f < 6; ++f)
    EXPECT_EQ(Frame(neck, f), before[static_cast<std::size_t>(f)]) << f;
  ed().SwapSnapshot();

  // Adjacent keys change nothing but take the snapshot.
  const Matrix three = Frame(neck, 2);
  ed().TweenBarMouseDown(true, TickX(3));
  ed().TweenBarMouseMove(true, TickX(4));
  ed().TweenBarMouseUp();
  EXPECT_EQ(Frame(neck, 2), three);
  EXPECT_EQ(ed().UndoBtnCaption(), "Undo");
}

TEST_F(Editing, TweenAllTakesEveryPartOfTheSideAndARightClickRepeatsTheTween) {
  CheckParts(ed(), {});
  ed().FrameBarChange(4);
  ed().SetTweenAll(true);
  CheckParts(ed(), {"L Thigh"});
  Press(true, false, 0, 0);
  Move({.left = true}, 90, 0);
  Release();
  CheckParts(ed(), {});
  TMotionPart thigh = ed().RiderParts()[5];
  TMotionPart torso = ed().RiderParts()[1];
  ASSERT_TRUE(TweenPart(thigh, 1, 4));
  ASSERT_TRUE(TweenPart(torso, 1, 4));
  const std::size_t riderCount = ed().RiderParts().size();
  const Matrix machine = ed().MachineParts()[0].Frames[1];
  ed().TweenBarMouseDown(true, TickX(1));
  ed().TweenBarMouseMove(true, TickX(4));
  ed().TweenBarMouseUp();
  // Every rider part was tweened, though none is checked; the machine's parts were not.
  for (int f : {1, 2}) {
    EXPECT_EQ(Frame(5, f), thigh.Frames[static_cast<std::size_t>(f)]);
    EXPECT_EQ(Frame(1, f), torso.Frames[static_cast<std::size_t>(f)]);
  }
  EXPECT_EQ(ed().MachineParts()[0].Frames[1], machine);
  EXPECT_GT(ed().TweenList().size(), riderCount);

  // With TweenAll off and nothing checked, a release changes no frame.
  ed().SetTweenAll(false);
  ed().FrameBarChange(4);
  CheckParts(ed(), {"L Thigh"});
  Press(true, false, 0, 0);
  Move({.left = true}, -90, 0);
  Release();
  CheckParts(ed(), {});
  const Matrix kept = ed().RiderParts()[5].Frames[1];
  ed().TweenBarMouseDown(false, TickX(10));  // a right click
  ed().TweenBarMouseUp();
  EXPECT_EQ(ed().RiderParts()[5].Frames[1], kept);
  // Checked again, the same right click repeats the last range on it.
  CheckParts(ed(), {"L Thigh"});
  ed().TweenBarMouseDown(false, TickX(10));
  ed().TweenBarMouseUp();
  EXPECT_NE(ed().RiderParts()[5].Frames[1], kept);
}

TEST_F(Editing, CopyAndPasteBetweenFramesAndTricks) {
  EXPECT_FALSE(ed().PasteBtnEnabled());
  CheckParts(ed(), {"Pelvis", "Head"});
  ed().FrameBarChange(3);
  Press(true, false, 0, 0);
  Move({.left = true}, 33, 11);
  Release();
  const Matrix pelvis3 = Frame(0, 2), head3 = Frame(4, 2), torso10 = Frame(1, 9), head10 = Frame(4, 9);
  ed().CopyPose();
  EXPECT_TRUE(ed().PasteBtnEnabled());
  ed().FrameBarChange(10);
  CheckParts(ed(), {"Lower Torso"});  // pasting ignores the checks
  ed().PastePose();
  EXPECT_EQ(Frame(0, 9), pelvis3);
  EXPECT_EQ(Frame(4, 9), head3);
  EXPECT_EQ(Frame(1, 9), torso10);
  ed().SwapSnapshot();
  EXPECT_EQ(Frame(4, 9), head10);
  EXPECT_EQ(ed().UndoBtnCaption(), "Redo");
  ed().SwapSnapshot();
  EXPECT_EQ(Frame(4, 9), head3);

  // Into another trick of the same machine: the parts of the same index take the matrices.
  rig.host.answers = {false};
  SelectTrick(ed(), "nacnac");
  ed().FrameBarChange(7);
  ed().PastePose();
  EXPECT_EQ(Frame(0, 6), pelvis3);
  EXPECT_EQ(Frame(4, 6), head3);
  EXPECT_EQ(ed().Marks(), 1u);
}

TEST_F(Editing, PasteMirroredPutsEachSidesPoseOnTheOtherReflected) {
  // The rider alone, so every bone is in the model's own space.
  ed().ShowBikeClick(false);
  ed().SetTweenAll(true);
  ed().FrameBarChange(6);
  const TDXGmodel& rider = *ed().RiderSet().Model;
  const auto origins = [&] {
    rig.Paint();
    std::map<std::string, Vector3> at;
    for (std::int32_t b = 0; b < rider.BoneCount(); ++b) {
      const Matrix& w = rider.Bone(b)->World;
      at[rider.Bone(b)->Name] = Vec3(w[3][0], w[3][1], w[3][2]);
    }
    return at;
  };
  const std::map<std::string, Vector3> before = origins();
  const TPoseTable riderBefore = ed().RiderParts(), machineBefore = ed().MachineParts();
  ASSERT_TRUE(ed().HasMachineMotion());

  ed().CopyPose();
  ed().PastePoseMirrored();
  EXPECT_EQ(ed().HistoryLabels().back(), "Paste mirrored, frame 6");
  EXPECT_EQ(ed().Marks(), 1u);
  // Every joint stands where its mirror image stood, reflected across x = 0: the left hand where the
  // right hand was, the head where it was with x negated.
  const std::map<std::string, Vector3> after = origins();
  for (const auto& [name, at] : after) {
    const Vector3 was = before.at(MirroredPartName(name));
    EXPECT_NEAR(at.x, -was.x, 1e-4f) << name;
    EXPECT_NEAR(at.y, was.y, 1e-4f) << name;
    EXPECT_NEAR(at.z, was.z, 1e-4f) << name;
  }
  EXPECT_NE(ed().RiderParts()[5].Frames[5], riderBefore[5].Frames[5]);

  // Mirrored twice is the pose it was, rider and machine.
  ed().CopyPose();
  ed().PastePoseMirrored();
  const auto same = [](const TPoseTable& now, const TPoseTable& was) {
    for (std::size_t p = 0; p < now.size(); ++p)
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          EXPECT_NEAR(now[p].Frames[5][r][c], was[p].Frames[5][r][c], 1e-5f) << now[p].Name;
  };
  same(ed().RiderParts(), riderBefore);
  same(ed().MachineParts(), machineBefore);

  // Each paste is one step: two undos give back the pose exactly.
  ed().Undo();
  ed().Undo();
  EXPECT_EQ(ed().RiderParts()[5].Frames[5], riderBefore[5].Frames[5]);
  EXPECT_EQ(ed().MachineParts()[0].Frames[5], machineBefore[0].Frames[5]);
}

TEST_F(Editing, AMirroredSymmetricPoseIsItself) {
  // The demo superman's crouch and flight keys pose the middle and the legs alike on both sides; the
  // arms reach for the grips and differ a little, so the left arm is mirrored onto the right first.
  const std::vector<std::string> leftArm = {"L Clavicle", "L Upper Arm", "L Forearm", "L Hand"};
  for (const int key : {7, 14}) {
    ed().FrameBarChange(key);
    ed().SetTweenAll(false);
    CheckParts(ed(), leftArm);
    ed().CopyPose();
    ed().PastePoseMirrored();
    const TPoseTable symmetric = ed().RiderParts();

    ed().SetTweenAll(true);
    ed().CopyPose();
    ed().PastePoseMirrored();
    for (std::size_t p = 0; p < symmetric.size(); ++p)
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          EXPECT_NEAR(ed().RiderParts()[p].Frames[key - 1][r][c], symmetric[p].Frames[key - 1][r][c], 1e-5f)
              << symmetric[p].Name << " key " << key;
  }
}

TEST_F(Editing, PlaybackStepsAndWrapsAtTheChosenRate) {
  ed().FrameRateEditChange(15);
  EXPECT_EQ(ed().FrameTimerInterval(), 67);
  ed().PlayAnimBtnLatchChanged(true);
  EXPECT_EQ(ed().PlayAnimBtnCaption(), "Stop");
  EXPECT_FALSE(ed().FrameBarEnabled());
  EXPECT_FALSE(ed().MakeGifBtnEnabled());
  EXPECT_EQ(rig.host.timers[EditorTimer::Frame], std::make_pair(true, 67));
  ed().FrameBarChange(30);
  ed().FrameTimerTimer();
  EXPECT_EQ(ed().CurrentFrame(), 0);
  EXPECT_EQ(ed().FrameBarPosition(), 1);
  ed().FrameTimerTimer();
  EXPECT_EQ(ed().CurrentFrame(), 1);
  ed().PlayAnimBtnLatchChanged(false);
  EXPECT_EQ(ed().PlayAnimBtnCaption(), "Play");
  EXPECT_TRUE(ed().FrameBarEnabled());
  EXPECT_EQ(rig.host.timers[EditorTimer::Frame].first, false);
  ed().FrameRateEditChange(100);
  EXPECT_EQ(ed().FrameTimerInterval(), 10);
  EXPECT_EQ(ed().GifFrameDelay(), 1);
}

}  // namespace
}  // namespace dravo::test
