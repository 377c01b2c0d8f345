#include "archive/pak_archive.h"

#include "archive/pak_format.h"

namespace dravo {

namespace {

// The whole file in one buffer, its entries slices of it: memory is the file's size however
// many entries share its bytes.
std::vector<TFolderEntry> ReadEntries(BinaryFile& file, const std::string& fileName) {
  const std::uint64_t size = file.size();
  if (size > UINT32_MAX)
    throw ArchiveError(fileName, "larger than 4 GiB, which a PAK archive cannot address");
  const PakDirectory dir = ReadPakDirectory(file);
  auto image = std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(size));
  if (file.readAt(0, image->data(), image->size()) != image->size()) {
    throw ArchiveError(fileName, "the file could not be read whole");
  }
  std::vector<TFolderEntry> entries;
  entries.reserve(dir.records.size());
  for (const PakRecord& record : dir.records) {
    TFolderEntry entry;
    entry.Name = record.name;
    entry.Offset = record.offset;
    entry.Size = record.size;
    entry.Problem = record.problem;
    if (record.readable() && record.size > 0) {
      entry.Buffer = image;
      entry.Start = record.offset;
      entry.Flags = kEntryFromFile | kEntryResident;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace

std::unique_ptr<TMvAFolder> TMvAFolder::Open(const std::filesystem::path& fileName) {
  std::unique_ptr<TMvAFolder> folder(new TMvAFolder(fileName));
  folder->m_file = BinaryFile::openRead(fileName);
  folder->LoadDirectory();
  return folder;
}

std::unique_ptr<TMvAFolder> TMvAFolder::CreateNew(const std::filesystem::path& fileName) {
  std::unique_ptr<TMvAFolder> folder(new TMvAFolder(fileName));
  folder->RememberBase(IdentityOf(fileName));
  return folder;
}

void TMvAFolder::LoadDirectory() {
  Clear();
  if (!m_file) m_file = BinaryFile::openRead(m_fileName);
  m_entries = ReadEntries(*m_file, m_fileName.string());
  m_dataEnd = static_cast<std::uint32_t>(m_file->size());
  RememberBase(m_file->identity());
}

std::vector<TFolderEntry> TMvAFolder::ReadCurrentEntries(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return {};
  BinaryFile file = BinaryFile::openRead(fileName);
  return ReadEntries(file, fileName.string());
}

void TMvAFolder::ReadEntryData(int index, bool keepResident) {
  if (index < 0 || index >= Count()) return;
  TFolderEntry& entry = m_entries[static_cast<std::size_t>(index)];
  if (entry.Size == 0) return;
  if (!entry.Problem.empty()) throw ArchiveError(m_fileName.string(), entry.Problem);
  std::optional<BinaryFile> once;
  BinaryFile& file = m_file ? *m_file : once.emplace(BinaryFile::openRead(m_fileName));
  // The file may have changed since the directory was read.
  if (std::uint64_t{entry.Offset} + entry.Size > file.size()) {
    throw ArchiveError(m_fileName.string(), "entry \"" + entry.Name + "\" lies beyond the end of the file");
  }
  auto data = std::make_shared<std::vector<std::uint8_t>>(entry.Size);
  if (file.readAt(entry.Offset, data->data(), data->size()) != data->size()) {
    throw ArchiveError(m_fileName.string(), "entry \"" + entry.Name + "\" could not be read whole");
  }
  entry.Buffer = std::move(data);
  entry.Start = 0;
  entry.Flags = keepResident ? (kEntryFromFile | kEntryResident) : kEntryFromFile;
}

}  // namespace dravo
