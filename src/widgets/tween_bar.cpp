#include "widgets/tween_bar.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace dravo {

namespace {

constexpr int kTickTop = 14;
constexpr int kNumberTop = 1;
const QColor kRangeColor(255, 0, 0);
const QColor kStartMarkColor(128, 0, 0);

// The numbers are six-pixel characters. Outline fonts blur or lose their shapes at that size, so
// the digits come from a 3 × 5 pixel font below a one-pixel leading row. Bit 2 is the left column.
constexpr std::uint8_t kDigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 3, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};
constexpr int kDigitAdvance = 4;

int DigitsWidth(const QString& digits) {
  return static_cast<int>(digits.size()) * kDigitAdvance - 1;
}

void DrawDigits(QPainter& p, const QString& digits, int left, int top, const QColor& color) {
  for (QChar c : digits) {
    const int d = c.digitValue();
    if (d >= 0 && d <= 9) {
      for (int row = 0; row < 5; ++row) {
        for (int col = 0; col < 3; ++col) {
          if (kDigitRows[d][row] & (4 >> col)) p.fillRect(left + col, top + 1 + row, 1, 1, color);
        }
      }
    }
    left += kDigitAdvance;
  }
}

}  // namespace

TTweenBar::TTweenBar(QWidget* parent) : QFrame(parent), m_frameLabel(new QLabel(this)) {
  setAutoFillBackground(false);
  setAttribute(Qt::WA_OpaquePaintEvent);
  m_frameLabel->setAutoFillBackground(true);
  m_frameLabel->setBackgroundRole(QPalette::ToolTipBase);
  m_frameLabel->setForegroundRole(QPalette::ToolTipText);
  m_frameLabel->setContentsMargins(2, 0, 2, 0);
  m_frameLabel->hide();
}

void TTweenBar::SetFrames(int n) {
  if (m_logic.SetFrames(n, width())) update();
}

void TTweenBar::UpdateSpacing() {
  m_logic.UpdateSpacing(width());
}

void TTweenBar::SetMargin(int margin) {
  m_logic.Margin = margin;
  UpdateSpacing();
  update();
}

void TTweenBar::SetColor(const QColor& color) {
  QPalette pal = palette();
  pal.setColor(QPalette::Window, color);
  setPalette(pal);
  update();
}

QColor TTweenBar::Color() const {
  return palette().color(QPalette::Window);
}

void TTweenBar::SetBevels(Bevel inner, Bevel outer, int width) {
  m_inner = inner;
  m_outer = outer;
  m_bevelWidth = width;
  update();
}

QSize TTweenBar::sizeHint() const {
  return {200, 18};
}
QSize TTweenBar::minimumSizeHint() const {
  return {2 * m_logic.Margin + 2, 18};
}

void TTweenBar::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  UpdateSpacing();
}

void TTweenBar::paintBevel(QPainter& p, QRect& r, Bevel bevel) const {
  if (bevel == Bevel::None) return;
  const QColor light = palette().color(QPalette::Light);
  const QColor dark = palette().color(QPalette::Dark);
  const QColor& topLeft = bevel == Bevel::Lowered ? dark : light;
  const QColor& bottomRight = bevel == Bevel::Lowered ? light : dark;
  for (int i = 0; i < m_bevelWidth && r.width() > 1 && r.height() > 1; ++i) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
    p.fillRect(QRect(r.right(), r.top() + 1, 1, r.height() - 1), bottomRight);
    r.adjust(1, 1, -1, -1);
  }
}

void TTweenBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  // The panel: background and bevels.
  QRect r = rect();
  p.fillRect(r, Color());
  paintBevel(p, r, m_outer);
  paintBevel(p, r, m_inner);

  const std::vector<int> xs = m_logic.TickPositions();
  const int count = static_cast<int>(xs.size());
  const int start = m_logic.StartFrame;
  const int end = m_logic.EndFrame;
  const bool dragging = m_logic.Dragging && start >= 1 && start <= count && end >= 1 && end <= count;

  if (dragging) {
    QPen range(kRangeColor, 4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(range);
    p.drawLine(xs[start - 1], kTickTop, xs[end - 1], kTickTop);
  }

  const QColor fontColor = palette().color(QPalette::WindowText);
  const QPen tickPen(fontColor, 1);
  p.setPen(tickPen);
  p.setBrush(Color());
  for (int n = 1; n <= count; ++n) {
    const int x = xs[n - 1];
    if (m_logic.IsLabelled(n)) {
      const QString text = QString::number(n);
      DrawDigits(p, text, x - DigitsWidth(text) / 2, kNumberTop, fontColor);
    }
    if (dragging && n == start) {
      p.setPen(QPen(kStartMarkColor, 1));
      p.drawEllipse(QRect(x - 2, kTickTop, 4, 2));
      p.setPen(tickPen);
    } else {
      // The end point is not part of the line: the tick covers rows 14 and 15.
      p.drawLine(x, kTickTop, x, kTickTop + 1);
    }
  }
}

void TTweenBar::showFrameLabel(int frame, int x) {
  m_frameLabel->setText(QString::number(frame));
  m_frameLabel->adjustSize();
  // Kept inside the bar so the number stays readable at the right end.
  const int left = std::max(0, std::min(x, width() - m_frameLabel->width()));
  m_frameLabel->move(left, 0);
  m_frameLabel->raise();
  m_frameLabel->show();
}

void TTweenBar::raiseRangeChange() {
  if (OnRangeChange) OnRangeChange(this);
}

void TTweenBar::mousePressEvent(QMouseEvent* event) {
  const double x = event->position().x();
  if (m_logic.Press(event->button() == Qt::LeftButton, x)) {
    showFrameLabel(m_logic.StartFrame, static_cast<int>(x));
    raiseRangeChange();
    update();
  } else {
    QFrame::mousePressEvent(event);
  }
}

void TTweenBar::mouseMoveEvent(QMouseEvent* event) {
  const double x = event->position().x();
  if (m_logic.Move((event->buttons() & Qt::LeftButton) != 0, x)) {
    showFrameLabel(m_logic.EndFrame, static_cast<int>(x));
    raiseRangeChange();
    update();
  } else {
    QFrame::mouseMoveEvent(event);
  }
}

void TTweenBar::mouseReleaseEvent(QMouseEvent* event) {
  m_logic.Release();
  m_frameLabel->hide();
  raiseRangeChange();
  update();
  QFrame::mouseReleaseEvent(event);
}

}  // namespace dravo
