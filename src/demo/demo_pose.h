#pragma once

// Posing for the motion generator: the rider's forward kinematics as the editor draws it (each motion
// part turns its bone about the bone's own joint, on top of the bind pose), two-bone reaching for arms
// and legs, and the machine's bone matrices from a few readable values (spin, steer, suspension).

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/maths.h"
#include "demo/demo_mesh.h"
#include "demo/demo_motions.h"

namespace dravo::demo {

// A rider key: turns per bone (degrees about the model's x, y and z axes, x first), applied relative
// to the bone's parent; the pelvis offset; and how firmly each hand and foot holds its grip or peg.
struct RiderKey {
  double frame = 0;
  std::vector<std::pair<std::string, Vector3>> turns;
  Vector3 pelvis{};
  std::array<float, 2> hands{1.0f, 1.0f};  // left, right: 1 on the grip, 0 free
  std::array<float, 2> feet{1.0f, 1.0f};
  std::array<std::optional<Vector3>, 2> handTargets;  // instead of the grips
  std::array<std::optional<Vector3>, 2> footTargets;  // instead of the pegs
};

// The machine in one frame: root turn and place (model space), and its moving parts.
struct MachineState {
  Matrix turn = IdentityMatrix();
  Vector3 place{};
  double frontSpin = 0, rearSpin = 0;  // radians, forward rolling positive
  double steer = 0;                    // radians, positive to the right
  double travel = 0;                   // fork compression in metres
  double swing = 0;                    // swing arm, positive lifts the axle
};

// Motion matrices for every machine bone, in bone order: the root's turn and place, the other bones'
// rotations (and, for the fork slider, its place along the fork).
std::vector<Matrix> MachineMatrices(MachineKind kind, const MachineState& state);
// Where the grips are relative to the machine's root (steering moves them).
std::array<Vector3, 2> GripPositions(MachineKind kind, const MachineState& state);

class RiderPoser {
 public:
  RiderPoser();
  // Motion matrices for every rider bone, in bone order. The key is given relative to the machine;
  // `follow` is the machine root's turn and place that the rider's root carries (identity for tricks
  // that attach the rider, whose root the editor moves with the machine itself).
  std::vector<Matrix> pose(const RiderKey& key, const std::array<Vector3, 2>& grips,
                           const Matrix& follow) const;

  // The bones' model-space positions of the last pose (for tests and checks).
  const std::vector<Vector3>& origins() const { return m_origins; }

 private:
  void reach(int upper, int lower, int end, Vector3 target, Vector3 bendHint, std::vector<Matrix>& q,
             std::vector<Matrix>& d, float weight) const;
  Skeleton m_skeleton;
  std::vector<Matrix> m_bindRotation;
  mutable std::vector<Vector3> m_origins;
};

// Interpolates the keys (smoothly between neighbours) at a frame.
RiderKey KeyAt(const std::vector<RiderKey>& keys, double frame);

}  // namespace dravo::demo
