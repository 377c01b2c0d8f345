#pragma once

// The transfer window, "Export tricks to PAK": the installed tricks and skins of the program's own archive
// on the left, an export PAK on the right, and the buttons that copy between them. Its rules live in the
// editor's TrickTransfer; the window shows that object's lists and calls its button methods.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QListWidget;
class QPushButton;

namespace dravo {

class TrickTransfer;
class TVellButton;

class TTxTrxForm : public QDialog {
  Q_OBJECT

 public:
  explicit TTxTrxForm(QWidget* owner = nullptr);

  // Shows the window modally over `transfer`; true when it was closed with "Save".
  bool Execute(TrickTransfer& transfer);
  // The main window's side-panel picture, tiled behind the lists.
  void SetBackgroundPicture(const QPixmap& tile);

  QListWidget* SrcListBox() const { return m_src; }
  QListWidget* DstListBox() const { return m_dst; }
  QPushButton* ExportBtn() const { return m_exportBtn; }
  QPushButton* ImportBtn() const { return m_importBtn; }
  QPushButton* RevertBtn() const { return m_revertBtn; }
  TVellButton* NewPakBtn() const { return m_newPakBtn; }
  TVellButton* OpenPakBtn() const { return m_openPakBtn; }
  TVellButton* SaveBtn() const { return m_saveBtn; }
  QPushButton* Button1() const { return m_okBtn; }
  QPushButton* CancelBtn() const { return m_cancelBtn; }

  // Shows the transfer object's lists and button states again.
  void Refresh();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void run(void (TrickTransfer::*action)());
  void takeSelection();

  TrickTransfer* m_transfer = nullptr;
  QPixmap m_tile;
  QListWidget* m_src;
  QListWidget* m_dst;
  QPushButton* m_exportBtn;
  QPushButton* m_importBtn;
  QPushButton* m_revertBtn;
  TVellButton* m_newPakBtn;
  TVellButton* m_openPakBtn;
  TVellButton* m_saveBtn;
  QPushButton* m_okBtn;
  QPushButton* m_cancelBtn;
  bool m_refreshing = false;
};

}  // namespace dravo
