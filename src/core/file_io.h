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
