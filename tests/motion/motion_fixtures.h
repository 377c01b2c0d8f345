#pragma once

#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "core/maths.h"
#include "motion/mot_file.h"
#include "motion/mot_writer.h"

namespace dravo::test {

// The twelve shapes a motion can take: version × key width × axis order.
struct MotionVariant {
  std::int32_t version;
  bool wide;
  bool axisOrder;
};

inline std::vector<MotionVariant> AllVariants() {
  std::vector<MotionVariant> v;
  for (std::int32_t version : {-7, -6, -3})
    for (bool wide : {false, true})
      for (bool axisOrder : {false, true})
        v.push_back({version, wide, axisOrder});
  return v;
}

inline std::string VariantName(const MotionVariant& v) {
  return "v" + std::to_string(-v.version) + (v.wide ? "_wide" : "_narrow") + (v.axisOrder ? "_xzy" : "_xyz");
}

inline void PrintTo(const MotionVariant& v, std::ostream* os) {
  *os << VariantName(v);
}

inline MotionDraft DraftFor(const MotionVariant& v) {
  MotionDraft d;
  d.version = v.version;
  d.wideKeys = v.wide;
  d.axisOrder = v.axisOrder;
  return d;
}

inline TMOTfile Load(std::span<const std::uint8_t> bytes) {
  TMOTfile m;
  m.LoadMotion(bytes);
  return m;
}

// Random rotations (angles kept clear of 0 and π, where a key's precision gives way to
// the axis-angle tolerances) with random positions in the fourth row.
inline std::vector<std::vector<Matrix>> RandomPose(std::mt19937& rng, int parts, int frames) {
  std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
  std::uniform_real_distribution<float> angle(0.2f, kPi - 0.2f);
  std::uniform_real_distribution<float> place(-5.0f, 5.0f);
  std::vector<std::vector<Matrix>> pose(static_cast<std::size_t>(parts));
  for (auto& frameList : pose) {
    for (int f = 0; f < frames; ++f) {
      Vector3 axis;
      do
        axis = {unit(rng), unit(rng), unit(rng)};
      while (Vec3Length(axis) < 0.2f);
      Matrix m = MatrixRotationAxis(Normalize(axis), angle(rng));
      m[3][0] = place(rng);
      m[3][1] = place(rng);
      m[3][2] = place(rng);
      frameList.push_back(m);
    }
  }
  return pose;
}

inline float MaxDifference(const Matrix& a, const Matrix& b) {
  float d = 0;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      d = std::max(d, std::fabs(a[r][c] - b[r][c]));
  return d;
}

}  // namespace dravo::test
