#include "app/panels/image_watermark_panel.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalBlocker>
#include <cmath>

#include "app/delegate/app_delegate.h"
#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "app/window/custom_alert.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {

constexpr int kMaxPercent = 100;
constexpr int kMinSizePercent = 5;
constexpr int kMaxAngle = 359;
constexpr double kMaxOffsetPercent = 100.0;

NumberField* Field(NumberFieldKind kind, const char* name) {
  auto* field = Named(new NumberField(kind), name);
  field->setFixedWidth(52);
  field->setAlignment(Qt::AlignRight);
  return field;
}

// The field beside a stepper holds the number; the stepper only steps it.
ValueStepper* Stepper(const char* name, double minimum, double maximum) {
  return Named(new ValueStepper(minimum, maximum, 1.0), name);
}

void SetQuietly(ValueStepper* stepper, double value) { stepper->setDoubleValue(value); }

// Whole percent of a fraction kept in single precision, truncated toward zero as shown.
int TruncatedPercent(double fraction) { return static_cast<int>(fraction * 100.0); }

// The picture files a well or the dialog accepts: the bundle's list of extensions.
QStringList ImageTypeExtensions() {
  QStringList extensions;
  const PlistResult types = ReadBundlePlist(QStringLiteral("ImageTypes"));
  if (types.ok()) {
    for (const QVariant& type : types.value.toList()) extensions << type.toString().toLower();
  }
  return extensions;
}

}  // namespace

// --- The well.

WatermarkImageWell::WatermarkImageWell(QWidget* parent) : QLabel(parent) {
  setAcceptDrops(true);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  setAlignment(Qt::AlignCenter);
  setFixedSize(72, 72);
}

void WatermarkImageWell::showImage(const QImage& image) {
  if (image.isNull()) {
    clear();
    return;
  }
  setPixmap(QPixmap::fromImage(
      image.scaled(size() - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void WatermarkImageWell::dragEnterEvent(QDragEnterEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (isEnabled() && urls.size() == 1 && urls.first().isLocalFile()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void WatermarkImageWell::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  if (!isEnabled() || urls.size() != 1 || !urls.first().isLocalFile()) return event->ignore();
  event->acceptProposedAction();
  emit fileDropped(urls.first().toLocalFile());
}

// --- The panel.

ImageWatermarkPanel::ImageWatermarkPanel(AppDelegate& delegate, WatermarkView& view,
                                         OptionPanels& panels)
    : QObject(&delegate), delegate_(delegate), view_(view) {
  setObjectName(QStringLiteral("imageWatermarkPanel"));
  showAlert = [this](const QString& title, const QString& message) {
    ShowCustomAlert(title, message, LocalizedString("OkButtonString"), QString(), QString(),
                    delegate_.window());
  };
  build(panels);
  connectControls();
  view_.controls.assignImageValues = [this](const ImageWatermarkValues& values) {
    AssignImageWaterMarkValuesToControl(values);
  };
  view_.controls.showImagePlacement = [this] {
    const QSignalBlocker blocker(imagePositionRadioButtonmatrixOutlet);
    if (QAbstractButton* cell =
            imagePositionRadioButtonmatrixOutlet->button(view_.model().imagePosition())) {
      cell->setChecked(true);
    }
    setImageWatermarkOffsetControls();
  };
  AssignImageWaterMarkValuesToControl(view_.model().imageValues());
}

void ImageWatermarkPanel::build(OptionPanels& panels) {
  // A full sidebar scrolls rather than squeezing the rows into each other.
  for (QWidget* frame : {panels.ImageWatermarkView1, panels.ImageWatermarkView2})
    frame->layout()->setSizeConstraint(QLayout::SetMinimumSize);
  auto* top = new QGridLayout;
  top->setHorizontalSpacing(6);
  static_cast<QBoxLayout*>(panels.ImageWatermarkView1->layout())->addLayout(top);
  WaterMarkImageView = Named(new WatermarkImageWell, "WaterMarkImageView");
  AddButtonOutlet = Named(new QPushButton(QStringLiteral("Choose…")), "AddButtonOutlet");
  auto* well = new QHBoxLayout;
  well->addWidget(WaterMarkImageView);
  well->addWidget(AddButtonOutlet, 0, Qt::AlignBottom);
  well->addStretch(1);
  top->addLayout(well, 0, 0, 1, 4);

  const auto percentRow = [&](int row, const char* label, const QString& title, QLabel** text,
                              DoubleSlider** slider, const char* sliderName, double minimum,
                              NumberField** field, const char* fieldName, ValueStepper** stepper,
                              const char* stepperName, int stepperMinimum) {
    *text = NewLabel(label, title);
    *slider = Named(new DoubleSlider(minimum, 1.0), sliderName);
    *field = Field(NumberFieldKind::ShadowBlur, fieldName);
    *stepper = Stepper(stepperName, stepperMinimum, kMaxPercent);
    top->addWidget(*text, row, 0, Qt::AlignRight);
    top->addWidget(*slider, row, 1);
    top->addWidget(*field, row, 2);
    auto* unit = new QHBoxLayout;
    unit->addWidget(*stepper);
    unit->addWidget(new QLabel(QStringLiteral("%")));
    top->addLayout(unit, row, 3);
  };
  percentRow(1, "WatermarkImageOpacityTextLabel", QStringLiteral("Opacity:"),
             &WatermarkImageOpacityTextLabel, &WatermarkImageOpacitySliderOutlet,
             "WatermarkImageOpacitySliderOutlet", 0.0, &WatermarkImageOpacityTextFieldOutlet,
             "WatermarkImageOpacityTextFieldOutlet", &WatermarkImageOpacityStepperOutlet,
             "WatermarkImageOpacityStepperOutlet", 0);
  percentRow(2, "WatermarkImageSizeTextLabel", QStringLiteral("Size:"),
             &WatermarkImageSizeTextLabel, &WatermarkImageSizeSliderOutlet,
             "WatermarkImageSizeSliderOutlet", 0.05, &WatermarkImageSizeTextFieldOutlet,
             "WatermarkImageSizeTextFieldOutlet", &WatermarkImageSizeStepperOutlet,
             "WatermarkImageSizeStepperOutlet", kMinSizePercent);

  auto* grid = new QGridLayout;
  grid->setHorizontalSpacing(6);
  static_cast<QBoxLayout*>(panels.ImageWatermarkView2->layout())->addLayout(grid);
  imageAngleLabelOutlet = NewLabel("imageAngleLabelOutlet", QStringLiteral("Angle:"));
  imageAngleSliderOutlet = Named(new QVXCircularSlider, "imageAngleSliderOutlet");
  imageAngleTextFieldOutlet = Field(NumberFieldKind::RotationAngle, "imageAngleTextFieldOutlet");
  imageAngleStepperOutlet = Stepper("imageAngleStepperOutlet", 0, kMaxAngle);
  auto* angle = new QHBoxLayout;
  angle->addWidget(imageAngleSliderOutlet);
  angle->addWidget(imageAngleTextFieldOutlet);
  angle->addWidget(imageAngleStepperOutlet, 0, Qt::AlignVCenter);
  angle->addWidget(new QLabel(QStringLiteral("°")));
  angle->addStretch(1);
  grid->addWidget(imageAngleLabelOutlet, 0, 0, Qt::AlignRight);
  grid->addLayout(angle, 0, 1, 1, 2);

  imagePositionLabelOutlet = NewLabel("imagePositionLabelOutlet", QStringLiteral("Position:"));
  imagePositionRadioButtonmatrixOutlet = new QButtonGroup(panels.ImageWatermarkView2);
  imagePositionRadioButtonmatrixOutlet->setObjectName(
      QStringLiteral("imagePositionRadioButtonmatrixOutlet"));
  auto* matrix = new QGridLayout;
  matrix->setSpacing(2);
  for (int tag = 0; tag < 9; ++tag) {
    auto* cell = new QRadioButton;
    cell->setObjectName(QStringLiteral("imagePositionCell%1").arg(tag));
    imagePositionRadioButtonmatrixOutlet->addButton(cell, tag);
    matrix->addWidget(cell, tag / 3, tag % 3);  // row 0 at the top, as the tags run
  }
  grid->addWidget(imagePositionLabelOutlet, 1, 0, Qt::AlignRight | Qt::AlignTop);
  grid->addLayout(matrix, 1, 1, Qt::AlignLeft);

  const auto offsetRow = [&](int row, const char* label, const QString& title, QLabel** text,
                             NumberField** field, const char* fieldName, ValueStepper** stepper,
                             const char* stepperName, QLabel** percent, const char* percentName) {
    *text = NewLabel(label, title);
    *field = Field(NumberFieldKind::WatermarkOffset, fieldName);
    *stepper = Stepper(stepperName, -kMaxOffsetPercent, kMaxOffsetPercent);
    *percent = NewLabel(percentName, QStringLiteral("%"));
    auto* line = new QHBoxLayout;
    line->addWidget(*field);
    line->addWidget(*stepper);
    line->addWidget(*percent);
    line->addStretch(1);
    grid->addWidget(*text, row, 0, Qt::AlignRight);
    grid->addLayout(line, row, 1, 1, 2);
  };
  offsetRow(2, "xImageWatermarkOffsetLabel", QStringLiteral("X offset:"),
            &xImageWatermarkOffsetLabel, &xImageWatermarkOffsetTextFieldOutlet,
            "xImageWatermarkOffsetTextFieldOutlet", &xImageWatermarkOffsetStepperOutlet,
            "xImageWatermarkOffsetStepperOutlet", &xImageWatermarkOffsetPercentLabel,
            "xImageWatermarkOffsetPercentLabel");
  offsetRow(3, "yImageWatermarkOffsetLabel", QStringLiteral("Y offset:"),
            &yImageWatermarkOffsetLabel, &yImageWatermarkOffsetTextFieldOutlet,
            "yImageWatermarkOffsetTextFieldOutlet", &yImageWatermarkOffsetStepperOutlet,
            "yImageWatermarkOffsetStepperOutlet", &yImageWatermarkOffsetPercentLabel,
            "yImageWatermarkOffsetPercentLabel");
}

void ImageWatermarkPanel::connectControls() {
  connect(AddButtonOutlet, &QPushButton::clicked, this, [this] { AddWatermarkImage(); });
  connect(WaterMarkImageView, &WatermarkImageWell::fileDropped, this,
          [this](const QString& path) { AddWatermarkImagePanelHandler(path, WaterMarkImageView); });
  connect(WatermarkImageOpacitySliderOutlet, &DoubleSlider::doubleValueChanged, this,
          [this] { takeWatermarkImageOpacityFrom(WatermarkImageOpacitySliderOutlet); });
  connect(WatermarkImageSizeSliderOutlet, &DoubleSlider::doubleValueChanged, this,
          [this] { takeWatermarkImageSizeFrom(WatermarkImageSizeSliderOutlet); });
  connect(imageAngleSliderOutlet, &QAbstractSlider::valueChanged, this,
          [this] { takeImageAngleFrom(imageAngleSliderOutlet); });
  connect(WatermarkImageOpacityStepperOutlet, &ValueStepper::valueChanged, this,
          [this] { WatermarkImageOpacityStepperControlDidChange(); });
  connect(WatermarkImageSizeStepperOutlet, &ValueStepper::valueChanged, this,
          [this] { WatermarkImageSizeStepperControlDidChange(); });
  connect(imageAngleStepperOutlet, &ValueStepper::valueChanged, this,
          [this] { ImageAngleStepperControlDidChange(); });
  connect(xImageWatermarkOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          [this] { xImageWatermarkOffsetStepperControlDidChange(); });
  connect(yImageWatermarkOffsetStepperOutlet, &ValueStepper::valueChanged, this,
          [this] { yImageWatermarkOffsetStepperControlDidChange(); });
  connect(imagePositionRadioButtonmatrixOutlet, &QButtonGroup::idClicked, this, [this](int tag) {
    imagePositionRadioButtonMatrixAction(tag, imagePositionRadioButtonmatrixOutlet);
  });
  for (NumberField* field :
       {WatermarkImageOpacityTextFieldOutlet, WatermarkImageSizeTextFieldOutlet,
        imageAngleTextFieldOutlet, xImageWatermarkOffsetTextFieldOutlet,
        yImageWatermarkOffsetTextFieldOutlet}) {
    connect(field, &NumberField::textDidChange, this,
            [this, field] { controlTextDidChange(field); });
    connect(field, &NumberField::textDidEndEditing, this,
            [this, field] { controlTextDidChange(field, true); });
  }
}

void ImageWatermarkPanel::changed(QObject* sender) {
  if (!sender) return;
  view_.update();
  delegate_.changeGlobalPresetOption(sender);
}

// --- Switch and picture.

void ImageWatermarkPanel::ImageWatermarkOnOffAction(bool on) {
  view_.ImageWatermarkOnOffAction(on);
  EnableDisableWatermarkImageControls(on);
}

void ImageWatermarkPanel::EnableDisableWatermarkImageControls(bool on) {
  for (QWidget* control : std::initializer_list<QWidget*>{
           WaterMarkImageView, AddButtonOutlet, WatermarkImageSizeSliderOutlet,
           WatermarkImageSizeTextFieldOutlet, WatermarkImageSizeStepperOutlet,
           WatermarkImageOpacitySliderOutlet, WatermarkImageOpacityTextFieldOutlet,
           WatermarkImageOpacityStepperOutlet, imageAngleSliderOutlet, imageAngleStepperOutlet,
           imageAngleTextFieldOutlet, xImageWatermarkOffsetTextFieldOutlet,
           xImageWatermarkOffsetStepperOutlet, yImageWatermarkOffsetTextFieldOutlet,
           yImageWatermarkOffsetStepperOutlet}) {
    control->setEnabled(on);
  }
  for (QAbstractButton* cell : imagePositionRadioButtonmatrixOutlet->buttons())
    cell->setEnabled(on);
  for (QLabel* label :
       {WatermarkImageSizeTextLabel, WatermarkImageOpacityTextLabel, imageAngleLabelOutlet,
        imagePositionLabelOutlet, xImageWatermarkOffsetLabel, yImageWatermarkOffsetLabel,
        xImageWatermarkOffsetPercentLabel, yImageWatermarkOffsetPercentLabel}) {
    SetLabelEnabled(label, on);
  }
}

void ImageWatermarkPanel::AddWatermarkImage() {
  auto* dialog =
      new QFileDialog(delegate_.window(), LocalizedString("OpenWatermarkImageDialogTitle"));
  dialog->setObjectName(QStringLiteral("watermarkImagePanel"));
  dialog->setOption(QFileDialog::DontUseNativeDialog);
  dialog->setFileMode(QFileDialog::ExistingFile);
  dialog->setLabelText(QFileDialog::Accept, LocalizedString("SetImageDialogButton"));
  QStringList patterns;
  // The file system tells case apart: "PHOTO.JPG" is offered as well.
  for (const QString& extension : ImageTypeExtensions())
    patterns << "*." + extension << "*." + extension.toUpper();
  if (!patterns.isEmpty()) dialog->setNameFilter(patterns.join(QLatin1Char(' ')));
  dialog->setWindowModality(Qt::WindowModal);
  connect(dialog, &QFileDialog::finished, this, [this, dialog](int result) {
    const QString chosen = dialog->selectedFiles().value(0);
    dialog->deleteLater();
    if (result == QDialog::Accepted && !chosen.isEmpty())
      AddWatermarkImagePanelHandler(chosen, WaterMarkImageView);
  });
  dialog->open();
}

void ImageWatermarkPanel::AddWatermarkImagePanelHandler(const QString& path, QObject* sender) {
  const QString error = view_.SetWatermarkImageFromFile(path);
  if (!error.isEmpty()) {
    if (showAlert) {
      showAlert(
          LocalizedString("WatermarkImageNotSetTitle"),
          LocalizedString("WatermarkImageNotSetMessage").arg(QFileInfo(path).fileName(), error));
    }
    return;
  }
  WaterMarkImageView->showImage(view_.model().image());
  changed(sender);
}

// --- Opacity and size: the slider holds the fraction, field and stepper whole percent.

void ImageWatermarkPanel::takeWatermarkImageOpacityFrom(QObject* sender) {
  const double opacity =
      static_cast<double>(static_cast<float>(WatermarkImageOpacitySliderOutlet->doubleValue()));
  view_.model().setWatermarkImageOpacity(opacity);
  WatermarkImageOpacityTextFieldOutlet->setText(QString::number(TruncatedPercent(opacity)));
  SetQuietly(WatermarkImageOpacityStepperOutlet, TruncatedPercent(opacity));
  changed(sender);
}

void ImageWatermarkPanel::WatermarkImageOpacityStepperControlDidChange() {
  const int value = static_cast<int>(WatermarkImageOpacityStepperOutlet->integerValue());
  WatermarkImageOpacityTextFieldOutlet->setText(QString::number(value));
  WatermarkImageOpacitySliderOutlet->setDoubleValue(value / 100.0);
  view_.setWatermarkImageOpacityValue(WatermarkImageOpacitySliderOutlet->doubleValue());
  changed(WatermarkImageOpacityStepperOutlet);
}

void ImageWatermarkPanel::takeWatermarkImageSizeFrom(QObject* sender) {
  const double size =
      static_cast<double>(static_cast<float>(WatermarkImageSizeSliderOutlet->doubleValue()));
  view_.model().setWatermarkImageSizePrecentage(size);
  WatermarkImageSizeTextFieldOutlet->setText(QString::number(TruncatedPercent(size)));
  SetQuietly(WatermarkImageSizeStepperOutlet, TruncatedPercent(size));
  changed(sender);
}

void ImageWatermarkPanel::WatermarkImageSizeStepperControlDidChange() {
  const int value = static_cast<int>(WatermarkImageSizeStepperOutlet->integerValue());
  WatermarkImageSizeTextFieldOutlet->setText(QString::number(value));
  WatermarkImageSizeSliderOutlet->setDoubleValue(value / 100.0);
  view_.setWatermarkImageSizeValue(WatermarkImageSizeSliderOutlet->doubleValue());
  changed(WatermarkImageSizeStepperOutlet);
}

// --- Angle: degrees everywhere, the dial through its angle calls.

void ImageWatermarkPanel::takeImageAngleFrom(QObject* sender) {
  const int angle = imageAngleSliderOutlet->getAngleValue();
  view_.model().setImageRotationAngle(angle);
  imageAngleTextFieldOutlet->setText(QString::number(angle));
  SetQuietly(imageAngleStepperOutlet, angle);
  changed(sender);
}

void ImageWatermarkPanel::ImageAngleStepperControlDidChange() {
  const int angle = static_cast<int>(imageAngleStepperOutlet->integerValue());
  imageAngleTextFieldOutlet->setText(QString::number(angle));
  {
    const QSignalBlocker blocker(imageAngleSliderOutlet);
    imageAngleSliderOutlet->setAngleValue(angle);
  }
  view_.setImageAngleValue(angle);
  changed(imageAngleStepperOutlet);
}

// --- Position and offset.

void ImageWatermarkPanel::imagePositionRadioButtonMatrixAction(int tag, QObject* sender) {
  view_.setImagePositionValue(tag);
  setImageWatermarkOffsetControls();
  changed(sender);
}

void ImageWatermarkPanel::setImageWatermarkOffsetControls() {
  const QPointF percent = view_.imageWatermarkOffsetPercent();
  xImageWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(percent.x()));
  yImageWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(percent.y()));
  SetQuietly(xImageWatermarkOffsetStepperOutlet, percent.x());
  SetQuietly(yImageWatermarkOffsetStepperOutlet, percent.y());
}

void ImageWatermarkPanel::xImageWatermarkOffsetStepperControlDidChange() {
  const double value = xImageWatermarkOffsetStepperOutlet->doubleValue();
  xImageWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(value));
  view_.setImageWatermarkXOffset(value);
  changed(xImageWatermarkOffsetStepperOutlet);
}

void ImageWatermarkPanel::yImageWatermarkOffsetStepperControlDidChange() {
  const double value = yImageWatermarkOffsetStepperOutlet->doubleValue();
  yImageWatermarkOffsetTextFieldOutlet->setText(WatermarkOffsetText(value));
  view_.setImageWatermarkYOffset(value);
  changed(yImageWatermarkOffsetStepperOutlet);
}

// --- Typed numbers.

void ImageWatermarkPanel::percentFieldDidChange(NumberField* field, ValueStepper* stepper,
                                                DoubleSlider* slider, int minimum,
                                                void (WatermarkView::*setter)(double), bool ended) {
  const int64_t typed = field->integerValue();
  if (typed <= kMaxPercent) {
    const int value = static_cast<int>(std::max<int64_t>(typed, minimum));
    // Raised to the lowest allowed value; the text is put right when the edit ends, so that a
    // "3" on the way to "30" stays.
    if (value != typed && ended) field->setText(QString::number(value));
    SetQuietly(stepper, value);
    slider->setDoubleValue(value / 100.0);
    (view_.*setter)(value / 100.0);
  } else {
    field->setText(QString::number(stepper->integerValue()));
    slider->setDoubleValue(stepper->doubleValue() / 100.0);
    (view_.*setter)(slider->doubleValue());
  }
  delegate_.changeGlobalPresetOption(field);
}

void ImageWatermarkPanel::offsetFieldDidChange(NumberField* field, ValueStepper* stepper,
                                               void (WatermarkView::*setter)(double)) {
  double value = field->doubleValue();
  if (value <= kMaxOffsetPercent) {
    SetQuietly(stepper, value);
  } else {
    value = stepper->doubleValue();
    field->setText(WatermarkOffsetText(value));
  }
  (view_.*setter)(value);
}

void ImageWatermarkPanel::controlTextDidChange(NumberField* field, bool ended) {
  if (!field || field->text().isEmpty()) return;
  if (field == WatermarkImageOpacityTextFieldOutlet) {
    percentFieldDidChange(field, WatermarkImageOpacityStepperOutlet,
                          WatermarkImageOpacitySliderOutlet, 0,
                          &WatermarkView::setWatermarkImageOpacityValue, ended);
  } else if (field == WatermarkImageSizeTextFieldOutlet) {
    percentFieldDidChange(field, WatermarkImageSizeStepperOutlet, WatermarkImageSizeSliderOutlet,
                          kMinSizePercent, &WatermarkView::setWatermarkImageSizeValue, ended);
  } else if (field == imageAngleTextFieldOutlet) {
    const int64_t typed = field->integerValue();
    if (typed <= kMaxAngle) {
      const int angle = static_cast<int>(typed);
      {
        const QSignalBlocker blocker(imageAngleSliderOutlet);
        imageAngleSliderOutlet->setAngleValue(angle);
      }
      SetQuietly(imageAngleStepperOutlet, angle);
      view_.setImageAngleValue(angle);
    } else {
      const int angle = imageAngleSliderOutlet->getAngleValue();
      field->setText(QString::number(angle));
      SetQuietly(imageAngleStepperOutlet, angle);
      view_.setImageAngleValue(angle);
    }
    delegate_.changeGlobalPresetOption(field);
  } else if (field == xImageWatermarkOffsetTextFieldOutlet) {
    offsetFieldDidChange(field, xImageWatermarkOffsetStepperOutlet,
                         &WatermarkView::setImageWatermarkXOffset);
  } else if (field == yImageWatermarkOffsetTextFieldOutlet) {
    offsetFieldDidChange(field, yImageWatermarkOffsetStepperOutlet,
                         &WatermarkView::setImageWatermarkYOffset);
  }
}

void ImageWatermarkPanel::AssignImageWaterMarkValuesToControl(const ImageWatermarkValues& v) {
  const auto nearest = [](double fraction) {
    return static_cast<int>(std::lround(fraction * 100));
  };
  WatermarkImageOpacitySliderOutlet->setDoubleValue(v.watermarkImageOpacity);
  WatermarkImageOpacityTextFieldOutlet->setText(QString::number(nearest(v.watermarkImageOpacity)));
  SetQuietly(WatermarkImageOpacityStepperOutlet, nearest(v.watermarkImageOpacity));
  WatermarkImageSizeSliderOutlet->setDoubleValue(v.watermarkImageSizePrecentage);
  WatermarkImageSizeTextFieldOutlet->setText(
      QString::number(nearest(v.watermarkImageSizePrecentage)));
  SetQuietly(WatermarkImageSizeStepperOutlet, nearest(v.watermarkImageSizePrecentage));
  const int angle = static_cast<int>(v.imageRotationAngle);
  imageAngleTextFieldOutlet->setText(QString::number(angle));
  {
    const QSignalBlocker blocker(imageAngleSliderOutlet);
    imageAngleSliderOutlet->setAngleValue(angle);
  }
  SetQuietly(imageAngleStepperOutlet, angle);
  {
    const QSignalBlocker blocker(imagePositionRadioButtonmatrixOutlet);
    if (QAbstractButton* cell = imagePositionRadioButtonmatrixOutlet->button(v.imagePosition))
      cell->setChecked(true);
  }
  setImageWatermarkOffsetControls();
  WaterMarkImageView->showImage(v.image);
}

}  // namespace glimbrik
