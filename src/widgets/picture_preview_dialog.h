#pragma once

// The picture-opening dialog: a file dialog with a preview of the picture under the cursor.

#include <QFileDialog>
#include <QImage>
#include <QString>
#include <functional>

class QLabel;

namespace dravo {

class TPicturePreviewDialog : public QFileDialog {
  Q_OBJECT

 public:
  TPicturePreviewDialog(QWidget* parent, const QString& caption, const QString& current,
                        const QString& filter, std::function<QImage(const QString&)> loader);
  void ShowPreview(const QString& path);

 private:
  std::function<QImage(const QString&)> m_loader;
  QLabel* m_preview;
  QLabel* m_info;
};

}  // namespace dravo
