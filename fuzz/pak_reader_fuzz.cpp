// The PAK reader as the program opens archives: from a file, directory and every entry.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "archive/pak_archive.h"
#include "archive/pak_format.h"

namespace {

const std::filesystem::path& InputFile() {
  static const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("dravo-pak-fuzz-" + std::to_string(::getpid()) + ".pak");
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* f = std::fopen(InputFile().c_str(), "wb");
  if (!f) return 0;
  if (size > 0) std::fwrite(data, 1, size, f);
  std::fclose(f);
  try {
    auto folder = dravo::TMvAFolder::Open(InputFile());
    for (int i = 0; i < folder->Count(); ++i) {
      const auto stream = folder->ReadEntry(i);
      if (stream->size() != folder->Entry(i)->Size) __builtin_trap();
      folder->IndexOf(folder->EntryName(i));
    }
    for (int i = folder->IndexOfPart("a", 0); i >= 0; i = folder->IndexOfPart("a", i + 1)) {
    }
    if (folder->Count() > 0) folder->Delete(0);
  } catch (const dravo::FileError&) {
  }
  std::filesystem::remove(InputFile());
  return 0;
}
