#include <QGridLayout>
#include <QHBoxLayout>
#include <QStandardItemModel>
#include <QVBoxLayout>

#include "app/panels/option_panels.h"
#include "app/panels/panel_widgets.h"
#include "engine/convert/image_converter.h"
#include "platform/store/localization.h"

namespace glimbrik {

namespace {
// Titles of the output types by index; index 0 keeps the source's own type.
const char* const kOutputTypeTitles[25] = {"Same as original",
                                           "Photoshop",
                                           "GIF",
                                           "JPEG 2000",
                                           "JPEG",
                                           "OpenEXR",
                                           "Apple icon",
                                           "PNG",
                                           "PDF",
                                           "TGA",
                                           "TIFF",
                                           "BMP",
                                           "SGI",
                                           "TIFF (CMYK)",
                                           "PICT",
                                           "Illustrator",
                                           "MacPaint",
                                           "QuickTime image",
                                           "Windows icon",
                                           "X bitmap",
                                           "FlashPix",
                                           "Fax",
                                           "Camera raw",
                                           "Multi-page TIFF",
                                           "WebP"};
}  // namespace

void BuildConversionPanels(OptionPanels& p, QWidget* holder) {
  p.ConversionView1 = NewPanelView("ConversionView1", holder);
  auto* grid = new QGridLayout(p.ConversionView1);
  p.destImageTypeStaticText = NewLabel("destImageTypeStaticText", QStringLiteral("Format:"));
  p.destImageTypePopUpButton = Named(new QComboBox, "destImageTypePopUpButton");
  auto* types = qobject_cast<QStandardItemModel*>(p.destImageTypePopUpButton->model());
  for (int tag = 0; tag < 25; ++tag) {
    AddTaggedItem(p.destImageTypePopUpButton, QString::fromLatin1(kOutputTypeTitles[tag]), tag);
    // Offered, so a stored preset naming one still shows it, but not to be chosen.
    if (!CanWriteOutputType(tag) && types) {
      QStandardItem* item = types->item(tag);
      item->setEnabled(false);
      item->setToolTip(LocalizedString("CannotWriteFormatToolTip"));
    }
  }
  grid->addWidget(p.destImageTypeStaticText, 0, 0);
  grid->addWidget(p.destImageTypePopUpButton, 0, 1, 1, 3);

  p.imageQualityLabels = {NewLabel("imageQualityStaticText", QStringLiteral("Quality:")),
                          NewLabel("imageQualityMinStaticText", QStringLiteral("Low")),
                          NewLabel("imageQualityMaxStaticText", QStringLiteral("High")),
                          NewLabel("imageQualityPercentStaticText", QStringLiteral("%"))};
  p.imageQualitySlider = Named(new DoubleSlider(0.0, 1.0), "imageQualitySlider");
  p.imageQualityEditFieldOutlet =
      Named(new NumberField(NumberFieldKind::ShadowBlur), "imageQualityEditFieldOutlet");
  p.imageQualityEditFieldOutlet->setMaximumWidth(48);
  p.imageQualityStepper = Named(new QSpinBox, "imageQualityStepper");
  p.imageQualityStepper->setRange(0, 100);
  p.imageQualityStepper->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
  p.imageQualityStepper->setMaximumWidth(20);
  grid->addWidget(p.imageQualityLabels[0], 1, 0);
  grid->addWidget(p.imageQualitySlider, 1, 1);
  grid->addWidget(p.imageQualityEditFieldOutlet, 1, 2);
  auto* percent = new QHBoxLayout;
  percent->addWidget(p.imageQualityLabels[3]);
  percent->addWidget(p.imageQualityStepper);
  grid->addLayout(percent, 1, 3);
  auto* ends = new QHBoxLayout;
  ends->addWidget(p.imageQualityLabels[1]);
  ends->addStretch(1);
  ends->addWidget(p.imageQualityLabels[2]);
  grid->addLayout(ends, 2, 1);

  p.ConversionView2 = NewPanelView("ConversionView2", holder);
  auto* column = new QGridLayout(p.ConversionView2);
  p.colorProfileStaticText = NewLabel("colorProfileStaticText", QStringLiteral("Color profile:"));
  p.colorProfilePopUpButton = Named(new QComboBox, "colorProfilePopUpButton");
  AddTaggedItem(p.colorProfilePopUpButton, QStringLiteral("Keep Original"), 0);
  p.autoAdjustColorLevelsCheckButton =
      Named(new QCheckBox(QStringLiteral("Auto adjust color levels")),
            "autoAdjustColorLevelsCheckButton");
  p.autoEnhancementCheckButton =
      Named(new QCheckBox(QStringLiteral("Auto enhance")), "autoEnhancementCheckButton");
  p.preserveMetadataCheckButton =
      Named(new QCheckBox(QStringLiteral("Keep metadata")), "preserveMetadataCheckButton");
  column->addWidget(p.colorProfileStaticText, 0, 0);
  column->addWidget(p.colorProfilePopUpButton, 0, 1);
  column->addWidget(p.autoAdjustColorLevelsCheckButton, 1, 0, 1, 2);
  column->addWidget(p.autoEnhancementCheckButton, 2, 0, 1, 2);
  column->addWidget(p.preserveMetadataCheckButton, 3, 0, 1, 2);
}

}  // namespace glimbrik
