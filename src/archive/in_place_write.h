#pragma once

// Writing into the game's own archive: one entry's bytes overwritten in place, the file keeping
// its size, and the entry's stock bytes kept in a backup archive the first time it is changed,
// so they can always be put back.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace dravo {

enum class InPlaceWrite { Written, WrongSize, NotAnEntry };

// Overwrites the bytes of one entry inside an existing PAK file and nothing else. The entry is
// named by its absolute offset and stored size, as the archive plug-in reports them, and must
// still be an entry of the file's own directory. With a stock archive, the entry's bytes as they
// are now are first kept there under the entry's name, unless it already keeps that name.
// Returns WrongSize (nothing written) when `bytes` is not exactly `storedSize` long and
// NotAnEntry when the directory holds no such entry. Other writers of the file wait meanwhile.
// Throws FileError when the file cannot be opened or written or the stock bytes cannot be kept,
// ArchiveError when its directory is damaged.
InPlaceWrite WritePakEntryInPlace(const std::filesystem::path& pak, std::uint32_t offset,
                                  std::uint32_t storedSize, std::span<const std::uint8_t> bytes,
                                  const std::filesystem::path& stockArchive = {});

enum class StockRestore { Restored, NotKept, NotAnEntry, WrongSize };

// Puts the stock bytes kept for `entryName` back into the PAK file, in place, into the first
// entry of that name (A-Z folded). NotKept when the stock archive keeps none for it.
StockRestore RestoreStockEntry(const std::filesystem::path& pak, const std::filesystem::path& stockArchive,
                               const std::string& entryName);

}  // namespace dravo
