// Runs the built `dravo` program as a user would and checks its output, exit codes and files.
#include <gtest/gtest.h>

#include "archive/mva_folder.h"
#include "support/file_helpers.h"
#include "support/pak_bytes.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Runs dravo in the test's folder with the arguments.
ProgramResult Dravo(const TempDir& dir, const std::vector<std::string>& args) {
  ProgramOptions options;
  options.cwd = dir.path();
  return RunProgram(DRAVO_BINARY, args, options);
}

// Every file below `root` with its content, so "nothing was written" is one comparison.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file())
      files[entry.path().lexically_relative(root).string()] = ReadText(entry.path());
  }
  return files;
}

}  // namespace

TEST(DravoPak, CreateListExtractRoundTrip) {
  TempDir dir;
  fs::create_directories(dir / "src" / "Data" / "Rider");
  WriteText(dir / "src" / "Data" / "Rider" / "a.mot", "motion");
  WriteText(dir / "src" / "b.txt", "text!");
  WriteText(dir / "src" / "empty", "");
  ASSERT_EQ(Dravo(dir, {"pak", "create", "out.pak", "--from", "src"}).code, 0);

  const ProgramResult list = Dravo(dir, {"pak", "list", "out.pak"});
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(list.out, "0\t5\tb.txt\n1\t6\tData\\Rider\\a.mot\n2\t0\tempty\n");
  EXPECT_EQ(list.err, "");

  ASSERT_EQ(Dravo(dir, {"pak", "extract", "out.pak", "-o", "all"}).code, 0);
  EXPECT_EQ(Tree(dir / "all"), Tree(dir / "src"));
  ASSERT_EQ(Dravo(dir, {"pak", "extract", "out.pak", "-o", "one", "DATA\\RIDER\\A.MOT"}).code, 0);
  EXPECT_EQ(Tree(dir / "one"), (std::map<std::string, std::string>{{"Data/Rider/a.mot", "motion"}}));
}

TEST(DravoPak, AddReplaceAndRemoveKeepABackup) {
  TempDir dir;
  WriteText(dir / "one", "1");
  WriteText(dir / "two", "22");
  ASSERT_EQ(Dravo(dir, {"pak", "add", "new.pak", "Data\\x.mot", "one"}).code, 0);
  EXPECT_FALSE(fs::exists(dir / "new.bak"));
  ASSERT_EQ(Dravo(dir, {"pak", "add", "new.pak", "data\\X.MOT", "two"}).code, 0);
  ASSERT_EQ(Dravo(dir, {"pak", "add", "new.pak", "other", "one"}).code, 0);
  EXPECT_EQ(Dravo(dir, {"pak", "list", "new.pak"}).out, "0\t2\tdata\\X.MOT\n1\t1\tother\n");
  ASSERT_EQ(Dravo(dir, {"pak", "rm", "new.pak", "DATA\\x.mot"}).code, 0);
  EXPECT_EQ(Dravo(dir, {"pak", "list", "new.pak"}).out, "0\t1\tother\n");
  EXPECT_EQ(Dravo(dir, {"pak", "list", "new.bak"}).out, "0\t2\tdata\\X.MOT\n1\t1\tother\n");
}

// Bad input: one line "dravo: <file>: <what>", exit 1, and not a byte written.
TEST(DravoPak, BadInputWritesNothing) {
  TempDir dir;
  WriteBytes(dir / "game.pak", PakBytes().add("ok", "fine").bytes());
  WriteBytes(dir / "damaged.pak", PakBytes().add("a", "xy").raw("b", 1, 9).bytes());
  WriteBytes(dir / "escape.pak", PakBytes().add("fine", "f").add("..\\..\\evil", "e").bytes());
  WriteText(dir / "src", "bytes");
  fs::create_directories(dir / "deep" / std::string(60, 'd'));
  WriteText(dir / "deep" / std::string(60, 'd') / (std::string(45, 'f') + ".mot"), "x");
  const auto before = Tree(dir.path());

  struct Case {
    std::vector<std::string> args;
    std::string file;
  };
  const std::vector<Case> cases = {
      {{"pak", "list", "damaged.pak"}, "damaged.pak"},
      {{"pak", "list", "missing.pak"}, "missing.pak"},
      {{"pak", "extract", "damaged.pak", "-o", "out"}, "damaged.pak"},
      {{"pak", "extract", "escape.pak", "-o", "out"}, "escape.pak"},
      {{"pak", "extract", "game.pak", "-o", "out", "ok", "missing"}, "game.pak"},
      {{"pak", "add", "damaged.pak", "n", "src"}, "damaged.pak"},
      {{"pak", "add", "made.pak", "n", "no-such-source"}, "no-such-source"},
      {{"pak", "add", "made.pak", std::string(100, 'n'), "src"}, "made.pak"},
      {{"pak", "add", "made.pak", "  ", "src"}, "made.pak"},
      {{"pak", "rm", "game.pak", "absent"}, "game.pak"},
      {{"pak", "rm", "missing.pak", "ok"}, "missing.pak"},
      {{"pak", "create", "made.pak", "--from", "deep"},
       "deep/" + std::string(60, 'd') + "/" + std::string(45, 'f') + ".mot"},
      {{"pak", "create", "made.pak", "--from", "no-such-folder"}, "no-such-folder"},
  };
  for (const Case& c : cases) {
    const ProgramResult r = Dravo(dir, c.args);
    EXPECT_EQ(r.code, 1) << c.args[1] << " " << c.args[2];
    EXPECT_EQ(r.err.rfind("dravo: " + c.file + ": ", 0), 0u) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(Tree(dir.path()), before) << c.args[1] << " " << c.args[2];
  }
}

TEST(DravoPak, BadUsageExitsWithTwo) {
  TempDir dir;
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {"pak"},
                                             {"pak", "list"},
                                             {"pak", "add", "x.pak", "name"},
                                             {"nonsense"},
                                             {"pak", "create", "x.pak"},
                                             {"res", "find", "NAME"}}) {
    const ProgramResult r = Dravo(dir, args);
    EXPECT_EQ(r.code, 2) << (args.empty() ? "" : args.back());
    EXPECT_EQ(r.err.rfind("dravo: ", 0), 0u) << r.err;
  }
  EXPECT_TRUE(Tree(dir.path()).empty());
  EXPECT_EQ(Dravo(dir, {"--help"}).code, 0);
}

TEST(DravoRes, FindsTheFirstMatchAsTheEditorDoes) {
  TempDir dir;
  fs::create_directories(dir / "MX" / "Data");
  WriteBytes(dir / "MX" / "Data" / "Common.PAK",
             PakBytes().add("motions.ini", "[x]").add("Data\\Rider\\NoFear6.sub", "rider").bytes());
  WriteBytes(dir / "MX" / "Data" / "tex.pak",
             PakBytes().add("NoFear6.sub", "later").add("t.dxt", "TT").bytes());

  ProgramResult r = Dravo(dir, {"res", "find", "--game", "MX", "nofear6.SUB"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "Common\t" + std::to_string(4 + 2 * 108 + 3) + "\t5\tData\\Rider\\\tNoFear6.sub\n");
  r = Dravo(dir, {"res", "find", "--game", "MX", "C:\\any\\T.DXT"});
  EXPECT_EQ(r.out, "Textures\t" + std::to_string(4 + 2 * 108 + 5) + "\t2\t\tt.dxt\n");

  r = Dravo(dir, {"res", "find", "--game", "MX", "none.sub"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err, "dravo: none.sub: not found in the game's archives\n");
  r = Dravo(dir, {"res", "find", "--game", "nowhere", "x.sub"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.rfind("dravo: nowhere: ", 0), 0u);
}
