// The transfer window's rules on small archives: what it lists, how entries go out to an export PAK
// and come in from one, and what a cancel takes back.
#include <gtest/gtest.h>

#include "editor/trick_transfer.h"
#include "editor_rig.h"
#include "support/file_helpers.h"

namespace dravo::test {
namespace {

void Put(TMvAFolder& archive, const std::string& name, const std::string& bytes) {
  MemoryStream s(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  ASSERT_TRUE(archive.Put(name, &s));
}

std::string Bytes(TMvAFolder& archive, const std::string& name) {
  MemoryStream s;
  if (!archive.ReadByName(name, s)) return "(none)";
  return s.text();
}

std::vector<std::string> Texts(const std::vector<TransferItem>& items) {
  std::vector<std::string> out;
  for (const TransferItem& i : items)
    out.push_back(i.Text);
  return out;
}

struct TransferRig {
  TempDir dir;
  ScriptedHost host;
  TrickTransfer transfer{host};
  std::unique_ptr<TMvAFolder> own = TMvAFolder::CreateNew(dir / "own.pak");
};

TEST(Transfer, ListsMotionsThenTexturesOfTheRiderAndMachineFolders) {
  TransferRig rig;
  Put(*rig.own, "Data\\Veh\\Tex\\kx250_body.dxt", "t1");
  Put(*rig.own, "Data\\Rider\\Anim\\mx_nacnac.mot", "m1");
  Put(*rig.own, "Data\\Scripts\\motions.ini", "x");
  Put(*rig.own, "Data\\Veh\\Anim\\bike_superman.mot", "m2");
  Put(*rig.own, "Data\\Rider\\Models\\skin.tex.dat", "t2");
  Put(*rig.own, "Other\\Anim\\mx_other.mot", "x");
  std::vector<TransferItem> list;
  TrickTransfer::ListTransferable(list, *rig.own);
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"mx_nacnac", "bike_superman", "skin.tex", "kx250_body"}));
  // The machine's icon for its motions and its textures, whatever their names.
  EXPECT_EQ(list[0].Icon(), 0);
  EXPECT_EQ(list[1].Icon(), 1);
  EXPECT_EQ(list[2].Icon(), 0);
  EXPECT_EQ(list[3].Icon(), 1);
  EXPECT_EQ(list[0].Entry, rig.own->IndexOf("Data\\Rider\\Anim\\mx_nacnac.mot"));
}

TEST(Transfer, PendingExportIsSavedToTheChosenFileWithExactlyThoseEntries) {
  TransferRig rig;
  Put(*rig.own, "Data\\Rider\\Anim\\mx_a.mot", "AAAA");
  Put(*rig.own, "Data\\Rider\\Anim\\mx_b.mot", "BB");
  Put(*rig.own, "Data\\Veh\\Anim\\bike_a.mot", "CCC");
  rig.host.savePaks = {(rig.dir / "out").string()};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    EXPECT_TRUE(t.ExportBtnEnabled());
    EXPECT_FALSE(t.ImportBtnEnabled());
    t.SelectSource(0, true);
    t.SelectSource(2, true);
    t.ExportBtnClick();
    EXPECT_EQ(Texts(t.DstListBox()), (std::vector<std::string>{"mx_a", "bike_a"}));
    EXPECT_TRUE(t.SaveBtnEnabled());
    t.SaveBtnClick();  // asks for "out" and writes "out.pak"
    return true;
  };
  EXPECT_TRUE(rig.transfer.Execute(*rig.own));
  std::unique_ptr<TMvAFolder> out = TMvAFolder::Open(rig.dir / "out.pak");
  EXPECT_EQ(out->Count(), 2);
  EXPECT_EQ(Bytes(*out, "Data\\Rider\\Anim\\mx_a.mot"), "AAAA");
  EXPECT_EQ(Bytes(*out, "Data\\Veh\\Anim\\bike_a.mot"), "CCC");
  EXPECT_TRUE(rig.host.Take().empty());
}

TEST(Transfer, ImportCopiesTheSelectedListedEntryNotTheArchivesNth) {
  TransferRig rig;
  {
    std::unique_ptr<TMvAFolder> other = TMvAFolder::CreateNew(rig.dir / "other.pak");
    Put(*other, "Data\\Scripts\\a.ini", "x");
    Put(*other, "Data\\Scripts\\b.ini", "y");
    Put(*other, "Data\\Rider\\Anim\\mx_one.mot", "ONE");
    Put(*other, "Data\\Rider\\Anim\\mx_two.mot", "TWO");
    other->SaveAs(rig.dir / "other.pak");
  }
  Put(*rig.own, "Data\\Rider\\Anim\\mx_keep.mot", "KEEP");
  rig.host.openPaks = {(rig.dir / "other.pak").string()};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    t.ImportBtnClick();  // nothing open yet
    t.OpenPakBtnClick();
    EXPECT_TRUE(t.ImportBtnEnabled());
    EXPECT_EQ(Texts(t.DstListBox()), (std::vector<std::string>{"mx_one", "mx_two"}));
    t.SelectDestination(1, true);
    t.ImportBtnClick();
    EXPECT_EQ(Texts(t.SrcListBox()), (std::vector<std::string>{"mx_keep", "mx_two"}));
    return true;
  };
  EXPECT_TRUE(rig.transfer.Execute(*rig.own));
  EXPECT_EQ(
      rig.host.Take(),
      std::vector<std::string>{"File copy error: You need to open a PAK file to copy from before you try to "
                               "copy files to your $dravo.pak"});
  EXPECT_EQ(Bytes(*rig.own, "Data\\Rider\\Anim\\mx_two.mot"), "TWO");
  EXPECT_EQ(Bytes(*rig.own, "Data\\Rider\\Anim\\mx_one.mot"), "(none)");
  EXPECT_TRUE(rig.own->EntryFlags(rig.own->IndexOf("Data\\Rider\\Anim\\mx_two.mot")) &
              TrickTransfer::kImportMark);
}

TEST(Transfer, APakThatCannotBeOpenedEmptiesTheListItReplaced) {
  TransferRig rig;
  {
    std::unique_ptr<TMvAFolder> other = TMvAFolder::CreateNew(rig.dir / "other.pak");
    Put(*other, "Data\\Rider\\Anim\\mx_one.mot", "ONE");
    other->SaveAs(rig.dir / "other.pak");
  }
  WriteText(rig.dir / "broken.pak", "not a pak at all");
  rig.host.openPaks = {(rig.dir / "other.pak").string(), (rig.dir / "broken.pak").string()};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    t.OpenPakBtnClick();
    EXPECT_EQ(Texts(t.DstListBox()), (std::vector<std::string>{"mx_one"}));
    t.OpenPakBtnClick();
    EXPECT_TRUE(t.DstListBox().empty());
    EXPECT_FALSE(t.ImportBtnEnabled());
    return false;
  };
  rig.transfer.Execute(*rig.own);
  ASSERT_EQ(rig.host.errors.size(), 1u) << "the failure is reported";
  EXPECT_NE(rig.host.errors[0].find("broken.pak"), std::string::npos) << rig.host.errors[0];
}

TEST(Transfer, ACancelTakesImportsBackAndRestoresTheEntriesTheyReplaced) {
  TransferRig rig;
  {
    std::unique_ptr<TMvAFolder> other = TMvAFolder::CreateNew(rig.dir / "other.pak");
    Put(*other, "Data\\Rider\\Anim\\mx_same.mot", "THEIRS");
    Put(*other, "Data\\Rider\\Anim\\mx_new.mot", "NEW");
    other->SaveAs(rig.dir / "other.pak");
  }
  Put(*rig.own, "Data\\Rider\\Anim\\mx_same.mot", "MINE");
  rig.host.openPaks = {(rig.dir / "other.pak").string()};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    t.OpenPakBtnClick();
    t.SelectDestination(0, true);
    t.SelectDestination(1, true);
    t.ImportBtnClick();
    t.ImportBtnClick();  // twice: the installed entry is still the one to give back
    EXPECT_EQ(Bytes(*rig.own, "Data\\Rider\\Anim\\mx_same.mot"), "THEIRS");
    return false;
  };
  EXPECT_FALSE(rig.transfer.Execute(*rig.own));
  EXPECT_EQ(Bytes(*rig.own, "Data\\Rider\\Anim\\mx_same.mot"), "MINE");
  EXPECT_EQ(Bytes(*rig.own, "Data\\Rider\\Anim\\mx_new.mot"), "(none)");
  EXPECT_EQ(rig.own->Count(), 1);
  EXPECT_EQ(rig.own->EntryFlags(0) & TrickTransfer::kImportMark, 0u);
}

TEST(Transfer, AnExportThatCannotBeWrittenIsReportedAndOfferedAgain) {
  TransferRig rig;
  Put(*rig.own, "Data\\Rider\\Anim\\mx_a.mot", "AAAA");
  const std::filesystem::path nowhere = rig.dir / "missing-folder" / "out.pak";
  rig.host.savePaks = {nowhere.string(), std::nullopt};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    t.SelectSource(0, true);
    t.ExportBtnClick();
    t.SaveBtnClick();
    EXPECT_EQ(rig.host.errors, std::vector<std::string>{"Cannot create file " + nowhere.string() +
                                                        ": No such file or directory"});
    EXPECT_TRUE(t.ExportModified());
    return true;
  };
  // Closing asks to save the export PAK that is not on disk; the user says no.
  rig.host.answers = {false};
  EXPECT_TRUE(rig.transfer.Execute(*rig.own));
  EXPECT_EQ(
      rig.host.Take(),
      std::vector<std::string>{"Cancel warning: Do you want to save the Export PAK file before you Cancel?"});
  EXPECT_FALSE(std::filesystem::exists(nowhere));
}

TEST(Transfer, UnsavedPendingFilesAreOfferedOnClose) {
  TransferRig rig;
  Put(*rig.own, "Data\\Rider\\Anim\\mx_a.mot", "AAAA");
  rig.host.savePaks = {(rig.dir / "late.pak").string()};
  rig.host.transferWindow = [&](TrickTransfer& t) {
    t.SelectSource(0, true);
    t.ExportBtnClick();
    return false;
  };
  rig.host.answers = {true};
  EXPECT_FALSE(rig.transfer.Execute(*rig.own));
  EXPECT_EQ(rig.host.Take(), std::vector<std::string>{"Unsaved files: Do you want to save the files you have "
                                                      "transferred to an Export PAK file?"});
  EXPECT_EQ(Bytes(*TMvAFolder::Open(rig.dir / "late.pak"), "Data\\Rider\\Anim\\mx_a.mot"), "AAAA");
}

}  // namespace
}  // namespace dravo::test
