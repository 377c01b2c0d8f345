#include "demo/demo_texture.h"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>

#include "formats/dxt_file.h"
#include "render/d3dx_surface.h"

namespace dravo::demo {

namespace {

std::uint32_t Key(Rgba c) {
  return (static_cast<std::uint32_t>(c.a) << 24) | (static_cast<std::uint32_t>(c.r) << 16) |
         (static_cast<std::uint32_t>(c.g) << 8) | c.b;
}

std::vector<Canvas> Levels(const Canvas& image, bool mipmaps, bool point) {
  std::vector<Canvas> levels{image};
  while (mipmaps && (levels.back().width() > 1 || levels.back().height() > 1))
    levels.push_back(levels.back().half(point));
  return levels;
}

std::vector<std::uint8_t> EncodeBlocks(const Canvas& level, D3DFORMAT format) {
  const int w = level.width(), h = level.height();
  std::vector<D3DCOLOR> argb(level.pixels().size());
  std::transform(level.pixels().begin(), level.pixels().end(), argb.begin(), Key);
  const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
  const UINT pitch = static_cast<UINT>((w + 3) / 4) * blockBytes;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(pitch) * static_cast<std::size_t>((h + 3) / 4));
  if (!EncodePixels(argb.data(), static_cast<UINT>(w), static_cast<UINT>(h), format, bytes.data(), pitch))
    throw std::logic_error("block encoder refused a demo texture");
  return bytes;
}

// The image's colours as a palette, keeping fewer bits per channel until 256 entries suffice; the
// demo's palettised skins are drawn in few colours, so usually every colour is kept exactly.
std::map<std::uint32_t, std::uint8_t> BuildPalette(const std::vector<Canvas>& levels,
                                                   std::array<PALETTEENTRY, 256>& palette, int& dropBits) {
  for (dropBits = 0; dropBits < 8; ++dropBits) {
    const std::uint32_t mask = (0xFFu << dropBits) & 0xFFu;
    const std::uint32_t keep = (mask << 24) | (mask << 16) | (mask << 8) | mask;
    std::map<std::uint32_t, std::uint8_t> index;
    for (const Canvas& level : levels)
      for (Rgba c : level.pixels())
        index.emplace(Key(c) & keep, 0);
    if (index.size() > 256) continue;
    std::uint8_t next = 0;
    palette.fill({});
    for (auto& [key, slot] : index) {
      slot = next;
      palette[next] = {static_cast<BYTE>(key >> 16), static_cast<BYTE>(key >> 8), static_cast<BYTE>(key),
                       static_cast<BYTE>(key >> 24)};
      ++next;
    }
    return index;
  }
  throw std::logic_error("no palette for a demo texture");
}

}  // namespace

std::vector<std::uint8_t> EncodeTexture(const Canvas& image, const TextureRecipe& recipe) {
  DxtFileLayout layout;
  layout.code = recipe.code;
  layout.prefix = recipe.prefix;
  layout.width = static_cast<std::uint32_t>(image.width());
  layout.height = static_cast<std::uint32_t>(image.height());
  const bool palettised = IsPalettisedDxtCode(recipe.code);
  std::vector<Canvas> levels = Levels(image, recipe.mipmaps, palettised);
  // Smallest first, the full size last.
  std::reverse(levels.begin(), levels.end());

  if (palettised) {
    int dropBits = 0;
    const auto index = BuildPalette(levels, layout.palette, dropBits);
    const std::uint32_t mask = (0xFFu << dropBits) & 0xFFu;
    const std::uint32_t keep = (mask << 24) | (mask << 16) | (mask << 8) | mask;
    for (const Canvas& level : levels) {
      DxtLevelData data{
          static_cast<std::uint32_t>(level.width()), static_cast<std::uint32_t>(level.height()), {}};
      data.bytes.reserve(level.pixels().size());
      for (Rgba c : level.pixels())
        data.bytes.push_back(index.at(Key(c) & keep));
      layout.levels.push_back(std::move(data));
    }
  } else {
    const D3DFORMAT format = DxtCodeDataFormat(recipe.code);
    for (const Canvas& level : levels)
      layout.levels.push_back({static_cast<std::uint32_t>(level.width()),
                               static_cast<std::uint32_t>(level.height()), EncodeBlocks(level, format)});
  }
  // Code 53 files of one level say 0 levels, as the game's writer puts it.
  if (recipe.code == kDxtCodeDxt5Alt && layout.levels.size() == 1) layout.levelCount = 0;
  return WriteDxtFile(layout);
}

}  // namespace dravo::demo
