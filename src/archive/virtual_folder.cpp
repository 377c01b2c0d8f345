#include "archive/virtual_folder.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

#include "archive/pak_format.h"
#include "core/byte_io.h"
#include "core/error.h"
#include "core/text.h"

namespace dravo {

void ArchiveSource::CheckUnchanged() {
  // Renaming or linking leaves the time alone; writing into the file does not.
  const FileIdentity now = file.identity();
  if (now.size != atOpen.size || now.modifiedNs != atOpen.modifiedNs) {
    throw ArchiveError(file.path().string(),
                       "another program changed the file since it was opened; open it again");
  }
}

TVirtualFolder::~TVirtualFolder() = default;

void TVirtualFolder::Clear() {
  KeepBase();
  m_entries.clear();
}

bool TVirtualFolder::AddEntry(const std::string& name, MemoryStream* source) {
  if (!source) return false;
  KeepBase();
  TFolderEntry entry;
  entry.Name = name;
  entry.Offset = m_dataEnd;
  entry.Size = static_cast<std::uint32_t>(source->size());
  entry.Flags = kEntryResident;
  m_dataEnd += entry.Size;  // wraps like the 32-bit field it models; only SaveAs writes offsets
  if (entry.Size > 0) entry.Buffer = std::make_shared<const std::vector<std::uint8_t>>(source->vector());
  source->setPosition(source->size());
  m_entries.push_back(std::move(entry));
  return true;
}

int TVirtualFolder::IndexOf(std::string_view name) const {
  for (int i = Count() - 1; i >= 0; --i) {
    if (SameTextAZ(m_entries[static_cast<std::size_t>(i)].Name, name)) return i;
  }
  return -1;
}

int TVirtualFolder::IndexOfPart(std::string_view text, int start) const {
  if (text.empty()) return -1;
  for (int i = std::max(start, 0); i < Count(); ++i) {
    if (FindTextAZ(m_entries[static_cast<std::size_t>(i)].Name, text) != std::string_view::npos) return i;
  }
  return -1;
}

const TFolderEntry* TVirtualFolder::Entry(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &m_entries[static_cast<std::size_t>(index)];
}

std::string TVirtualFolder::EntryName(int index) const {
  const TFolderEntry* entry = Entry(index);
  return entry ? entry->Name : std::string("Not found");
}

std::uint32_t TVirtualFolder::EntryFlags(int index) const {
  const TFolderEntry* entry = Entry(index);
  return entry ? entry->Flags : 0;
}

void TVirtualFolder::SetEntryFlags(int index, std::uint32_t flags) {
  if (index >= 0 && index < Count()) m_entries[static_cast<std::size_t>(index)].Flags = flags;
}

void TVirtualFolder::ReadEntryData(int, bool) {}

std::vector<TFolderEntry> TVirtualFolder::ReadCurrentEntries(const std::filesystem::path&) {
  return {};
}

void TVirtualFolder::CopyOut(TFolderEntry& entry, int index, MemoryStream& stream) {
  // Fetch first, so a failed read leaves the caller's stream as it was.
  if (entry.Size > 0 && !entry.HasData()) ReadEntryData(index, (entry.Flags & kEntryResident) != 0);
  entry.Flags &= ~kEntryFromFile;
  stream.clear();
  stream.write(entry.Bytes());
  stream.setPosition(0);
  if ((entry.Flags & kEntryResident) == 0) entry.Buffer.reset();
}

bool TVirtualFolder::ReadByName(std::string_view name, MemoryStream& stream) {
  const int index = IndexOf(name);
  if (index < 0) return false;
  CopyOut(m_entries[static_cast<std::size_t>(index)], index, stream);
  return true;
}

bool TVirtualFolder::ReadByName(std::string_view name, std::unique_ptr<MemoryStream>& stream) {
  const int index = IndexOf(name);
  if (index < 0) return false;
  if (!stream) stream = std::make_unique<MemoryStream>();
  CopyOut(m_entries[static_cast<std::size_t>(index)], index, *stream);
  return true;
}

std::unique_ptr<MemoryStream> TVirtualFolder::ReadEntry(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("archive entry " + std::to_string(index));
  auto stream = std::make_unique<MemoryStream>();
  CopyOut(m_entries[static_cast<std::size_t>(index)], index, *stream);
  return stream;
}

bool TVirtualFolder::Put(const std::string& name, MemoryStream* source) {
  if (Trim(name).empty()) return false;
  // A directory record holds 99 characters and its terminator; a longer name would be
  // cut and come back as a different entry.
  if (name.size() > kPakMaxNameLength) return false;
  if (source && source->size() > UINT32_MAX) return false;
  const int index = IndexOf(name);
  if (index >= 0) Delete(index);
  AddEntry(name, source);
  return true;
}

void TVirtualFolder::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  KeepBase();
  const std::uint32_t offset = m_entries[static_cast<std::size_t>(index)].Offset;
  const std::uint32_t size = m_entries[static_cast<std::size_t>(index)].Size;
  m_entries.erase(m_entries.begin() + index);
  for (TFolderEntry& entry : m_entries) {
    if (entry.Offset > offset) entry.Offset -= size;
  }
  m_dataEnd -= size;
}

std::filesystem::path TVirtualFolder::BackupNameFor(const std::filesystem::path& fileName) {
  return fileName.parent_path() / ChangeFileExt(fileName.filename().string(), ".bak");
}

void TVirtualFolder::RememberBase(FileIdentity identity) {
  // Copied only when the list first changes: opening a large archive to read it makes no copy.
  m_base.clear();
  m_baseIsCurrent = true;
  m_baseIdentity = identity;
  m_hasBase = true;
}

void TVirtualFolder::KeepBase() {
  if (!m_baseIsCurrent) return;
  m_base = m_entries;  // the buffers and files are shared, not copied
  m_baseIsCurrent = false;
}

namespace {

using EntryGroups = std::map<std::string, std::vector<const TFolderEntry*>>;

// The entries of each name, A-Z folded, in list order.
EntryGroups GroupByName(const std::vector<TFolderEntry>& entries) {
  EntryGroups groups;
  for (const TFolderEntry& entry : entries)
    groups[LowerAZ(entry.Name)].push_back(&entry);
  return groups;
}

// The entry's bytes, from memory or read from its file into `scratch`.
std::span<const std::uint8_t> BytesOf(const TFolderEntry& entry, std::vector<std::uint8_t>& scratch) {
  if (entry.Size == 0 || entry.HasData()) return entry.Bytes();
  entry.Source->CheckUnchanged();
  scratch.resize(entry.Size);
  if (entry.Source->file.readAt(entry.SourceStart, scratch.data(), entry.Size) != entry.Size) {
    throw ArchiveError(entry.Source->file.path().string(),
                       "entry \"" + entry.Name + "\" could not be read whole");
  }
  return scratch;
}

bool SameBytes(const TFolderEntry& a, const TFolderEntry& b) {
  if (a.Size != b.Size) return false;
  if (a.Source && a.Source == b.Source && a.SourceStart == b.SourceStart) return true;
  if (!a.Available() || !b.Available()) return false;
  std::vector<std::uint8_t> scratchA, scratchB;
  const auto x = BytesOf(a, scratchA), y = BytesOf(b, scratchB);
  return x.data() == y.data() || std::equal(x.begin(), x.end(), y.begin(), y.end());
}

bool SameEntries(const std::vector<const TFolderEntry*>& a, const std::vector<const TFolderEntry*>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i]->Name != b[i]->Name || !SameBytes(*a[i], *b[i])) return false;
  }
  return true;
}

bool SamePath(const std::filesystem::path& a, const std::filesystem::path& b) {
  if (a == b) return true;
  std::error_code ec;
  if (std::filesystem::equivalent(a, b, ec)) return true;
  return std::filesystem::absolute(a, ec).lexically_normal() ==
         std::filesystem::absolute(b, ec).lexically_normal();
}

}  // namespace

// A three-way merge by name: where this archive still holds what the file held when it was
// read, the file's current entries win; where it changed an entry, its own version does.
void TVirtualFolder::MergeWithCurrentFile(const std::filesystem::path& fileName) {
  const std::vector<TFolderEntry> current = ReadCurrentEntries(fileName);
  const EntryGroups base = GroupByName(m_baseIsCurrent ? m_entries : m_base);
  const EntryGroups ours = GroupByName(m_entries);
  const EntryGroups theirs = GroupByName(current);
  static const std::vector<const TFolderEntry*> none;
  const auto find = [](const EntryGroups& groups, const std::string& name) -> const auto& {
    const auto it = groups.find(name);
    return it == groups.end() ? none : it->second;
  };
  std::set<std::string> names;
  for (const EntryGroups* groups : {&ours, &theirs})
    for (const auto& [name, list] : *groups)
      names.insert(name);

  std::vector<TFolderEntry> merged;
  for (const std::string& name : names) {
    const auto& mine = find(ours, name);
    const auto& taken = SameEntries(mine, find(base, name)) ? find(theirs, name) : mine;
    for (const TFolderEntry* entry : taken)
      merged.push_back(*entry);
  }
  m_entries = std::move(merged);
}

void TVirtualFolder::SaveAs(const std::filesystem::path& fileName, const ReplaceHook& hook) {
  const bool ownFile = SamePath(fileName, m_fileName);
  m_fileName = fileName;
  const FileWriteLock lock(fileName);
  // Another program wrote our file since we read it: its work is kept, ours put over it. A file
  // that has gone altogether tells nothing; ours is written whole.
  const FileIdentity now = IdentityOf(fileName);
  if (m_hasBase && ownFile && now.regular && now != m_baseIdentity) {
    MergeWithCurrentFile(fileName);
  }
  std::stable_sort(m_entries.begin(), m_entries.end(), [](const TFolderEntry& a, const TFolderEntry& b) {
    return CompareTextAZ(a.Name, b.Name) < 0;
  });
  // The entries still in their files keep those files open; the archive itself lets go of its own.
  m_file.reset();

  // Everything is checked before the first byte is written.
  std::uint64_t total = 4 + std::uint64_t{kPakRecordSize} * m_entries.size();
  std::set<ArchiveSource*> sources;
  for (const TFolderEntry& entry : m_entries) {
    if (!entry.Available()) {
      throw FileError::cannotCreate(fileName.string(), "the bytes of entry \"" + entry.Name +
                                                           "\" cannot be read (" + entry.Problem +
                                                           "); remove the entry first");
    }
    if (entry.Size > 0 && !entry.HasData()) sources.insert(entry.Source.get());
    total += entry.Size;
  }
  for (ArchiveSource* source : sources) {
    try {
      source->CheckUnchanged();
    } catch (const ArchiveError& e) {
      throw FileError::cannotCreate(fileName.string(), e.problem());
    }
  }
  if (total > UINT32_MAX) {
    throw FileError::cannotCreate(fileName.string(),
                                  "the archive would be " + std::to_string(total) +
                                      " bytes, more than a PAK archive can address (4 GiB)");
  }

  // Saving over a file that already has the backup name keeps no backup: rotating it
  // would delete the very file being replaced.
  std::filesystem::path backup = BackupNameFor(fileName);
  if (backup == fileName) backup.clear();

  AtomicFileWriter writer(fileName, backup);
  ByteWriter directory;
  directory.u32(static_cast<std::uint32_t>(m_entries.size()));
  std::uint32_t running = 0;
  for (TFolderEntry& entry : m_entries) {
    std::uint8_t record[kPakRecordSize] = {};
    // A name read from a foreign file may fill the whole field; it is written back as read.
    std::memcpy(record, entry.Name.data(), std::min<std::size_t>(entry.Name.size(), kPakNameField));
    StoreU32(record + kPakNameField, running);
    StoreU32(record + kPakNameField + 4, entry.Size);
    directory.bytes(record);
    running += entry.Size;
    entry.Flags = kEntryResident;
  }
  writer.write(directory.data());
  directory = ByteWriter();
  // Entry by entry, those still in a file copied from it, so memory does not grow with the archive;
  // entries that follow each other in their file too are copied as one range.
  ArchiveSource* from = nullptr;
  std::uint64_t start = 0, length = 0;
  const auto copyRange = [&] {
    if (length > 0) writer.copyFrom(from->file, start, length);
    length = 0;
  };
  for (const TFolderEntry& entry : m_entries) {
    if (entry.Size == 0) continue;
    if (entry.HasData()) {
      copyRange();
      writer.write(entry.Bytes());
      continue;
    }
    if (length > 0 && (entry.Source.get() != from || entry.SourceStart != start + length)) copyRange();
    if (length == 0) {
      from = entry.Source.get();
      start = entry.SourceStart;
    }
    length += entry.Size;
  }
  copyRange();
  writer.commit(hook);
  RememberBase(IdentityOf(fileName));
}

}  // namespace dravo
