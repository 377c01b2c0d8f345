// The " Setup" rollout: "Save to Common PAK", the background colour, "Wire mode", "Lighting",
// "Transparent", "GIF size" and the resolution list; and the expanded state of the three rollouts.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>

#include "app/colour_swatch.h"
#include "app/main_window.h"
#include "formats/gif_export.h"
#include "platform/options_store.h"
#include "widgets/numeric_edit.h"
#include "widgets/rollout.h"

namespace dravo {

TVellRollout* TDravoUForm::buildSetupRollout() {
  auto* rollout = new TVellRollout(QStringLiteral(" Setup"));
  rollout->setObjectName(QStringLiteral("SetupRollout"));
  QWidget* content = rollout->Content();

  m_commonPak = new QCheckBox(QStringLiteral("Save to Common PAK"), content);
  m_commonPak->setObjectName(QStringLiteral("CommonPakChk"));
  m_commonPak->setToolTip(QStringLiteral(
      "Also write saved tricks and skins into the game's common.pak, where they fit in place"));
  m_colorPicker = new TColourSwatch(content);
  m_colorPicker->setObjectName(QStringLiteral("ColorPicker"));
  m_colorPicker->setToolTip(QStringLiteral("Click here to change the background color"));
  m_colorPicker->setAccessibleName(QStringLiteral("Background"));
  m_colorPicker->SetColour(ToQColor(8544595));
  m_wireMode = new QCheckBox(QStringLiteral("Wire mode"), content);
  m_wireMode->setObjectName(QStringLiteral("WireChkBox"));
  m_lighting = new QCheckBox(QStringLiteral("Lighting"), content);
  m_lighting->setObjectName(QStringLiteral("LightCheck"));
  m_transparent = new QCheckBox(QStringLiteral("Transparent"), content);
  m_transparent->setObjectName(QStringLiteral("TransparentChk"));
  m_transparent->setToolTip(QStringLiteral("Make the background of an animated GIF transparent"));
  m_gifOptimize = new QCheckBox(QStringLiteral("Optimize"), content);
  m_gifOptimize->setObjectName(QStringLiteral("GifOptimizeChk"));
  m_gifOptimize->setToolTip(QStringLiteral(
      "Smaller GIF files: each frame holds only what changed, and the frames share one palette where it "
      "serves them as well"));
  m_gifSize = new TNumericEdit(QStringLiteral("GIFSize"), content);
  m_gifSize->SetLimits(kGifMinSize, kGifMaxSize);
  m_gifSize->SetValue(options::DefaultSize);
  m_gifSize->setFixedWidth(52);
  m_gifSize->setAlignment(Qt::AlignRight);
  m_gifSize->setToolTip(QStringLiteral("Enter the size of the GIF in pixels"));
  m_resSelectBox = new QComboBox(content);
  m_resSelectBox->setObjectName(QStringLiteral("ResSelectBox"));
  m_resSelectBox->setToolTip(
      QStringLiteral("The size the 3D view draws at; it takes effect at the next start"));

  auto* background = new QLabel(QStringLiteral("Background"), content);
  background->setBuddy(m_colorPicker);
  auto* gifLabel = new QLabel(QStringLiteral("GIF size"), content);
  gifLabel->setBuddy(m_gifSize);
  auto* resLabel = new QLabel(QStringLiteral("Resolution"), content);
  resLabel->setBuddy(m_resSelectBox);

  auto* grid = new QGridLayout(content);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(5);
  grid->addWidget(m_commonPak, 0, 0, 1, 2);
  grid->addWidget(background, 1, 0);
  grid->addWidget(m_colorPicker, 1, 1, Qt::AlignLeft);
  grid->addWidget(m_wireMode, 2, 0, 1, 2);
  grid->addWidget(m_lighting, 3, 0, 1, 2);
  grid->addWidget(m_transparent, 4, 0, 1, 2);
  grid->addWidget(gifLabel, 5, 0);
  auto* sizeRow = new QHBoxLayout;
  sizeRow->setContentsMargins(0, 0, 0, 0);
  sizeRow->setSpacing(10);
  sizeRow->addWidget(m_gifSize);
  sizeRow->addWidget(m_gifOptimize);
  sizeRow->addStretch(1);
  grid->addLayout(sizeRow, 5, 1);
  grid->addWidget(resLabel, 6, 0);
  grid->addWidget(m_resSelectBox, 6, 1);
  grid->setColumnStretch(1, 1);

  connect(m_commonPak, &QCheckBox::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.CommonPakClick(); }); });
  connect(m_colorPicker, &TColourSwatch::clicked, this,
          [this] { act([](TDravoEditor& ed) { ed.ChooseBackgroundColour(); }); });
  connect(m_wireMode, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.WireModeClick(on); }); });
  connect(m_lighting, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.LightClick(on); }); });
  connect(m_transparent, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.TransparentClick(on); }); });
  connect(m_gifOptimize, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.SetGifOptimize(on); }); });
  m_gifSize->OnChange = [this](TNumericEdit* e) {
    const int size = e->IntValue();
    act([size](TDravoEditor& ed) { ed.SetGifSize(size); });
  };
  connect(m_resSelectBox, &QComboBox::activated, this,
          [this](int index) { act([index](TDravoEditor& ed) { ed.ChooseResolution(index); }); });
  rollout->OnExpanded = [this](TVellRollout* r) {
    const bool expanded = r->Expanded();
    act([expanded](TDravoEditor& ed) { ed.SetRolloutExpanded(Rollout::Setup, expanded); });
  };
  return rollout;
}

void TDravoUForm::refreshSetup(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::Setup) {
    m_commonPak->setChecked(ed.CommonPak());
    QStringList modes;
    for (const std::string& mode : ed.ResolutionList())
      modes << QString::fromStdString(mode);
    QStringList shown;
    for (int i = 0; i < m_resSelectBox->count(); ++i)
      shown << m_resSelectBox->itemText(i);
    if (shown != modes) {
      m_resSelectBox->clear();
      m_resSelectBox->addItems(modes);
    }
    m_resSelectBox->setCurrentIndex(ed.ResolutionIndex());
    m_trickRollout->SetExpanded(ed.RolloutExpanded(Rollout::Trick));
    m_setupRollout->SetExpanded(ed.RolloutExpanded(Rollout::Setup));
    m_skinsRollout->SetExpanded(ed.RolloutExpanded(Rollout::Skins));
  }
  if (bits & changes::ViewSettings) {
    m_colorPicker->SetColour(ToQColor(ed.BackgroundColor()));
    m_wireMode->setChecked(ed.WireMode());
    m_lighting->setChecked(ed.Lighting());
    m_transparent->setChecked(ed.Transparent());
    m_gifOptimize->setChecked(ed.GifOptimize());
    m_gifSize->SetValue(ed.GifSize());
  }
}

}  // namespace dravo
