#pragma once

// Writes ".dxm" material documents, for fixtures and the demo game.

#include <string>
#include <utility>
#include <vector>

namespace dravo {

struct DxmPassText {
  std::string textureMap;  // "TextureMap_1"; empty writes no texture key
  // Further keys of the pass, written in order after the texture ("ALPHABLENDENABLE", "TRUE").
  std::vector<std::pair<std::string, std::string>> keys;
};

// "[General]" with "TotalShaderPasses", then one "[ShaderPass_n]" section per pass; CR LF line breaks.
std::string WriteDxmText(const std::vector<DxmPassText>& passes);

}  // namespace dravo
