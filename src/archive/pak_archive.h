#pragma once

// A PAK archive file as a folder of named entries (TMvAFolder): open, read, put, delete, save.

#include <filesystem>
#include <memory>

#include "archive/virtual_folder.h"

namespace dravo {

// A PAK archive: the program's own archive and the PAK files users exchange. Its directory is
// read at once, an entry's bytes when asked for, and kept from then on.
class TMvAFolder : public TVirtualFolder {
 public:
  // Opens the file, keeps it open for reading and loads its directory.
  // Throws FileError when it cannot be opened, ArchiveError when it is not a PAK archive. An
  // entry whose bytes lie outside the file is listed; reading it throws ArchiveError naming it.
  static std::unique_ptr<TMvAFolder> Open(const std::filesystem::path& fileName);
  // An empty archive bound to the name; no file is touched.
  static std::unique_ptr<TMvAFolder> CreateNew(const std::filesystem::path& fileName);

  void LoadDirectory() override;
  void ReadEntryData(int index, bool keepResident) override;

 protected:
  std::vector<TFolderEntry> ReadCurrentEntries(const std::filesystem::path& fileName) override;

 private:
  explicit TMvAFolder(std::filesystem::path fileName) : TVirtualFolder(std::move(fileName)) {}
};

}  // namespace dravo
