// dravo gif: the editor started headless on a game, a trick selected, and the trick written as an
// animated GIF as the window's "Gif" button writes it.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "cli.h"
#include "core/text.h"
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"
#include "formats/gif_export.h"
#include "render/gl/gl_device.h"

namespace dravo::cli {

namespace {

// Nobody answers: questions get No; notices and errors are kept and told afterwards.
class GifHost : public EditorHost, public TDXPrompter {
 public:
  std::vector<std::string> notes;
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
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon) override {
    notes.push_back(caption + ": " + text);
    return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Ok;
  }

  void tell() const {
    for (const std::string& note : notes)
      std::fprintf(stderr, "dravo: note: %s\n", note.c_str());
  }
};

// The run's own options and state, removed afterwards: the user's settings are neither read nor changed.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::random_device random;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      m_path = base / ("dravo-gif-" + std::to_string(random()));
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

struct GifArgs {
  std::string game;
  std::string trick;
  std::string rider;
  std::string machine;
  GifOptions options;  // the option defaults: size 64, 15 frames a second, transparent
  bool opaque = false;
  std::string view = "Front";
  std::string out;
};

void MakeGif(GifArgs args) {
  if (args.opaque) args.options.transparent = false;
  const std::string bad = GifOptionsError(args.options);
  if (!bad.empty()) throw InputError("", bad);
  std::error_code ec;
  if (!std::filesystem::is_directory(args.game, ec)) throw InputError(args.game, "not a folder");
  int view = -1;
  for (int i = 0; i < 6; ++i)
    if (SameTextAZ(args.view, kViewNames[i])) view = i;
  if (view < 0) throw InputError(args.view, "not a view: Back, Left, Front, Right, Top or Bottom");

  ScratchFolder scratch;
  TRmxOptions options(scratch.path() / "options.json");
  const std::string trickFile =
      SameTextAZ(ExtractFileExt(args.trick), ".mot") ? args.trick : args.trick + ".mot";
  options.WriteString(options::LastTrick, trickFile);
  options.WriteString(options::LastFile, trickFile);
  if (!args.rider.empty()) options.WriteString(options::LastRider, args.rider);
  if (!args.machine.empty()) options.WriteString(options::LastMachine, args.machine);

  GifHost host;
  // The view's default back buffer, 640 × 480, drawn off-screen.
  TVellDXPanel panel([](UINT) { return CreateHeadlessDirect3D(); }, &host);
  EditorConfig config;
  config.optionsFile = options.FileName();
  config.gameSearch.commandLine = args.game;
  config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
  config.gameSearch.stateFile = scratch.path() / "state.json";
  TDravoEditor editor(config, panel, host);
  const StartupResult started = editor.FormCreate();
  if (started == StartupResult::NoDevice) throw InputError("", "no OpenGL device to draw with");
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
  if (editor.FrameCount() < 1) {
    host.tell();
    throw InputError(args.trick, "the trick has no frames to export");
  }
  editor.ViewBoxChange(view);
  editor.GIFSizeChange(args.options.size);
  editor.FrameRateEditChange(args.options.framesPerSecond);
  editor.TransparentClick(args.options.transparent);

  editor.MakeGif(args.out);
  host.tell();
  std::printf("%s: %d frames of %d x %d, %d/100 s each\n", GifFileName(args.out).string().c_str(),
              editor.FrameCount(), args.options.size, args.options.size, editor.GifFrameDelay());
}

}  // namespace

void AddGifCommands(CLI::App& app) {
  auto args = std::make_shared<GifArgs>();
  CLI::App* cmd = app.add_subcommand(
      "gif",
      "Start the editor headless on a game and write a trick as an animated GIF, as the \"Gif\" button does");
  cmd->add_option("--game", args->game, "The game's folder")->required();
  cmd->add_option("--trick", args->trick, "The trick, as the trick list names it (\"nacnac\")")->required();
  cmd->add_option("--rider", args->rider, "The rider's document (.sub); the editor's default when left out");
  cmd->add_option("--machine", args->machine,
                  "The machine's document (.sub); the editor's default when left out");
  cmd->add_option("--size", args->options.size, "Width and height of the GIF in pixels, 32 to 256")
      ->capture_default_str();
  cmd->add_option("--fps", args->options.framesPerSecond,
                  "Frames per second of playback, 1 to 100; each frame lasts 1000 / fps ms, in hundredths")
      ->capture_default_str();
  CLI::Option* transparent = cmd->add_flag("--transparent", args->options.transparent,
                                           "The background is transparent (the default)");
  cmd->add_flag("--opaque", args->opaque, "No transparency")->excludes(transparent);
  cmd->add_option("--view", args->view, "Back, Left, Front, Right, Top or Bottom")->capture_default_str();
  cmd->add_option("OUT", args->out, "The GIF file to write; its extension becomes .gif")->required();
  cmd->callback([args] { MakeGif(*args); });
}

const CommandGroup kGroup{"gif", AddGifCommands};

}  // namespace dravo::cli
