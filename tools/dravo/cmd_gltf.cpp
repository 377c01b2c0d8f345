// dravo gltf: the editor started headless on a game, a trick selected, and the trick written as a glTF
// scene, or a glTF file's animation read into the trick, which is then saved as the editor saves it.
#include <cstdio>
#include <memory>
#include <string>

#include "cli.h"
#include "headless_editor.h"
#include "trick_motions.h"

namespace dravo::cli {

namespace {

struct GltfArgs {
  HeadlessArgs editor;
  int fps = 0;     // export: the editor's frame rate when 0
  int frames = 0;  // import: every frame of the trick when 0
  std::string common = "yes";
  std::string file;
};

void Export(const GltfArgs& args) {
  HeadlessEditor run(args.editor);
  TDravoEditor& editor = run.editor();
  RequireUsableMotions(editor, run.trickFile());
  if (args.fps != 0) {
    if (args.fps < 1 || args.fps > 100)
      throw InputError(std::to_string(args.fps), "the frame rate runs from 1 to 100");
    editor.FrameRateEditChange(args.fps);
  }
  editor.ExportGltf(args.file);
  run.host().tell();
  std::printf("%s: %d frames at %d frames a second\n", args.file.c_str(), editor.FrameCount(),
              editor.FrameRate());
}

void Import(const GltfArgs& args) {
  HeadlessEditor run(args.editor);
  TDravoEditor& editor = run.editor();
  RequireUsableMotions(editor, run.trickFile());
  if (args.frames < 0 || args.frames > editor.FrameCount())
    throw InputError(std::to_string(args.frames),
                     "the trick's frames are 1 to " + std::to_string(editor.FrameCount()));
  const TDravoEditor::GltfImport done = editor.ImportGltfAnimation(args.file, args.frames);
  for (const std::string& warning : done.warnings)
    std::fprintf(stderr, "dravo: warning: %s: %s\n", args.file.c_str(), warning.c_str());
  editor.SetCommonPak(args.common == "yes");
  const bool saved = editor.InstallTrick();
  run.host().tell();
  if (!saved) throw AlreadyReported();
  std::printf("%s: %d parts, %d frames into %s\n", args.file.c_str(), done.parts, done.frames,
              run.trickFile().c_str());
}

}  // namespace

void AddGltfCommands(CLI::App& app) {
  CLI::App* gltf = app.add_subcommand("gltf", "Tricks as glTF 2.0 scenes, for 3D packages");
  gltf->require_subcommand(1);

  auto out = std::make_shared<GltfArgs>();
  CLI::App* exportCmd = gltf->add_subcommand(
      "export",
      "Write the rider and the machine, skinned, with the trick as their animation, to a .glb or .gltf file");
  AddTrickOptions(exportCmd, out->editor);
  exportCmd->add_option("--fps", out->fps,
                        "Frames per second of the animation, 1 to 100; the editor's rate by default");
  exportCmd->add_option("OUT", out->file, "The file to write: .glb (binary) or .gltf (JSON)")->required();
  exportCmd->callback([out] { Export(*out); });

  auto in = std::make_shared<GltfArgs>();
  CLI::App* importCmd = gltf->add_subcommand("import",
                                             "Read a glTF file's animation into a trick (parts matched by "
                                             "node name) and save the trick as the editor does");
  AddTrickOptions(importCmd, in->editor);
  importCmd->add_option(
      "--frames", in->frames,
      "Sample the animation at this many frames, written from the trick's first; all of them by "
      "default");
  importCmd
      ->add_option("--common", in->common,
                   "Also write the trick into data\\common.pak when sizes match: yes or no")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  importCmd->add_option("IN", in->file, "The .glb or .gltf file to read")->required();
  importCmd->callback([in] { Import(*in); });
}

const CommandGroup kGroup{"gltf", AddGltfCommands};

}  // namespace dravo::cli
