#include "widgets/latch_button.h"

#include <QBitmap>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <algorithm>

namespace dravo {

namespace {

constexpr int kDefaultSize = 35;
constexpr int kIconTextGap = 5;
constexpr qreal kRadius = 4.0;

QColor Mix(const QColor& a, const QColor& b, qreal t) {
  return QColor::fromRgbF(static_cast<float>(a.redF() + (b.redF() - a.redF()) * t),
                          static_cast<float>(a.greenF() + (b.greenF() - a.greenF()) * t),
                          static_cast<float>(a.blueF() + (b.blueF() - a.blueF()) * t),
                          static_cast<float>(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

}  // namespace

TVellButton::TVellButton(QWidget* parent) : QAbstractButton(parent) {
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);
  setIconSize(QSize(24, 24));
  resize(kDefaultSize, kDefaultSize);
}

TVellButton::TVellButton(const QString& text, QWidget* parent) : TVellButton(parent) {
  setText(text);
}

void TVellButton::SetCanLatch(bool canLatch) {
  m_canLatch = canLatch;
  if (!canLatch) SetLatched(false);
}

void TVellButton::SetLatched(bool latched) {
  if (latched == m_latched) return;
  m_latched = latched;
  update();
  if (OnLatchChanged) OnLatchChanged(this, latched);
}

void TVellButton::SetOverStyle(const TButtonStyle& style) {
  m_overStyle = style;
  update();
}

void TVellButton::SetNotOverStyle(const TButtonStyle& style) {
  m_notOverStyle = style;
  update();
}

void TVellButton::SetDownStyle(const TButtonStyle& style) {
  m_downStyle = style;
  update();
}

void TVellButton::SetMargin(int margin) {
  m_margin = margin;
  updateGeometry();
  update();
}

void TVellButton::SetDisableGrayed(bool on) {
  m_disableGrayed = on;
  update();
}

void TVellButton::SetUseParentColor(bool on) {
  m_useParentColor = on;
  update();
}

void TVellButton::SetShadowStrength(int strength) {
  m_shadowStrength = std::clamp(strength, 0, 100);
  update();
}

void TVellButton::SetGlyph(const QImage& glyph) {
  QPixmap pixmap = QPixmap::fromImage(glyph);
  if (m_maskColor.isValid() && !pixmap.isNull()) {
    pixmap.setMask(pixmap.createMaskFromColor(m_maskColor, Qt::MaskInColor));
  }
  setIconSize(glyph.size());
  setIcon(QIcon(pixmap));
  updateGeometry();
}

QSize TVellButton::sizeHint() const {
  const int pad = 2 * (m_margin + 4);
  int w = 0;
  int h = 0;
  if (!icon().isNull()) {
    w = iconSize().width();
    h = iconSize().height();
  }
  if (!text().isEmpty()) {
    const QFontMetrics metrics(font());
    const int textWidth = metrics.horizontalAdvance(QString(text()).remove(QLatin1Char('&')));
    w += (w > 0 ? kIconTextGap : 0) + textWidth + 8;
    h = std::max(h, metrics.height());
  }
  return {std::max(kDefaultSize, w + pad), std::max(kDefaultSize, h + pad)};
}

QSize TVellButton::minimumSizeHint() const {
  return {kDefaultSize, kDefaultSize};
}

const TVellButton::TButtonStyle& TVellButton::currentStyle() const {
  if (isDown() || m_latched) return m_downStyle;
  if (m_mouseOver && isEnabled()) return m_overStyle;
  return m_notOverStyle;
}

void TVellButton::tryToggleLatch() {
  bool allow = true;
  if (OnLatchChanging) OnLatchChanging(this, allow);
  if (allow) SetLatched(!m_latched);
}

void TVellButton::setMouseOver(bool over) {
  if (over == m_mouseOver) return;
  m_mouseOver = over;
  update();
  if (over) {
    if (OnCursorOver) OnCursorOver(this);
  } else {
    if (OnCursorLeft) OnCursorLeft(this);
  }
}

bool TVellButton::event(QEvent* e) {
  // The caption's accelerator clicks the button; a latch button latches as with a press.
  if (e->type() == QEvent::Shortcut && m_canLatch && isEnabled()) tryToggleLatch();
  return QAbstractButton::event(e);
}

void TVellButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton && m_canDrag) {
    setMouseOver(false);
    if (OnStartDrag) OnStartDrag(this);
    event->accept();
    return;
  }
  if (event->button() == Qt::LeftButton && m_canLatch) tryToggleLatch();
  // The button goes down; a release over it clicks it.
  QAbstractButton::mousePressEvent(event);
}

void TVellButton::mouseReleaseEvent(QMouseEvent* event) {
  // The click may close the window that owns the button.
  const QPointer<TVellButton> self(this);
  QAbstractButton::mouseReleaseEvent(event);
  if (self && event->button() == Qt::LeftButton) setMouseOver(false);
}

void TVellButton::mouseMoveEvent(QMouseEvent* event) {
  const QPointF pos = event->position();
  const bool inside = pos.x() > 0 && pos.x() < width() && pos.y() > 0 && pos.y() < height();
  setMouseOver(inside);
  // Leaving with the button held brings it up; no click follows unless the pointer comes back.
  QAbstractButton::mouseMoveEvent(event);
}

void TVellButton::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Space && !event->isAutoRepeat() && m_canLatch) tryToggleLatch();
  QAbstractButton::keyPressEvent(event);
}

void TVellButton::focusInEvent(QFocusEvent* event) {
  // The focus ring is for keyboard users only.
  m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                    event->reason() == Qt::ShortcutFocusReason;
  QAbstractButton::focusInEvent(event);
}

void TVellButton::enterEvent(QEnterEvent* event) {
  setMouseOver(true);
  QAbstractButton::enterEvent(event);
}

void TVellButton::leaveEvent(QEvent* event) {
  setMouseOver(false);
  QAbstractButton::leaveEvent(event);
}

void TVellButton::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPalette& pal = palette();
  const bool enabled = isEnabled();
  const bool pressed = isDown();
  const bool down = pressed || m_latched;
  const TButtonStyle& style = currentStyle();
  const QColor base = pal.color(QPalette::Button);
  const QColor accent = pal.color(QPalette::Highlight);

  QColor fill(Qt::transparent);
  if (style.Color.isValid()) {
    fill = style.Color;
  } else if (down) {
    fill = Mix(base, accent, pressed ? 0.38 : 0.24);
  } else if (style.Bevel == TBevel::Raised) {
    fill = Mix(base.lighter(104), accent, 0.10);
  } else if (!m_useParentColor) {
    fill = base;
  }
  if (!enabled && m_disableGrayed && fill.alpha() > 0) fill = Mix(fill, base, 0.6);

  const QRectF frame = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
  QPen border(Qt::NoPen);
  if (style.Bevel == TBevel::Raised) {
    border = QPen(Mix(pal.color(QPalette::Mid), accent, 0.35), 1.0);
  } else if (style.Bevel == TBevel::Lowered) {
    border = QPen(Mix(accent, pal.color(QPalette::Shadow), 0.25), 1.0);
  } else if (icon().isNull() && !text().isEmpty()) {
    // A caption alone does not look like a button: a faint outline shows where to press.
    QColor faint = pal.color(QPalette::Mid);
    faint.setAlpha(110);
    border = QPen(faint, 1.0);
  }
  p.setPen(border);
  p.setBrush(fill);
  p.drawRoundedRect(frame, kRadius, kRadius);
  if (style.Chequered) {
    p.setPen(Qt::NoPen);
    p.setBrush(QBrush(pal.color(QPalette::Light), Qt::Dense4Pattern));
    p.drawRoundedRect(frame, kRadius, kRadius);
  }
  if (style.Bevel == TBevel::Lowered) {
    // A soft inner shadow along the top edge.
    QPainterPath clip;
    clip.addRoundedRect(frame, kRadius, kRadius);
    p.save();
    p.setClipPath(clip);
    p.setPen(QPen(QColor(0, 0, 0, 40), 2.0));
    p.drawLine(QPointF(frame.left(), frame.top() + 1), QPointF(frame.right(), frame.top() + 1));
    p.restore();
  }
  if (hasFocus() && m_keyboardFocus) {
    p.setPen(QPen(accent, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(1.5, 1.5, -1.5, -1.5), kRadius - 1, kRadius - 1);
  }

  // Glyph and caption, centred together.
  const bool grey = !enabled && m_disableGrayed;
  QPixmap glyph;
  if (!icon().isNull()) {
    const QIcon::Mode mode = grey ? QIcon::Disabled : (m_mouseOver ? QIcon::Active : QIcon::Normal);
    glyph = icon().pixmap(iconSize(), devicePixelRatioF(), mode, down ? QIcon::On : QIcon::Off);
  }
  const QString caption = text();
  const QFontMetrics metrics(font());
  const QSize glyphSize = glyph.isNull() ? QSize() : glyph.deviceIndependentSize().toSize();
  const int textWidth = caption.isEmpty() ? 0 : metrics.horizontalAdvance(QString(caption).remove('&'));
  const int total = glyphSize.width() + (glyphSize.isValid() && textWidth > 0 ? kIconTextGap : 0) + textWidth;
  int x = (width() - total) / 2;
  if (!glyph.isNull()) {
    const QPoint at(x, (height() - glyphSize.height()) / 2);
    if (m_shadowStrength > 0 && !grey) {
      QImage shadow = glyph.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
      QPainter sp(&shadow);
      sp.setCompositionMode(QPainter::CompositionMode_SourceIn);
      sp.fillRect(shadow.rect(), QColor(0, 0, 0, m_shadowStrength * 255 / 200));
      sp.end();
      p.drawImage(at + QPoint(1, 1), shadow);
    }
    p.drawPixmap(at, glyph);
    x += glyphSize.width() + kIconTextGap;
  }
  if (!caption.isEmpty()) {
    const QColor textColor = grey ? pal.color(QPalette::Disabled, QPalette::ButtonText)
                                  : pal.color(QPalette::Active, QPalette::ButtonText);
    p.setPen(textColor);
    const QRect textRect(glyph.isNull() ? 0 : x, 0, glyph.isNull() ? width() : textWidth + 2, height());
    p.drawText(textRect,
               (glyph.isNull() ? Qt::AlignCenter : Qt::AlignLeft | Qt::AlignVCenter) | Qt::TextShowMnemonic,
               caption);
  }
}

}  // namespace dravo
