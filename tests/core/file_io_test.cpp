#include "core/file_io.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "core/error.h"
#include "support/child_process.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

struct InjectedFailure {};

std::size_t FilesIn(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
}

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

std::string MessageOf(const std::function<void()>& body) {
  try {
    body();
  } catch (const FileError& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(AtomicFile, ReplacesTargetAndKeepsBackup) {
  TempDir dir;
  WriteText(dir / "a.pak", "old");
  WriteText(dir / "a.bak", "older");
  WriteFileAtomic(dir / "a.pak", Bytes("new"), dir / "a.bak");
  EXPECT_EQ(ReadBytes(dir / "a.pak"), Bytes("new"));
  EXPECT_EQ(ReadBytes(dir / "a.bak"), Bytes("old"));
  // Only the two files remain: no temporary is left behind.
  EXPECT_EQ(FilesIn(dir.path()), 2u);
}

TEST(AtomicFile, AFailureAtAnyStepBeforeTheRenameLeavesTargetAndBackup) {
  for (ReplaceStep failAt : {ReplaceStep::TemporaryWritten, ReplaceStep::TemporaryFlushed,
                             ReplaceStep::BackupLinking, ReplaceStep::BackupRotated}) {
    TempDir dir;
    WriteText(dir / "a.pak", "old");
    WriteText(dir / "a.bak", "older");
    AtomicFileWriter writer(dir / "a.pak", dir / "a.bak");
    writer.write(Bytes("new"));
    EXPECT_THROW(writer.commit([&](ReplaceStep s) {
      if (s == failAt) throw InjectedFailure{};
    }),
                 FileError);
    EXPECT_EQ(ReadBytes(dir / "a.pak"), Bytes("old"));
    const std::string backup = failAt == ReplaceStep::BackupRotated ? "old" : "older";
    EXPECT_EQ(ReadText(dir / "a.bak"), backup) << static_cast<int>(failAt);
    EXPECT_EQ(FilesIn(dir.path()), 2u) << static_cast<int>(failAt);
  }
}

// Temporaries are ours by their shape alone, and removed only when their writer is gone: its
// process has ended and nothing holds the temporary's lock.
TEST(AtomicFile, ASaveRemovesTemporariesOfDeadWritersOnly) {
  const pid_t dead = fork();
  if (dead == 0) _exit(0);
  ASSERT_GT(dead, 0);
  waitpid(dead, nullptr, 0);
  const std::string d = std::to_string(dead);
  const std::string deadName = ".a.pak." + d + "-0.dravo-part";
  const std::string liveName = ".a.pak." + std::to_string(getppid()) + "-3.dravo-part";
  const std::string lockedName = ".a.pak." + d + "-7.dravo-part";
  TempDir dir;
  const std::vector<std::string> kept{liveName,
                                      lockedName,
                                      ".a.pak.tmp" + d + ".0",  // an older shape, or a user's file
                                      ".a.pak." + d + ".dravo-part",
                                      ".a.pak." + d + "-0.dravo-partial",
                                      "a.pak." + d + "-0.dravo-part",
                                      ".b.pak." + d + "-0.dravo-part"};
  for (const std::string& name : kept)
    WriteText(dir / name, "partial");
  WriteText(dir / deadName, "partial");
  HoldingChild holder([&] {
    const int fd = open((dir / lockedName).c_str(), O_RDONLY);
    flock(fd, LOCK_EX);
  });
  ASSERT_TRUE(holder.held());
  WriteFileAtomic(dir / "a.pak", Bytes("new"));
  EXPECT_FALSE(fs::exists(dir / deadName));
  for (const std::string& name : kept)
    EXPECT_TRUE(fs::exists(dir / name)) << name;
}

TEST(AtomicFile, ErrorsGiveTheSystemsReason) {
  EXPECT_EQ(MessageOf([] { WriteFileAtomic("/nonexistent-folder/x.pak", Bytes("x")); }),
            "Cannot create file /nonexistent-folder/x.pak: No such file or directory");
  EXPECT_EQ(MessageOf([] { ReadWholeFile("/nonexistent-folder/x.pak"); }),
            "Cannot open file /nonexistent-folder/x.pak: No such file or directory");
  TempDir dir;
  EXPECT_EQ(MessageOf([&] { WriteFileAtomic(dir.path(), Bytes("x")); }),
            "Cannot create file " + dir.path().string() + ": Is a directory");
  // A file that may not grow stands for a full disk.
  const int code = RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    const std::string message =
        MessageOf([&] { WriteFileAtomic(dir / "big.pak", std::vector<std::uint8_t>(5000, 1)); });
    return message == "Cannot create file " + (dir / "big.pak").string() + ": File too large" ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(FilesIn(dir.path()), 0u);
}

TEST(AtomicFile, ReadingAMissingFileThrowsCannotOpen) {
  EXPECT_THROW(ReadWholeFile("/nonexistent-folder/x.pak"), FileError);
  TempDir dir;
  WriteText(dir / "f", "0123456789");
  EXPECT_EQ(ReadFileRange(dir / "f", 8, 10), Bytes("89"));
  EXPECT_TRUE(ReadFileRange(dir / "f", 20, 10).empty());
}

// A save respects what its target is.
TEST(AtomicFile, ALinkedTargetReplacesTheFileItPointsTo) {
  TempDir dir;
  fs::create_directories(dir / "real");
  WriteText(dir / "real" / "game.pak", "old");
  fs::create_symlink("real/game.pak", dir / "own.pak");
  WriteFileAtomic(dir / "own.pak", Bytes("new"), dir / "own.bak");
  EXPECT_TRUE(fs::is_symlink(dir / "own.pak"));
  EXPECT_EQ(ReadText(dir / "real" / "game.pak"), "new");
  // The backup lies beside the file it keeps.
  EXPECT_EQ(ReadText(dir / "real" / "game.bak"), "old");
  EXPECT_FALSE(fs::exists(dir / "own.bak"));
}

TEST(AtomicFile, TheNewFileKeepsTheOldOnesPermissionsAndOwner) {
  for (mode_t mode : {0600, 0640, 0664, 0755}) {
    TempDir dir;
    WriteText(dir / "a.pak", "old");
    chmod((dir / "a.pak").c_str(), mode);
    WriteFileAtomic(dir / "a.pak", Bytes("new"), dir / "a.bak");
    EXPECT_EQ(ModeOf(dir / "a.pak"), mode);
    EXPECT_EQ(ModeOf(dir / "a.bak"), mode);
  }
  if (geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
  TempDir dir;
  WriteText(dir / "a.pak", "old");
  ASSERT_EQ(chown((dir / "a.pak").c_str(), 1234, 2345), 0);
  WriteFileAtomic(dir / "a.pak", Bytes("new"));
  struct stat st {};
  stat((dir / "a.pak").c_str(), &st);
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 2345u);
}

TEST(AtomicFile, AReadOnlyTargetIsRefused) {
  TempDir dir;
  WriteText(dir / "a.pak", "old");
  chmod((dir / "a.pak").c_str(), 0444);
  EXPECT_EQ(MessageOf([&] { WriteFileAtomic(dir / "a.pak", Bytes("new"), dir / "a.bak"); }),
            "Cannot create file " + (dir / "a.pak").string() + ": the file is read-only");
  EXPECT_EQ(ReadText(dir / "a.pak"), "old");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
}

TEST(AtomicFile, TargetsThatAreNotRegularFilesAreWrittenDirectly) {
  TempDir dir;
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadText(dir / "pipe"); });
  WriteFileAtomic(dir / "pipe", Bytes("through the pipe"), dir / "pipe.bak");
  reader.join();
  EXPECT_EQ(received, "through the pipe");
  EXPECT_TRUE(fs::is_fifo(dir / "pipe"));
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  // A device stays a device.
  WriteFileAtomic("/dev/null", Bytes("nothing"));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// Where the backup cannot be a hard link it is copied; a copy that fails is reported and keeps
// both the target and the previous backup.
TEST(AtomicFile, ABackupThatCannotBeMadeStopsTheSave) {
  const auto noHardLinks = [](ReplaceStep step) {
    if (step == ReplaceStep::BackupLinking) throw std::system_error(EPERM, std::generic_category());
  };
  TempDir dir;
  const std::vector<std::uint8_t> old(4000, 'o');
  WriteBytes(dir / "a.pak", old);
  WriteText(dir / "a.bak", "older");
  {
    AtomicFileWriter writer(dir / "a.pak", dir / "a.bak");
    writer.write(Bytes("new"));
    writer.commit(noHardLinks);
  }
  EXPECT_EQ(ReadBytes(dir / "a.bak"), old);
  EXPECT_EQ(ReadText(dir / "a.pak"), "new");

  WriteBytes(dir / "a.pak", old);
  WriteText(dir / "a.bak", "older");
  const int code = RunInChild([&] {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1000, 1000};  // the new file fits, the copy of the old one does not
    setrlimit(RLIMIT_FSIZE, &limit);
    AtomicFileWriter writer(dir / "a.pak", dir / "a.bak");
    writer.write(Bytes("new"));
    const std::string message = MessageOf([&] { writer.commit(noHardLinks); });
    return message == "Cannot create file " + (dir / "a.bak").string() + ": File too large" ? 0 : 1;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadBytes(dir / "a.pak"), old);
  EXPECT_EQ(ReadText(dir / "a.bak"), "older");
  EXPECT_EQ(FilesIn(dir.path()), 2u);
}

// The lock keeps a second writer out while the first reads, changes and writes; the second
// waits, and gives up with a clear message when the first takes too long.
TEST(FileWriteLock, ASecondWriterWaitsThenGivesUp) {
  TempDir dir;
  for (const bool exists : {true, false}) {
    const fs::path file = dir / (exists ? "a.pak" : "new.pak");
    if (exists) WriteText(file, "x");
    HoldingChild holder([&] { new FileWriteLock(file); });  // held until the child ends
    ASSERT_TRUE(holder.held());
    EXPECT_EQ(MessageOf([&] { FileWriteLock(file, std::chrono::milliseconds(100)); }),
              "Cannot create file " + file.string() + ": it is being written by another program");
    holder.letGo();
    EXPECT_NO_THROW(FileWriteLock(file, std::chrono::milliseconds(100)));
  }
}

TEST(FileWriteLock, AWaiterLocksTheFileThatReplacedTheOneItWaitedFor) {
  TempDir dir;
  WriteText(dir / "a.pak", "first");
  std::optional<HoldingChild> holder;
  holder.emplace([&] {
    new FileWriteLock(dir / "a.pak");
    WriteFileAtomic(dir / "a.pak", Bytes("second"));
  });
  ASSERT_TRUE(holder->held());
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    holder->letGo();
  });
  {
    // Taken once the holder has gone; it holds the file now under the name, so a third writer
    // that opens the name is kept out.
    FileWriteLock lock(dir / "a.pak", std::chrono::seconds(5));
    const int code = RunInChild([&] {
      try {
        FileWriteLock third(dir / "a.pak", std::chrono::milliseconds(50));
        return 1;
      } catch (const FileError&) {
        return 0;
      }
    });
    EXPECT_EQ(code, 0);
  }
  release.join();
  EXPECT_EQ(ReadText(dir / "a.pak"), "second");
}

// Standard output is written where the shell pointed it, appending included; it is never replaced.
TEST(AtomicFile, StandardOutputIsWrittenWhereTheShellPointedIt) {
  TempDir dir;
  WriteText(dir / "log", "before\n");
  const int code = RunInChild([&] {
    const int fd = open((dir / "log").c_str(), O_WRONLY | O_APPEND);
    dup2(fd, 1);
    WriteFileAtomic("/dev/stdout", Bytes("after\n"), "/dev/stdout.bak");
    FileWriteLock lock("/dev/stdout", std::chrono::milliseconds(0));
    return 0;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(ReadText(dir / "log"), "before\nafter\n");
  EXPECT_EQ(FilesIn(dir.path()), 1u);
  EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
}

// Ranges of another file are appended exactly, inside the kernel into a file and through memory
// into a pipe; a source that ends early fails the write and leaves nothing behind.
TEST(AtomicFile, CopiedRangesArriveWholeIntoFilesAndPipes) {
  TempDir dir;
  std::string source(2 * 1024 * 1024 + 333, '\0');
  for (std::size_t i = 0; i < source.size(); ++i)
    source[i] = static_cast<char>(i * 7 + i / 1021);
  WriteText(dir / "source", source);
  BinaryFile in = BinaryFile::openRead(dir / "source");
  const auto write = [&](const fs::path& target) {
    AtomicFileWriter writer(target);
    writer.write(Bytes("head"));
    writer.copyFrom(in, 5, source.size() - 5);
    writer.write(Bytes("tail"));
    writer.copyFrom(in, 0, 3);
    writer.copyFrom(in, 0, 0);
    writer.commit();
  };
  const std::string expected = "head" + source.substr(5) + "tail" + source.substr(0, 3);
  write(dir / "copy");
  EXPECT_EQ(ReadText(dir / "copy"), expected);

  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  std::string received;
  std::thread reader([&] { received = ReadText(dir / "pipe"); });
  write(dir / "pipe");
  reader.join();
  EXPECT_EQ(received, expected);

  const std::string message = MessageOf([&] {
    AtomicFileWriter writer(dir / "short");
    writer.copyFrom(in, source.size() - 10, 11);
    writer.commit();
  });
  EXPECT_NE(message.find("ended before byte"), std::string::npos) << message;
  EXPECT_FALSE(fs::exists(dir / "short"));
}
