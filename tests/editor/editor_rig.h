#pragma once

// The editor's tests drive a whole TDravoEditor on a game folder written in the test (the demo game,
// edited where a test needs something it lacks), with a 3D panel on the recording device and a host
// that answers every question from a script and remembers everything it was shown.

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "demo/demo_game.h"
#include "editor/dravo_editor.h"
#include "render/testing/recording_device.h"
#include "support/temp_dir.h"

namespace dravo::test {

// The demo game's content, built once per test program.
const demo::DemoContent& DemoContentOnce();
// The entry of that name (A-Z folded) in a list of entries, or null.
demo::DemoEntry* FindEntry(std::vector<demo::DemoEntry>& entries, const std::string& name);
const demo::DemoEntry& Entry(const demo::DemoContent& content, const std::string& name);
// Writes data/common.pak and data/tex.pak of the content under `dir`.
void WriteGame(const std::filesystem::path& dir, const demo::DemoContent& content);

struct Shown {
  std::string text;
  std::string caption;
  bool yesNo = false;
  bool answer = false;
};

class ScriptedHost : public EditorHost, public TDXPrompter {
 public:
  // Answers to yes/no questions, in order; a question with no answer left fails the test.
  std::deque<bool> answers;
  // Answers to the questions about unsaved work; when none is left they take `answers` (Yes is Save).
  std::deque<SaveChoice> choices;
  std::vector<Shown> shown;     // every KelMsgBox
  std::vector<Shown> platform;  // every platform message box
  std::vector<std::string> errors;
  std::vector<Shown> panelMessages;
  std::deque<std::optional<std::string>> openPaks, savePaks, imageFiles;
  std::deque<std::optional<TColor>> colours;
  std::vector<std::pair<std::string, std::string>> help;
  std::map<EditorTimer, std::pair<bool, int>> timers;
  std::function<bool(TrickTransfer&)> transferWindow;
  int repaints = 0;
  // The GIF export: its save dialog's answers, its progress (continues when unset) and the cursor.
  std::deque<std::optional<std::string>> saveGifs;
  std::function<bool(int, int)> exportProgress;
  std::vector<bool> busy;

  bool KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) override;
  SaveChoice AskToSave(const std::string& text, const std::string& caption) override;
  void PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon icon) override;
  void ShowError(const std::string& text) override { errors.push_back(text); }
  std::optional<std::string> ChooseOpenPak() override { return Next(openPaks); }
  std::optional<std::string> ChooseSavePak() override { return Next(savePaks); }
  std::optional<std::string> ChooseImageFile(const std::string&, const std::string&) override {
    return Next(imageFiles);
  }
  std::optional<TColor> ChooseColor(TColor) override;
  void RepaintView() override { ++repaints; }
  void ShowHelpTopic(const std::string& file, const std::string& topic) override {
    help.emplace_back(file, topic);
  }
  void SetTimer(EditorTimer timer, bool enabled, int intervalMs) override {
    timers[timer] = {enabled, intervalMs};
  }
  bool ShowTransferWindow(TrickTransfer& transfer) override;
  std::optional<std::string> ChooseSaveGif(const std::string& suggested) override {
    suggestedGifs.push_back(suggested);
    return Next(saveGifs);
  }
  std::vector<std::string> suggestedGifs;
  bool ExportProgress(int done, int total) override {
    return exportProgress ? exportProgress(done, total) : true;
  }
  void SetBusy(bool on) override { busy.push_back(on); }
  // The glTF dialogs' answers, and what the save dialog offered.
  std::deque<std::optional<std::string>> saveGltfs, openGltfs;
  std::vector<std::string> suggestedGltfs;
  std::optional<std::string> ChooseSaveGltf(const std::string& suggested) override {
    suggestedGltfs.push_back(suggested);
    return Next(saveGltfs);
  }
  std::optional<std::string> ChooseOpenGltf() override { return Next(openGltfs); }
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon) override;

  // The texts shown since the last call, as "caption: text", and forgets them.
  std::vector<std::string> Take();

 private:
  template <class T>
  std::optional<T> Next(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) {
      ADD_FAILURE() << "a chooser was opened with no scripted answer";
      return std::nullopt;
    }
    std::optional<T> v = queue.front();
    queue.pop_front();
    return v;
  }
};

// A game folder, the editor's own options and state beside it, a recording panel and the editor.
class EditorRig {
 public:
  // `edit` changes the demo game's content before it is written.
  explicit EditorRig(const std::function<void(demo::DemoContent&)>& edit = {});
  ~EditorRig();

  // FormCreate, then FormShow when the editor runs.
  StartupResult Start();
  // Lets the editor go and starts a new one on the same folder, options and state.
  StartupResult Restart();
  void Stop();

  TDravoEditor& ed() { return *editor; }
  // One frame of the view (posing runs inside it).
  void Paint();
  std::filesystem::path CommonPak() const { return game / "data" / "common.pak"; }
  std::filesystem::path OwnPak() const { return game / "data" / "$dravo.pak"; }
  TRmxOptions Options() const { return TRmxOptions(optionsFile); }
  EditorConfig Config() const;

  TempDir dir;
  std::filesystem::path game;
  std::filesystem::path optionsFile;
  std::filesystem::path stateFile;
  ScriptedHost host;
  // Set before Start to make the panel's device fail its checks.
  std::function<void(TRecordingDirect3D&)> adapter;
  ReplaceHook archiveSaveHook;
  // Hands the editor the game folder as found (as the window does) instead of a search.
  bool gameFoundBefore = false;
  // The folder chooser of the game search, when set.
  std::function<std::optional<std::string>()> chooseFolder;
  std::shared_ptr<TCallLog> log = std::make_shared<TCallLog>();
  std::unique_ptr<TVellDXPanel> panel;
  std::unique_ptr<TDravoEditor> editor;
};

// A test whose editor has started on the demo game before it runs.
class StartedEditorTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(rig.Start(), StartupResult::Running); }
  TDravoEditor& ed() { return rig.ed(); }
  EditorRig rig;
};

// The trick list entry of that name, or -1.
int CatalogueIndex(TDravoEditor& editor, const std::string& name);
// Selects a trick by name; fails the test when the list lacks it.
void SelectTrick(TDravoEditor& editor, const std::string& name);
// Checks the parts whose names are given (and unchecks the others).
void CheckParts(TDravoEditor& editor, const std::vector<std::string>& names);

// Matrices equal within `tolerance` per element.
::testing::AssertionResult Near(const Matrix& a, const Matrix& b, float tolerance = 1e-5f);

}  // namespace dravo::test
