#pragma once

// Where the game is: the command line, the environment, the remembered folder, Wine, then the user.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/user_folders.h"

namespace dravo {

// Where the game was found, in the order the places are tried.
enum class GameSource { CommandLine, Environment, Remembered, WineRegistry, Chooser };

struct FoundGame {
  std::string folder;  // absolute, with a trailing separator
  GameSource source;
};

struct GameSearch {
  std::string commandLine;  // the value of --game; empty when not given
  EnvLookup env = ProcessEnvironment();
  std::filesystem::path stateFile;  // empty: the per-user state file
  // Asked last, when no other place names the game; nullopt when the user cancels.
  std::function<std::optional<std::string>()> chooseFolder;
  // Told of a chosen folder that does not hold the game (NotTheGameText) before the chooser asks again.
  std::function<void(const std::string&)> refuseFolder;
};

// The file whose presence makes a folder the game's, matched without regard to case.
inline constexpr const char* kGameMarkerFile = "data\\common.pak";
bool HoldsGame(const std::filesystem::path& folder);
// What the folder chooser says of a folder that does not hold the game.
std::string NotTheGameText(const std::string& folder);

// Tries --game, $DRAVO_GAME_DIR, the remembered folder, the game's install key in the
// Wine registry, then the folder chooser (again until it is cancelled). A place counts only
// when its folder holds the game (HoldsGame).
std::optional<FoundGame> FindGameFolder(const GameSearch& search);

// The game folder remembered from the last run, and remembering one (atomically).
std::optional<std::string> RememberedGameFolder(const std::filesystem::path& stateFile);
void RememberGameFolder(const std::filesystem::path& stateFile, const std::string& folder);

// A string value of the Wine registry file text `reg` ("system.reg"), under `key` written
// with single backslashes, found without regard to A-Z case.
std::optional<std::string> ReadWineRegistryString(std::string_view reg, std::string_view key,
                                                  std::string_view value);
// The game's "Path" under its install key in the prefix's system.reg, as written there.
std::optional<std::string> ReadWineGamePath(const std::filesystem::path& prefix);
// "C:\Games\MX\" of a Wine prefix as a host path, through dosdevices/ or drive_c/.
std::optional<std::filesystem::path> WinePathToHost(const std::filesystem::path& prefix,
                                                    std::string_view path);

}  // namespace dravo
