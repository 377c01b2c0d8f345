#pragma once

// The strict, typed INI reader (TRmxIniFile) that materials build on.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/memory_stream.h"

namespace dravo {

// Reader of the game's INI-style documents with typed values and a strict match: the key,
// optional blanks, then "=". Materials build on it.
class TRmxIniFile {
 public:
  TRmxIniFile() = default;
  virtual ~TRmxIniFile() = default;

  virtual void LoadFromMemory(const char* begin, const char* end);
  virtual void LoadFromFile(const std::filesystem::path& path);
  virtual void SaveToFile(const std::filesystem::path& path);
  // From the stream's position to its end (or its first zero byte); leaves it at its end.
  virtual void LoadFromStream(MemoryStream& stream);

  // The value, or empty when the section or key is not found.
  std::string ReadString(std::string_view section, std::string_view key) const;
  std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;
  // True when the value starts with "T" or "t", false for any other value, the default when empty.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

  const std::vector<std::string>& Lines() const { return m_lines; }

 protected:
  std::vector<std::string> m_lines;
};

}  // namespace dravo
