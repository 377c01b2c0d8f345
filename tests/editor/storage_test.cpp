// Storing tricks on the demo game: the entries written into "data\$dravo.pak", the in-place writes into
// "data\common.pak", reopening, exporting and importing, and every failure with nothing lost.
#include <gtest/gtest.h>

#include "archive/pak_format.h"
#include "core/error.h"
#include "core/text.h"
#include "editor_rig.h"
#include "motion/motion_pose.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

struct Range {
  std::uint64_t offset;
  std::uint64_t size;
};

Range EntryRange(const std::filesystem::path& pak, const std::string& name) {
  BinaryFile file = BinaryFile::openRead(pak);
  const PakDirectory dir = ReadPakDirectory(file);
  for (const PakRecord& r : dir.records)
    if (SameTextAZ(r.name, name)) return {r.offset, r.size};
  ADD_FAILURE() << "no entry " << name;
  return {0, 0};
}

// The bytes differ only inside the given ranges, and the sizes agree.
::testing::AssertionResult ChangedOnlyInside(const std::vector<std::uint8_t>& before,
                                             const std::vector<std::uint8_t>& after,
                                             const std::vector<Range>& ranges) {
  if (before.size() != after.size()) return ::testing::AssertionFailure() << "the size changed";
  bool changedInside = false;
  for (std::size_t i = 0; i < before.size(); ++i) {
    bool inside = false;
    for (const Range& r : ranges)
      inside = inside || (i >= r.offset && i < r.offset + r.size);
    if (before[i] == after[i]) continue;
    if (!inside) return ::testing::AssertionFailure() << "byte " << i << " outside the entries changed";
    changedInside = true;
  }
  if (!changedInside) return ::testing::AssertionFailure() << "nothing changed inside the entries";
  return ::testing::AssertionSuccess();
}

std::vector<std::string> EntryNames(const std::filesystem::path& pak) {
  std::unique_ptr<TMvAFolder> archive = TMvAFolder::Open(pak);
  std::vector<std::string> names;
  for (int i = 0; i < archive->Count(); ++i)
    names.push_back(archive->EntryName(i));
  return names;
}

void Edit(TDravoEditor& ed, int dx) {
  CheckParts(ed, {"Pelvis", "L Thigh"});
  ed.DXPanelMouseDown(TMouseButton::Left, {.left = true}, 0, 0);
  ed.DXPanelMouseMove({.left = true}, dx, dx / 2);
  ed.DXPanelMouseUp(TMouseButton::Left, {});
}

class Storage : public StartedEditorTest {};

TEST_F(Storage, SaveThisTrickWritesItsFourEntriesAndTheStockMotionsInPlace) {
  SelectTrick(ed(), "superman");
  const Matrix stock = ed().RiderParts()[0].Frames[0];
  Edit(ed(), 40);
  ed().RiderEditClick(false);
  CheckParts(ed(), {"Frame"});
  ed().DXPanelMouseDown(TMouseButton::Left, {.left = true}, 0, 0);
  ed().DXPanelMouseMove({.left = true}, 0, 25);
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  const std::uint64_t texSize = FileSizeOrZero(rig.game / "data" / "tex.pak");

  rig.host.answers = {true};
  ed().SaveTrickBtnClick();
  EXPECT_EQ(rig.host.Take(), std::vector<std::string>{"Confirm trick save: Do you want to save this trick?"});
  EXPECT_TRUE(rig.host.errors.empty());
  EXPECT_EQ(ed().Marks(), 0u);
  EXPECT_TRUE(ed().UndoBtnEnabled());  // the snapshot survives storing
  EXPECT_EQ(EntryNames(rig.OwnPak()),
            (std::vector<std::string>{
                "Data\\Rider\\Anim\\mx_superman.mot", "Data\\Rider\\Anim\\UI_MX_superman.mot",
                "Data\\Veh\\Anim\\bike_superman.mot", "Data\\Veh\\Anim\\UI_MX_Bike_superman.mot"}));
  // The motions keep their size: "Save to Common PAK" overwrites exactly the two stock entries.
  EXPECT_TRUE(ChangedOnlyInside(common, ReadBytes(rig.CommonPak()),
                                {EntryRange(rig.CommonPak(), "Data\\Rider\\Anim\\mx_superman.mot"),
                                 EntryRange(rig.CommonPak(), "Data\\Veh\\Anim\\bike_superman.mot")}));
  EXPECT_EQ(FileSizeOrZero(rig.game / "data" / "tex.pak"), texSize);
  std::unique_ptr<TMvAFolder> own = TMvAFolder::Open(rig.OwnPak());
  MemoryStream stored;
  ASSERT_TRUE(own->ReadByName("Data\\Rider\\Anim\\mx_superman.mot", stored));
  const Range entry = EntryRange(rig.CommonPak(), "Data\\Rider\\Anim\\mx_superman.mot");
  const std::vector<std::uint8_t> now = ReadBytes(rig.CommonPak());
  EXPECT_EQ(std::vector<std::uint8_t>(now.begin() + static_cast<std::ptrdiff_t>(entry.offset),
                                      now.begin() + static_cast<std::ptrdiff_t>(entry.offset + entry.size)),
            stored.vector());

  // Reopened, the trick shows the edit as the stored keys hold it.
  const TPoseTable rider = BuildPose(ed().RiderMotion());
  const TPoseTable machine = BuildPose(ed().MachineMotion());
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  SelectTrick(ed(), "superman");
  for (std::size_t p = 0; p < rider.size(); ++p)
    EXPECT_EQ(ed().RiderParts()[p].Frames, rider[p].Frames) << p;
  for (std::size_t p = 0; p < machine.size(); ++p)
    EXPECT_EQ(ed().MachineParts()[p].Frames, machine[p].Frames) << p;
  EXPECT_FALSE(Near(ed().RiderParts()[0].Frames[0], stock, 1e-2f));
}

TEST_F(Storage, OneEntryPerNameAndTheBackupIsTheArchiveBeforeTheInstallation) {
  SelectTrick(ed(), "nacnac");  // no machine motion of its own
  Edit(ed(), 10);
  ASSERT_TRUE(ed().InstallTrick());
  EXPECT_EQ(EntryNames(rig.OwnPak()), (std::vector<std::string>{"Data\\Rider\\Anim\\mx_nacnac.mot",
                                                                "Data\\Rider\\Anim\\UI_MX_nacnac.mot"}));
  const std::vector<std::uint8_t> first = ReadBytes(rig.OwnPak());
  Edit(ed(), 10);
  ASSERT_TRUE(ed().InstallTrick());
  EXPECT_EQ(EntryNames(rig.OwnPak()).size(), 2u);
  EXPECT_NE(ReadBytes(rig.OwnPak()), first);
  EXPECT_EQ(ReadBytes(rig.game / "data" / "$dravo.bak"), first);
}

TEST_F(Storage, WithSaveToCommonPakOffTheGamesArchiveIsNotTouched) {
  ed().CommonPakClick();
  ASSERT_FALSE(ed().CommonPak());
  SelectTrick(ed(), "superman");
  Edit(ed(), 10);
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  // Even a common.pak that could not be opened for writing goes unnoticed.
  std::filesystem::rename(rig.CommonPak(), rig.dir / "aside.pak");
  std::filesystem::create_directory(rig.CommonPak());
  ASSERT_TRUE(ed().InstallTrick());
  std::filesystem::remove(rig.CommonPak());
  std::filesystem::rename(rig.dir / "aside.pak", rig.CommonPak());
  EXPECT_EQ(ReadBytes(rig.CommonPak()), common);
  EXPECT_EQ(EntryNames(rig.OwnPak()).size(), 4u);
  EXPECT_TRUE(rig.host.errors.empty());
}

TEST_F(Storage, ACommonPakThatCannotBeWrittenStopsTheInstallationAndLosesNothing) {
  SelectTrick(ed(), "superman");
  Edit(ed(), 10);
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  // The archive locked against writing (we run as any user, so a folder takes its place).
  std::filesystem::rename(rig.CommonPak(), rig.dir / "aside.pak");
  std::filesystem::create_directory(rig.CommonPak());
  EXPECT_FALSE(ed().InstallTrick());
  EXPECT_EQ(rig.host.errors,
            std::vector<std::string>{"Cannot open file " + rig.CommonPak().string() + ": Is a directory"});
  EXPECT_EQ(ed().Marks(), 1u);
  // What was written before stands.
  EXPECT_EQ(EntryNames(rig.OwnPak()).size(), 4u);
  // Closing with the question answered Yes tries again, fails again and keeps the window open.
  rig.host.errors.clear();
  rig.host.answers = {true};
  EXPECT_FALSE(ed().FormClose());
  EXPECT_EQ(rig.host.errors.size(), 1u);
  std::filesystem::remove(rig.CommonPak());
  std::filesystem::rename(rig.dir / "aside.pak", rig.CommonPak());
  EXPECT_EQ(ReadBytes(rig.CommonPak()), common);
  rig.host.answers = {true};
  EXPECT_TRUE(ed().FormClose());
  EXPECT_NE(ReadBytes(rig.CommonPak()), common);
}

TEST_F(Storage, AStockEntryOfAnotherSizeIsToldAndLeftAlone) {
  // An installed motion one byte longer than the game's (from another version of the game).
  {
    MemoryStream longer(Entry(DemoContentOnce(), "Data\\Rider\\Anim\\mx_nacnac.mot").bytes);
    longer.setPosition(longer.size());
    const std::uint8_t extra = 0;
    longer.write(&extra, 1);
    std::unique_ptr<TMvAFolder> own = TMvAFolder::CreateNew(rig.OwnPak());
    own->Put("Data\\Rider\\Anim\\mx_nacnac.mot", &longer);
    own->SaveAs(rig.OwnPak());
  }
  ASSERT_EQ(rig.Restart(), StartupResult::Running);
  SelectTrick(ed(), "nacnac");
  ASSERT_TRUE(ed().RiderMotion().IsValid());
  Edit(ed(), 10);
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  ASSERT_TRUE(ed().InstallTrick());
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{"Texture save error: Can't save the trick to the Common.Pak "
                                     "because it is the wrong size."});
  EXPECT_EQ(ReadBytes(rig.CommonPak()), common);
  EXPECT_EQ(EntryNames(rig.OwnPak()).size(), 2u);
  EXPECT_EQ(ed().Marks(), 0u);
}

TEST_F(Storage, AFailedArchiveSaveLeavesTheArchiveFileAsItWas) {
  SelectTrick(ed(), "nacnac");
  Edit(ed(), 10);
  ASSERT_TRUE(ed().InstallTrick());
  const std::vector<std::uint8_t> own = ReadBytes(rig.OwnPak());
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  // Failures before the new file takes the archive's name.
  for (ReplaceStep step : {ReplaceStep::TemporaryWritten, ReplaceStep::BackupRotated}) {
    SCOPED_TRACE(static_cast<int>(step));
    rig.Stop();
    rig.archiveSaveHook = [step](ReplaceStep s) {
      if (s == step) throw std::runtime_error("disk full");
    };
    ASSERT_EQ(rig.Start(), StartupResult::Running);
    SelectTrick(ed(), "superman");
    Edit(ed(), 20);
    rig.host.errors.clear();
    EXPECT_FALSE(ed().InstallTrick());
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{"Cannot create file " + rig.OwnPak().string() +
                                                        ": the save was interrupted"});
    EXPECT_EQ(ReadBytes(rig.OwnPak()), own);
    EXPECT_EQ(ReadBytes(rig.CommonPak()), common);  // stopped before the game's archive
    EXPECT_EQ(ed().Marks(), 1u);
  }
}

TEST_F(Storage, ATrickExportedToAPakInstallsIntoAnotherGame) {
  SelectTrick(ed(), "superman");
  Edit(ed(), 50);
  ASSERT_TRUE(ed().InstallTrick());
  const TPoseTable edited = BuildPose(ed().RiderMotion());
  const std::filesystem::path exported = rig.dir / "superman.pak";
  rig.host.savePaks = {exported.string()};
  rig.host.transferWindow = [](TrickTransfer& t) {
    EXPECT_EQ(t.SrcListBox().size(), 4u);
    for (std::size_t i = 0; i < t.SrcListBox().size(); ++i)
      t.SelectSource(static_cast<int>(i), true);
    t.ExportBtnClick();
    t.SaveBtnClick();
    return true;
  };
  ed().PakBtnClick();
  ASSERT_EQ(EntryNames(exported).size(), 4u);

  // A fresh installation of the game.
  EditorRig other;
  ASSERT_EQ(other.Start(), StartupResult::Running);
  SelectTrick(other.ed(), "superman");
  const std::vector<std::uint8_t> common = ReadBytes(other.CommonPak());
  other.host.openPaks = {exported.string()};
  other.host.transferWindow = [](TrickTransfer& t) {
    t.OpenPakBtnClick();
    for (std::size_t i = 0; i < t.DstListBox().size(); ++i)
      t.SelectDestination(static_cast<int>(i), true);
    t.ImportBtnClick();
    EXPECT_EQ(t.SrcListBox().size(), 4u);
    return true;
  };
  other.ed().PakBtnClick();
  EXPECT_TRUE(other.host.errors.empty());
  // The current trick shows the imported motion at once; the archive is on disk; the marks are gone.
  EXPECT_EQ(other.ed().RiderParts()[0].Frames, edited[0].Frames);
  EXPECT_EQ(EntryNames(other.OwnPak()).size(), 4u);
  TMvAFolder& own = *other.ed().OwnArchive();
  for (int i = 0; i < own.Count(); ++i)
    EXPECT_EQ(own.EntryFlags(i) & TrickTransfer::kImportMark, 0u);
  EXPECT_TRUE(ChangedOnlyInside(common, ReadBytes(other.CommonPak()),
                                {EntryRange(other.CommonPak(), "Data\\Rider\\Anim\\mx_superman.mot"),
                                 EntryRange(other.CommonPak(), "Data\\Veh\\Anim\\bike_superman.mot")}));
}

TEST_F(Storage, ACancelledImportGivesBackTheInstalledTrick) {
  SelectTrick(ed(), "nacnac");
  Edit(ed(), 30);
  ASSERT_TRUE(ed().InstallTrick());
  const std::vector<std::uint8_t> mine = ReadBytes(rig.OwnPak());
  // Someone else's nacnac, in a PAK.
  const std::filesystem::path theirs = rig.dir / "theirs.pak";
  {
    std::unique_ptr<TMvAFolder> pak = TMvAFolder::CreateNew(theirs);
    MemoryStream stock(Entry(DemoContentOnce(), "Data\\Rider\\Anim\\mx_nacnac.mot").bytes);
    pak->Put("Data\\Rider\\Anim\\mx_nacnac.mot", &stock);
    pak->SaveAs(theirs);
  }
  const Matrix before = ed().RiderParts()[0].Frames[0];
  rig.host.openPaks = {theirs.string()};
  rig.host.transferWindow = [](TrickTransfer& t) {
    t.OpenPakBtnClick();
    t.SelectDestination(0, true);
    t.ImportBtnClick();
    return false;  // Cancel
  };
  ed().PakBtnClick();
  MemoryStream installed;
  ASSERT_TRUE(ed().OwnArchive()->ReadByName("Data\\Rider\\Anim\\mx_nacnac.mot", installed));
  std::unique_ptr<TMvAFolder> onDisk = TMvAFolder::Open(rig.OwnPak());
  MemoryStream saved;
  ASSERT_TRUE(onDisk->ReadByName("Data\\Rider\\Anim\\mx_nacnac.mot", saved));
  EXPECT_EQ(installed.vector(), saved.vector());
  EXPECT_EQ(ReadBytes(rig.OwnPak()), mine);
  EXPECT_EQ(ed().RiderParts()[0].Frames[0], before);
  // The next save writes the archive with the installed trick, not theirs.
  ASSERT_TRUE(ed().InstallTrick());
  std::unique_ptr<TMvAFolder> after = TMvAFolder::Open(rig.OwnPak());
  MemoryStream again;
  ASSERT_TRUE(after->ReadByName("Data\\Rider\\Anim\\mx_nacnac.mot", again));
  EXPECT_EQ(again.vector(), saved.vector());
}

// A PAK of someone else's tricks: the demo game's stock motions of these entries, as if edited.
std::filesystem::path TheirPak(const std::filesystem::path& file, const std::vector<std::string>& entries) {
  std::unique_ptr<TMvAFolder> pak = TMvAFolder::CreateNew(file);
  for (const std::string& name : entries) {
    std::vector<std::uint8_t> bytes = Entry(DemoContentOnce(), name).bytes;
    bytes[bytes.size() / 2] ^= 0x5A;
    MemoryStream stream(std::move(bytes));
    pak->Put(name, &stream);
  }
  pak->SaveAs(file);
  return file;
}

bool ImportEverything(TrickTransfer& t) {
  t.OpenPakBtnClick();
  for (std::size_t i = 0; i < t.DstListBox().size(); ++i)
    t.SelectDestination(static_cast<int>(i), true);
  t.ImportBtnClick();
  return true;
}

std::vector<std::uint8_t> EntryBytes(const std::filesystem::path& pak, const std::string& name) {
  std::unique_ptr<TMvAFolder> archive = TMvAFolder::Open(pak);
  MemoryStream bytes;
  EXPECT_TRUE(archive->ReadByName(name, bytes)) << name;
  return bytes.release();
}

std::vector<std::uint8_t> CommonEntryBytes(const std::filesystem::path& pak, const std::string& name) {
  const Range r = EntryRange(pak, name);
  const std::vector<std::uint8_t> all = ReadBytes(pak);
  return {all.begin() + static_cast<std::ptrdiff_t>(r.offset),
          all.begin() + static_cast<std::ptrdiff_t>(r.offset + r.size)};
}

// Imports are installed into common.pak by name: the save that comes first sorts the own archive,
// and entries installed before must not be taken for the imported ones.
TEST_F(Storage, ImportsAreWrittenIntoCommonPakByNameAfterTheSaveSortsTheArchive) {
  ed().CommonPakClick();
  SelectTrick(ed(), "nacnac");
  Edit(ed(), 30);
  ASSERT_TRUE(ed().InstallTrick());  // nacnac in the own archive, common.pak untouched
  ed().CommonPakClick();
  const std::vector<std::uint8_t> common = ReadBytes(rig.CommonPak());
  const auto theirs = TheirPak(rig.dir / "theirs.pak",
                               {"Data\\Rider\\Anim\\mx_superman.mot", "Data\\Veh\\Anim\\bike_superman.mot"});
  rig.host.openPaks = {theirs.string()};
  rig.host.transferWindow = ImportEverything;
  ed().PakBtnClick();
  EXPECT_TRUE(rig.host.errors.empty());
  EXPECT_TRUE(rig.host.Take().empty()) << "no wrong-size message";
  // Exactly the imported motions changed, with exactly their bytes.
  EXPECT_TRUE(ChangedOnlyInside(common, ReadBytes(rig.CommonPak()),
                                {EntryRange(rig.CommonPak(), "Data\\Rider\\Anim\\mx_superman.mot"),
                                 EntryRange(rig.CommonPak(), "Data\\Veh\\Anim\\bike_superman.mot")}));
  for (const char* name : {"Data\\Rider\\Anim\\mx_superman.mot", "Data\\Veh\\Anim\\bike_superman.mot"})
    EXPECT_EQ(CommonEntryBytes(rig.CommonPak(), name), EntryBytes(theirs, name)) << name;
}

// "Save this trick" twice, then "Revert to stock": the stock bytes were kept the first time, and
// common.pak comes back byte for byte; the trick leaves the own archive and shows its stock motion.
TEST_F(Storage, RevertToStockGivesCommonPakBackByteForByte) {
  const std::vector<std::uint8_t> original = ReadBytes(rig.CommonPak());
  SelectTrick(ed(), "superman");
  const TPoseTable stock = ed().RiderParts();
  for (int dx : {30, 40}) {
    Edit(ed(), dx);
    ASSERT_TRUE(ed().InstallTrick());
  }
  ASSERT_NE(ReadBytes(rig.CommonPak()), original);
  EXPECT_EQ(
      EntryNames(rig.game / "data" / "$dravo-stock.pak"),
      (std::vector<std::string>{"Data\\Rider\\Anim\\mx_superman.mot", "Data\\Veh\\Anim\\bike_superman.mot"}));

  // Cancelled, or answered No: nothing changes.
  const std::vector<std::uint8_t> installed = ReadBytes(rig.OwnPak());
  const std::vector<std::uint8_t> written = ReadBytes(rig.CommonPak());
  for (const bool answer : {true, false}) {
    rig.host.answers = {answer};
    rig.host.transferWindow = [answer](TrickTransfer& t) {
      t.SelectSource(0, true);
      EXPECT_TRUE(t.RevertBtnEnabled());
      t.RevertBtnClick();
      EXPECT_EQ(t.SrcListBox().empty(), answer);
      return !answer;  // a Yes then Cancel, a No then Save
    };
    ed().PakBtnClick();
    EXPECT_EQ(ReadBytes(rig.OwnPak()), installed);
    EXPECT_EQ(ReadBytes(rig.CommonPak()), written);
    EXPECT_EQ(ed().OwnArchive()->Count(), 4);
  }

  rig.host.Take();
  rig.host.answers = {true};
  rig.host.transferWindow = [](TrickTransfer& t) {
    t.SelectSource(1, true);
    t.RevertBtnClick();
    return true;
  };
  ed().PakBtnClick();
  EXPECT_EQ(rig.host.Take(),
            std::vector<std::string>{
                "Revert to stock: Do you want to revert the mx trick \"superman\" to stock? Its motions "
                "are taken out of your $dravo.pak and the game's own motions are put back into the "
                "Common.pak when you press Save."});
  EXPECT_TRUE(rig.host.errors.empty());
  EXPECT_EQ(ReadBytes(rig.CommonPak()), original);
  EXPECT_TRUE(EntryNames(rig.OwnPak()).empty());
  EXPECT_EQ(ed().RiderParts()[0].Frames, stock[0].Frames);
  EXPECT_EQ(ed().Marks(), 0u);
}

// Two editors open on one game: each one's save keeps the trick the other stored.
TEST_F(Storage, TwoEditorsOnOneGameKeepEachOthersTricks) {
  EditorRig other;
  other.game = rig.game;
  ASSERT_EQ(other.Start(), StartupResult::Running);
  SelectTrick(ed(), "superman");
  SelectTrick(other.ed(), "nacnac");
  Edit(ed(), 20);
  Edit(other.ed(), 30);
  ASSERT_TRUE(ed().InstallTrick());
  ASSERT_TRUE(other.ed().InstallTrick());
  Edit(ed(), 10);
  ASSERT_TRUE(ed().InstallTrick());
  EXPECT_EQ(EntryNames(rig.OwnPak()),
            (std::vector<std::string>{
                "Data\\Rider\\Anim\\mx_nacnac.mot", "Data\\Rider\\Anim\\mx_superman.mot",
                "Data\\Rider\\Anim\\UI_MX_nacnac.mot", "Data\\Rider\\Anim\\UI_MX_superman.mot",
                "Data\\Veh\\Anim\\bike_superman.mot", "Data\\Veh\\Anim\\UI_MX_Bike_superman.mot"}));
  EXPECT_EQ(EntryBytes(rig.OwnPak(), "Data\\Rider\\Anim\\mx_nacnac.mot"), other.ed().RiderMotion().vector());
  EXPECT_EQ(EntryBytes(rig.OwnPak(), "Data\\Rider\\Anim\\mx_superman.mot"), ed().RiderMotion().vector());
}

TEST_F(Storage, TheTitleShowsTheTrickAndUnsavedWorkAndTheStatusBarSaysWhatWasSaved) {
  SelectTrick(ed(), "superman");
  EXPECT_EQ(ed().WindowTitle(), "superman \u2014 Dravo Kit");
  Edit(ed(), 30);
  EXPECT_EQ(ed().WindowTitle(), "superman* \u2014 Dravo Kit");
  rig.host.answers = {true};
  ed().SaveTrickBtnClick();
  rig.host.Take();
  EXPECT_EQ(ed().WindowTitle(), "superman \u2014 Dravo Kit");
  EXPECT_EQ(ed().StatusText(), "Saved superman into $dravo.pak and common.pak");
  ed().SetCommonPak(false);
  ed().InstallTrick();
  EXPECT_EQ(ed().StatusText(), "Saved superman into $dravo.pak");
}

}  // namespace
}  // namespace dravo::test
