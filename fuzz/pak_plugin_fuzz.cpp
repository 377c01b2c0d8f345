// The archive plug-in's directory reader, on the bytes of a file as they would be mounted.
#include <cstdint>

#include "core/error.h"
#include "resources/pak_plugin.h"
#include "resources/resource_manager.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  dravo::TRmxVirtualFolder folder("fuzz.pak");
  try {
    // The folder learns the resource extensions through Load; no plug-in reads a file here.
    folder.Load(".sub.dxg.dxm.dxt.mot.mcf", nullptr);
    dravo::TMvAFilePlugIn::LoadDirectoryBytes(folder, {data, size}, size);
  } catch (const dravo::FileError&) {
    return 0;
  }
  for (int i = 0; i < folder.Count(); ++i) {
    const dravo::TRmxResource* record = folder.Resource(i);
    // A record that points outside the file is mounted, but only as a damaged one; an empty one
    // reads nothing wherever it points.
    const bool outside = std::uint64_t{record->Offset} + record->Size > size;
    if (outside && record->Size > 0 && record->Problem.empty()) __builtin_trap();
    if (folder.IndexOf(folder.ResourceName(i)) > i) __builtin_trap();
    dravo::DisplayName(folder.ResourceName(i));
  }
  return 0;
}
