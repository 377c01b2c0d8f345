#pragma once

// The program's message box (TKelMsg): the side-panel picture, the text and its buttons, asked modally.

#include <QDialog>
#include <QPixmap>

#include "editor/editor_host.h"

class QLabel;
class QPushButton;

namespace dravo {

// The program's one message window, made once and reused for every notice and yes/no question
// after start-up: 374 × 149, modal, centred on its owner.
class TKelMsg : public QDialog {
  Q_OBJECT

 public:
  explicit TKelMsg(QWidget* owner = nullptr);

  // A non-empty caption replaces the window's caption; the text and the buttons are set, the
  // window is shown modally. True only when it was closed with OKBtn ("Yes" or "Ok"); "No", the
  // close box and Escape give false.
  bool Ask(const QString& text, const QString& caption, bool yesNo);
  // A question about unsaved work with "Yes", "No" and "Cancel"; the close box and Escape are Cancel.
  SaveChoice AskToSave(const QString& text, const QString& caption);

  // The look given when the main window is first shown: its side-panel picture, tiled.
  void SetBackgroundPicture(const QPixmap& tile);

  QLabel* MsgText() const { return m_msgText; }
  QPushButton* OKBtn() const { return m_okBtn; }
  QPushButton* CancelBtn() const { return m_cancelBtn; }
  QPushButton* AbortBtn() const { return m_abortBtn; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QLabel* m_msgText;
  QPushButton* m_okBtn;
  QPushButton* m_cancelBtn;  // "No"
  QPushButton* m_abortBtn;   // "Cancel", shown only by AskToSave
  bool m_threeWay = false;
  QLabel* m_image;
  QPixmap m_tile;
};

// Shows a message ("Ok") or a question ("Yes"/"No") in the window; true for Ok or Yes.
bool KelMsgBox(TKelMsg& window, const QString& text, const QString& caption, bool yesNo);
// The same in a window made for this one call (the window passes its own to the editor's host).
bool KelMsgBox(const QString& text, const QString& caption, bool yesNo);

}  // namespace dravo
