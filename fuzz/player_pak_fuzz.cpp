// A player's PAK as the transfer window and `dravo trick` read it: the listing of its tricks and the
// trick each entry belongs to. Every listed item must find its entry again by the name it carries,
// and every trick found must list the entry it was found from.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/pak_archive.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "editor/trick_install.h"
#include "editor/trick_transfer.h"
#include "fuzz_checks.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

const fs::path& InputFile() {
  static const fuzz::ScratchFolder folder("player-pak-fuzz");
  static const fs::path path = folder.path() / "player.pak";
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WriteFileAtomic(InputFile(), std::span<const std::uint8_t>(data, size));
  try {
    auto archive = TMvAFolder::Open(InputFile());
    std::vector<TransferItem> items;
    TrickTransfer::ListTransferable(items, *archive);
    for (const TransferItem& item : items) {
      FUZZ_REQUIRE(item.Entry >= 0 && item.Entry < archive->Count());
      FUZZ_REQUIRE(archive->IndexOf(item.Name) >= 0);
      (void)item.Icon();
    }
    for (const TrickId& trick : InstalledTricks(*archive)) {
      const std::vector<std::string> entries = InstalledEntries(*archive, trick);
      FUZZ_REQUIRE(!entries.empty() && entries.size() <= 4);
      for (const std::string& name : entries)
        FUZZ_REQUIRE(TrickOfEntry(name).has_value());
    }
    for (int i = 0; i < archive->Count(); ++i) {
      const std::optional<TrickId> trick = TrickOfEntry(archive->EntryName(i));
      if (!trick) continue;
      const std::vector<std::string> entries = InstalledEntries(*archive, *trick);
      // Names are found A-Z folded: of "mx_a.mot" and "MX_A.mot" the first stands for both.
      FUZZ_REQUIRE(std::any_of(entries.begin(), entries.end(), [&](const std::string& name) {
        return SameTextAZ(name, archive->EntryName(i));
      }));
    }
    (void)TakeImportedNames(*archive);
  } catch (const FileError&) {
  }
  return 0;
}
