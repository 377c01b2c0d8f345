#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/message_box.h"

using dravo::SaveChoice;
using dravo::TKelMsg;

namespace {

// Runs `act` on the message window once it is up. A watchdog closes it after a few seconds, so
// a failing test cannot hang the run.
class Responder {
 public:
  explicit Responder(std::function<void(TKelMsg*)> act) : m_act(std::move(act)) {
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
      auto* box = qobject_cast<TKelMsg*>(QApplication::activeModalWidget());
      if (!box || !box->isVisible()) return;
      m_poll.stop();
      m_seen = true;
      m_act(box);
    });
    m_poll.start(5);
    m_watchdog.setSingleShot(true);
    QObject::connect(&m_watchdog, &QTimer::timeout, [] {
      if (auto* box = qobject_cast<TKelMsg*>(QApplication::activeModalWidget())) box->done(QDialog::Rejected);
    });
    m_watchdog.start(5000);
  }
  bool seen() const { return m_seen; }

 private:
  std::function<void(TKelMsg*)> m_act;
  QTimer m_poll;
  QTimer m_watchdog;
  bool m_seen = false;
};

// What the window showed when it came up.
struct Look {
  QString title;
  QString text;
  QString okText;
  bool noShown = false;
  QRect geometry;
};

}  // namespace

class KelMsgTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> owner;
  TKelMsg* box = nullptr;

  bool ask(const QString& text, const QString& caption, bool yesNo, std::function<void(TKelMsg*)> act,
           Look* look = nullptr) {
    Responder responder([&](TKelMsg* b) {
      if (look) {
        *look = {b->windowTitle(), b->MsgText()->text(), b->OKBtn()->text(), b->CancelBtn()->isVisible(),
                 b->frameGeometry()};
      }
      act(b);
    });
    const bool answer = dravo::KelMsgBox(*box, text, caption, yesNo);
    if (!responder.seen()) qWarning("the message window never came up");
    return answer;
  }

 private slots:
  void init() {
    owner = std::make_unique<QWidget>();
    owner->setGeometry(100, 100, 876, 725);
    owner->show();
    QVERIFY(QTest::qWaitForWindowExposed(owner.get()));
    box = new TKelMsg(owner.get());
  }
  void cleanup() { owner.reset(); }

  void answers_data() {
    QTest::addColumn<bool>("yesNo");
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("answer");
    QTest::newRow("Yes") << true << "ok" << true;
    QTest::newRow("No") << true << "no" << false;
    QTest::newRow("close box on a question") << true << "close" << false;
    QTest::newRow("Escape") << true << "escape" << false;
    QTest::newRow("Enter presses Yes") << true << "enter" << true;
    QTest::newRow("Ok") << false << "ok" << true;
    QTest::newRow("close box on a notice") << false << "close" << false;
  }
  void answers() {
    QFETCH(bool, yesNo);
    QFETCH(QString, how);
    QFETCH(bool, answer);
    const bool got = ask(QStringLiteral("Do you want to save this trick?"),
                         QStringLiteral("Confirm trick save"), yesNo, [&](TKelMsg* b) {
                           if (how == QLatin1String("ok")) QTest::mouseClick(b->OKBtn(), Qt::LeftButton);
                           if (how == QLatin1String("no")) QTest::mouseClick(b->CancelBtn(), Qt::LeftButton);
                           if (how == QLatin1String("close")) b->close();
                           if (how == QLatin1String("escape")) QTest::keyClick(b, Qt::Key_Escape);
                           if (how == QLatin1String("enter")) QTest::keyClick(b, Qt::Key_Return);
                         });
    QCOMPARE(got, answer);
  }

  void unsavedWorkQuestionsHaveACancelThatDoesNothing() {
    const struct {
      const char* how;
      SaveChoice choice;
    } cases[] = {{"yes", SaveChoice::Save},      {"no", SaveChoice::Discard},
                 {"cancel", SaveChoice::Cancel}, {"close", SaveChoice::Cancel},
                 {"escape", SaveChoice::Cancel}, {"enter", SaveChoice::Save}};
    for (const auto& c : cases) {
      const QString how = QString::fromLatin1(c.how);
      bool threeButtons = false;
      Responder responder([&](TKelMsg* b) {
        threeButtons = b->OKBtn()->isVisible() && b->CancelBtn()->isVisible() && b->AbortBtn()->isVisible();
        if (how == QLatin1String("yes")) QTest::mouseClick(b->OKBtn(), Qt::LeftButton);
        if (how == QLatin1String("no")) QTest::mouseClick(b->CancelBtn(), Qt::LeftButton);
        if (how == QLatin1String("cancel")) QTest::mouseClick(b->AbortBtn(), Qt::LeftButton);
        if (how == QLatin1String("close")) b->close();
        if (how == QLatin1String("escape")) QTest::keyClick(b, Qt::Key_Escape);
        if (how == QLatin1String("enter")) QTest::keyClick(b, Qt::Key_Return);
      });
      const SaveChoice got =
          box->AskToSave(QStringLiteral("You have modified this trick"), QStringLiteral("Trick modified"));
      QVERIFY2(got == c.choice, c.how);
      QVERIFY(threeButtons);
    }
    // A plain question afterwards has its two buttons again.
    Look look;
    QVERIFY(ask(
        QStringLiteral("Save?"), QStringLiteral("Confirm trick save"), true,
        [](TKelMsg* b) {
          QVERIFY(!b->AbortBtn()->isVisible());
          QTest::mouseClick(b->OKBtn(), Qt::LeftButton);
        },
        &look));
    QVERIFY(look.noShown);
  }

  void buttonsFollowTheKindOfMessage() {
    Look look;
    ask(
        QStringLiteral("Do you want to save these textures?"), QStringLiteral("Confirm texture save"), true,
        [](TKelMsg* b) { b->reject(); }, &look);
    QCOMPARE(look.okText, QStringLiteral("Yes"));
    QVERIFY(look.noShown);
    QCOMPARE(box->CancelBtn()->text(), QStringLiteral("No"));
    ask(
        QStringLiteral("The new resolution will take effect next time you start the editor"),
        QStringLiteral("Resolution changed"), false, [](TKelMsg* b) { b->accept(); }, &look);
    QCOMPARE(look.okText, QStringLiteral("Ok"));
    QVERIFY(!look.noShown);
    QCOMPARE(look.title, QStringLiteral("Resolution changed"));
    QCOMPARE(look.text, QStringLiteral("The new resolution will take effect next time you start the editor"));
    ask(
        QStringLiteral("Do you want to save this trick?"), QStringLiteral("Confirm trick save"), true,
        [](TKelMsg* b) { b->accept(); }, &look);
    QCOMPARE(look.okText, QStringLiteral("Yes"));
    QVERIFY(look.noShown);
  }

  void emptyCaptionKeepsThePreviousOne() {
    Look look;
    ask(QStringLiteral("first"), QStringLiteral("Trick PAK error"), false, [](TKelMsg* b) { b->accept(); });
    ask(
        QStringLiteral("second"), QString(), false, [](TKelMsg* b) { b->accept(); }, &look);
    QCOMPARE(look.title, QStringLiteral("Trick PAK error"));
    QCOMPARE(look.text, QStringLiteral("second"));
  }

  void layoutAndColours() {
    Look look;
    ask(
        QStringLiteral("<b>not bold</b>"), QStringLiteral("Texture read error"), false,
        [](TKelMsg* b) { b->accept(); }, &look);
    QCOMPARE(box->size(), QSize(374, 149));
    QVERIFY(box->isModal());
    QCOMPARE(box->MsgText()->geometry(), QRect(72, 13, 285, 70));
    QVERIFY(box->MsgText()->wordWrap());
    QCOMPARE(box->MsgText()->textFormat(), Qt::PlainText);
    QCOMPARE(box->OKBtn()->geometry(), QRect(203, 93, 75, 23));
    QCOMPARE(box->CancelBtn()->geometry(), QRect(279, 93, 75, 23));
    QVERIFY(box->OKBtn()->isDefault());
    // The text is drawn opaque, yellow-green on a dusky red.
    const QImage shot = box->MsgText()->grab().toImage();
    QCOMPARE(QColor(shot.pixel(1, 1)), QColor(0x7A, 0x62, 0x62));
    QCOMPARE(box->MsgText()->palette().color(QPalette::WindowText), QColor(0xCC, 0xFF, 0x00));
    // Centred on its owner.
    const QPoint ownerCentre = owner->frameGeometry().center();
    QVERIFY2((look.geometry.center() - ownerCentre).manhattanLength() <= 4,
             qPrintable(QStringLiteral("%1,%2 vs %3,%4")
                            .arg(look.geometry.center().x())
                            .arg(look.geometry.center().y())
                            .arg(ownerCentre.x())
                            .arg(ownerCentre.y())));
  }

  void theGivenWindowAnswers() {
    Responder responder([](TKelMsg* b) {
      QCOMPARE(b->windowTitle(), QStringLiteral("Unsaved files"));
      QTest::mouseClick(b->OKBtn(), Qt::LeftButton);
    });
    QVERIFY(dravo::KelMsgBox(
        *box, QStringLiteral("Do you want to save the files you have transferred to an Export PAK file?"),
        QStringLiteral("Unsaved files"), true));
    QVERIFY(responder.seen());
    QCOMPARE(box->windowTitle(), QStringLiteral("Unsaved files"));

    // Without one, a window is made for the call.
    Responder other([this](TKelMsg* b) {
      QVERIFY(b != box);
      b->reject();
    });
    QVERIFY(!dravo::KelMsgBox(QStringLiteral("x"), QStringLiteral("y"), true));
    QVERIFY(other.seen());
  }
};

QTEST_MAIN(KelMsgTest)
#include "message_box_test.moc"
