#include "core/file_io.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/file_error.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;

namespace {
struct InjectedFailure {};
}  // namespace

TEST(AtomicFile, ReplacesTargetAndKeepsBackup) {
  TempDir dir;
  WriteText(dir / "a.pak", "old");
  WriteText(dir / "a.bak", "older");
  WriteFileAtomic(dir / "a.pak", Bytes("new"), dir / "a.bak");
  EXPECT_EQ(ReadBytes(dir / "a.pak"), Bytes("new"));
  EXPECT_EQ(ReadBytes(dir / "a.bak"), Bytes("old"));
  // Only the two files remain: no temporary is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(AtomicFile, AFailureAtAnyStepLeavesACompleteFile) {
  for (ReplaceStep failAt : {ReplaceStep::TemporaryWritten, ReplaceStep::BackupRotated}) {
    TempDir dir;
    WriteText(dir / "a.pak", "old");
    AtomicFileWriter writer(dir / "a.pak", dir / "a.bak");
    writer.write(Bytes("new"));
    EXPECT_THROW(writer.commit([&](ReplaceStep s) {
      if (s == failAt) throw InjectedFailure{};
    }),
                 FileError);
    EXPECT_EQ(ReadBytes(dir / "a.pak"), Bytes("old"));
    const auto count = std::distance(std::filesystem::directory_iterator(dir.path()), {});
    EXPECT_LE(count, 2);  // the target and at most its backup
  }
}

TEST(AtomicFile, ASaveRemovesTemporariesOfDeadWritersOnly) {
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  waitpid(dead, nullptr, 0);
  const std::string deadName = ".a.pak.tmp" + std::to_string(dead) + ".0";
  const std::string liveName = ".a.pak.tmp" + std::to_string(getppid()) + ".3";
  TempDir dir;
  for (const std::string& name : {deadName, liveName, std::string(".a.pak.tmp.0"), std::string(".a.pak.tmpx.1"),
                                 ".b.pak.tmp" + std::to_string(dead) + ".0"})
    WriteText(dir / name, "partial");
  WriteFileAtomic(dir / "a.pak", Bytes("new"));
  EXPECT_FALSE(std::filesystem::exists(dir / deadName));
  EXPECT_TRUE(std::filesystem::exists(dir / liveName));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
}

TEST(AtomicFile, UnwritableFolderThrowsCannotCreate) {
  try {
    WriteFileAtomic("/nonexistent-folder/x.pak", Bytes("x"));
    FAIL();
  } catch (const FileError& e) {
    EXPECT_STREQ(e.what(), "Cannot create file /nonexistent-folder/x.pak");
  }
}

TEST(AtomicFile, ReadingAMissingFileThrowsCannotOpen) {
  EXPECT_THROW(ReadWholeFile("/nonexistent-folder/x.pak"), FileError);
  TempDir dir;
  WriteText(dir / "f", "0123456789");
  EXPECT_EQ(ReadFileRange(dir / "f", 8, 10), Bytes("89"));
  EXPECT_TRUE(ReadFileRange(dir / "f", 20, 10).empty());
}
