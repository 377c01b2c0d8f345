// dravo snapshot: the editor started headless on a game, a trick and frame selected, and the 3D view
// written to a PNG as the window would show it.
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "editor/view_rules.h"
#include "formats/png_file.h"
#include "headless_editor.h"

namespace dravo::cli {

namespace {

struct SnapshotArgs {
  std::string game;
  std::string rider;
  std::string machine;
  std::string trick;
  int frame = 1;
  std::string view = "Front";
  int zoom = 90;
  std::string out;
  std::string size = "640x480";
};

void Snapshot(const SnapshotArgs& args) {
  const std::optional<Resolution> size = ParseResolution(args.size);
  if (!size || size->width < 16 || size->height < 16 || size->width > 4096 || size->height > 4096)
    throw InputError(args.size, "the size must be WIDTHxHEIGHT, each from 16 to 4096 pixels");
  if (args.zoom < 30 || args.zoom > 150)
    throw InputError(std::to_string(args.zoom), "the zoom runs from 30 to 150");

  HeadlessEditor run({args.game, args.trick, args.rider, args.machine, args.view, size});
  TDravoEditor& editor = run.editor();
  if (args.frame < 1 || args.frame > editor.FrameBarMax())
    throw InputError(std::to_string(args.frame),
                     "the trick's frames are 1 to " + std::to_string(editor.FrameBarMax()));
  editor.FrameBarChange(args.frame);
  editor.TrackBar1Change(args.zoom);

  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  if (!editor.CaptureView(rgba, width, height))
    throw InputError("", "the picture could not be drawn or read");
  run.host().tell();
  WritePngRgba(args.out, width, height, rgba);
}

}  // namespace

void AddSnapshotCommands(CLI::App& app) {
  auto args = std::make_shared<SnapshotArgs>();
  CLI::App* cmd = app.add_subcommand(
      "snapshot",
      "Start the editor headless on a game, select a trick and frame, and write the view to a PNG");
  cmd->add_option("--game", args->game, "The game's folder")->required();
  cmd->add_option("--rider", args->rider, "The rider's document (.sub); the editor's default when left out");
  cmd->add_option("--machine", args->machine,
                  "The machine's document (.sub); the editor's default when left out");
  cmd->add_option("--trick", args->trick, "The trick, as the trick list names it (\"nacnac\")")->required();
  cmd->add_option("--frame", args->frame, "The frame, from 1")->capture_default_str();
  cmd->add_option("--view", args->view, "Back, Left, Front, Right, Top or Bottom")->capture_default_str();
  cmd->add_option("--zoom", args->zoom, "The zoom bar's position, 30 (near) to 150 (far)")
      ->capture_default_str();
  cmd->add_option("-o,--output", args->out, "The PNG file to write")->required();
  cmd->add_option("--size", args->size, "The view's size, WIDTHxHEIGHT")->capture_default_str();
  cmd->callback([args] { Snapshot(*args); });
}

const CommandGroup kGroup{"snapshot", AddSnapshotCommands};

}  // namespace dravo::cli
