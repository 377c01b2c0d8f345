#pragma once

// A texture layout by role: the geometry asks for "jersey" or "tread" and gets the tile of that role in
// the right shade; the texture painter draws every role's tiles. Two skins made with the same roles in
// the same order share their layout, so one model can wear either (the riders' material changes).

#include <map>
#include <string>

#include "demo/demo_mesh.h"

namespace dravo::demo {

class Skin {
 public:
  Skin(int size, int grid) : m_atlas(size, grid) {}

  void add(const std::string& role, Rgba colour, Atlas::Pattern pattern = {});
  void addDecal(const std::string& role, int wide, int high,
                std::function<void(Canvas&, int x, int y, int w, int h)> paint);
  bool has(const std::string& role) const { return m_roles.count(role) > 0; }

  // Shaded by the face's direction.
  Painter painter(const std::string& role) const;
  // One shade whatever the direction.
  Painter fixed(const std::string& role, int shade = 0) const;
  Painter decal(const std::string& role) const;
  Canvas paint(Rgba background) const { return m_atlas.paint(background); }

 private:
  int id(const std::string& role) const;

  Atlas m_atlas;
  std::map<std::string, int> m_roles;
};

}  // namespace dravo::demo
