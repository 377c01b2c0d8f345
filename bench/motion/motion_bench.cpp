// Reading a whole motion into its pose table and storing it back, the way a trick load and
// a trick save do: by scanning the track headers for every key, and through an index of
// track starts. The reference does the same maths the plainest way, on keys already taken out of
// the file into flat arrays: each axis and angle to a matrix by the textbook formula (with its
// position), and each matrix back to an axis and angle.
//
//   bench/motion/compare.sh   (or build/release/bench/motion/motion_bench)
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "motion/axis_angle.h"
#include "motion/mot_file.h"
#include "motion/mot_writer.h"
#include "motion/motion_pose.h"
#include "motion/motion_track_index.h"

namespace {

using namespace dravo;

// A rider-sized motion: 30 parts, 600 frames, wide keys, three position tracks.
const std::vector<std::uint8_t>& BigMotion() {
  static const std::vector<std::uint8_t> bytes = [] {
    MotionDraft d;
    d.version = -6;
    d.wideKeys = true;
    d.frameCount = 600;
    for (int p = 0; p < 30; ++p)
      d.partNames.push_back("Part " + std::to_string(p));
    d.positionTracks = {{0}, {1}, {29}};
    d.pose.resize(30);
    for (int p = 0; p < 30; ++p) {
      for (int f = 0; f < 600; ++f) {
        Matrix m = MatrixRotationAxis(Normalize({1.0f + p, 0.5f * f, 2.0f}), 0.001f * f + 0.1f * p + 0.2f);
        m[3][0] = 0.01f * f;
        m[3][1] = 0.1f * p;
        d.pose[p].push_back(m);
      }
    }
    return WriteMotion(d);
  }();
  return bytes;
}

void BM_PoseByScanning(benchmark::State& state) {
  TMOTfile motion;
  motion.LoadMotion(BigMotion());
  for (auto _ : state) {
    TPoseTable pose = BuildPose(motion);
    StorePose(pose, motion);
    benchmark::DoNotOptimize(motion.data());
  }
}
BENCHMARK(BM_PoseByScanning)->Unit(benchmark::kMicrosecond);

void BM_PoseThroughIndex(benchmark::State& state) {
  TMOTfile motion;
  motion.LoadMotion(BigMotion());
  for (auto _ : state) {
    const TMotionTrackIndex index(motion);  // built once per load, so it is part of the cost
    TPoseTable pose = BuildPose(motion, index);
    StorePose(pose, motion, index);
    benchmark::DoNotOptimize(motion.data());
  }
}
BENCHMARK(BM_PoseThroughIndex)->Unit(benchmark::kMicrosecond);

// The keys as flat arrays: axis x, y, z and angle of every rotation key, x, y, z of every position.
struct FlatKeys {
  std::vector<float> rotations, positions;
};

FlatKeys TakeKeys() {
  TMOTfile motion;
  motion.LoadMotion(BigMotion());
  FlatKeys keys;
  for (int p = 0; p < motion.PartCount(); ++p) {
    for (int f = 0; f < motion.FrameCount(); ++f) {
      const AxisAngle r = MatrixToAxisAngle(motion.GetRotation(p, f));
      keys.rotations.insert(keys.rotations.end(), {r.axis.x, r.axis.y, r.axis.z, r.angle});
      const Vector3 t = motion.GetPosition(p, f);
      keys.positions.insert(keys.positions.end(), {t.x, t.y, t.z});
    }
  }
  return keys;
}

void BM_TextbookKeysAndBack(benchmark::State& state) {
  const FlatKeys in = TakeKeys();
  FlatKeys out = in;
  const std::size_t count = in.rotations.size() / 4;
  std::vector<float> matrices(count * 16);
  for (auto _ : state) {
    for (std::size_t k = 0; k < count; ++k) {
      const float* r = &in.rotations[4 * k];
      const float* t = &in.positions[3 * k];
      const float c = std::cos(r[3]), s = std::sin(r[3]), u = 1 - c;
      const float x = r[0], y = r[1], z = r[2];
      float* m = &matrices[16 * k];
      const float rows[16] = {u * x * x + c,
                              u * x * y + s * z,
                              u * x * z - s * y,
                              0,
                              u * x * y - s * z,
                              u * y * y + c,
                              u * y * z + s * x,
                              0,
                              u * x * z + s * y,
                              u * y * z - s * x,
                              u * z * z + c,
                              0,
                              t[0],
                              t[1],
                              t[2],
                              1};
      std::copy(rows, rows + 16, m);
    }
    benchmark::ClobberMemory();
    for (std::size_t k = 0; k < count; ++k) {
      const float* m = &matrices[16 * k];
      const float angle = std::acos(std::clamp((m[0] + m[5] + m[10] - 1) / 2, -1.0f, 1.0f));
      const float ax = m[6] - m[9], ay = m[8] - m[2], az = m[1] - m[4];
      const float length = std::sqrt(ax * ax + ay * ay + az * az);
      const float scale = length > 1e-6f ? 1 / length : 0;
      float* r = &out.rotations[4 * k];
      r[0] = ax * scale;
      r[1] = ay * scale;
      r[2] = az * scale;
      r[3] = angle;
      std::copy(m + 12, m + 15, &out.positions[3 * k]);
    }
    benchmark::DoNotOptimize(out.rotations.data());
    benchmark::DoNotOptimize(out.positions.data());
  }
}
BENCHMARK(BM_TextbookKeysAndBack)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
