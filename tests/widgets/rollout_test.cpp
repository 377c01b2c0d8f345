#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/rollout.h"

using dravo::TVellRollout;
using Align = TVellRollout::TAlign;
using ImageType = TVellRollout::THeaderImageType;

namespace {

void Send(QWidget* w, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void ClickAt(QWidget* w, QPointF press, QPointF release) {
  Send(w, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
  Send(w, QEvent::MouseButtonRelease, release, Qt::LeftButton, Qt::NoButton);
}

// A picture strip of the given size.
QPixmap Strip(int w, int h) {
  QPixmap p(w, h);
  p.fill(Qt::darkCyan);
  return p;
}

// A parent with a vertical layout, as the side panel has.
struct Panel {
  QWidget widget;
  QVBoxLayout* layout = new QVBoxLayout(&widget);
  TVellRollout* rollout = new TVellRollout(QStringLiteral(" Skins"));
  int expandedEvents = 0;

  explicit Panel(Align align) {
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(rollout);
    rollout->SetAlign(align);
    rollout->OnExpanded = [this](TVellRollout*) { ++expandedEvents; };
    widget.resize(200, 400);
    widget.show();
    settle();
  }
  // Posted layout requests travel one level per pass.
  void settle() {
    for (int i = 0; i < 4; ++i) {
      QApplication::processEvents();
      layout->activate();
    }
  }
};

}  // namespace

class VellRolloutTest : public QObject {
  Q_OBJECT

 private slots:
  void clientAlignedComesBackWithItsHeight() {
    Panel panel(Align::Client);
    QCOMPARE(panel.rollout->height(), 400);
    panel.rollout->SetExpanded(false);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 24);
    QCOMPARE(panel.rollout->Align(), Align::Top);
    QVERIFY(!panel.rollout->Content()->isVisible());
    panel.rollout->SetExpanded(true);
    panel.settle();
    QCOMPARE(panel.rollout->Align(), Align::Client);
    QCOMPARE(panel.rollout->height(), 400);
    QVERIFY(panel.rollout->Content()->isVisible());
    QCOMPARE(panel.expandedEvents, 2);
  }

  void fixedHeightComesBack() {
    Panel panel(Align::Top);
    panel.rollout->SetHeight(150);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 150);
    panel.rollout->SetExpanded(false);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 24);
    // Changes made while collapsed wait for the next expansion.
    panel.rollout->SetHeight(180);
    QCOMPARE(panel.rollout->height(), 24);
    panel.rollout->SetExpanded(true);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 180);
  }

  void settingTheSameStateRaisesNothing() {
    Panel panel(Align::Top);
    panel.rollout->SetExpanded(true);
    QCOMPARE(panel.expandedEvents, 0);
    panel.rollout->SetExpanded(false);
    panel.rollout->SetExpanded(false);
    QCOMPARE(panel.expandedEvents, 1);
  }

  void headerHeightFromThePicture_data() {
    QTest::addColumn<int>("pictureHeight");
    QTest::addColumn<ImageType>("type");
    QTest::addColumn<int>("collapsed");
    QTest::newRow("no picture") << 0 << ImageType::hgiSingle << 24;
    QTest::newRow("single") << 30 << ImageType::hgiSingle << 30;
    QTest::newRow("half of 96") << 96 << ImageType::hgiHalf << 24;
    QTest::newRow("full of 140") << 140 << ImageType::hgiFull << 20;
    QTest::newRow("full of 143") << 143 << ImageType::hgiFull << 20;
  }
  void headerHeightFromThePicture() {
    QFETCH(int, pictureHeight);
    QFETCH(ImageType, type);
    QFETCH(int, collapsed);
    Panel panel(Align::Client);
    if (pictureHeight > 0) panel.rollout->SetHeaderGlyph(Strip(120, pictureHeight));
    panel.rollout->SetHeaderImagetype(type);
    panel.rollout->SetExpanded(false);
    panel.settle();
    QCOMPARE(panel.rollout->height(), collapsed);
    QCOMPARE(panel.rollout->HeaderRect().height(), collapsed);
  }

  void headerRectangle() {
    Panel panel(Align::Client);
    panel.rollout->SetHeaderMargin(8);
    QCOMPARE(panel.rollout->HeaderRect(), QRect(8, 0, 184, 24));
    // A picture is centred in the width.
    panel.rollout->SetHeaderGlyph(Strip(120, 96));
    panel.rollout->SetHeaderImagetype(ImageType::hgiHalf);
    QCOMPARE(panel.rollout->HeaderRect(), QRect(40, 0, 120, 24));
  }

  void lowerThanTheHeaderGrows() {
    Panel panel(Align::Top);
    panel.rollout->SetHeight(10);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 24);
  }

  void fitsItsContent() {
    Panel panel(Align::Top);
    auto* layout = new QVBoxLayout(panel.rollout->Content());
    layout->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(QStringLiteral("content"));
    label->setFixedHeight(100);
    layout->addWidget(label);
    panel.settle();
    // Header, a gap above and below the content.
    QCOMPARE(panel.rollout->height(), 24 + 4 + 100 + 6);
    QCOMPARE(panel.rollout->Content()->height(), 100);
    label->setFixedHeight(50);
    panel.settle();
    QCOMPARE(panel.rollout->height(), 24 + 4 + 50 + 6);
  }

  void releaseInsideTheHeaderToggles() {
    Panel panel(Align::Client);
    TVellRollout* r = panel.rollout;
    r->SetHeaderMargin(8);
    ClickAt(r, QPointF(50, 50), QPointF(50, 30));  // below the header
    QVERIFY(r->Expanded());
    ClickAt(r, QPointF(50, 10), QPointF(50, 10));
    QVERIFY(!r->Expanded());
    panel.settle();
    // The header's right and bottom edges count as inside.
    ClickAt(r, QPointF(192, 24), QPointF(192, 24));
    QVERIFY(r->Expanded());
    ClickAt(r, QPointF(7, 10), QPointF(7, 10));  // in the margin
    QVERIFY(r->Expanded());
    // A right click does nothing.
    Send(r, QEvent::MouseButtonPress, QPointF(50, 10), Qt::RightButton, Qt::RightButton);
    Send(r, QEvent::MouseButtonRelease, QPointF(50, 10), Qt::RightButton, Qt::NoButton);
    QVERIFY(r->Expanded());
  }

  void pointerOverTheHeader() {
    Panel panel(Align::Client);
    int over = 0;
    int left = 0;
    panel.rollout->OnCursorOver = [&](TVellRollout*) { ++over; };
    panel.rollout->OnCursorLeft = [&](TVellRollout*) { ++left; };
    Send(panel.rollout, QEvent::MouseMove, QPointF(50, 10), Qt::NoButton, Qt::NoButton);
    QVERIFY(panel.rollout->HeaderHot());
    Send(panel.rollout, QEvent::MouseMove, QPointF(50, 12), Qt::NoButton, Qt::NoButton);
    Send(panel.rollout, QEvent::MouseMove, QPointF(50, 100), Qt::NoButton, Qt::NoButton);
    QVERIFY(!panel.rollout->HeaderHot());
    QCOMPARE(over, 1);
    QCOMPARE(left, 1);
  }

  void keyboardToggles() {
    Panel panel(Align::Top);
    panel.rollout->setFocus();
    QTest::keyClick(panel.rollout, Qt::Key_Space);
    QVERIFY(!panel.rollout->Expanded());
    QTest::keyClick(panel.rollout, Qt::Key_Right);
    QVERIFY(panel.rollout->Expanded());
  }
};

QTEST_MAIN(VellRolloutTest)
#include "rollout_test.moc"
