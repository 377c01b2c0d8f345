#include "app/qt_editor_host.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMessageBox>
#include <QProgressDialog>
#include <cstdio>
#include <exception>

#include "app/app_look.h"
#include "app/colour_swatch.h"
#include "app/help_window.h"
#include "app/message_box.h"
#include "app/transfer_window.h"
#include "app/view_widget.h"
#include "formats/image_file.h"
#include "widgets/picture_preview_dialog.h"
#include "widgets/property_tree.h"

namespace dravo {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

QMessageBox::Icon QtIcon(TMsgIcon icon) {
  switch (icon) {
    case TMsgIcon::Information:
      return QMessageBox::Information;
    case TMsgIcon::Warning:
      return QMessageBox::Warning;
    case TMsgIcon::Question:
      return QMessageBox::Question;
    case TMsgIcon::Error:
      return QMessageBox::Critical;
    case TMsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

// Dialogs belong to the window the user is working in: the transfer window while it is open.
QWidget* DialogOwner(QWidget* fallback) {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return fallback;
}

std::optional<std::string> RunFileDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

}  // namespace

QImage LoadPicture(const QString& path) {
  try {
    const Bitmap bitmap = LoadImageFile(path.toStdString());
    const std::vector<std::uint8_t> rgba = bitmap.toRgba();
    QImage image(rgba.data(), bitmap.width(), bitmap.height(), bitmap.width() * 4, QImage::Format_RGBA8888);
    return image.copy();
  } catch (const std::exception&) {
    return {};
  }
}

TQtEditorHost::TQtEditorHost(Windows windows, bool unattended)
    : m_windows(windows), m_unattended(unattended) {
  m_frameTimer.setObjectName(QStringLiteral("FrameTimer"));
  m_joystickTimer.setObjectName(QStringLiteral("JoystickTimer"));
  m_joystickTimer.setInterval(50);
  QObject::connect(&m_frameTimer, &QTimer::timeout, [this] {
    if (OnFrameTimer) OnFrameTimer();
  });
  QObject::connect(&m_joystickTimer, &QTimer::timeout, [this] {
    if (OnJoystickTimer) OnJoystickTimer();
  });
}

TQtEditorHost::~TQtEditorHost() {
  EndProgress();
  while (m_busy > 0)
    SetBusy(false);
}

void TQtEditorHost::note(const std::string& caption, const std::string& text) const {
  std::fprintf(stderr, "dravo-kit: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ", text.c_str());
}

SaveChoice TQtEditorHost::AskToSave(const std::string& text, const std::string& caption) {
  if (m_unattended) {
    note(caption, text);
    return SaveChoice::Discard;
  }
  if (m_windows.messageBox) return m_windows.messageBox->AskToSave(Q(text), Q(caption));
  TKelMsg window;
  return window.AskToSave(Q(text), Q(caption));
}

bool TQtEditorHost::KelMsgBox(const std::string& text, const std::string& caption, bool yesNo) {
  if (m_unattended) {
    note(caption, text);
    return !yesNo;
  }
  if (m_windows.messageBox) return dravo::KelMsgBox(*m_windows.messageBox, Q(text), Q(caption), yesNo);
  return dravo::KelMsgBox(Q(text), Q(caption), yesNo);
}

void TQtEditorHost::PlatformMessageBox(const std::string& text, const std::string& caption, TMsgIcon icon) {
  if (m_unattended) return note(caption, text);
  // No owner: start-up shows these before the window is ready.
  QMessageBox box(QtIcon(icon), Q(caption), Q(text), QMessageBox::Ok);
  box.exec();
}

void TQtEditorHost::ShowError(const std::string& text) {
  if (m_unattended) return note("Error", text);
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Dravo Kit"), Q(text), QMessageBox::Ok,
                  DialogOwner(m_windows.owner));
  box.exec();
}

std::optional<std::string> TQtEditorHost::ChooseOpenPak() {
  if (m_unattended) return std::nullopt;
  QFileDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Open"));
  dialog.setObjectName(QStringLiteral("OpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(TVirtualPropertyTree::ToQtFilter(QStringLiteral("MVA PAK files (*.pak)|*.PAK;*.pak")));
  dialog.setDefaultSuffix(QStringLiteral("pak"));
  return RunFileDialog(dialog);
}

std::optional<std::string> TQtEditorHost::ChooseSavePak() {
  if (m_unattended) return std::nullopt;
  QFileDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Save As"));
  dialog.setObjectName(QStringLiteral("SaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilter(TVirtualPropertyTree::ToQtFilter(QStringLiteral("MVA PAK files (*.pak)|*.pak")));
  dialog.setDefaultSuffix(QStringLiteral("pak"));
  return RunFileDialog(dialog);
}

std::optional<std::string> TQtEditorHost::ChooseImageFile(const std::string& current,
                                                          const std::string& filter) {
  if (m_unattended) return std::nullopt;
  TPicturePreviewDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Open"), Q(current),
                               TVirtualPropertyTree::ToQtFilter(Q(filter)), LoadPicture);
  return RunFileDialog(dialog);
}

std::optional<TColor> TQtEditorHost::ChooseColor(TColor initial) {
  if (m_unattended) return std::nullopt;
  QColorDialog dialog(ToQColor(initial), DialogOwner(m_windows.owner));
  dialog.setObjectName(QStringLiteral("ColorDialog"));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return FromQColor(dialog.selectedColor());
}

void TQtEditorHost::RepaintView() {
  if (m_windows.view) m_windows.view->RequestRepaint();
}

void TQtEditorHost::ShowHelpTopic(const std::string& file, const std::string& topic) {
  if (m_unattended || !m_windows.help) return;
  m_windows.help->ShowTopic(Q(file), Q(topic));
}

void TQtEditorHost::SetTimer(EditorTimer timer, bool enabled, int intervalMs) {
  QTimer& t = timer == EditorTimer::Frame ? m_frameTimer : m_joystickTimer;
  if (intervalMs > 0) t.setInterval(intervalMs);
  if (!enabled) {
    t.stop();
  } else if (!t.isActive()) {
    t.start();
  }
}

bool TQtEditorHost::ShowTransferWindow(TrickTransfer& transfer) {
  if (m_unattended || !m_windows.transfer) return false;
  m_windows.transfer->SetBackgroundPicture(SidePanelTile());
  return m_windows.transfer->Execute(transfer);
}

void TQtEditorHost::SetBusy(bool busy) {
  if (busy) {
    ++m_busy;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (m_busy > 0) {
    --m_busy;
    QApplication::restoreOverrideCursor();
  }
}

std::optional<std::string> TQtEditorHost::ChooseSaveGif(const std::string& suggested) {
  if (m_unattended) return std::nullopt;
  QFileDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Save animated GIF As"));
  dialog.setObjectName(QStringLiteral("GifSaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  const QStringList filters =
      TVirtualPropertyTree::ToQtFilter(QStringLiteral("GIF files (*.gif)|*.gif")).split(QStringLiteral(";;"));
  dialog.setNameFilters(filters);
  dialog.selectNameFilter(filters.first());
  if (!m_lastGifFolder.isEmpty()) dialog.setDirectory(m_lastGifFolder);
  dialog.selectFile(Q(suggested));
  std::optional<std::string> chosen = RunFileDialog(dialog);
  if (chosen) m_lastGifFolder = QFileInfo(Q(*chosen)).absolutePath();
  return chosen;
}

namespace {

const QString kGltfFilter = QStringLiteral("glTF files (*.glb;*.gltf)|*.glb;*.gltf");

}  // namespace

std::optional<std::string> TQtEditorHost::ChooseSaveGltf(const std::string& suggested) {
  if (m_unattended) return std::nullopt;
  QFileDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Export glTF"));
  dialog.setObjectName(QStringLiteral("GltfSaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(TVirtualPropertyTree::ToQtFilter(kGltfFilter).split(QStringLiteral(";;")));
  if (!m_lastGltfFolder.isEmpty()) dialog.setDirectory(m_lastGltfFolder);
  dialog.selectFile(Q(suggested));
  std::optional<std::string> chosen = RunFileDialog(dialog);
  if (chosen) {
    // A name typed without either extension is written as binary glTF.
    const QString lower = Q(*chosen).toLower();
    if (!lower.endsWith(QStringLiteral(".glb")) && !lower.endsWith(QStringLiteral(".gltf")))
      *chosen += ".glb";
    m_lastGltfFolder = QFileInfo(Q(*chosen)).absolutePath();
  }
  return chosen;
}

std::optional<std::string> TQtEditorHost::ChooseOpenGltf() {
  if (m_unattended) return std::nullopt;
  QFileDialog dialog(DialogOwner(m_windows.owner), QStringLiteral("Import glTF animation"));
  dialog.setObjectName(QStringLiteral("GltfOpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters(TVirtualPropertyTree::ToQtFilter(kGltfFilter).split(QStringLiteral(";;")));
  if (!m_lastGltfFolder.isEmpty()) dialog.setDirectory(m_lastGltfFolder);
  std::optional<std::string> chosen = RunFileDialog(dialog);
  if (chosen) m_lastGltfFolder = QFileInfo(Q(*chosen)).absolutePath();
  return chosen;
}

bool TQtEditorHost::ExportProgress(int done, int total) {
  if (m_unattended) return true;
  if (!m_progress) {
    m_progress = new QProgressDialog(QStringLiteral("Writing the animated GIF…"), QStringLiteral("Cancel"), 0,
                                     total, m_windows.owner);
    m_progress->setObjectName(QStringLiteral("GifProgress"));
    m_progress->setWindowTitle(QStringLiteral("Animated GIF"));
    m_progress->setWindowModality(Qt::WindowModal);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    m_progress->show();
  }
  m_progress->setMaximum(total);
  m_progress->setLabelText(
      QStringLiteral("Writing frame %1 of %2…").arg(std::min(done + 1, total)).arg(total));
  m_progress->setValue(done);
  // The view repaints and the Cancel button answers between frames.
  QApplication::processEvents();
  const bool go_on = !m_progress->wasCanceled();
  if (done >= total || !go_on) EndProgress();
  return go_on;
}

void TQtEditorHost::EndProgress() {
  if (!m_progress) return;
  m_progress->close();
  m_progress->deleteLater();
  m_progress = nullptr;
}

TMsgAnswer TQtEditorHost::Show(const std::string& text, const std::string& caption, TMsgButtons buttons,
                               TMsgIcon icon) {
  const bool question = buttons == TMsgButtons::YesNo;
  if (m_unattended) {
    note(caption, text);
    return question ? TMsgAnswer::No : TMsgAnswer::Ok;
  }
  QMessageBox box(QtIcon(icon), Q(caption), Q(text),
                  question ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok,
                  m_windows.view ? static_cast<QWidget*>(m_windows.view) : m_windows.owner);
  const int answer = box.exec();
  if (!question) return TMsgAnswer::Ok;
  return answer == QMessageBox::Yes ? TMsgAnswer::Yes : TMsgAnswer::No;
}

}  // namespace dravo
