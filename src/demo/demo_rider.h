#pragma once

// The rider: 21 bones in the seated riding pose, and the geometry of a rider in riding kit.

#include "demo/demo_mesh.h"
#include "demo/demo_skin.h"

namespace dravo::demo {

// Which mesh and skin each part of the rider goes to; a part whose builder is none is left out.
struct RiderDress {
  struct Target {
    MeshBuilder* mesh = nullptr;
    const Skin* skin = nullptr;
  };
  Target body;    // jersey, pants, collar, trim, the top of the boots' cuffs
  Target helmet;  // helmet, goggles
  Target boots;   // boots below the knee braces
  Target hands;   // gloves
  int sides = 8;  // sections of limbs; fewer for the lower detail level
  float bulk = 1.0f;
};

// Roles the skins must have: body "jersey", "jerseyAccent", "pants", "pantsAccent", "trim", "glove" and
// the decal "number"; helmet "helmet", "helmetAccent", "strap", "lens"; boots "boot", "bootTrim";
// hands "glove".
void BuildRiderGeometry(const Skeleton& skeleton, const RiderDress& dress);

}  // namespace dravo::demo
