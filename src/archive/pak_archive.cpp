#include "archive/pak_archive.h"

#include "archive/pak_format.h"

namespace dravo {

namespace {

// The directory alone: each entry's bytes stay in the file, which stays open for them.
std::vector<TFolderEntry> ReadEntries(const std::shared_ptr<ArchiveSource>& source) {
  const std::string fileName = source->file.path().string();
  if (source->file.size() > UINT32_MAX)
    throw ArchiveError(fileName, "larger than 4 GiB, which a PAK archive cannot address");
  std::vector<TFolderEntry> entries;
  ForEachPakRecord(source->file, [&](PakRecord&& record, std::uint32_t count) {
    if (entries.empty()) entries.reserve(count);
    TFolderEntry& entry = entries.emplace_back();
    entry.Name = std::move(record.name);
    entry.Offset = record.offset;
    entry.Size = record.size;
    entry.Problem = std::move(record.problem);
    if (record.readable() && record.size > 0) {
      entry.Source = source;
      entry.SourceStart = record.offset;
      entry.Flags = kEntryFromFile | kEntryResident;
    }
  });
  return entries;
}

}  // namespace

std::unique_ptr<TMvAFolder> TMvAFolder::Open(const std::filesystem::path& fileName) {
  std::unique_ptr<TMvAFolder> folder(new TMvAFolder(fileName));
  folder->m_file = std::make_shared<ArchiveSource>(BinaryFile::openRead(fileName));
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
  if (!m_file) m_file = std::make_shared<ArchiveSource>(BinaryFile::openRead(m_fileName));
  m_entries = ReadEntries(m_file);
  m_dataEnd = static_cast<std::uint32_t>(m_file->file.size());
  RememberBase(m_file->file.identity());
}

std::vector<TFolderEntry> TMvAFolder::ReadCurrentEntries(const std::filesystem::path& fileName) {
  std::error_code ec;
  if (!std::filesystem::exists(fileName, ec)) return {};
  return ReadEntries(std::make_shared<ArchiveSource>(BinaryFile::openRead(fileName)));
}

void TMvAFolder::ReadEntryData(int index, bool keepResident) {
  if (index < 0 || index >= Count()) return;
  TFolderEntry& entry = m_entries[static_cast<std::size_t>(index)];
  if (entry.Size == 0) return;
  if (!entry.Problem.empty()) throw ArchiveError(m_fileName.string(), entry.Problem);
  // An entry from a file is read from that file, still open; one without, from the archive's file
  // as it is now.
  std::shared_ptr<ArchiveSource> source = entry.Source;
  std::uint64_t start = entry.SourceStart;
  if (!source) {
    source = m_file ? m_file : std::make_shared<ArchiveSource>(BinaryFile::openRead(m_fileName));
    start = entry.Offset;
  }
  source->CheckUnchanged();
  const std::string fileName = source->file.path().string();
  if (start + entry.Size > source->file.size()) {
    throw ArchiveError(fileName, "entry \"" + entry.Name + "\" lies beyond the end of the file");
  }
  auto data = std::make_shared<std::vector<std::uint8_t>>(entry.Size);
  if (source->file.readAt(start, data->data(), data->size()) != data->size()) {
    throw ArchiveError(fileName, "entry \"" + entry.Name + "\" could not be read whole");
  }
  entry.Buffer = std::move(data);
  entry.Start = 0;
  entry.Flags = keepResident ? (kEntryFromFile | kEntryResident) : kEntryFromFile;
}

}  // namespace dravo
