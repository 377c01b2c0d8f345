// Start-up on the demo game: the order of the steps and what each leaves behind, the show sequence,
// closing with and without unsaved work, and every message that ends a start.
#include <gtest/gtest.h>

#include "core/text.h"
#include "demo/demo_motions.h"
#include "editor_rig.h"
#include "formats/dxg_model.h"
#include "formats/texture_manager.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

std::vector<std::string> OfferedNames(demo::MachineKind kind) {
  std::vector<std::string> names;
  for (const demo::DemoTrick& t : demo::OfferedTricks())
    if (t.kind == kind) names.push_back(t.name);
  return names;
}

std::vector<std::string> Names(const std::vector<CatalogueEntry>& entries) {
  std::vector<std::string> names;
  for (const CatalogueEntry& e : entries)
    names.push_back(e.Name);
  return names;
}

std::vector<std::string> Labels(const std::vector<ModelListItem>& items) {
  std::vector<std::string> labels;
  for (const ModelListItem& i : items)
    labels.push_back(i.Label);
  return labels;
}

TEST(Startup, ReadsTheOptionsLoadsTheModelsBuildsTheListAndSelectsTheLastTrick) {
  EditorRig rig;
  {
    TRmxOptions options = rig.Options();
    options.WriteString("lasttrk", "superman.mot");
    options.WriteInteger("fps", 30);
    options.WriteInteger("MudColor", 0x00203040);
    options.WriteInteger("Rollouts", 5);
    options.WriteBool("commonpak", false);
    options.WriteInteger("ResWidth", 800);
    options.WriteInteger("ResHeight", 600);
  }
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  EXPECT_TRUE(rig.host.platform.empty());
  EXPECT_TRUE(rig.host.Take().empty());

  // Options read and applied.
  EXPECT_EQ(ed.FrameRate(), 30);
  EXPECT_EQ(rig.host.timers[EditorTimer::Frame], std::make_pair(false, 33));
  EXPECT_FALSE(ed.CommonPak());
  EXPECT_TRUE(ed.RolloutExpanded(Rollout::Trick));
  EXPECT_FALSE(ed.RolloutExpanded(Rollout::Setup));
  EXPECT_TRUE(ed.RolloutExpanded(Rollout::Skins));
  EXPECT_EQ(rig.panel->BackBufferWidth, 800u);
  EXPECT_EQ(ed.ResolutionList(), (std::vector<std::string>{"640x480", "800x600"}));
  EXPECT_EQ(ed.StartResolution(), 1);

  // Models: the machine with its three hung parts on their bones, the rider; mud colour on both.
  ASSERT_TRUE(ed.MachineSet().Model);
  ASSERT_TRUE(ed.RiderSet().Model);
  EXPECT_TRUE(ed.RiderLoaded());
  EXPECT_TRUE(ed.MachineLoaded());
  ASSERT_EQ(ed.MachineSet().AttachmentCount(), 3);
  EXPECT_EQ(ed.MachineSet().Attachments[0].Placement, "Front Wheel");
  EXPECT_EQ(ed.MachineSet().Attachments[0].Bone, 5);
  EXPECT_EQ(ed.MachineSet().Attachments[1].Bone, 2);  // "rear wheel", any letter case
  EXPECT_EQ(ed.MachineSet().Attachments[2].Bone, 3);
  for (const TAttachment& a : ed.MachineSet().Attachments)
    EXPECT_TRUE(a.Model);
  EXPECT_EQ(ed.MachineSet().Model->Color(), 0x00203040u);
  EXPECT_EQ(ed.RiderSet().Model->Color(), 0x00203040u);
  // The rider document's material changes are in force.
  EXPECT_EQ(ed.MaterialChanges().front(), "rider_kit");
  EXPECT_EQ(ed.StatusText(), "Done");
  EXPECT_GT(ed.TextureList().size(), 5u);
  EXPECT_EQ(ed.TextureList()[0].Caption, "1");

  // The list of the motocross machine, and the last trick selected and loaded.
  EXPECT_EQ(ed.MachineType(), 0);
  EXPECT_EQ(Names(ed.MOTSelectBox()), OfferedNames(demo::MachineKind::Motocross));
  ASSERT_GE(ed.MOTSelectIndex(), 0);
  EXPECT_EQ(ed.MOTSelectBox()[static_cast<std::size_t>(ed.MOTSelectIndex())].Name, "superman");
  EXPECT_EQ(ed.TrickName(), "superman.mot");
  EXPECT_EQ(ed.TrickFileName(), "superman.mot");
  EXPECT_TRUE(ed.HasMachineMotion());
  EXPECT_EQ(ed.FrameCount(), 30);
  EXPECT_EQ(ed.FrameCountLabel(), "30");
  EXPECT_EQ(ed.Marks(), 0u);
  EXPECT_TRUE(ed.PlayAnimBtnEnabled());

  // The rider and machine lists, the computer's rider left out.
  EXPECT_EQ(Labels(ed.SelectRiderBox()).size(), 2u);
  EXPECT_EQ(ed.SelectMachineBox().size(), 3u);
  EXPECT_GE(ed.SelectRiderIndex(), 0);
  EXPECT_GE(ed.SelectMachineIndex(), 0);
  for (const std::string& label : Labels(ed.SelectRiderBox()))
    EXPECT_EQ(FindTextAZ(label, "ai"), std::string::npos) << label;

  // Posing axes as the latch buttons stand.
  EXPECT_EQ(ed.Axis(AxisGroup::RotX), 1);
  EXPECT_EQ(ed.Axis(AxisGroup::RotY), 0);
  EXPECT_EQ(ed.Axis(AxisGroup::PosX), 2);
  EXPECT_EQ(ed.Axis(AxisGroup::PosY), 1);
  EXPECT_TRUE(rig.panel->RenderEnabled);
  EXPECT_EQ(ed.VersionLabel(), "v1.06");
  // Nothing is written at start-up.
  EXPECT_FALSE(std::filesystem::exists(rig.OwnPak()));
}

TEST(Startup, FirstRunTakesTheDefaultsAndShowsTheLicenceOnce) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  EXPECT_EQ(rig.ed().LastRider(), "NoFear6.sub");
  EXPECT_EQ(rig.ed().LastMachine(), "MX_S_250_KX2501.sub");
  EXPECT_EQ(rig.ed().TrickName(), "nacnac.mot");  // no last trick: the first of the list
  EXPECT_EQ(rig.ed().FrameTimerInterval(), 67);
  EXPECT_EQ(rig.ed().Zoom(), 90);
  EXPECT_NEAR(rig.panel->GetEye().z, -9.0f, 1e-6);
  EXPECT_EQ(rig.host.help,
            (std::vector<std::pair<std::string, std::string>>{{"dravohelp.chm", "license.htm"}}));
  rig.ed().HelpBtnClick();
  EXPECT_EQ(rig.host.help.back(), std::make_pair(std::string("dravokit.chm"), std::string()));

  rig.host.help.clear();
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_TRUE(rig.host.help.empty());
  TRmxOptions(rig.stateFile).WriteString("version", "1.05");
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(rig.host.help,
            (std::vector<std::pair<std::string, std::string>>{{"dravohelp.chm", "whatsnew.htm"}}));
}

struct StartFailure {
  const char* what;
  std::function<void(EditorRig&)> arrange;
  std::vector<std::string> platform;  // "caption: text"
};

class StartFailures : public ::testing::TestWithParam<int> {};

std::vector<std::string> PlatformTexts(const ScriptedHost& host) {
  std::vector<std::string> out;
  for (const Shown& s : host.platform)
    out.push_back(s.caption + ": " + s.text);
  return out;
}

TEST(Startup, EveryMessageThatEndsAStart) {
  const std::string corrupt = "Serious Error: Your Common.pak might be corrupt.\nPlease check and try again.";
  const std::string models = "Serious error: There was problem loading the Models.";
  const StartFailure cases[] = {
      {"no game",
       [](EditorRig& r) { r.game = r.dir / "nowhere"; },
       {"MVA isn't installed: MVA could not be found on your system. Dravo Kit will now close"}},
      {"unknown machine",
       [](EditorRig& r) { r.Options().WriteString("LastMachine", "Nothing.sub"); },
       {models}},
      {"unknown rider", [](EditorRig& r) { r.Options().WriteString("LastRider", "Nobody.sub"); }, {models}},
      {"no archives",
       [](EditorRig& r) { std::filesystem::remove_all(r.game / "data"); },
       {"MVA isn't installed: MVA could not be found on your system. Dravo Kit will now close"}},
      {"a damaged common.pak", [](EditorRig& r) { WriteText(r.CommonPak(), "not a pak"); }, {models}},
      {"damaged own archive", [](EditorRig& r) { WriteText(r.OwnPak(), "not a pak"); }, {corrupt}},
  };
  for (const StartFailure& c : cases) {
    SCOPED_TRACE(c.what);
    EditorRig rig;
    c.arrange(rig);
    const bool hadOptions = std::filesystem::exists(rig.optionsFile);
    EXPECT_EQ(rig.Start(), StartupResult::Terminated);
    EXPECT_EQ(PlatformTexts(rig.host), c.platform);
    EXPECT_TRUE(rig.host.shown.empty());
    // A start that ends writes no options.
    rig.Stop();
    EXPECT_EQ(std::filesystem::exists(rig.optionsFile), hadOptions);
  }
}

TEST(Startup, AGameFolderFoundBeforeIsMountedWithoutASecondSearch) {
  EditorRig rig;
  rig.gameFoundBefore = true;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  EXPECT_EQ(rig.ed().GameFolder(), (rig.game / "").string());
  EXPECT_FALSE(rig.ed().MOTSelectBox().empty());

  EditorRig empty;
  empty.gameFoundBefore = true;
  std::filesystem::remove_all(empty.game / "data");
  EXPECT_EQ(empty.Start(), StartupResult::Terminated);
  EXPECT_EQ(PlatformTexts(empty.host),
            std::vector<std::string>{
                "MVA isn't installed: MVA could not be found on your system. Dravo Kit will now close"});
}

TEST(Startup, WithoutMotionsIniTheListIsEmptyAndTheStartEnds) {
  EditorRig rig([](demo::DemoContent& c) {
    std::erase_if(c.common, [](const demo::DemoEntry& e) {
      return FindTextAZ(e.name, "motions.ini") != std::string::npos;
    });
  });
  EXPECT_EQ(rig.Start(), StartupResult::Terminated);
  EXPECT_EQ(PlatformTexts(rig.host),
            std::vector<std::string>{
                "Serious Error: Your Common.pak might be corrupt.\nPlease check and try again."});
}

TEST(Startup, WithoutADeviceTheWindowOpensEmpty) {
  EditorRig rig;
  // Neither device type can draw into a window; the software question is answered No.
  rig.adapter = [](TRecordingDirect3D& d3d) {
    d3d.halCaps.Caps2 = 0;
    d3d.refCaps.Caps2 = 0;
  };
  EXPECT_EQ(rig.Start(), StartupResult::NoDevice);
  EXPECT_FALSE(rig.panel->Initialised());
  EXPECT_FALSE(rig.panel->RenderEnabled);
  EXPECT_FALSE(rig.ed().OwnArchive());
  EXPECT_FALSE(rig.ed().RiderSet().Model);
  ASSERT_FALSE(rig.host.panelMessages.empty());
  EXPECT_EQ(rig.host.panelMessages.back().caption, "3D Hardware support");
  EXPECT_TRUE(rig.host.platform.empty());
  // Closing still works and keeps the options.
  EXPECT_TRUE(rig.ed().FormClose());
  EXPECT_TRUE(std::filesystem::exists(rig.optionsFile));
}

TEST(Startup, ResolutionChoiceTakesEffectNextTime) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  ASSERT_EQ(ed.StartResolution(), 0);
  ed.ResSelectBoxChange(1);
  ed.ResSelectBoxChange(0);
  ed.ResSelectBoxChange(1);
  EXPECT_EQ(rig.host.Take(),
            (std::vector<std::string>(2,
                                      "Resolution changed: The new resolution will take effect "
                                      "next time you start the editor")));
  ASSERT_TRUE(ed.FormClose());
  EXPECT_EQ(rig.Options().ReadInteger("ResWidth", 0), 800);
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(rig.panel->BackBufferHeight, 600u);
  EXPECT_EQ(rig.ed().StartResolution(), 1);
}

TEST(Close, AsksOnlyWithUnsavedWorkAndAlwaysWritesTheOptions) {
  EditorRig rig;
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  SelectTrick(ed, "superman");
  ed.FrameRateEditChange(20);
  EXPECT_TRUE(ed.FormClose());
  EXPECT_TRUE(rig.host.Take().empty());
  EXPECT_EQ(rig.Options().ReadString("lasttrk", ""), "superman.mot");
  EXPECT_EQ(rig.Options().ReadString("lastfile", ""), "superman.mot");
  EXPECT_EQ(rig.Options().ReadInteger("fps", 0), 20);
  EXPECT_EQ(rig.Options().ReadString("LastMachine", ""), "MX_S_250_KX2501.sub");

  // Unsaved edit, answered No: nothing stored; the next start comes back to the same trick.
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(rig.ed().TrickName(), "superman.mot");
  CheckParts(rig.ed(), {"Pelvis"});
  rig.ed().DXPanelMouseDown(TMouseButton::Left, {.left = true}, 0, 0);
  rig.ed().DXPanelMouseMove({.left = true}, 10, 0);
  ASSERT_EQ(rig.ed().Marks(), 1u);
  // Cancel: the window stays open, nothing is written, not even the options.
  const auto optionsBefore = ReadBytes(rig.optionsFile);
  rig.host.choices = {SaveChoice::Cancel};
  EXPECT_FALSE(rig.ed().FormClose());
  EXPECT_EQ(rig.host.Take().size(), 1u);
  EXPECT_EQ(ReadBytes(rig.optionsFile), optionsBefore);
  EXPECT_EQ(rig.ed().Marks(), 1u);
  rig.host.answers = {false};
  EXPECT_TRUE(rig.ed().FormClose());
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{"Unsaved Tricks/Textures Warning: You have modified tricks or "
                                     "textures that haven't been saved. Do you want to save them?"});
  EXPECT_FALSE(std::filesystem::exists(rig.OwnPak()));

  // Answered Yes: the trick is stored before the options.
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  CheckParts(rig.ed(), {"Pelvis"});
  rig.ed().DXPanelMouseDown(TMouseButton::Left, {.left = true}, 0, 0);
  rig.ed().DXPanelMouseMove({.left = true}, 10, 0);
  rig.host.answers = {true};
  EXPECT_TRUE(rig.ed().FormClose());
  EXPECT_EQ(rig.ed().Marks(), 0u);
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  EXPECT_GE(own->IndexOf("Data\\Rider\\Anim\\mx_superman.mot"), 0);
}

}  // namespace
}  // namespace dravo::test

namespace dravo::test {
namespace {

// A rider whose name is 8-bit text is found again after a restart, through the options file.
TEST(Options, ARiderNamedInEightBitTextIsFoundAfterARestart) {
  EditorRig rig([](demo::DemoContent& c) {
    demo::DemoEntry copy = Entry(c, "Data\\Rider\\NoFear6.sub");
    copy.name = "Data\\Rider\\Ren\xE9.sub";
    c.common.push_back(copy);
  });
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  TDravoEditor& ed = rig.ed();
  int item = -1;
  for (std::size_t i = 0; i < ed.SelectRiderBox().size(); ++i)
    if (ed.SelectRiderBox()[i].Label.find("Ren\xE9") != std::string::npos) item = static_cast<int>(i);
  ASSERT_GE(item, 0);
  ed.SelectRiderBoxChange(item);
  ASSERT_EQ(ed.LastRider(), "Ren\xE9.sub");
  ASSERT_TRUE(ed.FormClose());
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_EQ(rig.ed().LastRider(), "Ren\xE9.sub");
  EXPECT_TRUE(rig.ed().RiderLoaded());
  EXPECT_NE(
      rig.ed().SelectRiderBox()[static_cast<std::size_t>(rig.ed().SelectRiderIndex())].Label.find("Ren\xE9"),
      std::string::npos);
}

// A damaged options file: kept beside it, said once, and the editor starts on the defaults.
TEST(Options, ADamagedOptionsFileIsKeptAndSaidOnce) {
  EditorRig rig;
  std::filesystem::create_directories(rig.optionsFile.parent_path());
  WriteText(rig.optionsFile, "{\"fps\": 30, \"Size\": ");
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  EXPECT_EQ(rig.ed().FrameRate(), 15);
  std::filesystem::path aside = rig.optionsFile;
  aside += ".damaged";
  EXPECT_EQ(ReadText(aside), "{\"fps\": 30, \"Size\": ");
  ASSERT_EQ(rig.host.platform.size(), 1u);
  EXPECT_EQ(rig.host.platform[0].caption, "Options");
  EXPECT_NE(rig.host.platform[0].text.find(aside.string()), std::string::npos);
  ASSERT_TRUE(rig.ed().FormClose());
  rig.host.platform.clear();
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  EXPECT_TRUE(rig.host.platform.empty());
  EXPECT_EQ(ReadText(aside), "{\"fps\": 30, \"Size\": ");
}

// The folder remembered from the last run no longer holds the game: the chooser is asked.
TEST(Startup, ARememberedFolderWithoutTheGameIsPassedOver) {
  EditorRig rig;
  RememberGameFolder(rig.dir / "config" / "search.json", (rig.dir / "gone").string());
  std::filesystem::create_directories(rig.dir / "gone");
  const std::filesystem::path game = rig.game;
  rig.game = rig.dir / "no-such-folder";
  int asked = 0;
  rig.chooseFolder = [&]() -> std::optional<std::string> {
    ++asked;
    return game.string();
  };
  ASSERT_EQ(rig.Start(), StartupResult::Running);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(rig.ed().GameFolder(), game.string() + "/");
}

}  // namespace
}  // namespace dravo::test
