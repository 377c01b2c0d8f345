#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace dravo {

// Whole-file read; throws FileError("Cannot open file ...") when the file cannot be read.
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
  // Throws FileError("Cannot open file ...") when the file cannot be opened.
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
  // Reads up to `count` bytes at `offset`; returns how many were read (fewer at the end).
  std::size_t readAt(std::uint64_t offset, void* out, std::size_t count);
  // Writes all bytes at `offset` and flushes them to disk; throws FileError
  // ("Cannot write file ...") when that fails.
  void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes);
  void close();

 private:
  BinaryFile(std::filesystem::path path, std::FILE* file) : m_path(std::move(path)), m_file(file) {}
  bool seek(std::uint64_t offset);

  std::filesystem::path m_path;
  std::FILE* m_file = nullptr;
};

// The steps of replacing a file, named so tests can make any one of them fail.
enum class ReplaceStep { TemporaryWritten, BackupRotated, Renamed };
using ReplaceHook = std::function<void(ReplaceStep)>;

// Writes a file so that nothing is ever lost: the bytes go to a temporary file in the
// target's folder, are flushed to disk, and only then replace the target. With a backup
// name the previous target is kept there first (as a hard link where the file system
// allows it, so the target never disappears). Any failure throws
// FileError("Cannot create file <target>") and leaves the previous target untouched.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(std::filesystem::path target, std::filesystem::path backup = {});
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  void write(const void* data, std::size_t size);
  void write(std::span<const std::uint8_t> data) { write(data.data(), data.size()); }
  // Flushes, rotates the backup and renames into place. `hook` runs after each step.
  void commit(const ReplaceHook& hook = {});

  const std::filesystem::path& target() const { return m_target; }

 private:
  [[noreturn]] void fail();

  std::filesystem::path m_target;
  std::filesystem::path m_backup;
  std::filesystem::path m_temporary;
  std::FILE* m_file = nullptr;
  bool m_committed = false;
};

// Convenience for small files.
void WriteFileAtomic(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                     const std::filesystem::path& backup = {});

}  // namespace dravo
