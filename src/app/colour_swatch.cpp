#include "app/colour_swatch.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace dravo {

QColor ToQColor(std::uint32_t colour) {
  return QColor(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                static_cast<int>((colour >> 16) & 0xFF));
}

std::uint32_t FromQColor(const QColor& colour) {
  return static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
         (static_cast<std::uint32_t>(colour.blue()) << 16);
}

TColourSwatch::TColourSwatch(QWidget* parent) : QAbstractButton(parent) {
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TColourSwatch::SetColour(const QColor& colour) {
  if (colour == m_colour) return;
  m_colour = colour;
  setAccessibleDescription(colour.name());
  update();
}

void TColourSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF r = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
  const QPalette& pal = palette();
  p.setPen(QPen(underMouse() ? pal.color(QPalette::Highlight) : pal.color(QPalette::Dark), 1.0));
  p.setBrush(pal.color(QPalette::Base));
  p.drawRoundedRect(r, 3, 3);
  p.setPen(QPen(QColor(0, 0, 0, 90), 1.0));
  p.setBrush(isEnabled() ? m_colour : m_colour.lighter(150));
  p.drawRoundedRect(r.adjusted(2.5, 2.5, -2.5, -2.5), 2, 2);
  if (hasFocus()) {
    p.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 3, 3);
  }
}

}  // namespace dravo
