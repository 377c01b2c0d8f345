#include "motion/motion_pose.h"

#include <algorithm>
#include <cstdint>

namespace dravo {

namespace {

// Key lookups by scanning the track headers, one scan per key.
struct ScannedKeys {
  const TMOTfile& motion;
  std::optional<std::size_t> rotation(std::int32_t part, std::int32_t frame) const {
    return motion.FindRotationKey(part, frame);
  }
  std::optional<std::size_t> position(std::int32_t part, std::int32_t frame) const {
    return motion.FindPositionKey(part, frame);
  }
  bool hasPosition(std::int32_t part) const { return motion.HasPositionTrack(part); }
};

struct IndexedKeys {
  const TMOTfile& motion;
  const TMotionTrackIndex& index;
  std::optional<std::size_t> rotation(std::int32_t part, std::int32_t frame) const {
    return index.RotationKey(motion, part, frame);
  }
  std::optional<std::size_t> position(std::int32_t part, std::int32_t frame) const {
    return index.PositionKey(motion, part, frame);
  }
  bool hasPosition(std::int32_t part) const { return index.HasPositionTrack(part); }
};

template <class Keys>
TPoseTable Build(const TMOTfile& motion, const Keys& keys) {
  const std::int32_t parts = motion.PartCount();
  const std::int32_t frames = motion.FrameCount();
  TPoseTable table(static_cast<std::size_t>(parts));
  for (std::int32_t e = 0; e < parts; ++e) {
    TMotionPart& part = table[static_cast<std::size_t>(e)];
    part.Name = motion.PartName(e).substr(0, TMotionPart::kMaxNameLength);
    part.Frames.resize(static_cast<std::size_t>(frames));
    part.Allocated = true;
    part.HasPosition = keys.hasPosition(e);
    for (std::int32_t l = 0; l < frames; ++l) {
      const auto rotationKey = keys.rotation(e, l);
      const auto positionKey = keys.position(e, l);
      const Matrix rotation = rotationKey ? motion.RotationAt(*rotationKey) : IdentityMatrix();
      const Vector3 position = positionKey ? motion.PositionAt(*positionKey) : Vector3{};
      part.Frames[static_cast<std::size_t>(l)] = PoseMatrix(rotation, position);
    }
  }
  return table;
}

template <class Keys>
void Store(const TPoseTable& table, TMOTfile& motion, const Keys& keys) {
  const std::int32_t frames = motion.FrameCount();
  const std::int32_t parts = static_cast<std::int32_t>(std::min<std::size_t>(table.size(), INT32_MAX));
  for (std::int32_t b = 0; b < frames; ++b) {
    for (std::int32_t i = 0; i < parts; ++i) {
      const TMotionPart& part = table[static_cast<std::size_t>(i)];
      if (!part.Allocated || static_cast<std::size_t>(b) >= part.Frames.size()) continue;
      const Matrix& m = part.Frames[static_cast<std::size_t>(b)];
      if (!(m[3][0] == 0.0f && m[3][1] == 0.0f && m[3][2] == 0.0f)) {
        if (const auto key = keys.position(i, b)) motion.SetPositionAt(*key, m[3][0], m[3][1], m[3][2]);
      }
      if (const auto key = keys.rotation(i, b)) motion.SetRotationAt(*key, m);
    }
  }
}

}  // namespace

Matrix PoseMatrix(const Matrix& rotation, Vector3 position) {
  Matrix m = rotation;
  for (int c = 0; c < 3; ++c)
    m[c][3] = 0.0f;
  m[3][0] = position.x;
  m[3][1] = position.y;
  m[3][2] = position.z;
  m[3][3] = 1.0f;
  return m;
}

TPoseTable BuildPose(const TMOTfile& motion) {
  return Build(motion, ScannedKeys{motion});
}

void StorePose(const TPoseTable& pose, TMOTfile& motion) {
  Store(pose, motion, ScannedKeys{motion});
}

TPoseTable BuildPose(const TMOTfile& motion, const TMotionTrackIndex& index) {
  return Build(motion, IndexedKeys{motion, index});
}

void StorePose(const TPoseTable& pose, TMOTfile& motion, const TMotionTrackIndex& index) {
  Store(pose, motion, IndexedKeys{motion, index});
}

}  // namespace dravo
