#include "editor/trick_install.h"

#include <array>

#include "archive/in_place_write.h"
#include "core/text.h"
#include "editor/game_archives.h"
#include "editor/trick_names.h"
#include "editor/trick_transfer.h"
#include "resources/resource_manager.h"

namespace dravo {

GameArchives GameArchives::In(const std::string& gameFolder) {
  return {GameFile(gameFolder, kCommonArchive), GameFile(gameFolder, kOwnArchive),
          GameFile(gameFolder, kStockArchive)};
}

CommonWrite WriteIntoCommon(TRmxResManager& resources, const GameArchives& game, const std::string& fileName,
                            std::span<const std::uint8_t> bytes) {
  BinaryFile::openUpdate(game.common).close();
  int folderIndex = -1, resourceIndex = -1;
  if (resources.FindResource(ExtractFileName(fileName), folderIndex, resourceIndex) != 0) {
    return CommonWrite::NotInCommon;
  }
  const TRmxCustomFolder* folder = resources.Folder(folderIndex);
  if (!folder || folder->Name() != kCommonMountName) return CommonWrite::NotInCommon;
  const TRmxResource* resource = folder->Resource(resourceIndex);
  if (!resource) return CommonWrite::NotInCommon;
  if (bytes.size() != resource->Size) return CommonWrite::WrongSize;
  // Written only if the file's own directory still has the entry where it was mounted.
  switch (WritePakEntryInPlace(game.common, resource->Offset, resource->Size, bytes, game.stock)) {
    case InPlaceWrite::Written:
      return CommonWrite::Written;
    case InPlaceWrite::WrongSize:
      return CommonWrite::WrongSize;
    case InPlaceWrite::NotAnEntry:
      break;
  }
  return CommonWrite::NotInCommon;
}

namespace {

constexpr const char* kMachineTypeNames[] = {"mx", "atv", "freestyle"};

bool StartsWithAZ(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && SameTextAZ(text.substr(0, prefix.size()), prefix);
}

}  // namespace

const char* MachineTypeName(int machineType) {
  return kMachineTypeNames[machineType >= 0 && machineType < 3 ? machineType : 2];
}

std::optional<int> MachineTypeNamed(std::string_view name) {
  for (int type = 0; type < 3; ++type) {
    if (SameTextAZ(name, kMachineTypeNames[type])) return type;
  }
  return std::nullopt;
}

std::optional<TrickId> TrickOfEntry(std::string_view entryName) {
  if (!SameTextAZ(ExtractFileExt(entryName), ".mot")) return std::nullopt;
  const std::string folder = ExtractFilePath(entryName);
  const std::string file = ChangeFileExt(ExtractFileName(entryName), "");
  const bool rider = SameTextAZ(folder, kRiderAnimFolder);
  if (!rider && !SameTextAZ(folder, kMachineAnimFolder)) return std::nullopt;
  // The longest prefix that fits wins: "UI_MX_Bike_" before "UI_MX_", "mxf_" is not "mx_".
  std::optional<TrickId> best;
  std::size_t bestLength = 0;
  for (int type = 0; type < 3; ++type) {
    const MachineNames& names = NamesFor(type);
    const std::array<const char*, 2> prefixes = rider
                                                    ? std::array{names.riderPrefix, names.riderUiPrefix}
                                                    : std::array{names.machinePrefix, names.machineUiPrefix};
    for (const char* prefix : prefixes) {
      const std::string_view p(prefix);
      if (p.size() > bestLength && file.size() > p.size() && StartsWithAZ(file, p)) {
        best = TrickId{type, file.substr(p.size())};
        bestLength = p.size();
      }
    }
  }
  // A rider's "UI_MX_Bike_x" is the machine's copy, not a rider trick named "Bike_x".
  if (best && rider && StartsWithAZ(file, NamesFor(best->machineType).machineUiPrefix)) return std::nullopt;
  // The trick's entry names are made by changing the extension: a dot in its name would lead them to
  // another file, so such an entry is no trick's.
  if (best && best->name.find('.') != std::string::npos) return std::nullopt;
  return best;
}

std::vector<TrickId> InstalledTricks(const TVirtualFolder& own) {
  std::vector<TrickId> tricks;
  for (int i = 0; i < own.Count(); ++i) {
    const std::optional<TrickId> trick = TrickOfEntry(own.EntryName(i));
    if (!trick) continue;
    bool known = false;
    for (const TrickId& t : tricks)
      known = known || (t.machineType == trick->machineType && SameTextAZ(t.name, trick->name));
    if (!known) tricks.push_back(*trick);
  }
  return tricks;
}

std::vector<std::string> InstalledEntries(const TVirtualFolder& own, const TrickId& trick) {
  const TrickEntryNames names = EntryNamesFor(trick.machineType, trick.name);
  std::vector<std::string> entries;
  for (const std::string& name :
       {names.riderEntry, names.riderUiEntry, names.machineEntry, names.machineUiEntry}) {
    if (own.IndexOf(name) >= 0) entries.push_back(own.EntryName(own.IndexOf(name)));
  }
  return entries;
}

std::vector<std::string> TakeImportedNames(TVirtualFolder& own) {
  std::vector<std::string> names;
  for (int i = 0; i < own.Count(); ++i) {
    const std::uint32_t flags = own.EntryFlags(i);
    if (!(flags & TrickTransfer::kImportMark)) continue;
    own.SetEntryFlags(i, flags & ~TrickTransfer::kImportMark);
    names.push_back(own.EntryName(i));
  }
  return names;
}

void WriteImportedIntoCommon(TVirtualFolder& own, const std::vector<std::string>& names,
                             TRmxResManager& resources, const GameArchives& game,
                             const std::function<void(const std::string&)>& wrongSize) {
  // Found by name: a save since the import has sorted the archive.
  for (const std::string& name : names) {
    MemoryStream bytes;
    if (!own.ReadByName(name, bytes)) continue;
    if (WriteIntoCommon(resources, game, name, bytes.bytes()) == CommonWrite::WrongSize && wrongSize)
      wrongSize(name);
  }
}

std::vector<std::string> RestoreStockMotions(const GameArchives& game, const TrickId& trick) {
  std::error_code ec;
  if (!std::filesystem::exists(game.stock, ec)) return {};
  const TrickEntryNames names = EntryNamesFor(trick.machineType, trick.name);
  std::vector<std::string> kept;
  {
    const std::unique_ptr<TMvAFolder> stock = TMvAFolder::Open(game.stock);
    for (int i = 0; i < stock->Count(); ++i) {
      const std::string file = ExtractFileName(stock->EntryName(i));
      if (SameTextAZ(file, names.riderFile) || SameTextAZ(file, names.machineFile))
        kept.push_back(stock->EntryName(i));
    }
  }
  std::vector<std::string> restored;
  for (const std::string& name : kept) {
    if (RestoreStockEntry(game.common, game.stock, name) == StockRestore::Restored) restored.push_back(name);
  }
  return restored;
}

RevertResult RevertTrick(TMvAFolder& own, const GameArchives& game, const TrickId& trick) {
  RevertResult result;
  result.removed = InstalledEntries(own, trick);
  for (const std::string& name : result.removed)
    own.Delete(own.IndexOf(name));
  if (!result.removed.empty()) own.SaveAs(game.own);
  result.restored = RestoreStockMotions(game, trick);
  return result;
}

}  // namespace dravo
