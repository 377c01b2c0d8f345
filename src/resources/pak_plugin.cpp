#include "resources/pak_plugin.h"

#include "archive/pak_format.h"
#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

namespace {

void AddRecords(TRmxCustomFolder& folder, PakDirectory&& dir) {
  folder.ReserveResources(dir.records.size());
  for (PakRecord& entry : dir.records) {
    auto record = std::make_unique<TRmxResource>();
    record->Offset = entry.offset;
    record->Size = entry.size;
    record->Problem = std::move(entry.problem);
    std::string name = ExtractFileName(entry.name);
    entry.name.resize(entry.name.size() - name.size());
    record->EntryPath = std::move(entry.name);
    // Every entry is taken, whatever its extension; only extension queries need the index.
    record->ExtIndex = ExtensionIndex(folder.ResourceExtensions(), ExtractFileExt(name));
    folder.AddResource(std::move(name), std::move(record));
  }
}

}  // namespace

void TMvAFilePlugIn::LoadDirectoryBytes(TRmxCustomFolder& folder, std::span<const std::uint8_t> head,
                                        std::uint64_t fileSize) {
  AddRecords(folder, ParsePakDirectory(head, fileSize, folder.Path()));
}

int TMvAFilePlugIn::LoadFolder(TRmxCustomFolder& folder) {
  BinaryFile file = BinaryFile::openRead(folder.Path());
  AddRecords(folder, ReadPakDirectory(file));
  return 0;
}

int TMvAFilePlugIn::ReadResource(TRmxCustomFolder& folder, int index, MemoryStream& stream) {
  const TRmxResource* record = folder.Resource(index);
  if (!record) return -1;
  // A damaged entry fails alone, by name; the rest of the archive reads as ever.
  if (!record->Problem.empty()) throw ArchiveError(folder.Path(), record->Problem);
  BinaryFile file = BinaryFile::openRead(folder.Path());
  // The file may have changed since it was mounted: read only what it still has.
  const std::uint64_t size = file.size();
  const std::uint64_t available = record->Offset < size ? size - record->Offset : 0;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min<std::uint64_t>(record->Size, available)));
  bytes.resize(file.readAt(record->Offset, bytes.data(), bytes.size()));
  // Written over the stream from its start without truncating it, as the game's tools do;
  // callers pass an empty stream.
  stream.setPosition(0);
  stream.write(bytes);
  return bytes.size() == record->Size && record->Size > 0 ? 0 : -1;
}

}  // namespace dravo
