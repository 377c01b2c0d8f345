#include "editor/model_set.h"

#include "core/text.h"
#include "resources/ini_lines.h"

namespace dravo {

std::vector<std::string> ReadMaterialChanges(const std::vector<std::string>& lines) {
  std::vector<std::string> changes;
  const int header = FindSectionHeader(lines, "Material Changes");
  if (header < 0) return changes;
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
    const std::string line = Trim(lines[i]);
    if (line.empty()) continue;
    if (line[0] == '[') break;
    if (line[0] == ';') continue;
    const std::size_t equals = line.find('=');
    // A line without "=" gives an empty name and the whole line as its replacement.
    const std::string left = equals == std::string::npos ? std::string() : line.substr(0, equals);
    const std::string right = equals == std::string::npos ? line : line.substr(equals + 1, 255);
    changes.push_back(Trim(left));
    changes.push_back(Trim(right));
  }
  return changes;
}

std::string ChangedMaterialName(const std::vector<std::string>& changes, std::string_view name) {
  const std::string bare = LowerAZ(ChangeFileExt(name, ""));
  for (std::size_t i = 0; i + 1 < changes.size(); i += 2) {
    if (LowerAZ(changes[i]) == bare) return ChangeFileExt(changes[i + 1], ".dxm");
  }
  return std::string(name);
}

std::string ModelConfigName(std::string_view mcfValue) {
  std::string mcf = Trim(mcfValue);
  if (LowerAZ(mcf).find("rider") != std::string::npos) mcf = "m" + mcf;
  return mcf;
}

std::int32_t FindBoneByName(const std::vector<std::string>& boneNames, std::string_view name) {
  const std::string wanted = Trim(LowerAZ(ChangeFileExt(name, "")));
  for (std::size_t i = 0; i < boneNames.size(); ++i) {
    const std::string& bone = boneNames[i];
    const std::string cut = bone.substr(0, std::min<std::size_t>(bone.find('\0'), 128));
    if (LowerAZ(cut) == wanted) return static_cast<std::int32_t>(i);
  }
  return 0;
}

}  // namespace dravo
