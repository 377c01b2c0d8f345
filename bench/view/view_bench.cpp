// One frame of the 3D view, headless on the OpenGL device (640x480), with the onion skin at its widest
// (five ghosts before and five after) beside the same frame without it:
//   BM_ViewFrame            the editor's paint of "backflip" half-way, from the side, waited for
//   BM_ViewFrameOnion/1/1   the same with one ghost each way (the default)
//   BM_ViewFrameOnion/5/5   the same with five each way
// Each paint is waited for (glFinish); the CPU time is the whole process's, the rasteriser's threads
// included.
//
//   bench/view/compare.sh   (or build/release/bench/view/view_bench)
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "demo/demo_game.h"
#include "editor/dravo_editor.h"
#include "render/gl/gl_device.h"

namespace {

using namespace dravo;

struct Scene {
  Scene() {
    std::random_device random;
    dir = std::filesystem::temp_directory_path() / ("dravo-view-bench-" + std::to_string(random()));
    demo::WriteDemoGame(dir, {});
    panel = std::make_unique<TVellDXPanel>([](UINT) { return CreateHeadlessDirect3D(); }, nullptr);
    EditorConfig config;
    config.optionsFile = dir / "options.json";
    config.gameSearch.commandLine = dir.string();
    config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
    config.gameSearch.stateFile = dir / "state.json";
    editor = std::make_unique<TDravoEditor>(config, *panel, host);
    if (editor->FormCreate() != StartupResult::Running) {
      ok = false;
      return;
    }
    for (std::size_t i = 0; i < editor->MOTSelectBox().size(); ++i)
      if (editor->MOTSelectBox()[i].Name == "backflip") editor->SelectTrickItem(static_cast<int>(i));
    editor->FrameBarChange(editor->FrameBarMax() / 2);
    editor->ViewBoxChange(1);
    editor->SetZoom(50);
  }
  ~Scene() {
    editor.reset();
    panel.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  // Paints and waits for the device to finish.
  bool Frame() {
    if (!panel->Paint()) return false;
    static_cast<GlDevice*>(panel->Device())->Finish();
    return true;
  }

  bool ok = true;
  std::filesystem::path dir;
  SilentEditorHost host;
  std::unique_ptr<TVellDXPanel> panel;
  std::unique_ptr<TDravoEditor> editor;
};

Scene& TheScene() {
  static Scene scene;
  return scene;
}

void Run(benchmark::State& state, bool onion, int before, int after) {
  Scene& scene = TheScene();
  if (!scene.ok || !scene.panel->Device()) return state.SkipWithError("no headless OpenGL device");
  scene.editor->SetOnionFrames(before, after);
  scene.editor->SetOnionSkin(onion);
  if (!scene.Frame()) return state.SkipWithError("the view did not paint");
  for (auto _ : state)
    scene.Frame();
  state.SetLabel(static_cast<GlDevice*>(scene.panel->Device())->Renderer());
}

void BM_ViewFrame(benchmark::State& state) {
  Run(state, false, 1, 1);
}
BENCHMARK(BM_ViewFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ViewFrameOnion(benchmark::State& state) {
  Run(state, true, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
}
BENCHMARK(BM_ViewFrameOnion)
    ->Args({1, 1})
    ->Args({5, 5})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
