// Runs the built `dravo` program as a user would and checks its output, exit codes and files.
#include <gtest/gtest.h>

#include "archive/pak_archive.h"
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
  PakBytes damaged = PakBytes().add("a", "xy");
  damaged.count = 5;  // a directory longer than the file
  WriteBytes(dir / "damaged.pak", damaged.bytes());
  WriteBytes(dir / "bad-entry.pak", PakBytes().add("a", "xy").raw("b", 1, 9).bytes());
  WriteBytes(dir / "control.pak", PakBytes().add("fine", "f").add("Data\\\x1b[2Jx.mot", "e").bytes());
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
      {{"pak", "extract", "bad-entry.pak", "-o", "out"}, "bad-entry.pak"},
      {{"pak", "extract", "control.pak", "-o", "out"}, "control.pak"},
      {{"pak", "add", "bad-entry.pak", "n", "src"}, "bad-entry.pak"},
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

TEST(DravoPak, ADamagedEntryIsListedWithAWarningAndTheRestExtracts) {
  TempDir dir;
  WriteBytes(dir / "game.pak", PakBytes().add("a", "xy").raw("b", 1, 9).add("c", "z").bytes());
  const ProgramResult list = Dravo(dir, {"pak", "list", "game.pak"});
  EXPECT_EQ(list.code, 0);
  EXPECT_EQ(list.out, "0\t2\ta\n1\t9\tb\n2\t1\tc\n");
  EXPECT_EQ(list.err.rfind("dravo: game.pak: warning: entry 1 \"b\"", 0), 0u) << list.err;
  EXPECT_EQ(Dravo(dir, {"pak", "extract", "game.pak", "-o", "out", "a", "c"}).code, 0);
  EXPECT_EQ(Tree(dir / "out"), (std::map<std::string, std::string>{{"a", "xy"}, {"c", "z"}}));
}

// An archive decides the names below the output folder, never where they lead: a symbolic link
// already there is not followed, and names cannot carry terminal escapes into messages.
TEST(DravoPak, ExtractNeverFollowsALinkBelowTheOutputFolder) {
  TempDir dir;
  fs::create_directories(dir / "out");
  fs::create_directories(dir / "elsewhere");
  fs::create_directory_symlink("../elsewhere", dir / "out" / "Data");
  WriteText(dir / "elsewhere" / "x.mot", "theirs");
  fs::create_symlink("../elsewhere/x.mot", dir / "out" / "y.mot");
  WriteBytes(dir / "game.pak", PakBytes().add("Data\\x.mot", "mine").bytes());
  WriteBytes(dir / "file.pak", PakBytes().add("y.mot", "mine").bytes());
  for (const char* pak : {"game.pak", "file.pak"}) {
    const ProgramResult r = Dravo(dir, {"pak", "extract", pak, "-o", "out"});
    EXPECT_EQ(r.code, 1) << pak;
    EXPECT_NE(r.err.find("is a symbolic link; it is not followed"), std::string::npos) << r.err;
    EXPECT_EQ(ReadText(dir / "elsewhere" / "x.mot"), "theirs");
  }
  WriteBytes(dir / "escape.pak", PakBytes().add("a\x1b]0;title\x07.mot", "e").bytes());
  const ProgramResult r = Dravo(dir, {"pak", "extract", "escape.pak", "-o", "fresh"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("a\\x1B]0;title\\x07.mot"), std::string::npos) << r.err;
  EXPECT_FALSE(fs::exists(dir / "fresh"));
}

// A disk that fills half-way: the reason is given and what this run wrote is taken back.
TEST(DravoPak, AFailedExtractSaysWhyAndTakesBackWhatItWrote) {
  TempDir dir;
  WriteBytes(dir / "game.pak", PakBytes()
                                   .add("a.txt", "small")
                                   .add("Data\\b.txt", "small")
                                   .add("c.big", std::string(5000, 'c'))
                                   .bytes());
  fs::create_directories(dir / "out");
  WriteText(dir / "out" / "a.txt", "user's");
  // Files of more than 2 KB cannot be written: the third entry fails.
  const std::string command =
      "trap '' XFSZ; ulimit -f 4; exec " + std::string(DRAVO_BINARY) + " pak extract game.pak -o out";
  ProgramOptions options;
  options.cwd = dir.path();
  const ProgramResult r = RunProgram("/bin/sh", {"-c", command}, options);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("c.big: cannot be written: File too large"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("the files extracted before it were removed"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("1 file that existed before had already been replaced"), std::string::npos) << r.err;
  EXPECT_EQ(Tree(dir / "out"), (std::map<std::string, std::string>{{"a.txt", "small"}}));
  EXPECT_FALSE(fs::exists(dir / "out" / "Data"));
}
