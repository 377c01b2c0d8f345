#include "platform/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace dravo {

EnvLookup ProcessEnvironment() {
  return [](const std::string& name) -> std::optional<std::string> {
    const char* value = std::getenv(name.c_str());
    if (!value) return std::nullopt;
    return std::string(value);
  };
}

std::filesystem::path HomeFolder(const EnvLookup& env) {
  if (auto home = env("HOME"); home && !home->empty()) return *home;
  if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) return entry->pw_dir;
  return "/";
}

std::filesystem::path ConfigFolder(const EnvLookup& env) {
  std::filesystem::path base;
  // Relative values are to be ignored, as the base directory rules say.
  if (auto xdg = env("XDG_CONFIG_HOME"); xdg && !xdg->empty() && std::filesystem::path(*xdg).is_absolute()) {
    base = *xdg;
  } else {
    base = HomeFolder(env) / ".config";
  }
  return base / "Vell" / "DravoKit";
}

std::filesystem::path OptionsFilePath(const EnvLookup& env) {
  return ConfigFolder(env) / "options.json";
}
std::filesystem::path StateFilePath(const EnvLookup& env) {
  return ConfigFolder(env) / "state.json";
}

}  // namespace dravo
