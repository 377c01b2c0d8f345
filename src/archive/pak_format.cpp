#include "archive/pak_format.h"

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

}  // namespace

PakDirectory ParsePakDirectory(std::span<const std::uint8_t> head, std::uint64_t fileSize,
                               const std::string& fileName) {
  if (fileSize < 4 || head.size() < 4) {
    throw ArchiveError(fileName, "too short to be a PAK archive (" + std::to_string(fileSize) + " bytes)");
  }
  ByteReader in(head);
  const std::uint32_t count = in.u32();
  const std::uint64_t length = DirectoryLength(count, fileSize, fileName);
  if (!in.fits(length)) throw ArchiveError(fileName, "the directory could not be read whole");

  PakDirectory dir;
  dir.dataStart = 4 + length;
  dir.records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    PakRecord record;
    record.name = in.fixedString(kPakNameField);
    const std::uint64_t offset = dir.dataStart + in.u32();
    record.size = in.u32();
    // A reader takes whatever the directory says; only this entry's reads fail. An empty entry
    // reads nothing, wherever it points.
    if (record.size == 0) {
      record.offset = offset <= UINT32_MAX ? static_cast<std::uint32_t>(offset) : 0;
    } else if (offset + record.size > fileSize) {
      record.problem = "entry " + std::to_string(i) + " " + Quoted(record.name) + " (offset " +
                       std::to_string(offset) + ", size " + std::to_string(record.size) +
                       ") lies beyond the end of the file (" + std::to_string(fileSize) + " bytes)";
    } else if (offset > UINT32_MAX) {
      record.problem = "entry " + std::to_string(i) + " " + Quoted(record.name) +
                       " starts beyond 4 GiB, which a PAK archive cannot address";
    } else {
      record.offset = static_cast<std::uint32_t>(offset);
    }
    dir.records.push_back(std::move(record));
  }
  return dir;
}

PakDirectory ReadPakDirectory(BinaryFile& file) {
  const std::string fileName = file.path().string();
  const std::uint64_t fileSize = file.size();
  std::uint8_t countBytes[4];
  if (fileSize < 4 || file.readAt(0, countBytes, 4) != 4) {
    throw ArchiveError(fileName, "too short to be a PAK archive (" + std::to_string(fileSize) + " bytes)");
  }
  // The count is checked against the file's size before anything is allocated from it.
  const std::uint64_t length = DirectoryLength(LoadU32(countBytes), fileSize, fileName);
  std::vector<std::uint8_t> head(static_cast<std::size_t>(4 + length));
  if (file.readAt(0, head.data(), head.size()) != head.size()) {
    throw ArchiveError(fileName, "the directory could not be read whole");
  }
  return ParsePakDirectory(head, fileSize, fileName);
}

}  // namespace dravo
