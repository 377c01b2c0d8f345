// The main window's parts on Qt's offscreen platform: the transfer window bound to its rules, the status
// bar's "MODIFIED" sign, the help pages, the host run unattended and its timers, the view without an
// OpenGL widget, and the joystick pads.

#include <QApplication>
#include <QImage>
#include <QListWidget>
#include <QOpenGLWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <memory>

#include "app/colour_swatch.h"
#include "app/help_window.h"
#include "app/joystick_pad.h"
#include "app/modified_panel.h"
#include "app/qt_editor_host.h"
#include "app/transfer_window.h"
#include "app/view_widget.h"
#include "archive/pak_archive.h"
#include "core/memory_stream.h"
#include "editor/trick_transfer.h"
#include "ui_robot.h"
#include "widgets/latch_button.h"

using namespace dravo;
using dravo::test::UiRobot;

namespace {

// The editor's side of the transfer window: the window itself, and the answers to its questions.
class TransferHost : public SilentEditorHost {
 public:
  TTxTrxForm* form = nullptr;
  QStringList asked;
  bool KelMsgBox(const std::string& text, const std::string& caption, bool) override {
    asked << QString::fromStdString(caption + ": " + text);
    return false;
  }
  void ShowError(const std::string& text) override { asked << QString::fromStdString("error: " + text); }
  bool ShowTransferWindow(TrickTransfer& transfer) override { return form->Execute(transfer); }
};

void Put(TMvAFolder& archive, const std::string& name, std::size_t size) {
  MemoryStream bytes;
  std::vector<std::uint8_t> data(size, 7);
  bytes.write(data.data(), data.size());
  bytes.setPosition(0);
  archive.Put(name, &bytes);
}

QStringList Texts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i)
    out << list->item(i)->text();
  return out;
}

}  // namespace

class PartsTest : public QObject {
  Q_OBJECT

 private slots:
  void transferWindowShowsAndDrivesItsRules() {
    auto archive = TMvAFolder::CreateNew("unused.pak");
    Put(*archive, "Data\\Rider\\Anim\\mx_nacnac.mot", 40);
    Put(*archive, "Data\\Veh\\Anim\\bike_nacnac.mot", 40);
    Put(*archive, "Data\\Veh\\Tex\\red.dxt", 20);
    Put(*archive, "Data\\Other\\readme.txt", 5);

    TransferHost host;
    TTxTrxForm form;
    host.form = &form;
    TrickTransfer transfer(host);
    UiRobot robot;
    QStringList left, right;
    QList<int> icons;
    int itemHeight = 0;
    bool saveEnabledAfterExport = false;
    robot.Expect<TTxTrxForm>([&](TTxTrxForm* f) {
      QCOMPARE(f->windowTitle(), QStringLiteral("Export tricks to PAK"));
      QCOMPARE(f->size(), QSize(397, 355));
      QCOMPARE(f->NewPakBtn()->toolTip(), QStringLiteral("Create a new PAK to save to"));
      QCOMPARE(f->OpenPakBtn()->toolTip(), QStringLiteral("Open an existing PAK file"));
      QCOMPARE(f->SaveBtn()->toolTip(), QStringLiteral("Save the Import/Export PAK"));
      QVERIFY(f->ExportBtn()->isEnabled());
      QVERIFY(!f->ImportBtn()->isEnabled());
      QVERIFY(!f->SaveBtn()->isEnabled());
      left = Texts(f->SrcListBox());
      for (int i = 0; i < f->SrcListBox()->count(); ++i)
        icons << f->SrcListBox()->item(i)->data(Qt::UserRole + 1).toInt();
      itemHeight = f->SrcListBox()->visualItemRect(f->SrcListBox()->item(0)).height();
      // Two of the installed entries go to the export side, as a pending list.
      f->SrcListBox()->item(0)->setSelected(true);
      f->SrcListBox()->item(2)->setSelected(true);
      QTest::mouseClick(f->ExportBtn(), Qt::LeftButton);
      right = Texts(f->DstListBox());
      saveEnabledAfterExport = f->SaveBtn()->isEnabled();
      QTest::mouseClick(f->CancelBtn(), Qt::LeftButton);
    });
    QVERIFY(!transfer.Execute(*archive));
    QVERIFY(robot.AllDone());
    QCOMPARE(left, (QStringList{"mx_nacnac", "bike_nacnac", "red"}));
    QCOMPARE(icons, (QList<int>{0, 1, 1}));
    QVERIFY(itemHeight >= 15);
    QCOMPARE(right, (QStringList{"mx_nacnac", "red"}));
    QVERIFY(saveEnabledAfterExport);
    // Cancelled with a pending list: the rules ask whether to save it.
    QCOMPARE(host.asked,
             QStringList{
                 "Unsaved files: Do you want to save the files you have transferred to an Export PAK file?"});
  }

  void importWithoutAnExportPakSaysWhy() {
    auto archive = TMvAFolder::CreateNew("unused.pak");
    TransferHost host;
    TTxTrxForm form;
    host.form = &form;
    TrickTransfer transfer(host);
    UiRobot robot;
    robot.Expect<TTxTrxForm>([&](TTxTrxForm* f) {
      f->ImportBtn()->setEnabled(true);
      QTest::mouseClick(f->ImportBtn(), Qt::LeftButton);
      f->reject();
    });
    transfer.Execute(*archive);
    QVERIFY(robot.AllDone());
    QCOMPARE(host.asked,
             QStringList{"File copy error: You need to open a PAK file to copy from before you try to "
                         "copy files to your $dravo.pak"});
  }

  void modifiedSignShowsWhileAnythingIsUnsaved() {
    TModifiedPanel panel;
    panel.resize(TModifiedPanel::kWidth, 16);
    QCOMPARE(panel.width(), 50);
    QCOMPARE(panel.SignRect(), QRect());
    const auto painted = [&panel] {
      const QImage image = panel.grab().toImage();
      return image.pixelColor(8, 8);
    };
    const QColor plain = painted();
    panel.SetMarks(2);
    QCOMPARE(panel.SignRect(), QRect(2, 1, 14, 14));
    QVERIFY(painted() != plain);
    QCOMPARE(panel.accessibleName(), QStringLiteral("MODIFIED"));
    panel.SetMarks(0);
    QCOMPARE(panel.SignRect(), QRect());
    QCOMPARE(painted(), plain);
  }

  void helpFilesMapOntoOurPages() {
    const QString folder = HelpFolder();
    QVERIFY(!folder.isEmpty());
    QVERIFY(HelpPageFor(folder, "dravokit.chm", "").endsWith("/index.html"));
    QVERIFY(HelpPageFor(folder, "dravohelp.chm", "license.htm").endsWith("/license.htm"));
    QVERIFY(HelpPageFor(folder, "dravohelp.chm", "whatsnew.htm").endsWith("/whatsnew.htm"));
    QVERIFY(HelpPageFor(folder, "dravohelp.chm", "../../etc/passwd").endsWith("/index.html"));
    THelpWindow help;
    help.ShowTopic("dravohelp.chm", "whatsnew.htm");
    QVERIFY(help.isVisible());
    QCOMPARE(help.Browser()->documentTitle(), QStringLiteral("What is new"));
    help.ShowTopic("dravokit.chm", "");
    QCOMPARE(help.Browser()->documentTitle(), QStringLiteral("Dravo Kit help"));
  }

  void unattendedHostOpensNothing() {
    TQtEditorHost host(TQtEditorHost::Windows{}, true);
    QVERIFY(!host.KelMsgBox("Do you want to save this trick?", "Confirm trick save", true));
    QVERIFY(host.KelMsgBox("The new resolution will take effect next time you start the editor",
                           "Resolution changed", false));
    QVERIFY(!host.ChooseOpenPak());
    QVERIFY(!host.ChooseSaveGif("backflip.gif"));
    QVERIFY(!host.ChooseColor(0));
    QCOMPARE(
        host.Show("3D Hardware can't be used", "3D Hardware support", TMsgButtons::YesNo, TMsgIcon::Question),
        TMsgAnswer::No);
    QVERIFY(host.ExportProgress(0, 10));
    QVERIFY(QApplication::topLevelWidgets().isEmpty() || QApplication::activeModalWidget() == nullptr);
  }

  void timersFollowTheEditor() {
    TQtEditorHost host(TQtEditorHost::Windows{}, true);
    int ticks = 0;
    host.OnFrameTimer = [&] { ++ticks; };
    host.SetTimer(EditorTimer::Frame, true, 10);
    QVERIFY(host.FrameTimer().isActive());
    QCOMPARE(host.FrameTimer().interval(), 10);
    QTRY_VERIFY(ticks >= 2);
    host.SetTimer(EditorTimer::Frame, false, 10);
    QVERIFY(!host.FrameTimer().isActive());
    QCOMPARE(host.JoystickTimer().interval(), 50);
  }

  void offscreenViewMakesNoOpenGLWidget() {
    QCOMPARE(TDXView::PlatformKind(), TDXView::Kind::Headless);
    TDXView view;
    view.resize(320, 240);
    view.PanelColor = [] { return QColor(0x90, 0x80, 0x80); };
    bool ready = false;
    QObject::connect(&view, &TDXView::ContextReady, [&] { ready = true; });
    view.show();
    QTRY_VERIFY(ready);
    QVERIFY(view.findChild<QOpenGLWidget*>() == nullptr);
    // Nothing to show: the plain panel in the panel's colour.
    QCOMPARE(view.grab().toImage().pixelColor(160, 120), QColor(0x90, 0x80, 0x80));

    // Mouse input reaches the editor with the buttons and keys held, in the view's own pixels.
    std::vector<std::pair<int, int>> moves;
    EditorShift lastShift;
    view.OnMouseMove = [&](EditorShift shift, int x, int y) {
      lastShift = shift;
      moves.emplace_back(x, y);
    };
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 40), view.mapToGlobal(QPointF(50, 40)), Qt::NoButton,
                     Qt::RightButton, Qt::ControlModifier);
    QApplication::sendEvent(&view, &move);
    QCOMPARE(moves.size(), std::size_t(1));
    QVERIFY(lastShift.ctrl && lastShift.right && !lastShift.left && !lastShift.alt);
    QVERIFY(std::abs(moves[0].first - 50) <= 2 && std::abs(moves[0].second - 40) <= 2);
  }

  void joystickPadsReportThePointer() {
    TJoystickPad pad(1);
    QCOMPARE(pad.size(), QSize(43, 43));
    QCOMPARE(pad.toolTip(), QStringLiteral("Click and drag to move the model"));
    QStringList seen;
    pad.OnMouseDown = [&](TJoystickPad* p) { seen << QStringLiteral("down %1").arg(p->Tag()); };
    pad.OnMouseMove = [&](TJoystickPad*, int x, int y) {
      seen << QStringLiteral("move %1,%2").arg(x).arg(y);
    };
    pad.OnMouseUp = [&](TJoystickPad*) { seen << QStringLiteral("up"); };
    pad.show();
    // The pointer over the pad counts before any press.
    QTest::mouseMove(&pad, QPoint(5, 30));
    QTest::mousePress(&pad, Qt::LeftButton, Qt::NoModifier, QPoint(5, 30));
    QTest::mouseRelease(&pad, Qt::LeftButton, Qt::NoModifier, QPoint(5, 30));
    QCOMPARE(seen, (QStringList{"move 5,30", "down 1", "up"}));
  }

  void coloursKeepRedInTheLowByte() {
    QCOMPARE(ToQColor(8421520), QColor(0x90, 0x80, 0x80));
    QCOMPARE(FromQColor(QColor(0x75, 0x58, 0x46)), 4610165u);
  }
};

QTEST_MAIN(PartsTest)
#include "parts_test.moc"
