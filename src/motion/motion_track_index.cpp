#include "motion/motion_track_index.h"

namespace dravo {

TMotionTrackIndex::TMotionTrackIndex(const TMOTfile& motion) {
  const std::int32_t parts = motion.PartCount();
  m_rotation.reserve(static_cast<std::size_t>(parts));
  m_position.reserve(static_cast<std::size_t>(parts));
  for (std::int32_t part = 0; part < parts; ++part) {
    m_rotation.push_back(motion.FindRotationTrack(part));
    m_position.push_back(motion.FindPositionTrack(part));
  }
}

const TMotionTrackIndex::Track& TMotionTrackIndex::Find(const std::vector<Track>& tracks,
                                                        std::int32_t part) const {
  static const Track none;
  if (part < 0 || static_cast<std::size_t>(part) >= tracks.size()) return none;
  return tracks[static_cast<std::size_t>(part)];
}

std::optional<std::size_t> TMotionTrackIndex::RotationKey(const TMOTfile& motion, std::int32_t part,
                                                          std::int32_t frame) const {
  return motion.RotationKeyIn(Find(m_rotation, part), frame);
}

std::optional<std::size_t> TMotionTrackIndex::PositionKey(const TMOTfile& motion, std::int32_t part,
                                                          std::int32_t frame) const {
  return motion.PositionKeyIn(Find(m_position, part), frame);
}

bool TMotionTrackIndex::HasPositionTrack(std::int32_t part) const {
  return Find(m_position, part).has_value();
}

}  // namespace dravo
