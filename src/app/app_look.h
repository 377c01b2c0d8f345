#pragma once

// The program's look: Qt's Fusion style with a light palette for the controls, and a darker, textured
// side panel whose picture the message box and the transfer window take over.

#include <QColor>
#include <QFrame>
#include <QPixmap>

class QApplication;

namespace dravo {

// Fusion, a light palette and the program's accent colour.
void ApplyAppLook(QApplication& app);

// The side panel's picture, tiled wherever it is used.
QPixmap SidePanelTile();

// Colours of the side panel's rollout headers.
QColor RolloutHeaderColor();
QColor RolloutBorderColor();

// A rounded light card on the side panel's picture, for controls that are not in a rollout.
class TCard : public QFrame {
  Q_OBJECT

 public:
  explicit TCard(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// A widget whose background is the side panel's picture.
class TTiledPanel : public QWidget {
  Q_OBJECT

 public:
  explicit TTiledPanel(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QPixmap m_tile;
};

}  // namespace dravo
