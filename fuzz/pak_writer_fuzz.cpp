// The PAK writers on any archive the reader accepts: Put, Delete and SaveAs must write a file that
// reads back as exactly what was held, and an in-place write followed by a restore from the stock
// archive must give the file back byte for byte. The first input byte chooses the edits; the rest
// is the archive.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/in_place_write.h"
#include "archive/pak_archive.h"
#include "archive/pak_format.h"
#include "core/file_io.h"
#include "core/memory_stream.h"
#include "fuzz_checks.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

const fs::path& Folder() {
  static const fuzz::ScratchFolder folder("pak-writer-fuzz");
  return folder.path();
}

std::vector<std::uint8_t> Bytes(const fs::path& file) {
  return ReadWholeFile(file);
}

// Every entry's name and bytes, in directory order; readable entries only.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> Contents(TVirtualFolder& folder) {
  std::vector<std::pair<std::string, std::vector<std::uint8_t>>> out;
  for (int i = 0; i < folder.Count(); ++i)
    out.emplace_back(folder.EntryName(i), folder.ReadEntry(i)->vector());
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::uint8_t edits = data[0];
  const fs::path input = Folder() / "in.pak", output = Folder() / "out.pak", stock = Folder() / "stock.pak";
  std::error_code ec;
  for (const fs::path& p : {input, output, stock, TVirtualFolder::BackupNameFor(output)})
    fs::remove(p, ec);
  WriteFileAtomic(input, std::span<const std::uint8_t>(data + 1, size - 1));
  const std::vector<std::uint8_t> original = Bytes(input);

  // In place: overwrite the first readable entry with its bytes reversed, then put the stock back.
  try {
    BinaryFile file = BinaryFile::openRead(input);
    const PakDirectory dir = ReadPakDirectory(file);
    for (const PakRecord& record : dir.records) {
      if (!record.readable() || record.size == 0) continue;
      std::vector<std::uint8_t> bytes(original.begin() + record.offset,
                                      original.begin() + record.offset + record.size);
      std::vector<std::uint8_t> changed(bytes.rbegin(), bytes.rend());
      changed[0] ^= 0x5A;
      const InPlaceWrite written = WritePakEntryInPlace(input, record.offset, record.size, changed, stock);
      if (written != InPlaceWrite::Written) break;
      FUZZ_REQUIRE(Bytes(input).size() == original.size());
      const StockRestore restored = RestoreStockEntry(input, stock, record.name);
      // A name that an earlier entry also has is restored into that one: only the first is certain.
      if (restored == StockRestore::Restored && &record == &dir.records.front())
        FUZZ_REQUIRE(Bytes(input) == original);
      WriteFileAtomic(input, original);
      break;
    }
  } catch (const FileError&) {
  }

  // Put, Delete and SaveAs, then the saved file must read back as what the folder held.
  try {
    auto folder = TMvAFolder::Open(input);
    if (edits & 1) {
      MemoryStream added(std::vector<std::uint8_t>(edits, 0xA5));
      folder->Put("Data\\Fuzz\\added.mot", &added);
    }
    if ((edits & 2) && folder->Count() > 0) folder->Delete(folder->Count() / 2);
    if ((edits & 4) && folder->Count() > 0) {
      MemoryStream replaced(std::vector<std::uint8_t>{1, 2, 3});
      folder->Put(folder->EntryName(0), &replaced);
    }
    auto held = Contents(*folder);
    folder->SaveAs(output);
    // The save sorts the directory: the same names with the same bytes, in any order.
    auto saved = Contents(*TMvAFolder::Open(output));
    std::sort(held.begin(), held.end());
    std::sort(saved.begin(), saved.end());
    FUZZ_REQUIRE(saved == held);
  } catch (const FileError&) {
    // refused with a reason (damaged entries, offsets past 4 GiB)
  }
  return 0;
}
