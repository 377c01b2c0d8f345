#pragma once

// The PAK file layout: the directory's records, and the checked reader every PAK user shares.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "core/error.h"
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
      : FileError("Cannot open file", file, problem, problem) {}
};

// One directory record as found in the file, its offset made absolute.
struct PakRecord {
  std::string name;
  std::uint32_t offset = 0;  // from the start of the file
  std::uint32_t size = 0;
  // Why the entry's bytes cannot be read (they lie beyond the end of the file); empty when they
  // can. Such an entry is listed like any other; only reading it fails.
  std::string problem;
  bool readable() const { return problem.empty(); }
};

struct PakDirectory {
  std::uint64_t dataStart = 0;
  std::vector<PakRecord> records;  // in file order
};

// Parses a directory from the first bytes of a PAK file of `fileSize` bytes. The count is
// checked against the file before anything is allocated from it (a directory that does not fit
// throws ArchiveError naming `fileName`); an entry whose bytes do not fit is kept with its problem.
PakDirectory ParsePakDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                               const std::string& fileName);
// Reads and checks the directory of an open PAK file (reads only the directory's bytes).
PakDirectory ReadPakDirectory(BinaryFile& file);
// The same, handing each record (and the count of them) over in file order as it is read, a few hundred
// records' bytes at a time; returns where the data area starts.
std::uint64_t ForEachPakRecord(BinaryFile& file,
                               const std::function<void(PakRecord&&, std::uint32_t count)>& take);

}  // namespace dravo
