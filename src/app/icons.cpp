#include "app/icons.h"

#include <QIconEngine>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

namespace dravo {

namespace {

QString ResourcePath(const QString& name) {
  return QStringLiteral(":/icons/") + name + QStringLiteral(".svg");
}

// Faded and grey, as disabled toolbar pictures look.
QImage Greyed(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb c = row[x];
      const int grey = (qRed(c) * 11 + qGreen(c) * 16 + qBlue(c) * 5) / 32;
      const int lifted = 110 + grey * 100 / 255;
      row[x] = qRgba(lifted, lifted, lifted, qAlpha(c) * 55 / 100);
    }
  }
  return image;
}

class SvgIconEngine : public QIconEngine {
 public:
  explicit SvgIconEngine(const QString& path) : m_path(path) {}

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    QPixmap pm = pixmap(rect.size() * dpr, mode, state);
    pm.setDevicePixelRatio(dpr);
    painter->drawPixmap(rect, pm);
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
    if (size.isEmpty()) return {};
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSvgRenderer renderer(m_path);
    if (renderer.isValid()) {
      QPainter p(&image);
      renderer.render(&p, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    if (mode == QIcon::Disabled) image = Greyed(image);
    return QPixmap::fromImage(image);
  }

  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QIconEngine* clone() const override { return new SvgIconEngine(m_path); }
  QString key() const override { return QStringLiteral("dravo-svg"); }

 private:
  QString m_path;
};

}  // namespace

QIcon SvgIcon(const QString& name) {
  return QIcon(new SvgIconEngine(ResourcePath(name)));
}

QPixmap SvgPixmap(const QString& name, const QSize& size, qreal devicePixelRatio) {
  QPixmap pm = SvgIcon(name).pixmap(size, devicePixelRatio);
  return pm;
}

}  // namespace dravo
