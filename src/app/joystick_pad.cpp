#include "app/joystick_pad.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace dravo {

TJoystickPad::TJoystickPad(int tag, QWidget* parent) : QFrame(parent), m_tag(tag) {
  setFixedSize(43, 43);
  setMouseTracking(true);
  setToolTip(QStringLiteral("Click and drag to move the model"));
  setCursor(Qt::SizeAllCursor);
}

void TJoystickPad::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPalette& pal = palette();
  const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

  // A sunken well while held, raised otherwise.
  QLinearGradient fill(r.topLeft(), r.bottomLeft());
  const QColor base = pal.color(QPalette::Button);
  fill.setColorAt(0.0, m_down ? base.darker(118) : base.lighter(104));
  fill.setColorAt(1.0, m_down ? base.darker(104) : base.darker(112));
  p.setPen(QPen(pal.color(QPalette::Mid), 1.0));
  p.setBrush(fill);
  p.drawRoundedRect(r, 4, 4);

  // The dead zone in the middle, and the directions.
  const QPointF c = r.center();
  p.setPen(QPen(pal.color(QPalette::Mid), 1.0, Qt::DotLine));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, 6.0, 6.0);
  const QColor arrow = m_down ? pal.color(QPalette::Highlight) : pal.color(QPalette::ButtonText);
  p.setPen(Qt::NoPen);
  p.setBrush(arrow);
  for (int turn = 0; turn < 4; ++turn) {
    p.save();
    p.translate(c);
    p.rotate(90.0 * turn);
    QPainterPath tip;
    tip.moveTo(0, -17);
    tip.lineTo(4, -12);
    tip.lineTo(-4, -12);
    tip.closeSubpath();
    p.drawPath(tip);
    p.restore();
  }
  if (m_tag == 1) {
    // The rotation pad shows a turning arc.
    p.setPen(QPen(arrow, 1.4));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - 3.5, c.y() - 3.5, 7, 7), 40 * 16, 280 * 16);
  } else {
    p.drawEllipse(c, 2.2, 2.2);
  }
  if (m_down && m_pointer.x() >= 0) {
    p.setPen(QPen(pal.color(QPalette::Highlight), 1.2));
    p.drawLine(c, QPointF(m_pointer));
  }
}

void TJoystickPad::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QFrame::mousePressEvent(event);
  m_down = true;
  m_pointer = event->position().toPoint();
  update();
  if (OnMouseDown) OnMouseDown(this);
}

void TJoystickPad::mouseMoveEvent(QMouseEvent* event) {
  m_pointer = event->position().toPoint();
  if (m_down) update();
  if (OnMouseMove) OnMouseMove(this, m_pointer.x(), m_pointer.y());
}

void TJoystickPad::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QFrame::mouseReleaseEvent(event);
  m_down = false;
  update();
  if (OnMouseUp) OnMouseUp(this);
}

void TJoystickPad::leaveEvent(QEvent* event) {
  QFrame::leaveEvent(event);
  if (!m_down) m_pointer = {-1, -1};
}

}  // namespace dravo
