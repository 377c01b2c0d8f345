// dravo snapshot: the editor started headless on a game, a trick and frame selected, and the 3D view
// written to a PNG as the window would show it.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "cli.h"
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"
#include "formats/png_file.h"
#include "render/gl/gl_device.h"

namespace dravo::cli {

namespace {

// Nobody answers: questions get No, notices and errors are kept to be told afterwards.
class SnapshotHost : public EditorHost, public TDXPrompter {
 public:
  std::vector<std::string> notes;
  // The panel's own notices (the mode list when the size is no display mode): told only when
  // no device could be made.
  std::vector<std::string> panelNotes;
  std::string fatal;

  bool KelMsgBox(const std::string& text, const std::string& caption, bool) override {
    notes.push_back(caption + ": " + text);
    return false;
  }
  void PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon) override {
    notes.push_back(caption + ": " + text);
    fatal = text;
  }
  void ShowError(const std::string& text) override { notes.push_back(text); }
  std::optional<std::string> ChooseOpenPak() override { return std::nullopt; }
  std::optional<std::string> ChooseSavePak() override { return std::nullopt; }
  std::optional<std::string> ChooseImageFile(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<TColor> ChooseColor(TColor) override { return std::nullopt; }
  void RepaintView() override {}
  void ShowHelpTopic(const std::string&, const std::string&) override {}
  void SetTimer(EditorTimer, bool, int) override {}
  bool ShowTransferWindow(TrickTransfer&) override { return false; }
  // The panel's own messages and questions (device fall-backs).
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon) override {
    notes.push_back(caption + ": " + text);
    return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Ok;
  }
};

// The run's own options and state: a folder of its own, removed afterwards, so the user's settings
// are neither read nor changed.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      m_path = base / ("dravo-snapshot-" + std::to_string(random()));
      if (std::filesystem::create_directory(m_path)) return;
    }
    throw InputError(base.string(), "no scratch folder could be made");
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::filesystem::path& path() const { return m_path; }

 private:
  std::filesystem::path m_path;
};

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
  std::error_code ec;
  if (!std::filesystem::is_directory(args.game, ec)) throw InputError(args.game, "not a folder");
  const std::optional<Resolution> size = ParseResolution(args.size);
  if (!size || size->width < 16 || size->height < 16 || size->width > 4096 || size->height > 4096)
    throw InputError(args.size, "the size must be WIDTHxHEIGHT, each from 16 to 4096 pixels");
  int view = -1;
  for (int i = 0; i < 6; ++i)
    if (SameTextAZ(args.view, kViewNames[i])) view = i;
  if (view < 0) throw InputError(args.view, "not a view: Back, Left, Front, Right, Top or Bottom");
  if (args.zoom < 30 || args.zoom > 150)
    throw InputError(std::to_string(args.zoom), "the zoom runs from 30 to 150");

  ScratchFolder scratch;
  TRmxOptions options(scratch.path() / "options.json");
  options.WriteInteger(options::ResWidth, size->width);
  options.WriteInteger(options::ResHeight, size->height);
  const std::string trickFile =
      SameTextAZ(ExtractFileExt(args.trick), ".mot") ? args.trick : args.trick + ".mot";
  options.WriteString(options::LastTrick, trickFile);
  options.WriteString(options::LastFile, trickFile);
  if (!args.rider.empty()) options.WriteString(options::LastRider, args.rider);
  if (!args.machine.empty()) options.WriteString(options::LastMachine, args.machine);

  SnapshotHost host;
  TVellDXPanel panel([](UINT) { return CreateHeadlessDirect3D(); }, &host);
  panel.ClientWidth = static_cast<UINT>(size->width);
  panel.ClientHeight = static_cast<UINT>(size->height);

  EditorConfig config;
  config.optionsFile = options.FileName();
  config.gameSearch.commandLine = args.game;
  config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
  config.gameSearch.stateFile = scratch.path() / "state.json";
  TDravoEditor editor(config, panel, host);
  const StartupResult started = editor.FormCreate();
  if (started == StartupResult::NoDevice) {
    for (const std::string& note : host.panelNotes)
      std::fprintf(stderr, "dravo: note: %s\n", note.c_str());
    throw InputError("", "no OpenGL device to draw with");
  }
  if (started == StartupResult::Terminated) throw InputError(args.game, host.fatal);
  editor.FormShow();

  int entry = -1;
  std::string offered;
  for (std::size_t i = 0; i < editor.MOTSelectBox().size(); ++i) {
    const std::string& name = editor.MOTSelectBox()[i].Name;
    offered += (offered.empty() ? "" : ", ") + name;
    if (SameTextAZ(name + ".mot", trickFile)) entry = static_cast<int>(i);
  }
  if (entry < 0) throw InputError(args.trick, "not a trick of this machine's list (" + offered + ")");
  editor.SelectTrickItem(entry);
  if (args.frame < 1 || args.frame > editor.FrameBarMax())
    throw InputError(std::to_string(args.frame),
                     "the trick's frames are 1 to " + std::to_string(editor.FrameBarMax()));
  editor.FrameBarChange(args.frame);
  editor.ViewBoxChange(view);
  editor.TrackBar1Change(args.zoom);

  std::vector<std::uint8_t> rgba;
  int width = 0, height = 0;
  if (!editor.CaptureView(rgba, width, height))
    throw InputError("", "the picture could not be drawn or read");
  for (const std::string& note : host.notes)
    std::fprintf(stderr, "dravo: note: %s\n", note.c_str());
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
