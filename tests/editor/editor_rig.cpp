#include "editor_rig.h"

#include <gtest/gtest.h>

#include "core/text.h"
#include "demo/demo_pak_writer.h"

namespace dravo::test {

const demo::DemoContent& DemoContentOnce() {
  static const demo::DemoContent content = demo::BuildDemoContent();
  return content;
}

demo::DemoEntry* FindEntry(std::vector<demo::DemoEntry>& entries, const std::string& name) {
  for (demo::DemoEntry& e : entries)
    if (SameTextAZ(e.name, name)) return &e;
  return nullptr;
}

const demo::DemoEntry& Entry(const demo::DemoContent& content, const std::string& name) {
  for (const auto* list : {&content.common, &content.textures})
    for (const demo::DemoEntry& e : *list)
      if (SameTextAZ(e.name, name)) return e;
  throw std::runtime_error("the demo game has no " + name);
}

void WriteGame(const std::filesystem::path& dir, const demo::DemoContent& content) {
  std::filesystem::create_directories(dir / "data");
  const auto sources = [](const std::vector<demo::DemoEntry>& entries) {
    std::vector<demo::PakSource> out;
    for (const demo::DemoEntry& e : entries)
      out.push_back({e.name, static_cast<std::uint32_t>(e.bytes.size()), [&e] { return e.bytes; }});
    return out;
  };
  demo::WritePak(dir / "data" / "common.pak", sources(content.common));
  demo::WritePak(dir / "data" / "tex.pak", sources(content.textures));
}

SaveChoice ScriptedHost::AskToSave(const std::string& text, const std::string& caption) {
  if (choices.empty()) return EditorHost::AskToSave(text, caption);
  const SaveChoice choice = choices.front();
  shown.push_back({text, caption, true, choice == SaveChoice::Save});
  choices.pop_front();
  return choice;
}

bool ScriptedHost::KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) {
  bool answer = true;
  if (yesNo) {
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << caption << ": " << text;
      answer = false;
    } else {
      answer = answers.front();
      answers.pop_front();
    }
  }
  shown.push_back({text, caption, yesNo, answer});
  return answer;
}

void ScriptedHost::PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon) {
  platform.push_back({text, caption, false, true});
}

std::optional<TColor> ScriptedHost::ChooseColor(TColor) {
  return Next(colours);
}

bool ScriptedHost::ShowTransferWindow(TrickTransfer& transfer) {
  if (!transferWindow) {
    ADD_FAILURE() << "the transfer window opened with no script";
    return false;
  }
  return transferWindow(transfer);
}

TMsgAnswer ScriptedHost::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                              TMsgIcon) {
  panelMessages.push_back({text, caption, buttons == TMsgButtons::YesNo, false});
  return buttons == TMsgButtons::YesNo ? TMsgAnswer::No : TMsgAnswer::Ok;
}

std::vector<std::string> ScriptedHost::Take() {
  std::vector<std::string> out;
  for (const Shown& s : shown)
    out.push_back(s.caption + ": " + s.text);
  shown.clear();
  return out;
}

EditorRig::EditorRig(const std::function<void(demo::DemoContent&)>& edit) {
  game = dir / "game";
  optionsFile = dir / "config" / "options.json";
  stateFile = dir / "config" / "state.json";
  if (edit) {
    demo::DemoContent content = DemoContentOnce();
    edit(content);
    WriteGame(game, content);
  } else {
    WriteGame(game, DemoContentOnce());
  }
}

EditorRig::~EditorRig() {
  Stop();
}

EditorConfig EditorRig::Config() const {
  EditorConfig config;
  config.optionsFile = optionsFile;
  config.stateFile = stateFile;
  config.gameSearch.commandLine = game.string();
  config.gameSearch.env = [](const std::string&) { return std::optional<std::string>(); };
  config.gameSearch.stateFile = dir / "config" / "search.json";
  config.archiveSaveHook = archiveSaveHook;
  config.gameSearch.chooseFolder = chooseFolder;
  if (gameFoundBefore) {
    config.gameFolder = (game / "").string();
    config.gameSearch = {};
    config.gameSearch.chooseFolder = []() -> std::optional<std::string> {
      ADD_FAILURE() << "the game was searched for again";
      return std::nullopt;
    };
  }
  return config;
}

StartupResult EditorRig::Start() {
  Stop();
  panel = std::make_unique<TVellDXPanel>(
      [this](UINT) -> std::unique_ptr<IDirect3D8> {
        auto d3d = std::make_unique<TRecordingDirect3D>(log);
        d3d->modes = {{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}};
        if (adapter) adapter(*d3d);
        return d3d;
      },
      &host);
  editor = std::make_unique<TDravoEditor>(Config(), *panel, host);
  const StartupResult result = editor->FormCreate();
  if (result != StartupResult::Terminated) editor->FormShow();
  log->Clear();
  return result;
}

StartupResult EditorRig::Restart() {
  return Start();
}

void EditorRig::Stop() {
  editor.reset();
  panel.reset();
}

void EditorRig::Paint() {
  panel->Paint();
  log->Clear();
}

int CatalogueIndex(TDravoEditor& editor, const std::string& name) {
  for (std::size_t i = 0; i < editor.MOTSelectBox().size(); ++i)
    if (editor.MOTSelectBox()[i].Name == name) return static_cast<int>(i);
  return -1;
}

void SelectTrick(TDravoEditor& editor, const std::string& name) {
  const int index = CatalogueIndex(editor, name);
  ASSERT_GE(index, 0) << "no trick " << name;
  editor.SelectTrickItem(index);
  ASSERT_EQ(editor.TrickName(), name + ".mot");
}

void CheckParts(TDravoEditor& editor, const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < editor.TweenList().size(); ++i) {
    const bool wanted = std::find(names.begin(), names.end(), editor.TweenList()[i].Name) != names.end();
    editor.SetPartChecked(static_cast<int>(i), wanted);
  }
}

::testing::AssertionResult Near(const Matrix& a, const Matrix& b, float tolerance) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (!(std::fabs(a[r][c] - b[r][c]) <= tolerance))
        return ::testing::AssertionFailure()
               << "element [" << r << "][" << c << "]: " << a[r][c] << " vs " << b[r][c];
  return ::testing::AssertionSuccess();
}

}  // namespace dravo::test
