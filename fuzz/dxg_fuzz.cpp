// ".dxg" models: the parser, then the model loaded, skinned, coloured and drawn on the recording device,
// its meshes on real materials (one pass, two passes with textures, and none) so every draw is reached.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "core/file_io.h"
#include "format_fuzz_common.h"
#include "formats/dxg_file.h"
#include "formats/dxg_model.h"
#include "formats/dxm_text.h"
#include "formats/dxt_file.h"
#include "formats/texture_manager.h"
#include "formats/texture_plugin.h"
#include "fuzz_checks.h"
#include "resources/resource_manager.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

// A folder of two materials and their textures, mounted once for the run (members go in reverse:
// the textures before the folder they were read from).
struct Materials {
  fuzz::ScratchFolder scratch{"dxg-fuzz"};
  const fs::path& dir = scratch.path();
  std::unique_ptr<TRmxResManager> resources;
  std::unique_ptr<TRmxGfxManager> textures;

  explicit Materials(TVellDXPanel* panel) {
    for (const auto& [name, code] : {std::pair{"a.dxt", kDxtCodeDxt1}, std::pair{"b.dxt", kDxtCodeDxt5}}) {
      DxtFileLayout layout;
      layout.code = code;
      layout.width = layout.height = 4;
      layout.levels.push_back({4, 4, std::vector<std::uint8_t>(DxtLevelBytes(code, 4, 4), 0x5A)});
      WriteFileAtomic(dir / name, WriteDxtFile(layout));
    }
    const std::string one = WriteDxmText({{"a.tga", {}}});
    const std::string two = WriteDxmText({{"a.tga", {}}, {"b.tga", {{"ALPHABLENDENABLE", "TRUE"}}}});
    WriteFileAtomic(dir / "one.dxm",
                    std::span(reinterpret_cast<const std::uint8_t*>(one.data()), one.size()));
    WriteFileAtomic(dir / "two.dxm",
                    std::span(reinterpret_cast<const std::uint8_t*>(two.data()), two.size()));
    resources = std::make_unique<TRmxResManager>(".dxg.dxm.dxt.atx.slt", dir.string());
    textures = std::make_unique<TRmxGfxManager>(resources.get());
    textures->RegisterPlugIn(std::make_unique<TMvAGfxPlugIn>(panel));
  }
};

}  // namespace

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
  static Materials materials(panel);
  TDXGmodel model(panel, TMaterialServices{materials.resources.get(), materials.textures.get()});
  // Whatever the file names, its materials are ours: the first the one-pass, the rest two-pass or none.
  int named = 0;
  model.OnMaterialName = [&named](TDXGmodel&, std::string& name) {
    name = named++ % 3 == 0 ? "one.dxm" : (named % 3 == 2 ? "two.dxm" : "none.dxm");
  };
  MemoryStream stream(bytes);
  if (model.LoadFromStream(panel, &stream)) {
    model.OnBoneTransform = [](TDXGmodel&, D3DXMATRIX& world, std::int32_t bone) {
      if (bone % 2) world = world * MatrixTranslation(1, 0, 0);
    };
    model.SetColor(0x00336699);
    model.RenderAt({1, 2, 3});
    model.Lit = true;
    model.RenderAt({0, 0, 0});
  }
  return 0;
}
