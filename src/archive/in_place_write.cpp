#include "archive/in_place_write.h"

#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

namespace {

std::unique_ptr<TMvAFolder> OpenStock(const std::filesystem::path& stockArchive) {
  std::error_code ec;
  return std::filesystem::exists(stockArchive, ec) ? TMvAFolder::Open(stockArchive)
                                                   : TMvAFolder::CreateNew(stockArchive);
}

}  // namespace

InPlaceWrite WritePakEntryInPlace(const std::filesystem::path& pak, std::uint32_t offset,
                                  std::uint32_t storedSize, std::span<const std::uint8_t> bytes,
                                  const std::filesystem::path& stockArchive) {
  const FileWriteLock lock(pak);
  BinaryFile file = BinaryFile::openUpdate(pak);
  // The file may have changed since it was mounted: only an entry its own directory still
  // lists, and which lies inside it, is written.
  const PakDirectory dir = ReadPakDirectory(file);
  const PakRecord* listed = nullptr;
  for (const PakRecord& record : dir.records) {
    if (record.readable() && record.offset == offset && record.size == storedSize) {
      listed = &record;
      break;
    }
  }
  if (!listed) return InPlaceWrite::NotAnEntry;
  if (bytes.size() != storedSize) return InPlaceWrite::WrongSize;
  if (!stockArchive.empty()) {
    std::unique_ptr<TMvAFolder> stock = OpenStock(stockArchive);
    if (stock->IndexOf(listed->name) < 0) {
      MemoryStream original;
      original.setSize(storedSize);
      if (file.readAt(offset, original.data(), storedSize) != storedSize) {
        throw ArchiveError(pak.string(), "entry \"" + listed->name + "\" could not be read whole");
      }
      stock->Put(listed->name, &original);
      // On disk before the first stock byte is overwritten.
      stock->SaveAs(stockArchive);
    }
  }
  file.writeAt(offset, bytes);
  return InPlaceWrite::Written;
}

StockRestore RestoreStockEntry(const std::filesystem::path& pak, const std::filesystem::path& stockArchive,
                               const std::string& entryName) {
  std::error_code ec;
  if (!std::filesystem::exists(stockArchive, ec)) return StockRestore::NotKept;
  std::unique_ptr<TMvAFolder> stock = TMvAFolder::Open(stockArchive);
  const int kept = stock->IndexOf(entryName);
  if (kept < 0) return StockRestore::NotKept;
  const std::unique_ptr<MemoryStream> bytes = stock->ReadEntry(kept);

  const FileWriteLock lock(pak);
  BinaryFile file = BinaryFile::openUpdate(pak);
  const PakDirectory dir = ReadPakDirectory(file);
  for (const PakRecord& record : dir.records) {
    if (!SameTextAZ(record.name, entryName)) continue;
    if (!record.readable()) throw ArchiveError(pak.string(), record.problem);
    if (record.size != bytes->size()) return StockRestore::WrongSize;
    file.writeAt(record.offset, bytes->bytes());
    return StockRestore::Restored;
  }
  return StockRestore::NotAnEntry;
}

}  // namespace dravo
