#include "widgets/rollout.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace dravo {

namespace {

constexpr int kPlainHeaderHeight = 24;
constexpr int kContentBottomPadding = 6;
constexpr int kContentTopPadding = 4;
constexpr int kContentInset = 5;  // inside the card, on the left and the right
constexpr qreal kRadius = 5.0;

int FramesIn(TVellRollout::THeaderImageType type) {
  switch (type) {
    case TVellRollout::THeaderImageType::hgiHalf:
      return 4;
    case TVellRollout::THeaderImageType::hgiFull:
      return 7;
    case TVellRollout::THeaderImageType::hgiSingle:
      break;
  }
  return 1;
}

}  // namespace

TVellRollout::TVellRollout(const QString& caption, QWidget* parent)
    : QWidget(parent), m_content(new QWidget(this)), m_caption(caption) {
  setMouseTracking(true);
  setFocusPolicy(Qt::TabFocus);
  setAccessibleName(caption.trimmed());
  m_content->installEventFilter(this);
  applyGeometry();
}

int TVellRollout::headerBottom() const {
  if (m_headerGlyph.isNull()) return kPlainHeaderHeight;
  return m_headerGlyph.height() / FramesIn(m_headerImageType);
}

QRect TVellRollout::HeaderRect() const {
  if (m_headerGlyph.isNull()) {
    return QRect(m_headerMargin, 0, std::max(0, width() - 2 * m_headerMargin), kPlainHeaderHeight);
  }
  const int w = m_headerGlyph.width();
  return QRect((width() - w) / 2, 0, w, headerBottom());
}

bool TVellRollout::inHeader(const QPointF& pos) const {
  // Both edges count, as the header's right and bottom are given one past its last pixel.
  const QRect r = HeaderRect();
  return pos.x() >= r.left() && pos.x() <= r.left() + r.width() && pos.y() >= r.top() &&
         pos.y() <= r.top() + r.height();
}

int TVellRollout::fitHeight() const {
  const QLayout* layout = m_content->layout();
  const int contentHeight = layout ? layout->sizeHint().height() : m_content->sizeHint().height();
  return headerBottom() + kContentTopPadding + std::max(0, contentHeight) + kContentBottomPadding;
}

void TVellRollout::applyGeometry() {
  const int header = headerBottom();
  if (m_align == TAlign::Client) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    setMinimumHeight(header);
    setMaximumHeight(QWIDGETSIZE_MAX);
  } else {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // An expanded rollout lower than its header grows to the header's height.
    const int h = std::max(header, m_height > 0 ? m_height : fitHeight());
    setFixedHeight(h);
  }
  m_content->setVisible(m_expanded);
  placeContent();
  updateGeometry();
  update();
}

void TVellRollout::placeContent() {
  const int top = headerBottom() + kContentTopPadding;
  const int side = m_headerMargin + kContentInset;
  m_content->setGeometry(side, top, std::max(0, width() - 2 * side),
                         std::max(0, height() - top - kContentBottomPadding));
}

void TVellRollout::SetExpanded(bool expanded) {
  if (expanded == m_expanded) return;
  m_expanded = expanded;
  if (!expanded) {
    m_savedAlign = m_align;
    m_savedHeight = m_height;
    m_align = TAlign::Top;
    m_height = headerBottom();
  } else {
    m_height = m_savedHeight;
    m_align = m_savedAlign;
  }
  applyGeometry();
  if (OnExpanded) OnExpanded(this);
}

void TVellRollout::SetAlign(TAlign align) {
  // While collapsed the value is kept for the next expansion.
  if (!m_expanded) {
    m_savedAlign = align;
    return;
  }
  m_align = align;
  applyGeometry();
}

void TVellRollout::SetHeight(int height) {
  if (!m_expanded) {
    m_savedHeight = height;
    return;
  }
  m_height = std::max(0, height);
  applyGeometry();
}

void TVellRollout::SetCaption(const QString& caption) {
  m_caption = caption;
  setAccessibleName(caption.trimmed());
  update();
}

void TVellRollout::SetHeaderMargin(int margin) {
  m_headerMargin = std::max(0, margin);
  placeContent();
  update();
}

void TVellRollout::SetHeaderColor(const QColor& color) {
  m_headerColor = color;
  update();
}

void TVellRollout::SetHeaderBorderColor(const QColor& color) {
  m_headerBorderColor = color;
  update();
}

void TVellRollout::SetHeaderGlyph(const QPixmap& glyph) {
  m_headerGlyph = glyph;
  if (!m_expanded) m_height = headerBottom();
  applyGeometry();
}

void TVellRollout::SetHeaderImagetype(THeaderImageType type) {
  m_headerImageType = type;
  if (!m_expanded) m_height = headerBottom();
  applyGeometry();
}

QSize TVellRollout::sizeHint() const {
  const QLayout* layout = m_content->layout();
  const int contentWidth = layout ? layout->sizeHint().width() : m_content->sizeHint().width();
  const int w = std::max(120, contentWidth + 2 * (m_headerMargin + kContentInset));
  if (!m_expanded) return {w, headerBottom()};
  return {w, std::max(headerBottom(), m_height > 0 ? m_height : fitHeight())};
}

QSize TVellRollout::minimumSizeHint() const {
  return {2 * m_headerMargin + 40, headerBottom()};
}

bool TVellRollout::event(QEvent* event) {
  // The content's size hint changed, or the rollout is about to be shown: fit it again.
  if ((event->type() == QEvent::LayoutRequest || event->type() == QEvent::Polish) && m_expanded &&
      m_height == 0 && m_align != TAlign::Client) {
    applyGeometry();
  }
  return QWidget::event(event);
}

void TVellRollout::focusInEvent(QFocusEvent* event) {
  // The focus ring is for keyboard users only.
  m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason ||
                    event->reason() == Qt::ShortcutFocusReason;
  QWidget::focusInEvent(event);
}

bool TVellRollout::eventFilter(QObject* watched, QEvent* event) {
  // The content's layout changed: a rollout that fits its content follows it.
  if (watched == m_content && event->type() == QEvent::LayoutRequest && m_expanded && m_height == 0 &&
      m_align != TAlign::Client) {
    applyGeometry();
  }
  return QWidget::eventFilter(watched, event);
}

void TVellRollout::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  placeContent();
}

void TVellRollout::setHot(bool hot) {
  if (hot == m_hot) return;
  m_hot = hot;
  setCursor(hot ? Qt::PointingHandCursor : Qt::ArrowCursor);
  update();
  if (hot) {
    if (OnCursorOver) OnCursorOver(this);
  } else {
    if (OnCursorLeft) OnCursorLeft(this);
  }
}

void TVellRollout::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    m_pressed = true;
    update();
  }
  QWidget::mousePressEvent(event);
}

void TVellRollout::mouseReleaseEvent(QMouseEvent* event) {
  const bool wasPressed = m_pressed;
  m_pressed = false;
  update();
  if (event->button() == Qt::LeftButton && wasPressed && inHeader(event->position())) {
    SetExpanded(!m_expanded);
  }
  QWidget::mouseReleaseEvent(event);
}

void TVellRollout::mouseMoveEvent(QMouseEvent* event) {
  setHot(inHeader(event->position()));
  QWidget::mouseMoveEvent(event);
}

void TVellRollout::leaveEvent(QEvent* event) {
  setHot(false);
  QWidget::leaveEvent(event);
}

void TVellRollout::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      SetExpanded(!m_expanded);
      return;
    case Qt::Key_Left:
      SetExpanded(false);
      return;
    case Qt::Key_Right:
      SetExpanded(true);
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TVellRollout::paintHeaderGlyph(QPainter& p, const QRect& header) const {
  const int frames = FramesIn(m_headerImageType);
  int frame = 0;
  if (frames == 4) {
    frame = (m_expanded ? 2 : 0) + (m_hot ? 1 : 0);
  } else if (frames == 7) {
    if (!isEnabled()) {
      frame = 6;
    } else {
      frame = (m_expanded ? 3 : 0) + (m_pressed ? 2 : (m_hot ? 1 : 0));
    }
  }
  const QRect source(0, frame * header.height(), m_headerGlyph.width(), header.height());
  p.drawPixmap(header.topLeft(), m_headerGlyph, source);
}

void TVellRollout::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QPalette& pal = palette();
  const QRect header = HeaderRect();
  const QColor border = m_headerBorderColor.isValid() ? m_headerBorderColor : pal.color(QPalette::Mid);

  // The body: a light card under the header holding the content.
  if (m_expanded && height() > header.height()) {
    const QRectF card = QRectF(m_headerMargin, 0, std::max(0, width() - 2 * m_headerMargin),
                               height() - kContentBottomPadding / 2)
                            .adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(border, 1.0));
    p.setBrush(pal.color(QPalette::Base).darker(102));
    p.drawRoundedRect(card, kRadius, kRadius);
  }

  if (!m_headerGlyph.isNull()) {
    paintHeaderGlyph(p, header);
  } else {
    QColor fill = m_headerColor.isValid() ? m_headerColor : pal.color(QPalette::Button);
    if (m_pressed && m_hot) {
      fill = fill.darker(110);
    } else if (m_hot) {
      fill = fill.lighter(106);
    }
    const QRectF box = QRectF(header).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath path;
    if (m_expanded && height() > header.height()) {
      // Rounded only at the top, so the header sits on the card.
      path.setFillRule(Qt::WindingFill);
      path.addRoundedRect(box, kRadius, kRadius);
      path.addRect(box.adjusted(0, box.height() / 2, 0, 0));
      path = path.simplified();
    } else {
      path.addRoundedRect(box, kRadius, kRadius);
    }
    p.setPen(QPen(border, 1.0));
    p.setBrush(fill);
    p.drawPath(path);

    // A chevron: pointing down while expanded, right while collapsed.
    const QColor text = m_headerColor.isValid() && m_headerColor.lightness() < 110
                            ? QColor(Qt::white)
                            : pal.color(QPalette::ButtonText);
    const QPointF c(header.left() + 13, header.center().y() + 0.5);
    QPainterPath chevron;
    if (m_expanded) {
      chevron.moveTo(c + QPointF(-4, -2));
      chevron.lineTo(c + QPointF(0, 2));
      chevron.lineTo(c + QPointF(4, -2));
    } else {
      chevron.moveTo(c + QPointF(-2, -4));
      chevron.lineTo(c + QPointF(2, 0));
      chevron.lineTo(c + QPointF(-2, 4));
    }
    p.setPen(QPen(text, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(chevron);

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(text);
    p.drawText(header.adjusted(22, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, m_caption);
  }
  if (hasFocus() && m_keyboardFocus) {
    p.setPen(QPen(pal.color(QPalette::Highlight), 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(header).adjusted(1.5, 1.5, -1.5, -1.5), kRadius - 1, kRadius - 1);
  }
}

}  // namespace dravo
