#include "resources/document_ini.h"

#include "core/file_io.h"
#include "core/text.h"
#include "resources/ini_lines.h"

namespace dravo {

void TKelIniFile::LoadFromMemory(const char* begin, const char* end) {
  m_lines = SplitKelLines(std::string_view(begin, static_cast<std::size_t>(end - begin)));
}

void TKelIniFile::LoadFromFile(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  m_lines = SplitTextLines(std::string_view(text, bytes.size()));
}

void TKelIniFile::SaveToFile(const std::filesystem::path& path) {
  SaveLines(m_lines, path);
}

void TKelIniFile::LoadFromStream(MemoryStream& stream) {
  const auto rest = stream.bytes().subspan(std::min(stream.position(), stream.size()));
  const auto* text = reinterpret_cast<const char*>(rest.data());
  LoadFromMemory(text, text + rest.size());
  stream.setPosition(stream.size());
}

std::string TKelIniFile::ReadString(std::string_view section, std::string_view key) const {
  const int start = SectionStart(section);
  if (start < 0 || key.empty()) return {};
  for (std::size_t i = static_cast<std::size_t>(start); i < m_lines.size(); ++i) {
    const std::string& line = m_lines[i];
    if (line.empty()) continue;
    if (line[0] == '[') break;
    if (line[0] == ';') continue;
    if (FindTextAZ(line, key) == std::string::npos) continue;
    // The key need not be followed by "=": the value is whatever follows the first one.
    const std::size_t equals = line.find('=');
    const std::string_view value =
        equals == std::string::npos ? std::string_view(line) : std::string_view(line).substr(equals + 1);
    return std::string(value.substr(0, kIniValueMax));
  }
  return {};
}

std::int32_t TKelIniFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  return StrToIntDef(ReadString(section, key), fallback);
}

int TKelIniFile::SectionStart(std::string_view section) const {
  const int header = FindSectionHeader(m_lines, section);
  return header < 0 ? -1 : header + 1;
}

}  // namespace dravo
