// ".dxm" materials: any document text, with texture requests going to a manager that finds nothing.
#include <cstddef>
#include <cstdint>

#include "format_fuzz_common.h"
#include "formats/dxm_material.h"
#include "formats/texture_manager.h"

using namespace dravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TRmxGfxManager textures(nullptr);
  TDXMmaterial material("fuzz.dxg", fuzz::FuzzPanel::Get().panel(), TMaterialServices{nullptr, &textures});
  MemoryStream stream(std::vector<std::uint8_t>(data, data + size));
  material.LoadFromStream(&stream);
  for (std::int32_t i = 0; i < material.PassCount; ++i)
    material.GetPass(i);
  const std::string_view text(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 64));
  LookupEnumeration(text, kBlendNames, -1);
  return 0;
}
