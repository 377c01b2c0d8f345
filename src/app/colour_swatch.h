#pragma once

// A colour swatch: a small button filled with a colour; a click asks for another.

#include <QAbstractButton>
#include <QColor>
#include <cstdint>

namespace dravo {

class TColourSwatch : public QAbstractButton {
  Q_OBJECT

 public:
  explicit TColourSwatch(QWidget* parent = nullptr);

  QColor Colour() const { return m_colour; }
  void SetColour(const QColor& colour);

  QSize sizeHint() const override { return {46, 22}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor m_colour = Qt::black;
};

// A window-system colour (red in the low byte) as a Qt colour, and back.
QColor ToQColor(std::uint32_t colour);
std::uint32_t FromQColor(const QColor& colour);

}  // namespace dravo
