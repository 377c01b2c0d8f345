#pragma once

// The demo game's motions: tricks for the three machine types, each a rider motion (on top of the
// rider's bind pose) and usually a machine motion (the machine's own rotations), plus the machines'
// default motions. Every version, key width and axis order of the motion format occurs.

#include <cstdint>
#include <string>
#include <vector>

#include "demo/demo_models.h"

namespace dravo::demo {

enum class MachineKind { Motocross = 0, Atv = 1, Freestyle = 2 };

struct MotionFile {
  std::string name;  // file name, e.g. "mx_nacnac.mot"
  std::vector<std::uint8_t> bytes;
  std::int32_t version = -6;
  bool wide = true;
  bool axisOrder = false;
  std::int32_t frames = 0;
};

std::vector<MotionFile> BuildMotionFiles();

// What the catalogue of each machine type should offer, in order, with the attach mark; and which
// tricks have a machine motion of their own.
struct DemoTrick {
  MachineKind kind;
  std::string name;  // entry name, e.g. "nacnac"
  bool attached = false;
  bool machineMotion = false;
};
const std::vector<DemoTrick>& OfferedTricks();

}  // namespace dravo::demo
