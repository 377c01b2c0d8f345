#pragma once

// The game's naming of tricks: the name prefixes of each machine type, the stunt section of
// "motions.ini" it reads, and the entry names a stored trick is written under.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace dravo {

// 0 motocross, 1 ATV, 2 freestyle.
struct MachineNames {
  const char* riderPrefix;
  const char* machinePrefix;
  const char* riderUiPrefix;
  const char* machineUiPrefix;
  const char* defaultMachineMotion;
  const char* stuntSection;
  int leadIn;  // characters before the motion's name in a "motion=" value
};

// The names of a machine type; types outside 0 … 2 get the freestyle names, as the game's
// fourth column repeats them.
const MachineNames& NamesFor(int machineType);

// The machine type a machine document's file name gives: its first three characters found,
// letter case significant, in "MX_MXSATVSATMXF".
int MachineTypeOf(std::string_view machineFileName);

struct CatalogueEntry {
  std::string Name;     // the motion's name without prefix and extension: "nacnac"
  bool Attach = false;  // the rider follows the machine's root
  friend bool operator==(const CatalogueEntry&, const CatalogueEntry&) = default;
};

// Builds the trick list of a machine type from the lines of "motions.ini" (as TKelIniFile
// splits them): every "motion=" line of the type's section, then, for motocross, the four
// tricks the list never names. `present` answers whether the game has a rider motion of that
// file name (prefix included); only those are offered.
std::vector<CatalogueEntry> BuildCatalogueEntries(const std::vector<std::string>& lines, int machineType,
                                                  const std::function<bool(const std::string&)>& present);

// The archive entries a stored trick is written under, and its motions' file names.
struct TrickEntryNames {
  std::string riderFile;    // "mx_backflip.mot"
  std::string machineFile;  // "bike_backflip.mot"
  std::string riderEntry;   // "Data\Rider\Anim\mx_backflip.mot"
  std::string riderUiEntry;
  std::string machineEntry;
  std::string machineUiEntry;
};
TrickEntryNames EntryNamesFor(int machineType, std::string_view trickName);

inline constexpr const char* kRiderAnimFolder = "Data\\Rider\\Anim\\";
inline constexpr const char* kMachineAnimFolder = "Data\\Veh\\Anim\\";
inline constexpr const char* kRiderTexFolder = "Data\\Rider\\Tex\\";
inline constexpr const char* kMachineTexFolder = "Data\\Veh\\Tex\\";

}  // namespace dravo
