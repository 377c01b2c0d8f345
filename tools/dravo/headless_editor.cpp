#include "headless_editor.h"

#include <cstdio>
#include <random>
#include <system_error>

#include "cli.h"
#include "core/text.h"
#include "editor/view_rules.h"
#include "platform/options_store.h"
#include "render/gl/gl_device.h"

namespace dravo::cli {

bool HeadlessHost::KelMsgBox(const std::string& text, const std::string& caption, bool) {
  notes.push_back(caption + ": " + text);
  return false;
}

void HeadlessHost::PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon) {
  notes.push_back(caption + ": " + text);
  fatal = text;
}

TMsgAnswer HeadlessHost::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                              TMsgIcon) {
  notes.push_back(caption + ": " + text);
  return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Ok;
}

void HeadlessHost::tell() const {
  for (const std::string& note : notes)
    std::fprintf(stderr, "dravo: note: %s\n", note.c_str());
}

namespace {

std::filesystem::path MakeScratchFolder() {
  std::random_device random;
  std::error_code ec;
  const std::filesystem::path base = std::filesystem::temp_directory_path(ec);
  if (ec) throw InputError("", "no temporary folder: " + ec.message());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path path = base / ("dravo-run-" + std::to_string(random()));
    if (std::filesystem::create_directory(path, ec)) return path;
    if (ec) throw InputError(base.string(), "no scratch folder could be made: " + ec.message());
  }
  throw InputError(base.string(), "no scratch folder could be made");
}

}  // namespace

HeadlessEditor::ScratchFolder::ScratchFolder() : path(MakeScratchFolder()) {}

HeadlessEditor::ScratchFolder::~ScratchFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path, ec);
}

void AddTrickOptions(CLI::App* command, HeadlessArgs& args) {
  command->add_option("--game", args.game, "The game's folder")->required();
  command->add_option("--trick", args.trick, "The trick, as the trick list names it (\"nacnac\")")
      ->required();
  command->add_option("--rider", args.rider,
                      "The rider's document (.sub); the editor's default when left out");
  command->add_option("--machine", args.machine,
                      "The machine's document (.sub); the editor's default when left out");
}

void AddHeadlessOptions(CLI::App* command, HeadlessArgs& args) {
  AddTrickOptions(command, args);
  command->add_option("--view", args.view, "Back, Left, Front, Right, Top or Bottom")->capture_default_str();
  command->add_option("--zoom", args.zoom, "The zoom bar's position, 30 (near) to 150 (far)")
      ->capture_default_str();
  command->add_option("--lighting", args.lighting, "The models shaded by the view's lights: yes or no")
      ->check(CLI::IsMember({"yes", "no"}))
      ->capture_default_str();
  command->add_flag("--wire", args.wire, "Wire mode: the models' triangles as lines");
}

HeadlessEditor::HeadlessEditor(const HeadlessArgs& args) {
  std::error_code ec;
  if (!std::filesystem::is_directory(args.game, ec)) throw InputError(args.game, "not a folder");
  int view = -1;
  for (int i = 0; i < 6; ++i)
    if (SameTextAZ(args.view, kViewNames[i])) view = i;
  if (view < 0) throw InputError(args.view, "not a view: Back, Left, Front, Right, Top or Bottom");
  if (args.zoom < kZoomMin || args.zoom > kZoomMax)
    throw InputError(std::to_string(args.zoom),
                     "the zoom runs from " + std::to_string(kZoomMin) + " to " + std::to_string(kZoomMax));

  TRmxOptions options(m_scratch.path / "options.json");
  if (args.size) {
    options.WriteInteger(options::ResWidth, args.size->width);
    options.WriteInteger(options::ResHeight, args.size->height);
  }
  m_trickFile = SameTextAZ(ExtractFileExt(args.trick), ".mot") ? args.trick : args.trick + ".mot";
  options.WriteString(options::LastTrick, m_trickFile);
  options.WriteString(options::LastFile, m_trickFile);
  if (!args.rider.empty()) options.WriteString(options::LastRider, args.rider);
  if (!args.machine.empty()) options.WriteString(options::LastMachine, args.machine);

  m_panel = std::make_unique<TVellDXPanel>([](UINT) { return CreateHeadlessDirect3D(); }, &m_host);
  if (args.size) {
    m_panel->ClientWidth = static_cast<UINT>(args.size->width);
    m_panel->ClientHeight = static_cast<UINT>(args.size->height);
  }
  EditorConfig config;
  config.optionsFile = options.FileName();
  config.gameSearch.commandLine = args.game;
  config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
  config.gameSearch.stateFile = m_scratch.path / "state.json";
  m_editor = std::make_unique<TDravoEditor>(config, *m_panel, m_host);
  const StartupResult started = m_editor->FormCreate();
  if (started == StartupResult::NoDevice) {
    m_host.tell();
    throw InputError("", "no OpenGL device to draw with");
  }
  if (started == StartupResult::Terminated) throw InputError(args.game, m_host.fatal);
  m_editor->FormShow();

  int entry = -1;
  std::string offered;
  for (std::size_t i = 0; i < m_editor->TrickList().size(); ++i) {
    const std::string& name = m_editor->TrickList()[i].Name;
    offered += (offered.empty() ? "" : ", ") + name;
    if (SameTextAZ(name + ".mot", m_trickFile)) entry = static_cast<int>(i);
  }
  if (entry < 0) throw InputError(args.trick, "not a trick of this machine's list (" + offered + ")");
  m_editor->SelectTrickItem(entry);
  m_editor->ViewBoxChange(view);
  m_editor->SetZoom(args.zoom);
  m_editor->LightClick(args.lighting == "yes");
  m_editor->WireModeClick(args.wire);
}

HeadlessEditor::~HeadlessEditor() {
  m_editor.reset();
  m_panel.reset();
}

}  // namespace dravo::cli
