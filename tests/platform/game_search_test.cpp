#include "platform/game_search.h"

#include <gtest/gtest.h>

#include <deque>

#include <map>

#include "platform/game_files.h"
#include "support/file_helpers.h"
#include "support/temp_dir.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

EnvLookup FakeEnv(std::map<std::string, std::string> vars) {
  return [vars](const std::string& name) -> std::optional<std::string> {
    const auto it = vars.find(name);
    if (it == vars.end()) return std::nullopt;
    return it->second;
  };
}

std::string Slash(const fs::path& p) {
  return p.string() + "/";
}

const char* kSystemReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\Machine\n"
    "\n"
    "[Software\\\\THQ\\\\Other] 1600000000\n"
    "\"Path\"=\"C:\\\\wrong\\\\\"\n"
    "\n"
    "[Software\\\\THQ\\\\MXvsATV\\\\Install] 1600000001\n"
    "#time=1d7a0b0c0d0e0f0\n"
    "\"Version\"=dword:00000001\n"
    "\"Path\"=\"C:\\\\Program Files\\\\THQ\\\\MX vs ATV\\\\\"\n";

}  // namespace

TEST(GameFiles, NamesMatchWithoutRegardToCase) {
  TempDir dir;
  fs::create_directories(dir / "Data");
  WriteText(dir / "Data" / "Common.PAK", "x");
  EXPECT_EQ(ResolveGamePath(dir.path(), "data\\common.pak"), dir / "Data" / "Common.PAK");
  EXPECT_EQ(ResolveGamePath(dir.path(), "DATA/COMMON.pak"), dir / "Data" / "Common.PAK");
  // A file yet to be made keeps its name, in the folder that exists.
  EXPECT_EQ(ResolveGamePath(dir.path(), "data\\$dravo.pak"), dir / "Data" / "$dravo.pak");
  EXPECT_EQ(ResolveGamePath(dir.path(), "none\\x"), dir / "none" / "x");
  // An exact spelling wins over another that differs in case.
  fs::create_directories(dir / "data");
  EXPECT_EQ(ResolveGamePath(dir.path(), "data\\x"), dir / "data" / "x");
}

TEST(WineRegistry, ReadsTheInstallPathWithItsEscapes) {
  EXPECT_EQ(ReadWineRegistryString(kSystemReg, "software\\thq\\mxvsatv\\install", "PATH"),
            "C:\\Program Files\\THQ\\MX vs ATV\\");
  EXPECT_EQ(ReadWineRegistryString(kSystemReg, "Software\\THQ\\MXvsATV\\Install", "Version"), std::nullopt);
  EXPECT_EQ(ReadWineRegistryString(kSystemReg, "Software\\THQ\\Missing", "Path"), std::nullopt);
  const char* escapes =
      "[A\\\\B] 1\r\n"
      "\"Path\"=str(2):\"D:\\\\Sp\\x00e9l \\\"q\\\"\\\\\"\r\n";
  EXPECT_EQ(ReadWineRegistryString(escapes, "a\\b", "Path"), "D:\\Sp\xC3\xA9l \"q\"\\");
  EXPECT_EQ(ReadWineRegistryString("[A] 1\n\"Path\"=\"unterminated", "A", "Path"), std::nullopt);
}

TEST(WineRegistry, DrivesMapThroughDosdevicesOrDriveC) {
  TempDir dir;
  const fs::path prefix = dir / "prefix";
  fs::create_directories(prefix / "drive_c" / "Program Files" / "THQ" / "MX vs ATV");
  fs::create_directories(dir / "games" / "MX");
  fs::create_directories(prefix / "dosdevices");
  fs::create_symlink(dir / "games", prefix / "dosdevices" / "d:");
  EXPECT_EQ(WinePathToHost(prefix, "C:\\program files\\thq\\mx VS atv\\"),
            prefix / "drive_c" / "Program Files" / "THQ" / "MX vs ATV");
  EXPECT_EQ(WinePathToHost(prefix, "d:\\mx\\"), prefix / "dosdevices" / "d:" / "MX");
  EXPECT_EQ(WinePathToHost(prefix, "E:\\x"), std::nullopt);
  EXPECT_EQ(WinePathToHost(prefix, "\\\\server\\share"), std::nullopt);
}

TEST(GameSearch, TriesEachPlaceInOrder) {
  TempDir dir;
  // A folder is the game's when it holds data\\common.pak, in any letter case.
  for (const char* name : {"cmd", "env", "remembered", "chosen"}) {
    fs::create_directories(dir / name / "data");
    WriteText(dir / name / "data" / "common.pak", "");
  }
  fs::create_directories(dir / "empty");
  const fs::path wineGame = dir / "prefix" / "drive_c" / "Program Files" / "THQ" / "MX vs ATV";
  fs::create_directories(wineGame / "Data");
  WriteText(wineGame / "Data" / "Common.PAK", "");
  WriteText(dir / "prefix" / "system.reg", kSystemReg);
  const fs::path state = dir / "state.json";
  RememberGameFolder(state, (dir / "remembered").string());

  struct Case {
    std::string commandLine;
    std::map<std::string, std::string> env;
    bool remember;
    std::optional<std::string> chooser;
    std::optional<std::string> folder;
    GameSource source;
  };
  const std::map<std::string, std::string> wine{{"WINEPREFIX", (dir / "prefix").string()}};
  const std::map<std::string, std::string> all{{"WINEPREFIX", (dir / "prefix").string()},
                                               {"DRAVO_GAME_DIR", (dir / "env").string()}};
  const std::map<std::string, std::string> noWine{{"HOME", (dir / "home").string()}};
  const std::vector<Case> cases = {
      {(dir / "cmd").string(), all, true, {}, Slash(dir / "cmd"), GameSource::CommandLine},
      {(dir / "missing").string(), all, true, {}, Slash(dir / "env"), GameSource::Environment},
      {(dir / "empty").string(), all, true, {}, Slash(dir / "env"), GameSource::Environment},
      {"", wine, true, {}, Slash(dir / "remembered"), GameSource::Remembered},
      {"", wine, false, {}, Slash(wineGame), GameSource::WineRegistry},
      {"", noWine, false, (dir / "chosen").string(), Slash(dir / "chosen"), GameSource::Chooser},
      {"", noWine, false, std::nullopt, std::nullopt, GameSource::Chooser},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    GameSearch search;
    search.commandLine = c.commandLine;
    search.env = FakeEnv(c.env);
    search.stateFile = c.remember ? state : dir / "no-state.json";
    int asked = 0;
    search.chooseFolder = [&]() {
      ++asked;
      return c.chooser;
    };
    const auto found = FindGameFolder(search);
    ASSERT_EQ(found.has_value(), c.folder.has_value()) << i;
    if (found) {
      EXPECT_EQ(found->folder, *c.folder) << i;
      EXPECT_EQ(found->source, c.source) << i;
      EXPECT_EQ(asked, c.source == GameSource::Chooser ? 1 : 0) << i;
    }
  }
}

// A remembered folder that no longer holds the game is passed over, and the chooser refuses a
// folder without the game, says why and asks again.
TEST(GameSearch, AFolderThatLostTheGameIsPassedOverAndTheChooserAsksAgain) {
  TempDir dir;
  fs::create_directories(dir / "old" / "data");
  fs::create_directories(dir / "game" / "DATA");
  WriteText(dir / "game" / "DATA" / "COMMON.PAK", "");
  const fs::path state = dir / "state.json";
  RememberGameFolder(state, (dir / "old").string());
  GameSearch search;
  search.env = FakeEnv({{"HOME", (dir / "home").string()}});
  search.stateFile = state;
  std::deque<std::optional<std::string>> answers{(dir / "old").string(), (dir / "nowhere").string(),
                                                 (dir / "game").string()};
  std::vector<std::string> refused;
  search.chooseFolder = [&] {
    const auto next = answers.front();
    answers.pop_front();
    return next;
  };
  search.refuseFolder = [&](const std::string& folder) { refused.push_back(NotTheGameText(folder)); };
  const auto found = FindGameFolder(search);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->folder, Slash(dir / "game"));
  EXPECT_EQ(found->source, GameSource::Chooser);
  EXPECT_EQ(refused, (std::vector<std::string>{NotTheGameText((dir / "old").string()),
                                               NotTheGameText((dir / "nowhere").string())}));
  EXPECT_EQ(
      refused[0],
      (dir / "old").string() +
          " does not hold MVA: there is no data\\common.pak in it. Choose the folder MVA is installed in.");
  // Cancelled after a refusal: not found.
  answers = {(dir / "old").string(), std::nullopt};
  EXPECT_FALSE(FindGameFolder(search));
}

// A folder name of any bytes is remembered as it was.
TEST(GameSearch, TheRememberedFolderKeepsEveryByte) {
  TempDir dir;
  const std::string folder = "/games/MX \xE9\xFF\x80/";
  RememberGameFolder(dir / "state.json", folder);
  EXPECT_EQ(RememberedGameFolder(dir / "state.json"), folder);
}

TEST(GameSearch, RelativeFoldersBecomeAbsolute) {
  TempDir dir;
  const fs::path previous = fs::current_path();
  fs::create_directories(dir / "game" / "data");
  WriteText(dir / "game" / "data" / "common.pak", "");
  fs::current_path(dir.path());
  GameSearch search;
  search.commandLine = "game";
  search.env = FakeEnv({{"HOME", (dir / "home").string()}});
  const auto found = FindGameFolder(search);
  fs::current_path(previous);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->folder, Slash(dir / "game"));
}

TEST(UserFolders, ConfigFollowsXdgOrHome) {
  EXPECT_EQ(OptionsFilePath(FakeEnv({{"XDG_CONFIG_HOME", "/x/cfg"}, {"HOME", "/h"}})),
            fs::path("/x/cfg/Vell/DravoKit/options.json"));
  EXPECT_EQ(OptionsFilePath(FakeEnv({{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/h"}})),
            fs::path("/h/.config/Vell/DravoKit/options.json"));
  EXPECT_EQ(StateFilePath(FakeEnv({{"HOME", "/h"}})), fs::path("/h/.config/Vell/DravoKit/state.json"));
}

TEST(UserFolders, TheRememberedFolderKeepsOtherState) {
  TempDir dir;
  const fs::path state = dir / "cfg" / "state.json";
  EXPECT_EQ(RememberedGameFolder(state), std::nullopt);
  WriteText(dir / "other.json", "");
  fs::create_directories(state.parent_path());
  WriteText(state, R"({"Version": 3})");
  RememberGameFolder(state, "/games/mx/");
  EXPECT_EQ(RememberedGameFolder(state), "/games/mx/");
  const auto bytes = ReadBytes(state);
  EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("\"Version\": 3"), std::string::npos);
}
