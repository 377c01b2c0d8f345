#include "formats/dxm_text.h"

namespace dravo {

std::string WriteDxmText(const std::vector<DxmPassText>& passes) {
  std::string text = "[General]\r\nTotalShaderPasses=" + std::to_string(passes.size()) + "\r\n";
  for (std::size_t i = 0; i < passes.size(); ++i) {
    const DxmPassText& pass = passes[i];
    text += "\r\n[ShaderPass_" + std::to_string(i + 1) + "]\r\n";
    if (!pass.textureMap.empty()) text += "TotalTextureMaps=1\r\nTextureMap_1=" + pass.textureMap + "\r\n";
    for (const auto& [key, value] : pass.keys)
      text += key + "=" + value + "\r\n";
  }
  return text;
}

}  // namespace dravo
