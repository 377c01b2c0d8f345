// dravo res: the game's resources as the editor finds them.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "cli.h"
#include "core/text.h"
#include "editor/game_archives.h"

namespace dravo::cli {

namespace {

void Find(const std::string& game, const std::string& name) {
  std::error_code ec;
  if (!std::filesystem::is_directory(game, ec)) throw InputError(game, "not a folder");
  if (!HoldsGame(game)) throw InputError(game, "holds no " + std::string(kGameMarkerFile));
  GameResources resources;
  GameSearch search;
  search.commandLine = game;
  // Only the folder given: no environment, remembered folder or Wine registry.
  search.env = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
  std::string folder;
  if (!LocateGame(resources.manager(), search, folder)) throw InputError(game, "not a folder");
  TRmxResManager& manager = resources.manager();
  if (manager.FolderCount() == 0) {
    throw InputError(game, "holds no readable " + std::string(kCommonArchive) + " or " + kTexturesArchive);
  }
  int f = -1, r = -1;
  if (manager.FindResource(Trim(ExtractFileName(name)), f, r) != 0) {
    throw InputError(name, "not found in the game's archives");
  }
  const TRmxCustomFolder* mounted = manager.Folder(f);
  const TRmxResource* record = mounted->Resource(r);
  std::printf("%s\t%u\t%u\t%s\t%s\n", mounted->Name().c_str(), record->Offset, record->Size,
              record->EntryPath.c_str(), mounted->ResourceName(r).c_str());
}

}  // namespace

void AddResCommands(CLI::App& app) {
  CLI::App* res = app.add_subcommand("res", "Find the game's resources as the editor does");
  res->require_subcommand(1);
  auto game = std::make_shared<std::string>();
  auto name = std::make_shared<std::string>();
  CLI::App* find = res->add_subcommand(
      "find",
      "Mount the game's archives and print folder, offset, size, entry path and name of the first match");
  find->add_option("--game", *game, "The game's folder")->required();
  find->add_option("NAME", *name, "A resource's file name")->required();
  find->callback([game, name] { Find(*game, *name); });
}

const CommandGroup kGroup{"res", AddResCommands};

}  // namespace dravo::cli
