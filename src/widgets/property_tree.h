#pragma once

// The property list of the skins panel: rows of caption and value with their editors.

#include <QColor>
#include <QFileDialog>
#include <QTreeWidget>
#include <array>
#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace dravo {

// What a row holds and which editor it gets.
enum class TFieldKind : std::uint8_t {
  Integer = 0,    // decimal, within IntMin … IntMax; text edit
  String = 1,     // text edit
  List = 2,       // drop-down filled by OnFillComboList; string and selected index
  Color = 3,      // "r, g, b"; colour button
  Float = 4,      // 3 decimals, within FloatMin … FloatMax; numeric entry
  Boolean = 5,    // "False" / "True"; drop-down
  ReadOnly = 6,   // string, no editor
  Group = 7,      // "[" + the children's values + "]", no editor
  Flags = 8,      // the numbers of the set flags; check list filled by OnFillCheckList
  ImageFile = 9,  // a file path; button opening the picture dialog with a preview
  File = 10,      // a file path; button opening the file dialog
};

// One row.
struct TField {
  static constexpr int kMaxText = 255;

  QString Caption;
  TFieldKind Kind = TFieldKind::String;
  std::int32_t Tag = 0;       // the caller's identifier of the row
  std::int32_t IntValue = 0;  // Integer value; List selected index
  std::int32_t IntMin = 0;
  std::int32_t IntMax = 0;
  std::uint32_t Color = 0;  // red in the low byte, then green, then blue
  float FloatValue = 0.0f;
  float FloatMin = 0.0f;
  float FloatMax = 0.0f;
  bool BoolValue = false;
  std::array<std::uint8_t, 256> Flags{};  // one byte per check-list item: 255 ticked, 0 not
  QString Text;  // String, List, ReadOnly, Group; file paths of ImageFile and File rows
};

struct TVPTColors {
  QColor NormalColor;              // value text; invalid: the palette's text colour
  QColor HeadingColor{0, 0, 128};  // captions of top-level rows
  QColor SubHeadingColor{128, 0, 0};
  QColor SelectedHeadingColor;     // invalid: the palette's highlighted text colour
  QColor SelectedBackgroundColor;  // invalid: the palette's highlight colour
  QColor SelectedValueColor;       // invalid: the palette's text colour
  QColor EditFontColor{255, 0, 0};
};

// A two-column grid of named values in tree form: column 0 the caption, column 1 the value. The
// focused row gets an in-place editor chosen by its kind; a committed value is stored in the row
// and OnDataChanged is raised. An image file dropped on an image-file row counts as chosen.
class TVirtualPropertyTree : public QTreeWidget {
  Q_OBJECT

 public:
  explicit TVirtualPropertyTree(QWidget* parent = nullptr);
  ~TVirtualPropertyTree() override;

  std::function<void(TVirtualPropertyTree*, int tag, QStringList& comboStrings)> OnFillComboList;
  std::function<void(TVirtualPropertyTree*, int tag, QStringList& checkList)> OnFillCheckList;
  // The file dialog's filter as "description|patterns|description|patterns…", patterns split by ";".
  std::function<void(TVirtualPropertyTree*, int tag, QString& filter)> OnDialogFilter;
  // After a commit, with a copy of the row (holding the old value when the new one was refused).
  std::function<void(TVirtualPropertyTree*, TFieldKind dataType, const TField& field)> OnDataChanged;

  // Platform hooks; tests replace them so no modal window opens.
  std::function<void(const QString& text, const QString& caption)> ShowMessage;
  std::function<bool(QColor& color)> ChooseColor;
  // Returns the chosen path, or an empty string when cancelled.
  std::function<QString(const QString& current, const QString& filter, bool image)> ChooseFile;
  // Reads a picture for the open dialog's preview; the default reads what Qt reads.
  std::function<QImage(const QString& path)> LoadPreview;

  static constexpr const char* kDefaultFilter = "All files (*.*)|*.*";

  QTreeWidgetItem* AddFileProperty(const QString& caption, const QString& value, bool image,
                                   QTreeWidgetItem* parent, int tag);
  QTreeWidgetItem* AddProperty(const TField& field, QTreeWidgetItem* parent = nullptr);
  // Stores `text` in the first row with this tag (in tree order), read as the row shows its value;
  // text that does not read as the row's kind changes nothing. Raises no event.
  void SetPropertyValue(int tag, const QString& text);
  // Removes every row (use it rather than clear(), so a pending editor is let go of).
  void Clear();

  // The row's record, or nullptr for an item that is not a row of this tree.
  const TField* Field(const QTreeWidgetItem* row) const;
  QTreeWidgetItem* FindRow(int tag) const;
  // The text shown in column 1.
  QString ValueText(const QTreeWidgetItem* row) const;

  const TVPTColors& EditColors() const { return m_colors; }
  void SetEditColors(const TVPTColors& colors);

  // The editor shown over the focused row, or nullptr.
  QWidget* ActiveEditor() const { return m_activeEditor; }
  // Finishes the shown editor as the focus leaving it does.
  void CommitEditor();
  // What the focused row's button does (colour or file dialog); true when a value was committed.
  bool ClickEditorButton();
  // An image file dropped on a row: committed as if chosen in the dialog.
  bool DropFile(QTreeWidgetItem* row, const QString& path);

  // "desc|*.a;*.b|…" → Qt's "desc (*.a *.b);;…"; "*.*" matches every file.
  static QString ToQtFilter(const QString& filter);
  static bool FilterMatches(const QString& filter, const QString& fileName);

 protected:
  void scrollContentsBy(int dx, int dy) override;
  void updateGeometries() override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class TButtonEditor;
  class TRowDelegate;

  TField* mutableField(QTreeWidgetItem* row) const;
  void onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous);
  QWidget* editorFor(const QTreeWidgetItem* row) const;
  void showEditor(QTreeWidgetItem* row);
  void hideEditors();
  void placeEditor();
  void loadEditor(QTreeWidgetItem* row);
  bool commitText(QTreeWidgetItem* row, const QString& text);
  void commitChecks(QTreeWidgetItem* row);
  void refreshRow(QTreeWidgetItem* row);
  QString dialogFilter(const QTreeWidgetItem* row);
  QString droppedImage(const QMimeData* mime, const QPoint& pos, QTreeWidgetItem** row);
  void message(const QString& text, const QString& caption);

  TVPTColors m_colors;
  QLineEdit* m_textEdit;
  QLineEdit* m_numberEdit;
  QComboBox* m_combo;
  QListWidget* m_checkList;
  TButtonEditor* m_colorButton;
  TButtonEditor* m_imageButton;
  TButtonEditor* m_fileButton;
  QWidget* m_activeEditor = nullptr;
  QTreeWidgetItem* m_editRow = nullptr;
  bool m_loading = false;
  unsigned m_generation = 0;  // counts Clear calls
};

}  // namespace dravo
