#pragma once

// The editing operations on one motion part's pose: turning and moving it in a frame, filling
// the frames between two keys, and which frame of a motion of another length is shown. Frames
// are 0-based here except where a key frame is named (1-based, as the key-frame bar counts).

#include <array>
#include <cstdint>

#include "core/maths.h"
#include "motion/motion_pose.h"

namespace dravo {

// The part has its frame arrays and frame f in them.
bool HasFrame(const TMotionPart& part, std::int32_t frame);

// Frames[frame] := rotation about the unit axis (0 X, 1 Y, 2 Z) × Frames[frame]: a turn about
// the part's own axis that keeps its position. Nothing for a frame or axis it does not have.
void RotatePart(TMotionPart& part, std::int32_t frame, int axis, float angle);
// Frames[frame] := T(distance along the unit axis) × Frames[frame]: a move along the part's own
// (turned) axis.
void MovePart(TMotionPart& part, std::int32_t frame, int axis, float distance);

// How the frames between two keys turn. Linear blends the keys' axes as the game's own editor always
// did; a large turn then shrinks through the middle. Smooth turns at a constant speed along the
// shorter arc; Ease does the same starting and ending slowly.
enum class TweenMode { Linear, Smooth, Ease };
inline constexpr const char* kTweenModeNames[] = {"Linear", "Smooth", "Ease in/out"};

// Fills the frames strictly between key frames a and b (1-based, either order). Linear blends the
// keys' Y and Z axes and positions and rebuilds X from them; the others interpolate the rotation
// spherically and the position along the same (eased) time. True when any frame was written (at
// least one frame between keys the part has).
bool TweenPart(TMotionPart& part, std::int32_t a, std::int32_t b, TweenMode mode = TweenMode::Linear);

// The frame of a motion of `motionFrames` frames shown while the edited side is at `current`
// of `frameCount`: the same frame for the same length, otherwise the proportional one (nearest,
// halves to even, at most the last). -1 when either count is 0.
std::int32_t ShownFrame(std::int32_t current, std::int32_t frameCount, std::int32_t motionFrames);

// One slot of the pose clipboard, indexed by part index (rider parts, then machine parts).
struct PoseSlot {
  Matrix matrix = IdentityMatrix();
  bool filled = false;
};
inline constexpr int kPoseClipboardSlots = 60;
using PoseClipboard = std::array<PoseSlot, kPoseClipboardSlots>;

}  // namespace dravo
