#pragma once

// Mirrored poses: a pose of the left side put on the right and the other way round, every turn
// reflected across the model's plane of symmetry (x = 0 in the model's space).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/maths.h"
#include "motion/motion_pose.h"

namespace dravo {

class TDXGmodel;

// The name with its side swapped: "L Thigh" ↔ "R Thigh", "Bip01 Left Arm" ↔ "Bip01 Right Arm",
// "hand_l" ↔ "hand_r". A word that is L, R, Left or Right (any case) between spaces, underscores,
// dots or dashes names the side; the first such word is swapped, keeping its case. A name without
// one comes back as it is.
std::string MirroredPartName(std::string_view name);

// How the parts of one pose table take each other's mirror images. A part's partner is the part
// of the swapped name (itself when there is none). The reflection is carried through each part's
// bone at rest, so parts whose bones are mirror images of each other exchange poses exactly,
// whatever their local axes.
class PoseMirror {
 public:
  // `boneParts[b]` is the part bone b follows (255: none). A rider's pose turns its bone on top of
  // the bind pose (`replacesBone` false); a machine's replaces the bone's own turn.
  PoseMirror(const TPoseTable& parts, const TDXGmodel* model, const std::array<std::uint8_t, 60>& boneParts,
             bool replacesBone);

  std::int32_t Partner(std::int32_t part) const { return m_partner[static_cast<std::size_t>(part)]; }
  // The pose `part` has, mirrored into the pose its partner takes.
  Matrix Mirror(std::int32_t part, const Matrix& pose) const;

 private:
  std::vector<std::int32_t> m_partner;
  // Per part: from its bone's space into its partner's, through the plane (J), and back (J⁻¹), and
  // for a machine the same for the bone's parent.
  std::vector<Matrix> m_across;
  std::vector<Matrix> m_back;
  std::vector<Matrix> m_parentAcross;
  bool m_replacesBone;
};

}  // namespace dravo
