#pragma once

// The program's pictures: SVG sources compiled into the program (icons/*.svg), drawn at whatever size
// and screen scale they are shown, so they stay sharp on high-DPI screens.

#include <QIcon>
#include <QPixmap>
#include <QString>

namespace dravo {

// The icon of that name (the file name without ".svg"); a disabled icon is drawn faded and grey.
QIcon SvgIcon(const QString& name);
// The picture at a size in device-independent pixels, for a screen scale.
QPixmap SvgPixmap(const QString& name, const QSize& size, qreal devicePixelRatio);

}  // namespace dravo
