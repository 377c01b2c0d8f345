#include "widgets/property_tree.h"
#include "widgets/picture_preview_dialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QRegularExpression>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <cmath>

namespace dravo {

namespace {

constexpr int kRowType = QTreeWidgetItem::UserType + 1;
constexpr int kMinRowHeight = 22;
constexpr int kSwatchSize = 12;
constexpr int kSwatchShift = 18;
constexpr int kTextPadding = 4;
constexpr int kVisibleCheckItems = 8;
const char* const kErrorCaption = "Error";

class TPropertyRow : public QTreeWidgetItem {
 public:
  TPropertyRow(QTreeWidget* tree, const TField& f) : QTreeWidgetItem(tree, kRowType), field(f) {}
  TPropertyRow(QTreeWidgetItem* parent, const TField& f) : QTreeWidgetItem(parent, kRowType), field(f) {}
  TField field;
};

bool IsFileKind(TFieldKind kind) {
  return kind == TFieldKind::ImageFile || kind == TFieldKind::File;
}

QString ColorText(std::uint32_t color) {
  return QString::asprintf("%d, %d, %d", static_cast<int>(color & 0xFF),
                           static_cast<int>((color >> 8) & 0xFF), static_cast<int>((color >> 16) & 0xFF));
}

bool ParseColor(const QString& text, std::uint32_t& color) {
  const QStringList parts = text.split(QLatin1Char(','));
  if (parts.size() != 3) return false;
  std::uint32_t result = 0;
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    const int v = parts[i].trimmed().toInt(&ok, 10);
    if (!ok || v < 0 || v > 255) return false;
    result |= static_cast<std::uint32_t>(v) << (8 * i);
  }
  color = result;
  return true;
}

bool ParseFloat(const QString& text, float& value) {
  const QString trimmed = text.trimmed();
  bool ok = false;
  double v = QLocale::c().toDouble(trimmed, &ok);
  if (!ok) v = QLocale().toDouble(trimmed, &ok);
  if (!ok || !std::isfinite(v)) return false;
  value = static_cast<float>(v);
  return true;
}

bool ParseInt(const QString& text, std::int32_t& value) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok, 10);
  if (ok) value = v;
  return ok;
}

bool ParseBool(const QString& text, bool& value) {
  if (text == QLatin1String("False")) {
    value = false;
    return true;
  }
  if (text == QLatin1String("True")) {
    value = true;
    return true;
  }
  return false;
}

// Stores `text` in the field as its kind reads it. `typed`: the user typed it, so numbers are checked
// against the field's limits and every text kind takes it; otherwise (the program setting a value)
// numbers are only parsed and flags are left alone. Returns why typed text was refused, or nothing.
QString StoreText(TField& f, const QString& text, bool typed) {
  const QString notANumber = text + QStringLiteral(" is not a valid number");
  switch (f.Kind) {
    case TFieldKind::Integer: {
      std::int32_t v = 0;
      if (!ParseInt(text, v)) return notANumber;
      if (typed && (v < f.IntMin || v > f.IntMax))
        return QString::asprintf("Value must be between %d and %d", f.IntMin, f.IntMax);
      f.IntValue = v;
      return {};
    }
    case TFieldKind::Float: {
      float v = 0.0f;
      if (!ParseFloat(text, v)) return notANumber;
      if (typed && (v < f.FloatMin || v > f.FloatMax))
        return QString::asprintf("Value must be between %f and %f", static_cast<double>(f.FloatMin),
                                 static_cast<double>(f.FloatMax));
      f.FloatValue = v;
      return {};
    }
    case TFieldKind::Color:
      return ParseColor(text, f.Color) ? QString() : notANumber;
    case TFieldKind::Boolean:
      ParseBool(text, f.BoolValue);
      return {};
    case TFieldKind::ImageFile:
    case TFieldKind::File:
      f.Text = text;
      return {};
    case TFieldKind::Flags:
      if (!typed) return {};
      [[fallthrough]];
    case TFieldKind::String:
    case TFieldKind::List:
    case TFieldKind::ReadOnly:
    case TFieldKind::Group:
      f.Text = text.left(TField::kMaxText);
      return {};
  }
  return {};
}

// Pairs of description and pattern list of a "desc|*.a;*.b|…" filter.
QList<QPair<QString, QStringList>> FilterEntries(const QString& filter) {
  QList<QPair<QString, QStringList>> entries;
  const QStringList parts = filter.split(QLatin1Char('|'));
  for (int i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
      const QString trimmed = p.trimmed();
      if (!trimmed.isEmpty()) patterns << trimmed;
    }
    if (!patterns.isEmpty()) entries.append({parts[i].trimmed(), patterns});
  }
  return entries;
}

}  // namespace

// A read-only field with a square button at its right end.
class TVirtualPropertyTree::TButtonEditor : public QWidget {
 public:
  explicit TButtonEditor(QWidget* parent)
      : QWidget(parent), edit(new QLineEdit(this)), button(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    edit->setReadOnly(true);
    edit->setFrame(false);
    button->setText(QStringLiteral("…"));
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(edit, 1);
    layout->addWidget(button);
  }
  void resizeEvent(QResizeEvent* event) override {
    button->setFixedSize(height(), height());
    QWidget::resizeEvent(event);
  }
  QLineEdit* edit;
  QToolButton* button;
};

class TVirtualPropertyTree::TRowDelegate : public QStyledItemDelegate {
 public:
  explicit TRowDelegate(TVirtualPropertyTree* tree) : QStyledItemDelegate(tree), m_tree(tree) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(std::max(kMinRowHeight, option.fontMetrics.height() + 8));
    return size;
  }

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QTreeWidgetItem* row = m_tree->itemFromIndex(index);
    const TField* field = m_tree->Field(row);
    if (!row || !field) return;
    const QPalette& pal = option.palette;
    const TVPTColors& colors = m_tree->m_colors;
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QRect r = option.rect;
    const QColor grid = pal.color(QPalette::Midlight).darker(108);
    const QColor base = pal.color(QPalette::Base);
    p->save();
    if (index.column() == 0) {
      const QColor background = colors.SelectedBackgroundColor.isValid() ? colors.SelectedBackgroundColor
                                                                         : pal.color(QPalette::Highlight);
      p->fillRect(r, selected ? background : base);
      QColor text;
      if (selected) {
        text = colors.SelectedHeadingColor.isValid() ? colors.SelectedHeadingColor
                                                     : pal.color(QPalette::HighlightedText);
      } else {
        text = row->parent() ? colors.SubHeadingColor : colors.HeadingColor;
      }
      p->setPen(text);
      p->drawText(r.adjusted(kTextPadding, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                  option.fontMetrics.elidedText(row->text(0), Qt::ElideRight, r.width() - kTextPadding - 2));
    } else {
      p->fillRect(r, base);
      int x = r.left() + kTextPadding;
      if (field->Kind == TFieldKind::Color && row->parent()) {
        const QRect swatch(x, r.top() + (r.height() - kSwatchSize) / 2, kSwatchSize, kSwatchSize);
        const std::uint32_t c = field->Color;
        p->fillRect(swatch, QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
        p->setPen(Qt::black);
        p->drawRect(swatch.adjusted(0, 0, -1, -1));
        x += kSwatchShift;
      }
      // Under an editor the value is hidden anyway; a row without one keeps its value readable.
      const bool covered = selected && m_tree->m_editRow == row && m_tree->m_activeEditor;
      QColor text = colors.NormalColor.isValid() ? colors.NormalColor : pal.color(QPalette::Text);
      if (covered && colors.SelectedValueColor.isValid()) text = colors.SelectedValueColor;
      p->setPen(text);
      const QRect textRect(x, r.top(), std::max(0, r.right() - x - 2), r.height());
      p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                  option.fontMetrics.elidedText(row->text(1), Qt::ElideMiddle, textRect.width()));
      if (selected) {
        p->setPen(grid);
        p->drawRect(r.adjusted(0, 0, -1, -1));
      }
    }
    // Grid lines: under every cell and between the columns.
    p->setPen(grid);
    p->drawLine(r.bottomLeft(), r.bottomRight());
    if (index.column() == 0) p->drawLine(r.topRight(), r.bottomRight());
    p->restore();
  }

 private:
  TVirtualPropertyTree* m_tree;
};

TVirtualPropertyTree::TVirtualPropertyTree(QWidget* parent)
    : QTreeWidget(parent),
      m_textEdit(new QLineEdit(viewport())),
      m_numberEdit(new QLineEdit(viewport())),
      m_combo(new QComboBox(viewport())),
      m_checkList(new QListWidget(viewport())),
      m_colorButton(new TButtonEditor(viewport())),
      m_imageButton(new TButtonEditor(viewport())),
      m_fileButton(new TButtonEditor(viewport())) {
  setColumnCount(2);
  setHeaderLabels({tr("Property"), tr("Value")});
  header()->hide();
  header()->setStretchLastSection(true);
  setColumnWidth(0, 90);
  setIndentation(16);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setAllColumnsShowFocus(true);
  setItemDelegate(new TRowDelegate(this));
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);

  m_textEdit->setFrame(false);
  m_numberEdit->setFrame(false);
  m_checkList->setUniformItemSizes(true);
  m_checkList->setFrameShape(QFrame::Box);
  for (QLineEdit* edit :
       {m_textEdit, m_numberEdit, m_colorButton->edit, m_imageButton->edit, m_fileButton->edit}) {
    edit->installEventFilter(this);
  }
  for (QLineEdit* edit : {m_textEdit, m_numberEdit}) {
    connect(edit, &QLineEdit::editingFinished, this, [this, edit] {
      if (!m_loading && m_editRow && m_activeEditor == edit) commitText(m_editRow, edit->text());
    });
  }
  connect(m_combo, &QComboBox::activated, this, [this] {
    if (!m_loading && m_editRow && m_activeEditor == m_combo) commitText(m_editRow, m_combo->currentText());
  });
  connect(m_checkList, &QListWidget::itemChanged, this, [this] {
    if (!m_loading && m_editRow && m_activeEditor == m_checkList) commitChecks(m_editRow);
  });
  for (TButtonEditor* editor : {m_colorButton, m_imageButton, m_fileButton}) {
    connect(editor->button, &QToolButton::clicked, this, [this] { ClickEditorButton(); });
  }
  connect(this, &QTreeWidget::currentItemChanged, this, &TVirtualPropertyTree::onCurrentChanged);
  SetEditColors(m_colors);
  hideEditors();
}

TVirtualPropertyTree::~TVirtualPropertyTree() {
  // The base class still tears down items and editors: nothing of ours may run then.
  blockSignals(true);
  for (QObject* editor :
       std::initializer_list<QObject*>{m_textEdit, m_numberEdit, m_combo, m_checkList, m_colorButton->button,
                                       m_imageButton->button, m_fileButton->button}) {
    editor->disconnect(this);
  }
  m_editRow = nullptr;
  m_activeEditor = nullptr;
}

void TVirtualPropertyTree::SetEditColors(const TVPTColors& colors) {
  m_colors = colors;
  for (QWidget* editor :
       std::initializer_list<QWidget*>{m_textEdit, m_numberEdit, m_combo, m_checkList, m_colorButton->edit,
                                       m_imageButton->edit, m_fileButton->edit}) {
    QPalette pal = editor->palette();
    pal.setColor(QPalette::Text, colors.EditFontColor);
    pal.setColor(QPalette::ButtonText, colors.EditFontColor);
    editor->setPalette(pal);
  }
  viewport()->update();
}

TField* TVirtualPropertyTree::mutableField(QTreeWidgetItem* row) const {
  if (!row || row->type() != kRowType || row->treeWidget() != this) return nullptr;
  return &static_cast<TPropertyRow*>(row)->field;
}

const TField* TVirtualPropertyTree::Field(const QTreeWidgetItem* row) const {
  return mutableField(const_cast<QTreeWidgetItem*>(row));
}

QString TVirtualPropertyTree::ValueText(const QTreeWidgetItem* row) const {
  const TField* f = Field(row);
  if (!f) return QString();
  switch (f->Kind) {
    case TFieldKind::Integer:
      return QString::number(f->IntValue);
    case TFieldKind::Color:
      return ColorText(f->Color);
    case TFieldKind::Float:
      return QString::number(static_cast<double>(f->FloatValue), 'f', 3);
    case TFieldKind::Boolean:
      return f->BoolValue ? QStringLiteral("True") : QStringLiteral("False");
    case TFieldKind::Group: {
      if (row->childCount() == 0) return f->Text;
      QStringList values;
      for (int i = 0; i < row->childCount(); ++i)
        values << ValueText(row->child(i));
      return QLatin1Char('[') + values.join(QLatin1Char(',')) + QLatin1Char(']');
    }
    case TFieldKind::Flags: {
      QStringList set;
      for (std::size_t i = 0; i < f->Flags.size(); ++i) {
        if (f->Flags[i] != 0) set << QString::number(i);
      }
      return set.join(QLatin1Char(','));
    }
    case TFieldKind::String:
    case TFieldKind::List:
    case TFieldKind::ReadOnly:
    case TFieldKind::ImageFile:
    case TFieldKind::File:
      break;
  }
  return f->Text;
}

void TVirtualPropertyTree::refreshRow(QTreeWidgetItem* row) {
  for (QTreeWidgetItem* r = row; r; r = r->parent())
    r->setText(1, ValueText(r));
  viewport()->update();
}

QTreeWidgetItem* TVirtualPropertyTree::AddProperty(const TField& field, QTreeWidgetItem* parent) {
  TField f = field;
  // File paths are kept whole: a cut path would name another file.
  if (!IsFileKind(f.Kind)) f.Text = f.Text.left(TField::kMaxText);
  TPropertyRow* row =
      parent && mutableField(parent) ? new TPropertyRow(parent, f) : new TPropertyRow(this, f);
  row->setText(0, f.Caption);
  refreshRow(row);
  // A row that gains a child loses its editor.
  if (parent && parent == m_editRow) showEditor(parent);
  return row;
}

QTreeWidgetItem* TVirtualPropertyTree::AddFileProperty(const QString& caption, const QString& value,
                                                       bool image, QTreeWidgetItem* parent, int tag) {
  TField f;
  f.Caption = caption;
  f.Kind = image ? TFieldKind::ImageFile : TFieldKind::File;
  f.Tag = tag;
  f.Text = value;
  return AddProperty(f, parent);
}

QTreeWidgetItem* TVirtualPropertyTree::FindRow(int tag) const {
  for (QTreeWidgetItemIterator it(const_cast<TVirtualPropertyTree*>(this)); *it; ++it) {
    const TField* f = Field(*it);
    if (f && f->Tag == tag) return *it;
  }
  return nullptr;
}

void TVirtualPropertyTree::SetPropertyValue(int tag, const QString& text) {
  QTreeWidgetItem* row = FindRow(tag);
  TField* f = mutableField(row);
  if (!f) return;
  StoreText(*f, text, false);
  refreshRow(row);
  if (row == m_editRow) loadEditor(row);
}

void TVirtualPropertyTree::Clear() {
  ++m_generation;
  hideEditors();
  clear();
}

QWidget* TVirtualPropertyTree::editorFor(const QTreeWidgetItem* row) const {
  const TField* f = Field(row);
  if (!f || row->childCount() > 0) return nullptr;
  switch (f->Kind) {
    case TFieldKind::Integer:
    case TFieldKind::String:
      return m_textEdit;
    case TFieldKind::Float:
      return m_numberEdit;
    case TFieldKind::List:
    case TFieldKind::Boolean:
      return m_combo;
    case TFieldKind::Color:
      return m_colorButton;
    case TFieldKind::Flags:
      return m_checkList;
    case TFieldKind::ImageFile:
      return m_imageButton;
    case TFieldKind::File:
      return m_fileButton;
    case TFieldKind::ReadOnly:
    case TFieldKind::Group:
      break;
  }
  return nullptr;
}

void TVirtualPropertyTree::hideEditors() {
  m_loading = true;
  const bool hadFocus = m_activeEditor && m_activeEditor->isAncestorOf(QApplication::focusWidget());
  m_editRow = nullptr;
  m_activeEditor = nullptr;
  for (QWidget* editor : std::initializer_list<QWidget*>{m_textEdit, m_numberEdit, m_combo, m_checkList,
                                                         m_colorButton, m_imageButton, m_fileButton}) {
    editor->hide();
  }
  if (hadFocus) setFocus(Qt::OtherFocusReason);
  m_loading = false;
}

void TVirtualPropertyTree::loadEditor(QTreeWidgetItem* row) {
  const TField* f = Field(row);
  if (!f) return;
  m_loading = true;
  const QString value = ValueText(row);
  switch (f->Kind) {
    case TFieldKind::Integer:
    case TFieldKind::String:
      m_textEdit->setText(value);
      break;
    case TFieldKind::Float:
      m_numberEdit->setText(value);
      break;
    case TFieldKind::List: {
      QStringList items;
      if (OnFillComboList) OnFillComboList(this, f->Tag, items);
      m_combo->clear();
      m_combo->addItems(items);
      int index = f->IntValue;
      if (index < 0 || index >= items.size() || items[index] != f->Text) index = items.indexOf(f->Text);
      m_combo->setCurrentIndex(index);
      break;
    }
    case TFieldKind::Boolean:
      m_combo->clear();
      m_combo->addItems({QStringLiteral("False"), QStringLiteral("True")});
      m_combo->setCurrentIndex(f->BoolValue ? 1 : 0);
      break;
    case TFieldKind::Flags: {
      QStringList items;
      if (OnFillCheckList) OnFillCheckList(this, f->Tag, items);
      m_checkList->clear();
      for (int i = 0; i < items.size() && i < static_cast<int>(f->Flags.size()); ++i) {
        auto* item = new QListWidgetItem(items[i], m_checkList);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(f->Flags[static_cast<std::size_t>(i)] != 0 ? Qt::Checked : Qt::Unchecked);
      }
      break;
    }
    case TFieldKind::Color:
      m_colorButton->edit->setText(value);
      break;
    case TFieldKind::ImageFile:
      m_imageButton->edit->setText(value);
      m_imageButton->edit->setCursorPosition(0);
      break;
    case TFieldKind::File:
      m_fileButton->edit->setText(value);
      m_fileButton->edit->setCursorPosition(0);
      break;
    case TFieldKind::ReadOnly:
    case TFieldKind::Group:
      break;
  }
  m_loading = false;
}

void TVirtualPropertyTree::showEditor(QTreeWidgetItem* row) {
  hideEditors();
  QWidget* editor = editorFor(row);
  if (!editor) return;
  m_editRow = row;
  m_activeEditor = editor;
  loadEditor(row);
  placeEditor();
}

void TVirtualPropertyTree::placeEditor() {
  if (!m_activeEditor || !m_editRow) return;
  const QRect cell = visualRect(indexFromItem(m_editRow, 1));
  if (!cell.isValid() || cell.isEmpty()) {
    m_activeEditor->hide();
    return;
  }
  // One pixel inside the cell's edges.
  QRect area = cell.adjusted(1, 1, -1, -1);
  if (m_activeEditor == m_checkList) {
    const int items = std::max(1, std::min(m_checkList->count(), kVisibleCheckItems));
    const int itemHeight = m_checkList->count() > 0 ? m_checkList->sizeHintForRow(0) : area.height();
    area.setHeight(items * itemHeight + 2 * m_checkList->frameWidth());
    // Opens upwards when there is no room below the row.
    if (area.bottom() > viewport()->height() && area.height() <= cell.bottom())
      area.moveBottom(cell.bottom() - 1);
  }
  m_activeEditor->setGeometry(area);
  m_activeEditor->show();
  m_activeEditor->raise();
}

void TVirtualPropertyTree::onCurrentChanged(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
  const unsigned generation = m_generation;
  if (previous && previous == m_editRow) CommitEditor();
  // The data-changed handler may have cleared the rows, `current` with them.
  if (generation != m_generation) return;
  hideEditors();
  if (current) showEditor(current);
}

void TVirtualPropertyTree::CommitEditor() {
  if (!m_editRow || !m_activeEditor || m_loading) return;
  if (m_activeEditor == m_textEdit) {
    commitText(m_editRow, m_textEdit->text());
  } else if (m_activeEditor == m_numberEdit) {
    commitText(m_editRow, m_numberEdit->text());
  } else if (m_activeEditor == m_combo) {
    commitText(m_editRow, m_combo->currentText());
  }
}

void TVirtualPropertyTree::message(const QString& text, const QString& caption) {
  if (ShowMessage) {
    ShowMessage(text, caption);
    return;
  }
  // Shown once the event that finished the editor is done, so a click is not cut in two.
  QTimer::singleShot(0, this, [this, text, caption] { QMessageBox::warning(this, caption, text); });
}

bool TVirtualPropertyTree::commitText(QTreeWidgetItem* row, const QString& text) {
  TField* f = mutableField(row);
  if (!f || text == ValueText(row)) return false;
  const QString refusal = StoreText(*f, text, true);
  if (!refusal.isEmpty()) message(refusal, QString::fromLatin1(kErrorCaption));
  if (f->Kind == TFieldKind::List) f->IntValue = m_combo->findText(text);
  refreshRow(row);
  // The editor shows what the row holds now (the old value after a refusal).
  if (row == m_editRow) loadEditor(row);
  const TField copy = *f;
  if (OnDataChanged) OnDataChanged(this, copy.Kind, copy);
  return true;
}

void TVirtualPropertyTree::commitChecks(QTreeWidgetItem* row) {
  TField* f = mutableField(row);
  if (!f) return;
  std::array<std::uint8_t, 256> flags = f->Flags;
  for (int i = 0; i < m_checkList->count() && i < static_cast<int>(flags.size()); ++i) {
    flags[static_cast<std::size_t>(i)] = m_checkList->item(i)->checkState() == Qt::Checked ? 255 : 0;
  }
  if (flags == f->Flags) return;
  f->Flags = flags;
  refreshRow(row);
  const TField copy = *f;
  if (OnDataChanged) OnDataChanged(this, copy.Kind, copy);
}

QString TVirtualPropertyTree::dialogFilter(const QTreeWidgetItem* row) {
  QString filter = QString::fromLatin1(kDefaultFilter);
  const TField* f = Field(row);
  if (f && OnDialogFilter) OnDialogFilter(this, f->Tag, filter);
  return filter;
}

bool TVirtualPropertyTree::ClickEditorButton() {
  QTreeWidgetItem* row = m_editRow;
  const TField* f = Field(row);
  if (!f || !m_activeEditor) return false;
  if (f->Kind == TFieldKind::Color) {
    const std::uint32_t c = f->Color;
    QColor color(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    bool chosen = false;
    if (ChooseColor) {
      chosen = ChooseColor(color);
    } else {
      const QColor picked = QColorDialog::getColor(color, this);
      chosen = picked.isValid();
      if (chosen) color = picked;
    }
    if (!chosen || !color.isValid()) return false;
    return commitText(row, QString::asprintf("%d, %d, %d", color.red(), color.green(), color.blue()));
  }
  if (!IsFileKind(f->Kind)) return false;
  const bool image = f->Kind == TFieldKind::ImageFile;
  const QString filter = dialogFilter(row);
  const QString current = f->Text;
  QString chosen;
  if (ChooseFile) {
    chosen = ChooseFile(current, filter, image);
  } else if (image) {
    TPicturePreviewDialog dialog(this, tr("Open picture"), current, ToQtFilter(filter), LoadPreview);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
      chosen = dialog.selectedFiles().constFirst();
    }
  } else {
    chosen = QFileDialog::getOpenFileName(this, tr("Open"), current, ToQtFilter(filter));
  }
  // The row may have gone while the dialog was open.
  if (chosen.isEmpty() || row != m_editRow) return false;
  return commitText(row, chosen);
}

bool TVirtualPropertyTree::DropFile(QTreeWidgetItem* row, const QString& path) {
  const TField* f = Field(row);
  if (!f || f->Kind != TFieldKind::ImageFile || row->childCount() > 0 || path.isEmpty()) return false;
  setCurrentItem(row);
  return commitText(row, path);
}

QString TVirtualPropertyTree::ToQtFilter(const QString& filter) {
  QStringList out;
  for (const auto& [description, patterns] : FilterEntries(filter)) {
    QString name = description;
    // Qt reads the patterns from the last parentheses, so the shown ones are replaced.
    static const QRegularExpression trailingPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    name.remove(trailingPatterns);
    QStringList qtPatterns;
    for (const QString& p : patterns)
      qtPatterns << (p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    out << name + QStringLiteral(" (") + qtPatterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  if (out.isEmpty()) out << QStringLiteral("All files (*)");
  return out.join(QStringLiteral(";;"));
}

bool TVirtualPropertyTree::FilterMatches(const QString& filter, const QString& fileName) {
  for (const auto& entry : FilterEntries(filter)) {
    for (const QString& p : entry.second) {
      if (p == QLatin1String("*.*") || p == QLatin1String("*")) return true;
      const QRegularExpression re = QRegularExpression::fromWildcard(p, Qt::CaseInsensitive);
      if (re.match(fileName).hasMatch()) return true;
    }
  }
  return false;
}

QString TVirtualPropertyTree::droppedImage(const QMimeData* mime, const QPoint& pos, QTreeWidgetItem** row) {
  if (!mime || !mime->hasUrls()) return QString();
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return QString();
  QTreeWidgetItem* item = itemAt(pos);
  const TField* f = Field(item);
  if (!f || f->Kind != TFieldKind::ImageFile || item->childCount() > 0) return QString();
  const QString path = urls.first().toLocalFile();
  if (!FilterMatches(dialogFilter(item), QFileInfo(path).fileName())) return QString();
  if (row) *row = item;
  return path;
}

void TVirtualPropertyTree::dragEnterEvent(QDragEnterEvent* event) {
  const QMimeData* mime = event->mimeData();
  if (mime && mime->hasUrls() && mime->urls().size() == 1 && mime->urls().first().isLocalFile()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TVirtualPropertyTree::dragMoveEvent(QDragMoveEvent* event) {
  if (!droppedImage(event->mimeData(), event->position().toPoint(), nullptr).isEmpty()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TVirtualPropertyTree::dropEvent(QDropEvent* event) {
  QTreeWidgetItem* row = nullptr;
  const QString path = droppedImage(event->mimeData(), event->position().toPoint(), &row);
  if (path.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  DropFile(row, path);
}

void TVirtualPropertyTree::scrollContentsBy(int dx, int dy) {
  QTreeWidget::scrollContentsBy(dx, dy);
  placeEditor();
}

void TVirtualPropertyTree::updateGeometries() {
  QTreeWidget::updateGeometries();
  placeEditor();
}

void TVirtualPropertyTree::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  placeEditor();
}

void TVirtualPropertyTree::mouseReleaseEvent(QMouseEvent* event) {
  QTreeWidget::mouseReleaseEvent(event);
  // A click on the value cell goes on into its editor.
  const QModelIndex index = indexAt(event->position().toPoint());
  if (event->button() == Qt::LeftButton && index.isValid() && index.column() == 1 && m_activeEditor &&
      itemFromIndex(index) == m_editRow) {
    m_activeEditor->setFocus(Qt::MouseFocusReason);
  }
}

void TVirtualPropertyTree::keyPressEvent(QKeyEvent* event) {
  if (m_activeEditor &&
      (event->key() == Qt::Key_F2 || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
    if (m_activeEditor == m_colorButton || m_activeEditor == m_imageButton ||
        m_activeEditor == m_fileButton) {
      ClickEditorButton();
    } else {
      m_activeEditor->setFocus(Qt::TabFocusReason);
    }
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

bool TVirtualPropertyTree::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QTreeWidget::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  // Escape puts the row's value back and returns to the tree.
  if (key->key() == Qt::Key_Escape && m_editRow) {
    loadEditor(m_editRow);
    setFocus(Qt::OtherFocusReason);
    return true;
  }
  const bool buttonEdit =
      watched == m_colorButton->edit || watched == m_imageButton->edit || watched == m_fileButton->edit;
  if (buttonEdit &&
      (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Space)) {
    ClickEditorButton();
    return true;
  }
  if (watched == m_numberEdit) {
    const QString decimal = QLocale().decimalPoint();
    for (QChar c : key->text()) {
      const bool allowed = c.isDigit() || c == QLatin1Char('+') || c == QLatin1Char('-') ||
                           c == QLatin1Char('.') || c == QLatin1Char('e') || c == QLatin1Char('E') ||
                           QString(c) == decimal;
      if (c.isPrint() && !allowed) return true;
    }
  }
  return QTreeWidget::eventFilter(watched, event);
}

}  // namespace dravo
