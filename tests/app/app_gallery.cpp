// Writes pictures of the editor on the demo game into a folder, so a person can check the look without a
// display: app_gallery OUTDIR (under xvfb-run -a for the OpenGL view, or with QT_QPA_PLATFORM=offscreen).
// The window after start-up, with each rollout open, while a trick is edited (checked parts highlighted),
// its undo history open, its title with the modified mark, with the onion skin on, maximised, the message
// box, the transfer window and the help window. Options and the game live in a temporary folder.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>
#include <filesystem>

#include "app/app_look.h"
#include "app/application.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/transfer_window.h"
#include "app/view_widget.h"
#include "archive/pak_archive.h"
#include "core/memory_stream.h"
#include "demo/demo_game.h"
#include "ui_robot.h"
#include "widgets/latch_button.h"
#include "widgets/rollout.h"

using namespace dravo;
namespace fs = std::filesystem;

namespace {

QString g_out;

void Settle(int ms = 150) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void Save(QWidget* w, const char* name) {
  const QString path = QDir(g_out).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

// The window with a pop-up menu over it, where the menu shows on the screen.
void SaveWithPopup(QWidget* window, QWidget* popup, const char* name) {
  QPixmap picture = window->grab();
  QPainter painter(&picture);
  painter.drawPixmap(popup->mapToGlobal(QPoint()) - window->mapToGlobal(QPoint()), popup->grab());
  painter.end();
  picture.save(QDir(g_out).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// The window under a plain title bar that shows its title, as no window manager draws one here.
void SaveWithTitle(QWidget* window, const char* name) {
  const QPixmap inside = window->grab();
  const int bar = window->fontMetrics().height() + 10;
  QPixmap picture(inside.width(), inside.height() + bar);
  picture.fill(window->palette().color(QPalette::Highlight));
  QPainter painter(&picture);
  painter.setPen(window->palette().color(QPalette::HighlightedText));
  painter.setFont(window->font());
  painter.drawText(QRect(8, 0, inside.width() - 16, bar), Qt::AlignVCenter | Qt::AlignLeft,
                   window->windowTitle());
  painter.drawPixmap(0, bar, inside);
  painter.end();
  picture.save(QDir(g_out).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

void Drag(QWidget* w, QPoint from, QPoint to) {
  const auto send = [w](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
  };
  send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
  for (int i = 1; i <= 6; ++i)
    send(QEvent::MouseMove, from + (to - from) * i / 6, Qt::NoButton, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

void ShowRollouts(TDravoUForm& window, bool tricks, bool setup, bool skins) {
  window.findChild<TVellRollout*>(QStringLiteral("TrickRollout"))->SetExpanded(tricks);
  window.findChild<TVellRollout*>(QStringLiteral("SetupRollout"))->SetExpanded(setup);
  window.findChild<TVellRollout*>(QStringLiteral("SkinsRollout"))->SetExpanded(skins);
  Settle();
}

}  // namespace

int main(int argc, char** argv) {
  PrepareKitApplication();
  QApplication app(argc, argv);
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  ApplyAppLook(app);
  if (argc < 2) {
    std::fprintf(stderr, "usage: app_gallery OUTDIR\n");
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_out);

  QTemporaryDir scratch;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.path()));
  const fs::path game = fs::path(scratch.path().toStdString()) / "game";
  demo::WriteDemoGame(game);

  KitSettings settings;
  settings.gameFolder = game.string();
  TDravoUForm window(settings);
  window.show();
  // Any notice the program gives on the way is answered, so the gallery never waits for a person.
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<TKelMsg*>(QApplication::activeModalWidget())) {
      std::fprintf(stderr, "answered: %s\n", qPrintable(box->MsgText()->text()));
      box->reject();
    }
  });
  answer.start(2000);
  QEventLoop started;
  QObject::connect(&window, &TDravoUForm::startupFinished, &started, &QEventLoop::quit);
  started.exec();
  if (window.StartupState() != StartupResult::Running) return 1;
  Settle(300);
  Save(&window, "window-startup");
  Save(window.HelpWindow(), "help-licence");
  window.HelpWindow()->close();

  ShowRollouts(window, true, false, false);
  TDravoEditor& ed = window.Editor();
  for (std::size_t i = 0; i < ed.TweenList().size(); ++i)
    if (ed.TweenList()[i].Name == "Head" || ed.TweenList()[i].Name == "Upper Torso")
      window.findChild<QListWidget*>(QStringLiteral("TweenList"))
          ->item(static_cast<int>(i))
          ->setCheckState(Qt::Checked);
  Drag(window.View(), QPoint(200, 200), QPoint(260, 230));
  Settle();
  Save(&window, "window-edit-tricks");
  SaveWithTitle(&window, "window-title-modified");
  // A second step, then the history's drop-down.
  Drag(window.View(), QPoint(260, 230), QPoint(230, 280));
  Settle();
  auto* history = window.findChild<QToolButton*>(QStringLiteral("UndoHistoryBtn"));
  auto* menu = window.findChild<QMenu*>(QStringLiteral("UndoHistoryMenu"));
  QTimer::singleShot(300, [&] {
    SaveWithPopup(&window, menu, "window-undo-history");
    menu->close();
  });
  history->showMenu();
  ShowRollouts(window, false, true, false);
  Save(&window, "window-setup");
  ShowRollouts(window, false, false, true);
  Save(&window, "window-skins");
  ShowRollouts(window, true, true, true);
  Save(&window, "window-all-rollouts");

  // The onion skin, two frames each way, half-way through a trick seen from the side.
  ShowRollouts(window, false, false, false);
  ed.ClearModifiedMark(3);  // the edits above are not kept
  for (std::size_t i = 0; i < ed.MOTSelectBox().size(); ++i)
    if (ed.MOTSelectBox()[i].Name == "backflip") ed.SelectTrickItem(static_cast<int>(i));
  ed.ViewBoxChange(1);
  ed.SetZoom(55);
  window.findChild<QSlider*>(QStringLiteral("FrameBar"))->setValue(20);
  window.findChild<QSpinBox*>(QStringLiteral("OnionBeforeSpin"))->setValue(2);
  window.findChild<QSpinBox*>(QStringLiteral("OnionAfterSpin"))->setValue(2);
  window.findChild<QCheckBox*>(QStringLiteral("OnionSkinChk"))->click();
  Settle(300);
  Save(&window, "window-onion-skin");
  window.findChild<QCheckBox*>(QStringLiteral("OnionSkinChk"))->click();
  ed.ViewBoxChange(2);
  ed.SetZoom(90);

  // The message box, dressed as after start-up.
  QTimer::singleShot(200, [&] {
    Save(window.MessageWindow(), "message-box");
    window.MessageWindow()->reject();
  });
  KelMsgBox(
      QStringLiteral("You have modified this trick do you want to save it before you load the next trick?"),
      QStringLiteral("Trick modified"), true);

  // The transfer window over an own archive with a trick and a skin, and a friend's PAK on the right.
  ed.ClearModifiedMark(3);
  ed.SetCommonPak(false);
  ed.InstallTrick();
  {
    MemoryStream skin;
    skin.write(std::string(64, 'x'));
    skin.setPosition(0);
    ed.OwnArchive()->Put("Data\\Veh\\Tex\\bike_red.dxt", &skin);
    const fs::path friendPak = game / "friend.pak";
    auto pak = TMvAFolder::CreateNew(friendPak);
    for (const char* name : {"Data\\Rider\\Anim\\mx_superman.mot", "Data\\Veh\\Anim\\bike_superman.mot",
                             "Data\\Rider\\Tex\\helmet_gold.dxt"}) {
      skin.setPosition(0);
      pak->Put(name, &skin);
    }
    pak->SaveAs(friendPak);
  }
  QTimer::singleShot(300, [&] {
    auto* form = window.TransferWindow();
    // "Open an existing PAK file", answered with the friend's PAK.
    test::UiRobot robot;
    robot.Expect<QFileDialog>([&](QFileDialog* dialog) {
      dialog->selectFile(QString::fromStdString((game / "friend.pak").string()));
      static_cast<QDialog*>(dialog)->accept();
    });
    form->OpenPakBtn()->click();
    // The dialog's answer can come late on a busy machine: select what is there.
    if (QListWidgetItem* item = form->SrcListBox()->item(0)) item->setSelected(true);
    if (QListWidgetItem* item = form->DstListBox()->item(1)) item->setSelected(true);
    Settle();
    Save(form, "transfer-window");
    form->reject();
  });
  ed.PakBtnClick();

  window.findChild<TVellButton*>(QStringLiteral("PlayAnimBtn"))->SetLatched(true);
  Settle(400);
  Save(&window, "window-playing");
  window.findChild<TVellButton*>(QStringLiteral("PlayAnimBtn"))->SetLatched(false);
  // Maximised: the view draws at its full size.
  const QSize before = window.size();
  window.showMaximized();
  Settle(300);
  if (window.size() == before) window.resize(window.screen()->availableSize());  // no window manager
  Settle(300);
  Save(&window, "window-maximised");
  window.showNormal();
  // The smallest the window goes.
  window.resize(window.minimumSize());
  Settle(300);
  Save(&window, "window-minimum");
  ed.ClearModifiedMark(3);
  window.close();
  return 0;
}
