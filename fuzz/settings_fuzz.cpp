// What the program reads at start-up besides the game: the options file, the remembered game folder
// and a Wine prefix's registry. The first input byte chooses the reader; the rest is the file. The
// options must read without failing whatever the file holds, and an 8-bit name written after must
// read back byte for byte on the next start.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/file_io.h"
#include "fuzz_checks.h"
#include "platform/game_search.h"
#include "platform/options_store.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

const fs::path& Folder() {
  static const fuzz::ScratchFolder folder("settings-fuzz");
  return folder.path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (data[0] % 3) {
    case 0: {
      std::error_code ec;
      fs::remove_all(Folder() / "options", ec);
      fs::create_directories(Folder() / "options");
      const fs::path file = Folder() / "options" / "options.json";
      WriteFileAtomic(file, std::span<const std::uint8_t>(data + 1, size - 1));
      const std::string name = "Ren\xE9 \x80\xFF" + std::string(text.substr(0, 8));
      {
        TRmxOptions options(file);
        (void)options.ReadString("Rider", "x");
        (void)options.ReadInteger("ResWidth", 640);
        (void)options.ReadBool("Lighting", true);
        (void)options.TakeDamageNotice();
        options.WriteString("Rider", name);
        options.WriteInteger("ResWidth", 1024);
      }
      const TRmxOptions again(file);
      FUZZ_REQUIRE(again.ReadString("Rider", "") == name);
      FUZZ_REQUIRE(again.ReadInteger("ResWidth", 0) == 1024);
      FUZZ_REQUIRE(again.TakeDamageNotice().empty());
      break;
    }
    case 1: {
      const fs::path state = Folder() / "state.json";
      WriteFileAtomic(state, std::span<const std::uint8_t>(data + 1, size - 1));
      (void)RememberedGameFolder(state);
      break;
    }
    default:
      for (const std::string_view key : {"Software\\Wine", "Software\\A\\B", ""})
        for (const std::string_view value : {"Path", "", "@"})
          (void)ReadWineRegistryString(text, key, value);
      break;
  }
  return 0;
}
