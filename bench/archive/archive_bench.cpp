// Archive speed against what the disk itself gives:
//  - mounting a game-sized archive (20,000 entries, 300 MB; the plug-in reads only the
//    directory) and opening it as an archive to edit, against one read() of the same directory bytes;
//  - adding a 3 KB entry to that archive (open, put, save with its backup) against `cp` of the same
//    300 MB file plus `sync`;
//  - SaveAs of a 50 MB own archive held in memory against `cp` of the same 50 MB file plus `sync`.
// bench/archive/compare.sh runs both pairs and prints the ratios.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/pak_archive.h"
#include "core/byte_io.h"
#include "resources/pak_plugin.h"
#include "resources/resource_manager.h"

namespace fs = std::filesystem;
using namespace dravo;

namespace {

constexpr std::uint32_t kGameEntries = 20000;
constexpr std::uint64_t kGameData = 300ull << 20;
constexpr std::uint32_t kOwnEntries = 500;
constexpr std::uint32_t kOwnEntrySize = 100 << 10;  // 500 x 100 KiB = 50 MiB

// Files are made once per run in a temporary folder and removed at exit.
struct Workspace {
  fs::path dir;
  fs::path gamePak;
  std::uint64_t directoryBytes = 0;
  std::unique_ptr<TMvAFolder> own;
  fs::path ownCopySource;

  Workspace() {
    const char* base = std::getenv("DRAVO_BENCH_DIR");
    dir = fs::path(base ? base : fs::temp_directory_path().string()) /
          ("dravo-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    makeGamePak();
    makeOwnArchive();
  }
  ~Workspace() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  void makeGamePak() {
    gamePak = dir / "common.pak";
    ByteWriter out;
    out.u32(kGameEntries);
    const std::uint32_t size = static_cast<std::uint32_t>(kGameData / kGameEntries);
    char name[100];
    for (std::uint32_t i = 0; i < kGameEntries; ++i) {
      std::snprintf(name, sizeof name, "Data\\%s\\%s\\entry%05u.%s", i % 2 ? "Rider" : "Veh",
                    i % 3 ? "Anim" : "Tex", i, i % 3 ? "mot" : "dxt");
      out.fixedString(name, 100);
      out.u32(i * size);
      out.u32(size);
    }
    directoryBytes = out.size();
    std::FILE* f = std::fopen(gamePak.c_str(), "wb");
    std::fwrite(out.data().data(), 1, out.size(), f);
    // Real bytes, not a hole: a copy must move them as it would a game's.
    std::vector<std::uint8_t> block(1 << 20);
    std::mt19937 random(3);
    for (std::uint8_t& b : block)
      b = static_cast<std::uint8_t>(random());
    for (std::uint64_t written = 0; written < kGameData; written += block.size())
      std::fwrite(block.data(), 1, block.size(), f);
    std::fclose(f);
    ::sync();
  }

  void makeOwnArchive() {
    own = TMvAFolder::CreateNew(dir / "own.pak");
    std::mt19937 random(7);
    for (std::uint32_t i = 0; i < kOwnEntries; ++i) {
      MemoryStream bytes;
      bytes.setSize(kOwnEntrySize);
      for (std::uint8_t& b : bytes.bytes())
        b = static_cast<std::uint8_t>(random());
      own->Put("Data\\Rider\\Anim\\trick" + std::to_string(i) + ".mot", &bytes);
    }
    ownCopySource = dir / "own-source.pak";
    own->SaveAs(ownCopySource);
  }
};

Workspace& Files() {
  static Workspace workspace;
  return workspace;
}

void BM_MountGameArchive(benchmark::State& state) {
  Workspace& w = Files();
  TMvAFilePlugIn plugIn;
  for (auto _ : state) {
    auto manager = std::make_unique<TRmxResManager>(".sub.dxg.dxm.dxt.mot.mcf");
    manager->RegisterPlugIn(&plugIn);
    manager->Mount(w.gamePak.string(), "Common", false);
    if (manager->FolderCount() != 1 || manager->Folder(0)->Count() != static_cast<int>(kGameEntries)) {
      state.SkipWithError("mount failed");
    }
    benchmark::DoNotOptimize(manager->Folder(0));
    // Freeing the records at shut-down is not part of mounting.
    state.PauseTiming();
    manager.reset();
    state.ResumeTiming();
  }
}

void BM_OpenGameArchive(benchmark::State& state) {
  Workspace& w = Files();
  for (auto _ : state) {
    auto folder = TMvAFolder::Open(w.gamePak);
    if (folder->Count() != static_cast<int>(kGameEntries)) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(folder.get());
    state.PauseTiming();
    folder.reset();
    state.ResumeTiming();
  }
}

// `dravo pak add`: open, put 3 KB, save over the archive, keeping the backup, and sync.
void BM_AddToGameArchive(benchmark::State& state) {
  Workspace& w = Files();
  MemoryStream small;
  small.setSize(3000);
  for (auto _ : state) {
    auto folder = TMvAFolder::Open(w.gamePak);
    folder->Put("Data\\Extra\\added.bin", &small);
    folder->SaveAs(w.gamePak);
    ::sync();
  }
}

void BM_CopyGameArchiveAndSync(benchmark::State& state) {
  Workspace& w = Files();
  const std::string command =
      "cp '" + w.gamePak.string() + "' '" + (w.dir / "game-copy.pak").string() + "' && sync";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  }
}

void BM_ReadDirectoryOnce(benchmark::State& state) {
  Workspace& w = Files();
  std::vector<char> buffer(w.directoryBytes);
  for (auto _ : state) {
    const int fd = ::open(w.gamePak.c_str(), O_RDONLY);
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    if (n != static_cast<ssize_t>(buffer.size())) state.SkipWithError("short read");
    benchmark::DoNotOptimize(buffer.data());
  }
}

void BM_SaveAsOwnArchive(benchmark::State& state) {
  Workspace& w = Files();
  const fs::path target = w.dir / "saved.pak";
  for (auto _ : state)
    w.own->SaveAs(target);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kOwnEntries * kOwnEntrySize);
}

void BM_CopyAndSync(benchmark::State& state) {
  Workspace& w = Files();
  const std::string command = "cp '" + w.ownCopySource.string() + "' '" + (w.dir / "copied.pak").string() +
                              "' && sync '" + (w.dir / "copied.pak").string() + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cp failed");
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kOwnEntries * kOwnEntrySize);
}

}  // namespace

BENCHMARK(BM_MountGameArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenGameArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadDirectoryOnce)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_AddToGameArchive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_CopyGameArchiveAndSync)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_SaveAsOwnArchive)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyAndSync)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
