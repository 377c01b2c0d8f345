#include "widgets/picture_preview_dialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QVBoxLayout>

namespace dravo {

TPicturePreviewDialog::TPicturePreviewDialog(QWidget* parent, const QString& caption, const QString& current,
                                             const QString& filter,
                                             std::function<QImage(const QString&)> loader)
    : QFileDialog(parent, caption), m_loader(std::move(loader)), m_preview(new QLabel), m_info(new QLabel) {
  // Our own dialog, so the preview can sit beside the file list.
  setOption(QFileDialog::DontUseNativeDialog, true);
  setFileMode(QFileDialog::ExistingFile);
  setAcceptMode(QFileDialog::AcceptOpen);
  setNameFilters(filter.split(QStringLiteral(";;")));
  if (!current.isEmpty()) {
    const QFileInfo info(current);
    if (info.isAbsolute() && info.dir().exists()) setDirectory(info.dir());
    selectFile(info.fileName());
  }
  m_preview->setFixedSize(180, 180);
  m_preview->setAlignment(Qt::AlignCenter);
  m_preview->setFrameShape(QFrame::StyledPanel);
  m_preview->setText(tr("No preview"));
  m_info->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  auto* side = new QVBoxLayout;
  side->addWidget(m_preview);
  side->addWidget(m_info);
  side->addStretch(1);
  if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
    grid->addLayout(side, 0, grid->columnCount(), grid->rowCount(), 1);
  } else {
    delete side;
  }
  connect(this, &QFileDialog::currentChanged, this, &TPicturePreviewDialog::ShowPreview);
}

void TPicturePreviewDialog::ShowPreview(const QString& path) {
  QImage image;
  const QFileInfo info(path);
  if (info.isFile()) {
    if (m_loader) {
      image = m_loader(path);
    } else {
      QImageReader reader(path);
      image = reader.read();
    }
  }
  if (image.isNull()) {
    m_preview->setPixmap(QPixmap());
    m_preview->setText(tr("No preview"));
    m_info->clear();
    return;
  }
  const QSize room = m_preview->size() - QSize(8, 8);
  QImage shown = image.size().boundedTo(room) == image.size()
                     ? image
                     : image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  m_preview->setPixmap(QPixmap::fromImage(shown));
  m_info->setText(QStringLiteral("%1 × %2").arg(image.width()).arg(image.height()));
}

}  // namespace dravo
