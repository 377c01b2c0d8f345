#pragma once

// The game's archives as resources: finding the game, mounting its PAKs, opening the program's own archive.

#include <memory>
#include <string>

#include "archive/pak_archive.h"
#include "platform/game_search.h"
#include "resources/pak_plugin.h"
#include "resources/resource_manager.h"

namespace dravo {

// The extensions of the resources the editor looks up by name.
inline constexpr const char* kGameResourceExtensions = ".sub.dxg.dxm.dxt.mot.mcf";
// Game-relative names of the archives.
inline constexpr const char* kCommonArchive = "data\\common.pak";
inline constexpr const char* kTexturesArchive = "data\\tex.pak";
inline constexpr const char* kOwnArchive = "data\\$dravo.pak";
// The stock bytes of every entry of common.pak the program overwrote in place.
inline constexpr const char* kStockArchive = "data\\$dravo-stock.pak";
inline constexpr const char* kCommonMountName = "Common";
inline constexpr const char* kTexturesMountName = "Textures";

// What start-up shows when the game cannot be found, before it ends.
inline constexpr const char* kGameNotFoundText =
    "MVA could not be found on your system. Dravo Kit will now close";
inline constexpr const char* kGameNotFoundCaption = "MVA isn't installed";

// The process-wide resource services: the manager with the game's archive plug-in
// registered. The plug-in is declared first so that it outlives the manager's folders.
class GameResources {
 public:
  GameResources() : m_manager(kGameResourceExtensions) { m_manager.RegisterPlugIn(&m_plugIn); }
  TRmxResManager& manager() { return m_manager; }

 private:
  TMvAFilePlugIn m_plugIn;
  TRmxResManager m_manager;
};

// A game-relative name ("data\common.pak") as a path on disk, letter case matched.
std::string GameFile(const std::string& gameFolder, const std::string& relative);

// Finds the game and mounts its archives, "Common" first, then "Textures"; an archive
// that cannot be mounted is skipped without a word. False when no game folder was found.
bool LocateGame(TRmxResManager& manager, const GameSearch& search, std::string& gameFolder);
// Mounts the archives of a known game folder (ending with a separator).
void MountGameArchives(TRmxResManager& manager, const std::string& gameFolder);

// The program's own archive: opened when it exists, otherwise a new empty one bound to
// its name (no file is written). Throws FileError/ArchiveError when it exists but cannot
// be opened.
std::unique_ptr<TMvAFolder> OpenOwnArchive(const std::string& gameFolder);

}  // namespace dravo
