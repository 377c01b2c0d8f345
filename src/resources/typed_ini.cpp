#include "resources/typed_ini.h"

#include "core/file_io.h"
#include "core/text.h"
#include "resources/ini_lines.h"

namespace dravo {

void TRmxIniFile::LoadFromMemory(const char* begin, const char* end) {
  m_lines = SplitTextLines(std::string_view(begin, static_cast<std::size_t>(end - begin)));
}

void TRmxIniFile::LoadFromFile(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  m_lines = SplitTextLines(std::string_view(text, bytes.size()));
}

void TRmxIniFile::SaveToFile(const std::filesystem::path& path) {
  SaveLines(m_lines, path);
}

void TRmxIniFile::LoadFromStream(MemoryStream& stream) {
  const auto rest = stream.bytes().subspan(std::min(stream.position(), stream.size()));
  const auto* text = reinterpret_cast<const char*>(rest.data());
  LoadFromMemory(text, text + rest.size());
  stream.setPosition(stream.size());
}

std::string TRmxIniFile::ReadString(std::string_view section, std::string_view key) const {
  const int header = FindSectionHeader(m_lines, section);
  if (header < 0 || key.empty()) return {};
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < m_lines.size(); ++i) {
    const std::string& line = m_lines[i];
    if (line.empty()) continue;
    if (line[0] == '[') break;
    if (line[0] == ';') continue;
    const std::size_t at = FindTextAZ(line, key);
    if (at == std::string::npos) continue;
    std::size_t p = at + key.size();
    while (p < line.size() && line[p] == ' ')
      ++p;
    if (p < line.size() && line[p] == '=') return Trim(std::string_view(line).substr(p + 1, kIniValueMax));
  }
  return {};
}

std::int32_t TRmxIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  return StrToIntDef(ReadString(section, key), fallback);
}

bool TRmxIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  const std::string value = ReadString(section, key);
  if (value.empty()) return fallback;
  return value[0] == 'T' || value[0] == 't';
}

}  // namespace dravo
