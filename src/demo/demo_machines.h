#pragma once

// The machines: a motocross bike (also the freestyle bike, in another cut and colour), an ATV, their
// wheels and the parts hung on their bones.

#include "demo/demo_mesh.h"
#include "demo/demo_skin.h"

namespace dravo::demo {

struct MachineDress {
  struct Target {
    MeshBuilder* mesh = nullptr;
    const Skin* skin = nullptr;
  };
  Target engine;    // engine, frame tubes, exhaust, pegs: roles "engine", "frame", "exhaust", "black"
  Target plastics;  // roles "main", "white", "seat", "graphic", decal "number"
  Target parts;     // roles "fork", "metal", "rubber", "spring"
  int sides = 8;
  bool freestyle = false;
};

void BuildBikeGeometry(const Skeleton& skeleton, const MachineDress& dress);
void BuildAtvGeometry(const Skeleton& skeleton, const MachineDress& dress);

struct WheelShape {
  float radius = 0.36f;
  float width = 0.09f;
  float section = 0.085f;  // tyre height from rim to tread
  float knob = 0.012f;     // how far the knobs stand out
  int knobs = 20;
  int segments = 24;
  int spokes = 12;  // 0: a disc wheel
  bool brakeDisc = false;
};
// A wheel on a one-bone skeleton, its axle along x: tyre roles "rubber", "tread"; rim roles "rim", "hub",
// "spoke".
void BuildWheelGeometry(const WheelShape& shape, MeshBuilder* tyre, const Skin& tyreSkin, MeshBuilder* rim,
                        const Skin& rimSkin);

// The front number plate of the motocross bike, hung on its fork: decal "plate", role "white".
void BuildPlateGeometry(MeshBuilder& mesh, const Skin& skin);
// A luggage rack for the ATV, hung on its frame: role "metal", "rubber".
void BuildRackGeometry(MeshBuilder& mesh, const Skin& skin);

// One bone at the origin, for wheels and hung parts.
Skeleton SingleBoneSkeleton(const std::string& name);

}  // namespace dravo::demo
