#include "app/batch/batch_capture.h"

#include "app/panels/configuration.h"

namespace glimbrik {
namespace {

bool On(const QAbstractButton* box) { return box && box->isChecked(); }

QColor WellColor(const ColorWell* well) { return well ? well->color() : QColor(); }

}  // namespace

BatchOptions CaptureBatchOptions(const OptionPanels& p, const std::function<bool(int)>& groupOn) {
  BatchOptions o;
  o.outputType = SelectedTag(p.destImageTypePopUpButton);
  o.quality = p.imageQualitySlider ? p.imageQualitySlider->doubleValue() : 0.0;
  o.autoLevels = On(p.autoAdjustColorLevelsCheckButton);
  o.autoEnhance = On(p.autoEnhancementCheckButton);
  o.preserveMetadata = On(p.preserveMetadataCheckButton);

  o.optimizationOn = groupOn(kOptimizationGroup);
  o.optimizationTag = SelectedTag(p.OptimizationPopupOutlet);
  o.doNotShowPNGOptimizationAlert = On(p.doNotShowPNGOptimizationAlertCheckBox);

  o.renameOn = groupOn(kRenameGroup);

  o.resizeOn = groupOn(kResizeGroup);
  o.scaleMode = SelectedTag(p.scaleProprtionallyPopupOutlet);
  o.widthText = p.widthTextField->text();
  o.heightText = p.heightTextField->text();
  o.unit = SelectedTag(p.sizeFormatTypePopupButton);
  o.upsample = On(p.upsampleImageCheckButton);
  o.sharpen = On(p.sharpenImageCheckButton);
  o.resolutionOn = On(p.resolutionCheckBox);
  o.resolutionText = p.resolutionComboBoxOutlet->currentText();
  o.backgroundOn = On(p.backgroundColorFitToRectCheckBox);
  o.backgroundColor = WellColor(p.backgroundColorFitToRectColorWellOutlet);

  o.textWatermarkOn = groupOn(kTextWatermarkGroup);
  o.imageWatermarkOn = groupOn(kImageWatermarkGroup);
  o.effectOn = groupOn(kEffectGroup);
  o.effectTag =
      p.effectsRadioButtonOutlet ? std::max(0, p.effectsRadioButtonOutlet->checkedId()) : 0;

  o.maintainDirectory = On(p.maintainDirectoryCheckButton);
  o.overwriteExisting = On(p.overwriteExistingCheckButton);
  o.preserveCreatedDate = On(p.preserveCreatedDateCheckButton);
  o.preserveModifiedDate = On(p.preserveModifiedDateCheckButton);
  o.doNotShowAlert = On(p.doNotShowAlertCheckBox);
  return o;
}

BatchEntry EntryFromEntity(const ListViewBaseCellImageEntity& entity) {
  const ImageEntityFacts facts = entity.facts();
  BatchEntry e;
  e.filePath = entity.filePath();
  e.parentFolder = entity.GetParentFolder();
  e.angle = entity.GetAngle();
  e.flip = entity.GetFlip();
  e.width = facts.imageWidth;
  e.height = facts.imageHeight;
  e.resolution = facts.imageResolution > 0 ? facts.imageResolution : 72.0;
  return e;
}

}  // namespace glimbrik
