#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "core/file_error.h"
#include "core/file_io.h"

namespace dravo {

// The PAK file: a 32-bit entry count, one 108-byte record per entry (100-byte name,
// offset from the start of the data area, size), then the data area. Little-endian,
// no magic, no checksum.
inline constexpr std::uint32_t kPakRecordSize = 108;
inline constexpr std::uint32_t kPakNameField = 100;
// A name needs its terminating zero inside the field when we write it.
inline constexpr std::size_t kPakMaxNameLength = kPakNameField - 1;

// An archive whose directory or entries do not fit in its file (truncated, foreign or
// damaged). Reported like any file that cannot be opened, with the reason after it.
class ArchiveError : public FileError {
 public:
  ArchiveError(const std::string& file, const std::string& problem)
      : FileError("Cannot open file " + file + ": " + problem), m_file(file), m_problem(problem) {}
  const std::string& file() const { return m_file; }
  const std::string& problem() const { return m_problem; }

 private:
  std::string m_file;
  std::string m_problem;
};

// One directory record as found in the file, its offset made absolute.
struct PakRecord {
  std::string name;
  std::uint32_t offset = 0;  // from the start of the file
  std::uint32_t size = 0;
};

struct PakDirectory {
  std::uint64_t dataStart = 0;
  std::vector<PakRecord> records;  // in file order
};

// Parses a directory from the first bytes of a PAK file of `fileSize` bytes. Every count,
// offset and size is checked against the file before it is used; anything that does not
// fit throws ArchiveError naming `fileName`.
PakDirectory ParsePakDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                               const std::string& fileName);
// Reads and checks the directory of an open PAK file (reads only the directory's bytes).
PakDirectory ReadPakDirectory(BinaryFile& file);

enum class InPlaceWrite { Written, WrongSize, NotAnEntry };

// Overwrites the bytes of one entry inside an existing PAK file and nothing else; the file
// keeps its size. The entry is named by its absolute offset and stored size, as the
// archive plug-in reports them, and must still be an entry of the file's own directory.
// Returns WrongSize (nothing written) when `bytes` is not exactly `storedSize` long and
// NotAnEntry when the directory holds no such entry. Throws FileError when the file
// cannot be opened for writing or written, ArchiveError when its directory is damaged.
InPlaceWrite WritePakEntryInPlace(const std::filesystem::path& pak, std::uint32_t offset,
                                  std::uint32_t storedSize, std::span<const std::uint8_t> bytes);

}  // namespace dravo
