#pragma once

// Reads the game's PAK archives for the resource manager (TMvAFilePlugIn).

#include <cstdint>
#include <span>
#include <string>

#include "resources/resource_folder.h"

namespace dravo {

// Reads the game's PAK archives for the resource manager: the directory at mount time,
// one entry per read. The archive file is opened for each read and closed again.
class TMvAFilePlugIn : public TRmxFilePlugIn {
 public:
  std::string Extensions() const override { return ".pak"; }
  // Throws FileError when the archive cannot be opened, ArchiveError naming the entry when
  // its bytes lie outside the file.
  int ReadResource(TRmxCustomFolder& folder, int index, MemoryStream& stream) override;
  // Throws FileError when the file cannot be opened, ArchiveError when its directory does
  // not fit in it; the manager then leaves it unmounted. Entries that do not fit are mounted.
  int LoadFolder(TRmxCustomFolder& folder) override;

  // Fills `folder` from the first bytes of a PAK file of `fileSize` bytes; the same
  // checks as LoadFolder. Lets the directory reader run on bytes in memory.
  static void LoadDirectoryBytes(TRmxCustomFolder& folder, std::span<const std::uint8_t> head,
                                 std::uint64_t fileSize);
};

}  // namespace dravo
