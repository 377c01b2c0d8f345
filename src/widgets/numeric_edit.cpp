#include "widgets/numeric_edit.h"

#include <QFocusEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLocale>
#include <QMessageBox>
#include <cmath>

namespace dravo {

namespace {

bool ParseNumber(const QString& text, double& value) {
  const QString trimmed = text.trimmed();
  bool ok = false;
  double v = QLocale().toDouble(trimmed, &ok);
  if (!ok) v = QLocale::c().toDouble(trimmed, &ok);
  if (!ok || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

TNumericEdit::TNumericEdit(const QString& name, QWidget* parent) : QLineEdit(parent) {
  setObjectName(name);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  setText(formatValue(m_value));
}

void TNumericEdit::SetWholeNumber(bool whole) {
  m_wholeNumber = whole;
  setText(formatValue(m_value));
}

void TNumericEdit::SetLimits(double minValue, double maxValue) {
  m_min = minValue;
  m_max = maxValue;
}

int TNumericEdit::IntValue() const {
  return static_cast<int>(std::nearbyint(m_value));
}

void TNumericEdit::SetValue(double value) {
  m_value = m_wholeNumber ? std::nearbyint(value) : value;
  setText(formatValue(m_value));
}

QString TNumericEdit::formatValue(double value) const {
  if (m_wholeNumber) return QString::number(std::nearbyint(value), 'f', 0);
  return QLocale().toString(value, 'g', 10);
}

QString TNumericEdit::InvalidInputMessage(const QString& text) {
  return QStringLiteral("'") + text + QStringLiteral("' is no valid numeric input");
}

QString TNumericEdit::RangeMessage() const {
  return QStringLiteral("Value in ") + Name() +
         QString::asprintf(" must be between %.4g and %.4g", m_min, m_max);
}

bool TNumericEdit::acceptsCharacter(QChar c) const {
  if (c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-')) return true;
  if (m_wholeNumber) return false;
  return c == QLatin1Char('E') || c == QLatin1Char('e') || QString(c) == QLocale().decimalPoint();
}

void TNumericEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (Commit()) selectAll();
    event->accept();
    return;
  }
  // Printable characters other than those of a number are dropped; editing keys and shortcuts
  // (which carry no printable text) pass.
  const QString typed = event->text();
  for (QChar c : typed) {
    if (c.isPrint() && !acceptsCharacter(c)) {
      event->ignore();
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void TNumericEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  // Switching windows or opening a menu is not leaving the field; while our own message is up the
  // check is already running.
  if (m_inMessage || event->reason() == Qt::ActiveWindowFocusReason ||
      event->reason() == Qt::PopupFocusReason)
    return;
  // Checked once the event that moved the focus is done, so a message box does not interrupt the
  // click that caused it.
  QMetaObject::invokeMethod(
      this,
      [this] {
        if (isVisible() && !hasFocus()) Commit();
      },
      Qt::QueuedConnection);
}

void TNumericEdit::refuse(const QString& message) {
  m_inMessage = true;
  if (ShowMessage) {
    ShowMessage(this, message);
  } else {
    QMessageBox::critical(window(), QGuiApplication::applicationDisplayName(), message);
  }
  m_inMessage = false;
  selectAll();
  setFocus(Qt::OtherFocusReason);
}

bool TNumericEdit::Commit() {
  double value = 0.0;
  if (!ParseNumber(text(), value)) {
    refuse(InvalidInputMessage(text()));
    return false;
  }
  // Equal limits of 0 mean the field has none.
  const bool limited = !(m_min == 0.0 && m_max == 0.0);
  if (limited && (value < m_min || value > m_max)) {
    refuse(RangeMessage());
    return false;
  }
  m_value = m_wholeNumber ? std::nearbyint(value) : value;
  setText(formatValue(m_value));
  if (OnChange) OnChange(this);
  return true;
}

}  // namespace dravo
