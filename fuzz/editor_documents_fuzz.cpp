// The editor's rules over the game's documents: any bytes as "motions.ini" (the trick list of every
// machine type), as a ".sub" document (material changes, the model configuration's name, a bone by a
// placement) and as a resolution text.
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/model_set.h"
#include "editor/trick_names.h"
#include "editor/view_rules.h"
#include "resources/document_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dravo::MemoryStream stream;
  stream.write(data, size);
  stream.setPosition(0);
  dravo::TKelIniFile ini;
  ini.LoadFromStream(stream);
  for (int type = 0; type < 4; ++type) {
    for (const dravo::CatalogueEntry& e :
         dravo::BuildCatalogueEntries(ini.Lines(), type, [](const std::string& f) { return !f.empty(); }))
      dravo::EntryNamesFor(type, e.Name + ".mot");
  }
  const std::vector<std::string> changes = dravo::ReadMaterialChanges(ini.Lines());
  for (const std::string& line : ini.Lines()) {
    dravo::ChangedMaterialName(changes, line);
    dravo::ModelConfigName(line);
    dravo::FindBoneByName(ini.Lines(), line);
    dravo::ParseResolution(line);
    dravo::MachineTypeOf(line);
  }
  return 0;
}
