// The 3D view with the frame bar and the key-frame bar under it, and the side panel's view controls:
// the two joystick pads, "Rotate scene relative to current view", zoom, the view list, "Show bike" and
// the onion skin.
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <exception>

#include "app/app_look.h"
#include "app/colour_swatch.h"
#include "app/icons.h"
#include "app/joystick_pad.h"
#include "app/main_window.h"
#include "app/qt_editor_host.h"
#include "app/view_widget.h"
#include "app/wheel_focus.h"
#include "editor/view_rules.h"
#include "formats/gif_export.h"
#include "widgets/latch_button.h"
#include "widgets/numeric_edit.h"
#include "widgets/rollout.h"
#include "widgets/tween_bar.h"

namespace dravo {

namespace {

QLabel* SmallCaption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QFont f = label->font();
  f.setPointSizeF(f.pointSizeF() * 0.9);
  label->setFont(f);
  label->setAlignment(Qt::AlignCenter);
  return label;
}

}  // namespace

QWidget* TDravoUForm::buildViewArea() {
  auto* area = new QWidget(this);
  area->setObjectName(QStringLiteral("ViewArea"));
  m_view = new TDXView(area);

  m_frameBar = new QSlider(Qt::Horizontal, area);
  m_frameBar->setObjectName(QStringLiteral("FrameBar"));
  m_frameBar->setRange(1, 1);
  m_frameBar->setPageStep(1);
  m_frameBar->setToolTip(QStringLiteral("The frame shown and edited"));
  m_frameLabel = new QLabel(area);
  m_frameLabel->setObjectName(QStringLiteral("FrameCountLbl"));
  m_frameLabel->setMinimumWidth(
      m_frameLabel->fontMetrics().horizontalAdvance(QStringLiteral("Frame 000 of 000")));
  m_frameLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  m_frameRateEdit = new TNumericEdit(QStringLiteral("FrameRateEdit"), area);
  m_frameRateEdit->SetLimits(kMinFramesPerSecond, kMaxFramesPerSecond);
  m_frameRateEdit->SetValue(15);
  m_frameRateEdit->setFixedWidth(44);
  m_frameRateEdit->setAlignment(Qt::AlignRight);
  m_frameRateEdit->setToolTip(QStringLiteral("Frames per second of playback (1 to 100)"));
  auto* fpsLabel = new QLabel(QStringLiteral("FPS"), area);
  fpsLabel->setBuddy(m_frameRateEdit);

  m_tweenBar = new TTweenBar(area);
  m_tweenBar->setObjectName(QStringLiteral("TweenBar"));
  m_tweenBar->setFixedHeight(m_tweenBar->PreferredHeight());
  m_tweenBar->SetMargin(7);
  m_tweenBar->SetColor(QColor(187, 187, 136));
  m_tweenBar->SetBevels(TTweenBar::Bevel::Lowered, TTweenBar::Bevel::None, 1);
  m_tweenBar->setToolTip(
      QStringLiteral("Drag from one key frame to another to tween the frames between them"));

  auto* strip = new QHBoxLayout;
  strip->setContentsMargins(0, 0, 0, 0);
  strip->setSpacing(6);
  strip->addWidget(m_frameBar, 1);
  strip->addWidget(m_frameLabel);
  strip->addSpacing(6);
  strip->addWidget(fpsLabel);
  strip->addWidget(m_frameRateEdit);

  auto* layout = new QVBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(3);
  layout->addWidget(m_view, 1);
  layout->addLayout(strip);
  layout->addWidget(m_tweenBar);

  connect(m_frameBar, &QSlider::valueChanged, this,
          [this](int position) { act([position](TDravoEditor& ed) { ed.FrameBarChange(position); }); });
  m_frameRateEdit->OnChange = [this](TNumericEdit* e) {
    const int fps = e->IntValue();
    act([fps](TDravoEditor& ed) { ed.FrameRateEditChange(fps); });
  };
  // While the pointer is over the key-frame bar the status bar says what a right-click would do.
  m_tweenBar->installEventFilter(this);
  m_tweenBar->OnRangeChange = [this](TTweenBar* bar) {
    const int start = bar->StartFrame(), end = bar->EndFrame();
    const bool dragging = bar->Dragging();
    act([=](TDravoEditor& ed) { ed.TweenBarRangeChange(start, end, dragging); });
  };
  return area;
}

QWidget* TDravoUForm::buildControlPanel() {
  auto* card = new TCard;
  card->setObjectName(QStringLiteral("ControlPanel"));
  m_rotationPad = new TJoystickPad(1, card);
  m_rotationPad->setObjectName(QStringLiteral("RotationJoystick"));
  m_positionPad = new TJoystickPad(0, card);
  m_positionPad->setObjectName(QStringLiteral("PositionJoystick"));
  m_viewRelBtn = new TVellButton(card);
  m_viewRelBtn->setObjectName(QStringLiteral("ViewRelBtn"));
  m_viewRelBtn->SetCanLatch(true);
  m_viewRelBtn->setIcon(SvgIcon(QStringLiteral("view_relative")));
  m_viewRelBtn->setIconSize(QSize(20, 20));
  m_viewRelBtn->setFixedSize(30, 30);
  m_viewRelBtn->SetShadowStrength(0);
  // Drawn as a button also while the pointer is elsewhere: it is easy to miss otherwise.
  m_viewRelBtn->SetNotOverStyle({QColor(), false, TVellButton::TBevel::Raised});
  m_viewRelBtn->setToolTip(QStringLiteral("Rotate scene relative to current view"));
  m_viewRelBtn->setAccessibleName(QStringLiteral("Rotate scene relative to current view"));

  m_zoomBar = new QSlider(Qt::Horizontal, card);
  m_zoomBar->setObjectName(QStringLiteral("TrackBar1"));
  m_zoomBar->setRange(kZoomMin, kZoomMax);
  // Nearer to the right, as a zoom reads everywhere else; the position is still the eye's distance.
  m_zoomBar->setInvertedAppearance(true);
  m_zoomBar->setInvertedControls(true);
  m_zoomBar->setValue(90);
  m_zoomBar->setTickInterval(5);
  m_zoomBar->setTickPosition(QSlider::TicksBelow);
  m_zoomBar->setToolTip(QStringLiteral("Zoom"));
  m_viewBox = new QComboBox(card);
  m_viewBox->setObjectName(QStringLiteral("ViewBox"));
  for (const char* name : kViewNames)
    m_viewBox->addItem(QString::fromLatin1(name));
  m_viewBox->setCurrentIndex(2);
  m_showBike = new QCheckBox(QStringLiteral("Show bike"), card);
  m_showBike->setObjectName(QStringLiteral("ShowBike"));
  m_onionSkin = new QCheckBox(QStringLiteral("Onion skin"), card);
  m_onionSkin->setObjectName(QStringLiteral("OnionSkinChk"));
  m_onionSkin->setToolTip(QStringLiteral(
      "Show the frames around this one as ghosts behind it: earlier frames blue, later ones orange, "
      "fainter further away (never in the GIF)"));
  const auto onionSpin = [card](const char* name, const char* prefix, const char* tip) {
    auto* spin = new QSpinBox(card);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(kOnionMinFrames, kOnionMaxFrames);
    spin->setValue(kOnionDefaultFrames);
    spin->setPrefix(QString::fromUtf8(prefix));
    spin->setToolTip(QString::fromLatin1(tip));
    spin->setAccessibleName(QString::fromLatin1(tip));
    return spin;
  };
  m_onionBefore = onionSpin("OnionBeforeSpin", "\u2212", "Frames before this one shown as ghosts (1 to 5)");
  m_onionAfter = onionSpin("OnionAfterSpin", "+", "Frames after this one shown as ghosts (1 to 5)");

  auto* pads = new QGridLayout;
  pads->setHorizontalSpacing(8);
  pads->setVerticalSpacing(1);
  pads->addWidget(m_rotationPad, 0, 0, Qt::AlignHCenter);
  pads->addWidget(m_viewRelBtn, 0, 1, Qt::AlignCenter);
  pads->addWidget(m_positionPad, 0, 2, Qt::AlignHCenter);
  pads->addWidget(SmallCaption(QStringLiteral("Turn"), card), 1, 0);
  pads->addWidget(SmallCaption(QStringLiteral("Move"), card), 1, 2);
  pads->setColumnStretch(3, 1);

  auto* form = new QGridLayout;
  form->setHorizontalSpacing(6);
  form->setVerticalSpacing(4);
  auto* zoomLabel = new QLabel(QStringLiteral("Zoom"), card);
  zoomLabel->setBuddy(m_zoomBar);
  auto* viewLabel = new QLabel(QStringLiteral("View"), card);
  viewLabel->setBuddy(m_viewBox);
  form->addWidget(zoomLabel, 0, 0);
  form->addWidget(m_zoomBar, 0, 1);
  form->addWidget(viewLabel, 1, 0);
  form->addWidget(m_viewBox, 1, 1);
  form->addWidget(m_showBike, 2, 1);
  auto* onion = new QHBoxLayout;
  onion->setSpacing(4);
  onion->addWidget(m_onionSkin);
  onion->addStretch(1);
  onion->addWidget(m_onionBefore);
  onion->addWidget(m_onionAfter);
  form->addLayout(onion, 3, 1);
  form->setColumnStretch(1, 1);

  auto* layout = new QVBoxLayout(card);
  layout->setContentsMargins(10, 8, 10, 8);
  layout->setSpacing(6);
  layout->addLayout(pads);
  layout->addLayout(form);

  for (TJoystickPad* pad : {m_rotationPad, m_positionPad}) {
    pad->OnMouseDown = [this](TJoystickPad* p) {
      const int tag = p->Tag();
      act([tag](TDravoEditor& ed) { ed.JoystickMouseDown(tag); });
    };
    pad->OnMouseMove = [this](TJoystickPad*, int x, int y) {
      act([x, y](TDravoEditor& ed) { ed.JoystickMouseMove(x, y); });
    };
    pad->OnMouseUp = [this](TJoystickPad*) { act([](TDravoEditor& ed) { ed.JoystickMouseUp(); }); };
  }
  // The button shows the editor's setting; a click asks the editor to change it.
  m_viewRelBtn->OnLatchChanging = [this](TVellButton*, bool& allow) {
    allow = false;
    act([](TDravoEditor& ed) { ed.ToggleViewRelative(); });
  };
  connect(m_zoomBar, &QSlider::valueChanged, this,
          [this](int position) { act([position](TDravoEditor& ed) { ed.SetZoom(position); }); });
  connect(m_viewBox, &QComboBox::activated, this,
          [this](int index) { act([index](TDravoEditor& ed) { ed.ViewBoxChange(index); }); });
  connect(m_showBike, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.ShowBikeClick(on); }); });
  connect(m_onionSkin, &QCheckBox::clicked, this,
          [this](bool on) { act([on](TDravoEditor& ed) { ed.SetOnionSkin(on); }); });
  for (QSpinBox* spin : {m_onionBefore, m_onionAfter}) {
    connect(spin, &QSpinBox::valueChanged, this, [this](int) {
      const int before = m_onionBefore->value(), after = m_onionAfter->value();
      act([before, after](TDravoEditor& ed) { ed.SetOnionFrames(before, after); });
    });
  }
  return card;
}

QScrollArea* TDravoUForm::buildSidePanel() {
  auto* panel = new TTiledPanel;
  panel->setObjectName(QStringLiteral("SidePanel"));
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->setSpacing(6);
  layout->addWidget(buildControlPanel());
  m_trickRollout = buildTricksRollout();
  m_setupRollout = buildSetupRollout();
  m_skinsRollout = buildSkinsRollout();
  for (TVellRollout* r : {m_trickRollout, m_setupRollout, m_skinsRollout}) {
    r->SetHeaderMargin(0);
    r->SetHeaderColor(RolloutHeaderColor());
    r->SetHeaderBorderColor(RolloutBorderColor());
    // The skins list takes the room left below; the others fit their controls.
    layout->addWidget(r, r == m_skinsRollout ? 1 : 0);
  }
  m_skinsRollout->SetAlign(TVellRollout::TAlign::Client);
  fitSkinsRollout();
  layout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));

  m_sidePanel = new QScrollArea(this);
  m_sidePanel->setObjectName(QStringLiteral("SidePanelScroll"));
  m_sidePanel->setWidget(panel);
  m_sidePanel->setWidgetResizable(true);
  m_sidePanel->setFrameShape(QFrame::NoFrame);
  m_sidePanel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_sidePanel->setMinimumWidth(244);
  m_sidePanel->setMaximumWidth(480);
  WheelOnlyWithFocus(panel);
  return m_sidePanel;
}

void TDravoUForm::bindView() {
  m_view->PanelColor = [this] { return ToQColor(m_panel->Color()); };
  // Frames are drawn at the view's own size in device pixels, told before each one.
  const auto fitPanel = [this] {
    const QSize size = m_view->TargetSize();
    m_panel->ClientWidth = static_cast<UINT>(std::max(0, size.width()));
    m_panel->ClientHeight = static_cast<UINT>(std::max(0, size.height()));
  };
  m_view->OnPaintFrame = [this, fitPanel]() -> bool {
    if (!running()) return false;
    fitPanel();
    try {
      return m_panel->Paint();
    } catch (const std::exception& e) {
      // The frame was ended and presented; the message waits until painting is over.
      const std::string text = e.what();
      QTimer::singleShot(0, this, [this, text] { m_host->ShowError(text); });
      return true;
    }
  };
  m_view->OnRenderPicture = [this, fitPanel]() -> QImage {
    if (!running()) return {};
    fitPanel();
    std::vector<std::uint8_t> rgba;
    int width = 0, height = 0;
    if (!m_editor->CaptureView(rgba, width, height) || width <= 0 || height <= 0) return {};
    return QImage(rgba.data(), width, height, width * 4, QImage::Format_RGBA8888).copy();
  };
  m_view->OnMouseDown = [this](TMouseButton button, EditorShift shift, int x, int y) {
    act([=](TDravoEditor& ed) { ed.DXPanelMouseDown(button, shift, x, y); });
  };
  m_view->OnMouseMove = [this](EditorShift shift, int x, int y) {
    act([=](TDravoEditor& ed) { ed.DXPanelMouseMove(shift, x, y); });
  };
  m_view->OnWheel = [this](int notches) { act([notches](TDravoEditor& ed) { ed.WheelZoom(notches); }); };
  m_view->OnMouseUp = [this](TMouseButton button, EditorShift shift) {
    act([=](TDravoEditor& ed) { ed.DXPanelMouseUp(button, shift); });
  };
}

void TDravoUForm::refreshView(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & changes::ViewSettings) {
    m_zoomBar->setValue(ed.Zoom());
    m_viewBox->setCurrentIndex(ed.ViewIndex());
    m_showBike->setChecked(ed.ShowBike());
    m_onionSkin->setChecked(ed.OnionSkin());
    {
      // Both at once: the first one's signal would otherwise send the other's old value.
      const QSignalBlocker blockBefore(m_onionBefore), blockAfter(m_onionAfter);
      m_onionBefore->setValue(ed.OnionBefore());
      m_onionAfter->setValue(ed.OnionAfter());
    }
    m_viewRelBtn->SetLatched(ed.ViewRelative());
    m_view->RequestRepaint();
  }
}

void TDravoUForm::refreshFrames(std::uint32_t bits) {
  const TDravoEditor& ed = *m_editor;
  if (bits & (changes::FrameCount | changes::Frame | changes::Playback)) {
    m_frameBar->setRange(1, std::max(1, ed.FrameBarMax()));
    m_frameBar->setValue(ed.FrameBarPosition());
    m_frameBar->setEnabled(ed.FrameBarEnabled());
    const int count = ed.FrameCount();
    m_frameLabel->setText(count > 0 ? QStringLiteral("Frame %1 of %2")
                                          .arg(ed.CurrentFrame() + 1)
                                          .arg(QString::fromStdString(ed.FrameCountLabel()))
                                    : QStringLiteral("No frames"));
  }
  if (bits & changes::FrameCount) {
    m_tweenBar->SetFrames(ed.FrameCount());
    m_tweenBar->update();
  }
  if (bits & changes::Playback) m_frameRateEdit->SetValue(ed.FrameRate());
}

}  // namespace dravo
