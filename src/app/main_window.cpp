// The main window's life: construction, start-up once the view can draw, closing, release, and the
// dispatch of the editor's change bits to the parts of the window that show them.
#include "app/main_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QStatusBar>
#include <exception>

#include "app/app_look.h"
#include "app/help_window.h"
#include "app/icons.h"
#include "app/message_box.h"
#include "app/qt_editor_host.h"
#include "app/transfer_window.h"
#include "app/view_widget.h"
#include "platform/game_search.h"
#include "widgets/tween_bar.h"

namespace dravo {

TDravoUForm::TDravoUForm(KitSettings settings, QWidget* parent)
    : QMainWindow(parent), m_settings(std::move(settings)) {
  qRegisterMetaType<StartupResult>();
  setObjectName(QStringLiteral("DravoUForm"));
  setWindowTitle(QStringLiteral("Dravo Kit"));
  setWindowIcon(SvgIcon(QStringLiteral("dravo-kit")));
  setMinimumSize(kMinWidth, kMinHeight);
  resize(kWidth, kHeight);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }

  buildToolBar();
  auto* central = new QWidget(this);
  central->setObjectName(QStringLiteral("ClientArea"));
  auto* layout = new QHBoxLayout(central);
  layout->setContentsMargins(4, 4, 0, 0);
  layout->setSpacing(4);
  // The side panel can be widened by its splitter; the view takes the rest.
  m_splitter = new QSplitter(Qt::Horizontal, central);
  m_splitter->setObjectName(QStringLiteral("SideSplitter"));
  m_splitter->setChildrenCollapsible(false);
  m_splitter->setHandleWidth(4);
  m_splitter->addWidget(buildViewArea());
  m_splitter->addWidget(buildSidePanel());
  m_splitter->setStretchFactor(0, 1);
  m_splitter->setStretchFactor(1, 0);
  layout->addWidget(m_splitter, 1);
  setCentralWidget(central);
  buildStatusBar();
  buildShortcuts();

  // The message box and the transfer window are made once, after the main window, and reused.
  m_msg = new TKelMsg(this);
  m_transfer = new TTxTrxForm(this);
  m_help = new THelpWindow(this);

  m_host = std::make_unique<TQtEditorHost>(TQtEditorHost::Windows{this, m_view, m_msg, m_transfer, m_help},
                                           m_settings.unattended);
  m_host->OnFrameTimer = [this] { act([](TDravoEditor& ed) { ed.FrameTimerTimer(); }); };
  m_host->OnJoystickTimer = [this] { act([](TDravoEditor& ed) { ed.JoystickTimerTimer(); }); };

  m_panel = std::make_unique<TVellDXPanel>(m_view->Direct3DFactory(), m_host.get());
  m_panel->WindowHandle = m_view;
  m_panel->OnInvalidate = [this] { m_view->RequestRepaint(); };

  EditorConfig config;
  config.optionsFile = OptionsFilePath(m_settings.env);
  config.stateFile = StateFilePath(m_settings.env);
  config.gameFolder = m_settings.gameFolder;
  m_editor = std::make_unique<TDravoEditor>(std::move(config), *m_panel, *m_host);
  m_editor->OnChange = [this](std::uint32_t bits) { Refresh(bits); };
  restoreLayout();

  bindView();
  connect(m_view, &TDXView::ContextReady, this, &TDravoUForm::runStartup);
}

TDravoUForm::~TDravoUForm() {
  // The editor goes first (it releases models and textures on the device), then the device, while the
  // view and its OpenGL context still exist.
  m_view->OnPaintFrame = nullptr;
  m_view->OnRenderPicture = nullptr;
  m_view->OnMouseDown = nullptr;
  m_view->OnMouseMove = nullptr;
  m_view->OnMouseUp = nullptr;
  if (m_editor) {
    m_editor->OnChange = nullptr;
    m_editor->FormDestroy();
    m_editor.reset();
  }
  m_panel.reset();
  m_host.reset();
}

void TDravoUForm::runStartup() {
  if (m_started) return;
  try {
    m_startup = m_editor->FormCreate();
  } catch (const std::exception& e) {
    m_host->PlatformMessageBox(e.what(), TDravoEditor::kCorruptCaption, TMsgIcon::Information);
    m_startup = StartupResult::Terminated;
  }
  m_started = true;
  if (m_startup == StartupResult::Terminated) {
    // A start-up failure ends the program; no option is written.
    m_closing = true;
    emit startupFinished(m_startup);
    return;
  }
  act([](TDravoEditor& ed) { ed.FormShow(); });
  m_msg->SetBackgroundPicture(SidePanelTile());
  if (m_startup == StartupResult::Running) {
    // The next start finds the game without being told.
    try {
      RememberGameFolder(StateFilePath(m_settings.env), m_editor->GameFolder());
    } catch (const std::exception&) {
      // Not remembering is no reason to stop.
    }
  }
  Refresh(changes::All);
  m_view->RequestRepaint();
  m_view->setFocus(Qt::OtherFocusReason);
  emit startupFinished(m_startup);
}

void TDravoUForm::restoreLayout() {
  // Read through the editor's options, so a damaged file is still reported once, by the editor.
  TRmxOptions& options = m_editor->Options();
  const auto stored = [&](std::string_view name) {
    return QByteArray::fromBase64(QByteArray::fromStdString(options.ReadString(name, "")));
  };
  if (const QByteArray geometry = stored(options::WindowGeometry); !geometry.isEmpty()) {
    restoreGeometry(geometry);
  }
  if (const QByteArray side = stored(options::SidePanel); !side.isEmpty()) m_splitter->restoreState(side);
}

void TDravoUForm::closeEvent(QCloseEvent* event) {
  if (!m_closing && running()) {
    m_editor->RememberLayout(
        {saveGeometry().toBase64().toStdString(), m_splitter->saveState().toBase64().toStdString()});
    bool close = true;
    act([&](TDravoEditor& ed) { close = ed.FormClose(); });
    if (!close) {
      // A save the user asked for failed: the work stays open.
      event->ignore();
      return;
    }
    m_closing = true;
  }
  m_host->SetTimer(EditorTimer::Frame, false, 0);
  m_host->SetTimer(EditorTimer::Joystick, false, 0);
  m_help->close();
  event->accept();
}

bool TDravoUForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == m_tweenBar && m_editor && running()) {
    switch (event->type()) {
      case QEvent::Enter:
      case QEvent::MouseButtonRelease:
        statusBar()->showMessage(QString::fromStdString(m_editor->RepeatTweenHint()));
        break;
      case QEvent::Leave:
        statusBar()->clearMessage();
        break;
      default:
        break;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TDravoUForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  fitToolBar();
}

void TDravoUForm::act(const std::function<void(TDravoEditor&)>& action) {
  if (m_refreshing || !m_editor || !running()) return;
  try {
    action(*m_editor);
  } catch (const std::exception& e) {
    m_host->ShowError(e.what());
  }
}

void TDravoUForm::Refresh(std::uint32_t bits) {
  if (!m_editor) return;
  const bool wasRefreshing = m_refreshing;
  m_refreshing = true;
  refreshToolBar(bits);
  refreshStatus(bits);
  refreshView(bits);
  refreshFrames(bits);
  refreshTricks(bits);
  refreshSetup(bits);
  refreshSkins(bits);
  if (bits & (changes::Marks | changes::Parts | changes::Catalogue))
    setWindowTitle(QString::fromStdString(m_editor->WindowTitle()));
  m_refreshing = wasRefreshing;
}

}  // namespace dravo
