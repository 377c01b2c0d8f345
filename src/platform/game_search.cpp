#include "platform/game_search.h"

#include <system_error>
#include <vector>

#include "core/file_io.h"
#include "core/text.h"
#include "platform/game_files.h"
#include "platform/options_store.h"

namespace dravo {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRememberedKey = "GameFolder";

std::optional<std::string> AsGameFolder(const std::string& candidate) {
  if (candidate.empty()) return std::nullopt;
  std::error_code ec;
  if (!HoldsGame(candidate)) return std::nullopt;
  // Names are formed by appending relative paths, so the folder ends with its separator.
  std::string folder = fs::absolute(candidate, ec).lexically_normal().string();
  if (ec) return std::nullopt;
  if (folder.back() != '/') folder += '/';
  return folder;
}

void AppendUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted, escaped registry string starting at text[at] == '"'. Wine writes
// backslash escapes, octal escapes and \x followed by up to four hex digits.
std::optional<std::string> ParseQuoted(std::string_view text, std::size_t& at) {
  if (at >= text.size() || text[at] != '"') return std::nullopt;
  std::string out;
  for (++at; at < text.size(); ++at) {
    const char c = text[at];
    if (c == '"') {
      ++at;
      return out;
    }
    if (c != '\\') {
      out += c;
      continue;
    }
    if (++at >= text.size()) return std::nullopt;
    const char e = text[at];
    switch (e) {
      case 'a':
        out += '\a';
        break;
      case 'b':
        out += '\b';
        break;
      case 'e':
        out += '\x1b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'v':
        out += '\v';
        break;
      case 'x': {
        std::uint32_t code = 0;
        int digits = 0;
        while (digits < 4 && at + 1 < text.size() && HexDigit(text[at + 1]) >= 0) {
          code = code * 16 + static_cast<std::uint32_t>(HexDigit(text[++at]));
          ++digits;
        }
        if (digits == 0) return std::nullopt;
        AppendUtf8(out, code);
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          std::uint32_t code = static_cast<std::uint32_t>(e - '0');
          for (int digits = 1;
               digits < 3 && at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '7'; ++digits) {
            code = code * 8 + static_cast<std::uint32_t>(text[++at] - '0');
          }
          AppendUtf8(out, code);
        } else {
          out += e;  // \\ and \" and anything else stand for themselves
        }
    }
  }
  return std::nullopt;
}

}  // namespace

bool HoldsGame(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder, ec) && fs::is_regular_file(ResolveGamePath(folder, kGameMarkerFile), ec);
}

std::string NotTheGameText(const std::string& folder) {
  return folder +
         " does not hold MVA: there is no data\\common.pak in it. Choose the folder MVA is installed in.";
}

std::optional<std::string> ReadWineRegistryString(std::string_view reg, std::string_view key,
                                                  std::string_view value) {
  bool inKey = false;
  std::size_t start = 0;
  while (start < reg.size()) {
    std::size_t end = reg.find('\n', start);
    if (end == std::string_view::npos) end = reg.size();
    std::string_view line = reg.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;
    if (line[0] == '[') {
      // [Software\\THQ\\MXvsATV\\Install] 1620000000
      const std::size_t close = line.rfind(']');
      inKey = false;
      if (close == std::string_view::npos) continue;
      std::string name;
      const std::string_view escaped = line.substr(1, close - 1);
      for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] == '\\' && i + 1 < escaped.size() && escaped[i + 1] == '\\') ++i;
        name += escaped[i];
      }
      inKey = SameTextAZ(name, key);
      continue;
    }
    if (!inKey || line[0] != '"') continue;
    std::size_t at = 0;
    const auto name = ParseQuoted(line, at);
    if (!name || !SameTextAZ(*name, value) || at >= line.size() || line[at] != '=') continue;
    ++at;
    if (line.substr(at).starts_with("str(2):")) at += 7;  // an expandable string
    return ParseQuoted(line, at);                         // other types (dword:, hex:) are not text
  }
  return std::nullopt;
}

std::optional<std::string> ReadWineGamePath(const fs::path& prefix) {
  std::vector<std::uint8_t> bytes;
  try {
    bytes = ReadWholeFile(prefix / "system.reg");
  } catch (...) {
    return std::nullopt;
  }
  const std::string_view reg(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // A 64-bit prefix keeps the keys of 32-bit programs under Wow6432Node.
  for (const char* key :
       {"Software\\THQ\\MXvsATV\\Install", "Software\\Wow6432Node\\THQ\\MXvsATV\\Install"}) {
    if (auto path = ReadWineRegistryString(reg, key, "Path")) return path;
  }
  return std::nullopt;
}

std::optional<fs::path> WinePathToHost(const fs::path& prefix, std::string_view path) {
  if (path.size() < 2 || path[1] != ':') return std::nullopt;
  const char drive = LowerAZ(path[0]);
  if (drive < 'a' || drive > 'z') return std::nullopt;
  std::error_code ec;
  fs::path base = prefix / "dosdevices" / (std::string(1, drive) + ":");
  if (!fs::is_directory(base, ec)) {
    if (drive != 'c') return std::nullopt;
    base = prefix / "drive_c";
  }
  return ResolveGamePath(base, path.substr(2));
}

// The state file is an options file of its own (it also keeps the version value): text in it is
// 8-bit, so a folder name of any bytes comes back as it was.
std::optional<std::string> RememberedGameFolder(const fs::path& stateFile) {
  const std::string folder = TRmxOptions(stateFile).ReadString(kRememberedKey, "");
  if (folder.empty()) return std::nullopt;
  return folder;
}

void RememberGameFolder(const fs::path& stateFile, const std::string& folder) {
  TRmxOptions(stateFile).WriteString(kRememberedKey, folder);
}

std::optional<FoundGame> FindGameFolder(const GameSearch& search) {
  if (auto folder = AsGameFolder(search.commandLine)) return FoundGame{*folder, GameSource::CommandLine};
  if (auto env = search.env("DRAVO_GAME_DIR")) {
    if (auto folder = AsGameFolder(*env)) return FoundGame{*folder, GameSource::Environment};
  }
  const fs::path stateFile = search.stateFile.empty() ? StateFilePath(search.env) : search.stateFile;
  if (auto remembered = RememberedGameFolder(stateFile)) {
    if (auto folder = AsGameFolder(*remembered)) return FoundGame{*folder, GameSource::Remembered};
  }
  fs::path prefix;
  if (auto wine = search.env("WINEPREFIX"); wine && !wine->empty()) {
    prefix = *wine;
  } else {
    prefix = HomeFolder(search.env) / ".wine";
  }
  if (auto windowsPath = ReadWineGamePath(prefix)) {
    if (auto host = WinePathToHost(prefix, *windowsPath)) {
      if (auto folder = AsGameFolder(host->string())) return FoundGame{*folder, GameSource::WineRegistry};
    }
  }
  // The chooser asks until it is given the game or cancelled.
  while (search.chooseFolder) {
    const std::optional<std::string> chosen = search.chooseFolder();
    if (!chosen) break;
    if (auto folder = AsGameFolder(*chosen)) return FoundGame{*folder, GameSource::Chooser};
    if (search.refuseFolder) search.refuseFolder(*chosen);
  }
  return std::nullopt;
}

}  // namespace dravo
