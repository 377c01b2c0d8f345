#include "archive/mva_folder.h"

#include "archive/pak_format.h"

namespace dravo {

std::unique_ptr<TMvAFolder> TMvAFolder::Open(const std::filesystem::path& fileName) {
  std::unique_ptr<TMvAFolder> folder(new TMvAFolder(fileName));
  folder->m_file = BinaryFile::openRead(fileName);
  const std::uint64_t size = folder->m_file->size();
  if (size > UINT32_MAX) {
    throw ArchiveError(fileName.string(), "larger than 4 GiB, which a PAK archive cannot address");
  }
  folder->m_dataEnd = static_cast<std::uint32_t>(size);
  folder->LoadDirectory();
  return folder;
}

std::unique_ptr<TMvAFolder> TMvAFolder::CreateNew(const std::filesystem::path& fileName) {
  return std::unique_ptr<TMvAFolder>(new TMvAFolder(fileName));
}

void TMvAFolder::LoadDirectory() {
  Clear();
  if (!m_file) m_file = BinaryFile::openRead(m_fileName);
  const PakDirectory dir = ReadPakDirectory(*m_file);

  // Every entry is loaded into memory; entries may share bytes, so their sizes are
  // added up and checked before anything is allocated from them.
  std::uint64_t total = 0;
  for (const PakRecord& record : dir.records)
    total += record.size;
  if (total > UINT32_MAX) {
    throw ArchiveError(m_fileName.string(), "its entries add up to more than 4 GiB");
  }

  m_entries.reserve(dir.records.size());
  for (const PakRecord& record : dir.records) {
    TFolderEntry entry;
    entry.Name = record.name;
    entry.Offset = record.offset;
    entry.Size = record.size;
    m_entries.push_back(std::move(entry));
  }
  for (int i = 0; i < Count(); ++i)
    ReadEntryData(i, true);
}

void TMvAFolder::ReadEntryData(int index, bool keepResident) {
  if (index < 0 || index >= Count()) return;
  TFolderEntry& entry = m_entries[static_cast<std::size_t>(index)];
  if (entry.Size == 0) return;
  std::optional<BinaryFile> once;
  BinaryFile& file = m_file ? *m_file : once.emplace(BinaryFile::openRead(m_fileName));
  // The file may have changed since the directory was read.
  if (std::uint64_t{entry.Offset} + entry.Size > file.size()) {
    throw ArchiveError(m_fileName.string(), "entry \"" + entry.Name + "\" lies beyond the end of the file");
  }
  std::vector<std::uint8_t> data(entry.Size);
  if (file.readAt(entry.Offset, data.data(), data.size()) != data.size()) {
    throw ArchiveError(m_fileName.string(), "entry \"" + entry.Name + "\" could not be read whole");
  }
  entry.Data = std::move(data);
  entry.Flags = keepResident ? (kEntryFromFile | kEntryResident) : kEntryFromFile;
}

}  // namespace dravo
