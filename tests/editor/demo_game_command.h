#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "editor_rig.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace dravo::test {

// `dravo <command> --game <the demo game> ...` as a user runs it, with a home and config folder of its
// own. The game is written once for the suite.
class DemoGameCommand : public ::testing::Test {
 protected:
  explicit DemoGameCommand(std::string command) : m_command(std::move(command)) {}

  static void SetUpTestSuite() {
    game = std::make_unique<TempDir>();
    WriteGame(game->path(), DemoContentOnce());
  }
  static void TearDownTestSuite() { game.reset(); }

  ProgramResult Run(const std::vector<std::string>& args) const { return RunOn(game->path(), args); }

  // The same on another game folder, with `environment` set over the rest.
  ProgramResult RunOn(const std::filesystem::path& gameFolder, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& environment = {}) const {
    // "gltf export": the words of a command and its subcommand, then the game.
    std::vector<std::string> all;
    std::istringstream words(m_command);
    for (std::string word; words >> word;)
      all.push_back(word);
    all.insert(all.end(), {"--game", gameFolder.string()});
    all.insert(all.end(), args.begin(), args.end());
    ProgramOptions options;
    // Mesa's driver keeps a few allocations past its unloading, where no suppression can name them:
    // sanitizer builds leave the leak check out of these drawing runs.
    options.environment = {{"ASAN_OPTIONS", "detect_leaks=0"},
                           {"HOME", home.path().string()},
                           {"XDG_CONFIG_HOME", (home / "config").string()}};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    return RunProgram(DRAVO_BINARY, all, options);
  }

  static inline std::unique_ptr<TempDir> game;
  TempDir dir;
  TempDir home;

 private:
  std::string m_command;
};

}  // namespace dravo::test
