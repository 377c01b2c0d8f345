#pragma once

// Where each part's tracks start in a motion's bytes (TMotionTrackIndex), found once.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "motion/mot_file.h"

namespace dravo {

// Where each part's tracks start, found once by the same scans a motion makes for every
// key, so a lookup through the index lands on the very key the scan would. It holds for
// the bytes it was built from: key writes never move a track, a new LoadMotion does.
class TMotionTrackIndex {
 public:
  TMotionTrackIndex() = default;
  explicit TMotionTrackIndex(const TMOTfile& motion);

  std::optional<std::size_t> RotationKey(const TMOTfile& motion, std::int32_t part, std::int32_t frame) const;
  std::optional<std::size_t> PositionKey(const TMOTfile& motion, std::int32_t part, std::int32_t frame) const;
  bool HasPositionTrack(std::int32_t part) const;

 private:
  using Track = std::optional<TMOTfile::TrackRef>;
  const Track& Find(const std::vector<Track>& tracks, std::int32_t part) const;

  std::vector<Track> m_rotation;
  std::vector<Track> m_position;
};

}  // namespace dravo
