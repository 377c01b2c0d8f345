#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "core/byte_io.h"
#include "support/child_process.h"
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
  for (ReplaceStep failAt : {ReplaceStep::TemporaryWritten, ReplaceStep::TemporaryFlushed,
                             ReplaceStep::BackupLinking, ReplaceStep::BackupRotated}) {
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
      EXPECT_EQ(std::string(e.what()),
                "Cannot create file " + (dir / "own.pak").string() + ": the save was interrupted");
    }
    EXPECT_EQ(Content(dir / "own.pak"), previous) << static_cast<int>(failAt);
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
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + bad.string() + ": No such file or directory");
  }
  EXPECT_EQ(folder->Count(), 1);
  EXPECT_EQ(folder->FileName(), bad);
}

namespace {

// Two archives of different shapes saved to one name: a mixture of them fails to open or to compare.
struct OldAndNew {
  TempDir dir;
  fs::path target = dir / "own.pak";
  Content_t oldContent, newContent;

  static std::unique_ptr<TMvAFolder> Make(const fs::path& scratch, char fill, int entries, std::size_t size) {
    auto folder = TMvAFolder::CreateNew(scratch);
    for (int i = 0; i < entries; ++i) {
      PutText(*folder, "Data\\entry" + std::to_string(i) + ".mot",
              std::string(size, static_cast<char>(fill + i % 7)));
    }
    return folder;
  }
  // Fresh archives each time, saved to the target as new files are.
  std::unique_ptr<TMvAFolder> makeOld() const { return Make(dir / "scratch.pak", 'a', 24, 9000); }
  std::unique_ptr<TMvAFolder> makeNew() const { return Make(dir / "scratch.pak", 'K', 40, 6000); }

  OldAndNew() {
    makeNew()->SaveAs(dir / "reference.pak");
    newContent = Content(dir / "reference.pak");
    reset();
  }
  // The target holds the old archive; nothing else is in the folder.
  void reset() {
    for (const auto& entry : fs::directory_iterator(dir.path()))
      fs::remove(entry.path());
    makeOld()->SaveAs(target);
    oldContent = Content(target);
  }
  Content_t now() const { return Content(target); }
};

}  // namespace

// A saving process killed at each step of the replacement leaves the old archive until the
// rename and the new one from then on; never a mixture, never nothing.
TEST(SaveAs, AWriterKilledAtEachStepLeavesTheOldOrTheNewArchive) {
  OldAndNew archives;
  for (ReplaceStep step : {ReplaceStep::TemporaryWritten, ReplaceStep::TemporaryFlushed,
                           ReplaceStep::BackupLinking, ReplaceStep::BackupRotated, ReplaceStep::Renamed}) {
    SCOPED_TRACE(static_cast<int>(step));
    archives.reset();
    const auto newFolder = archives.makeNew();
    const int code = RunInChild([&] {
      newFolder->SaveAs(archives.target, [&](ReplaceStep at) {
        if (at == step) raise(SIGKILL);
      });
      return 0;
    });
    ASSERT_EQ(code, 128 + SIGKILL);
    Content_t now;
    ASSERT_NO_THROW(now = archives.now());
    EXPECT_EQ(now == archives.newContent, step == ReplaceStep::Renamed);
    EXPECT_EQ(now == archives.oldContent, step != ReplaceStep::Renamed);
    // The killed writer's temporary never carries the archive's name, and the next save clears it.
    archives.makeNew()->SaveAs(archives.target);
    EXPECT_TRUE(archives.now() == archives.newContent);
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(archives.dir.path()))
      left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"own.bak", "own.pak"}));
  }
}

// Kills at random moments, for breadth: whatever the timing, the archive is the old or the new one.
TEST(SaveAs, AWriterKilledAtRandomLeavesTheOldOrTheNewArchive) {
  OldAndNew archives;
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 6000);
  for (int round = 0; round < 60; ++round) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      try {
        for (int i = 0;; ++i)
          (i % 2 ? archives.makeOld() : archives.makeNew())->SaveAs(archives.target);
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
    ASSERT_NO_THROW(now = archives.now()) << "round " << round;
    ASSERT_TRUE(now == archives.oldContent || now == archives.newContent) << "round " << round;
    archives.reset();
  }
}

// Two programs saving one archive: each keeps the other's entries. The second writer reads what
// the first wrote and puts only its own changes over it.
TEST(SaveAs, ASecondWriterKeepsTheFirstWritersEntries) {
  TempDir dir;
  const fs::path file = dir / "own.pak";
  WriteBytes(file, PakBytes().add("both", "base").add("gone", "g").add("kept", "k").bytes());
  auto mine = TMvAFolder::Open(file);
  // Another program adds, replaces and removes entries meanwhile.
  ASSERT_EQ(RunInChild([&] {
              auto theirs = TMvAFolder::Open(file);
              PutText(*theirs, "theirs", "t");
              PutText(*theirs, "kept", "k2");
              theirs->Delete(theirs->IndexOf("gone"));
              theirs->SaveAs(file);
              return 0;
            }),
            0);
  PutText(*mine, "mine", "m");
  PutText(*mine, "BOTH", "mine wins");
  mine->SaveAs(file);
  EXPECT_EQ(Content(file),
            (Content_t{{"BOTH", "mine wins"}, {"kept", "k2"}, {"mine", "m"}, {"theirs", "t"}}));
  // The backup is the other program's archive, the one this save replaced.
  EXPECT_EQ(Content(dir / "own.bak"), (Content_t{{"both", "base"}, {"kept", "k2"}, {"theirs", "t"}}));

  // An archive made new for a file that another program then created keeps that program's entries.
  auto fresh = TMvAFolder::CreateNew(dir / "new.pak");
  ASSERT_EQ(RunInChild([&] {
              auto other = TMvAFolder::CreateNew(dir / "new.pak");
              PutText(*other, "other", "o");
              other->SaveAs(dir / "new.pak");
              return 0;
            }),
            0);
  PutText(*fresh, "fresh", "f");
  fresh->SaveAs(dir / "new.pak");
  EXPECT_EQ(Content(dir / "new.pak"), (Content_t{{"fresh", "f"}, {"other", "o"}}));
}

// Many processes adding one entry each to one archive at the same moment: none is lost.
TEST(SaveAs, ConcurrentWritersLoseNoEntry) {
  TempDir dir;
  const fs::path file = dir / "own.pak";
  WriteBytes(file, PakBytes().add("start", "s").bytes());
  std::vector<pid_t> children;
  for (int i = 0; i < 6; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      try {
        auto folder = TMvAFolder::Open(file);
        PutText(*folder, "writer" + std::to_string(i), std::string(1000 * (i + 1), 'w'));
        folder->SaveAs(file);
        _exit(0);
      } catch (...) {
        _exit(1);
      }
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  const Content_t content = Content(file);
  ASSERT_EQ(content.size(), 7u);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(content[static_cast<std::size_t>(i) + 1].second.size(), 1000u * (i + 1));
}

TEST(SaveAs, AWriterThatCannotWaitLongerChangesNothing) {
  TempDir dir;
  const fs::path file = dir / "own.pak";
  WriteBytes(file, PakBytes().add("a", "1").bytes());
  const auto before = ReadBytes(file);
  HoldingChild holder([&] { new FileWriteLock(file); });
  ASSERT_TRUE(holder.held());
  auto folder = TMvAFolder::Open(file);
  PutText(*folder, "b", "2");
  setenv("DRAVO_LOCK_WAIT_MS", "100", 1);
  try {
    folder->SaveAs(file);
    ADD_FAILURE() << "saved";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Cannot create file " + file.string() + ": it is being written by another program");
  }
  unsetenv("DRAVO_LOCK_WAIT_MS");
  EXPECT_EQ(ReadBytes(file), before);
  EXPECT_FALSE(fs::exists(dir / "own.bak"));
  holder.letGo();
  folder->SaveAs(file);
  EXPECT_EQ(Content(file), (Content_t{{"a", "1"}, {"b", "2"}}));
}
