// dravo tween: the key-frame bar's tween, headless: the frames between two keys filled for some parts
// of a trick, then the trick saved as the window's "Save this trick" does.
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli.h"
#include "core/text.h"
#include "headless_editor.h"
#include "trick_motions.h"

namespace dravo::cli {

namespace {

struct TweenArgs {
  HeadlessArgs editor;
  std::string keys;
  std::string parts;
  bool all = false;
  bool bike = false;
  std::string style = "linear";
  std::string common = "yes";
};

void Tween(TweenArgs args) {
  int a = 0, b = 0;
  char comma = 0, rest = 0;
  std::istringstream keys(args.keys);
  if (!(keys >> a >> comma >> b) || comma != ',' || (keys >> rest))
    throw InputError(args.keys, "the keys must be two frames, FIRST,LAST");
  if (args.all == !args.parts.empty()) throw InputError("", "name the parts with --parts, or use --all");
  const TweenMode style = args.style == "smooth" ? TweenMode::Smooth
                          : args.style == "ease" ? TweenMode::Ease
                                                 : TweenMode::Linear;

  HeadlessEditor run(args.editor);
  TDravoEditor& editor = run.editor();
  RequireUsableMotions(editor, run.trickFile());
  if (args.bike) {
    if (!editor.BikeEditEnabled())
      throw InputError(args.editor.trick, "the trick has no machine motion of its own");
    editor.RiderEditClick(false);
  }
  const int last = editor.FrameCount();
  for (const int key : {a, b})
    if (key < 1 || key > last)
      throw InputError(std::to_string(key), "the trick's frames are 1 to " + std::to_string(last));

  editor.SetCommonPak(args.common == "yes");
  editor.SetTweenStyle(style);
  std::size_t chosen = 0;
  if (args.all) {
    editor.SetTweenAll(true);
  } else {
    std::vector<std::string> names;
    std::stringstream list(args.parts);
    for (std::string name; std::getline(list, name, ',');)
      names.push_back(Trim(name));
    for (const std::string& name : names) {
      int row = -1;
      std::string offered;
      for (std::size_t i = 0; i < editor.PartRows().size(); ++i) {
        const PartItem& item = editor.PartRows()[i];
        if (!item.Enabled) continue;
        offered += (offered.empty() ? "" : ", ") + item.Name;
        if (SameTextAZ(item.Name, name)) row = static_cast<int>(i);
      }
      if (row < 0) throw InputError(name, "not a part of the edited side (" + offered + ")");
      editor.SetPartChecked(row, true);
      ++chosen;
    }
  }
  editor.TweenBarRangeChange(a, b, false);
  if (!editor.InstallTrick()) {
    run.host().tell();
    throw InputError(args.editor.game, "the trick could not be saved");
  }
  run.host().tell();
  std::printf("%s\n", editor.StatusText().c_str());
}

}  // namespace

void AddTweenCommands(CLI::App& app) {
  auto args = std::make_shared<TweenArgs>();
  CLI::App* cmd = app.add_subcommand(
      "tween", "Fill the frames between two key frames of a trick for some parts, then save the trick");
  AddTrickOptions(cmd, args->editor);
  cmd->add_option("--keys", args->keys, "The two key frames, FIRST,LAST (from 1)")->required();
  cmd->add_option("--parts", args->parts, "The parts, as the part list names them, comma-separated");
  cmd->add_flag("--all", args->all, "Every part of the edited side");
  cmd->add_flag("--bike", args->bike, "Tween the machine's parts instead of the rider's");
  cmd->add_option("--style", args->style, "linear (the default), smooth or ease")
      ->check(CLI::IsMember({"linear", "smooth", "ease"}))
      ->capture_default_str();
  cmd->add_option("--common", args->common, "Also write into data\\common.pak (default: yes)")
      ->check(CLI::IsMember({"yes", "no"}));
  cmd->callback([args] { Tween(*args); });
}

const CommandGroup kGroup{"tween", AddTweenCommands};

}  // namespace dravo::cli
