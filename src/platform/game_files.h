#pragma once

// Game-relative names ("data\\common.pak") as paths on disk, letter case matched.

#include <filesystem>
#include <string_view>

namespace dravo {

// Turns a game-relative name such as "data\common.pak" into a path below `base`, matching
// each part without regard to A-Z case, as the game's Windows file system did: it finds
// "Data/Common.PAK". An exact match wins; parts that do not exist are kept as written, so
// a file yet to be created gets a sensible name.
std::filesystem::path ResolveGamePath(const std::filesystem::path& base, std::string_view relative);

}  // namespace dravo
