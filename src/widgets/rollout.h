#pragma once

// A collapsible panel with a title bar (TVellRollout), stacked in the window's side panel.

#include <QColor>
#include <QPixmap>
#include <QWidget>
#include <functional>

namespace dravo {

// A side-panel section with a header: a click on the header collapses the section to its
// header and expands it again. The section's controls go into Content() (give it a layout).
class TVellRollout : public QWidget {
  Q_OBJECT

 public:
  // How the rollout sits in its parent's layout: Client fills the room the layout gives it, the
  // others keep Height().
  enum class TAlign { None, Top, Bottom, Client };
  // How the header picture strip is cut: one picture, 4 or 7 states stacked vertically.
  enum class THeaderImageType { hgiSingle, hgiHalf, hgiFull };

  explicit TVellRollout(const QString& caption = QString(), QWidget* parent = nullptr);

  // Raised after every change of Expanded.
  std::function<void(TVellRollout*)> OnExpanded;
  // The pointer entered or left the header.
  std::function<void(TVellRollout*)> OnCursorOver;
  std::function<void(TVellRollout*)> OnCursorLeft;

  bool Expanded() const { return m_expanded; }
  void SetExpanded(bool expanded);

  TAlign Align() const { return m_align; }
  void SetAlign(TAlign align);
  // The height kept while expanded and not Client-aligned; 0 fits the content.
  int Height() const { return m_height; }
  void SetHeight(int height);

  QString Caption() const { return m_caption; }
  void SetCaption(const QString& caption);
  int HeaderMargin() const { return m_headerMargin; }
  void SetHeaderMargin(int margin);
  QColor HeaderColor() const { return m_headerColor; }
  void SetHeaderColor(const QColor& color);
  QColor HeaderBorderColor() const { return m_headerBorderColor; }
  void SetHeaderBorderColor(const QColor& color);
  const QPixmap& HeaderGlyph() const { return m_headerGlyph; }
  void SetHeaderGlyph(const QPixmap& glyph);
  THeaderImageType HeaderImagetype() const { return m_headerImageType; }
  void SetHeaderImagetype(THeaderImageType type);

  // Top 0; 24 high from HeaderMargin to the width − HeaderMargin, or the picture's frame centred.
  QRect HeaderRect() const;
  bool HeaderHot() const { return m_hot; }
  QWidget* Content() const { return m_content; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  int headerBottom() const;
  int fitHeight() const;
  bool inHeader(const QPointF& pos) const;
  void setHot(bool hot);
  void applyGeometry();
  void placeContent();
  void paintHeaderGlyph(class QPainter& p, const QRect& header) const;

  QWidget* m_content;
  QString m_caption;
  bool m_expanded = true;
  TAlign m_align = TAlign::Top;
  int m_height = 0;
  TAlign m_savedAlign = TAlign::Top;
  int m_savedHeight = 0;
  int m_headerMargin = 8;
  QColor m_headerColor;
  QColor m_headerBorderColor;
  QPixmap m_headerGlyph;
  THeaderImageType m_headerImageType = THeaderImageType::hgiSingle;
  bool m_hot = false;
  bool m_pressed = false;
  bool m_keyboardFocus = false;
};

}  // namespace dravo
