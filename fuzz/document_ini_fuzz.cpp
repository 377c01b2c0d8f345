// TKelIniFile: loading any bytes and looking up the sections and keys the text itself names.
#include <cstdint>
#include <string>

#include "resources/document_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dravo::MemoryStream stream;
  stream.write(data, size);
  stream.setPosition(0);
  dravo::TKelIniFile ini;
  ini.LoadFromStream(stream);
  std::string section;
  for (const std::string& line : ini.Lines()) {
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const std::string key = line.substr(0, line.find('='));
    ini.ReadString(section, key);
    ini.ReadInteger(section, key, -1);
    ini.SectionStart(section);
  }
  return 0;
}
