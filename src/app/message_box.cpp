#include "app/message_box.h"

#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace dravo {

namespace {

const QColor kTextColor(0xCC, 0xFF, 0x00);
const QColor kTextBackground(0x7A, 0x62, 0x62);
// The dialog's result for "No" in a three-way question (Accepted is Yes, Rejected is Cancel).
constexpr int kNoCode = 2;

}  // namespace

TKelMsg::TKelMsg(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_msgText(new QLabel(this)),
      m_okBtn(new QPushButton(tr("Ok"), this)),
      m_cancelBtn(new QPushButton(QStringLiteral("No"), this)),
      m_abortBtn(new QPushButton(QStringLiteral("Cancel"), this)),
      m_image(new QLabel(this)) {
  setObjectName(QStringLiteral("KelMsg"));
  setModal(true);
  setFixedSize(374, 149);

  m_image->setGeometry(14, 15, 36, 35);
  m_image->setAlignment(Qt::AlignCenter);

  // Opaque, fixed size and word-wrapped: a longer text is cut off. Plain text, so a file name
  // with "<" in it shows as written.
  m_msgText->setObjectName(QStringLiteral("MsgText"));
  m_msgText->setGeometry(72, 13, 285, 70);
  m_msgText->setTextFormat(Qt::PlainText);
  m_msgText->setWordWrap(true);
  m_msgText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  m_msgText->setAutoFillBackground(true);
  m_msgText->setMargin(6);
  QPalette textPalette = m_msgText->palette();
  textPalette.setColor(QPalette::Window, kTextBackground);
  textPalette.setColor(QPalette::WindowText, kTextColor);
  m_msgText->setPalette(textPalette);

  m_okBtn->setObjectName(QStringLiteral("OKBtn"));
  m_okBtn->setGeometry(203, 93, 75, 23);
  m_okBtn->setDefault(true);
  m_okBtn->setAutoDefault(true);
  m_cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  m_cancelBtn->setGeometry(279, 93, 75, 23);
  m_cancelBtn->setAutoDefault(false);
  m_abortBtn->setObjectName(QStringLiteral("AbortBtn"));
  m_abortBtn->setGeometry(279, 93, 75, 23);
  m_abortBtn->setAutoDefault(false);
  m_abortBtn->hide();
  connect(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
  // In a three-way question "No" is an answer of its own; rejecting (Cancel, Escape, the close box)
  // does nothing.
  connect(m_cancelBtn, &QPushButton::clicked, this, [this] { m_threeWay ? done(kNoCode) : reject(); });
  connect(m_abortBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TKelMsg::SetBackgroundPicture(const QPixmap& tile) {
  m_tile = tile;
  update();
}

void TKelMsg::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!m_tile.isNull()) {
    p.drawTiledPixmap(rect(), m_tile);
    return;
  }
  // Until the main window dresses it: a dark panel in the message's own tones.
  QLinearGradient fill(0, 0, 0, height());
  fill.setColorAt(0.0, QColor(0x4A, 0x3C, 0x3C));
  fill.setColorAt(1.0, QColor(0x2E, 0x25, 0x25));
  p.fillRect(rect(), fill);
}

bool TKelMsg::Ask(const QString& text, const QString& caption, bool yesNo) {
  m_threeWay = false;
  m_abortBtn->hide();
  m_okBtn->setGeometry(203, 93, 75, 23);
  m_cancelBtn->setGeometry(279, 93, 75, 23);
  if (!caption.isEmpty()) setWindowTitle(caption);
  m_msgText->setText(text);
  m_cancelBtn->setVisible(yesNo);
  m_okBtn->setText(yesNo ? QStringLiteral("Yes") : QStringLiteral("Ok"));
  const QStyle::StandardPixmap icon =
      yesNo ? QStyle::SP_MessageBoxQuestion : QStyle::SP_MessageBoxInformation;
  m_image->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(32, 32));
  m_okBtn->setFocus(Qt::OtherFocusReason);
  return exec() == QDialog::Accepted;
}

SaveChoice TKelMsg::AskToSave(const QString& text, const QString& caption) {
  if (!caption.isEmpty()) setWindowTitle(caption);
  m_msgText->setText(text);
  m_threeWay = true;
  m_okBtn->setText(QStringLiteral("Yes"));
  m_okBtn->setGeometry(127, 93, 75, 23);
  m_cancelBtn->setGeometry(203, 93, 75, 23);
  m_cancelBtn->show();
  m_abortBtn->show();
  m_image->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxQuestion, nullptr, this).pixmap(32, 32));
  m_okBtn->setFocus(Qt::OtherFocusReason);
  const int code = exec();
  m_threeWay = false;
  m_abortBtn->hide();
  if (code == QDialog::Accepted) return SaveChoice::Save;
  return code == kNoCode ? SaveChoice::Discard : SaveChoice::Cancel;
}

bool KelMsgBox(TKelMsg& window, const QString& text, const QString& caption, bool yesNo) {
  return window.Ask(text, caption, yesNo);
}

bool KelMsgBox(const QString& text, const QString& caption, bool yesNo) {
  TKelMsg window;
  return window.Ask(text, caption, yesNo);
}

}  // namespace dravo
