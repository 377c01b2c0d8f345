#pragma once

// The key-frame bar (TTweenBar): one tick per frame, the selected range dragged with the mouse.

#include <QFrame>
#include <functional>

#include "core/tween_bar_geometry.h"

class QLabel;

namespace dravo {

// The key-frame bar: a strip of numbered frame ticks. The user drags from one frame to another;
// OnRangeChange is raised on the press, on every movement and on the release, and the receiver
// tells a finished drag by IsIdle().
class TTweenBar : public QFrame {
  Q_OBJECT

 public:
  enum class Bevel { None, Lowered, Raised };

  explicit TTweenBar(QWidget* parent = nullptr);

  std::function<void(TTweenBar*)> OnRangeChange;

  void SetFrames(int n);
  void UpdateSpacing();
  bool IsIdle() const { return m_logic.IsIdle(); }
  int ItemFromX(double x) const { return m_logic.ItemFromX(x); }

  int FrameCount() const { return m_logic.FrameCount; }
  float Spacing() const { return m_logic.Spacing; }
  int StartFrame() const { return m_logic.StartFrame; }
  int EndFrame() const { return m_logic.EndFrame; }
  bool Dragging() const { return m_logic.Dragging; }
  int Margin() const { return m_logic.Margin; }
  void SetMargin(int margin);
  const TweenBarLogic& Logic() const { return m_logic; }

  // The panel's own look: background colour and bevels drawn before the ticks.
  void SetColor(const QColor& color);
  QColor Color() const;
  void SetBevels(Bevel inner, Bevel outer, int width);

  // The small label that shows the frame under the pointer while dragging.
  QLabel* FrameLabel() const { return m_frameLabel; }

  // Tall enough for the numbers in the widget's font above the ticks (at least 18 pixels).
  int PreferredHeight() const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void showFrameLabel(int frame, int x);
  void raiseRangeChange();
  void paintBevel(class QPainter& p, QRect& r, Bevel bevel) const;

  TweenBarLogic m_logic;
  QLabel* m_frameLabel;
  Bevel m_inner = Bevel::Lowered;
  Bevel m_outer = Bevel::None;
  int m_bevelWidth = 1;
};

}  // namespace dravo
