#include "editor/trick_names.h"

#include "core/text.h"
#include "resources/ini_lines.h"

namespace dravo {

namespace {

const MachineNames kNames[4] = {
    {"mx_", "bike_", "UI_MX_", "UI_MX_Bike_", "bike.mot", "MX_Stunts", 6},
    {"atv_", "atv_bike_", "UI_ATV_", "UI_ATV__bike_", "atv_bike_idle.mot", "ATV_Stunts", 6},
    {"mxf_", "mxf_bike_", "UI_MXF_", "UI_MXF_Bike_", "bike.mot", "ff_Stunts", 9},
    {"mxf_", "mxf_bike_", "UI_MXF_", "UI_MXF_Bike_", "bike.mot", "ff_Stunts", 9},
};

// Drops the first n characters (all of them when the text is shorter).
std::string DropFirst(std::string_view s, int n) {
  const auto count = static_cast<std::size_t>(n);
  return count >= s.size() ? std::string() : std::string(s.substr(count));
}

}  // namespace

const MachineNames& NamesFor(int machineType) {
  if (machineType < 0 || machineType > 3) return kNames[2];
  return kNames[machineType];
}

int MachineTypeOf(std::string_view machineFileName) {
  constexpr std::string_view kTypes = "MX_MXSATVSATMXF";
  const std::string_view head = machineFileName.substr(0, 3);
  const std::size_t at = kTypes.find(head);
  const std::size_t p = at == std::string_view::npos ? 0 : at + 1;
  switch (p / 3) {
    case 0:
    case 1:
      return 0;
    case 2:
    case 3:
      return 1;
    default:
      return 2;
  }
}

std::vector<CatalogueEntry> BuildCatalogueEntries(const std::vector<std::string>& lines, int machineType,
                                                  const std::function<bool(const std::string&)>& present) {
  const MachineNames& names = NamesFor(machineType);
  std::vector<CatalogueEntry> entries;
  const auto add = [&](const std::string& file, const std::string& name, bool attach) {
    if (present(names.riderPrefix + file)) entries.push_back({name, attach});
  };

  const int header = FindSectionHeader(lines, names.stuntSection);
  if (header >= 0) {
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      if (!line.empty() && line[0] == '[') break;
      const std::size_t at = line.find("motion=");
      if (at == std::string::npos) continue;
      const std::string value = line.substr(at + 7, 255);
      const std::string name = DropFirst(Trim(ChangeFileExt(value, "")), names.leadIn);
      const std::string file = Trim(DropFirst(value, names.leadIn));
      add(file, name, false);
    }
  }
  if (machineType == 0) {
    add("backflip.mot", "backflip", true);
    add("threesixty.mot", "threesixty", false);
    add("threesixtyl.mot", "threesixtyl", false);
    add("threesixtyr.mot", "threesixtyr", false);
  }
  return entries;
}

TrickEntryNames EntryNamesFor(int machineType, std::string_view trickName) {
  const MachineNames& names = NamesFor(machineType);
  const std::string t(trickName);
  TrickEntryNames n;
  n.riderFile = ChangeFileExt(names.riderPrefix + t, ".mot");
  n.machineFile = ChangeFileExt(names.machinePrefix + t, ".mot");
  n.riderEntry = kRiderAnimFolder + n.riderFile;
  n.riderUiEntry = kRiderAnimFolder + ChangeFileExt(names.riderUiPrefix + t, ".mot");
  n.machineEntry = kMachineAnimFolder + n.machineFile;
  n.machineUiEntry = kMachineAnimFolder + ChangeFileExt(names.machineUiPrefix + t, ".mot");
  return n;
}

}  // namespace dravo
