#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>

#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"

namespace glimbrik {

namespace {
// The size-preset pop-up's built-in items; "-" marks the items without a size.
const char* const kSizeTitles[19] = {"Custom",
                                     "-",
                                     "320 x 240",
                                     "640 x 480",
                                     "800 x 600",
                                     "1024 x 768",
                                     "1280 x 1024",
                                     "-",
                                     "HD 720p",
                                     "HD 1080p",
                                     "-",
                                     "960 x 960",
                                     "2048 x 2048",
                                     "Square 612 (fit)",
                                     "Square 612 (fill)",
                                     "Portrait 1280 x 1920",
                                     "Banner 440 x 220",
                                     "Width 1024",
                                     "-"};
const char* const kScaleTitles[7] = {"By width", "By height", "Fit inside",   "Crop",
                                     "Stretch",  "Fill",      "Fill and crop"};
const char* const kUnitTitles[6] = {"percent", "pixels", "inches", "cm", "mm", "points"};

// One stroke of the bracket that ties the width and height fields to the lock between them.
class LockLine : public QFrame {
 public:
  enum Shape { kDownFromField, kUpFromField, kAcross };
  explicit LockLine(Shape shape) : shape_(shape) { setMinimumSize(12, 12); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Dark), 1.0));
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const QPointF left(r.left(), r.center().y());
    const QPointF middle = r.center();
    switch (shape_) {
      case kDownFromField:
        painter.drawPolyline(QPolygonF{left, middle, QPointF(middle.x(), r.bottom())});
        break;
      case kUpFromField:
        painter.drawPolyline(QPolygonF{left, middle, QPointF(middle.x(), r.top())});
        break;
      case kAcross:
        painter.drawLine(left, QPointF(r.right(), middle.y()));
        break;
    }
  }

 private:
  Shape shape_;
};

QFrame* NewLockLine(const char* name, LockLine::Shape shape) {
  return Named(new LockLine(shape), name);
}
}  // namespace

void BuildResizePanels(OptionPanels& p, QWidget* holder) {
  p.ResizeView1 = NewPanelView("ResizeView1", holder);
  auto* top = new QGridLayout(p.ResizeView1);
  p.imageDimentionsLabel = NewLabel("imageDimentionsLabel", QStringLiteral("Size:"));
  p.imageDimentionsPopupOutlet = Named(new QComboBox, "imageDimentionsPopupOutlet");
  // Items without a size are separators, so that the items keep their indexes.
  for (const char* title : kSizeTitles) {
    QComboBox* popup = p.imageDimentionsPopupOutlet;
    if (title[0] == '-') {
      popup->insertSeparator(popup->count());
    } else {
      popup->addItem(QString::fromLatin1(title));
    }
  }
  p.savePresetButton = Named(new QPushButton(QStringLiteral("Save")), "savePresetButton");
  p.scaleProprtionallyLabel = NewLabel("scaleProprtionallyLabel", QStringLiteral("Scale:"));
  p.scaleProprtionallyPopupOutlet = Named(new QComboBox, "scaleProprtionallyPopupOutlet");
  for (int tag = 0; tag < 7; ++tag) {
    AddTaggedItem(p.scaleProprtionallyPopupOutlet, QString::fromLatin1(kScaleTitles[tag]), tag);
  }
  top->addWidget(p.imageDimentionsLabel, 0, 0);
  top->addWidget(p.imageDimentionsPopupOutlet, 0, 1);
  top->addWidget(p.savePresetButton, 0, 2);
  top->addWidget(p.scaleProprtionallyLabel, 1, 0);
  top->addWidget(p.scaleProprtionallyPopupOutlet, 1, 1, 1, 2);

  p.ResizeView2 = NewPanelView("ResizeView2", holder);
  auto* sizes = new QGridLayout(p.ResizeView2);
  p.widthLabel = NewLabel("widthLabel", QStringLiteral("Width:"));
  p.heightLabel = NewLabel("heightLabel", QStringLiteral("Height:"));
  p.widthTextField = Named(new NumberField(NumberFieldKind::Number), "widthTextField");
  p.heightTextField = Named(new NumberField(NumberFieldKind::Number), "heightTextField");
  p.sizeFormatTypePopupButton = Named(new QComboBox, "sizeFormatTypePopupButton");
  for (int tag = 1; tag <= 6; ++tag) {
    AddTaggedItem(p.sizeFormatTypePopupButton, QString::fromLatin1(kUnitTitles[tag - 1]), tag);
  }
  p.sizeFormatTypePercentItem = 0;
  p.lockLinesBoxes = {NewLockLine("lockLinesBox1", LockLine::kDownFromField),
                      NewLockLine("lockLinesBox2", LockLine::kUpFromField),
                      NewLockLine("lockLinesBox3", LockLine::kAcross)};
  p.lockUnlockImageView = NewLabel("lockUnlockImageView", QString());
  sizes->addWidget(p.widthLabel, 0, 0);
  sizes->addWidget(p.widthTextField, 0, 1);
  sizes->addWidget(p.lockLinesBoxes[0], 0, 2);
  sizes->addWidget(p.lockUnlockImageView, 1, 2);
  sizes->addWidget(p.lockLinesBoxes[1], 2, 2);
  sizes->addWidget(p.lockLinesBoxes[2], 1, 3);
  sizes->addWidget(p.heightLabel, 2, 0);
  sizes->addWidget(p.heightTextField, 2, 1);
  sizes->addWidget(p.sizeFormatTypePopupButton, 1, 4);

  p.ResizeView3 = NewPanelView("ResizeView3", holder);
  auto* extra = new QGridLayout(p.ResizeView3);
  p.upsampleImageCheckButton =
      Named(new QCheckBox(QStringLiteral("Allow enlarging")), "upsampleImageCheckButton");
  p.sharpenImageCheckButton =
      Named(new QCheckBox(QStringLiteral("Sharpen")), "sharpenImageCheckButton");
  p.resolutionCheckBox = Named(new QCheckBox(QStringLiteral("Resolution")), "resolutionCheckBox");
  p.resolutionComboBoxOutlet = Named(new QComboBox, "resolutionComboBoxOutlet");
  Named(NumberField::InstallInComboBox(p.resolutionComboBoxOutlet, NumberFieldKind::Resolution),
        "resolutionNumberField");
  p.resolutionComboBoxOutlet->addItems({QStringLiteral("72"), QStringLiteral("96"),
                                        QStringLiteral("150"), QStringLiteral("300"),
                                        QStringLiteral("600")});
  p.resolutionStaticText = NewLabel("resolutionStaticText", QStringLiteral("dpi"));
  p.backgroundColorFitToRectCheckBox =
      Named(new QCheckBox(QStringLiteral("Background")), "backgroundColorFitToRectCheckBox");
  p.backgroundColorFitToRectColorWellOutlet =
      Named(new ColorWell(Qt::white), "backgroundColorFitToRectColorWellOutlet");
  p.backgroundColorFitToRectColorWellOutlet->setFixedSize(40, 22);
  p.resultStaticText = NewLabel("resultStaticText", QStringLiteral("Result:"));
  p.resultStringStaticText = Named(new QPushButton(QStringLiteral("-")), "resultStringStaticText");
  p.resultStringStaticText->setFlat(true);
  extra->addWidget(p.upsampleImageCheckButton, 0, 0);
  extra->addWidget(p.sharpenImageCheckButton, 0, 1, 1, 2);
  extra->addWidget(p.resolutionCheckBox, 1, 0);
  extra->addWidget(p.resolutionComboBoxOutlet, 1, 1);
  extra->addWidget(p.resolutionStaticText, 1, 2);
  extra->addWidget(p.backgroundColorFitToRectCheckBox, 2, 0);
  extra->addWidget(p.backgroundColorFitToRectColorWellOutlet, 2, 1);
  extra->addWidget(p.resultStaticText, 3, 0);
  extra->addWidget(p.resultStringStaticText, 3, 1, 1, 2);
}

}  // namespace glimbrik
