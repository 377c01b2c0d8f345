#pragma once

// The editor started headless on a game for one command: its own scratch options and state (the user's
// settings are neither read nor changed), a host that answers No and keeps every notice, and a trick
// selected by name.
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli.h"
#include "editor/dravo_editor.h"
#include "editor/view_rules.h"

namespace dravo::cli {

// Nobody answers: questions get No; notices and errors are kept and told afterwards.
class HeadlessHost : public SilentEditorHost, public TDXPrompter {
 public:
  std::vector<std::string> notes;
  std::string fatal;

  bool KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) override;
  void PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon icon) override;
  void ShowError(const std::string& text) override { notes.push_back(text); }
  // The panel's own messages and questions (device fall-backs).
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon icon) override;

  // Writes the kept notices to stderr.
  void tell() const;
};

struct HeadlessArgs {
  std::string game;
  std::string trick;
  std::string rider;    // the editor's default when empty
  std::string machine;  // likewise
  std::string view = "Front";
  int zoom = 90;                   // the zoom bar's position
  std::optional<Resolution> size;  // the view's default back buffer when empty
  std::string lighting = "yes";    // the "Lighting" box: yes or no
  bool wire = false;               // the "Wire mode" box
};

// The options of every headless command: --game, --trick, --rider, --machine, --view, --zoom, --lighting
// and --wire.
void AddHeadlessOptions(CLI::App* command, HeadlessArgs& args);
// Only --game, --trick, --rider and --machine: for the commands that draw no picture.
void AddTrickOptions(CLI::App* command, HeadlessArgs& args);

class HeadlessEditor {
 public:
  // Checks the arguments, starts the editor and selects the trick; bad input throws InputError.
  explicit HeadlessEditor(const HeadlessArgs& args);
  ~HeadlessEditor();
  HeadlessEditor(const HeadlessEditor&) = delete;
  HeadlessEditor& operator=(const HeadlessEditor&) = delete;

  TDravoEditor& editor() { return *m_editor; }
  HeadlessHost& host() { return m_host; }
  // The trick's file name as the options keep it ("nacnac.mot").
  const std::string& trickFile() const { return m_trickFile; }

 private:
  // The run's own options and state; made first and so removed last, also when the start fails.
  struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
  };

  ScratchFolder m_scratch;
  std::string m_trickFile;
  HeadlessHost m_host;
  std::unique_ptr<TVellDXPanel> m_panel;
  std::unique_ptr<TDravoEditor> m_editor;
};

}  // namespace dravo::cli
