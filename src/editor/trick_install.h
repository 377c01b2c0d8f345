#pragma once

// Installing tricks into the game and taking them out again, as the transfer window's "Save" and
// "Revert to stock", "Save this trick" and `dravo trick` all do it: the program's own archive
// holds installed tricks; a motion is also written over its stock entry in common.pak when the
// sizes match, its stock bytes kept first in a backup archive so they can always be put back.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "archive/pak_archive.h"

namespace dravo {

class TRmxResManager;

// Told when a motion cannot be written over its stock entry, by "Save this trick" and by imports.
inline constexpr const char* kTrickWrongSizeText =
    "Can't save the trick to the Common.Pak because it is the wrong size.";

// The game's archives, by their names in the game folder (letter case as found on disk).
struct GameArchives {
  std::filesystem::path common;  // data\common.pak
  std::filesystem::path own;     // data\$dravo.pak
  std::filesystem::path stock;   // data\$dravo-stock.pak: the stock bytes of what we overwrote
  static GameArchives In(const std::string& gameFolder);
};

enum class CommonWrite { Written, WrongSize, NotInCommon };

// Overwrites the entry that the resource manager finds under the bare file name in its "Common"
// folder (and nowhere else), in place, when the sizes match; the entry's stock bytes are kept
// first. Opening common.pak for writing comes first: a read-only or locked archive throws
// FileError whether or not it holds the name.
CommonWrite WriteIntoCommon(TRmxResManager& resources, const GameArchives& game, const std::string& fileName,
                            std::span<const std::uint8_t> bytes);

// A trick as the game names its motions: the machine type (0 motocross, 1 ATV, 2 freestyle) and
// the name without prefix and extension ("backflip").
struct TrickId {
  int machineType = 0;
  std::string name;
  friend bool operator==(const TrickId&, const TrickId&) = default;
};
// "mx", "atv" or "freestyle"; and back (nullopt for anything else).
const char* MachineTypeName(int machineType);
std::optional<int> MachineTypeNamed(std::string_view name);

// The trick an entry of the own archive stores a motion of (its game or user-interface copy), or
// nullopt for an entry that is no trick's motion.
std::optional<TrickId> TrickOfEntry(std::string_view entryName);
// The tricks the own archive holds, in the order of their first entries.
std::vector<TrickId> InstalledTricks(const TVirtualFolder& own);
// The entries of the own archive that store the trick's motions (up to four).
std::vector<std::string> InstalledEntries(const TVirtualFolder& own, const TrickId& trick);

// The names of the entries the transfer window imported into the own archive; their marks are
// cleared.
std::vector<std::string> TakeImportedNames(TVirtualFolder& own);

// What "Save" in the transfer window does with imported entries once the own archive is saved:
// each is written over the stock entry of its file name in common.pak. `wrongSize` is told of
// each whose stock entry has another size (the rest go on). Throws FileError when common.pak
// cannot be written.
void WriteImportedIntoCommon(TVirtualFolder& own, const std::vector<std::string>& names,
                             TRmxResManager& resources, const GameArchives& game,
                             const std::function<void(const std::string&)>& wrongSize);

// Puts the stock bytes kept for the trick's motions back into common.pak; the entries restored.
std::vector<std::string> RestoreStockMotions(const GameArchives& game, const TrickId& trick);

struct RevertResult {
  std::vector<std::string> removed;   // entries taken out of the own archive
  std::vector<std::string> restored;  // entries of common.pak given their stock bytes back
};
// Takes a trick out: its entries leave the own archive (saved when there were any), and the stock
// bytes kept for its motions go back into common.pak. Throws FileError when an archive cannot be
// written.
RevertResult RevertTrick(TMvAFolder& own, const GameArchives& game, const TrickId& trick);

}  // namespace dravo
