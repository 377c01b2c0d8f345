#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <vector>

#include "widgets/tween_bar.h"

using dravo::TTweenBar;
using dravo::TweenBarLogic;

namespace {

const QColor kBackground(187, 187, 136);

void Send(QWidget* w, QEvent::Type type, double x, Qt::MouseButton button, Qt::MouseButtons buttons) {
  const QPointF pos(x, 9);
  QMouseEvent e(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

TweenBarLogic Logic(int frames, int width) {
  TweenBarLogic logic;
  logic.Margin = 7;
  logic.SetFrames(frames, width);
  return logic;
}

// Far from the background: ink of a number, a tick or the range.
bool Inked(QRgb c) {
  return std::abs(qRed(c) - kBackground.red()) + std::abs(qGreen(c) - kBackground.green()) +
             std::abs(qBlue(c) - kBackground.blue()) >
         120;
}

bool AnyInk(const QImage& image, QRect area) {
  area = area.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (Inked(image.pixel(x, y))) return true;
  return false;
}

}  // namespace

class TweenBarTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TTweenBar> bar;
  std::vector<std::tuple<bool, int, int>> ranges;  // idle, start, end at each callback

  QImage render() {
    QImage image(bar->size(), QImage::Format_RGB32);
    bar->render(&image);
    return image;
  }
  int tick(int n) const { return bar->Logic().TickPositions()[static_cast<std::size_t>(n - 1)]; }

 private slots:
  void init() {
    bar = std::make_unique<TTweenBar>();
    QPalette pal = bar->palette();
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Light, Qt::white);
    pal.setColor(QPalette::Dark, QColor(128, 128, 128));
    bar->setPalette(pal);
    bar->SetColor(kBackground);
    bar->SetMargin(7);
    bar->resize(600, 18);
    bar->SetFrames(30);
    ranges.clear();
    bar->OnRangeChange = [this](TTweenBar* b) {
      ranges.emplace_back(b->IsIdle(), b->StartFrame(), b->EndFrame());
    };
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar.get()));
  }
  void cleanup() { bar.reset(); }

  void spacing() {
    QCOMPARE(Logic(30, 600).Spacing, 586.0f / 29.0f);
    QCOMPARE(Logic(1, 600).Spacing, 0.0f);
    QCOMPARE(Logic(0, 600).Spacing, 0.0f);
    TweenBarLogic logic = Logic(11, 114);
    QVERIFY(!logic.SetFrames(11, 500));  // same count: nothing recomputed
    QCOMPARE(logic.Spacing, 10.0f);
    // The widget recomputes it when it is resized.
    bar->resize(300, 18);
    QCOMPARE(bar->Spacing(), 286.0f / 29.0f);
  }

  void itemFromX_data() {
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("x");
    QTest::addColumn<int>("item");
    // 11 frames in 114 pixels: ticks every 10 pixels from 7.
    QTest::newRow("first tick") << 11 << 114 << 7.0 << 1;
    QTest::newRow("nearest") << 11 << 114 << 18.0 << 2;
    QTest::newRow("half goes to even (1.5)") << 11 << 114 << 22.0 << 3;
    QTest::newRow("half goes to even (2.5)") << 11 << 114 << 32.0 << 3;
    QTest::newRow("half goes to even (0.5)") << 11 << 114 << 12.0 << 1;
    QTest::newRow("left of the first") << 11 << 114 << -40.0 << 1;
    QTest::newRow("right of the last") << 11 << 114 << 5000.0 << 11;
    QTest::newRow("one frame") << 1 << 114 << 80.0 << 1;
    QTest::newRow("no room") << 5 << 10 << 8.0 << 1;
  }
  void itemFromX() {
    QFETCH(int, frames);
    QFETCH(int, width);
    QFETCH(double, x);
    QFETCH(int, item);
    QCOMPARE(Logic(frames, width).ItemFromX(x), item);
  }

  void ticksAccumulateAndRound() {
    // 2.5 pixels apart: 7, 9.5, 12, 14.5, 17 round to 7, 10, 12, 14, 17 (halves to even).
    QCOMPARE(Logic(5, 24).TickPositions(), (std::vector<int>{7, 10, 12, 14, 17}));
    QVERIFY(Logic(0, 24).TickPositions().empty());
  }

  void labelledFrames() {
    TweenBarLogic small = Logic(40, 600);
    for (int n = 1; n <= 40; ++n)
      QVERIFY(small.IsLabelled(n));
    TweenBarLogic large = Logic(43, 600);
    std::vector<int> labelled;
    for (int n = 1; n <= 43; ++n)
      if (large.IsLabelled(n)) labelled.push_back(n);
    QCOMPARE(labelled, (std::vector<int>{1, 6, 11, 16, 21, 26, 31, 36, 41, 43}));
  }

  void dragReportsTheRange() {
    Send(bar.get(), QEvent::MouseButtonPress, tick(5), Qt::LeftButton, Qt::LeftButton);
    QVERIFY(bar->Dragging());
    QVERIFY(bar->FrameLabel()->isVisible());
    QCOMPARE(bar->FrameLabel()->text(), QStringLiteral("5"));
    Send(bar.get(), QEvent::MouseMove, tick(3) + 1, Qt::NoButton, Qt::LeftButton);
    Send(bar.get(), QEvent::MouseMove, -30, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(bar->FrameLabel()->text(), QStringLiteral("1"));
    Send(bar.get(), QEvent::MouseButtonRelease, -30, Qt::LeftButton, Qt::NoButton);
    QVERIFY(!bar->FrameLabel()->isVisible());
    using R = std::tuple<bool, int, int>;
    QCOMPARE(ranges, (std::vector<R>{R{false, 5, 5}, R{false, 5, 3}, R{false, 5, 1}, R{true, 5, 1}}));

    // A right click moves nothing and reports the last range once, on release.
    ranges.clear();
    Send(bar.get(), QEvent::MouseButtonPress, tick(20), Qt::RightButton, Qt::RightButton);
    Send(bar.get(), QEvent::MouseMove, tick(25), Qt::NoButton, Qt::RightButton);
    Send(bar.get(), QEvent::MouseButtonRelease, tick(25), Qt::RightButton, Qt::NoButton);
    QCOMPARE(ranges, (std::vector<R>{R{true, 5, 1}}));
  }

  void paintsTicksAndNumbers() {
    const QImage image = render();
    const QRgb black = qRgb(0, 0, 0);
    for (int n = 1; n <= 30; ++n) {
      const int x = tick(n);
      QCOMPARE(image.pixel(x, 14), black);
      QCOMPARE(image.pixel(x, 15), black);
      QCOMPARE(image.pixel(x, 16), kBackground.rgb());
      // Every frame of a short bar has its number above the tick.
      QVERIFY2(AnyInk(image, QRect(x - 3, 1, 7, 10)), qPrintable(QString::number(n)));
    }
    // Between the ticks the strip is clear, and no range is drawn.
    for (int n = 1; n < 30; ++n) {
      const int between = (tick(n) + tick(n + 1)) / 2;
      QCOMPARE(image.pixel(between, 14), kBackground.rgb());
    }
    // The lowered bevel: dark at the top and left, light at the bottom and right.
    QCOMPARE(image.pixel(300, 0), qRgb(128, 128, 128));
    QCOMPARE(image.pixel(0, 9), qRgb(128, 128, 128));
    QCOMPARE(image.pixel(300, 17), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(599, 9), qRgb(255, 255, 255));
  }

  void longBarsNumberEveryFifthFrame() {
    bar->resize(900, 18);
    bar->SetFrames(60);
    const QImage image = render();
    for (int n = 1; n <= 60; ++n) {
      const int x = tick(n);
      QCOMPARE(image.pixel(x, 14), qRgb(0, 0, 0));
      const bool labelled = n % 5 == 1 || n == 60;
      // Unlabelled frames sit between labels: only their middle column is looked at.
      if (labelled) {
        QVERIFY2(AnyInk(image, QRect(x - 3, 1, 7, 10)), qPrintable(QString::number(n)));
      } else if (n % 5 == 3) {
        QVERIFY2(!AnyInk(image, QRect(x, 1, 1, 10)), qPrintable(QString::number(n)));
      }
    }
  }

  void numbersUseTheWidgetsFontAtAnySize() {
    QFont big = bar->font();
    big.setPixelSize(16);
    bar->setFont(big);
    QVERIFY(bar->PreferredHeight() >= QFontMetrics(big).height() + 5);
    bar->resize(300, bar->PreferredHeight());
    bar->SetFrames(40);  // every frame may carry a number, but 7 pixels apart they cannot all fit
    const QImage image = render();
    const int tickTop = bar->height() - 4;
    // The first number stands as tall as the font's digits.
    int top = -1, bottom = -1;
    for (int y = 1; y < tickTop; ++y)
      if (AnyInk(image, QRect(tick(1) - 6, y, 13, 1))) {
        if (top < 0) top = y;
        bottom = y;
      }
    QVERIFY2(bottom - top + 1 >= 10, qPrintable(QStringLiteral("%1..%2").arg(top).arg(bottom)));
    // Numbers never run into each other: between any two there is a clear column.
    int runs = 0, clear = 0;
    bool inRun = false;
    for (int x = 1; x < image.width() - 1; ++x) {
      const bool ink = AnyInk(image, QRect(x, 1, 1, tickTop - 2));
      if (ink && !inRun) ++runs;
      clear = ink ? 0 : clear + 1;
      inRun = ink || (inRun && clear < 2);
    }
    QVERIFY2(runs >= 6 && runs < 40, qPrintable(QString::number(runs)));
    // The last frame's number is there.
    QVERIFY(AnyInk(image, QRect(tick(40) - 4, 1, 4, tickTop - 2)));
    QCOMPARE(image.pixel(tick(40), tickTop), qRgb(0, 0, 0));
  }

  void paintsTheDraggedRange() {
    Send(bar.get(), QEvent::MouseButtonPress, tick(10), Qt::LeftButton, Qt::LeftButton);
    Send(bar.get(), QEvent::MouseMove, tick(4), Qt::NoButton, Qt::LeftButton);
    bar->FrameLabel()->hide();  // keeps the strip under it in view
    QImage image = render();
    const QRgb red = qRgb(255, 0, 0);
    for (int n = 4; n < 10; ++n) {
      const int between = (tick(n) + tick(n + 1)) / 2;
      QCOMPARE(image.pixel(between, 14), red);
      QCOMPARE(image.pixel(between, 13), red);
    }
    QVERIFY(image.pixel((tick(2) + tick(3)) / 2, 14) != red);
    QVERIFY(image.pixel((tick(11) + tick(12)) / 2, 14) != red);
    // Ticks stay over the range, but the start frame carries the dark red mark instead.
    QCOMPARE(image.pixel(tick(6), 15), qRgb(0, 0, 0));
    bool mark = false;
    for (int y = 13; y <= 16; ++y)
      for (int x = tick(10) - 2; x <= tick(10) + 2; ++x)
        mark = mark || image.pixel(x, y) == qRgb(128, 0, 0);
    QVERIFY(mark);
    QVERIFY(image.pixel(tick(10), 15) != qRgb(0, 0, 0));

    Send(bar.get(), QEvent::MouseButtonRelease, tick(4), Qt::LeftButton, Qt::NoButton);
    image = render();
    QCOMPARE(image.pixel((tick(5) + tick(6)) / 2, 14), kBackground.rgb());
    QCOMPARE(image.pixel(tick(10), 15), qRgb(0, 0, 0));
  }
};

QTEST_MAIN(TweenBarTest)
#include "tween_bar_test.moc"
