#include "platform/game_files.h"

#include <optional>
#include <string>
#include <system_error>

#include "core/text.h"

namespace dravo {

namespace fs = std::filesystem;

namespace {

std::optional<std::string> FindEntry(const fs::path& folder, const std::string& name) {
  std::error_code ec;
  if (fs::exists(fs::symlink_status(folder / name, ec))) return name;
  std::optional<std::string> best;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string candidate = it->path().filename().string();
    // Several spellings may exist on a case-sensitive disk; take the same one every time.
    if (SameTextAZ(candidate, name) && (!best || candidate < *best)) best = candidate;
  }
  return best;
}

}  // namespace

fs::path ResolveGamePath(const fs::path& base, std::string_view relative) {
  fs::path path = base;
  std::size_t start = 0;
  while (start <= relative.size()) {
    std::size_t end = relative.find_first_of("\\/", start);
    if (end == std::string_view::npos) end = relative.size();
    const std::string part(relative.substr(start, end - start));
    if (!part.empty() && part != ".") {
      const std::optional<std::string> found = part == ".." ? std::nullopt : FindEntry(path, part);
      path /= found ? *found : part;
    }
    start = end + 1;
  }
  return path;
}

}  // namespace dravo
