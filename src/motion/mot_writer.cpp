#include "motion/mot_writer.h"

#include <stdexcept>

#include "core/byte_io.h"
#include "motion/axis_angle.h"
#include "motion/mot_keys.h"

namespace dravo {

namespace {

Matrix PoseAt(const MotionDraft& draft, std::int32_t part, std::int32_t frame) {
  if (part < 0 || static_cast<std::size_t>(part) >= draft.pose.size()) return IdentityMatrix();
  const auto& frames = draft.pose[static_cast<std::size_t>(part)];
  if (frame < 0 || static_cast<std::size_t>(frame) >= frames.size()) return IdentityMatrix();
  return frames[static_cast<std::size_t>(frame)];
}

}  // namespace

std::vector<std::uint8_t> WriteMotion(const MotionDraft& draft) {
  if (draft.version != -7 && draft.version != -6 && draft.version != -3)
    throw std::invalid_argument("a motion is version -7, -6 or -3");
  if (draft.frameCount < 0) throw std::invalid_argument("a motion cannot have a negative frame count");
  const bool longForm = draft.version != -3;
  const auto parts = static_cast<std::int32_t>(draft.partNames.size());
  auto keysOf = [&](const MotionTrack& t) { return t.keyCount < 0 ? draft.frameCount : t.keyCount; };

  ByteWriter w;
  w.i32(draft.version);
  if (longForm) w.i32(draft.headerWord);
  w.i32(draft.frameCount);
  w.i32(parts);
  for (const std::string& name : draft.partNames) {
    w.i32(static_cast<std::int32_t>(name.size()));
    w.text(name);
  }

  w.f32(draft.parameterFloat);
  w.i32(draft.wideKeys ? 1 : 0);
  w.i32(draft.axisOrder ? 1 : 0);
  w.i32(static_cast<std::int32_t>(draft.positionTracks.size()));
  w.i32(draft.parameterWord);
  if (longForm) {
    w.i32(draft.extraWords[0]);
    w.i32(draft.extraWords[1]);
  }

  for (const MotionTrack& track : draft.positionTracks) {
    const std::int32_t keys = keysOf(track);
    w.i32(keys);
    w.i32(track.part);
    for (std::int32_t k = 0; k < keys; ++k) {
      const Matrix m = PoseAt(draft, track.part, k);
      w.i32(k);
      w.f32(m[3][0]);
      w.f32(m[3][1]);
      w.f32(m[3][2]);
    }
  }

  std::vector<MotionTrack> rotationTracks = draft.rotationTracks;
  if (rotationTracks.empty())
    for (std::int32_t part = 0; part < parts; ++part)
      rotationTracks.push_back({part, -1});
  const RotationKeyLayout layout = RotationLayout(draft.wideKeys, draft.axisOrder);
  for (const MotionTrack& track : rotationTracks) {
    const std::int32_t keys = keysOf(track);
    w.i32(keys);
    w.i32(track.part);
    for (std::int32_t k = 0; k < keys; ++k) {
      std::uint8_t key[16] = {};
      StoreI32(key, k);
      if (draft.axisOrder) StoreU32(key + layout.size - 4, draft.axisOrderTail);
      EncodeRotationKey(key, layout, MatrixToAxisAngle(PoseAt(draft, track.part, k)));
      w.bytes({key, static_cast<std::size_t>(layout.size)});
    }
  }
  return w.release();
}

}  // namespace dravo
