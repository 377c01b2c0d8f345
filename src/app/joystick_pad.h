#pragma once

// A joystick pad of the side panel: a bevelled 43 × 43 square. Held down, it turns the scene (rotation
// pad) or moves the eye (position pad); how far the pointer is from the middle sets the speed. The pad
// reports the pointer inside it also while no button is down, since the last position over a pad is the
// one a press uses.

#include <QFrame>
#include <functional>

namespace dravo {

class TJoystickPad : public QFrame {
  Q_OBJECT

 public:
  // `tag` 1 is the rotation pad, 0 the position pad.
  TJoystickPad(int tag, QWidget* parent = nullptr);

  int Tag() const { return m_tag; }
  std::function<void(TJoystickPad*)> OnMouseDown;
  std::function<void(TJoystickPad*, int x, int y)> OnMouseMove;
  std::function<void(TJoystickPad*)> OnMouseUp;

  QSize sizeHint() const override { return {43, 43}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int m_tag;
  bool m_down = false;
  QPoint m_pointer{-1, -1};
};

}  // namespace dravo
