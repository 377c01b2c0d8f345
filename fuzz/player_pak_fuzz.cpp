// A player's PAK as the transfer window and `dravo trick` read it: the listing of its tricks and the
// trick each entry belongs to. Every listed item must find its entry again by the name it carries,
// and every trick found must list the entry it was found from.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/mva_folder.h"
#include "core/file_error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "editor/trick_install.h"
#include "editor/trick_transfer.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

void Require(bool ok) {
  if (!ok) __builtin_trap();
}

const fs::path& InputFile() {
  static const fs::path path =
      fs::temp_directory_path() / ("dravo-player-pak-fuzz-" + std::to_string(::getpid()) + ".pak");
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
      Require(item.Entry >= 0 && item.Entry < archive->Count());
      Require(archive->IndexOf(item.Name) >= 0);
      (void)item.Icon();
    }
    for (const TrickId& trick : InstalledTricks(*archive)) {
      const std::vector<std::string> entries = InstalledEntries(*archive, trick);
      Require(!entries.empty() && entries.size() <= 4);
      for (const std::string& name : entries)
        Require(TrickOfEntry(name).has_value());
    }
    for (int i = 0; i < archive->Count(); ++i) {
      const std::optional<TrickId> trick = TrickOfEntry(archive->EntryName(i));
      if (!trick) continue;
      const std::vector<std::string> entries = InstalledEntries(*archive, *trick);
      // Names are found A-Z folded: of "mx_a.mot" and "MX_A.mot" the first stands for both.
      Require(std::any_of(entries.begin(), entries.end(),
                          [&](const std::string& name) { return SameTextAZ(name, archive->EntryName(i)); }));
    }
    (void)TakeImportedNames(*archive);
  } catch (const FileError&) {
  }
  std::error_code ec;
  fs::remove(InputFile(), ec);
  return 0;
}
