// The toolbar (Gif, glTF, Save this trick, Import or Export tricks, Undo, Copy, Paste, Play, Help, Exit), the
// status bar with its "MODIFIED" sign, the keyboard shortcuts and the GIF export.
#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QResizeEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/icons.h"
#include "app/main_window.h"
#include "app/modified_panel.h"
#include "app/qt_editor_host.h"
#include "app/view_widget.h"
#include "widgets/latch_button.h"

namespace dravo {

namespace {

TVellButton* ToolButton(QWidget* parent, const char* name, const QString& caption, const char* icon,
                        const QString& hint) {
  auto* b = new TVellButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setIcon(SvgIcon(QString::fromLatin1(icon)));
  b->setIconSize(QSize(20, 20));
  b->setToolTip(hint);
  b->setAccessibleName(caption);
  b->SetShadowStrength(0);
  b->setFixedHeight(34);
  b->setFocusPolicy(Qt::TabFocus);
  return b;
}

}  // namespace

void TDravoUForm::buildToolBar() {
  auto* bar = new QToolBar(QStringLiteral("Toolbar"), this);
  m_toolBar = bar;
  bar->setObjectName(QStringLiteral("ToolBar"));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setContextMenuPolicy(Qt::PreventContextMenu);
  bar->setStyleSheet(QStringLiteral("QToolBar { spacing: 3px; padding: 3px 4px; }"));

  m_gifBtn = ToolButton(bar, "MakeGifBtn", QStringLiteral("Gif"), "gif",
                        QStringLiteral("Make an animated GIF for this trick (Ctrl+E)"));
  m_gltfBtn =
      ToolButton(bar, "GltfBtn", QStringLiteral("glTF"), "gltf",
                 QStringLiteral("Export the trick to a 3D package, or import an animation made there"));
  m_gltfMenu = new QMenu(m_gltfBtn);
  m_gltfMenu->setObjectName(QStringLiteral("GltfMenu"));
  QAction* exportGltf = m_gltfMenu->addAction(QStringLiteral("Export glTF…"));
  exportGltf->setObjectName(QStringLiteral("ActionExportGltf"));
  QAction* importGltf = m_gltfMenu->addAction(QStringLiteral("Import glTF animation…"));
  importGltf->setObjectName(QStringLiteral("ActionImportGltf"));
  m_saveTrickBtn = ToolButton(bar, "SaveTrickBtn", QStringLiteral("Save this trick"), "save",
                              QStringLiteral("Save this trick into your $dravo.pak and the game (Ctrl+S)"));
  m_pakBtn = ToolButton(bar, "PakBtn", QStringLiteral("Import or Export tricks"), "transfer",
                        QStringLiteral("Exchange tricks and skins with other players as PAK files (Ctrl+I)"));
  m_undoBtn = ToolButton(
      bar, "UndoBtn", QStringLiteral("Undo"), "undo",
      QStringLiteral("Undo or Redo the last action (Ctrl+Z undoes, Ctrl+Shift+Z or Ctrl+Y redoes)"));
  m_copyBtn = ToolButton(bar, "CopyBtn", QStringLiteral("Copy"), "copy",
                         QStringLiteral("Copy the pose for the current frame to clipboard (Ctrl+C)"));
  m_pasteBtn = ToolButton(bar, "PasteBtn", QStringLiteral("Paste"), "paste",
                          QStringLiteral("Paste the pose on the clipboard into the current frame (Ctrl+V)"));
  m_playBtn = ToolButton(bar, "PlayAnimBtn", QStringLiteral("Play"), "play",
                         QStringLiteral("Play the trick (Space)"));
  m_playBtn->SetCanLatch(true);
  m_helpBtn =
      ToolButton(bar, "HelpBtn", QStringLiteral("Help"), "help", QStringLiteral("Open the help (F1)"));
  m_exitBtn = ToolButton(bar, "ExitBtn", QStringLiteral("Exit"), "exit", QStringLiteral("Close Dravo Kit"));
  // Undo and Play change their captions; they keep the width of the longer one.
  m_undoBtn->setMinimumWidth(m_undoBtn->sizeHint().width() + 4);
  m_playBtn->setMinimumWidth(m_playBtn->sizeHint().width() + 4);

  bar->addWidget(m_gifBtn);
  bar->addWidget(m_gltfBtn);
  bar->addWidget(m_saveTrickBtn);
  bar->addWidget(m_pakBtn);
  bar->addSeparator();
  bar->addWidget(m_undoBtn);
  // The history: every step since the trick was loaded, the applied ones checked; picking one goes
  // back or forward to just after it.
  m_historyBtn = new QToolButton(bar);
  m_historyBtn->setObjectName(QStringLiteral("UndoHistoryBtn"));
  m_historyBtn->setArrowType(Qt::DownArrow);
  m_historyBtn->setAutoRaise(true);
  m_historyBtn->setToolTip(QStringLiteral("Undo history (Ctrl+Z undoes, Ctrl+Shift+Z or Ctrl+Y redoes)"));
  m_historyBtn->setPopupMode(QToolButton::InstantPopup);
  // A narrow arrow beside Undo: the toolbar keeps its captions at the window's first size.
  m_historyBtn->setFixedWidth(16);
  m_historyBtn->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
  m_historyMenu = new QMenu(m_historyBtn);
  m_historyMenu->setObjectName(QStringLiteral("UndoHistoryMenu"));
  m_historyBtn->setMenu(m_historyMenu);
  connect(m_historyMenu, &QMenu::aboutToShow, this, &TDravoUForm::fillHistoryMenu);
  bar->addWidget(m_historyBtn);
  bar->addWidget(m_copyBtn);
  bar->addWidget(m_pasteBtn);
  // Paste's other ways, beside it as the history is beside Undo.
  m_pasteMenuBtn = new QToolButton(bar);
  m_pasteMenuBtn->setObjectName(QStringLiteral("PasteMenuBtn"));
  m_pasteMenuBtn->setArrowType(Qt::DownArrow);
  m_pasteMenuBtn->setAutoRaise(true);
  m_pasteMenuBtn->setToolTip(QStringLiteral("Paste, or paste mirrored (Ctrl+Shift+V)"));
  m_pasteMenuBtn->setPopupMode(QToolButton::InstantPopup);
  m_pasteMenuBtn->setFixedWidth(16);
  m_pasteMenuBtn->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
  auto* pasteMenu = new QMenu(m_pasteMenuBtn);
  pasteMenu->setObjectName(QStringLiteral("PasteMenu"));
  m_pasteMenuBtn->setMenu(pasteMenu);
  bar->addWidget(m_pasteMenuBtn);
  bar->addSeparator();
  bar->addWidget(m_playBtn);
  auto* spring = new QWidget(bar);
  spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  bar->addWidget(spring);
  bar->addWidget(m_helpBtn);
  bar->addWidget(m_exitBtn);
  addToolBar(Qt::TopToolBarArea, bar);

  connect(m_gifBtn, &TVellButton::clicked, this, &TDravoUForm::makeGif);
  connect(m_gltfBtn, &TVellButton::clicked, this,
          [this] { m_gltfMenu->popup(m_gltfBtn->mapToGlobal(QPoint(0, m_gltfBtn->height()))); });
  connect(exportGltf, &QAction::triggered, this, [this] {
    act([](TDravoEditor& ed) { ed.ExportGltfBtnClick(); });
    m_view->RequestRepaint();
  });
  connect(importGltf, &QAction::triggered, this, [this] {
    act([](TDravoEditor& ed) { ed.ImportGltfBtnClick(); });
    m_view->RequestRepaint();
  });
  connect(m_saveTrickBtn, &TVellButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.SaveTrickBtnClick(); }); });
  connect(m_pakBtn, &TVellButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.OpenTransfer(); }); });
  connect(m_undoBtn, &TVellButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.SwapSnapshot(); }); });
  connect(m_copyBtn, &TVellButton::clicked, this, [this] { act([](TDravoEditor& ed) { ed.CopyPose(); }); });
  connect(m_pasteBtn, &TVellButton::clicked, this, [this] { act([](TDravoEditor& ed) { ed.PastePose(); }); });
  m_playBtn->OnLatchChanged = [this](TVellButton*, bool latched) {
    act([latched](TDravoEditor& ed) { ed.PlayAnimBtnLatchChanged(latched); });
    // The editor may refuse (nothing loaded yet): the button shows what it decided.
    if (!m_refreshing) Refresh(changes::Playback);
  };
  connect(m_helpBtn, &TVellButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.HelpBtnClick(); }); });
  connect(m_exitBtn, &TVellButton::clicked, this, &TDravoUForm::close);
}

void TDravoUForm::fitToolBar() {
  if (m_toolBarFullWidth == 0) m_toolBarFullWidth = m_toolBar->sizeHint().width();
  const bool compact = width() < m_toolBarFullWidth;
  const struct {
    TVellButton* button;
    const char* caption;
  } longOnes[] = {{m_saveTrickBtn, "Save this trick"}, {m_pakBtn, "Import or Export tricks"}};
  for (const auto& b : longOnes) {
    const QString caption = compact ? QString() : QString::fromLatin1(b.caption);
    if (b.button->text() != caption) b.button->setText(caption);
  }
}

void TDravoUForm::buildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName(QStringLiteral("StatusBar"));
  bar->setSizeGripEnabled(true);
  m_modifiedPanel = new TModifiedPanel(bar);
  m_statusText = new QLabel(bar);
  m_statusText->setObjectName(QStringLiteral("StatusText"));
  m_versionLabel = new QLabel(bar);
  m_versionLabel->setObjectName(QStringLiteral("ver"));
  m_versionLabel->setToolTip(QStringLiteral("Dravo Kit version"));
  m_versionLabel->setContentsMargins(6, 0, 6, 0);
  bar->addWidget(m_modifiedPanel);
  bar->addWidget(m_statusText, 1);
  bar->addPermanentWidget(m_versionLabel);
}

void TDravoUForm::buildShortcuts() {
  const auto shortcut = [this](const char* name, const QKeySequence& keys,
                               const std::function<void(TDravoEditor&)>& action) {
    auto* a = new QAction(QString::fromLatin1(name), this);
    a->setObjectName(QStringLiteral("Action") + QString::fromLatin1(name));
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, [this, action] { act(action); });
    addAction(a);
    return a;
  };
  m_copyAction =
      shortcut("Copy", QKeySequence(Qt::CTRL | Qt::Key_C), [](TDravoEditor& ed) { ed.CopyPose(); });
  m_pasteAction =
      shortcut("Paste", QKeySequence(Qt::CTRL | Qt::Key_V), [](TDravoEditor& ed) { ed.PastePose(); });
  m_pasteMirroredAction = shortcut("PasteMirrored", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V),
                                   [](TDravoEditor& ed) { ed.PastePoseMirrored(); });
  m_pasteAction->setText(QStringLiteral("Paste"));
  m_pasteMirroredAction->setText(QStringLiteral("Paste mirrored"));
  m_pasteMirroredAction->setToolTip(QStringLiteral(
      "Paste the copied pose onto the other side: left parts into right ones, turns reflected"));
  m_pasteMenuBtn->menu()->addAction(m_pasteAction);
  m_pasteMenuBtn->menu()->addAction(m_pasteMirroredAction);
  m_undoAction = shortcut("Undo", QKeySequence(Qt::CTRL | Qt::Key_Z), [](TDravoEditor& ed) { ed.Undo(); });
  m_redoAction =
      shortcut("Redo", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [](TDravoEditor& ed) { ed.Redo(); });
  m_redoAction->setShortcuts(
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
  // Ctrl+A belongs to the text fields elsewhere: it ticks "Tween all parts" only from the view or the
  // part list.
  m_allAction = shortcut("All", QKeySequence(Qt::CTRL | Qt::Key_A), [this](TDravoEditor& ed) {
    const QWidget* focus = QApplication::focusWidget();
    const bool ours = focus && (focus == m_view || m_view->isAncestorOf(focus) || focus == m_tweenList ||
                                m_tweenList->isAncestorOf(focus));
    if (ours) ed.ToggleTweenAll();
  });

  // Playback and frames.
  shortcut("PlayStop", QKeySequence(Qt::Key_Space),
           [](TDravoEditor& ed) { ed.PlayAnimBtnLatchChanged(!ed.PlayAnimBtnLatched()); });
  shortcut("PreviousFrame", QKeySequence(Qt::Key_Left),
           [](TDravoEditor& ed) { ed.FrameBarChange(ed.FrameBarPosition() - 1); });
  shortcut("NextFrame", QKeySequence(Qt::Key_Right),
           [](TDravoEditor& ed) { ed.FrameBarChange(ed.FrameBarPosition() + 1); });
  // Home over the view frames the models, as in 3D packages; elsewhere it goes to the first frame.
  shortcut("FirstFrame", QKeySequence(Qt::Key_Home), [this](TDravoEditor& ed) {
    if (m_view->rect().contains(m_view->mapFromGlobal(QCursor::pos()))) {
      ed.FrameModels();
    } else {
      ed.FrameBarChange(1);
    }
  });
  shortcut("LastFrame", QKeySequence(Qt::Key_End),
           [](TDravoEditor& ed) { ed.FrameBarChange(ed.FrameBarMax()); });
  // The toolbar's actions.
  shortcut("Save", QKeySequence(Qt::CTRL | Qt::Key_S), [](TDravoEditor& ed) { ed.SaveTrickBtnClick(); });
  shortcut("Help", QKeySequence(Qt::Key_F1), [](TDravoEditor& ed) { ed.HelpBtnClick(); });
  shortcut("Transfer", QKeySequence(Qt::CTRL | Qt::Key_I), [](TDravoEditor& ed) { ed.OpenTransfer(); });
  auto* gif = new QAction(QStringLiteral("Gif"), this);
  gif->setObjectName(QStringLiteral("ActionGif"));
  gif->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  gif->setShortcutContext(Qt::WindowShortcut);
  connect(gif, &QAction::triggered, this, &TDravoUForm::makeGif);
  addAction(gif);
  // The view presets on the numeric keypad, as 3D packages have them: 1 front, 3 right, 7 top, and
  // with Ctrl the opposite side; with Num Lock off the same keys send End, Page Down and Home.
  const struct {
    const char* name;
    Qt::Key key;
    Qt::Key numLockOff;
    bool ctrl;
    int view;
  } presets[] = {{"ViewFront", Qt::Key_1, Qt::Key_End, false, 2},
                 {"ViewRight", Qt::Key_3, Qt::Key_PageDown, false, 3},
                 {"ViewTop", Qt::Key_7, Qt::Key_Home, false, 4},
                 {"ViewBack", Qt::Key_1, Qt::Key_End, true, 0},
                 {"ViewLeft", Qt::Key_3, Qt::Key_PageDown, true, 1},
                 {"ViewBottom", Qt::Key_7, Qt::Key_Home, true, 5}};
  for (const auto& p : presets) {
    const Qt::KeyboardModifiers modifiers =
        p.ctrl ? Qt::ControlModifier | Qt::KeypadModifier : Qt::KeyboardModifiers(Qt::KeypadModifier);
    const int view = p.view;
    QAction* a = shortcut(p.name, QKeySequence(QKeyCombination(modifiers, p.key)),
                          [view](TDravoEditor& ed) { ed.ViewBoxChange(view); });
    a->setShortcuts({QKeySequence(QKeyCombination(modifiers, p.key)),
                     QKeySequence(QKeyCombination(modifiers, p.numLockOff))});
  }
}

void TDravoUForm::refreshToolBar(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::Playback) {
    m_playBtn->setEnabled(ed.PlayAnimBtnEnabled());
    m_playBtn->SetLatched(ed.PlayAnimBtnLatched());
    m_playBtn->setText(QString::fromStdString(ed.PlayAnimBtnCaption()));
    m_playBtn->setIcon(SvgIcon(ed.PlayAnimBtnLatched() ? QStringLiteral("stop") : QStringLiteral("play")));
    m_playBtn->setToolTip(ed.PlayAnimBtnLatched() ? QStringLiteral("Stop playing")
                                                  : QStringLiteral("Play the trick"));
    m_gifBtn->setEnabled(ed.MakeGifBtnEnabled());
    // Both need a trick with frames, as the GIF does.
    m_gltfBtn->setEnabled(ed.MakeGifBtnEnabled());
  }
  if (bits & changes::Clipboard) {
    m_pasteBtn->setEnabled(ed.PasteBtnEnabled());
    m_pasteMenuBtn->setEnabled(ed.PasteBtnEnabled());
  }
  if (bits & changes::Undo) {
    const QString caption = QString::fromStdString(ed.UndoBtnCaption());
    m_undoBtn->setEnabled(ed.UndoBtnEnabled());
    m_historyBtn->setEnabled(ed.UndoBtnEnabled());
    m_undoBtn->setText(caption);
    m_undoBtn->setAccessibleName(caption);
    m_undoBtn->setIcon(SvgIcon(ed.UndoBtnRedoes() ? QStringLiteral("redo") : QStringLiteral("undo")));
  }
}

void TDravoUForm::fillHistoryMenu() {
  m_historyMenu->clear();
  if (!m_editor) return;
  const std::vector<std::string> labels = m_editor->HistoryLabels();
  const std::size_t done = m_editor->HistoryDone();
  const auto add = [&](const QString& text, std::size_t steps) {
    QAction* a = m_historyMenu->addAction(text);
    a->setCheckable(true);
    a->setChecked(steps <= done);
    connect(a, &QAction::triggered, this,
            [this, steps] { act([steps](TDravoEditor& ed) { ed.GoToHistory(steps); }); });
  };
  add(QStringLiteral("The trick as loaded"), 0);
  // Newest first, as menus of history read.
  for (std::size_t i = labels.size(); i > 0; --i)
    add(QString::fromStdString(labels[i - 1]), i);
}

void TDravoUForm::refreshStatus(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::Marks) m_modifiedPanel->SetMarks(ed.Marks());
  if (bits & changes::Status) m_statusText->setText(QString::fromStdString(ed.StatusText()));
  if (bits & changes::Setup) m_versionLabel->setText(QString::fromStdString(ed.VersionLabel()));
}

void TDravoUForm::makeGif() {
  // The editor stops playback, steps the view through the frames with the progress dialog open, and
  // restores playback after; the view stays on the last frame.
  act([](TDravoEditor& ed) { ed.MakeGifBtnClick(); });
  m_host->EndProgress();
  m_view->RequestRepaint();
}

}  // namespace dravo
