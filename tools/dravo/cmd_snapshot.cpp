// dravo snapshot: the editor started headless on a game, a trick and frame selected, and the 3D view
// written to a PNG as the window would show it.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli.h"
#include "editor/view_rules.h"
#include "formats/png_file.h"
#include "headless_editor.h"
#include "trick_motions.h"

namespace dravo::cli {

namespace {

struct SnapshotArgs {
  HeadlessArgs editor;
  int frame = 1;
  std::string out;
  std::string size = "640x480";
  std::string onion;  // "B,A": the onion skin's frames before and after; empty: off
};

// "2,1": two whole numbers from 1 to 5, parted by a comma.
std::optional<std::pair<int, int>> ParseOnion(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const auto number = [](std::string_view digits) -> std::optional<int> {
    if (digits.size() != 1 || digits[0] < '0' + kOnionMinFrames || digits[0] > '0' + kOnionMaxFrames)
      return std::nullopt;
    return digits[0] - '0';
  };
  const std::optional<int> before = number(std::string_view(text).substr(0, comma));
  const std::optional<int> after = number(std::string_view(text).substr(comma + 1));
  if (!before || !after) return std::nullopt;
  return std::pair{*before, *after};
}

void Snapshot(SnapshotArgs args) {
  const std::optional<Resolution> size = ParseResolution(args.size);
  if (!size || size->width < 16 || size->height < 16 || size->width > 4096 || size->height > 4096)
    throw InputError(args.size, "the size must be WIDTHxHEIGHT, each from 16 to 4096 pixels");

  args.editor.size = size;
  HeadlessEditor run(args.editor);
  TDravoEditor& editor = run.editor();
  RequireUsableMotions(editor, run.trickFile());
  if (args.frame < 1 || args.frame > editor.FrameBarMax())
    throw InputError(std::to_string(args.frame),
                     "the trick's frames are 1 to " + std::to_string(editor.FrameBarMax()));
  editor.FrameBarChange(args.frame);
  if (const std::optional<std::pair<int, int>> onion = ParseOnion(args.onion)) {
    editor.SetOnionFrames(onion->first, onion->second);
    editor.SetOnionSkin(true);
  }

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
  AddHeadlessOptions(cmd, args->editor);
  cmd->add_option("--frame", args->frame, "The frame, from 1")->capture_default_str();
  cmd->add_option("-o,--output", args->out, "The PNG file to write")->required();
  cmd->add_option("--size", args->size, "The view's size, WIDTHxHEIGHT")->capture_default_str();
  cmd->add_option("--onion", args->onion,
                  "Onion skin: B,A ghosts of the B frames before and the A frames after (1 to 5 each)")
      ->check([](const std::string& text) -> std::string {
        return ParseOnion(text) ? "" : "the onion skin is B,A: frames before and after, each from 1 to 5";
      });
  cmd->callback([args] { Snapshot(*args); });
}

const CommandGroup kGroup{"snapshot", AddSnapshotCommands};

}  // namespace dravo::cli
