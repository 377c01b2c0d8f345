#pragma once

// The demo game: a small installation of our own making that exercises every format path of the
// program. `WriteDemoGame` writes DIR/data/common.pak and DIR/data/tex.pak, the same bytes on every run.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace dravo::demo {

struct DemoEntry {
  std::string name;  // archive entry name
  std::vector<std::uint8_t> bytes;
};

struct DemoContent {
  std::vector<DemoEntry> common;    // data\common.pak
  std::vector<DemoEntry> textures;  // data\tex.pak
};

DemoContent BuildDemoContent();

struct DemoOptions {
  // Extra entries of realistic sizes in common.pak (motions, models, textures), for benchmarks.
  std::uint32_t filler = 0;
};

// Writes the two archives under `dir`/data (made when missing); existing archives there are replaced.
void WriteDemoGame(const std::filesystem::path& dir, const DemoOptions& options = {});

// The name and bytes of filler entry `index` (0-based), as WriteDemoGame adds them, and its size.
DemoEntry FillerEntry(std::uint32_t index);
std::uint32_t FillerSize(std::uint32_t index);

}  // namespace dravo::demo
