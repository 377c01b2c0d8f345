#include "widgets/tween_bar.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace dravo {

namespace {

// The ticks' two rows sit this far above the bottom edge; the numbers take the rows above them.
constexpr int kTickFromBottom = 4;
constexpr int kNumberTop = 1;
constexpr int kLabelGap = 3;  // pixels kept clear between two numbers
const QColor kRangeColor(255, 0, 0);
const QColor kStartMarkColor(128, 0, 0);

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

int TTweenBar::PreferredHeight() const {
  // The numbers in the user's font, however large, above the ticks.
  return std::max(18, kNumberTop + fontMetrics().height() + kTickFromBottom);
}

QSize TTweenBar::sizeHint() const {
  return {200, PreferredHeight()};
}
QSize TTweenBar::minimumSizeHint() const {
  return {2 * m_logic.Margin + 2, PreferredHeight()};
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
  const int tickTop = height() - kTickFromBottom;

  if (dragging) {
    QPen range(kRangeColor, 4, Qt::SolidLine, Qt::RoundCap);
    p.setPen(range);
    p.drawLine(xs[start - 1], tickTop, xs[end - 1], tickTop);
  }

  const QColor fontColor = palette().color(QPalette::WindowText);
  // The numbers in the widget's font. Where they cannot all fit, every 2nd, 5th, 10th … frame
  // carries one, evenly; the last frame's always shows (in place of one it would run into).
  const QFontMetrics metrics = fontMetrics();
  const float spacing =
      count > 1 ? static_cast<float>(xs.back() - xs.front()) / static_cast<float>(count - 1) : 0;
  const int widest = metrics.horizontalAdvance(QString::number(count)) + kLabelGap;
  int step = 1;
  for (const int s : {1, 2, 5, 10, 20, 50, 100, 200, 500, 1000}) {
    step = s;
    // Beyond 40 frames only every fifth frame is one to number.
    if ((count <= 40 || s % 5 == 0) && spacing * static_cast<float>(s) >= static_cast<float>(widest)) break;
  }
  struct Label {
    int n;
    QRect box;
  };
  std::vector<Label> labels;
  for (int n = 1; n <= count; ++n) {
    if (!m_logic.IsLabelled(n) || ((n - 1) % step != 0 && n != count)) continue;
    const int width = metrics.horizontalAdvance(QString::number(n));
    // Kept inside the bevels at both ends.
    const int left = std::clamp(xs[n - 1] - width / 2, 1, std::max(1, this->width() - 1 - width));
    const QRect box(left, kNumberTop, width, tickTop - kNumberTop);
    while (n == count && !labels.empty() && labels.back().box.right() + kLabelGap >= box.left())
      labels.pop_back();
    if (labels.empty() || labels.back().box.right() + kLabelGap < box.left()) labels.push_back({n, box});
  }
  p.setPen(fontColor);
  for (const Label& l : labels)
    p.drawText(l.box, Qt::AlignHCenter | Qt::AlignVCenter, QString::number(l.n));

  const QPen tickPen(fontColor, 1);
  p.setPen(tickPen);
  p.setBrush(Color());
  for (int n = 1; n <= count; ++n) {
    const int x = xs[n - 1];
    if (dragging && n == start) {
      p.setPen(QPen(kStartMarkColor, 1));
      p.drawEllipse(QRect(x - 2, tickTop, 4, 2));
      p.setPen(tickPen);
    } else {
      // The end point is not part of the line: the tick covers two rows.
      p.drawLine(x, tickTop, x, tickTop + 1);
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
