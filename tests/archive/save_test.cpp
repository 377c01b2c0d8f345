#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

#include "archive/mva_folder.h"
#include "archive/pak_format.h"
#include "core/byte_io.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

void PutText(TVirtualFolder& folder, const std::string& name, const std::string& text) {
  MemoryStream source;
  source.write(text);
  ASSERT_TRUE(folder.Put(name, &source));
}

// The archive's content as name -> bytes, in directory order.
std::vector<std::pair<std::string, std::string>> Content(const fs::path& path) {
  auto folder = TMvAFolder::Open(path);
  std::vector<std::pair<std::string, std::string>> content;
  for (int i = 0; i < folder->Count(); ++i)
    content.emplace_back(folder->EntryName(i), folder->ReadEntry(i)->text());
  return content;
}

using Content_t = std::vector<std::pair<std::string, std::string>>;

struct InjectedFailure {};

}  // namespace

TEST(SaveAs, WritesASortedDirectoryWithContiguousOffsetsAndKeepsTheBackup) {
  TempDir dir;
  PakBytes pak;
  pak.add("zeta", "ZZ").add("Alpha", "a").add("beta", "bbb");
  const auto before = pak.bytes();
  WriteBytes(dir / "own.pak", before);
  auto folder = TMvAFolder::Open(dir / "own.pak");
  PutText(*folder, "ALPHA2", "22");
  folder->SetEntryFlags(0, 0x803);
  folder->SaveAs(folder->FileName());

  EXPECT_EQ(ReadBytes(dir / "own.bak"), before);
  EXPECT_FALSE(folder->HasOpenFile());
  for (int i = 0; i < folder->Count(); ++i)
    EXPECT_EQ(folder->EntryFlags(i), 2u);

  const auto bytes = ReadBytes(dir / "own.pak");
  const PakDirectory written = ParsePakDirectory(bytes, bytes.size(), "own.pak");
  std::vector<std::string> names;
  std::uint32_t expected = static_cast<std::uint32_t>(written.dataStart);
  for (const PakRecord& r : written.records) {
    names.push_back(r.name);
    EXPECT_EQ(r.offset, expected);
    expected += r.size;
  }
  EXPECT_EQ(expected, bytes.size());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "ALPHA2", "beta", "zeta"}));
  EXPECT_EQ(Content(dir / "own.pak"),
            (Content_t{{"Alpha", "a"}, {"ALPHA2", "22"}, {"beta", "bbb"}, {"zeta", "ZZ"}}));
}

// After folding, "_" (0x5F) sorts before the lower-case letters and bytes above 0x7F last.
TEST(SaveAs, SortsFoldedNamesAsUnsignedBytes) {
  TempDir dir;
  auto folder = TMvAFolder::CreateNew(dir / "s.pak");
  for (const char* name : {"b", "\xE9t\xE9", "B_", "a", "_x", "ab"})
    PutText(*folder, name, "");
  folder->SaveAs(dir / "s.pak");
  std::vector<std::string> names;
  for (int i = 0; i < folder->Count(); ++i)
    names.push_back(folder->EntryName(i));
  EXPECT_EQ(names, (std::vector<std::string>{"_x", "a", "ab", "b", "B_", "\xE9t\xE9"}));
}

TEST(SaveAs, AnExistingBackupIsReplacedAndASecondSaveRotatesAgain) {
  TempDir dir;
  WriteText(dir / "own.bak", "stale backup");
  auto folder = TMvAFolder::CreateNew(dir / "own.pak");
  PutText(*folder, "a", "1");
  folder->SaveAs(dir / "own.pak");
  // With no previous archive there is nothing to rotate: the old backup stays.
  EXPECT_EQ(ReadBytes(dir / "own.bak"), Bytes("stale backup"));
  const auto first = ReadBytes(dir / "own.pak");
  PutText(*folder, "a", "2");
  folder->SaveAs(dir / "own.pak");
  EXPECT_EQ(ReadBytes(dir / "own.bak"), first);
  EXPECT_EQ(Content(dir / "own.pak"), (Content_t{{"a", "2"}}));
  // Nothing else is left in the folder: no temporary files.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 2);
}

TEST(SaveAs, BackupNamesFollowTheExtension) {
  EXPECT_EQ(TVirtualFolder::BackupNameFor("/g/data/$dravo.pak"), fs::path("/g/data/$dravo.bak"));
  EXPECT_EQ(TVirtualFolder::BackupNameFor("/g/noext"), fs::path("/g/noext.bak"));
  EXPECT_EQ(TVirtualFolder::BackupNameFor("/g.d/a.b.pak"), fs::path("/g.d/a.b.bak"));
}

TEST(SaveAs, SavingOverABakFileKeepsTheFile) {
  TempDir dir;
  WriteBytes(dir / "x.bak", PakBytes().add("old", "o").bytes());
  auto folder = TMvAFolder::Open(dir / "x.bak");
  PutText(*folder, "new", "n");
  folder->SaveAs(dir / "x.bak");
  EXPECT_EQ(Content(dir / "x.bak"), (Content_t{{"new", "n"}, {"old", "o"}}));
}

TEST(SaveAs, AFailureAtAnyStepLeavesThePreviousArchiveReadable) {
  for (ReplaceStep failAt :
       {ReplaceStep::TemporaryWritten, ReplaceStep::BackupRotated, ReplaceStep::Renamed}) {
    TempDir dir;
    const Content_t previous{{"a", "old"}};
    WriteBytes(dir / "own.pak", PakBytes().add("a", "old").bytes());
    auto folder = TMvAFolder::Open(dir / "own.pak");
    PutText(*folder, "a", "new content");
    try {
      folder->SaveAs(dir / "own.pak", [&](ReplaceStep step) {
        if (step == failAt) throw InjectedFailure{};
      });
      ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot create file " + (dir / "own.pak").string());
    }
    const bool fileHoldsPrevious = Content(dir / "own.pak") == previous;
    const bool backupHoldsPrevious = fs::exists(dir / "own.bak") && Content(dir / "own.bak") == previous;
    EXPECT_TRUE(fileHoldsPrevious || backupHoldsPrevious) << static_cast<int>(failAt);
    if (failAt != ReplaceStep::Renamed) {
      EXPECT_TRUE(fileHoldsPrevious);
    }
    // The archive is still whole in memory and can be saved again.
    folder->SaveAs(dir / "own.pak");
    EXPECT_EQ(Content(dir / "own.pak"), (Content_t{{"a", "new content"}}));
  }
}

TEST(SaveAs, AnUncreatableFileThrowsAndKeepsTheEntries) {
  TempDir dir;
  auto folder = TMvAFolder::CreateNew(dir / "own.pak");
  PutText(*folder, "a", "1");
  const fs::path bad = dir / "missing-folder" / "x.pak";
  try {
    folder->SaveAs(bad);
    ADD_FAILURE();
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + bad.string());
  }
  EXPECT_EQ(folder->Count(), 1);
  EXPECT_EQ(folder->FileName(), bad);
}

// A saving process killed at any moment leaves a complete archive: the old one or the
// new one, never a mixture.
TEST(SaveAs, AKilledSaveLeavesTheOldOrTheNewArchive) {
  TempDir dir;
  const fs::path target = dir / "own.pak";
  // Two contents of different shapes: a mixture of them fails to open or to compare.
  auto makeFolder = [&](char fill, int entries, std::size_t size) {
    auto folder = TMvAFolder::CreateNew(target);
    for (int i = 0; i < entries; ++i) {
      PutText(*folder, "Data\\entry" + std::to_string(i) + ".mot",
              std::string(size, static_cast<char>(fill + i % 7)));
    }
    return folder;
  };
  auto oldFolder = makeFolder('a', 24, 9000);
  auto newFolder = makeFolder('K', 40, 6000);
  oldFolder->SaveAs(target);
  const Content_t oldContent = Content(target);
  newFolder->SaveAs(dir / "reference.pak");
  const Content_t newContent = Content(dir / "reference.pak");
  fs::remove(dir / "reference.pak");

  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 6000);
  int sawOld = 0, sawNew = 0;
  for (int round = 0; round < 200; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (int i = 0;; ++i)
          (i % 2 ? oldFolder : newFolder)->SaveAs(target);
      } catch (...) {
        _exit(3);
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the saving process failed";

    Content_t now;
    ASSERT_NO_THROW(now = Content(target)) << "round " << round;
    ASSERT_TRUE(now == oldContent || now == newContent) << "round " << round;
    (now == oldContent ? sawOld : sawNew)++;
    // A killed writer leaves its temporary behind; it never carries the archive's name.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      if (name != "own.pak" && name != "own.bak") fs::remove(entry.path());
    }
  }
  // Kills land both before and after a save completes.
  EXPECT_GT(sawOld, 0);
  EXPECT_GT(sawNew, 0);
  std::printf("killed 200 saves: %d left the old archive, %d the new one\n", sawOld, sawNew);
}
