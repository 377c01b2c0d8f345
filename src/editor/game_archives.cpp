#include "editor/game_archives.h"

#include <system_error>

#include "platform/game_files.h"

namespace dravo {

std::string GameFile(const std::string& gameFolder, const std::string& relative) {
  return ResolveGamePath(gameFolder, relative).string();
}

void MountGameArchives(TRmxResManager& manager, const std::string& gameFolder) {
  manager.Mount(GameFile(gameFolder, kCommonArchive), kCommonMountName, false);
  manager.Mount(GameFile(gameFolder, kTexturesArchive), kTexturesMountName, false);
}

bool LocateGame(TRmxResManager& manager, const GameSearch& search, std::string& gameFolder) {
  const std::optional<FoundGame> found = FindGameFolder(search);
  if (!found) return false;
  gameFolder = found->folder;
  MountGameArchives(manager, gameFolder);
  return true;
}

std::unique_ptr<TMvAFolder> OpenOwnArchive(const std::string& gameFolder) {
  const std::filesystem::path path = ResolveGamePath(gameFolder, kOwnArchive);
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) return TMvAFolder::Open(path);
  return TMvAFolder::CreateNew(path);
}

}  // namespace dravo
