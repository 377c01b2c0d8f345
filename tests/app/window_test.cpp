// The whole main window on the demo game, driven through its widgets. The program runs twice: on Qt's
// offscreen platform (the view draws with the headless device) and under xvfb-run with the OpenGL view
// (DRAVO_EXPECT_GL=1). Options and state live in a temporary XDG_CONFIG_HOME, the game in a temporary
// folder; the user's own are never touched.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QOpenGLWidget>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "app/app_look.h"
#include "app/application.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/message_box.h"
#include "app/modified_panel.h"
#include "app/qt_editor_host.h"
#include "app/transfer_window.h"
#include "app/view_widget.h"
#include "archive/pak_archive.h"
#include "core/memory_stream.h"
#include "demo/demo_game.h"
#include "platform/options_store.h"
#include "ui_robot.h"
#include "widgets/latch_button.h"
#include "widgets/property_tree.h"
#include "widgets/rollout.h"
#include "widgets/tween_bar.h"

using namespace dravo;
using dravo::test::UiRobot;
namespace fs = std::filesystem;

namespace {

bool Same(const Matrix& a, const Matrix& b) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (std::fabs(a[r][c] - b[r][c]) > 1e-6f) return false;
  return true;
}

void SendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, modifiers);
  QApplication::sendEvent(w, &e);
}

// A drag in steps of a few pixels, as a hand makes one.
void Drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton,
          Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  SendMouse(w, QEvent::MouseButtonPress, from, button, button, modifiers);
  for (int i = 1; i <= 5; ++i) {
    const QPoint at = from + (to - from) * i / 5;
    SendMouse(w, QEvent::MouseMove, at, Qt::NoButton, button, modifiers);
  }
  SendMouse(w, QEvent::MouseButtonRelease, to, button, Qt::NoButton, modifiers);
}

// Goes to the file's folder, types its name and presses the dialog's button, as a person does.
void Choose(QFileDialog* dialog, const QString& file) {
  const QFileInfo info(file);
  dialog->setDirectory(info.absolutePath());
  auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  QVERIFY(name);
  name->setText(info.fileName());
  static_cast<QDialog*>(dialog)->accept();
}

// The panel's colour behind the models (red 0x90, green 0x80, blue 0x80).
bool IsBackground(QRgb pixel) {
  return std::abs(qRed(pixel) - 0x90) <= 12 && std::abs(qGreen(pixel) - 0x80) <= 12 &&
         std::abs(qBlue(pixel) - 0x80) <= 12;
}

// Where the models land: the box around the pixels that are neither background nor transparent.
QRect DrawnBox(const QImage& picture) {
  int left = picture.width(), top = picture.height(), right = -1, bottom = -1;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = picture.pixel(x, y);
      if (qAlpha(p) == 0 || IsBackground(p)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// The number of drawn pixels and the sum of their red, green and blue.
std::pair<long, long> DrawnAndBrightness(const QImage& picture) {
  long drawn = 0, sum = 0;
  for (int y = 0; y < picture.height(); ++y) {
    for (int x = 0; x < picture.width(); ++x) {
      const QRgb p = picture.pixel(x, y);
      if (IsBackground(p)) continue;
      ++drawn;
      sum += qRed(p) + qGreen(p) + qBlue(p);
    }
  }
  return {drawn, sum};
}

template <class T>
T* Find(QWidget* root, const char* name) {
  T* w = root->findChild<T*>(QString::fromLatin1(name));
  if (!w) qWarning("no widget %s", name);
  return w;
}

}  // namespace

class WindowTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_root;
  fs::path m_template;  // the demo game, written once
  std::unique_ptr<QTemporaryDir> m_config;
  fs::path m_game;
  std::unique_ptr<TDravoUForm> m_window;
  int m_run = 0;

  bool expectGl() const { return qEnvironmentVariableIsSet("DRAVO_EXPECT_GL"); }
  TDravoEditor& ed() { return m_window->Editor(); }
  template <class T>
  T* find(const char* name) {
    return Find<T>(m_window.get(), name);
  }
  int part(const std::string& name) {
    const auto& parts = ed().TweenList();
    for (std::size_t i = 0; i < parts.size(); ++i)
      if (parts[i].Name == name) return static_cast<int>(i);
    return -1;
  }
  void expand(const char* rollout) {
    auto* r = find<TVellRollout>(rollout);
    if (!r->Expanded()) QTest::mouseClick(r, Qt::LeftButton, Qt::NoModifier, r->HeaderRect().center());
    QVERIFY(r->Expanded());
  }
  void startWindow() {
    KitSettings settings;
    settings.gameFolder = m_game.string();
    m_window = std::make_unique<TDravoUForm>(settings);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // Shortcuts work in the active window.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY_WITH_TIMEOUT(m_window->Started(), 15000);
    QCOMPARE(m_window->StartupState(), StartupResult::Running);
  }
  // The view's picture as the screen shows it: the OpenGL widget's framebuffer, or the headless view.
  QImage viewPicture() {
    QApplication::processEvents();
    TDXView* view = m_window->View();
    if (auto* gl = qobject_cast<QOpenGLWidget*>(view->Surface())) return gl->grabFramebuffer();
    return view->grab(view->contentsRect()).toImage();
  }
  // Closes the window, sets an option as an earlier run left it, and starts again.
  void restartWith(const std::vector<std::pair<const char*, std::int32_t>>& values) {
    ed().ClearModifiedMark(3);
    m_window->close();
    m_window.reset();
    TRmxOptions options(fs::path(m_config->path().toStdString()) / "Vell" / "DravoKit" / "options.json");
    for (const auto& [name, value] : values)
      options.WriteInteger(name, value);
    startWindow();
  }
  // Steps a list box to the first item holding `text` with the arrow keys, as a person does.
  void pickWithKeys(QComboBox* box, const QString& text) {
    const int target = box->findText(text, Qt::MatchContains);
    QVERIFY2(target >= 0, qPrintable(text));
    box->setFocus();
    while (box->currentIndex() != target) {
      const int before = box->currentIndex();
      QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
      QVERIFY(box->currentIndex() != before);
    }
  }
  void checkPart(const char* name) {
    auto* list = find<QListWidget>("TweenList");
    const int row = part(name);
    QVERIFY(row >= 0);
    list->item(row)->setCheckState(Qt::Checked);
    QVERIFY(ed().TweenList()[static_cast<std::size_t>(row)].Checked);
  }

 private slots:
  void initTestCase() {
    QVERIFY(m_root.isValid());
    m_template = fs::path(m_root.path().toStdString()) / "demo";
    demo::WriteDemoGame(m_template);
  }

  void init() {
    // A fresh game folder and a fresh configuration for every test.
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
    qputenv("HOME", QFile::encodeName(m_config->path()));
    m_game = fs::path(m_root.path().toStdString()) / ("game" + std::to_string(++m_run));
    fs::create_directories(m_game / "data");
    for (const char* file : {"common.pak", "tex.pak"})
      fs::copy_file(m_template / "data" / file, m_game / "data" / file);
    if (QByteArray(QTest::currentTestFunction()) != "startsOnTheDemoGame") {
      // Not the first run: no licence page opens over the window.
      QDir().mkpath(m_config->path() + QStringLiteral("/Vell/DravoKit"));
      QFile state(m_config->path() + QStringLiteral("/Vell/DravoKit/state.json"));
      QVERIFY(state.open(QIODevice::WriteOnly));
      state.write("{\"version\": \"1.06\"}\n");
    }
    startWindow();
  }

  void cleanup() {
    if (m_window) {
      // Close without questions: the tests that care ask for them themselves.
      ed().ClearModifiedMark(3);
      m_window->close();
      m_window.reset();
    }
  }

  void startsOnTheDemoGame() {
    QCOMPARE(m_window->windowTitle(), QString::fromStdString(ed().WindowTitle()));
    QVERIFY(m_window->windowTitle().endsWith(QStringLiteral(" \u2014 Dravo Kit")));
    QCOMPARE(m_window->size(), QSize(876, 725));
    QCOMPARE(m_window->minimumSize(), QSize(648, 600));
    QCOMPARE(m_window->View()->ViewKind(), expectGl() ? TDXView::Kind::OpenGL : TDXView::Kind::Headless);
    QCOMPARE(m_window->View()->Surface() != nullptr, expectGl());
    QVERIFY(ed().Panel().Initialised());
    // The first run opens the licence page.
    QTRY_VERIFY(m_window->HelpWindow()->isVisible());
    QCOMPARE(m_window->HelpWindow()->Browser()->documentTitle(), QStringLiteral("Licence"));

    auto* tricks = find<QComboBox>("MOTSelectBox");
    QVERIFY(tricks->count() > 1);
    QCOMPARE(tricks->currentText() + QStringLiteral(".mot"), QString::fromStdString(ed().TrickName()));
    auto* frameBar = find<QSlider>("FrameBar");
    QCOMPARE(frameBar->maximum(), ed().FrameCount());
    QCOMPARE(frameBar->value(), 1);
    QCOMPARE(find<TTweenBar>("TweenBar")->FrameCount(), ed().FrameCount());
    QCOMPARE(find<QLabel>("ver")->text(), QStringLiteral("v1.06"));
    QCOMPARE(find<QLabel>("StatusText")->text(), QString::fromStdString(ed().StatusText()));
    QCOMPARE(find<TModifiedPanel>("ModifiedPanel")->SignRect(), QRect());

    // The toolbar and the posing latches as they start.
    QCOMPARE(find<TVellButton>("MakeGifBtn")->toolTip(),
             QStringLiteral("Make an animated GIF for this trick (Ctrl+E)"));
    QVERIFY(find<TVellButton>("PlayAnimBtn")->isEnabled());
    QCOMPARE(find<TVellButton>("PlayAnimBtn")->text(), QStringLiteral("Play"));
    QVERIFY(!find<TVellButton>("PasteBtn")->isEnabled());
    QVERIFY(!find<TVellButton>("UndoBtn")->isEnabled());
    QVERIFY(find<TVellButton>("RotXYBtn")->Latched());
    QVERIFY(find<TVellButton>("RotYXBtn")->Latched());
    QVERIFY(find<TVellButton>("PosXZBtn")->Latched());
    QVERIFY(find<TVellButton>("PosYYBtn")->Latched());
    QVERIFY(!find<TVellButton>("RotXXBtn")->Latched());
    QVERIFY(find<TVellRollout>("SetupRollout")->Expanded());
    QVERIFY(!find<TVellRollout>("TrickRollout")->Expanded());

    // The view shows the rider on the machine: more than the background colour.
    QImage picture = m_window->View()->grab().toImage();
    if (auto* gl = qobject_cast<QOpenGLWidget*>(m_window->View()->Surface())) picture = gl->grabFramebuffer();
    const QRgb background = picture.pixel(2, 2);
    int other = 0;
    for (int y = 0; y < picture.height(); y += 3)
      for (int x = 0; x < picture.width(); x += 3)
        if (picture.pixel(x, y) != background) ++other;
    QVERIFY2(other > 100, "the view shows nothing but its background");

    // The game folder is remembered for the next start.
    QFile state(m_config->path() + QStringLiteral("/Vell/DravoKit/state.json"));
    QVERIFY(state.open(QIODevice::ReadOnly));
    QVERIFY(state.readAll().contains(QByteArray::fromStdString(fs::path(m_game).filename().string())));
  }

  void axisLatchesFollowTheEditor() {
    expand("TrickRollout");
    auto* rotXZ = find<TVellButton>("RotXZBtn");
    QTest::mouseClick(rotXZ, Qt::LeftButton);
    QVERIFY(rotXZ->Latched());
    QVERIFY(!find<TVellButton>("RotXYBtn")->Latched());
    QCOMPARE(ed().Axis(AxisGroup::RotX), 2);
    // The latched button again: no axis in that group.
    QTest::mouseClick(rotXZ, Qt::LeftButton);
    QVERIFY(!rotXZ->Latched());
    QCOMPARE(ed().Axis(AxisGroup::RotX), -1);
  }

  void poseDragChangesTheTrickAndUndoRestoresIt() {
    expand("TrickRollout");
    checkPart("Head");
    const int head = part("Head");
    const int frame = ed().CurrentFrame();
    const Matrix before =
        ed().RiderParts()[static_cast<std::size_t>(head)].Frames[static_cast<std::size_t>(frame)];
    TDXView* view = m_window->View();
    const QPoint middle = view->rect().center();

    // An Alt drag turns the view and leaves the trick alone.
    const Matrix scene = ed().SceneMatrix();
    Drag(view, middle, middle + QPoint(30, 0), Qt::LeftButton, Qt::AltModifier);
    QVERIFY(!Same(scene, ed().SceneMatrix()));
    QCOMPARE(ed().Marks(), 0u);

    Drag(view, middle, middle + QPoint(40, 10));
    const Matrix& posed =
        ed().RiderParts()[static_cast<std::size_t>(head)].Frames[static_cast<std::size_t>(frame)];
    QVERIFY(!Same(before, posed));
    QCOMPARE(ed().Marks(), 1u);
    QVERIFY(!find<TModifiedPanel>("ModifiedPanel")->SignRect().isEmpty());
    auto* undo = find<TVellButton>("UndoBtn");
    QVERIFY(undo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("Undo"));

    QTest::mouseClick(undo, Qt::LeftButton);
    QVERIFY(Same(before,
                 ed().RiderParts()[static_cast<std::size_t>(head)].Frames[static_cast<std::size_t>(frame)]));
    QCOMPARE(undo->text(), QStringLiteral("Redo"));
    QCOMPARE(ed().Marks(), 0u);
    QVERIFY(find<TModifiedPanel>("ModifiedPanel")->SignRect().isEmpty());

    // Ctrl+Shift+Z and Ctrl+Y redo it, Ctrl+Z undoes it.
    const auto current = [&] {
      return ed().RiderParts()[static_cast<std::size_t>(head)].Frames[static_cast<std::size_t>(frame)];
    };
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(!Same(before, current()));
    QCOMPARE(undo->text(), QStringLiteral("Undo"));
    QCOMPARE(ed().Marks(), 1u);
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(Same(before, current()));
    QTest::keyClick(m_window.get(), Qt::Key_Y, Qt::ControlModifier);
    QVERIFY(!Same(before, current()));

    // A second drag; the history's drop-down lists both, newest first, and goes back to any.
    Drag(view, middle, middle + QPoint(-20, 5));
    auto* menu = find<QMenu>("UndoHistoryMenu");
    QVERIFY(find<QToolButton>("UndoHistoryBtn")->isEnabled());
    emit menu->aboutToShow();
    const QList<QAction*> steps = menu->actions();
    QCOMPARE(steps.size(), 3);
    QCOMPARE(steps[0]->text(), QStringLiteral("The trick as loaded"));
    QCOMPARE(steps[1]->text(), QStringLiteral("Rotate Head, frame %1").arg(frame + 1));
    QVERIFY(steps[2]->isChecked());
    steps[0]->trigger();
    QVERIFY(Same(before, current()));
    QCOMPARE(ed().Marks(), 0u);
    QCOMPARE(ed().HistoryDone(), 0u);
  }

  void theWheelOverAnUnfocusedListChangesNothing() {
    expand("TrickRollout");
    auto* tricks = find<QComboBox>("MOTSelectBox");
    const int before = tricks->currentIndex();
    const QString trick = QString::fromStdString(ed().TrickName());
    const QPointF at = QPointF(tricks->rect().center());
    // Towards the end of the list from its first item, else towards its start.
    const int delta = before == 0 ? -120 : 120;
    const auto wheel = [&](QWidget* w) {
      QWheelEvent event(at, w->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                        Qt::NoScrollPhase, false);
      QApplication::sendEvent(w, &event);
    };
    tricks->clearFocus();
    wheel(tricks);
    QCOMPARE(tricks->currentIndex(), before);
    QCOMPARE(QString::fromStdString(ed().TrickName()), trick);
    auto* zoom = find<QSlider>("TrackBar1");
    const int zoomBefore = zoom->value();
    wheel(zoom);
    QCOMPARE(zoom->value(), zoomBefore);
    // With the focus the list takes the wheel as any list does.
    tricks->setFocus();
    QTRY_VERIFY(tricks->hasFocus());
    wheel(tricks);
    QVERIFY(tricks->currentIndex() != before);
  }

  void copyAndPasteThroughTheKeyboard() {
    expand("TrickRollout");
    checkPart("Head");
    const auto head = static_cast<std::size_t>(part("Head"));
    auto* frameBar = find<QSlider>("FrameBar");
    frameBar->setValue(3);
    QCOMPARE(ed().CurrentFrame(), 2);
    QTest::keyClick(m_window.get(), Qt::Key_C, Qt::ControlModifier);
    QVERIFY(find<TVellButton>("PasteBtn")->isEnabled());
    const Matrix copied = ed().RiderParts()[head].Frames[2];
    frameBar->setValue(9);
    QTest::keyClick(m_window.get(), Qt::Key_V, Qt::ControlModifier);
    QVERIFY(Same(copied, ed().RiderParts()[head].Frames[8]));
    QCOMPARE(ed().Marks(), 1u);
    // Ctrl+Shift+V and the menu beside Paste paste mirrored: a step of its own each time.
    QTest::keyClick(m_window.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QString::fromStdString(ed().HistoryLabels().back()), QStringLiteral("Paste mirrored, frame 9"));
    auto* pasteMenu = find<QToolButton>("PasteMenuBtn");
    QVERIFY(pasteMenu->isEnabled());
    const QList<QAction*> ways = pasteMenu->menu()->actions();
    QCOMPARE(ways.size(), 2);
    QCOMPARE(ways[1]->text(), QStringLiteral("Paste mirrored"));
    const std::size_t steps = ed().HistoryLabels().size();
    ways[1]->trigger();
    QCOMPARE(ed().HistoryLabels().size(), steps + 1);
    // The tween style under "Tween all parts" is the editor's.
    auto* style = find<QComboBox>("TweenStyle");
    QCOMPARE(style->currentText(), QStringLiteral("Linear"));
    style->setCurrentIndex(1);
    emit style->activated(1);
    QCOMPARE(ed().TweenStyle(), TweenMode::Smooth);
    // Ctrl+A from the view or the part list: every part of the side, ticked or not; elsewhere the
    // text fields keep it.
    auto* fps = find<QLineEdit>("FrameRateEdit");
    fps->setFocus();
    QTest::keyClick(fps, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(!find<QCheckBox>("TweenAll")->isChecked());
    m_window->View()->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_A, Qt::ControlModifier);
    QVERIFY(find<QCheckBox>("TweenAll")->isChecked());
  }

  void keysPlayStepAndPickViewsAndTheWheelZooms() {
    TDXView* view = m_window->View();
    view->setFocus();
    auto* frameBar = find<QSlider>("FrameBar");
    const auto key = [&](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
      QTest::keyClick(m_window.get(), k, m);
    };
    key(Qt::Key_End);
    QCOMPARE(ed().FrameBarPosition(), ed().FrameBarMax());
    QCOMPARE(frameBar->value(), ed().FrameBarMax());
    key(Qt::Key_Left);
    QCOMPARE(ed().FrameBarPosition(), ed().FrameBarMax() - 1);
    // Home away from the view goes to the first frame; over the view it frames the models.
    QCursor::setPos(m_window->mapToGlobal(QPoint(m_window->width() - 5, 5)));
    key(Qt::Key_Home);
    QCOMPARE(ed().FrameBarPosition(), 1);
    ed().SetZoom(kZoomMax);
    ed().Panel().SetEye(Vec3(3, 7, ed().Panel().GetEye().z));
    QCursor::setPos(view->mapToGlobal(view->rect().center()));
    key(Qt::Key_Home);
    QCOMPARE(ed().FrameBarPosition(), 1);
    QVERIFY(ed().Zoom() < kZoomMax);
    QVERIFY(std::fabs(ed().Panel().GetEye().x) < 1 && std::fabs(ed().Panel().GetEye().y - 7) > 2);
    QCOMPARE(find<QSlider>("TrackBar1")->value(), ed().Zoom());
    {
      // The models fill the view: they reach near two opposite edges, and nothing is cut.
      const QRect box = DrawnBox(viewPicture());
      const QSize size = viewPicture().size();
      QVERIFY(!box.isEmpty());
      QVERIFY2(box.height() > size.height() * 6 / 10 || box.width() > size.width() * 6 / 10,
               qPrintable(QStringLiteral("%1x%2 in %3x%4")
                              .arg(box.width())
                              .arg(box.height())
                              .arg(size.width())
                              .arg(size.height())));
      QVERIFY(box.top() > 0 && box.left() > 0 && box.bottom() < size.height() - 1 &&
              box.right() < size.width() - 1);
    }
    QCursor::setPos(m_window->mapToGlobal(QPoint(m_window->width() - 5, 5)));
    key(Qt::Key_Right);
    QCOMPARE(ed().FrameBarPosition(), 2);
    key(Qt::Key_Space);
    QVERIFY(ed().PlayAnimBtnLatched());
    QCOMPARE(find<TVellButton>("PlayAnimBtn")->text(), QStringLiteral("Stop"));
    key(Qt::Key_Space);
    QVERIFY(!ed().PlayAnimBtnLatched());

    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers mods;
      int view;
    } presets[] = {{Qt::Key_7, Qt::KeypadModifier, 4},
                   {Qt::Key_3, Qt::KeypadModifier, 3},
                   {Qt::Key_1, Qt::KeypadModifier | Qt::ControlModifier, 0},
                   {Qt::Key_1, Qt::KeypadModifier, 2},
                   // Num Lock off: the same keys as End, Page Down and Home.
                   {Qt::Key_Home, Qt::KeypadModifier, 4},
                   {Qt::Key_PageDown, Qt::KeypadModifier | Qt::ControlModifier, 1},
                   {Qt::Key_End, Qt::KeypadModifier | Qt::ControlModifier, 0},
                   {Qt::Key_End, Qt::KeypadModifier, 2}};
    for (const auto& p : presets) {
      key(p.key, p.mods);
      QCOMPARE(ed().ViewIndex(), p.view);
      QCOMPARE(find<QComboBox>("ViewBox")->currentIndex(), p.view);
    }

    // The wheel away from the user comes nearer, through the zoom bar, which reads nearer to the right.
    auto* zoom = find<QSlider>("TrackBar1");
    QVERIFY(zoom->invertedAppearance());
    ed().SetZoom(kDefaultZoom);
    const int before = ed().Zoom();
    const QPointF at = QPointF(view->rect().center());
    QWheelEvent wheel(at, view->mapToGlobal(at), QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    QCOMPARE(ed().Zoom(), before - 2 * TDravoEditor::kZoomPerNotch);
    QCOMPARE(zoom->value(), ed().Zoom());
  }

  void playbackAdvancesTheFrameBar() {
    auto* play = find<TVellButton>("PlayAnimBtn");
    auto* frameBar = find<QSlider>("FrameBar");
    QTest::mouseClick(play, Qt::LeftButton);
    QCOMPARE(play->text(), QStringLiteral("Stop"));
    QVERIFY(play->Latched());
    QVERIFY(m_window->Host().FrameTimer().isActive());
    QCOMPARE(m_window->Host().FrameTimer().interval(), 67);
    QVERIFY(!frameBar->isEnabled());
    QVERIFY(!find<TVellButton>("MakeGifBtn")->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(frameBar->value() >= 4, 5000);
    QCOMPARE(frameBar->value(), ed().CurrentFrame() + 1);
    QTest::mouseClick(play, Qt::LeftButton);
    QCOMPARE(play->text(), QStringLiteral("Play"));
    QVERIFY(!m_window->Host().FrameTimer().isActive());
    QVERIFY(frameBar->isEnabled());
    QVERIFY(find<TVellButton>("MakeGifBtn")->isEnabled());
  }

  void keyFrameBarTweensOnRelease() {
    expand("TrickRollout");
    checkPart("Head");
    const auto head = static_cast<std::size_t>(part("Head"));
    std::vector<Matrix> before = ed().RiderParts()[head].Frames;
    // Frame 5 differs from frame 1 by a pose drag, so the frames between them change.
    find<QSlider>("FrameBar")->setValue(5);
    Drag(m_window->View(), QPoint(100, 100), QPoint(160, 100));
    before = ed().RiderParts()[head].Frames;
    auto* bar = find<TTweenBar>("TweenBar");
    const auto ticks = bar->Logic().TickPositions();
    Drag(bar, QPoint(ticks[0], 9), QPoint(ticks[4], 9));
    const auto& after = ed().RiderParts()[head].Frames;
    QVERIFY(Same(before[0], after[0]));
    QVERIFY(Same(before[4], after[4]));
    QVERIFY(!Same(before[2], after[2]));
    // One undo brings the tweened frames back.
    QTest::mouseClick(find<TVellButton>("UndoBtn"), Qt::LeftButton);
    QVERIFY(Same(before[2], ed().RiderParts()[head].Frames[2]));

    // Over the bar, the status bar says what a right-click would do with the parts checked now.
    const auto hover = [&] {
      QEvent enter(QEvent::Enter);
      QApplication::sendEvent(bar, &enter);
      return m_window->statusBar()->currentMessage();
    };
    QCOMPARE(hover(), QStringLiteral("Right-click: tween frames 1-5 again on 1 checked part"));
    checkPart("Neck");
    QCOMPARE(hover(), QStringLiteral("Right-click: tween frames 1-5 again on 2 checked parts"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(bar, &leave);
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
  }

  void editBikeListsTheBikesPartsOnly() {
    expand("TrickRollout");
    pickWithKeys(find<QComboBox>("MOTSelectBox"), QStringLiteral("superman"));
    auto* list = find<QListWidget>("TweenList");
    const auto shown = [&] {
      QStringList names;
      for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden()) names << list->item(i)->text();
      return names;
    };
    QVERIFY(shown().contains(QStringLiteral("Head")));
    QVERIFY(!shown().contains(QStringLiteral("Frame")));
    QTest::mouseClick(find<QRadioButton>("BikeEdit"), Qt::LeftButton);
    QVERIFY(!ed().RiderEdit());
    const QStringList bike = shown();
    QVERIFY(bike.contains(QStringLiteral("Frame")));
    QVERIFY(!bike.contains(QStringLiteral("Head")));
    // The first listed part is on the list's first visible line.
    QListWidgetItem* first = list->findItems(bike.first(), Qt::MatchExactly).first();
    QVERIFY(list->viewport()->rect().contains(list->visualItemRect(first).topLeft()));
    QTest::mouseClick(find<QRadioButton>("RiderEdit"), Qt::LeftButton);
    QVERIFY(shown().contains(QStringLiteral("Head")));
  }

  void selectingAnotherTrickAsksAboutTheEdit() {
    expand("TrickRollout");
    checkPart("Head");
    Drag(m_window->View(), QPoint(100, 100), QPoint(130, 90));
    QCOMPARE(ed().Marks(), 1u);
    const std::string first = ed().TrickName();
    UiRobot robot;
    QString asked;
    robot.Expect<TKelMsg>([&](TKelMsg* box) {
      asked = box->windowTitle() + QStringLiteral(": ") + box->MsgText()->text();
      QTest::mouseClick(box->CancelBtn(), Qt::LeftButton);
    });
    auto* tricks = find<QComboBox>("MOTSelectBox");
    tricks->setFocus();
    QTest::keyClick(tricks, Qt::Key_Down);
    QVERIFY(robot.AllDone());
    QCOMPARE(asked,
             QStringLiteral("Trick modified: You have modified this trick do you want to save it before you "
                            "load the next trick?"));
    QVERIFY(ed().TrickName() != first);
    QCOMPARE(tricks->currentText() + QStringLiteral(".mot"), QString::fromStdString(ed().TrickName()));
    QCOMPARE(ed().Marks(), 0u);
    QVERIFY(!find<TVellButton>("UndoBtn")->isEnabled());
  }

  void changingTheMachineRefillsTheTrickList() {
    expand("SkinsRollout");
    expand("TrickRollout");
    auto* machines = find<QComboBox>("SelectMachineBox");
    auto* tricks = find<QComboBox>("MOTSelectBox");
    const struct {
      const char* machine;
      int type;
    } cases[] = {{"ATV", 1}, {"MXF", 2}};
    for (const auto& c : cases) {
      pickWithKeys(machines, QString::fromLatin1(c.machine));
      QCOMPARE(ed().MachineType(), c.type);
      // The list shows this machine's tricks, the first one chosen and loaded.
      const std::vector<CatalogueEntry>& entries = ed().MOTSelectBox();
      QVERIFY(!entries.empty());
      QCOMPARE(tricks->count(), static_cast<int>(entries.size()));
      for (int i = 0; i < tricks->count(); ++i)
        QCOMPARE(tricks->itemText(i), QString::fromStdString(entries[static_cast<std::size_t>(i)].Name));
      QCOMPARE(tricks->currentIndex(), 0);
      QCOMPARE(tricks->currentText() + QStringLiteral(".mot"), QString::fromStdString(ed().TrickName()));
      // Another trick of the list, picked with the keyboard, loads with its parts.
      tricks->setFocus();
      QTest::keyClick(tricks, Qt::Key_Down);
      QCOMPARE(tricks->currentIndex(), 1);
      QCOMPARE(QString::fromStdString(ed().TrickName()), tricks->currentText() + QStringLiteral(".mot"));
      QVERIFY(!ed().TweenList().empty());
      QCOMPARE(find<QListWidget>("TweenList")->count(), static_cast<int>(ed().TweenList().size()));
      QCOMPARE(find<QSlider>("FrameBar")->maximum(), ed().FrameCount());
    }
  }

  // At a resolution of another size than the view, in a wide and in a tall window, the model stands in
  // the middle of the view at the same size against the view's height, in its own proportions; the GIF
  // export reads its frames back at the resolution and keeps the model in the middle too.
  void theViewKeepsItsProportionsAtAnyResolutionAndSize() {
    restartWith({{"ResWidth", 800}, {"ResHeight", 600}});
    QCOMPARE(ed().Panel().BackBufferWidth, DWORD(800));
    QCOMPARE(ed().Panel().BackBufferHeight, DWORD(600));
    TDXView* view = m_window->View();
    std::vector<double> heights, shapes;
    for (const QSize size : {QSize(1400, 640), QSize(660, 1100)}) {
      m_window->resize(size);
      QTRY_COMPARE(m_window->size(), size);
      QTest::qWait(50);
      const QImage picture = viewPicture();
      // Drawn pixel for pixel at the view's size.
      QCOMPARE(picture.size(), view->TargetSize());
      QCOMPARE(
          QSize(static_cast<int>(ed().Panel().FrameWidth()), static_cast<int>(ed().Panel().FrameHeight())),
          picture.size());
      const QRect box = DrawnBox(picture);
      QVERIFY2(box.width() > 20 && box.height() > 20, "the view shows no model");
      const QString where = QStringLiteral("model %1,%2 %3x%4 in a view of %5x%6")
                                .arg(box.x())
                                .arg(box.y())
                                .arg(box.width())
                                .arg(box.height())
                                .arg(picture.width())
                                .arg(picture.height());
      // The eye looks along the view's middle, straight at the model.
      QVERIFY2(std::abs(box.left() + box.right() - picture.width()) < picture.width() / 10,
               qPrintable(where));
      heights.push_back(static_cast<double>(box.height()) / picture.height());
      shapes.push_back(static_cast<double>(box.width()) / box.height());
    }
    QVERIFY2(std::abs(shapes[0] - shapes[1]) < 0.06 * shapes[0], "the model is stretched");
    QVERIFY2(std::abs(heights[0] - heights[1]) < 0.06 * heights[0], "the model changes size");

    const QString chosen = QString::fromStdString((m_game / "tall.gif").string());
    UiRobot robot;
    robot.Expect<QFileDialog>([&](QFileDialog* dialog) { Choose(dialog, chosen); });
    robot.Expect<QProgressDialog>([](QProgressDialog*) {});
    QTest::mouseClick(find<TVellButton>("MakeGifBtn"), Qt::LeftButton);
    QVERIFY(robot.AllDone());
    QImageReader reader(chosen);
    const QImage frame = reader.read();
    QVERIFY2(!frame.isNull(), qPrintable(reader.errorString()));
    const QRect box = DrawnBox(frame.convertToFormat(QImage::Format_ARGB32));
    QVERIFY2(box.width() > 4, "the GIF shows no model");
    QVERIFY2(std::abs(box.left() + box.right() - frame.width()) < frame.width() / 8,
             qPrintable(QStringLiteral("model from x %1 to %2 in %3")
                            .arg(box.left())
                            .arg(box.right())
                            .arg(frame.width())));
    // The view draws at its own size again.
    QCOMPARE(viewPicture().size(), view->TargetSize());
    QCOMPARE(static_cast<int>(ed().Panel().FrameWidth()), view->TargetSize().width());
  }

  void lightingAndWireModeChangeTheView() {
    auto* light = find<QCheckBox>("LightCheck");
    auto* wire = find<QCheckBox>("WireChkBox");
    QVERIFY(light->isChecked());
    QVERIFY(!wire->isChecked());
    const QImage lit = viewPicture();
    light->click();
    QVERIFY(!ed().Lighting());
    const QImage unlit = viewPicture();
    QVERIFY(unlit != lit);
    // Shading leaves no face brighter than its texture and those away from the lights darker.
    const auto [litDrawn, litSum] = DrawnAndBrightness(lit);
    const auto [unlitDrawn, unlitSum] = DrawnAndBrightness(unlit);
    QVERIFY(std::abs(litDrawn - unlitDrawn) < unlitDrawn / 50);
    QVERIFY2(litSum < unlitSum / 10 * 9,
             qPrintable(QStringLiteral("%1 lit, %2 unlit").arg(litSum).arg(unlitSum)));
    light->click();
    QCOMPARE(viewPicture(), lit);

    wire->click();
    QVERIFY(ed().WireMode());
    const QImage wired = viewPicture();
    QVERIFY(wired != lit);
    QVERIFY(DrawnAndBrightness(wired).first > 50);
    wire->click();
    QCOMPARE(viewPicture(), lit);
  }

  void savingATrickWritesTheOwnArchive() {
    UiRobot robot;
    robot.Expect<TKelMsg>([](TKelMsg* box) {
      QCOMPARE(box->windowTitle(), QStringLiteral("Confirm trick save"));
      QTest::mouseClick(box->OKBtn(), Qt::LeftButton);
    });
    // Some motions of the demo game differ in size from the stock ones; a wrong-size notice may follow.
    robot.Expect<TKelMsg>(
        [](TKelMsg* box) { box->accept(); },
        [](TKelMsg* box) { return box->windowTitle() != QStringLiteral("Confirm trick save"); });
    QTest::mouseClick(find<TVellButton>("SaveTrickBtn"), Qt::LeftButton);
    QVERIFY(fs::exists(m_game / "data" / "$dravo.pak"));
    auto own = TMvAFolder::Open(m_game / "data" / "$dravo.pak");
    QVERIFY(own->IndexOf("Data\\Rider\\Anim\\mx_" + ed().TrickName()) >= 0);
  }

  void transferCancelRevertsImports() {
    const fs::path exportPak = m_game / "friend.pak";
    const std::string entry = "Data\\Rider\\Anim\\mx_" + ed().TrickName();
    {
      // A friend's PAK holding this trick's rider motion, taken from the game.
      auto common = TMvAFolder::Open(m_game / "data" / "common.pak");
      const int index = common->IndexOfPart("mx_" + ed().TrickName(), 0);
      QVERIFY(index >= 0);
      std::unique_ptr<MemoryStream> bytes = common->ReadEntry(index);
      auto pak = TMvAFolder::CreateNew(exportPak);
      pak->Put(entry, bytes.get());
      pak->SaveAs(exportPak);
    }
    for (const bool save : {false, true}) {
      UiRobot robot;
      QStringList installedDuring;
      robot.Expect<TTxTrxForm>([&](TTxTrxForm* form) {
        QCOMPARE(form->windowTitle(), QStringLiteral("Export tricks to PAK"));
        QVERIFY(!form->SaveBtn()->isEnabled());
        QTest::mouseClick(form->OpenPakBtn(), Qt::LeftButton);
        QCOMPARE(form->DstListBox()->count(), 1);
        form->DstListBox()->item(0)->setSelected(true);
        QTest::mouseClick(form->ImportBtn(), Qt::LeftButton);
        for (int i = 0; i < form->SrcListBox()->count(); ++i)
          installedDuring << form->SrcListBox()->item(i)->text();
        QCOMPARE(form->Button1()->text(), QStringLiteral("Install"));
        QTest::mouseClick(save ? form->Button1() : form->CancelBtn(), Qt::LeftButton);
      });
      robot.Expect<QFileDialog>(
          [&](QFileDialog* dialog) { Choose(dialog, QString::fromStdString(exportPak.string())); });
      QTest::mouseClick(find<TVellButton>("PakBtn"), Qt::LeftButton);
      QVERIFY(robot.AllDone());
      QVERIFY(installedDuring.contains(
          QString::fromStdString("mx_" + fs::path(ed().TrickName()).stem().string())));
      QCOMPARE(ed().OwnArchive()->IndexOf(entry) >= 0, save);
    }
  }

  void gifExportWritesEveryFrame() {
    const QString chosen = QString::fromStdString((m_game / "trick").string());
    UiRobot robot;
    robot.Expect<QFileDialog>([&](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Save animated GIF As"));
      QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("GIF files (*.gif)"));
      QCOMPARE(
          QFileInfo(dialog->selectedFiles().value(0)).fileName(),
          QString::fromStdString(ed().TrickName()).replace(QStringLiteral(".mot"), QStringLiteral(".gif")));
      Choose(dialog, chosen);
    });
    QTest::mouseClick(find<TVellButton>("MakeGifBtn"), Qt::LeftButton);
    QVERIFY(robot.AllDone());
    QFile gif(chosen + QStringLiteral(".gif"));
    QVERIFY(gif.open(QIODevice::ReadOnly));
    QCOMPARE(gif.read(6), QByteArray("GIF89a"));
    // The view stays on the last frame; playback can start again.
    QCOMPARE(find<QSlider>("FrameBar")->value(), ed().FrameCount());
    QVERIFY(find<TVellButton>("PlayAnimBtn")->isEnabled());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void gltfExportAndImportGoThroughTheirDialogs() {
    const QString chosen = QString::fromStdString((m_game / "scene").string());
    const QString stem = QString::fromStdString(fs::path(ed().TrickName()).stem().string());
    UiRobot robot;
    robot.Expect<QFileDialog>([&](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Export glTF"));
      QCOMPARE(QFileInfo(dialog->selectedFiles().value(0)).fileName(), stem + QStringLiteral(".glb"));
      Choose(dialog, chosen);  // no extension: written as binary glTF
    });
    find<QAction>("ActionExportGltf")->trigger();
    QVERIFY(robot.AllDone());
    QFile scene(chosen + QStringLiteral(".glb"));
    QVERIFY(scene.open(QIODevice::ReadOnly));
    QCOMPARE(scene.read(4), QByteArray("glTF"));

    robot.Expect<QFileDialog>([&](QFileDialog* dialog) {
      QCOMPARE(dialog->windowTitle(), QStringLiteral("Import glTF animation"));
      Choose(dialog, chosen + QStringLiteral(".glb"));
    });
    find<QAction>("ActionImportGltf")->trigger();
    QVERIFY(robot.AllDone());
    QCOMPARE(QString::fromStdString(ed().HistoryLabels().back()),
             QStringLiteral("Import glTF animation scene.glb"));
    QVERIFY(find<TVellButton>("UndoBtn")->isEnabled());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
  }

  void gifExportCanBeCancelled() {
    const QString chosen = QString::fromStdString((m_game / "cancelled.gif").string());
    UiRobot robot;
    robot.Expect<QFileDialog>([&](QFileDialog* dialog) { Choose(dialog, chosen); });
    robot.Expect<QProgressDialog>([](QProgressDialog* progress) {
      QCOMPARE(progress->labelText().startsWith(QStringLiteral("Writing frame")), true);
      progress->cancel();
    });
    QTest::mouseClick(find<TVellButton>("MakeGifBtn"), Qt::LeftButton);
    QVERIFY(robot.AllDone());
    QVERIFY(!QFile::exists(chosen));
    QVERIFY(find<TVellButton>("PlayAnimBtn")->isEnabled());
    QVERIFY(find<TVellButton>("MakeGifBtn")->isEnabled());
  }

  void droppingAPictureReplacesATexture() {
    expand("SkinsRollout");
    find<QCheckBox>("CommonPakChk")->click();
    QVERIFY(!ed().CommonPak());
    auto* tree = find<TVirtualPropertyTree>("TextureList");
    QVERIFY(tree->topLevelItemCount() > 0);
    QImage picture(64, 64, QImage::Format_RGB32);
    picture.fill(QColor(20, 120, 220));
    const QString file = QString::fromStdString((m_game / "blue.png").string());
    QVERIFY(picture.save(file));

    QTreeWidgetItem* row = tree->topLevelItem(0);
    const QPoint at = tree->visualItemRect(row).center();
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &drop);
    QCOMPARE(tree->ValueText(tree->topLevelItem(0)), QStringLiteral("blue.dxt"));
    QCOMPARE(ed().Marks(), 2u);

    UiRobot robot;
    robot.Expect<TKelMsg>([](TKelMsg* box) {
      QCOMPARE(box->windowTitle(), QStringLiteral("Confirm texture save"));
      QTest::mouseClick(box->OKBtn(), Qt::LeftButton);
    });
    QTest::mouseClick(find<QPushButton>("SaveTexBtn"), Qt::LeftButton);
    QVERIFY(robot.AllDone());
    QCOMPARE(ed().Marks(), 0u);
    QVERIFY(fs::exists(m_game / "data" / "$dravo.pak"));
  }

  void closingWithAnEditAsksAndRemembersTheOptions() {
    expand("TrickRollout");
    checkPart("Head");
    Drag(m_window->View(), QPoint(100, 100), QPoint(140, 100));
    QCOMPARE(ed().Marks(), 1u);
    UiRobot robot;
    QString caption;
    robot.Expect<TKelMsg>([&](TKelMsg* box) {
      caption = box->windowTitle();
      QTest::mouseClick(box->CancelBtn(), Qt::LeftButton);
    });
    QVERIFY(m_window->close());
    QVERIFY(robot.AllDone());
    QCOMPARE(caption, QStringLiteral("Unsaved Tricks/Textures Warning"));
    QFile options(m_config->path() + QStringLiteral("/Vell/DravoKit/options.json"));
    QVERIFY(options.open(QIODevice::ReadOnly));
    // The rollouts as they were left: Edit Tricks and Setup open.
    QVERIFY(options.readAll().contains("\"Rollouts\": 3"));
    m_window.reset();
  }

  void checkedPartsAreHighlightedInTheViewButNotInGifs() {
    // Amber lines over the checked parts' triangles.
    const auto amber = [](const QImage& picture) {
      long count = 0;
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
          const QRgb p = picture.pixel(x, y);
          if (qRed(p) > 200 && qGreen(p) > 120 && qGreen(p) < 200 && qBlue(p) < 80) ++count;
        }
      return count;
    };
    const long before = amber(viewPicture());
    expand("TrickRollout");
    auto* list = find<QListWidget>("TweenList");
    list->item(part("Head"))->setCheckState(Qt::Checked);
    // As the window shows it, composed with the widgets around: the lines leave the view opaque.
    const QImage head = m_window->View()->grab().toImage();
    QVERIFY2(amber(head) > before + 50, qPrintable(QString::number(amber(head))));
    list->item(part("Head"))->setCheckState(Qt::Unchecked);
    QCOMPARE(amber(viewPicture()), before);

    // A GIF frame never carries it.
    const auto exported = [&] {
      std::vector<std::uint8_t> rgba;
      int width = 0, height = 0;
      ed().BeginFrameExport();
      const bool captured = ed().CaptureView(rgba, width, height);
      ed().EndFrameExport();
      return captured ? QImage(rgba.data(), width, height, QImage::Format_RGBA8888).copy() : QImage();
    };
    const QImage plain = exported();
    list->item(part("Head"))->setCheckState(Qt::Checked);
    const QImage checked = exported();
    QVERIFY(!plain.isNull());
    QCOMPARE(checked, plain);
  }

  void onionSkinBoxAndSpinBoxesShowGhostsButNotInGifs() {
    auto* box = find<QCheckBox>("OnionSkinChk");
    auto* before = find<QSpinBox>("OnionBeforeSpin");
    auto* after = find<QSpinBox>("OnionAfterSpin");
    QVERIFY(!box->isChecked());
    QCOMPARE(before->value(), 1);
    QCOMPARE(after->value(), 1);
    QCOMPARE(before->maximum(), 5);
    QVERIFY(!before->toolTip().isEmpty() && !after->toolTip().isEmpty() && !box->toolTip().isEmpty());
    // A side view half-way through a trick that moves.
    ed().ViewBoxChange(1);
    for (std::size_t i = 0; i < ed().MOTSelectBox().size(); ++i)
      if (ed().MOTSelectBox()[i].Name == "backflip") ed().SelectTrickItem(static_cast<int>(i));
    find<QSlider>("FrameBar")->setValue(15);
    const QImage plain = viewPicture();
    box->click();
    QVERIFY(ed().OnionSkin());
    before->setValue(3);
    after->setValue(2);
    QCOMPARE(ed().OnionBefore(), 3);
    QCOMPARE(ed().OnionAfter(), 2);
    const QImage ghosts = viewPicture();
    QVERIFY(!ghosts.isNull() && !plain.isNull());
    QVERIFY(ghosts != plain);

    // A GIF frame never carries them.
    const auto exported = [&] {
      std::vector<std::uint8_t> rgba;
      int width = 0, height = 0;
      ed().BeginFrameExport();
      const bool captured = ed().CaptureView(rgba, width, height);
      ed().EndFrameExport();
      return captured ? QImage(rgba.data(), width, height, QImage::Format_RGBA8888).copy() : QImage();
    };
    const QImage withOnion = exported();
    QVERIFY(!withOnion.isNull());
    // The same frame as the view draws it has them, so the export really left them out.
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    QVERIFY(ed().CaptureView(rgba, width, height));
    QVERIFY(QImage(rgba.data(), width, height, QImage::Format_RGBA8888) != withOnion);
    box->click();
    QVERIFY(!ed().OnionSkin());
    const QImage withoutOnion = exported();
    QCOMPARE(withOnion, withoutOnion);

    // The numbers stay for the next run, and the box as it was left.
    box->click();
    restartWith({});
    QVERIFY(find<QCheckBox>("OnionSkinChk")->isChecked());
    QCOMPARE(find<QSpinBox>("OnionBeforeSpin")->value(), 3);
    QCOMPARE(find<QSpinBox>("OnionAfterSpin")->value(), 2);
  }

  void theViewAndTheWindowLayoutLastBetweenRuns() {
    TDXView* view = m_window->View();
    view->setFocus();
    QTest::keyClick(m_window.get(), Qt::Key_3, Qt::KeypadModifier);
    ed().SetZoom(70);
    Drag(view, QPoint(100, 100), QPoint(130, 120), Qt::MiddleButton);
    Drag(view, QPoint(100, 100), QPoint(110, 90), Qt::MiddleButton, Qt::ShiftModifier);
    const Matrix scene = ed().SceneMatrix();
    const D3DXVECTOR3 eye = ed().Panel().GetEye();
    QVERIFY(!Same(scene, ViewPresetMatrix(3, std::nullopt)));
    m_window->resize(1000, 700);
    auto* splitter = find<QSplitter>("SideSplitter");
    splitter->setSizes({splitter->width() - 300 - splitter->handleWidth(), 300});
    QApplication::processEvents();
    const int side = find<QWidget>("SidePanelScroll")->width();
    QVERIFY(side > 244);
    expand("SetupRollout");
    // The GIF's Optimize box, beside its size.
    auto* optimize = find<QCheckBox>("GifOptimizeChk");
    QVERIFY(!optimize->isChecked());
    optimize->click();
    QVERIFY(ed().GifOptimize());
    // The tween style too.
    expand("TrickRollout");
    emit find<QComboBox>("TweenStyle")->activated(2);

    restartWith({});
    QVERIFY(ed().GifOptimize());
    QVERIFY(find<QCheckBox>("GifOptimizeChk")->isChecked());
    QCOMPARE(ed().TweenStyle(), TweenMode::Ease);
    QCOMPARE(find<QComboBox>("TweenStyle")->currentText(), QStringLiteral("Ease in/out"));
    QCOMPARE(ed().ViewIndex(), 3);
    QCOMPARE(find<QComboBox>("ViewBox")->currentIndex(), 3);
    QCOMPARE(ed().Zoom(), 70);
    QCOMPARE(find<QSlider>("TrackBar1")->value(), 70);
    QVERIFY(Same(ed().SceneMatrix(), scene));
    QCOMPARE(ed().Panel().GetEye().x, eye.x);
    QCOMPARE(ed().Panel().GetEye().y, eye.y);
    QCOMPARE(m_window->size(), QSize(1000, 700));
    QCOMPARE(find<QWidget>("SidePanelScroll")->width(), side);
    QVERIFY(find<TVellRollout>("SetupRollout")->Expanded());

    // A camera that cannot be read starts on the front view.
    ed().ClearModifiedMark(3);
    m_window->close();
    m_window.reset();
    TRmxOptions(fs::path(m_config->path().toStdString()) / "Vell" / "DravoKit" / "options.json")
        .WriteString("Camera", "1 2 3");
    startWindow();
    QVERIFY(Same(ed().SceneMatrix(), ViewPresetMatrix(2, std::nullopt)));
  }

  void screenshotShowsTheWindowAfterStartUp() {
    const QString shot = m_config->path() + QStringLiteral("/shot.png");
    QProcess kit;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config->path() + QStringLiteral("/other"));
    env.insert(QStringLiteral("HOME"), m_config->path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QGuiApplication::platformName());
    // The program is checked for leaks here, in this process; in a child, Mesa's driver is unloaded
    // before the leak checker looks and its own blocks would look lost.
    env.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    kit.setProcessEnvironment(env);
    kit.start(QStringLiteral(DRAVO_KIT_BINARY),
              {QStringLiteral("--game"), QString::fromStdString(m_game.string()),
               QStringLiteral("--screenshot"), shot});
    QVERIFY(kit.waitForFinished(60000));
    QCOMPARE(kit.exitStatus(), QProcess::NormalExit);
    QVERIFY2(kit.exitCode() == 0, kit.readAllStandardError().constData());
    const QImage picture(shot);
    QCOMPARE(picture.size(), QSize(876, 725));
    // The picture run works on a copy of the options: the user's folder stays as it was.
    QVERIFY(!QDir(m_config->path() + QStringLiteral("/other")).exists());
  }
};

#ifdef DRAVO_MESA_DRIVER
#include <dlfcn.h>
#endif

int main(int argc, char** argv) {
#ifdef DRAVO_MESA_DRIVER
  // Mesa unloads its driver before the leak checker looks; the blocks the driver keeps to the end would
  // then look lost. Kept loaded, the driver's own data still points at them.
  dlopen(DRAVO_MESA_DRIVER, RTLD_NOW | RTLD_NODELETE);
#endif
  PrepareKitApplication();
  QApplication app(argc, argv);
  // Qt's own dialogs, so the tests can answer them.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
  ApplyAppLook(app);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "window_test.moc"
