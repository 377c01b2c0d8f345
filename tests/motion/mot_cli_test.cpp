// `dravo mot`, run as the built program.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "motion/mot_file.h"
#include "motion/mot_writer.h"
#include "motion/motion_pose.h"
#include "motion_fixtures.h"
#include "support/file_helpers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace dravo {
namespace {

ProgramResult Dravo(const std::vector<std::string>& args) {
  return RunProgram(DRAVO_BINARY, args);
}

MotionDraft SmallDraft() {
  MotionDraft d;
  d.version = -6;
  d.frameCount = 3;
  d.partNames = {"Pelvis", "Torso"};
  d.positionTracks = {{0}};
  std::mt19937 rng(3);
  d.pose = test::RandomPose(rng, 2, 3);
  return d;
}

TEST(DravoMot, InfoDescribesTheMotion) {
  TempDir dir;
  WriteBytes(dir / "a.mot", WriteMotion(SmallDraft()));
  const ProgramResult r = Dravo({"mot", "info", (dir / "a.mot").string()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "{\"version\":-6,\"frames\":3,\"parts\":[{\"name\":\"Pelvis\",\"hasPosition\":true},"
            "{\"name\":\"Torso\",\"hasPosition\":false}],\"wideKeys\":true,\"axisOrder\":false,"
            "\"positionTracks\":1,\"valid\":true}\n");
}

TEST(DravoMot, InvalidMotionGivesItsReasonAndFails) {
  TempDir dir;
  MotionDraft d = SmallDraft();
  for (int i = 0; i < 31; ++i)
    d.partNames.push_back("P" + std::to_string(i));
  WriteBytes(dir / "many.mot", WriteMotion(d));
  // Nothing is printed for a motion that cannot be used; the error names it and says why.
  const ProgramResult r = Dravo({"mot", "info", (dir / "many.mot").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("dravo: " + (dir / "many.mot").string() + ": "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("at most 30"), std::string::npos) << r.err;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"mot", "dump", (dir / "many.mot").string()},
        std::vector<std::string>{"mot", "roundtrip", (dir / "many.mot").string(),
                                 (dir / "out.mot").string()}}) {
    const ProgramResult failed = Dravo(args);
    EXPECT_EQ(failed.code, 1) << args[1];
    EXPECT_NE(failed.err.find("at most 30"), std::string::npos) << failed.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.mot"));

  const ProgramResult missing = Dravo({"mot", "info", (dir / "none.mot").string()});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err,
            "dravo: " + (dir / "none.mot").string() + ": cannot be opened: No such file or directory\n");
  EXPECT_EQ(Dravo({"mot", "info"}).code, 2);
}

TEST(DravoMot, DumpIsThePoseTable) {
  TempDir dir;
  const auto bytes = WriteMotion(SmallDraft());
  WriteBytes(dir / "a.mot", bytes);
  const ProgramResult r = Dravo({"mot", "dump", (dir / "a.mot").string()});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto json = nlohmann::json::parse(r.out);

  const TPoseTable pose = BuildPose(test::Load(bytes));
  EXPECT_EQ(json["frames"], 3);
  ASSERT_EQ(json["parts"].size(), pose.size());
  for (std::size_t p = 0; p < pose.size(); ++p) {
    EXPECT_EQ(json["parts"][p]["name"], pose[p].Name);
    ASSERT_EQ(json["parts"][p]["frames"].size(), pose[p].Frames.size());
    for (std::size_t f = 0; f < pose[p].Frames.size(); ++f) {
      const auto& values = json["parts"][p]["frames"][f];
      ASSERT_EQ(values.size(), 16u);
      for (int i = 0; i < 16; ++i)
        EXPECT_EQ(static_cast<float>(values[i].get<double>()), pose[p].Frames[f][i / 4][i % 4]);
    }
  }
}

TEST(DravoMot, RoundtripStoresThePoseBack) {
  TempDir dir;
  MotionDraft d = SmallDraft();
  d.wideKeys = false;
  d.axisOrder = true;
  const auto bytes = WriteMotion(d);
  WriteBytes(dir / "in.mot", bytes);
  WriteBytes(dir / "out.mot", {1, 2, 3});
  const ProgramResult r = Dravo({"mot", "roundtrip", (dir / "in.mot").string(), (dir / "out.mot").string()});
  ASSERT_EQ(r.code, 0) << r.err;

  TMOTfile expected = test::Load(bytes);
  StorePose(BuildPose(expected), expected);
  EXPECT_EQ(ReadBytes(dir / "out.mot"), expected.vector());
  EXPECT_EQ(ReadBytes(dir / "in.mot"), bytes);
}

}  // namespace
}  // namespace dravo
