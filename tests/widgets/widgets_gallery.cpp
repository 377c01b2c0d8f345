// Writes a picture of each widget into a folder, so a person can check the look without a
// display: widgets_gallery OUTDIR (run with QT_QPA_PLATFORM=offscreen).

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEnterEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

#include "app/message_box.h"
#include "widgets/latch_button.h"
#include "widgets/numeric_edit.h"
#include "widgets/picture_preview_dialog.h"
#include "widgets/property_tree.h"
#include "widgets/rollout.h"
#include "widgets/tween_bar.h"

using namespace dravo;

namespace {

QString g_out;

void Save(QWidget& w, const QString& name, int scale = 1) {
  QImage image = w.grab().toImage();
  if (scale > 1) image = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio, Qt::FastTransformation);
  const QString path = QDir(g_out).filePath(name + QStringLiteral(".png"));
  if (!image.save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void Hover(QWidget* w) {
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QApplication::sendEvent(w, &enter);
}

void Buttons() {
  QWidget panel;
  auto* layout = new QHBoxLayout(&panel);
  QStyle* style = panel.style();
  const QStyle::StandardPixmap icons[] = {QStyle::SP_DialogSaveButton, QStyle::SP_ArrowBack,
                                          QStyle::SP_ArrowForward, QStyle::SP_DialogHelpButton,
                                          QStyle::SP_DialogCloseButton};
  for (auto icon : icons) {
    auto* b = new TVellButton(&panel);
    b->setIcon(style->standardIcon(icon));
    b->setFixedSize(35, 35);
    layout->addWidget(b);
  }
  auto* hovered = new TVellButton(&panel);
  hovered->setIcon(style->standardIcon(QStyle::SP_FileDialogDetailedView));
  hovered->setFixedSize(35, 35);
  layout->addWidget(hovered);
  auto* play = new TVellButton(QStringLiteral("&Play"), &panel);
  play->SetCanLatch(true);
  play->SetLatched(true);
  play->setText(QStringLiteral("Stop"));
  layout->addWidget(play);
  for (const char* axis : {"X", "Y", "Z"}) {
    auto* b = new TVellButton(QString::fromLatin1(axis), &panel);
    b->SetCanLatch(true);
    b->setFixedSize(26, 26);
    if (axis[0] == 'Y') b->SetLatched(true);
    layout->addWidget(b);
  }
  auto* disabled = new TVellButton(QStringLiteral("Gif"), &panel);
  disabled->setEnabled(false);
  layout->addWidget(disabled);
  panel.show();
  Hover(hovered);
  Save(panel, QStringLiteral("buttons"));
  Save(panel, QStringLiteral("buttons-x3"), 3);
}

TVirtualPropertyTree* MakeTree(QWidget* parent) {
  auto* tree = new TVirtualPropertyTree(parent);
  tree->setColumnWidth(0, 70);
  tree->OnFillComboList = [](TVirtualPropertyTree*, int, QStringList& items) {
    items << QStringLiteral("Motocross") << QStringLiteral("ATV") << QStringLiteral("Freestyle");
  };
  tree->OnFillCheckList = [](TVirtualPropertyTree*, int, QStringList& items) {
    items << QStringLiteral("Head") << QStringLiteral("Arms") << QStringLiteral("Legs");
  };
  auto* textures = tree->AddProperty({.Caption = QStringLiteral("Textures"), .Kind = TFieldKind::Group});
  for (int i = 0; i < 4; ++i) {
    const char* names[] = {"rider_body.dxt", "helmet.dxt", "bike_frame.dxt", "wheels.dxt"};
    tree->AddFileProperty(QString::number(i + 1), QString::fromLatin1(names[i]), true, textures, i);
  }
  tree->AddProperty({.Caption = QStringLiteral("Frames"),
                     .Kind = TFieldKind::Integer,
                     .Tag = 10,
                     .IntValue = 30,
                     .IntMin = 1,
                     .IntMax = 600});
  tree->AddProperty({.Caption = QStringLiteral("Name"),
                     .Kind = TFieldKind::String,
                     .Tag = 11,
                     .Text = QStringLiteral("nacnac")});
  tree->AddProperty({.Caption = QStringLiteral("Machine"),
                     .Kind = TFieldKind::List,
                     .Tag = 12,
                     .IntValue = 1,
                     .Text = QStringLiteral("ATV")});
  auto* colours = tree->AddProperty({.Caption = QStringLiteral("Colours"), .Kind = TFieldKind::Group});
  tree->AddProperty(
      {.Caption = QStringLiteral("Mud"), .Kind = TFieldKind::Color, .Tag = 13, .Color = 4610165}, colours);
  tree->AddProperty(
      {.Caption = QStringLiteral("Back"), .Kind = TFieldKind::Color, .Tag = 14, .Color = 8421520}, colours);
  tree->AddProperty({.Caption = QStringLiteral("Scale"),
                     .Kind = TFieldKind::Float,
                     .Tag = 15,
                     .FloatValue = 1.5f,
                     .FloatMin = 0.0f,
                     .FloatMax = 10.0f});
  tree->AddProperty(
      {.Caption = QStringLiteral("Lights"), .Kind = TFieldKind::Boolean, .Tag = 16, .BoolValue = true});
  tree->AddProperty({.Caption = QStringLiteral("Version"),
                     .Kind = TFieldKind::ReadOnly,
                     .Tag = 17,
                     .Text = QStringLiteral("v1.06")});
  TField parts{.Caption = QStringLiteral("Parts"), .Kind = TFieldKind::Flags, .Tag = 18};
  parts.Flags[0] = 255;
  parts.Flags[2] = 255;
  tree->AddProperty(parts);
  tree->AddFileProperty(QStringLiteral("Archive"), QStringLiteral("/games/mva/data/$dravo.pak"), false,
                        nullptr, 19);
  tree->expandAll();
  return tree;
}

void PropertyTree() {
  QWidget panel;
  panel.resize(260, 360);
  auto* layout = new QVBoxLayout(&panel);
  TVirtualPropertyTree* tree = MakeTree(&panel);
  layout->addWidget(tree);
  panel.show();
  QApplication::processEvents();
  tree->setCurrentItem(tree->FindRow(1));
  QApplication::processEvents();
  Save(panel, QStringLiteral("property-tree-image-row"));
  tree->setCurrentItem(tree->FindRow(13));
  QApplication::processEvents();
  Save(panel, QStringLiteral("property-tree-colour-row"));
  tree->setCurrentItem(tree->FindRow(12));
  QApplication::processEvents();
  Save(panel, QStringLiteral("property-tree-list-row"));
  tree->setCurrentItem(tree->FindRow(18));
  QApplication::processEvents();
  Save(panel, QStringLiteral("property-tree-flags-row"));
  tree->setCurrentItem(tree->FindRow(10));
  QApplication::processEvents();
  Save(panel, QStringLiteral("property-tree-integer-row"));
}

void SidePanel() {
  QWidget panel;
  panel.resize(230, 640);
  auto* layout = new QVBoxLayout(&panel);
  layout->setSpacing(4);
  auto* tricks = new TVellRollout(QStringLiteral(" Edit Tricks"), &panel);
  auto* form = new QFormLayout(tricks->Content());
  auto* fps = new TNumericEdit(QStringLiteral("FrameRateEdit"));
  fps->SetLimits(1, 100);
  fps->SetValue(15);
  form->addRow(QStringLiteral("FPS"), fps);
  auto* tweenAll = new QCheckBox(QStringLiteral("Tween all parts"));
  form->addRow(tweenAll);
  auto* row = new QHBoxLayout;
  for (const char* axis : {"X", "Y", "Z"}) {
    auto* b = new TVellButton(QString::fromLatin1(axis));
    b->SetCanLatch(true);
    b->setFixedSize(26, 26);
    row->addWidget(b);
  }
  form->addRow(QStringLiteral("Rotate"), row);
  auto* setup = new TVellRollout(QStringLiteral(" Setup"), &panel);
  auto* setupForm = new QFormLayout(setup->Content());
  auto* gif = new TNumericEdit(QStringLiteral("GIFSize"));
  gif->SetLimits(32, 256);
  gif->SetValue(128);
  setupForm->addRow(QStringLiteral("GIF size"), gif);
  auto* skins = new TVellRollout(QStringLiteral(" Skins"), &panel);
  skins->SetAlign(TVellRollout::TAlign::Client);
  auto* skinsLayout = new QVBoxLayout(skins->Content());
  skinsLayout->addWidget(MakeTree(skins->Content()));
  layout->addWidget(tricks);
  layout->addWidget(setup);
  layout->addWidget(skins);
  panel.show();
  QApplication::processEvents();
  Save(panel, QStringLiteral("side-panel-expanded"));
  setup->SetExpanded(false);
  tricks->SetExpanded(false);
  QApplication::processEvents();
  Save(panel, QStringLiteral("side-panel-collapsed"));
}

void TweenBars() {
  QWidget panel;
  panel.resize(600, 60);
  auto* layout = new QVBoxLayout(&panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new TTweenBar(&panel);
  bar->setFixedHeight(18);
  bar->SetColor(QColor(187, 187, 136));
  bar->SetMargin(7);
  bar->SetFrames(30);
  auto* long_bar = new TTweenBar(&panel);
  long_bar->setFixedHeight(18);
  long_bar->SetColor(QColor(187, 187, 136));
  long_bar->SetFrames(90);
  layout->addWidget(bar);
  layout->addWidget(long_bar);
  layout->addStretch(1);
  panel.show();
  QApplication::processEvents();
  const auto xs = bar->Logic().TickPositions();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(xs[4], 9), bar->mapToGlobal(QPointF(xs[4], 9)),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &press);
  QMouseEvent move(QEvent::MouseMove, QPointF(xs[11], 9), bar->mapToGlobal(QPointF(xs[11], 9)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(bar, &move);
  QApplication::processEvents();
  Save(panel, QStringLiteral("tween-bars"));
  Save(panel, QStringLiteral("tween-bars-x3"), 3);
  // The first frames of the dragged bar, six times as large.
  const QImage detail = bar->grab(QRect(0, 0, 200, 18)).toImage();
  detail.scaled(detail.size() * 6, Qt::IgnoreAspectRatio, Qt::FastTransformation)
      .save(QDir(g_out).filePath(QStringLiteral("tween-bar-detail.png")));
}

void MessageBoxes() {
  TKelMsg box;
  QTimer::singleShot(50, [&] {
    Save(box, QStringLiteral("message-question"));
    box.reject();
  });
  box.Ask(
      QStringLiteral("You have modified this trick do you want to save it before you load the next trick?"),
      QStringLiteral("Trick modified"), true);
  QTimer::singleShot(50, [&] {
    Save(box, QStringLiteral("message-notice"));
    box.accept();
  });
  box.Ask(QStringLiteral("The new resolution will take effect next time you start the editor"),
          QStringLiteral("Resolution changed"), false);
}

void PreviewDialog() {
  const QString dir = QDir(g_out).filePath(QStringLiteral("preview-sample"));
  QDir().mkpath(dir);
  QImage sample(128, 64, QImage::Format_RGB32);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 128; ++x)
      sample.setPixel(x, y, qRgb(x * 2, y * 4, 160));
  const QString file = QDir(dir).filePath(QStringLiteral("skin.png"));
  sample.save(file);
  TPicturePreviewDialog dialog(
      nullptr, QStringLiteral("Open picture"), file,
      TVirtualPropertyTree::ToQtFilter(QStringLiteral("Images|*.png;*.bmp|All files|*.*")), nullptr);
  dialog.resize(760, 420);
  dialog.show();
  QApplication::processEvents();
  dialog.ShowPreview(file);
  QApplication::processEvents();
  Save(dialog, QStringLiteral("picture-dialog"));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: widgets_gallery OUTDIR\n");
    return 2;
  }
  g_out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(g_out);
  Buttons();
  PropertyTree();
  SidePanel();
  TweenBars();
  MessageBoxes();
  PreviewDialog();
  return 0;
}
