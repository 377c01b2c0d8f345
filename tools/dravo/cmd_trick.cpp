// dravo trick: list, install, export and revert tricks, with the rules of the editor's transfer window.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "archive/pak_format.h"
#include "cli.h"
#include "core/text.h"
#include "editor/editor_host.h"
#include "editor/game_archives.h"
#include "editor/trick_install.h"
#include "editor/trick_names.h"
#include "editor/trick_transfer.h"
#include "resources/document_ini.h"

namespace dravo::cli {

namespace fs = std::filesystem;

namespace {

// The game given with --game, its archives mounted as the editor mounts them.
struct Game {
  std::string folder;
  GameResources resources;
  GameArchives archives;

  explicit Game(const std::string& dir) {
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) throw InputError(dir, "not a folder");
    if (!HoldsGame(dir)) throw InputError(dir, "holds no " + std::string(kGameMarkerFile));
    GameSearch search;
    search.commandLine = dir;
    // Only the folder given: no environment, remembered folder or Wine registry.
    search.env = [](const std::string&) -> std::optional<std::string> { return std::nullopt; };
    if (!LocateGame(resources.manager(), search, folder)) throw InputError(dir, "not a folder");
    archives = GameArchives::In(folder);
    const TRmxCustomFolder* common =
        resources.manager().FolderCount() > 0 ? resources.manager().Folder(0) : nullptr;
    if (!common || common->Name() != kCommonMountName) {
      throw InputError(dir, "holds no readable " + std::string(kCommonArchive));
    }
  }

  std::unique_ptr<TMvAFolder> own() const {
    try {
      return OpenOwnArchive(folder);
    } catch (const FileError& e) {
      throw InputError(archives.own.string(), e.reason().empty() ? e.what() : e.reason());
    }
  }
};

// What a file error says in the command line's form.
InputError Reason(const FileError& e, const std::string& fallback) {
  return InputError(e.file().empty() ? fallback : e.file(), e.reason().empty() ? e.what() : e.reason());
}

std::uint32_t EntrySize(const TVirtualFolder& archive, const std::string& name) {
  const TFolderEntry* entry = archive.Entry(archive.IndexOf(name));
  return entry ? entry->Size : 0;
}

void List(const std::string& dir) {
  Game game(dir);
  const std::unique_ptr<TMvAFolder> own = game.own();
  for (const TrickId& trick : InstalledTricks(*own)) {
    const TrickEntryNames names = EntryNamesFor(trick.machineType, trick.name);
    const bool rider = own->IndexOf(names.riderEntry) >= 0;
    const bool machine = own->IndexOf(names.machineEntry) >= 0;
    std::printf("%s\t%s\t%s\t%s\t%u\tinstalled\n", MachineTypeName(trick.machineType), trick.name.c_str(),
                rider ? own->EntryName(own->IndexOf(names.riderEntry)).c_str() : "-",
                machine ? own->EntryName(own->IndexOf(names.machineEntry)).c_str() : "-",
                EntrySize(*own, rider ? names.riderEntry : names.machineEntry));
  }

  // The game's own tricks, as the editor's trick list offers them for each machine type.
  TRmxResManager& resources = game.resources.manager();
  MemoryStream stream;
  if (resources.ReadResource("motions.ini", stream, true) != 0) return;
  TKelIniFile document;
  document.LoadFromStream(stream);
  const auto find = [&](const std::string& file) -> const TRmxResource* {
    int folder = -1, resource = -1;
    if (resources.FindResource(file, folder, resource) != 0) return nullptr;
    return resources.Folder(folder)->Resource(resource);
  };
  for (int type = 0; type < 3; ++type) {
    for (const CatalogueEntry& entry : BuildCatalogueEntries(
             document.Lines(), type, [&](const std::string& file) { return find(file) != nullptr; })) {
      const TrickEntryNames names = EntryNamesFor(type, entry.Name);
      const TRmxResource* rider = find(names.riderFile);
      const TRmxResource* machine = find(names.machineFile);
      if (!rider) continue;
      std::printf("%s\t%s\t%s\t%s\t%u\tstock\n", MachineTypeName(type), entry.Name.c_str(),
                  (rider->EntryPath + names.riderFile).c_str(),
                  machine ? (machine->EntryPath + names.machineFile).c_str() : "-", rider->Size);
    }
  }
}

// The transfer window's rules without a window: the PAK opened, everything it offers selected and
// imported, then "Save". Messages go to standard error.
class ImportHost : public SilentEditorHost {
 public:
  explicit ImportHost(std::string pak) : m_pak(std::move(pak)) {}
  bool failed = false;

  bool KelMsgBox(const std::string& text, const std::string&, bool yesNo) override {
    if (!yesNo) std::fprintf(stderr, "dravo: %s: %s\n", m_pak.c_str(), text.c_str());
    failed = failed || !yesNo;
    return false;
  }
  void ShowError(const std::string& text) override {
    std::fprintf(stderr, "dravo: %s\n", text.c_str());
    failed = true;
  }
  std::optional<std::string> ChooseOpenPak() override { return m_pak; }
  bool ShowTransferWindow(TrickTransfer& transfer) override {
    transfer.OpenPakBtnClick();
    if (!transfer.ExportArchive()) return false;
    for (std::size_t i = 0; i < transfer.DstListBox().size(); ++i)
      transfer.SelectDestination(static_cast<int>(i), true);
    transfer.ImportBtnClick();
    return !failed;
  }

 private:
  std::string m_pak;
};

void Install(const std::string& dir, const std::string& pak, const std::string& common) {
  std::error_code ec;
  if (!fs::is_regular_file(pak, ec)) throw InputError(pak, "no such file");
  Game game(dir);
  const std::unique_ptr<TMvAFolder> own = game.own();
  ImportHost host(pak);
  TrickTransfer transfer(host);
  if (!transfer.Execute(*own)) throw AlreadyReported();
  const std::vector<std::string> names = TakeImportedNames(*own);
  if (names.empty()) throw InputError(pak, "holds no tricks or skins to install");
  bool wrongSize = false;
  try {
    own->SaveAs(game.archives.own);
    if (common == "yes") {
      WriteImportedIntoCommon(
          *own, names, game.resources.manager(), game.archives, [&](const std::string& name) {
            std::fprintf(stderr, "dravo: %s: %s\n", Printable(name).c_str(), kTrickWrongSizeText);
            wrongSize = true;
          });
    }
  } catch (const FileError& e) {
    throw Reason(e, game.archives.own.string());
  }
  for (const std::string& name : names)
    std::printf("%s\n", Printable(name).c_str());
  if (wrongSize) throw AlreadyReported();
}

// "backflip" or "atv:backflip": the trick among those installed (or kept as stock bytes).
TrickId FindTrick(const std::string& text, const Game& game, const TVirtualFolder& own) {
  std::optional<int> type;
  std::string name = text;
  if (const std::size_t colon = text.find(':'); colon != std::string::npos) {
    type = MachineTypeNamed(text.substr(0, colon));
    if (!type) throw InputError(text, "the machine type before the colon is none of mx, atv, freestyle");
    name = text.substr(colon + 1);
  }
  name = ChangeFileExt(name, "");
  std::vector<TrickId> known = InstalledTricks(own);
  std::error_code ec;
  if (fs::exists(game.archives.stock, ec)) {
    try {
      for (const TrickId& t : InstalledTricks(*TMvAFolder::Open(game.archives.stock)))
        if (std::find(known.begin(), known.end(), t) == known.end()) known.push_back(t);
    } catch (const FileError& e) {
      throw Reason(e, game.archives.stock.string());
    }
  }
  std::vector<TrickId> matches;
  for (const TrickId& t : known) {
    if (SameTextAZ(t.name, name) && (!type || t.machineType == *type)) matches.push_back(t);
  }
  if (matches.empty()) throw InputError(text, "no such trick is installed");
  if (matches.size() > 1) {
    std::string types;
    for (const TrickId& t : matches)
      types += std::string(types.empty() ? "" : ", ") + MachineTypeName(t.machineType) + ":" + t.name;
    throw InputError(text, "is installed for more than one machine; name one of " + types);
  }
  return matches.front();
}

void Export(const std::string& dir, const std::vector<std::string>& tricks, const std::string& out) {
  Game game(dir);
  const std::unique_ptr<TMvAFolder> own = game.own();
  const fs::path target = out == "-" ? fs::path("/dev/stdout") : fs::path(out);
  const std::unique_ptr<TMvAFolder> pak = TMvAFolder::CreateNew(target);
  for (const std::string& text : tricks) {
    const TrickId trick = FindTrick(text, game, *own);
    const std::vector<std::string> entries = InstalledEntries(*own, trick);
    if (entries.empty()) throw InputError(text, "no such trick is installed");
    for (const std::string& name : entries) {
      MemoryStream bytes;
      try {
        own->ReadByName(name, bytes);
      } catch (const FileError& e) {
        throw Reason(e, game.archives.own.string());
      }
      pak->Put(name, &bytes);
    }
  }
  try {
    pak->SaveAs(target);
  } catch (const FileError& e) {
    throw Reason(e, out);
  }
}

void Revert(const std::string& dir, const std::string& text) {
  Game game(dir);
  const std::unique_ptr<TMvAFolder> own = game.own();
  const TrickId trick = FindTrick(text, game, *own);
  RevertResult result;
  try {
    result = RevertTrick(*own, game.archives, trick);
  } catch (const FileError& e) {
    throw Reason(e, game.archives.own.string());
  }
  for (const std::string& name : result.removed)
    std::printf("removed\t%s\n", Printable(name).c_str());
  for (const std::string& name : result.restored)
    std::printf("restored\t%s\n", Printable(name).c_str());
}

}  // namespace

void AddTrickCommands(CLI::App& app) {
  CLI::App* trick =
      app.add_subcommand("trick", "Install, export and revert tricks as the editor's transfer window does");
  trick->require_subcommand(1);

  struct Args {
    std::string game, file, out, common = "yes";
    std::vector<std::string> tricks;
  };
  auto args = std::make_shared<Args>();

  CLI::App* list = trick->add_subcommand(
      "list",
      "Installed tricks, then the game's own: machine type, trick, rider entry, machine entry or -, size, "
      "installed or stock (tab-separated)");
  list->add_option("--game", args->game, "The game's folder")->required();
  list->callback([args] { List(args->game); });

  CLI::App* install = trick->add_subcommand(
      "install",
      "Install the tricks and skins of a PAK into data\\$dravo.pak and, with --common yes, the motions "
      "of stock size into data\\common.pak");
  install->add_option("--game", args->game, "The game's folder")->required();
  install->add_option("FILE", args->file, "The PAK to install from")->required();
  install->add_option("--common", args->common, "Also write into data\\common.pak (default: yes)")
      ->check(CLI::IsMember({"yes", "no"}));
  install->callback([args] { Install(args->game, args->file, args->common); });

  CLI::App* exportCommand =
      trick->add_subcommand("export", "Write the installed entries of tricks into a new PAK");
  exportCommand->add_option("--game", args->game, "The game's folder")->required();
  exportCommand->add_option("TRICK", args->tricks, "Tricks by name, or type:name (mx, atv, freestyle)")
      ->required();
  exportCommand->add_option("-o,--output", args->out, "The PAK to write (- for standard output)")->required();
  exportCommand->callback([args] { Export(args->game, args->tricks, args->out); });

  CLI::App* revert = trick->add_subcommand(
      "revert", "Take a trick out of data\\$dravo.pak and put the stock motions back into data\\common.pak");
  revert->add_option("--game", args->game, "The game's folder")->required();
  revert->add_option("TRICK", args->file, "The trick, by name or type:name")->required();
  revert->callback([args] { Revert(args->game, args->file); });
}

const CommandGroup kGroup{"trick", AddTrickCommands};

}  // namespace dravo::cli
