#pragma once

// A folder of named byte entries (TVirtualFolder), the base of the PAK archive: entries of a file
// are read from it when asked for, added ones are held in memory.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/file_io.h"
#include "core/memory_stream.h"

namespace dravo {

// Flags of an entry. Callers may keep marks of their own in the other bits.
inline constexpr std::uint32_t kEntryFromFile = 1;  // read from the file, not handed out yet
inline constexpr std::uint32_t kEntryResident = 2;  // held in memory for the entry's life

// An archive file held open for its entries' bytes, with what it looked like when opened: a file
// another program has since written into is not read as if nothing happened.
struct ArchiveSource {
  explicit ArchiveSource(BinaryFile opened) : file(std::move(opened)), atOpen(file.identity()) {}
  // Throws ArchiveError when the file's size or time changed since it was opened.
  void CheckUnchanged();

  BinaryFile file;
  FileIdentity atOpen;
};

struct TFolderEntry {
  std::string Name;
  std::uint32_t Offset = 0;  // absolute offset in the archive file
  std::uint32_t Size = 0;
  std::uint32_t Flags = 0;
  // The bytes when held in memory: Size bytes from Start of a buffer that entries read from
  // one file share (entries may point at the same bytes; memory stays the file's size).
  std::shared_ptr<const std::vector<std::uint8_t>> Buffer;
  std::size_t Start = 0;
  // Where the bytes are in a file: an entry read from an archive keeps them there until asked
  // for, and a save copies them from there without reading them into memory.
  std::shared_ptr<ArchiveSource> Source;
  std::uint64_t SourceStart = 0;
  // Why the bytes cannot be read from the file; empty when they can.
  std::string Problem;

  bool HasData() const { return Size > 0 && Buffer != nullptr; }
  // The bytes can be had, from memory or from the file.
  bool Available() const { return Size == 0 || HasData() || (Source != nullptr && Problem.empty()); }
  std::span<const std::uint8_t> Bytes() const {
    return HasData() ? std::span<const std::uint8_t>(Buffer->data() + Start, Size)
                     : std::span<const std::uint8_t>();
  }
};

// An ordered list of named entries, bound to a file name. Edits change memory only; SaveAs
// writes the whole archive anew.
class TVirtualFolder {
 public:
  virtual ~TVirtualFolder();
  TVirtualFolder(const TVirtualFolder&) = delete;
  TVirtualFolder& operator=(const TVirtualFolder&) = delete;

  virtual void Clear();
  virtual void LoadDirectory() {}
  // Appends an entry holding a copy of `source`; with no source nothing is added.
  virtual bool AddEntry(const std::string& name, MemoryStream* source);

  int Count() const { return static_cast<int>(m_entries.size()); }
  const std::filesystem::path& FileName() const { return m_fileName; }
  std::uint32_t DataEnd() const { return m_dataEnd; }
  bool HasOpenFile() const { return m_file != nullptr; }

  // The last entry whose name equals `name` (A-Z folded), or -1.
  int IndexOf(std::string_view name) const;
  // The first entry at or after `start` whose name contains `text` (A-Z folded), or -1.
  int IndexOfPart(std::string_view text, int start) const;
  // "Not found" for an index out of range.
  std::string EntryName(int index) const;
  std::uint32_t EntryFlags(int index) const;
  void SetEntryFlags(int index, std::uint32_t flags);
  // The entry's record, or null for an index out of range.
  const TFolderEntry* Entry(int index) const;

  // Copies the entry of that name into `stream` (its content replaced, position 0).
  // False, with the stream untouched, when there is no such entry.
  bool ReadByName(std::string_view name, MemoryStream& stream);
  // As above; creates the stream when the caller passes none.
  bool ReadByName(std::string_view name, std::unique_ptr<MemoryStream>& stream);
  // A new stream holding a copy of the entry; throws std::out_of_range for a bad index.
  std::unique_ptr<MemoryStream> ReadEntry(int index);

  // Adds or replaces the entry of that name; with no source it only removes it. False,
  // changing nothing, for a blank name, a name too long for a directory record, or a
  // source too large for an archive.
  bool Put(const std::string& name, MemoryStream* source);
  void Delete(int index);

  // Writes the whole archive to `fileName`, sorted by name; entries not read yet are copied from
  // their file by byte range, and a file another program wrote into since it was opened is refused. The
  // previous file of that name is kept as its ".bak"; the new file replaces it only once it is complete and
  // on disk. Other writers of the file wait meanwhile. When the file is this archive's own and another
  // program changed it since it was read, the other program's entries are kept: the file's current entries
  // are taken, then every entry changed here (added, replaced or deleted) over them. Throws FileError("Cannot
  // create file ...: reason") and loses nothing when that fails. `hook` lets tests fail a step of the
  // replacement.
  void SaveAs(const std::filesystem::path& fileName, const ReplaceHook& hook = {});

  // The backup name SaveAs uses for `fileName`: its extension replaced by ".bak".
  static std::filesystem::path BackupNameFor(const std::filesystem::path& fileName);

 protected:
  explicit TVirtualFolder(std::filesystem::path fileName) : m_fileName(std::move(fileName)) {}

  // Brings an entry's bytes into memory; the base holds nothing outside memory.
  virtual void ReadEntryData(int index, bool keepResident);
  // The entries of the archive file as it is now on disk; the base knows no file format.
  virtual std::vector<TFolderEntry> ReadCurrentEntries(const std::filesystem::path& fileName);
  void CopyOut(TFolderEntry& entry, int index, MemoryStream& stream);
  // What the file held when it was read or last saved: the base of a merge with other writers.
  void RememberBase(FileIdentity identity);

  std::vector<TFolderEntry> m_entries;
  std::filesystem::path m_fileName;
  std::shared_ptr<ArchiveSource> m_file;  // read-only, from Open until SaveAs
  std::uint32_t m_dataEnd = 0;

 private:
  void MergeWithCurrentFile(const std::filesystem::path& fileName);

  // Keeps the list as the file held it, before the first change to it.
  void KeepBase();

  std::vector<TFolderEntry> m_base;
  bool m_baseIsCurrent = false;  // the base is the list as it stands: nothing changed yet
  FileIdentity m_baseIdentity;
  bool m_hasBase = false;
};

}  // namespace dravo
