// ".dxg" models: the parser, then the model loaded, skinned, coloured and drawn on the recording device.
#include <cstddef>
#include <cstdint>

#include "format_fuzz_common.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"

using namespace dravo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::vector<std::uint8_t> bytes(data, data + size);
  try {
    const DxgFile file = ParseDxgFile(bytes);
    DxgModelBounds(file);
    WriteDxgFile(file);
  } catch (const DxgFileError&) {
    // refused cleanly
  }
  TVellDXPanel* panel = fuzz::FuzzPanel::Get().panel();
  TDXGmodel model(panel, TMaterialServices{});
  MemoryStream stream(bytes);
  if (model.LoadFromStream(panel, &stream)) {
    model.OnBoneTransform = [](TDXGmodel&, D3DXMATRIX& world, std::int32_t bone) {
      if (bone % 2) world = world * MatrixTranslation(1, 0, 0);
    };
    model.SetColor(0x00336699);
    model.RenderAt({1, 2, 3});
  }
  return 0;
}
