#pragma once

// Writes a motion file from tracks of keys.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/maths.h"

namespace dravo {

// One track of a draft: the part it carries and its number of keys (negative: one per frame).
struct MotionTrack {
  std::int32_t part = 0;
  std::int32_t keyCount = -1;
};

// Everything a new motion file is made of. The demo game and the tests build their
// motions from one of these; the defaults give a plain version -6 wide-key motion.
struct MotionDraft {
  std::int32_t version = -6;    // -7, -6 or -3
  std::int32_t headerWord = 0;  // versions -7 and -6 only; the editor does not interpret it
  std::int32_t frameCount = 1;
  bool wideKeys = true;
  bool axisOrder = false;
  // The words of the parameter block the editor does not interpret: the leading float,
  // the word after the track count and, for versions -7 and -6, the two last words.
  float parameterFloat = 1.0f;
  std::int32_t parameterWord = 0;
  std::array<std::int32_t, 2> extraWords{};

  std::vector<std::string> partNames;
  // Position tracks in file order.
  std::vector<MotionTrack> positionTracks;
  // Rotation tracks in file order; empty means one per part in part order.
  std::vector<MotionTrack> rotationTracks;

  // pose[part][frame]: the rotation in the upper 3×3, the position in the fourth row.
  // A part or frame left out is written as no rotation at the origin.
  std::vector<std::vector<Matrix>> pose;

  // The 4 trailing bytes of every axis-order rotation key.
  std::uint32_t axisOrderTail = 0;
};

// The bytes of a motion file for the draft. Each key starts with its frame number (those
// 4 bytes mean nothing to the editor). Throws std::invalid_argument for a version other
// than -7, -6 and -3 or a negative frame count; any part count and name length are
// written as given, so tests can make motions the editor must refuse.
std::vector<std::uint8_t> WriteMotion(const MotionDraft& draft);

}  // namespace dravo
