#include "app/app_look.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <cstdint>

namespace dravo {

void ApplyAppLook(QApplication& app) {
  if (QStyle* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) app.setStyle(fusion);
  QPalette pal = app.style()->standardPalette();
  pal.setColor(QPalette::Window, QColor(0xEF, 0xED, 0xEC));
  pal.setColor(QPalette::Button, QColor(0xF4, 0xF2, 0xF1));
  pal.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
  pal.setColor(QPalette::AlternateBase, QColor(0xF6, 0xF3, 0xF3));
  pal.setColor(QPalette::Highlight, QColor(0x4A, 0x6F, 0xA5));
  pal.setColor(QPalette::HighlightedText, Qt::white);
  pal.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFB, 0xE6));
  pal.setColor(QPalette::ToolTipText, QColor(0x20, 0x20, 0x20));
  pal.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0xB8, 0xB8, 0xB8));
  app.setPalette(pal);
}

QPixmap SidePanelTile() {
  // A dark mauve with a fine grain; each pixel depends on nothing but its own place, so the tile
  // repeats without seams.
  constexpr int kSide = 64;
  QImage tile(kSide, kSide, QImage::Format_RGB32);
  std::uint32_t seed = 0x9E3779B9u;
  for (int y = 0; y < kSide; ++y) {
    auto* row = reinterpret_cast<QRgb*>(tile.scanLine(y));
    for (int x = 0; x < kSide; ++x) {
      seed ^= seed << 13;
      seed ^= seed >> 17;
      seed ^= seed << 5;
      const int grain = static_cast<int>(seed % 9) - 4;
      const int stripe = ((x + y) % 4 == 0) ? 2 : 0;
      row[x] = qRgb(0x5C + grain + stripe, 0x4C + grain + stripe, 0x52 + grain + stripe);
    }
  }
  return QPixmap::fromImage(tile);
}

QColor RolloutHeaderColor() {
  return {0x70, 0x5A, 0x63};
}

QColor RolloutBorderColor() {
  return {0x3E, 0x31, 0x37};
}

TCard::TCard(QWidget* parent) : QFrame(parent) {
  setAttribute(Qt::WA_StyledBackground, false);
}

void TCard::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(RolloutBorderColor(), 1.0));
  p.setBrush(palette().color(QPalette::Base).darker(102));
  p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
}

TTiledPanel::TTiledPanel(QWidget* parent) : QWidget(parent), m_tile(SidePanelTile()) {}

void TTiledPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.drawTiledPixmap(rect(), m_tile);
}

}  // namespace dravo
