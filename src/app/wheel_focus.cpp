#include "app/wheel_focus.h"

#include <QAbstractSlider>
#include <QComboBox>
#include <QEvent>
#include <QObject>
#include <QScrollBar>
#include <QWidget>

namespace dravo {

namespace {

class WheelFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->hasFocus()) return false;
    // Not ours to take: ignored, the wheel goes on to the scrolled panel.
    event->ignore();
    return true;
  }
};

}  // namespace

void WheelOnlyWithFocus(QWidget* panel) {
  auto* filter = new WheelFilter(panel);
  const auto guard = [filter](QWidget* w) {
    w->setFocusPolicy(Qt::StrongFocus);
    w->installEventFilter(filter);
  };
  for (QComboBox* combo : panel->findChildren<QComboBox*>())
    guard(combo);
  // Scroll bars keep the wheel: scrolling is what they are for.
  for (QAbstractSlider* slider : panel->findChildren<QAbstractSlider*>())
    if (!qobject_cast<QScrollBar*>(slider)) guard(slider);
}

}  // namespace dravo
