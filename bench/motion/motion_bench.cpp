// Reading a whole motion into its pose table and storing it back, the way a trick load and
// a trick save do: by scanning the track headers for every key, and through an index of
// track starts. A plain copy of the key bytes, there and back, is the reference.
//
//   build/release/bench/motion/motion_bench
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

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

void BM_CopyKeyBytes(benchmark::State& state) {
  TMOTfile motion;
  motion.LoadMotion(BigMotion());
  const auto start = static_cast<std::size_t>(motion.PositionTracksStart());
  std::vector<std::uint8_t> copy(motion.size() - start);
  for (auto _ : state) {
    std::memcpy(copy.data(), motion.data() + start, copy.size());
    benchmark::ClobberMemory();
    std::memcpy(motion.data() + start, copy.data(), copy.size());
    benchmark::DoNotOptimize(motion.data());
  }
}
BENCHMARK(BM_CopyKeyBytes)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
