// The " Skins" rollout: the mud colour and strength, the rider and machine lists, the texture list (a
// picture chosen or dropped on a row replaces that texture) and "Save".
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/colour_swatch.h"
#include "app/icons.h"
#include "app/main_window.h"
#include "app/qt_editor_host.h"
#include "platform/options_store.h"
#include "widgets/property_tree.h"
#include "widgets/rollout.h"

namespace dravo {

TVellRollout* TDravoUForm::buildSkinsRollout() {
  auto* rollout = new TVellRollout(QStringLiteral(" Skins"));
  rollout->setObjectName(QStringLiteral("SkinsRollout"));
  QWidget* content = rollout->Content();

  m_mudColor = new TColourSwatch(content);
  m_mudColor->setObjectName(QStringLiteral("MudColor"));
  m_mudColor->setToolTip(QStringLiteral("Click here to change the mud color"));
  m_mudColor->setAccessibleName(QStringLiteral("Mud"));
  m_mudColor->SetColour(ToQColor(options::DefaultMudColor));
  m_mudScale = new QSlider(Qt::Horizontal, content);
  m_mudScale->setObjectName(QStringLiteral("MudScale"));
  m_mudScale->setRange(0, 255);
  m_mudScale->setValue(255);
  m_mudScale->setPageStep(15);
  m_mudScale->setTickInterval(8);
  m_mudScale->setTickPosition(QSlider::TicksBelow);
  m_mudScale->setToolTip(QStringLiteral("How much mud the rider and the machine carry"));
  m_riderBox = new QComboBox(content);
  m_riderBox->setObjectName(QStringLiteral("SelectRiderBox"));
  m_riderBox->setToolTip(QStringLiteral("The rider to show"));
  m_riderBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_riderBox->setMinimumContentsLength(8);
  m_machineBox = new QComboBox(content);
  m_machineBox->setObjectName(QStringLiteral("SelectMachineBox"));
  m_machineBox->setToolTip(QStringLiteral("The machine to show; its type chooses the tricks"));
  m_machineBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  m_machineBox->setMinimumContentsLength(8);

  m_textureList = new TVirtualPropertyTree(content);
  m_textureList->setObjectName(QStringLiteral("TextureList"));
  m_textureList->setMinimumHeight(170);
  m_textureList->setRootIsDecorated(false);
  m_textureList->setColumnWidth(0, 30);
  m_textureList->header()->setStretchLastSection(true);
  m_textureList->setToolTip(QStringLiteral("Choose a picture for a texture, or drop one on its row"));
  m_textureList->LoadPreview = LoadPicture;
  m_saveTexBtn = new QPushButton(SvgIcon(QStringLiteral("save")), QStringLiteral("Save"), content);
  m_saveTexBtn->setObjectName(QStringLiteral("SaveTexBtn"));
  m_saveTexBtn->setToolTip(QStringLiteral("Save the replaced textures into your $dravo.pak and the game"));

  auto* mudLabel = new QLabel(QStringLiteral("Mud"), content);
  mudLabel->setBuddy(m_mudColor);
  auto* riderLabel = new QLabel(QStringLiteral("Rider"), content);
  riderLabel->setBuddy(m_riderBox);
  auto* machineLabel = new QLabel(QStringLiteral("Machine"), content);
  machineLabel->setBuddy(m_machineBox);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  grid->setVerticalSpacing(5);
  grid->addWidget(mudLabel, 0, 0);
  grid->addWidget(m_mudColor, 0, 1);
  grid->addWidget(m_mudScale, 0, 2);
  grid->addWidget(riderLabel, 1, 0);
  grid->addWidget(m_riderBox, 1, 1, 1, 2);
  grid->addWidget(machineLabel, 2, 0);
  grid->addWidget(m_machineBox, 2, 1, 1, 2);
  grid->setColumnStretch(2, 1);

  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(5);
  layout->addLayout(grid);
  layout->addWidget(m_textureList, 1);
  layout->addWidget(m_saveTexBtn);

  connect(m_mudColor, &TColourSwatch::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.MudColorClick(); }); });
  connect(m_mudScale, &QSlider::valueChanged, this,
          [this](int position) { act([position](TDravoEditor& ed) { ed.MudScaleChange(position); }); });
  connect(m_riderBox, &QComboBox::activated, this,
          [this](int index) { act([index](TDravoEditor& ed) { ed.SelectRiderBoxChange(index); }); });
  connect(m_machineBox, &QComboBox::activated, this,
          [this](int index) { act([index](TDravoEditor& ed) { ed.SelectMachineBoxChange(index); }); });
  m_textureList->OnDialogFilter = [this](TVirtualPropertyTree*, int, QString& filter) {
    if (running()) filter = QString::fromStdString(m_editor->DialogFilter());
  };
  m_textureList->OnDataChanged = [this](TVirtualPropertyTree*, TFieldKind kind, const TField& field) {
    if (kind != TFieldKind::ImageFile) return;
    const std::int32_t tag = field.Tag;
    const std::string file = field.Text.toStdString();
    act([tag, file](TDravoEditor& ed) { ed.TextureListDataChanged(tag, file); });
  };
  connect(m_saveTexBtn, &QPushButton::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.SaveTexBtnClick(); }); });
  rollout->OnExpanded = [this](TVellRollout* r) {
    fitSkinsRollout();
    const bool expanded = r->Expanded();
    act([expanded](TDravoEditor& ed) { ed.SetRolloutExpanded(Rollout::Skins, expanded); });
  };
  return rollout;
}

void TDravoUForm::fitSkinsRollout() {
  // The rollout fills the room below; while open it keeps the height its controls need, so a short
  // window scrolls the side panel rather than squeezing the texture list away.
  if (!m_skinsRollout->Expanded()) return;
  const QLayout* content = m_skinsRollout->Content()->layout();
  const int controls = content ? content->minimumSize().height() : 0;
  m_skinsRollout->setMinimumHeight(m_skinsRollout->HeaderRect().height() + 12 + controls);
}

void TDravoUForm::refreshSkins(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::ViewSettings) {
    m_mudColor->SetColour(ToQColor(ed.MudColor()));
    m_mudScale->setValue(ed.MudScale());
  }
  if (bits & changes::ModelLists) {
    const auto fill = [](QComboBox* box, const std::vector<ModelListItem>& items, int index) {
      QStringList labels;
      for (const ModelListItem& item : items)
        labels << QString::fromStdString(item.Label);
      QStringList shown;
      for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
      if (shown != labels) {
        box->clear();
        box->addItems(labels);
      }
      box->setCurrentIndex(index);
    };
    fill(m_riderBox, ed.SelectRiderBox(), ed.SelectRiderIndex());
    fill(m_machineBox, ed.SelectMachineBox(), ed.SelectMachineIndex());
  }
  if (bits & changes::Textures) {
    const std::vector<TextureRow>& rows = ed.TextureList();
    bool same = m_textureList->topLevelItemCount() == static_cast<int>(rows.size());
    for (int i = 0; same && i < m_textureList->topLevelItemCount(); ++i) {
      const TField* field = m_textureList->Field(m_textureList->topLevelItem(i));
      same = field && field->Tag == rows[static_cast<std::size_t>(i)].Tag;
    }
    if (same) {
      // The same textures: only the values change, so the row being edited stays where it is.
      for (const TextureRow& row : rows)
        m_textureList->SetPropertyValue(row.Tag, QString::fromStdString(row.Value));
    } else {
      m_textureList->Clear();
      for (const TextureRow& row : rows)
        m_textureList->AddFileProperty(QString::fromStdString(row.Caption), QString::fromStdString(row.Value),
                                       true, nullptr, row.Tag);
    }
  }
}

}  // namespace dravo
