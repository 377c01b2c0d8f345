// dravo gif: the editor started headless on a game, a trick selected, and the trick written as an
// animated GIF as the window's "Gif" button writes it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli.h"
#include "formats/gif_export.h"
#include "headless_editor.h"
#include "trick_motions.h"

namespace dravo::cli {

namespace {

struct GifArgs {
  HeadlessArgs editor;  // the view's default back buffer, 640 × 480, drawn off-screen
  GifOptions options;   // the option defaults: size 64, 15 frames a second, transparent
  bool opaque = false;
  std::string out;
};

void MakeGif(GifArgs args) {
  if (args.opaque) args.options.transparent = false;
  const std::string bad = GifOptionsError(args.options);
  if (!bad.empty()) throw InputError("", bad);

  HeadlessEditor run(args.editor);
  TDravoEditor& editor = run.editor();
  RequireUsableMotions(editor, run.trickFile());
  if (editor.FrameCount() < 1) {
    run.host().tell();
    throw InputError(args.editor.trick, "the trick has no frames to export");
  }
  editor.SetGifSize(args.options.size);
  editor.FrameRateEditChange(args.options.framesPerSecond);
  editor.TransparentClick(args.options.transparent);
  editor.SetGifOptimize(args.options.optimize);

  editor.MakeGif(args.out);
  run.host().tell();
  std::printf("%s: %d frames of %d x %d, %d/100 s each\n", GifFileName(args.out).string().c_str(),
              editor.FrameCount(), args.options.size, args.options.size, editor.GifFrameDelay());
}

}  // namespace

void AddGifCommands(CLI::App& app) {
  auto args = std::make_shared<GifArgs>();
  CLI::App* cmd = app.add_subcommand(
      "gif",
      "Start the editor headless on a game and write a trick as an animated GIF, as the \"Gif\" button does");
  AddHeadlessOptions(cmd, args->editor);
  cmd->add_option("--size", args->options.size, "Width and height of the GIF in pixels, 32 to 256")
      ->capture_default_str();
  cmd->add_option("--fps", args->options.framesPerSecond,
                  "Frames per second of playback, 1 to 100; each frame lasts 1000 / fps ms, in hundredths")
      ->capture_default_str();
  CLI::Option* transparent = cmd->add_flag("--transparent", args->options.transparent,
                                           "The background is transparent (the default)");
  cmd->add_flag("--opaque", args->opaque, "No transparency")->excludes(transparent);
  cmd->add_flag("--optimize", args->options.optimize,
                "Smaller file: frames cropped to what changed, one palette shared where it serves as well");
  cmd->add_option("OUT", args->out, "The GIF file to write; its extension becomes .gif")->required();
  cmd->callback([args] { MakeGif(*args); });
}

const CommandGroup kGroup{"gif", AddGifCommands};

}  // namespace dravo::cli
