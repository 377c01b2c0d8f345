#pragma once

// A line edit that takes whole numbers only (TNumericEdit).

#include <QLineEdit>
#include <functional>

namespace dravo {

// A numeric input field. Only the keys of a number reach it; the text is checked on Enter and
// when the field loses the focus: a bad text or a number outside MinValue … MaxValue shows an
// error message, after which the field selects its text and takes the focus back. A valid number
// is stored and OnChange runs.
class TNumericEdit : public QLineEdit {
  Q_OBJECT

 public:
  // `name` is the field's name, shown in the range message ("Value in GIFSize must be …").
  explicit TNumericEdit(const QString& name = QString(), QWidget* parent = nullptr);

  std::function<void(TNumericEdit*)> OnChange;
  // Shows one error message with an OK button; tests replace it so no modal box appears.
  std::function<void(TNumericEdit*, const QString& message)> ShowMessage;

  QString Name() const { return objectName(); }
  void SetName(const QString& name) { setObjectName(name); }

  // Whole-number fields drop "E", "e" and the decimal separator too, and show a whole number.
  bool WholeNumber() const { return m_wholeNumber; }
  void SetWholeNumber(bool whole);
  double MinValue() const { return m_min; }
  double MaxValue() const { return m_max; }
  // Limits of 0 and 0 mean none.
  void SetLimits(double minValue, double maxValue);

  double Value() const { return m_value; }
  int IntValue() const;
  // Shows the value as stored; no check, no OnChange.
  void SetValue(double value);

  // Checks the text now, as Enter does. False when it was refused (after the message).
  bool Commit();

  // The two error texts, filled in.
  static QString InvalidInputMessage(const QString& text);
  QString RangeMessage() const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  bool acceptsCharacter(QChar c) const;
  QString formatValue(double value) const;
  void refuse(const QString& message);

  bool m_wholeNumber = true;
  double m_min = 0.0;
  double m_max = 0.0;
  double m_value = 0.0;
  bool m_inMessage = false;
};

}  // namespace dravo
