// `dravo mot`, run as the built program.
#include <gtest/gtest.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "motion/mot_file.h"
#include "motion/mot_writer.h"
#include "motion/motion_pose.h"
#include "motion_fixtures.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace dravo {
namespace {

struct Outcome {
  int exitCode;
  std::string out, err;
};

Outcome Dravo(const TempDir& dir, const std::string& args) {
  const auto out = dir / "stdout.txt", err = dir / "stderr.txt";
  const std::string command =
      std::string("'") + DRAVO_EXE + "' " + args + " >'" + out.string() + "' 2>'" + err.string() + "'";
  const int status = std::system(command.c_str());
#ifdef _WIN32
  const int code = status;
#else
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  const auto text = [](const std::filesystem::path& p) {
    const auto b = ReadBytes(p);
    return std::string(b.begin(), b.end());
  };
  return {code, text(out), text(err)};
}

std::string Quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
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
  const Outcome r = Dravo(dir, "mot info " + Quoted(dir / "a.mot"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
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
  const Outcome r = Dravo(dir, "mot info " + Quoted(dir / "many.mot"));
  EXPECT_EQ(r.exitCode, 1);
  const auto json = nlohmann::json::parse(r.out);
  EXPECT_EQ(json["valid"], false);
  EXPECT_EQ(json["frames"], 0);
  EXPECT_NE(json["reason"].get<std::string>().find("at most 30"), std::string::npos);
  EXPECT_NE(r.err.find("dravo: "), std::string::npos);

  for (const std::string& args : {"dump " + Quoted(dir / "many.mot"),
                                  "roundtrip " + Quoted(dir / "many.mot") + " " + Quoted(dir / "out.mot")}) {
    const Outcome failed = Dravo(dir, "mot " + args);
    EXPECT_EQ(failed.exitCode, 1) << args;
    EXPECT_NE(failed.err.find("at most 30"), std::string::npos) << failed.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "out.mot"));

  const Outcome missing = Dravo(dir, "mot info " + Quoted(dir / "none.mot"));
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find("Cannot open file"), std::string::npos) << missing.err;
  EXPECT_EQ(Dravo(dir, "mot info").exitCode, 2);
}

TEST(DravoMot, DumpIsThePoseTable) {
  TempDir dir;
  const auto bytes = WriteMotion(SmallDraft());
  WriteBytes(dir / "a.mot", bytes);
  const Outcome r = Dravo(dir, "mot dump " + Quoted(dir / "a.mot"));
  ASSERT_EQ(r.exitCode, 0) << r.err;
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
  const Outcome r = Dravo(dir, "mot roundtrip " + Quoted(dir / "in.mot") + " " + Quoted(dir / "out.mot"));
  ASSERT_EQ(r.exitCode, 0) << r.err;

  TMOTfile expected = test::Load(bytes);
  StorePose(BuildPose(expected), expected);
  EXPECT_EQ(ReadBytes(dir / "out.mot"), expected.vector());
  EXPECT_EQ(ReadBytes(dir / "in.mot"), bytes);
}

}  // namespace
}  // namespace dravo
