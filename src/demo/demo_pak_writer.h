#pragma once

// Writes a PAK archive whose entries are made one at a time while the file is written, so an archive of
// hundreds of megabytes never sits in memory. The file is laid out as the program's own archives are:
// directory sorted by name, entry bytes back to back in directory order.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace dravo::demo {

struct PakSource {
  std::string name;
  std::uint32_t size = 0;
  // Makes the entry's bytes (exactly `size` of them); called once, while the file is written.
  std::function<std::vector<std::uint8_t>()> bytes;
};

// Replaces `file` only once it is complete. Throws std::invalid_argument for a name a directory record
// cannot hold or two entries of the same name, std::logic_error when a source's bytes are not its size,
// FileError when the file cannot be written.
void WritePak(const std::filesystem::path& file, std::vector<PakSource> entries);

}  // namespace dravo::demo
