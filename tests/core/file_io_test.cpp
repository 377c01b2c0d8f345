#include "core/file_io.h"

#include <gtest/gtest.h>

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
