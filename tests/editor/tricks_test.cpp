// Tricks on the demo game: the lists of the three machine types, what loading a trick sets up, the
// edited side, the question before another trick, rider and machine changes, and how the rider
// follows the machine.
#include <gtest/gtest.h>

#include "core/text.h"
#include "demo/demo_motions.h"
#include "editor_rig.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"
#include "formats/model_manager.h"
#include "motion/mot_writer.h"

namespace dravo::test {
namespace {

int MachineItem(TDravoEditor& ed, const std::string& label) {
  for (std::size_t i = 0; i < ed.SelectMachineBox().size(); ++i)
    if (FindTextAZ(ed.SelectMachineBox()[i].Label, label) != std::string::npos) return static_cast<int>(i);
  return -1;
}

int RiderItem(TDravoEditor& ed, const std::string& label) {
  for (std::size_t i = 0; i < ed.SelectRiderBox().size(); ++i)
    if (FindTextAZ(ed.SelectRiderBox()[i].Label, label) != std::string::npos) return static_cast<int>(i);
  return -1;
}

void Drag(TDravoEditor& ed, int dx, int dy) {
  ed.DXPanelMouseDown(TMouseButton::Left, {.left = true}, 100, 100);
  ed.DXPanelMouseMove({.left = true}, 100 + dx, 100 + dy);
  ed.DXPanelMouseUp(TMouseButton::Left, {});
}

TEST(Tricks, EachMachineTypeOffersItsTricksAndEachLoads) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  const struct {
    const char* machine;
    demo::MachineKind kind;
    const char* riderPrefix;
  } machines[] = {{"MX S 250", demo::MachineKind::Motocross, "mx_"},
                  {"ATV", demo::MachineKind::Atv, "atv_"},
                  {"MXF", demo::MachineKind::Freestyle, "mxf_"}};
  for (const auto& m : machines) {
    SCOPED_TRACE(m.machine);
    const int item = MachineItem(ed, m.machine);
    ASSERT_GE(item, 0);
    ed.SelectMachineBoxChange(item);
    EXPECT_EQ(ed.MachineType(), static_cast<int>(m.kind));
    std::vector<CatalogueEntry> expected;
    for (const demo::DemoTrick& t : demo::OfferedTricks())
      if (t.kind == m.kind) expected.push_back({t.name, t.attached});
    EXPECT_EQ(ed.MOTSelectBox(), expected);
    // The first trick is selected and loaded with the new machine.
    EXPECT_EQ(ed.MOTSelectIndex(), 0);
    EXPECT_EQ(ed.TrickName(), expected.front().Name + ".mot");
    for (const demo::DemoTrick& t : demo::OfferedTricks()) {
      if (t.kind != m.kind) continue;
      SCOPED_TRACE(t.name);
      SelectTrick(ed, t.name);
      EXPECT_EQ(ed.AttachToMachine(), t.attached);
      EXPECT_EQ(ed.HasMachineMotion(), t.machineMotion);
      EXPECT_EQ(ed.BikeEditEnabled(), t.machineMotion);
      EXPECT_TRUE(ed.RiderEdit());
      EXPECT_TRUE(ed.RiderMotion().IsValid());
      // A machine motion is always there to keep the counts, shown on the machine only when it is the
      // trick's.
      EXPECT_FALSE(ed.MachineParts().empty());
      const std::size_t expectedItems =
          ed.RiderParts().size() + (t.machineMotion ? ed.MachineParts().size() : 0);
      ASSERT_EQ(ed.TweenList().size(), expectedItems);
      for (std::size_t i = 0; i < ed.TweenList().size(); ++i) {
        const PartItem& p = ed.TweenList()[i];
        EXPECT_EQ(p.Part, static_cast<std::int32_t>(i));
        EXPECT_FALSE(p.Checked);
        EXPECT_EQ(p.Enabled, i < ed.RiderParts().size());
      }
      EXPECT_EQ(ed.FrameCount(), ed.RiderMotion().FrameCount());
      EXPECT_EQ(ed.FrameBarMax(), ed.FrameCount());
      EXPECT_EQ(ed.FrameBarPosition(), 1);
      EXPECT_EQ(ed.CurrentFrame(), 0);
      EXPECT_EQ(ed.TweenBar().FrameCount, ed.FrameCount());
      EXPECT_FALSE(ed.UndoBtnEnabled());
      EXPECT_EQ(ed.Marks(), 0u);
      // Each of the first 60 bones of the rider is bound to the part of its name.
      const TDXGmodel& rider = *ed.RiderSet().Model;
      for (std::int32_t b = 0; b < rider.BoneCount(); ++b) {
        const std::uint8_t part = ed.RiderSet().BoneParts[static_cast<std::size_t>(b)];
        ASSERT_LT(part, ed.RiderParts().size()) << rider.Bone(b)->Name;
        EXPECT_TRUE(SameTextAZ(ed.RiderParts()[part].Name, rider.Bone(b)->Name));
      }
    }
  }
}

TEST(Tricks, EditBikeShowsTheMachinesFramesAndKeepsTheChecks) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");  // rider 30 frames, machine 60
  CheckParts(ed, {"Pelvis"});
  ed.FrameBarChange(12);
  ed.RiderEditClick(false);
  EXPECT_FALSE(ed.RiderEdit());
  EXPECT_EQ(ed.FrameCount(), 60);
  EXPECT_EQ(ed.FrameBarMax(), 60);
  EXPECT_EQ(ed.CurrentFrame(), 0);
  EXPECT_TRUE(ed.TweenList()[0].Checked);   // kept, but
  EXPECT_FALSE(ed.TweenList()[0].Enabled);  // the rider's items are off
  EXPECT_TRUE(ed.TweenList()[ed.RiderParts().size()].Enabled);
  ed.RiderEditLabelClick();
  EXPECT_EQ(ed.FrameCount(), 30);

  // A trick without a machine motion has no "Edit Bike".
  SelectTrick(ed, "nacnac");
  ed.BikeEditLabelClick();
  EXPECT_TRUE(ed.RiderEdit());
  EXPECT_EQ(ed.FrameCount(), 40);
}

TEST(Tricks, TheMachineIsShownAtTheProportionalFrame) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  ed.FrameBarChange(16);  // frame 15 of 30
  TDXGmodel& machine = *ed.MachineSet().Model;
  const std::uint8_t part = ed.MachineSet().BoneParts[0];
  ASSERT_LT(part, ed.MachineParts().size());
  D3DXMATRIX world = IdentityMatrix();
  ed.RenderPass = 2;
  ed.PoseBone(machine, world, 0);
  EXPECT_EQ(world, ed.MachineParts()[part].Frames[30]);
}

TEST(Tricks, AnotherTrickAfterAnEditAsksFirst) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  const Matrix stock = ed.RiderParts()[0].Frames[0];
  CheckParts(ed, {"Pelvis"});
  Drag(ed, 30, 0);
  ASSERT_NE(ed.RiderParts()[0].Frames[0], stock);

  // Cancel (or the box closed): nothing happens; the list shows the edited trick again.
  const Matrix edited = ed.RiderParts()[0].Frames[0];
  const int shown = ed.PickedTrick();
  rig.host.choices = {SaveChoice::Cancel};
  for (std::size_t i = 0; i < ed.TrickList().size(); ++i)
    if (ed.TrickList()[i].Name == "nacnac") ed.SelectTrickItem(static_cast<int>(i));
  EXPECT_EQ(rig.host.Take().size(), 1u);
  EXPECT_EQ(ed.TrickName(), "superman.mot");
  EXPECT_EQ(ed.PickedTrick(), shown);
  EXPECT_EQ(ed.RiderParts()[0].Frames[0], edited);
  EXPECT_EQ(ed.Marks(), 1u);
  EXPECT_FALSE(std::filesystem::exists(rig.OwnPak()));

  // No: the edit is dropped.
  rig.host.answers = {false};
  SelectTrick(ed, "nacnac");
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{"Trick modified: You have modified this trick do you want "
                                     "to save it before you load the next trick?"});
  SelectTrick(ed, "superman");
  EXPECT_EQ(ed.RiderParts()[0].Frames[0], stock);
  EXPECT_FALSE(std::filesystem::exists(rig.OwnPak()));

  // Yes: stored under the old trick's names before the next one loads.
  CheckParts(ed, {"Pelvis"});
  Drag(ed, 30, 0);
  rig.host.answers = {true};
  SelectTrick(ed, "nacnac");
  EXPECT_EQ(ed.TrickName(), "nacnac.mot");
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  EXPECT_GE(own->IndexOf("Data\\Rider\\Anim\\mx_superman.mot"), 0);
  EXPECT_LT(own->IndexOf("Data\\Rider\\Anim\\mx_nacnac.mot"), 0);
  rig.host.Take();

  // Text typed into the box selects nothing and asks nothing.
  CheckParts(ed, {"Pelvis"});
  Drag(ed, 5, 0);
  ed.SelectTrickItem(-1);
  EXPECT_TRUE(rig.host.Take().empty());
  EXPECT_EQ(ed.TrickName(), "nacnac.mot");
  EXPECT_EQ(ed.Marks(), 1u);
}

TEST(Tricks, AMachineChangeStoresTheOldTrickUnderItsOwnMachinesNames) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  CheckParts(ed, {"Pelvis"});
  Drag(ed, 12, 0);
  rig.host.answers = {true};
  ed.SelectMachineBoxChange(MachineItem(ed, "ATV"));
  EXPECT_EQ(ed.MachineType(), 1);
  EXPECT_EQ(ed.TrickName(), "coffin.mot");
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  EXPECT_GE(own->IndexOf("Data\\Rider\\Anim\\mx_superman.mot"), 0);
  EXPECT_GE(own->IndexOf("Data\\Veh\\Anim\\UI_MX_Bike_superman.mot"), 0);
  EXPECT_LT(own->IndexOf("Data\\Rider\\Anim\\atv_superman.mot"), 0);
  EXPECT_EQ(own->Count(), 4);
}

// The window shows the trick list from the change bits alone: a copy kept by them agrees with the editor
// after every machine change, and a trick picked from that copy loads.
TEST(Tricks, AMachineChangeTellsTheWindowOfItsTrickList) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  std::vector<CatalogueEntry> shown;
  int shownIndex = -2;
  ed.OnChange = [&](std::uint32_t bits) {
    if (!(bits & changes::Catalogue)) return;
    shown = ed.MOTSelectBox();
    shownIndex = ed.MOTSelectIndex();
  };
  for (const char* machine : {"ATV", "MXF", "MX S 250"}) {
    SCOPED_TRACE(machine);
    ed.SelectMachineBoxChange(MachineItem(ed, machine));
    ASSERT_FALSE(ed.MOTSelectBox().empty());
    EXPECT_EQ(shown, ed.MOTSelectBox());
    EXPECT_EQ(shownIndex, 0);
    ASSERT_FALSE(shown.empty());
    const int pick = static_cast<int>(shown.size()) - 1;
    ed.SelectTrickItem(pick);
    EXPECT_EQ(shownIndex, pick);
    EXPECT_EQ(ed.TrickName(), shown.back().Name + ".mot");
    EXPECT_TRUE(ed.RiderMotion().IsValid());
    EXPECT_FALSE(ed.TweenList().empty());
  }
}

TEST(Tricks, RiderChangesKeepTheTrickAndEmptyTheClipboard) {
  EditorRig rig([](demo::DemoContent& c) {
    c.common.push_back({"Data\\Rider\\Broken.sub", {}});
    const std::string text = "[Objects]\r\nMCF=Broken.mcf\r\n";
    c.common.back().bytes.assign(text.begin(), text.end());
  });
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  CheckParts(ed, {"Pelvis"});
  ed.CopyPose();
  ASSERT_TRUE(ed.Clipboard()[0].filled);

  ed.SelectRiderBoxChange(RiderItem(ed, "Dirtbird"));
  EXPECT_EQ(ed.LastRider(), "Dirtbird14.sub");
  ASSERT_TRUE(ed.RiderSet().Model);
  EXPECT_EQ(ed.ModelManager()->NameAt(ed.ModelManager()->IndexOfModel(ed.RiderSet().Model)),
            "dirtbird14.dxg");
  EXPECT_EQ(ed.TrickName(), "superman.mot");
  EXPECT_FALSE(ed.Clipboard()[0].filled);
  EXPECT_TRUE(ed.MaterialChanges().empty());

  // A rider whose model is missing: the previous one comes back, the last rider stays.
  const int broken = RiderItem(ed, "Broken");
  ASSERT_GE(broken, 0);
  ed.SelectRiderBoxChange(broken);
  EXPECT_EQ(ed.LastRider(), "Dirtbird14.sub");
  EXPECT_TRUE(ed.RiderLoaded());
  ASSERT_TRUE(ed.RiderSet().Model);
  EXPECT_EQ(ed.SelectRiderBox()[static_cast<std::size_t>(ed.SelectRiderIndex())].Label.find("Broken"),
            std::string::npos);
}

TEST(Tricks, AMachineOfSixtyBonesOrMoreIsToldAndStillLoads) {
  EditorRig rig([](demo::DemoContent& c) {
    demo::DemoEntry* kx = FindEntry(c.common, "Data\\Veh\\Models\\kx250.dxg");
    DxgFile file = ParseDxgFile(kx->bytes);
    while (file.bones.size() < 61)
      file.bones.push_back({.name = "Extra " + std::to_string(file.bones.size()), .parent = 0});
    kx->bytes = WriteDxgFile(file);
  });
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  ASSERT_FALSE(rig.host.platform.empty());
  EXPECT_EQ(rig.host.platform.front().text, "Too many Vehicle parts [61]");
  EXPECT_EQ(rig.host.platform.front().caption, "Model error");
  rig.host.platform.clear();
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  EXPECT_EQ(rig.host.platform.size(), 1u);
  EXPECT_FALSE(ed.MachineParts().empty());
  EXPECT_EQ(ed.MachineSet().BoneParts[0], 0);
  rig.Paint();  // bones past the 60th stay as the model has them
}

TEST(Tricks, ADamagedMotionIsNamedWhenItsTrickLoads) {
  EditorRig rig([](demo::DemoContent& c) {
    MotionDraft damaged;
    for (int i = 0; i < 31; ++i)
      damaged.partNames.push_back("P" + std::to_string(i));
    FindEntry(c.common, "Data\\Rider\\Anim\\mx_superman.mot")->bytes = WriteMotion(damaged);
  });
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  rig.host.shown.clear();
  SelectTrick(rig.ed(), "superman");
  ASSERT_EQ(rig.host.shown.size(), 1u);
  EXPECT_EQ(rig.host.shown[0].text,
            "The motion mx_superman.mot cannot be used: 31 parts; a motion holds at most 30.");
  EXPECT_EQ(rig.host.shown[0].caption, "Motion error");
}

TEST(Tricks, TheBackflipRiderFollowsTheMachinesRoot) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "backflip");
  ASSERT_TRUE(ed.AttachToMachine());
  ed.FrameBarChange(20);
  rig.Paint();
  const TDXGmodel& machine = *ed.MachineSet().Model;
  Matrix root = machine.Bone(0)->World;
  root[0][3] = root[1][3] = root[2][3] = 0;
  root[3][3] = 1;
  EXPECT_EQ(ed.RiderParts()[0].AttachMatrix, root);
  EXPECT_NE(root, IdentityMatrix());
  // Every hung part takes the world matrix of its bone.
  for (const TAttachment& a : ed.MachineSet().Attachments)
    EXPECT_EQ(a.Matrix, machine.Bone(a.Bone)->World);
  // The rider's root carries the machine's root on top of its own pose.
  const TDXGmodel& rider = *ed.RiderSet().Model;
  const Matrix riderRoot = rider.Bone(0)->World;

  // Without the machine the rider stays at its own root pose.
  ed.ShowBikeClick(false);
  rig.Paint();
  EXPECT_EQ(ed.RiderParts()[0].AttachMatrix, IdentityMatrix());
  EXPECT_TRUE(Near(rider.Bone(0)->World * root, riderRoot, 1e-4f));
}

}  // namespace
}  // namespace dravo::test
