#pragma once

// An image button that can stay pressed (TVellButton): the toolbar's buttons and the posing axes.

#include <QAbstractButton>
#include <QColor>
#include <functional>

namespace dravo {

// An image button that can latch: with CanLatch a left press toggles Latched, a handler may
// refuse the change, and another is told of it. With latching off it is an ordinary (toolbar)
// button that goes down while pressed and clicks on release.
class TVellButton : public QAbstractButton {
  Q_OBJECT

 public:
  enum class TBevel { None, Lowered, Raised };
  // How the button looks in one state. An invalid colour means the palette's.
  struct TButtonStyle {
    QColor Color;
    bool Chequered = false;
    TBevel Bevel = TBevel::None;
  };

  explicit TVellButton(QWidget* parent = nullptr);
  TVellButton(const QString& text, QWidget* parent = nullptr);

  // Allow starts true; an unassigned handler allows.
  std::function<void(TVellButton*, bool& allow)> OnLatchChanging;
  std::function<void(TVellButton*, bool latched)> OnLatchChanged;
  std::function<void(TVellButton*)> OnCursorOver;
  std::function<void(TVellButton*)> OnCursorLeft;
  // A right press with CanDrag: the owner starts dragging the control.
  std::function<void(TVellButton*)> OnStartDrag;

  bool CanLatch() const { return m_canLatch; }
  void SetCanLatch(bool canLatch);  // switching it off releases the button
  bool Latched() const { return m_latched; }
  void SetLatched(bool latched);  // raises OnLatchChanged when the value changes
  bool CanDrag() const { return m_canDrag; }
  void SetCanDrag(bool canDrag) { m_canDrag = canDrag; }
  bool MouseOver() const { return m_mouseOver; }

  const TButtonStyle& OverStyle() const { return m_overStyle; }
  const TButtonStyle& NotOverStyle() const { return m_notOverStyle; }
  const TButtonStyle& DownStyle() const { return m_downStyle; }
  void SetOverStyle(const TButtonStyle& style);
  void SetNotOverStyle(const TButtonStyle& style);
  void SetDownStyle(const TButtonStyle& style);

  int Margin() const { return m_margin; }
  void SetMargin(int margin);
  QColor MaskColor() const { return m_maskColor; }
  void SetMaskColor(const QColor& color) { m_maskColor = color; }
  bool DisableGrayed() const { return m_disableGrayed; }
  void SetDisableGrayed(bool on);
  bool UseParentColor() const { return m_useParentColor; }
  void SetUseParentColor(bool on);
  int ShadowStrength() const { return m_shadowStrength; }
  void SetShadowStrength(int strength);

  // A bitmap glyph: pixels of MaskColor (when set) become transparent.
  void SetGlyph(const QImage& glyph);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void tryToggleLatch();
  void setMouseOver(bool over);
  const TButtonStyle& currentStyle() const;

  bool m_canLatch = false;
  bool m_latched = false;
  bool m_canDrag = false;
  bool m_mouseOver = false;
  TButtonStyle m_overStyle{QColor(), false, TBevel::Raised};
  TButtonStyle m_notOverStyle{QColor(), false, TBevel::None};
  TButtonStyle m_downStyle{QColor(), false, TBevel::Lowered};
  int m_margin = 1;
  QColor m_maskColor;
  bool m_disableGrayed = true;
  bool m_useParentColor = true;
  int m_shadowStrength = 40;
  bool m_keyboardFocus = false;
};

}  // namespace dravo
