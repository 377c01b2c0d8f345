// ".dxt" textures: the parser and decoder of the tools, and the texture plug-in streaming into a device.
#include <cstddef>
#include <cstdint>

#include "format_fuzz_common.h"
#include "formats/dxt_file.h"
#include "formats/texture_plugin.h"

using namespace dravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  try {
    const DxtFileInfo info = ParseDxtFile(bytes);
    const DxtLevelInfo& full = info.levels[static_cast<std::size_t>(info.fullLevel)];
    // Pictures stay small so that each input runs quickly.
    if (std::uint64_t(full.width) * full.height <= (1u << 18)) DecodeDxtRgba(bytes, info);
  } catch (const DxtFileError&) {
    // refused cleanly
  }
  TMvAGfxPlugIn plugIn(fuzz::FuzzPanel::Get().panel());
  MemoryStream stream(bytes);
  std::int32_t format = 0;
  ComPtr<IDirect3DTexture8> texture;
  plugIn.LoadTexture(format, &stream, texture);
  return 0;
}
