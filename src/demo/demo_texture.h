#pragma once

// Turns a drawn canvas into the bytes of a ".dxt" texture file of any format code: block-compressed
// levels through the device layer's block encoder, or a 256-colour palette with one index per pixel.

#include <cstdint>
#include <vector>

#include "demo/demo_canvas.h"

namespace dravo::demo {

struct TextureRecipe {
  std::uint32_t code = 54;
  bool mipmaps = false;  // every level down to 1×1, smallest first, as the game's writer orders them
  bool prefix = false;   // the 12-byte prefix before header A
};

std::vector<std::uint8_t> EncodeTexture(const Canvas& image, const TextureRecipe& recipe);

}  // namespace dravo::demo
