#pragma once

// The demo game's models: two riders, a motocross bike, a freestyle bike and an ATV with their wheels
// and parts, built in code. Riders sit in the riding pose of their bind frames; machines are modelled
// around the same contact points (seat, grips, foot pegs), so any rider sits on any machine.

#include <cstdint>
#include <string>
#include <vector>

#include "core/maths.h"
#include "demo/demo_mesh.h"

namespace dravo::demo {

// Bone names, in bone order. Motions name their parts the same way.
const std::vector<std::string>& RiderBoneNames();
const std::vector<std::string>& BikeBoneNames();
const std::vector<std::string>& AtvBoneNames();

Skeleton RiderSkeleton();
Skeleton BikeSkeleton();
Skeleton AtvSkeleton();

// Where riders and machines meet, in model space.
struct ContactPoints {
  Vector3 leftGrip, rightGrip;
  Vector3 leftPeg, rightPeg;
  Vector3 seat;
};
const ContactPoints& Contacts();

struct NamedFile {
  std::string name;  // file name alone
  std::vector<std::uint8_t> bytes;
};

// Every model file with the names its documents use.
std::vector<NamedFile> BuildModelFiles();
// Every texture drawn for the models, as pictures with the file names and formats they are written in.
struct TextureFile {
  std::string name;
  std::uint32_t code = 54;
  bool mipmaps = false;
  bool prefix = false;
  bool common = false;  // goes into common.pak, not tex.pak
};
std::vector<NamedFile> BuildTextureFiles(std::vector<TextureFile>* plan = nullptr);

}  // namespace dravo::demo
