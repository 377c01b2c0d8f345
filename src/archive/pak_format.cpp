#include "archive/pak_format.h"

#include <algorithm>

#include "core/byte_io.h"

namespace dravo {

namespace {

std::string Quoted(const std::string& name) {
  return "\"" + name + "\"";
}

// Checks the count against the file and gives the directory's length.
std::uint64_t DirectoryLength(std::uint32_t count, std::uint64_t fileSize, const std::string& fileName) {
  const std::uint64_t length = std::uint64_t{kPakRecordSize} * count;
  if (4 + length > fileSize) {
    throw ArchiveError(fileName, "the directory of " + std::to_string(count) + " entries needs " +
                                     std::to_string(4 + length) + " bytes but the file has only " +
                                     std::to_string(fileSize) + "; not a PAK archive or truncated");
  }
  return length;
}

// One record at `bytes`: its name, its offset made absolute, and why its bytes cannot be read.
PakRecord ParseRecord(const std::uint8_t* bytes, std::uint32_t index, std::uint64_t dataStart,
                      std::uint64_t fileSize) {
  ByteReader in(std::span<const std::uint8_t>(bytes, kPakRecordSize));
  PakRecord record;
  record.name = in.fixedString(kPakNameField);
  const std::uint64_t offset = dataStart + in.u32();
  record.size = in.u32();
  // A reader takes whatever the directory says; only this entry's reads fail. An empty entry
  // reads nothing, wherever it points.
  if (record.size == 0) {
    record.offset = offset <= UINT32_MAX ? static_cast<std::uint32_t>(offset) : 0;
  } else if (offset + record.size > fileSize) {
    record.problem = "entry " + std::to_string(index) + " " + Quoted(record.name) + " (offset " +
                     std::to_string(offset) + ", size " + std::to_string(record.size) +
                     ") lies beyond the end of the file (" + std::to_string(fileSize) + " bytes)";
  } else if (offset > UINT32_MAX) {
    record.problem = "entry " + std::to_string(index) + " " + Quoted(record.name) +
                     " starts beyond 4 GiB, which a PAK archive cannot address";
  } else {
    record.offset = static_cast<std::uint32_t>(offset);
  }
  return record;
}

}  // namespace

PakDirectory ParsePakDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                               const std::string& fileName) {
  if (fileSize < 4 || head.size() < 4) {
    throw ArchiveError(fileName, "too short to be a PAK archive (" + std::to_string(fileSize) + " bytes)");
  }
  const std::uint32_t count = LoadU32(head.data());
  const std::uint64_t length = DirectoryLength(count, fileSize, fileName);
  if (head.size() < 4 + length) throw ArchiveError(fileName, "the directory could not be read whole");

  PakDirectory dir;
  dir.dataStart = 4 + length;
  dir.records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i)
    dir.records.push_back(
        ParseRecord(head.data() + 4 + std::size_t{i} * kPakRecordSize, i, dir.dataStart, fileSize));
  return dir;
}

std::uint64_t ForEachPakRecord(BinaryFile& file,
                               const std::function<void(PakRecord&&, std::uint32_t count)>& take) {
  const std::string fileName = file.path().string();
  const std::uint64_t fileSize = file.size();
  std::uint8_t countBytes[4];
  if (fileSize < 4 || file.readAt(0, countBytes, 4) != 4) {
    throw ArchiveError(fileName, "too short to be a PAK archive (" + std::to_string(fileSize) + " bytes)");
  }
  const std::uint32_t count = LoadU32(countBytes);
  // The count is checked against the file's size before anything is read or allocated from it.
  const std::uint64_t dataStart = 4 + DirectoryLength(count, fileSize, fileName);
  // A few hundred records at a time: a large directory is never held whole.
  constexpr std::uint32_t kBatch = 600;
  std::vector<std::uint8_t> batch(std::size_t{kBatch} * kPakRecordSize);
  for (std::uint32_t first = 0; first < count; first += kBatch) {
    const std::uint32_t n = std::min(kBatch, count - first);
    const std::size_t bytes = std::size_t{n} * kPakRecordSize;
    if (file.readAt(4 + std::uint64_t{first} * kPakRecordSize, batch.data(), bytes) != bytes) {
      throw ArchiveError(fileName, "the directory could not be read whole");
    }
    for (std::uint32_t i = 0; i < n; ++i)
      take(ParseRecord(batch.data() + std::size_t{i} * kPakRecordSize, first + i, dataStart, fileSize),
           count);
  }
  return dataStart;
}

PakDirectory ReadPakDirectory(BinaryFile& file) {
  PakDirectory dir;
  dir.dataStart = ForEachPakRecord(file, [&](PakRecord&& record, std::uint32_t count) {
    if (dir.records.empty()) dir.records.reserve(count);
    dir.records.push_back(std::move(record));
  });
  return dir;
}

}  // namespace dravo
