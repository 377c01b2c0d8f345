#pragma once

// The editor's host in the Qt window: the program's message box for notices and questions, Qt's message
// boxes for the platform's, Qt's file and colour dialogs, the help window, the two timers, the transfer
// window, the progress of a GIF export and the busy cursor. Run unattended (--screenshot), it opens no
// dialog: notices go to the error stream, questions are answered No and choosers are cancelled.

#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "editor/editor_host.h"
#include "render/panel_prompter.h"

class QProgressDialog;
class QWidget;

namespace dravo {

class TDXView;
class THelpWindow;
class TKelMsg;
class TTxTrxForm;

// A picture file read by the program's own readers (what the skins take), for previews; null when they
// refuse it.
QImage LoadPicture(const QString& path);

class TQtEditorHost : public EditorHost, public TDXPrompter {
 public:
  struct Windows {
    QWidget* owner = nullptr;
    TDXView* view = nullptr;
    TKelMsg* messageBox = nullptr;
    TTxTrxForm* transfer = nullptr;
    THelpWindow* help = nullptr;
  };

  TQtEditorHost(Windows windows, bool unattended);
  ~TQtEditorHost() override;

  // The timers' ticks.
  std::function<void()> OnFrameTimer;
  std::function<void()> OnJoystickTimer;

  bool Unattended() const { return m_unattended; }
  const QTimer& FrameTimer() const { return m_frameTimer; }
  const QTimer& JoystickTimer() const { return m_joystickTimer; }
  // Closes the progress dialog of an export that ended early (an error or a cancel).
  void EndProgress();

  // ---- EditorHost ----
  bool KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) override;
  SaveChoice AskToSave(const std::string& text, const std::string& caption) override;
  void PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon icon) override;
  void ShowError(const std::string& text) override;
  std::optional<std::string> ChooseOpenPak() override;
  std::optional<std::string> ChooseSavePak() override;
  std::optional<std::string> ChooseImageFile(const std::string& current, const std::string& filter) override;
  std::optional<TColor> ChooseColor(TColor initial) override;
  void RepaintView() override;
  void ShowHelpTopic(const std::string& file, const std::string& topic) override;
  void SetTimer(EditorTimer timer, bool enabled, int intervalMs) override;
  bool ShowTransferWindow(TrickTransfer& transfer) override;
  void SetBusy(bool busy) override;
  std::optional<std::string> ChooseSaveGif(const std::string& suggested) override;
  std::optional<std::string> ChooseSaveGltf(const std::string& suggested) override;
  std::optional<std::string> ChooseOpenGltf() override;
  bool ExportProgress(int done, int total) override;

  // ---- TDXPrompter: the 3D panel's messages ----
  TMsgAnswer Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                  TMsgIcon icon) override;

 private:
  void note(const std::string& caption, const std::string& text) const;

  Windows m_windows;
  bool m_unattended;
  QString m_lastGifFolder;   // where the last GIF went, offered again
  QString m_lastGltfFolder;  // where the last glTF file went or came from
  QTimer m_frameTimer;
  QTimer m_joystickTimer;
  QPointer<QProgressDialog> m_progress;
  int m_busy = 0;
};

}  // namespace dravo
