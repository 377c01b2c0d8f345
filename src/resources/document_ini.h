#pragma once

// The lenient INI reader (TKelIniFile) for motions.ini and the rider and machine documents.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory_stream.h"

namespace dravo {

// Reader of "motions.ini" and the rider and machine documents. Its match is looser than
// TRmxIniFile's (any line containing the key, value after the line's first "=", not
// trimmed), and callers walk sections line by line from SectionStart.
class TKelIniFile {
 public:
  TKelIniFile() = default;
  virtual ~TKelIniFile() = default;

  virtual void LoadFromMemory(const char* begin, const char* end);
  virtual void LoadFromFile(const std::filesystem::path& path);
  virtual void SaveToFile(const std::filesystem::path& path);
  // From the stream's position to its end; leaves it at its end.
  virtual void LoadFromStream(MemoryStream& stream);

  std::string ReadString(std::string_view section, std::string_view key) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;
  // The index of the line after the section's header, or -1.
  int SectionStart(std::string_view section) const;

  std::vector<std::string>& Lines() { return m_lines; }
  const std::vector<std::string>& Lines() const { return m_lines; }

 protected:
  std::vector<std::string> m_lines;
};

}  // namespace dravo
