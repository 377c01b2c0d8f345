// dravo mot: look into motion files and run them through the pose table.
#include <charconv>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "cli.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "motion/mot_file.h"
#include "motion/motion_pose.h"
#include "motion/motion_track_index.h"

namespace dravo::cli {

namespace {

using Json = nlohmann::ordered_json;

// A motion the command can work on; a file that cannot be read or is not a usable motion is an error.
TMOTfile ReadMotion(const std::string& file) {
  TMOTfile motion;
  try {
    motion.LoadMotion(ReadWholeFile(file));
  } catch (const FileError& e) {
    throw FileProblem(e, file);
  }
  if (!motion.IsValid()) throw InputError(file, motion.InvalidReason());
  return motion;
}

// The shortest decimal that reads back as the same float, not the float widened to double.
Json FloatValue(float v) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, v).ptr;
  return std::stod(std::string(text, end));
}

void Print(const Json& json) {
  std::printf("%s\n", json.dump().c_str());
}

void Info(const std::string& file) {
  // Nothing is printed for a motion that cannot be used: the error says why.
  const TMOTfile motion = ReadMotion(file);
  Json parts = Json::array();
  for (std::int32_t i = 0; i < motion.PartCount(); ++i)
    parts.push_back(
        {{"name", EightBitToUtf8(motion.PartName(i))}, {"hasPosition", motion.HasPositionTrack(i)}});
  Print({{"version", motion.Version()},
         {"frames", motion.FrameCount()},
         {"parts", parts},
         {"wideKeys", motion.WideKeys()},
         {"axisOrder", motion.AxisOrder()},
         {"positionTracks", motion.PositionTrackCount()},
         {"valid", true}});
}

void Dump(const std::string& file) {
  const TMOTfile motion = ReadMotion(file);
  // Written a frame at a time: the text of a long motion is many times the size of its pose table.
  std::printf("{\"frames\":%d,\"parts\":[", motion.FrameCount());
  bool firstPart = true;
  for (const TMotionPart& part : BuildPose(motion, TMotionTrackIndex(motion))) {
    std::printf("%s{\"name\":%s,\"frames\":[", firstPart ? "" : ",",
                Json(EightBitToUtf8(part.Name)).dump().c_str());
    firstPart = false;
    bool firstFrame = true;
    for (const Matrix& m : part.Frames) {
      Json values = Json::array();
      for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
          values.push_back(FloatValue(m[r][c]));
      std::printf("%s%s", firstFrame ? "" : ",", values.dump().c_str());
      firstFrame = false;
    }
    std::printf("]}");
  }
  std::printf("]}\n");
}

void Roundtrip(const std::string& in, const std::string& out) {
  TMOTfile motion = ReadMotion(in);
  const TMotionTrackIndex index(motion);
  StorePose(BuildPose(motion, index), motion, index);
  try {
    WriteFileAtomic(out, motion.bytes());
  } catch (const FileError& e) {
    throw FileProblem(e, out);
  }
}

}  // namespace

void AddMotCommands(CLI::App& app) {
  CLI::App* mot = app.add_subcommand("mot", "Motion files (.mot)");
  mot->require_subcommand(1);

  auto file = std::make_shared<std::string>();
  CLI::App* info = mot->add_subcommand("info", "Header, parts and key format of a motion, as JSON");
  info->add_option("FILE", *file, "motion file")->required();
  info->callback([file] { Info(*file); });

  CLI::App* dump = mot->add_subcommand("dump", "The pose table of a motion, as JSON");
  dump->add_option("FILE", *file, "motion file")->required();
  dump->callback([file] { Dump(*file); });

  auto target = std::make_shared<std::string>();
  CLI::App* roundtrip =
      mot->add_subcommand("roundtrip", "Read a motion into its pose table and store it back into OUT");
  roundtrip->add_option("IN", *file, "motion file")->required();
  roundtrip->add_option("OUT", *target, "file to write")->required();
  roundtrip->callback([file, target] { Roundtrip(*file, *target); });
}

const CommandGroup kGroup{"mot", AddMotCommands};

}  // namespace dravo::cli
