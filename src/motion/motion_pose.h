#pragma once

// Pose tables: a part's matrix at every frame, built from a motion and written back into it.

#include <cstddef>
#include <string>
#include <vector>

#include "core/maths.h"
#include "motion/mot_file.h"
#include "motion/motion_track_index.h"

namespace dravo {

// The editable pose of one motion part: one matrix per frame, rotation in the upper 3×3
// and position in the fourth row.
struct TMotionPart {
  static constexpr std::size_t kMaxNameLength = 29;

  std::string Name;
  // Only the rider's first part uses it: the machine's root for riders that follow the machine.
  Matrix AttachMatrix = IdentityMatrix();
  bool Allocated = false;  // Frames exist
  bool HasPosition = false;
  std::vector<Matrix> Frames;
};

// One record per part, in the motion's part order: the table's part index is the file's.
using TPoseTable = std::vector<TMotionPart>;

// rotation × T(position), written directly so an infinite position cannot turn the
// rotation into NaNs through 0 × ∞.
Matrix PoseMatrix(const Matrix& rotation, Vector3 position);

// A new pose table of PartCount records with FrameCount frames each; empty for a motion
// that is not valid.
TPoseTable BuildPose(const TMOTfile& motion);
// Writes every frame of every part back into the motion's keys. A position of exactly
// (0, 0, 0) is never written.
void StorePose(const TPoseTable& pose, TMOTfile& motion);

// The same through an index of track starts; the results are identical to the scans'.
TPoseTable BuildPose(const TMOTfile& motion, const TMotionTrackIndex& index);
void StorePose(const TPoseTable& pose, TMOTfile& motion, const TMotionTrackIndex& index);

}  // namespace dravo
