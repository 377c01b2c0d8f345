// Motion parsing, key access and pose tables on arbitrary bytes. Besides the sanitizers,
// the track index is held to the scans, and what is written must parse as the same motion and
// settle: any difference in a pose or a stored byte aborts.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "motion/motion_track_index.h"

using namespace dravo;

namespace {

void Require(bool ok) {
  if (!ok) std::abort();
}

bool SamePose(const TPoseTable& a, const TPoseTable& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t p = 0; p < a.size(); ++p) {
    if (a[p].HasPosition != b[p].HasPosition || a[p].Frames.size() != b[p].Frames.size()) return false;
    if (!a[p].Frames.empty() &&
        std::memcmp(a[p].Frames.data(), b[p].Frames.data(), a[p].Frames.size() * sizeof(Matrix)) != 0)
      return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TMOTfile motion;
  motion.LoadMotion(std::span<const std::uint8_t>(data, size));
  Require(motion.IsValid() == motion.InvalidReason().empty());
  Require(motion.size() == size);

  const std::int32_t parts = motion.PartCount(), frames = motion.FrameCount();
  for (std::int32_t part = -1; part <= parts; ++part) {
    (void)motion.HasPositionTrack(part);
    (void)motion.FindPart(motion.PartName(part));
    for (const std::int32_t frame : {-1, 0, 1, frames - 1, frames}) {
      (void)motion.GetRotation(part, frame);
      (void)motion.GetPosition(part, frame);
    }
  }

  const TMotionTrackIndex index(motion);
  TPoseTable pose = BuildPose(motion);
  Require(SamePose(pose, BuildPose(motion, index)));

  // Store the pose as read, then a turned and moved one, by scan and through the index.
  TMOTfile indexed = motion;
  StorePose(pose, motion);
  StorePose(pose, indexed, index);
  Require(motion.vector() == indexed.vector());
  const Matrix turn = MatrixRotationAxis({0.3f, -0.5f, 0.8f}, 0.9f);
  for (TMotionPart& part : pose)
    for (Matrix& m : part.Frames) {
      m = turn * m;
      m[3][1] += 0.25f;
    }
  StorePose(pose, motion);
  StorePose(pose, indexed, index);
  Require(motion.vector() == indexed.vector());
  Require(motion.size() == size);

  // What was written parses as the same motion, and its poses are the ones stored (within the keys'
  // precision, so the written file is read again and must give the same bytes once more).
  TMOTfile reread;
  reread.LoadMotion(motion.bytes());
  Require(reread.IsValid() == motion.IsValid());
  Require(reread.FrameCount() == frames && reread.PartCount() == parts);
  if (reread.IsValid()) {
    StorePose(BuildPose(reread), reread);
    TMOTfile again;
    again.LoadMotion(reread.bytes());
    StorePose(BuildPose(again), again);
    Require(again.vector() == reread.vector());
  }
  return 0;
}
