#include "resources/ini_lines.h"

#include "core/file_io.h"
#include "core/text.h"

namespace dravo {

std::vector<std::string> SplitTextLines(std::string_view text) {
  const std::size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
      ++end;
    lines.emplace_back(text.substr(start, end - start));
    // CR LF is one break; LF CR is two.
    if (end < text.size() && text[end] == '\r') {
      ++end;
      if (end < text.size() && text[end] == '\n') ++end;
    } else if (end < text.size()) {
      ++end;
    }
    start = end;
  }
  return lines;
}

std::vector<std::string> SplitKelLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && (text[at] == '\r' || text[at] == '\n'))
      ++at;
    const std::size_t start = at;
    while (at < text.size() && text[at] != '\r' && text[at] != '\n')
      ++at;
    lines.emplace_back(text.substr(start, at - start));
  }
  return lines;
}

int FindSectionHeader(const std::vector<std::string>& lines, std::string_view section) {
  const std::string header = "[" + std::string(section) + "]";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (SameTextAZ(lines[i], header)) return static_cast<int>(i);
  }
  return -1;
}

void SaveLines(const std::vector<std::string>& lines, const std::filesystem::path& path) {
  std::string text;
  for (const std::string& line : lines)
    text += line + "\r\n";
  WriteFileAtomic(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

}  // namespace dravo
