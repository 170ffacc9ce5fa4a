#include <QCheckBox>

#include "app/batch/batch_output_type.h"
#include "app/delegate/app_delegate.h"
#include "app/window/image_view.h"

namespace glimbrik {

void AppDelegate::connectPanelControls() {
  OptionPanels& p = panels();

  // Conversion. Any change of the output type (a preset's too) adjusts the controls that
  // depend on it; only the user's choice marks the photo preset as changed.
  connect(p.destImageTypePopUpButton, &QComboBox::currentIndexChanged, this,
          [this] { glimbrik::SetImageTypeSecondaryOption(panels()); });
  connect(p.destImageTypePopUpButton, &QComboBox::activated, this,
          [this] { SetImageTypeSecondaryOption(panels().destImageTypePopUpButton); });
  connect(p.colorProfilePopUpButton, &QComboBox::activated, this,
          [this] { changeConversionOptionAction(panels().colorProfilePopUpButton); });
  for (QCheckBox* box : {p.autoAdjustColorLevelsCheckButton, p.autoEnhancementCheckButton}) {
    connect(box, &QCheckBox::clicked, this, [this, box] { changeConversionOptionAction(box); });
  }
  connect(p.imageQualitySlider, &DoubleSlider::doubleValueChanged, this,
          [this] { changeImageQualityAction(panels().imageQualitySlider); });
  connect(p.imageQualityStepper, &QSpinBox::valueChanged, this,
          [this] { ImageQualityStepperControlDidChange(panels().imageQualityStepper); });
  connect(p.imageQualityEditFieldOutlet, &NumberField::textDidChange, this, [this] {
    QualityFieldTextDidChange(panels());
    changeConversionOptionAction(panels().imageQualityEditFieldOutlet);
  });

  connect(p.OptimizationPopupOutlet, &QComboBox::activated, this,
          [this] { changeOptimizationOptionAction(panels().OptimizationPopupOutlet); });
  connect(p.effectsRadioButtonOutlet, &QButtonGroup::buttonClicked, this,
          [this](QAbstractButton* cell) { changeEffectOptionAction(cell); });
  connect(p.preserveCreatedDateCheckButton, &QCheckBox::toggled, this,
          &AppDelegate::PreserveCreationDateAction);

  // Resize.
  connect(p.scaleProprtionallyPopupOutlet, &QComboBox::activated, this,
          [this] { changeInScaleProportionalityAction(panels().scaleProprtionallyPopupOutlet); });
  connect(p.sizeFormatTypePopupButton, &QComboBox::activated, this,
          [this] { changeImageResizeTypePopupAction(panels().sizeFormatTypePopupButton); });
  connect(p.imageDimentionsPopupOutlet, &QComboBox::activated, this,
          [this] { changeImageDimentionPopupAction(panels().imageDimentionsPopupOutlet); });
  for (NumberField* field : {p.widthTextField, p.heightTextField}) {
    connect(field, &NumberField::textDidChange, this,
            [this, field] { changeResizeOptionAction(field); });
  }
  if (auto* resolution = qobject_cast<NumberField*>(p.resolutionComboBoxOutlet->lineEdit())) {
    connect(resolution, &NumberField::textDidChange, this,
            [this] { changeResizeOptionAction(panels().resolutionComboBoxOutlet); });
  }
  connect(p.resolutionComboBoxOutlet, &QComboBox::activated, this,
          [this] { changeResizeOptionAction(panels().resolutionComboBoxOutlet); });
  connect(p.resolutionCheckBox, &QCheckBox::clicked, this,
          [this] { SetResolution(panels().resolutionCheckBox); });
  connect(p.backgroundColorFitToRectCheckBox, &QCheckBox::clicked, this,
          [this] { SetBackgroundColorFitToRect(panels().backgroundColorFitToRectCheckBox); });
  connect(p.backgroundColorFitToRectColorWellOutlet, &ColorWell::colorChanged, this,
          [this] { changeResizeOptionAction(panels().backgroundColorFitToRectColorWellOutlet); });
  for (QCheckBox* box : {p.upsampleImageCheckButton, p.sharpenImageCheckButton}) {
    connect(box, &QCheckBox::clicked, this, [this, box] { changeResizeOptionAction(box); });
  }
  connect(p.resultStringStaticText, &QPushButton::clicked, this,
          &AppDelegate::changeResizeResultDisplayUnitType);

  // The effect cells follow the main view's image when the decoded file replaces its thumbnail.
  connect(window_->mainImagePreview, &QVXImageView::imageDecoded, this,
          &AppDelegate::updateEffectImages);
}

}  // namespace glimbrik
