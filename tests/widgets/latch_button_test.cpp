#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <vector>

#include "widgets/latch_button.h"

using dravo::TVellButton;

namespace {

void Send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

}  // namespace

class VellButtonTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TVellButton> button;
  std::vector<bool> latchEvents;

 private slots:
  void init() {
    button = std::make_unique<TVellButton>();
    latchEvents.clear();
    button->OnLatchChanged = [this](TVellButton*, bool latched) { latchEvents.push_back(latched); };
    button->show();
    QVERIFY(QTest::qWaitForWindowExposed(button.get()));
  }
  void cleanup() { button.reset(); }

  void newButtonIs35Square() {
    TVellButton b;
    QCOMPARE(b.size(), QSize(35, 35));
    QVERIFY(!b.CanLatch());
    QVERIFY(!b.Latched());
  }

  void pressTogglesLatchAndReports() {
    button->SetCanLatch(true);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QVERIFY(button->Latched());
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QVERIFY(!button->Latched());
    QCOMPARE(latchEvents, (std::vector<bool>{true, false}));
  }

  void vetoKeepsStateAndRaisesNothing() {
    button->SetCanLatch(true);
    int asked = 0;
    button->OnLatchChanging = [&](TVellButton*, bool& allow) {
      QVERIFY(allow);  // starts true
      ++asked;
      allow = false;
    };
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QCOMPARE(asked, 1);
    QVERIFY(!button->Latched());
    QVERIFY(latchEvents.empty());
    // A refused press does not leave the button drawn down.
    QVERIFY(!button->isDown());

    button->OnLatchChanging = nullptr;
    button->SetLatched(true);
    button->OnLatchChanging = [](TVellButton*, bool& allow) { allow = false; };
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QVERIFY(button->Latched());
    QCOMPARE(latchEvents, (std::vector<bool>{true}));
  }

  void settersRaiseOnlyOnChange() {
    button->SetLatched(false);
    QVERIFY(latchEvents.empty());
    button->SetCanLatch(true);
    button->SetLatched(true);
    button->SetLatched(true);
    // Switching latching off releases the button, with its event.
    button->SetCanLatch(false);
    QVERIFY(!button->Latched());
    QCOMPARE(latchEvents, (std::vector<bool>{true, false}));
  }

  void plainButtonClicksWithoutLatching() {
    QSignalSpy clicks(button.get(), &QAbstractButton::clicked);
    QTest::mouseClick(button.get(), Qt::LeftButton);
    QCOMPARE(clicks.count(), 1);
    QVERIFY(!button->Latched());
    QVERIFY(!button->isDown());
    QVERIFY(latchEvents.empty());
  }

  void draggingOffBringsItUpWithoutClick() {
    QSignalSpy clicks(button.get(), &QAbstractButton::clicked);
    const QPointF inside(10, 10);
    const QPointF outside(60, 10);
    Send(button.get(), QEvent::MouseButtonPress, inside, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(button->isDown());
    Send(button.get(), QEvent::MouseMove, outside, Qt::NoButton, Qt::LeftButton);
    QVERIFY(!button->isDown());
    QVERIFY(!button->MouseOver());
    Send(button.get(), QEvent::MouseButtonRelease, outside, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(clicks.count(), 0);
    QVERIFY(!button->isDown());
  }

  void cursorOverAndLeft() {
    Send(button.get(), QEvent::MouseMove, QPointF(50, 10), Qt::NoButton, Qt::NoButton);
    QVERIFY(!button->MouseOver());
    int over = 0;
    int left = 0;
    button->OnCursorOver = [&](TVellButton*) { ++over; };
    button->OnCursorLeft = [&](TVellButton*) { ++left; };
    Send(button.get(), QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton);
    Send(button.get(), QEvent::MouseMove, QPointF(12, 12), Qt::NoButton, Qt::NoButton);
    QVERIFY(button->MouseOver());
    // The edge itself is outside.
    Send(button.get(), QEvent::MouseMove, QPointF(0, 10), Qt::NoButton, Qt::NoButton);
    QVERIFY(!button->MouseOver());
    QCOMPARE(over, 1);
    QCOMPARE(left, 1);
  }

  void rightPressStartsDragWhenAllowed() {
    int drags = 0;
    button->OnStartDrag = [&](TVellButton*) { ++drags; };
    Send(button.get(), QEvent::MouseMove, QPointF(10, 10), Qt::NoButton, Qt::NoButton);
    QTest::mouseClick(button.get(), Qt::RightButton);
    QCOMPARE(drags, 0);
    button->SetCanDrag(true);
    QTest::mousePress(button.get(), Qt::RightButton);
    QCOMPARE(drags, 1);
    QVERIFY(!button->MouseOver());
    QTest::mouseRelease(button.get(), Qt::RightButton);
  }

  void spaceKeyLatchesToo() {
    button->SetCanLatch(true);
    button->setFocus();
    QTest::keyClick(button.get(), Qt::Key_Space);
    QVERIFY(button->Latched());
  }

  void paintsEveryState() {
    // Each state draws without trouble and differently from the plain one.
    button->setText(QStringLiteral("Play"));
    const QImage plain = button->grab().toImage();
    button->SetCanLatch(true);
    button->SetLatched(true);
    const QImage latched = button->grab().toImage();
    QVERIFY(plain != latched);
    button->setEnabled(false);
    QVERIFY(button->grab().toImage() != latched);
  }
};

QTEST_MAIN(VellButtonTest)
#include "latch_button_test.moc"
