#pragma once

// The status bar's first, owner-drawn panel: 50 pixels wide, showing the 14 × 14 "MODIFIED" sign at 2
// pixels right and 1 below its top-left corner while a trick or the textures have unsaved changes.

#include <QPixmap>
#include <QWidget>
#include <cstdint>

namespace dravo {

class TModifiedPanel : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 50;
  static constexpr int kSign = 14;

  explicit TModifiedPanel(QWidget* parent = nullptr);

  std::uint32_t Marks() const { return m_marks; }
  void SetMarks(std::uint32_t marks);
  // Where the sign is drawn, or an empty rectangle while nothing is modified.
  QRect SignRect() const;

  QSize sizeHint() const override { return {kWidth, 18}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::uint32_t m_marks = 0;
};

}  // namespace dravo
