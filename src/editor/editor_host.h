#pragma once

// How the editor core reaches people and the window: every question, notice, chooser, repaint,
// help page and timer goes through this interface, which the Qt window implements with widgets
// and the tests implement with scripted answers. The core never shows anything by itself.

#include <cstdint>
#include <optional>
#include <string>

#include "core/colour.h"
#include "render/panel_prompter.h"

namespace dravo {

class TrickTransfer;

// The answers to a question about unsaved work: save it, go on without it, or do nothing.
enum class SaveChoice { Save, Discard, Cancel };

// The two clocks of the main window. The window runs them and calls the editor's tick methods
// (FrameTimerTimer, JoystickTimerTimer) while they are enabled.
enum class EditorTimer { Frame, Joystick };

class EditorHost {
 public:
  virtual ~EditorHost() = default;

  // The program's own message box: a notice (yesNo false, "Ok") or a question ("Yes"/"No").
  // True for Ok or Yes.
  virtual bool KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) = 0;
  // A question that guards unsaved work, with "Yes", "No" and "Cancel"; closing the box or Escape
  // is Cancel. A host without a Cancel button asks the yes/no question.
  virtual SaveChoice AskToSave(const std::string& text, const std::string& caption) {
    return KelMsgBox(text, caption, true) ? SaveChoice::Save : SaveChoice::Discard;
  }
  // The platform's message box, OK only, used during start-up before the program's own box
  // exists and for the few messages the window owns directly.
  virtual void PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon icon) = 0;
  // An error that ended a user action (a file that cannot be opened or created, an image the
  // readers refuse): the application's error box with the error's own text.
  virtual void ShowError(const std::string& text) = 0;

  // File choosers; nullopt when the user cancels. `filter` is in the pipe form
  // "Description|*.a;*.b|...".
  virtual std::optional<std::string> ChooseOpenPak() = 0;
  virtual std::optional<std::string> ChooseSavePak() = 0;
  virtual std::optional<std::string> ChooseImageFile(const std::string& current,
                                                     const std::string& filter) = 0;
  // The colour dialog, opened at `initial`; nullopt when cancelled.
  virtual std::optional<TColor> ChooseColor(TColor initial) = 0;

  // The 3D view needs painting (the window invalidates it; a paint runs the panel's frame).
  virtual void RepaintView() = 0;
  // Opens a help file at a topic; an empty topic means its table of contents.
  virtual void ShowHelpTopic(const std::string& file, const std::string& topic) = 0;
  // A timer was switched or its interval changed.
  virtual void SetTimer(EditorTimer timer, bool enabled, int intervalMs) = 0;
  // Shows the transfer window modally over `transfer`; true when it was closed with "Save".
  virtual bool ShowTransferWindow(TrickTransfer& transfer) = 0;
  // The hourglass cursor on or off around longer work.
  virtual void SetBusy(bool /*busy*/) {}
  // The GIF export's save dialog: title "Save animated GIF As", filter "GIF files (*.gif)|*.gif",
  // the first filter selected, `suggested` ("backflip.gif") offered in the folder used last.
  // nullopt when cancelled.
  virtual std::optional<std::string> ChooseSaveGif(const std::string& /*suggested*/) { return std::nullopt; }
  // A GIF export has written `done` of `total` frames (0 before the first). The window shows it
  // in a progress dialog with Cancel and lets pending messages through; false cancels the export.
  virtual bool ExportProgress(int /*done*/, int /*total*/) { return true; }
  // "Export glTF…": a save dialog for ".glb" and ".gltf" files offering `suggested` ("backflip.glb");
  // "Import glTF animation…": an open dialog for the same files. nullopt when cancelled.
  virtual std::optional<std::string> ChooseSaveGltf(const std::string& /*suggested*/) { return std::nullopt; }
  virtual std::optional<std::string> ChooseOpenGltf() { return std::nullopt; }
};

// Nobody there: questions get No, choosers are cancelled, nothing is shown. A base for hosts that
// answer only a few of the calls.
class SilentEditorHost : public EditorHost {
 public:
  bool KelMsgBox(const std::string&, const std::string&, bool) override { return false; }
  void PlatformMessageBox(const std::string&, const std::string&, TMsgIcon) override {}
  void ShowError(const std::string&) override {}
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
};

// What changed, for the window to refresh the widgets bound to it. Several bits may come at
// once; the view's repaint is asked for separately through EditorHost::RepaintView.
namespace changes {
inline constexpr std::uint32_t Catalogue = 1u << 0;      // MOTSelectBox items or selection
inline constexpr std::uint32_t Parts = 1u << 1;          // TweenList items, checks, enabled states
inline constexpr std::uint32_t EditSide = 1u << 2;       // RiderEdit / BikeEdit
inline constexpr std::uint32_t Frame = 1u << 3;          // CurrentFrame, FrameBar position
inline constexpr std::uint32_t FrameCount = 1u << 4;     // FrameCount, its label, FrameBar maximum, tween bar
inline constexpr std::uint32_t Playback = 1u << 5;       // Play button, frame rate, FrameBar and GIF enabled
inline constexpr std::uint32_t Clipboard = 1u << 6;      // Paste enabled
inline constexpr std::uint32_t Undo = 1u << 7;           // Undo button enabled and caption
inline constexpr std::uint32_t Marks = 1u << 8;          // the status bar's modified sign
inline constexpr std::uint32_t Status = 1u << 9;         // the status bar's text
inline constexpr std::uint32_t ModelLists = 1u << 10;    // rider and machine lists
inline constexpr std::uint32_t Textures = 1u << 11;      // the skins list
inline constexpr std::uint32_t ViewSettings = 1u << 12;  // zoom, view, colours, check boxes of the view
inline constexpr std::uint32_t Axes = 1u << 13;          // the posing latch buttons
inline constexpr std::uint32_t Setup = 1u << 14;         // "Save to Common PAK", resolution list, rollouts
inline constexpr std::uint32_t TweenBar = 1u << 15;      // the key-frame bar's drag state
inline constexpr std::uint32_t All = 0xFFFFu;
}  // namespace changes

}  // namespace dravo
