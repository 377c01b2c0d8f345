#pragma once

// The user's folders for configuration and state, from the environment.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace dravo {

// Reads an environment variable; tests pass their own.
using EnvLookup = std::function<std::optional<std::string>(const std::string& name)>;
EnvLookup ProcessEnvironment();

// The user's home folder: $HOME, else the account's home directory.
std::filesystem::path HomeFolder(const EnvLookup& env);
// $XDG_CONFIG_HOME/Vell/DravoKit, or ~/.config/Vell/DravoKit when that is unset or relative.
std::filesystem::path ConfigFolder(const EnvLookup& env);
// Where the options live (what the registry key was).
std::filesystem::path OptionsFilePath(const EnvLookup& env);
// The per-user state beside the options: the remembered game folder and the like.
std::filesystem::path StateFilePath(const EnvLookup& env);

}  // namespace dravo
