#include "app/transfer_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "app/icons.h"
#include "editor/trick_transfer.h"
#include "widgets/latch_button.h"

namespace dravo {

namespace {

constexpr int kItemHeight = 15;
constexpr int kTextIndent = 18;
constexpr int kIconRole = Qt::UserRole + 1;
constexpr int kEntryRole = Qt::UserRole;

// Items of 15 pixels: the background, the rider or machine icon at the left edge, the text 18 pixels in.
class TTransferItemDelegate : public QStyledItemDelegate {
 public:
  explicit TTransferItemDelegate(QObject* parent)
      : QStyledItemDelegate(parent),
        m_icons{SvgIcon(QStringLiteral("rider")), SvgIcon(QStringLiteral("machine"))} {}

  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QPalette& pal = option.palette;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool enabled = option.state.testFlag(QStyle::State_Enabled);
    p->save();
    p->fillRect(option.rect,
                selected ? pal.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::Highlight)
                         : pal.color(QPalette::Base));
    const int icon = std::clamp(index.data(kIconRole).toInt(), 0, 1);
    const int side = std::min(14, option.rect.height());
    const QRect iconRect(option.rect.left() + 1, option.rect.top() + (option.rect.height() - side) / 2, side,
                         side);
    m_icons[icon].paint(p, iconRect, Qt::AlignCenter, enabled ? QIcon::Normal : QIcon::Disabled);
    p->setPen(pal.color(enabled ? QPalette::Active : QPalette::Disabled,
                        selected ? QPalette::HighlightedText : QPalette::Text));
    p->setFont(option.font);
    p->drawText(option.rect.adjusted(kTextIndent, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft,
                index.data(Qt::DisplayRole).toString());
    if (option.state.testFlag(QStyle::State_HasFocus)) {
      p->setPen(QPen(pal.color(QPalette::Highlight).darker(120), 1, Qt::DotLine));
      p->setBrush(Qt::NoBrush);
      p->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics fm(option.font);
    return {kTextIndent + fm.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 4,
            std::max(kItemHeight, fm.height())};
  }

 private:
  QIcon m_icons[2];
};

QListWidget* MakeList(QWidget* parent, const QString& name) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setUniformItemSizes(true);
  list->setItemDelegate(new TTransferItemDelegate(list));
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return list;
}

QLabel* MakeCaption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setStyleSheet(QStringLiteral("QLabel { color: #ffffff; font-weight: 600; padding: 1px 0px; }"));
  return label;
}

void Fill(QListWidget* list, const std::vector<TransferItem>& items) {
  list->clear();
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* item = new QListWidgetItem(QString::fromStdString(items[i].Text), list);
    item->setData(kEntryRole, items[i].Entry);
    item->setData(kIconRole, items[i].Icon());
    item->setToolTip(item->text() +
                     (items[i].Icon() == 1 ? QStringLiteral(" (machine)") : QStringLiteral(" (rider)")));
    item->setSelected(items[i].Selected);
  }
}

}  // namespace

TTxTrxForm::TTxTrxForm(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint),
      m_src(MakeList(this, QStringLiteral("SrcListBox"))),
      m_dst(MakeList(this, QStringLiteral("DstListBox"))),
      m_exportBtn(new QPushButton(QStringLiteral(">"), this)),
      m_importBtn(new QPushButton(QStringLiteral("<"), this)),
      m_revertBtn(new QPushButton(QStringLiteral("Revert to stock"), this)),
      m_newPakBtn(new TVellButton(this)),
      m_openPakBtn(new TVellButton(this)),
      m_saveBtn(new TVellButton(this)),
      m_okBtn(new QPushButton(QStringLiteral("Install"), this)),
      m_cancelBtn(new QPushButton(QStringLiteral("Cancel"), this)) {
  setObjectName(QStringLiteral("TxTrxForm"));
  setWindowTitle(QStringLiteral("Export tricks to PAK"));
  setModal(true);
  setFixedSize(397, 355);

  m_exportBtn->setObjectName(QStringLiteral("ExportBtn"));
  m_exportBtn->setToolTip(QStringLiteral("Copy the selected installed tricks to the export PAK"));
  m_importBtn->setObjectName(QStringLiteral("ImportBtn"));
  m_importBtn->setToolTip(QStringLiteral("Install the selected tricks of the export PAK"));
  for (QPushButton* b : {m_exportBtn, m_importBtn}) {
    b->setFixedSize(34, 28);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    b->setAutoDefault(false);
  }
  const struct {
    TVellButton* button;
    const char* name;
    const char* icon;
    const char* hint;
  } pakButtons[] = {
      {m_newPakBtn, "NewPakBtn", "new_pak", "Create a new PAK to save to"},
      {m_openPakBtn, "OpenPakBtn", "open_pak", "Open an existing PAK file"},
      {m_saveBtn, "SaveBtn", "save_pak", "Save the Import/Export PAK"},
  };
  for (const auto& b : pakButtons) {
    b.button->setObjectName(QString::fromLatin1(b.name));
    b.button->setIcon(SvgIcon(QString::fromLatin1(b.icon)));
    b.button->setIconSize(QSize(22, 22));
    b.button->setFixedSize(35, 35);
    b.button->setToolTip(QString::fromLatin1(b.hint));
    b.button->setAccessibleName(QString::fromLatin1(b.hint));
    b.button->SetShadowStrength(0);
  }
  m_saveBtn->setEnabled(false);
  m_revertBtn->setObjectName(QStringLiteral("RevertBtn"));
  m_revertBtn->setToolTip(
      QStringLiteral("Take the selected installed tricks out and put the game's own motions back"));
  m_revertBtn->setAutoDefault(false);
  m_revertBtn->setEnabled(false);
  m_okBtn->setObjectName(QStringLiteral("Button1"));
  m_okBtn->setDefault(true);
  m_okBtn->setToolTip(QStringLiteral("Keep the tricks installed here in the game and close"));
  m_cancelBtn->setToolTip(QStringLiteral("Take back the tricks installed here and close"));
  m_cancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  m_cancelBtn->setAutoDefault(false);
  for (QPushButton* b : {m_okBtn, m_cancelBtn})
    b->setMinimumWidth(75);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(MakeCaption(QStringLiteral(" Installed tricks "), this), 0, 0);
  grid->addWidget(MakeCaption(QStringLiteral(" Import/Export tricks "), this), 0, 2);
  grid->addWidget(m_src, 1, 0);
  grid->addWidget(m_dst, 1, 2);
  auto* middle = new QVBoxLayout;
  middle->addStretch(1);
  middle->addWidget(m_exportBtn);
  middle->addSpacing(10);
  middle->addWidget(m_importBtn);
  middle->addStretch(1);
  grid->addLayout(middle, 1, 1);
  grid->setColumnStretch(0, 1);
  grid->setColumnStretch(2, 1);

  auto* bottom = new QHBoxLayout;
  bottom->setSpacing(4);
  bottom->addWidget(m_newPakBtn);
  bottom->addWidget(m_openPakBtn);
  bottom->addWidget(m_saveBtn);
  bottom->addSpacing(8);
  bottom->addWidget(m_revertBtn);
  bottom->addStretch(1);
  bottom->addWidget(m_okBtn);
  bottom->addWidget(m_cancelBtn);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(10, 8, 10, 10);
  layout->setSpacing(8);
  layout->addLayout(grid, 1);
  layout->addLayout(bottom);

  connect(m_src, &QListWidget::itemSelectionChanged, this, &TTxTrxForm::takeSelection);
  connect(m_dst, &QListWidget::itemSelectionChanged, this, &TTxTrxForm::takeSelection);
  connect(m_exportBtn, &QPushButton::clicked, this, [this] { run(&TrickTransfer::ExportBtnClick); });
  connect(m_importBtn, &QPushButton::clicked, this, [this] { run(&TrickTransfer::ImportBtnClick); });
  connect(m_newPakBtn, &TVellButton::clicked, this, [this] { run(&TrickTransfer::NewPakBtnClick); });
  connect(m_openPakBtn, &TVellButton::clicked, this, [this] { run(&TrickTransfer::OpenPakBtnClick); });
  connect(m_saveBtn, &TVellButton::clicked, this, [this] { run(&TrickTransfer::SaveBtnClick); });
  connect(m_revertBtn, &QPushButton::clicked, this, [this] { run(&TrickTransfer::RevertBtnClick); });
  connect(m_okBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

void TTxTrxForm::SetBackgroundPicture(const QPixmap& tile) {
  m_tile = tile;
  update();
}

void TTxTrxForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  if (!m_tile.isNull()) {
    p.drawTiledPixmap(rect(), m_tile);
  } else {
    p.fillRect(rect(), QColor(0x5C, 0x4C, 0x52));
  }
}

bool TTxTrxForm::Execute(TrickTransfer& transfer) {
  m_transfer = &transfer;
  Refresh();
  m_src->setFocus(Qt::OtherFocusReason);
  const bool saved = exec() == QDialog::Accepted;
  m_transfer = nullptr;
  return saved;
}

void TTxTrxForm::Refresh() {
  if (!m_transfer) return;
  m_refreshing = true;
  Fill(m_src, m_transfer->SrcListBox());
  Fill(m_dst, m_transfer->DstListBox());
  m_dst->setEnabled(m_transfer->DstListBoxEnabled());
  m_exportBtn->setEnabled(m_transfer->ExportBtnEnabled());
  m_importBtn->setEnabled(m_transfer->ImportBtnEnabled());
  m_saveBtn->setEnabled(m_transfer->SaveBtnEnabled());
  m_revertBtn->setEnabled(m_transfer->RevertBtnEnabled());
  m_refreshing = false;
}

void TTxTrxForm::takeSelection() {
  if (m_refreshing || !m_transfer) return;
  for (int i = 0; i < m_src->count(); ++i)
    m_transfer->SelectSource(i, m_src->item(i)->isSelected());
  for (int i = 0; i < m_dst->count(); ++i)
    m_transfer->SelectDestination(i, m_dst->item(i)->isSelected());
  m_revertBtn->setEnabled(m_transfer->RevertBtnEnabled());
}

void TTxTrxForm::run(void (TrickTransfer::*action)()) {
  if (!m_transfer) return;
  takeSelection();
  (m_transfer->*action)();
  Refresh();
}

}  // namespace dravo
