// The editor's two hot paths on the demo game, each beside a reference run:
//   one frame's posing (PoseBone for every bone of the machine, its hung parts and the rider, in the
//   order a paint runs them)  vs  the textbook work it does: one 4x4 product per bone of a pose
//   matrix and the bone's world matrix, from flat arrays;
//   a trick load (LoadTrick: both motions read, parsed, bound and built into pose tables, the part
//   list and the editing state reset)  vs  reading the two motion entries' bytes.
//
// and the undo history's memory: a hundred edits of a 60-frame trick with 22 parts, as users make them
// (turns of a part or two at one frame, pastes, a tween now and then) and at their worst (every step a
// tween of every part over the whole trick); the "bytes" counter is what the history keeps.
//
//   bench/editor/compare.sh   (or build/release/bench/editor/editor_bench)
#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

#include "demo/demo_game.h"
#include "editor/dravo_editor.h"
#include "editor/loaded_trick.h"
#include "editor/pose_edit.h"
#include "editor/pose_history.h"
#include "formats/dxg_model.h"
#include "render/testing/recording_device.h"
#include "resources/resource_manager.h"

namespace {

using namespace dravo;

// The demo game with a thousand extra entries of realistic sizes in common.pak, and an editor on it
// showing "backflip" (rider attached to the machine, both motions of their own).
struct Scene {
  Scene() {
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("dravo-editor-bench-" + std::to_string(random()));
    demo::WriteDemoGame(dir, {.filler = 1000});
    panel = std::make_unique<TVellDXPanel>(
        [](UINT) -> std::unique_ptr<IDirect3D8> { return std::make_unique<TRecordingDirect3D>(); }, nullptr);
    EditorConfig config;
    config.optionsFile = dir / "options.json";
    config.gameSearch.commandLine = dir.string();
    config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
    config.gameSearch.stateFile = dir / "state.json";
    editor = std::make_unique<TDravoEditor>(config, *panel, host);
    if (editor->FormCreate() != StartupResult::Running) throw std::runtime_error("the editor did not start");
    for (std::size_t i = 0; i < editor->MOTSelectBox().size(); ++i)
      if (editor->MOTSelectBox()[i].Name == "backflip") editor->SelectTrickItem(static_cast<int>(i));
    editor->FrameBarChange(15);
    // One paint puts every bone's world matrix in place.
    panel->Paint();
  }
  ~Scene() {
    editor.reset();
    panel.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  std::filesystem::path dir;
  SilentEditorHost host;
  std::unique_ptr<TVellDXPanel> panel;
  std::unique_ptr<TDravoEditor> editor;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

// The models of one paint with the pass each is drawn in.
std::vector<std::pair<TDXGmodel*, int>> DrawOrder(TDravoEditor& ed) {
  std::vector<std::pair<TDXGmodel*, int>> order = {{ed.MachineSet().Model, 2}};
  for (const TAttachment& a : ed.MachineSet().Attachments)
    order.emplace_back(a.Model, 4);
  order.emplace_back(ed.RiderSet().Model, 1);
  return order;
}

void BM_PoseOneFrame(benchmark::State& state) {
  TDravoEditor& ed = *TheScene().editor;
  const auto order = DrawOrder(ed);
  for (auto _ : state) {
    for (const auto& [model, pass] : order) {
      ed.RenderPass = pass;
      for (std::int32_t b = 0; b < model->BoneCount(); ++b) {
        D3DXMATRIX world = model->Bone(b)->World;
        ed.PoseBone(*model, world, b);
        benchmark::DoNotOptimize(world);
      }
    }
  }
  std::int32_t bones = 0;
  for (const auto& [model, pass] : order)
    bones += model->BoneCount();
  // A label, not a counter: the CSV report wants the same counters in every run.
  state.SetLabel(std::to_string(bones) + " bones");
}
BENCHMARK(BM_PoseOneFrame);

void BM_MultiplyBoneMatrices(benchmark::State& state) {
  TDravoEditor& ed = *TheScene().editor;
  std::vector<D3DXMATRIX> worlds;
  for (const auto& [model, pass] : DrawOrder(ed))
    for (std::int32_t b = 0; b < model->BoneCount(); ++b)
      worlds.push_back(model->Bone(b)->World);
  const std::vector<D3DXMATRIX> poses(worlds.rbegin(), worlds.rend());
  std::vector<D3DXMATRIX> out(worlds.size());
  for (auto _ : state) {
    for (std::size_t n = 0; n < worlds.size(); ++n) {
      const D3DXMATRIX& a = poses[n];
      const D3DXMATRIX& b = worlds[n];
      D3DXMATRIX& c = out[n];
      for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
          c[i][j] = a[i][0] * b[0][j] + a[i][1] * b[1][j] + a[i][2] * b[2][j] + a[i][3] * b[3][j];
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_MultiplyBoneMatrices);

void BM_LoadTrick(benchmark::State& state) {
  TDravoEditor& ed = *TheScene().editor;
  for (auto _ : state) {
    ed.LoadTrick("backflip.mot");
    benchmark::DoNotOptimize(ed.RiderParts().data());
  }
}
BENCHMARK(BM_LoadTrick)->Unit(benchmark::kMicrosecond);

void BM_ReadTwoMotionEntries(benchmark::State& state) {
  TRmxResManager& resources = *TheScene().editor->Resources();
  for (auto _ : state) {
    MemoryStream rider, machine;
    resources.ReadResource("mx_backflip.mot", rider, true);
    resources.ReadResource("bike_backflip.mot", machine, true);
    benchmark::DoNotOptimize(rider.data());
    benchmark::DoNotOptimize(machine.data());
  }
}
BENCHMARK(BM_ReadTwoMotionEntries)->Unit(benchmark::kMicrosecond);

}  // namespace

LoadedTrick SixtyFramesTwentyTwoParts() {
  LoadedTrick trick;
  for (int p = 0; p < 22; ++p) {
    TMotionPart part;
    part.Name = "Part " + std::to_string(p);
    part.Allocated = true;
    part.Frames.assign(60, IdentityMatrix());
    trick.riderParts.push_back(std::move(part));
  }
  trick.frameCount = 60;
  return trick;
}

// A hundred steps; `worst`: every one tweens every part over frames 1-60 after turning both keys.
void HundredEdits(benchmark::State& state, bool worst) {
  std::size_t bytes = 0;
  for (auto _ : state) {
    LoadedTrick trick = SixtyFramesTwentyTwoParts();
    PoseHistory history;
    std::mt19937 random(7);
    for (int step = 0; step < 100; ++step) {
      const int kind = worst ? 9 : static_cast<int>(random() % 10);
      if (kind < 8) {  // a drag: one or two parts at one frame
        const auto frame = static_cast<std::int32_t>(random() % 60);
        history.Take(trick, frame, frame, "Rotate");
        for (std::uint32_t p = 0; p < 1 + random() % 2; ++p)
          RotatePart(trick.riderParts[random() % 22], frame, 1, 0.05f);
      } else if (kind == 8) {  // a paste: every part at one frame
        const auto frame = static_cast<std::int32_t>(random() % 60);
        history.Take(trick, frame, frame, "Paste");
        for (TMotionPart& part : trick.riderParts)
          RotatePart(part, frame, 2, 0.1f);
      } else {  // a tween of every part between the first and last frames
        for (TMotionPart& part : trick.riderParts) {
          RotatePart(part, 0, 0, 0.3f);
          RotatePart(part, 59, 1, -0.4f);
        }
        history.Take(trick, 0, 59, "Tween");
        for (TMotionPart& part : trick.riderParts)
          TweenPart(part, 1, 60);
      }
    }
    history.Undo(trick);  // the newest step keeps only what it changed, as every older one does
    bytes = history.Bytes();
    benchmark::DoNotOptimize(trick.riderParts.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
void BM_HistoryOfHundredEdits(benchmark::State& state) {
  HundredEdits(state, false);
}
BENCHMARK(BM_HistoryOfHundredEdits)->Unit(benchmark::kMillisecond);
void BM_HistoryOfHundredWholeTrickTweens(benchmark::State& state) {
  HundredEdits(state, true);
}
BENCHMARK(BM_HistoryOfHundredWholeTrickTweens)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
