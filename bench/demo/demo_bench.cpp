// The demo game's generation beside plain writes of the same bytes: what making the content costs over
// putting it on disk.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "demo/demo_game.h"

namespace fs = std::filesystem;

namespace {

struct Scratch {
  Scratch() {
    std::random_device rd;
    path = fs::temp_directory_path() / ("dravo-demo-bench-" + std::to_string(rd()));
    fs::create_directories(path);
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  fs::path path;
};

std::uint64_t ArchiveBytes(const fs::path& dir) {
  return fs::file_size(dir / "data" / "common.pak") + fs::file_size(dir / "data" / "tex.pak");
}

void Generate(benchmark::State& state) {
  Scratch scratch;
  const auto filler = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state)
    dravo::demo::WriteDemoGame(scratch.path, {filler});
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ArchiveBytes(scratch.path)));
}

// The same number of bytes as the generated archives, written through the same atomic writer.
void WriteSameBytes(benchmark::State& state) {
  Scratch scratch;
  dravo::demo::WriteDemoGame(scratch.path, {static_cast<std::uint32_t>(state.range(0))});
  const std::vector<std::uint8_t> common = dravo::ReadWholeFile(scratch.path / "data" / "common.pak");
  const std::vector<std::uint8_t> textures = dravo::ReadWholeFile(scratch.path / "data" / "tex.pak");
  for (auto _ : state) {
    dravo::WriteFileAtomic(scratch.path / "copy-common.pak", common);
    dravo::WriteFileAtomic(scratch.path / "copy-tex.pak", textures);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * (common.size() + textures.size())));
}

}  // namespace

BENCHMARK(Generate)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(WriteSameBytes)->Arg(0)->Arg(2000)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
