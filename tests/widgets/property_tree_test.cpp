#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <vector>

#include "widgets/property_tree.h"

using dravo::TField;
using dravo::TFieldKind;
using dravo::TVirtualPropertyTree;

namespace {

TField Row(TFieldKind kind, const QString& caption, int tag) {
  TField f;
  f.Kind = kind;
  f.Caption = caption;
  f.Tag = tag;
  return f;
}

struct Message {
  QString text;
  QString caption;
};

}  // namespace

class PropertyTreeTest : public QObject {
  Q_OBJECT

  std::unique_ptr<TVirtualPropertyTree> tree;
  std::vector<Message> messages;
  std::vector<TField> changes;
  // What the file dialog was asked and answers.
  QString dialogAnswer;
  QString dialogFilter;
  QString dialogCurrent;
  bool dialogImage = false;
  int dialogCalls = 0;

  QTreeWidgetItem* add(const TField& f, QTreeWidgetItem* parent = nullptr) {
    return tree->AddProperty(f, parent);
  }

  QTreeWidgetItem* addInteger(int tag, int value, int min, int max) {
    TField f = Row(TFieldKind::Integer, QStringLiteral("Frames"), tag);
    f.IntValue = value;
    f.IntMin = min;
    f.IntMax = max;
    return add(f);
  }

  // Types into the focused row's text editor and moves on, as a user does.
  void typeAndLeave(QTreeWidgetItem* row, const QString& text) {
    tree->setCurrentItem(row);
    auto* edit = qobject_cast<QLineEdit*>(tree->ActiveEditor());
    QVERIFY(edit);
    edit->setText(text);
    tree->CommitEditor();
  }

 private slots:
  void init() {
    tree = std::make_unique<TVirtualPropertyTree>();
    messages.clear();
    changes.clear();
    dialogAnswer.clear();
    dialogFilter.clear();
    dialogCurrent.clear();
    dialogCalls = 0;
    tree->ShowMessage = [this](const QString& text, const QString& caption) {
      messages.push_back({text, caption});
    };
    tree->OnDataChanged = [this](TVirtualPropertyTree*, TFieldKind kind, const TField& f) {
      QCOMPARE(kind, f.Kind);
      changes.push_back(f);
    };
    tree->ChooseFile = [this](const QString& current, const QString& filter, bool image) {
      ++dialogCalls;
      dialogCurrent = current;
      dialogFilter = filter;
      dialogImage = image;
      return dialogAnswer;
    };
    tree->resize(300, 400);
    tree->show();
    QVERIFY(QTest::qWaitForWindowExposed(tree.get()));
  }
  void cleanup() { tree.reset(); }

  void integerCommits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("raised");
    QTest::newRow("valid") << "42" << 42 << "" << true;
    QTest::newRow("bounds inclusive") << "600" << 600 << "" << true;
    QTest::newRow("not a number") << "4x2" << 30 << "4x2 is not a valid number" << true;
    QTest::newRow("above") << "601" << 30 << "Value must be between 1 and 600" << true;
    QTest::newRow("below") << "0" << 30 << "Value must be between 1 and 600" << true;
    QTest::newRow("unchanged text") << "30" << 30 << "" << false;
  }
  void integerCommits() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    QFETCH(QString, message);
    QFETCH(bool, raised);
    QTreeWidgetItem* row = addInteger(7, 30, 1, 600);
    typeAndLeave(row, typed);
    QCOMPARE(tree->Field(row)->IntValue, stored);
    QCOMPARE(tree->ValueText(row), QString::number(stored));
    if (message.isEmpty()) {
      QVERIFY(messages.empty());
    } else {
      QCOMPARE(messages.size(), std::size_t{1});
      QCOMPARE(messages[0].text, message);
      QCOMPARE(messages[0].caption, QStringLiteral("Error"));
    }
    // The event comes also after a refusal, carrying the old value.
    QCOMPARE(changes.size(), std::size_t{raised ? 1u : 0u});
    if (raised) {
      QCOMPARE(changes[0].IntValue, stored);
      QCOMPARE(changes[0].Tag, 7);
    }
    // The editor shows what the row holds.
    QCOMPARE(qobject_cast<QLineEdit*>(tree->ActiveEditor())->text(), QString::number(stored));
  }

  void floatCommits() {
    TField f = Row(TFieldKind::Float, QStringLiteral("Scale"), 3);
    f.FloatValue = 1.5f;
    f.FloatMin = 0.0f;
    f.FloatMax = 10.0f;
    QTreeWidgetItem* row = add(f);
    QCOMPARE(tree->ValueText(row), QStringLiteral("1.500"));
    typeAndLeave(row, QStringLiteral("2.25"));
    QCOMPARE(tree->Field(row)->FloatValue, 2.25f);
    QCOMPARE(tree->ValueText(row), QStringLiteral("2.250"));
    typeAndLeave(row, QStringLiteral("11"));
    typeAndLeave(row, QStringLiteral("abc"));
    QCOMPARE(tree->Field(row)->FloatValue, 2.25f);
    QCOMPARE(messages.size(), std::size_t{2});
    QCOMPARE(messages[0].text, QStringLiteral("Value must be between 0.000000 and 10.000000"));
    QCOMPARE(messages[1].text, QStringLiteral("abc is not a valid number"));
    QCOMPARE(changes.size(), std::size_t{3});
  }

  void stringIsCutTo255() {
    QTreeWidgetItem* row = add(Row(TFieldKind::String, QStringLiteral("Name"), 1));
    typeAndLeave(row, QString(300, QLatin1Char('a')));
    QCOMPARE(tree->Field(row)->Text.size(), 255);
    QCOMPARE(changes.size(), std::size_t{1});
  }

  void colourButtonCommitsThreeNumbers() {
    TField f = Row(TFieldKind::Color, QStringLiteral("Mud"), 5);
    f.Color = 0x00304050;  // red 0x50, green 0x40, blue 0x30
    QTreeWidgetItem* row = add(f);
    QCOMPARE(tree->ValueText(row), QStringLiteral("80, 64, 48"));
    QColor asked;
    tree->ChooseColor = [&](QColor& c) {
      asked = c;
      c = QColor(10, 20, 30);
      return true;
    };
    tree->setCurrentItem(row);
    QVERIFY(tree->ClickEditorButton());
    QCOMPARE(asked, QColor(80, 64, 48));
    QCOMPARE(tree->Field(row)->Color, 10u | (20u << 8) | (30u << 16));
    QCOMPARE(changes.size(), std::size_t{1});
    // Cancelled: nothing.
    tree->ChooseColor = [](QColor&) { return false; };
    QVERIFY(!tree->ClickEditorButton());
    QCOMPARE(changes.size(), std::size_t{1});
  }

  void dropDownsCommitTheChoice() {
    tree->OnFillComboList = [](TVirtualPropertyTree*, int tag, QStringList& items) {
      QCOMPARE(tag, 4);
      items << QStringLiteral("Motocross") << QStringLiteral("ATV") << QStringLiteral("Freestyle");
    };
    TField list = Row(TFieldKind::List, QStringLiteral("Machine"), 4);
    list.Text = QStringLiteral("ATV");
    list.IntValue = 1;
    QTreeWidgetItem* listRow = add(list);
    QTreeWidgetItem* boolRow = add(Row(TFieldKind::Boolean, QStringLiteral("Lights"), 6));
    QCOMPARE(tree->ValueText(boolRow), QStringLiteral("False"));

    tree->setCurrentItem(listRow);
    auto* combo = qobject_cast<QComboBox*>(tree->ActiveEditor());
    QVERIFY(combo);
    QCOMPARE(combo->currentText(), QStringLiteral("ATV"));
    combo->setCurrentIndex(2);
    emit combo->activated(2);
    QCOMPARE(tree->Field(listRow)->Text, QStringLiteral("Freestyle"));
    QCOMPARE(tree->Field(listRow)->IntValue, 2);

    tree->setCurrentItem(boolRow);
    QCOMPARE(combo->count(), 2);
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    QVERIFY(tree->Field(boolRow)->BoolValue);
    QCOMPARE(tree->ValueText(boolRow), QStringLiteral("True"));
    QCOMPARE(changes.size(), std::size_t{2});
  }

  void checkListStoresFlags() {
    tree->OnFillCheckList = [](TVirtualPropertyTree*, int, QStringList& items) {
      items << QStringLiteral("Head") << QStringLiteral("Arms") << QStringLiteral("Legs");
    };
    TField f = Row(TFieldKind::Flags, QStringLiteral("Parts"), 8);
    f.Flags[2] = 255;
    QTreeWidgetItem* row = add(f);
    QCOMPARE(tree->ValueText(row), QStringLiteral("2"));
    tree->setCurrentItem(row);
    auto* list = qobject_cast<QListWidget*>(tree->ActiveEditor());
    QVERIFY(list);
    QCOMPARE(list->item(2)->checkState(), Qt::Checked);
    list->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(tree->Field(row)->Flags[0], std::uint8_t{255});
    QCOMPARE(tree->ValueText(row), QStringLiteral("0,2"));
    list->item(2)->setCheckState(Qt::Unchecked);
    QCOMPARE(tree->Field(row)->Flags[2], std::uint8_t{0});
    QCOMPARE(changes.size(), std::size_t{2});
  }

  void imageRowAsksTheDialog() {
    QTreeWidgetItem* row =
        tree->AddFileProperty(QStringLiteral("1"), QStringLiteral("helmet.dxt"), true, nullptr, 0);
    QCOMPARE(tree->Field(row)->Kind, TFieldKind::ImageFile);
    tree->setCurrentItem(row);
    // Without a handler the filter takes every file.
    dialogAnswer = QStringLiteral("/skins/red.tga");
    QVERIFY(tree->ClickEditorButton());
    QCOMPARE(dialogCurrent, QStringLiteral("helmet.dxt"));
    QCOMPARE(dialogFilter, QStringLiteral("All files (*.*)|*.*"));
    QVERIFY(dialogImage);
    QCOMPARE(changes.size(), std::size_t{1});
    QCOMPARE(changes[0].Text, QStringLiteral("/skins/red.tga"));
    QCOMPARE(changes[0].Kind, TFieldKind::ImageFile);
    QCOMPARE(changes[0].Tag, 0);

    // The handler's filter; the same file again, then a cancel: no event.
    tree->OnDialogFilter = [](TVirtualPropertyTree*, int tag, QString& filter) {
      QCOMPARE(tag, 0);
      filter = QStringLiteral("Targa (*.tga)|*.tga");
    };
    QVERIFY(!tree->ClickEditorButton());
    QCOMPARE(dialogFilter, QStringLiteral("Targa (*.tga)|*.tga"));
    dialogAnswer.clear();
    QVERIFY(!tree->ClickEditorButton());
    QCOMPARE(changes.size(), std::size_t{1});
    QCOMPARE(dialogCalls, 3);
  }

  void fileRowUsesThePlainDialog() {
    QTreeWidgetItem* row =
        tree->AddFileProperty(QStringLiteral("Archive"), QStringLiteral("a.pak"), false, nullptr, 1);
    QCOMPARE(tree->Field(row)->Kind, TFieldKind::File);
    tree->setCurrentItem(row);
    dialogAnswer = QStringLiteral("/data/b.pak");
    QVERIFY(tree->ClickEditorButton());
    QVERIFY(!dialogImage);
    QCOMPARE(tree->Field(row)->Text, QStringLiteral("/data/b.pak"));
  }

  void longPathsStayWhole() {
    const QString deep =
        QStringLiteral("/home/user/") + QString(300, QLatin1Char('d')) + QStringLiteral("/skin.tga");
    QTreeWidgetItem* row = tree->AddFileProperty(QStringLiteral("1"), deep, true, nullptr, 0);
    QCOMPARE(tree->Field(row)->Text, deep);
    tree->setCurrentItem(row);
    dialogAnswer = deep + QStringLiteral(".png");
    QVERIFY(tree->ClickEditorButton());
    QCOMPARE(changes.back().Text, dialogAnswer);
  }

  void droppingAnImageFile() {
    tree->OnDialogFilter = [](TVirtualPropertyTree*, int, QString& filter) {
      filter = QStringLiteral("Images (*.tga;*.bmp)|*.tga;*.bmp");
    };
    QTreeWidgetItem* image =
        tree->AddFileProperty(QStringLiteral("1"), QStringLiteral("a.dxt"), true, nullptr, 0);
    QTreeWidgetItem* plain =
        tree->AddFileProperty(QStringLiteral("2"), QStringLiteral("b.pak"), false, nullptr, 1);
    QVERIFY(!tree->DropFile(plain, QStringLiteral("/x/c.tga")));

    // Through the view, as a drag from a file manager arrives.
    auto dropOn = [&](QTreeWidgetItem* row, const QString& path) {
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(path)});
      const QPoint at = tree->visualItemRect(row).center();
      QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(tree->viewport(), &enter);
      QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(tree->viewport(), &move);
      QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(tree->viewport(), &drop);
      return move.isAccepted();
    };
    QVERIFY(!dropOn(image, QStringLiteral("/x/notes.txt")));
    QVERIFY(!dropOn(plain, QStringLiteral("/x/c.tga")));
    QVERIFY(changes.empty());
    QVERIFY(dropOn(image, QStringLiteral("/x/RED.TGA")));
    QCOMPARE(changes.size(), std::size_t{1});
    QCOMPARE(changes[0].Text, QStringLiteral("/x/RED.TGA"));
    QCOMPARE(tree->currentItem(), image);
  }

  void setPropertyValueFindsTheFirstRowAndStaysQuiet() {
    QTreeWidgetItem* group = add(Row(TFieldKind::Group, QStringLiteral("Textures"), 100));
    QTreeWidgetItem* first =
        tree->AddFileProperty(QStringLiteral("1"), QStringLiteral("a.dxt"), true, group, 5);
    QTreeWidgetItem* second =
        tree->AddFileProperty(QStringLiteral("2"), QStringLiteral("b.dxt"), true, nullptr, 5);
    QTreeWidgetItem* number = addInteger(6, 30, 1, 600);
    QCOMPARE(tree->ValueText(group), QStringLiteral("[a.dxt]"));

    tree->SetPropertyValue(99, QStringLiteral("nothing"));
    tree->SetPropertyValue(5, QStringLiteral("red.dxt"));
    QCOMPARE(tree->Field(first)->Text, QStringLiteral("red.dxt"));
    QCOMPARE(tree->Field(second)->Text, QStringLiteral("b.dxt"));
    QCOMPARE(tree->ValueText(group), QStringLiteral("[red.dxt]"));
    // Numbers are read as the row shows them; text that is no number changes nothing.
    tree->SetPropertyValue(6, QStringLiteral("12"));
    QCOMPARE(tree->Field(number)->IntValue, 12);
    tree->SetPropertyValue(6, QStringLiteral("ab"));
    QCOMPARE(tree->Field(number)->IntValue, 12);
    QVERIFY(changes.empty());
    QVERIFY(messages.empty());

    // The focused row's editor follows.
    tree->setCurrentItem(first);
    tree->SetPropertyValue(5, QStringLiteral("blue.dxt"));
    QCOMPARE(tree->ActiveEditor()->findChild<QLineEdit*>()->text(), QStringLiteral("blue.dxt"));
  }

  void editorsSitOverTheValueCell() {
    QTreeWidgetItem* group = add(Row(TFieldKind::Group, QStringLiteral("Group"), 1));
    add(Row(TFieldKind::String, QStringLiteral("Child"), 2), group);
    QTreeWidgetItem* readOnly = add(Row(TFieldKind::ReadOnly, QStringLiteral("Version"), 3));
    QTreeWidgetItem* image =
        tree->AddFileProperty(QStringLiteral("1"), QStringLiteral("a.dxt"), true, nullptr, 4);
    for (int i = 0; i < 40; ++i)
      add(Row(TFieldKind::String, QStringLiteral("Filler"), 10 + i));

    // Rows with children, read-only and group rows get no editor.
    tree->setCurrentItem(group);
    QVERIFY(!tree->ActiveEditor());
    tree->setCurrentItem(readOnly);
    QVERIFY(!tree->ActiveEditor());

    tree->setCurrentItem(image);
    QWidget* editor = tree->ActiveEditor();
    QVERIFY(editor && editor->isVisible());
    QCOMPARE(editor->parentWidget(), tree->viewport());
    auto cell = [&] { return tree->visualRect(tree->model()->index(tree->indexOfTopLevelItem(image), 1)); };
    QCOMPARE(editor->geometry(), cell().adjusted(1, 1, -1, -1));
    // Only one editor is shown, and the button is as wide as the cell is high.
    int shown = 0;
    for (QWidget* w : tree->viewport()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (w->isVisible() && w != editor && w->inherits("QLineEdit")) ++shown;
    }
    QCOMPARE(shown, 0);
    QCOMPARE(editor->findChild<QToolButton*>()->width(), editor->height());

    // It follows the cell when the tree scrolls and when the column moves.
    tree->scrollToBottom();
    QApplication::processEvents();
    QVERIFY(cell().bottom() < 0);
    QCOMPARE(editor->geometry(), cell().adjusted(1, 1, -1, -1));
    tree->scrollToTop();
    tree->setColumnWidth(0, 140);
    QApplication::processEvents();
    QCOMPARE(editor->geometry(), cell().adjusted(1, 1, -1, -1));

    tree->Clear();
    QCOMPARE(tree->topLevelItemCount(), 0);
    QVERIFY(!tree->ActiveEditor());
    QVERIFY(!editor->isVisible());
  }

  void movingToAnotherRowCommits() {
    QTreeWidgetItem* a = addInteger(1, 5, 0, 10);
    QTreeWidgetItem* b = addInteger(2, 5, 0, 10);
    tree->setCurrentItem(a);
    auto* edit = qobject_cast<QLineEdit*>(tree->ActiveEditor());
    edit->setText(QStringLiteral("7"));
    tree->setCurrentItem(b);
    QCOMPARE(tree->Field(a)->IntValue, 7);
    QCOMPARE(changes.size(), std::size_t{1});
    // Typing Enter commits too.
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("9"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(tree->Field(b)->IntValue, 9);
    QCOMPARE(changes.size(), std::size_t{2});
  }

  void handlerMayClearTheRows() {
    QTreeWidgetItem* a = addInteger(1, 5, 0, 10);
    QTreeWidgetItem* b = addInteger(2, 5, 0, 10);
    tree->OnDataChanged = [this](TVirtualPropertyTree*, TFieldKind, const TField&) {
      tree->Clear();
      addInteger(3, 1, 0, 10);
    };
    tree->setCurrentItem(a);
    qobject_cast<QLineEdit*>(tree->ActiveEditor())->setText(QStringLiteral("7"));
    tree->setCurrentItem(b);
    QCOMPARE(tree->topLevelItemCount(), 1);
    QVERIFY(tree->FindRow(3));
  }

  void filters() {
    QCOMPARE(TVirtualPropertyTree::ToQtFilter(QStringLiteral("All files (*.*)|*.*")),
             QStringLiteral("All files (*)"));
    QCOMPARE(TVirtualPropertyTree::ToQtFilter(QStringLiteral("Images|*.tga;*.bmp|Targa (*.tga)|*.tga")),
             QStringLiteral("Images (*.tga *.bmp);;Targa (*.tga)"));
    QVERIFY(
        TVirtualPropertyTree::FilterMatches(QStringLiteral("All files (*.*)|*.*"), QStringLiteral("README")));
    QVERIFY(TVirtualPropertyTree::FilterMatches(QStringLiteral("I|*.tga;*.bmp"), QStringLiteral("a.BMP")));
    QVERIFY(!TVirtualPropertyTree::FilterMatches(QStringLiteral("I|*.tga;*.bmp"), QStringLiteral("a.png")));
    QVERIFY(!TVirtualPropertyTree::FilterMatches(QStringLiteral("broken"), QStringLiteral("a.png")));
  }
};

QTEST_MAIN(PropertyTreeTest)
#include "property_tree_test.moc"
