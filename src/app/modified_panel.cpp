#include "app/modified_panel.h"

#include <QPainter>

#include "app/icons.h"

namespace dravo {

TModifiedPanel::TModifiedPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("ModifiedPanel"));
  setFixedWidth(kWidth);
  setFixedHeight(kSign + 2);
}

void TModifiedPanel::SetMarks(std::uint32_t marks) {
  if (marks == m_marks) return;
  m_marks = marks;
  QStringList what;
  if (marks & 1u) what << QStringLiteral("the trick");
  if (marks & 2u) what << QStringLiteral("the textures");
  setToolTip(what.isEmpty() ? QString()
                            : QStringLiteral("Unsaved changes: ") + what.join(QStringLiteral(" and ")));
  setAccessibleName(marks ? QStringLiteral("MODIFIED") : QString());
  update();
}

QRect TModifiedPanel::SignRect() const {
  if (m_marks == 0) return {};
  return {2, 1, kSign, kSign};
}

void TModifiedPanel::paintEvent(QPaintEvent*) {
  if (m_marks == 0) return;
  QPainter p(this);
  p.drawPixmap(SignRect(), SvgPixmap(QStringLiteral("modified"), QSize(kSign, kSign), devicePixelRatioF()));
}

}  // namespace dravo
