// The seeds of the motion fuzz target are made here by the writer, so the corpus can be
// checked and rebuilt: DRAVO_UPDATE_SEEDS=1 ./motion_tests --gtest_filter='MotSeeds.*'
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>

#include "motion/mot_writer.h"
#include "motion_fixtures.h"
#include "support/file_helpers.h"

namespace dravo {
namespace {

std::map<std::string, std::vector<std::uint8_t>> MotionSeeds() {
  std::map<std::string, std::vector<std::uint8_t>> seeds;
  std::mt19937 rng(2024);
  for (const auto& v : test::AllVariants()) {
    MotionDraft d = test::DraftFor(v);
    d.frameCount = 3;
    d.partNames = {"Pelvis", "Head"};
    d.positionTracks = {{0}};
    d.axisOrderTail = 0xCAFEF00Du;
    d.pose = test::RandomPose(rng, 2, 3);
    seeds[test::VariantName(v)] = WriteMotion(d);
  }
  MotionDraft odd;
  odd.frameCount = 4;
  odd.partNames = {"A", "B", "C"};
  odd.rotationTracks = {{2, 1}, {0}, {2}, {9}};
  odd.positionTracks = {{1, 2}, {1}, {-3, 0}};
  odd.pose = test::RandomPose(rng, 3, 4);
  seeds["odd_tracks"] = WriteMotion(odd);
  MotionDraft empty;
  empty.version = -3;
  empty.frameCount = 0;
  seeds["no_parts"] = WriteMotion(empty);
  return seeds;
}

TEST(MotSeeds, CorpusIsWhatTheWriterMakes) {
  const std::filesystem::path corpus = std::filesystem::path(DRAVO_SOURCE_DIR) / "fuzz/corpus/mot_fuzz";
  const bool update = std::getenv("DRAVO_UPDATE_SEEDS") != nullptr;
  for (const auto& [name, bytes] : MotionSeeds()) {
    const auto file = corpus / (name + ".mot");
    if (update) WriteBytes(file, bytes);
    EXPECT_EQ(ReadBytes(file), bytes) << file << " is stale; rebuild with DRAVO_UPDATE_SEEDS=1";
  }
}

}  // namespace
}  // namespace dravo
