#include <QLineEdit>
#include <QLocale>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/numeric_edit.h"

using dravo::TNumericEdit;

class NumericEditTest : public QObject {
  Q_OBJECT

  std::unique_ptr<QWidget> window;
  TNumericEdit* field = nullptr;
  QLineEdit* other = nullptr;
  QStringList messages;
  int changes = 0;

 private slots:
  void initTestCase() { QLocale::setDefault(QLocale::c()); }

  void init() {
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    field = new TNumericEdit(QStringLiteral("GIFSize"));
    field->SetLimits(32, 256);
    field->SetValue(128);
    other = new QLineEdit;
    layout->addWidget(field);
    layout->addWidget(other);
    messages.clear();
    changes = 0;
    field->ShowMessage = [this](TNumericEdit*, const QString& text) { messages << text; };
    field->OnChange = [this](TNumericEdit*) { ++changes; };
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
  }
  void cleanup() { window.reset(); }

  void keysOfANumberOnly_data() {
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole number") << true << "1a2.5e+-"
                                  << "125+-";
    QTest::newRow("fraction") << false << "1a2.5e+-"
                              << "12.5e+-";
    QTest::newRow("letters and blanks") << true << "x y_z"
                                        << "";
  }
  void keysOfANumberOnly() {
    QFETCH(bool, whole);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    field->SetWholeNumber(whole);
    field->clear();
    QTest::keyClicks(field, typed);
    QCOMPARE(field->text(), shown);
    // Editing keys still work.
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(field->text(), shown.mid(1));
  }

  void enterChecksTheText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("value");
    QTest::newRow("valid") << "GIFSize" << 32.0 << 256.0 << "64"
                           << "" << 64;
    QTest::newRow("lowest") << "GIFSize" << 32.0 << 256.0 << "32"
                            << "" << 32;
    QTest::newRow("above") << "GIFSize" << 32.0 << 256.0 << "300"
                           << "Value in GIFSize must be between 32 and 256" << 128;
    QTest::newRow("fps below") << "FrameRateEdit" << 1.0 << 100.0 << "0"
                               << "Value in FrameRateEdit must be between 1 and 100" << 128;
    QTest::newRow("no number") << "GIFSize" << 32.0 << 256.0 << "12x"
                               << "'12x' is no valid numeric input" << 128;
    QTest::newRow("empty") << "GIFSize" << 32.0 << 256.0 << ""
                           << "'' is no valid numeric input" << 128;
    QTest::newRow("four digits") << "Big" << 0.5 << 1e6 << "2e6"
                                 << "Value in Big must be between 0.5 and 1e+06" << 128;
    QTest::newRow("pasted fraction") << "GIFSize" << 32.0 << 256.0 << "64.7"
                                     << "" << 65;
  }
  void enterChecksTheText() {
    QFETCH(QString, name);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(QString, text);
    QFETCH(QString, message);
    QFETCH(int, value);
    field->SetName(name);
    field->SetLimits(min, max);
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
    if (message.isEmpty()) {
      QVERIFY(messages.isEmpty());
      QCOMPARE(changes, 1);
      QCOMPARE(field->text(), QString::number(value));
    } else {
      QCOMPARE(messages, QStringList{message});
      QCOMPARE(changes, 0);
      QCOMPARE(field->text(), text);
    }
    QCOMPARE(field->IntValue(), value);
    // Both ways the whole text ends up selected, the focus in the field.
    QCOMPARE(field->selectedText(), field->text());
    QVERIFY(field->hasFocus());
  }

  void leavingTheFieldChecksItAndComesBack() {
    field->setText(QStringLiteral("500"));
    other->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(messages.size(), 1);
    QCOMPARE(messages[0], QStringLiteral("Value in GIFSize must be between 32 and 256"));
    QTRY_VERIFY(field->hasFocus());
    QCOMPARE(field->selectedText(), QStringLiteral("500"));
    QCOMPARE(field->IntValue(), 128);

    field->setText(QStringLiteral("200"));
    other->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(changes, 1);
    QCOMPARE(field->IntValue(), 200);
    QCOMPARE(messages.size(), 1);
    QVERIFY(other->hasFocus());
  }

  void switchingWindowsIsNotLeaving() {
    field->setText(QStringLiteral("999"));
    other->setFocus(Qt::ActiveWindowFocusReason);
    QVERIFY(other->hasFocus());
    QApplication::processEvents();
    QVERIFY(messages.isEmpty());
    // A menu opening takes the focus for a moment; that is not leaving either.
    field->setFocus();
    other->setFocus(Qt::PopupFocusReason);
    QApplication::processEvents();
    QVERIFY(messages.isEmpty());
  }
};

QTEST_MAIN(NumericEditTest)
#include "numeric_edit_test.moc"
