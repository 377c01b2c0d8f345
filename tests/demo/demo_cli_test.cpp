// dravo demo as a user runs it.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include "archive/mva_folder.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

namespace {

struct Result {
  int code;
  std::string out, err;
};

std::string Quote(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string ReadAll(const std::filesystem::path& path) {
  const auto bytes = ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

Result Dravo(const TempDir& dir, const std::vector<std::string>& args) {
  std::string command = Quote(DRAVO_BINARY);
  for (const std::string& arg : args)
    command += " " + Quote(arg);
  command += " >" + Quote((dir / ".out").string()) + " 2>" + Quote((dir / ".err").string());
  const int status = std::system(command.c_str());
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadAll(dir / ".out"), ReadAll(dir / ".err")};
}

}  // namespace

TEST(DravoDemo, WritesTheTwoArchivesIntoANewFolder) {
  TempDir dir;
  const std::string game = (dir / "games/demo").string();
  const Result r = Dravo(dir, {"demo", game, "--filler", "12"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("common.pak"), std::string::npos);
  const auto common = dravo::TMvAFolder::Open(dir / "games/demo/data/common.pak");
  const auto textures = dravo::TMvAFolder::Open(dir / "games/demo/data/tex.pak");
  EXPECT_GE(common->IndexOf("Data\\Scripts\\motions.ini"), 0);
  EXPECT_GE(common->IndexOf("Data\\Rider\\Anim\\ai_00007.mot"), 0);
  EXPECT_GE(textures->IndexOf("Data\\Veh\\Tex\\kx250_body.dxt"), 0);
}

TEST(DravoDemo, RefusesAFileForAFolderAndABadFillerCount) {
  TempDir dir;
  WriteText(dir / "file", "not a folder");
  Result r = Dravo(dir, {"demo", (dir / "file").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("not a folder"), std::string::npos) << r.err;
  EXPECT_EQ(ReadAll(dir / "file"), "not a folder");
  r = Dravo(dir, {"demo", (dir / "game").string(), "--filler", "many"});
  EXPECT_EQ(r.code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "game"));
}
