#pragma once

// Files on disk: whole and ranged reads, write locks, and the atomic replace that keeps a backup.

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace dravo {

// Whole-file read; throws FileError("Cannot open file ...: reason") when the file cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);
// Reads `size` bytes at `offset`; fewer when the file is shorter. Throws FileError on open failure.
std::vector<std::uint8_t> ReadFileRange(const std::filesystem::path& path, std::uint64_t offset,
                                        std::uint64_t size);
std::uint64_t FileSizeOrZero(const std::filesystem::path& path);

// An open file read (and, when opened for update, written) at explicit offsets. Opening
// for update never truncates. Other processes are not locked out: the host has no
// share modes, so callers check what they read against the file's size.
class BinaryFile {
 public:
  // Throws FileError("Cannot open file ...: reason") when the file cannot be opened.
  static BinaryFile openRead(const std::filesystem::path& path);
  static BinaryFile openUpdate(const std::filesystem::path& path);

  BinaryFile(BinaryFile&& other) noexcept;
  BinaryFile& operator=(BinaryFile&& other) noexcept;
  BinaryFile(const BinaryFile&) = delete;
  BinaryFile& operator=(const BinaryFile&) = delete;
  ~BinaryFile();

  const std::filesystem::path& path() const { return m_path; }
  // The current size of the file on disk.
  std::uint64_t size() const;
  // Which file is open (see FileIdentity).
  struct FileIdentity identity() const;
  // Reads up to `count` bytes at `offset`; returns how many were read (fewer at the end).
  std::size_t readAt(std::uint64_t offset, void* out, std::size_t count);
  // Writes all bytes at `offset` and flushes them to disk; throws FileError
  // ("Cannot write file ...: reason") when that fails.
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void close();

 private:
  friend class AtomicFileWriter;  // copies ranges by descriptor
  BinaryFile(std::filesystem::path path, int fd) : m_path(std::move(path)), m_fd(fd) {}

  std::filesystem::path m_path;
  int m_fd = -1;
};

// Which file a name refers to at one moment, so a writer can tell whether another program
// replaced or changed it since it was read.
struct FileIdentity {
  bool exists = false;
  bool regular = false;  // a plain file, not a pipe, device or folder
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::int64_t changedNs = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};
FileIdentity IdentityOf(const std::filesystem::path& path);

// How long a writer waits for another program's write of the same file before it gives up:
// $DRAVO_LOCK_WAIT_MS when set, otherwise a few seconds.
std::chrono::milliseconds DefaultLockWait();

// An advisory lock that keeps the other writers of this program off one file for the length of
// a read-modify-write (every save and in-place write takes it). A file that does not exist yet
// is guarded through its folder until it does; a pipe, device or standard output is not locked.
// Readers are never kept out.
class FileWriteLock {
 public:
  // Waits up to `wait`, then throws FileError("Cannot create file X: it is being written by
  // another program").
  explicit FileWriteLock(const std::filesystem::path& file,
                         std::chrono::milliseconds wait = DefaultLockWait());
  FileWriteLock(FileWriteLock&& other) noexcept;
  FileWriteLock& operator=(FileWriteLock&&) = delete;
  FileWriteLock(const FileWriteLock&) = delete;
  ~FileWriteLock();

 private:
  int m_fd = -1;
};

// The steps of replacing a file, named so tests can fail or kill the writer at any one of them.
enum class ReplaceStep {
  TemporaryWritten,  // every byte handed to the temporary
  TemporaryFlushed,  // the temporary is on disk and closed
  BackupLinking,     // about to keep the target as the backup (a hook that throws a
                     // std::system_error here stands for a file system without hard links)
  BackupRotated,     // the backup holds the target
  Renamed,           // the temporary carries the target's name
};
using ReplaceHook = std::function<void(ReplaceStep)>;

// Writes a file so that nothing is ever lost: the bytes go to a temporary file beside the
// target, are flushed to disk, and only then replace it. Careful about what the target is:
// - a symbolic link is followed, and the file it points to is replaced, in its own folder;
// - the new file gets the old one's permissions (and owner, where permitted);
// - a file nobody may write is refused, as is a folder;
// - a target that is not a regular file (a FIFO, a device, /dev/stdout) is written directly.
// With a backup name the previous target is kept there first (its extension replaced by the
// backup's beside a followed link). Any failure throws FileError("Cannot create file <target>:
// reason") and leaves the previous target (and backup) untouched.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target, std::filesystem::path backup = {});
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void write(const void* data, std::size_t size);
  void write(std::span<const std::uint8_t> data) { write(data.data(), data.size()); }
  // Appends `count` bytes of `source` from `offset`, copied inside the kernel where the file
  // systems allow it. Fails (as write does) when the source holds fewer bytes there.
  void copyFrom(BinaryFile& source, std::uint64_t offset, std::uint64_t count);
  // Flushes, keeps the backup and renames into place. `hook` runs after each step.
  void commit(const ReplaceHook& hook = {});

  // The file that is written: the target with its links followed.
  const std::filesystem::path& target() const { return m_target; }

 private:
  [[noreturn]] void fail(const std::filesystem::path& file, int error);
  [[noreturn]] void fail(const std::filesystem::path& file, const std::string& reason);
  void discardTemporary();
  void keepBackup(const ReplaceHook& hook);

  std::filesystem::path m_named;   // as the caller named it, for messages
  std::filesystem::path m_target;  // links followed
  std::filesystem::path m_backup;
  std::filesystem::path m_temporary;  // empty when writing directly
  std::FILE* m_file = nullptr;
  bool m_committed = false;
  bool m_kernelCopy = true;                // until the file systems refuse it
  std::vector<std::uint8_t> m_copyBuffer;  // for copies the kernel cannot do
};

// Convenience for small files.
void WriteFileAtomic(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                     const std::filesystem::path& backup = {});

// The name of a temporary this program writes beside `target`; only names of this shape are
// ever cleaned up, and only once their writer is gone.
std::filesystem::path TemporaryNameFor(const std::filesystem::path& target);

}  // namespace dravo
