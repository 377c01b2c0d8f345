// dravo demo as a user runs it.
#include <gtest/gtest.h>

#include "archive/pak_archive.h"
#include "support/file_helpers.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace {

ProgramResult Dravo(const std::vector<std::string>& args) {
  return RunProgram(DRAVO_BINARY, args);
}

}  // namespace

TEST(DravoDemo, WritesTheTwoArchivesIntoANewFolder) {
  TempDir dir;
  const std::string game = (dir / "games/demo").string();
  const ProgramResult r = Dravo({"demo", game, "--filler", "12"});
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
  ProgramResult r = Dravo({"demo", (dir / "file").string()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("not a folder"), std::string::npos) << r.err;
  EXPECT_EQ(ReadText(dir / "file"), "not a folder");
  r = Dravo({"demo", (dir / "game").string(), "--filler", "many"});
  EXPECT_EQ(r.code, 2);
  EXPECT_FALSE(std::filesystem::exists(dir / "game"));
}
