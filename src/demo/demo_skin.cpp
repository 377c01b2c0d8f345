#include "demo/demo_skin.h"

#include <stdexcept>

namespace dravo::demo {

void Skin::add(const std::string& role, Rgba colour, Atlas::Pattern pattern) {
  m_roles[role] = m_atlas.swatch(colour, std::move(pattern));
}

void Skin::addDecal(const std::string& role, int wide, int high,
                    std::function<void(Canvas&, int, int, int, int)> paint) {
  m_roles[role] = m_atlas.decal(wide, high, std::move(paint));
}

int Skin::id(const std::string& role) const {
  const auto it = m_roles.find(role);
  if (it == m_roles.end()) throw std::logic_error("demo skin has no role " + role);
  return it->second;
}

Painter Skin::painter(const std::string& role) const {
  const int swatch = id(role);
  const Atlas* atlas = &m_atlas;
  return [atlas, swatch](const FaceInfo& f) { return atlas->shaded(swatch, f.worldNormal); };
}

Painter Skin::fixed(const std::string& role, int shade) const {
  const Tile t = m_atlas.flat(id(role), shade);
  return [t](const FaceInfo&) { return t; };
}

Painter Skin::decal(const std::string& role) const {
  const Tile t = m_atlas.decalTile(id(role));
  return [t](const FaceInfo&) { return t; };
}

}  // namespace dravo::demo
