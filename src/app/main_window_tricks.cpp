// The " Edit Tricks" rollout: the trick list, "Edit Rider" / "Edit Bike", the part list, "Tween all
// parts", the four posing latch groups and "Save this trick".
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/icons.h"
#include "app/main_window.h"
#include "widgets/latch_button.h"
#include "widgets/rollout.h"

namespace dravo {

namespace {

constexpr AxisGroup kGroups[4] = {AxisGroup::RotX, AxisGroup::RotY, AxisGroup::PosX, AxisGroup::PosY};
constexpr const char* kGroupCaptions[4] = {"X Rotation", "Y Rotation", "X Position", "Y Position"};
constexpr const char* kGroupNames[4] = {"RotX", "RotY", "PosX", "PosY"};
constexpr const char* kGroupHints[4] = {
    "The axis a part turns about when the mouse moves left and right",
    "The axis a part turns about when the mouse moves up and down",
    "The axis a part moves along when the mouse moves left and right (right button)",
    "The axis a part moves along when the mouse moves up and down (right button)"};
constexpr const char* kAxes[3] = {"X", "Y", "Z"};

QLabel* FieldCaption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setBold(true);
  label->setFont(f);
  return label;
}

}  // namespace

TVellRollout* TDravoUForm::buildTricksRollout() {
  auto* rollout = new TVellRollout(QStringLiteral(" Edit Tricks"));
  rollout->setObjectName(QStringLiteral("TrickRollout"));
  QWidget* content = rollout->Content();

  m_motSelectBox = new QComboBox(content);
  m_motSelectBox->setObjectName(QStringLiteral("MOTSelectBox"));
  m_motSelectBox->setToolTip(QStringLiteral("The trick to edit"));
  m_motSelectBox->setMaxVisibleItems(20);
  m_motSelectBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_motSelectBox->setMinimumContentsLength(10);

  m_riderEdit = new QRadioButton(QStringLiteral("Edit Rider"), content);
  m_riderEdit->setObjectName(QStringLiteral("RiderEdit"));
  m_riderEdit->setChecked(true);
  m_bikeEdit = new QRadioButton(QStringLiteral("Edit Bike"), content);
  m_bikeEdit->setObjectName(QStringLiteral("BikeEdit"));
  m_bikeEdit->setEnabled(false);
  m_bikeEdit->setToolTip(QStringLiteral("Only for tricks with a machine motion of their own"));

  m_tweenList = new QListWidget(content);
  m_tweenList->setObjectName(QStringLiteral("TweenList"));
  m_tweenList->setToolTip(
      QStringLiteral("Tick the parts that the mouse, Copy and the key-frame bar work on"));
  m_tweenList->setMinimumHeight(120);
  m_tweenList->setMaximumHeight(150);
  m_tweenList->setUniformItemSizes(true);

  m_tweenAll = new QCheckBox(QStringLiteral("Tween all parts"), content);
  m_tweenAll->setObjectName(QStringLiteral("TweenAll"));
  m_tweenAll->setToolTip(
      QStringLiteral("Tween and copy every part of the edited side, ticked or not (Ctrl+A)"));

  m_tweenStyle = new QComboBox(content);
  m_tweenStyle->setObjectName(QStringLiteral("TweenStyle"));
  for (const char* name : kTweenModeNames)
    m_tweenStyle->addItem(QString::fromLatin1(name));
  m_tweenStyle->setToolTip(QStringLiteral(
      "How the key-frame bar fills the frames between two keys: Linear blends the keys as always; "
      "Smooth turns at an even pace along the shorter way; Ease in/out starts and ends slowly"));
  auto* tweenRow = new QHBoxLayout;
  tweenRow->setSpacing(6);
  auto* tweenLabel = new QLabel(QStringLiteral("Tween"), content);
  tweenLabel->setBuddy(m_tweenStyle);
  tweenRow->addWidget(tweenLabel);
  tweenRow->addWidget(m_tweenStyle, 1);

  auto* sides = new QHBoxLayout;
  sides->setSpacing(10);
  sides->addWidget(m_riderEdit);
  sides->addWidget(m_bikeEdit);
  sides->addStretch(1);

  auto* axes = new QGridLayout;
  axes->setHorizontalSpacing(3);
  axes->setVerticalSpacing(3);
  for (int g = 0; g < 4; ++g) {
    auto* label = new QLabel(QString::fromLatin1(kGroupCaptions[g]), content);
    label->setToolTip(QString::fromLatin1(kGroupHints[g]));
    axes->addWidget(label, g, 0);
    for (int tag = 0; tag < 3; ++tag) {
      auto* b = new TVellButton(QString::fromLatin1(kAxes[tag]), content);
      b->setObjectName(QString::fromLatin1(kGroupNames[g]) + QString::fromLatin1(kAxes[tag]) +
                       QStringLiteral("Btn"));
      b->SetCanLatch(true);
      b->setFixedSize(28, 24);
      b->setToolTip(QString::fromLatin1(kGroupHints[g]));
      b->setAccessibleName(QString::fromLatin1(kGroupCaptions[g]) + QLatin1Char(' ') +
                           QString::fromLatin1(kAxes[tag]));
      const AxisGroup group = kGroups[g];
      // The editor decides which button of a group is latched; the refresh shows it.
      b->OnLatchChanging = [this, group, tag](TVellButton*, bool& allow) {
        allow = false;
        act([group, tag](TDravoEditor& ed) { ed.AxisButtonClick(group, tag); });
      };
      m_axisBtns[static_cast<std::size_t>(g)][static_cast<std::size_t>(tag)] = b;
      axes->addWidget(b, g, 1 + tag);
    }
  }
  axes->setColumnStretch(0, 1);

  m_saveTrickBtn2 =
      new QPushButton(SvgIcon(QStringLiteral("save")), QStringLiteral("Save this trick"), content);
  m_saveTrickBtn2->setObjectName(QStringLiteral("SaveTrickBtn2"));
  m_saveTrickBtn2->setToolTip(QStringLiteral("Save this trick into your $dravo.pak and the game"));

  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(5);
  layout->addWidget(FieldCaption(QStringLiteral("Trick"), content));
  layout->addWidget(m_motSelectBox);
  layout->addLayout(sides);
  layout->addWidget(FieldCaption(QStringLiteral("Parts"), content));
  layout->addWidget(m_tweenList);
  layout->addWidget(m_tweenAll);
  layout->addLayout(tweenRow);
  layout->addSpacing(2);
  layout->addLayout(axes);
  layout->addSpacing(2);
  layout->addWidget(m_saveTrickBtn2);

  connect(m_motSelectBox, &QComboBox::activated, this,
          [this](int index) { act([index](TDravoEditor& ed) { ed.SelectTrickItem(index); }); });
  connect(m_riderEdit, &QRadioButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.RiderEditClick(true); }); });
  connect(m_bikeEdit, &QRadioButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.RiderEditClick(false); }); });
  connect(m_tweenList, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    const int row = m_tweenList->row(item);
    const bool checked = item->checkState() == Qt::Checked;
    act([row, checked](TDravoEditor& ed) { ed.SetPartChecked(row, checked); });
  });
  connect(m_tweenList, &QListWidget::currentRowChanged, this,
          [this](int row) { act([row](TDravoEditor& ed) { ed.SelectPart(row); }); });
  connect(m_tweenAll, &QCheckBox::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.ToggleTweenAll(); }); });
  connect(m_tweenStyle, &QComboBox::activated, this, [this](int index) {
    act([index](TDravoEditor& ed) { ed.SetTweenStyle(static_cast<TweenMode>(index)); });
  });
  connect(m_saveTrickBtn2, &QPushButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.SaveTrickBtnClick(); }); });
  rollout->OnExpanded = [this](TVellRollout* r) {
    const bool expanded = r->Expanded();
    act([expanded](TDravoEditor& ed) { ed.SetRolloutExpanded(Rollout::Trick, expanded); });
  };
  return rollout;
}

void TDravoUForm::refreshTricks(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::Catalogue) {
    const std::vector<CatalogueEntry>& entries = ed.TrickList();
    bool same = m_motSelectBox->count() == static_cast<int>(entries.size());
    for (int i = 0; same && i < m_motSelectBox->count(); ++i)
      same = m_motSelectBox->itemText(i) == QString::fromStdString(entries[static_cast<std::size_t>(i)].Name);
    if (!same) {
      m_motSelectBox->clear();
      for (const CatalogueEntry& e : entries)
        m_motSelectBox->addItem(QString::fromStdString(e.Name));
    }
    m_motSelectBox->setCurrentIndex(ed.PickedTrick());
  }
  if (bits & changes::Parts) {
    const std::vector<PartItem>& parts = ed.PartRows();
    bool same = m_tweenList->count() == static_cast<int>(parts.size());
    for (int i = 0; same && i < m_tweenList->count(); ++i)
      same = m_tweenList->item(i)->text() == QString::fromStdString(parts[static_cast<std::size_t>(i)].Name);
    // The list is changed in place while it is the same list: a check box being clicked may be the
    // reason for this refresh.
    if (!same) {
      m_tweenList->clear();
      for (const PartItem& p : parts)
        new QListWidgetItem(QString::fromStdString(p.Name), m_tweenList);
    }
    for (int i = 0; i < m_tweenList->count(); ++i) {
      const PartItem& p = parts[static_cast<std::size_t>(i)];
      QListWidgetItem* item = m_tweenList->item(i);
      Qt::ItemFlags flags = Qt::ItemIsUserCheckable | Qt::ItemIsSelectable;
      if (p.Enabled) flags |= Qt::ItemIsEnabled;
      if (item->flags() != flags) item->setFlags(flags);
      // Only the edited side's parts are listed: editing the bike shows its parts at the top.
      if (item->isHidden() == p.Enabled) item->setHidden(!p.Enabled);
      const Qt::CheckState state = p.Checked ? Qt::Checked : Qt::Unchecked;
      // An item shows its check box once it holds a check state.
      if (item->data(Qt::CheckStateRole).isNull() || item->checkState() != state) item->setCheckState(state);
    }
    if (m_tweenList->currentRow() != ed.HighlightedPart()) m_tweenList->setCurrentRow(ed.HighlightedPart());
    if (QListWidgetItem* current = m_tweenList->currentItem(); !current || current->isHidden())
      m_tweenList->scrollToTop();
    m_tweenAll->setChecked(ed.TweenAll());
    m_tweenStyle->setCurrentIndex(static_cast<int>(ed.TweenStyle()));
  }
  if (bits & changes::EditSide) {
    m_riderEdit->setChecked(ed.RiderEdit());
    m_bikeEdit->setChecked(!ed.RiderEdit());
    m_bikeEdit->setEnabled(ed.BikeEditEnabled());
  }
  if (bits & changes::Axes) {
    for (int g = 0; g < 4; ++g)
      for (int tag = 0; tag < 3; ++tag)
        m_axisBtns[static_cast<std::size_t>(g)][static_cast<std::size_t>(tag)]->SetLatched(
            ed.AxisLatched(kGroups[g], tag));
  }
}

}  // namespace dravo
