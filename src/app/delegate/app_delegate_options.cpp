#include <QFileInfo>
#include <QSignalBlocker>
#include <cmath>

#include "app/batch/batch_output_type.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/text_watermark_panel.h"
#include "platform/store/preferences.h"

namespace glimbrik {

namespace {
void SetChecked(QAbstractButton* box, bool on) {
  const QSignalBlocker blocker(box);
  box->setChecked(on);
}
}  // namespace

void AppDelegate::ReadGeneralPrefOptions() {
  QVariantMap dictionary;
  ReadPreferenceDictionary(&dictionary, QString::fromLatin1(kGeneralPrefFile));
  const GeneralOptions o = GeneralOptionsFromDictionary(dictionary);
  OptionPanels& p = panels();
  photoPresetIndexAtStart_ = o.photoPresetIndex;
  SetDestinationURLData(o.destinationURL);
  SetChecked(p.mAddRecursiveCheckBoxButton, o.addRecursively);
  SetChecked(p.maintainDirectoryCheckButton, o.maintainDirectory);
  SetChecked(p.overwriteExistingCheckButton, o.overWriteFile);
  SetChecked(p.preserveMetadataCheckButton, o.metaData);
  SetChecked(p.preserveCreatedDateCheckButton, o.preserveCreationDate);
  SetChecked(p.preserveModifiedDateCheckButton, o.preserveModificationDate);
  PreserveCreationDateAction();
  SetChecked(p.doNotShowAlertCheckBox, o.doNotShowAlert);
  SetChecked(p.doNotShowPNGOptimizationAlertCheckBox, o.doNotShowPNGOptimizationAlert);
  SetChecked(p.useAsDestinationFolderCheckBox, o.useAsDestinationFolder);
}

GeneralOptions AppDelegate::CurrentGeneralOptions() const {
  const OptionPanels& p = panels();
  GeneralOptions o;
  o.photoPresetIndex = std::max(0, window_->PhotoPresetPopupButton->currentIndex());
  o.addRecursively = p.mAddRecursiveCheckBoxButton->isChecked();
  o.maintainDirectory = p.maintainDirectoryCheckButton->isChecked();
  o.metaData = p.preserveMetadataCheckButton->isChecked();
  o.overWriteFile = p.overwriteExistingCheckButton->isChecked();
  o.preserveCreationDate = p.preserveCreatedDateCheckButton->isChecked();
  o.preserveModificationDate = p.preserveModifiedDateCheckButton->isChecked();
  o.useAsDestinationFolder = p.useAsDestinationFolderCheckBox->isChecked();
  o.doNotShowAlert = p.doNotShowAlertCheckBox->isChecked();
  o.doNotShowPNGOptimizationAlert = p.doNotShowPNGOptimizationAlertCheckBox->isChecked();
  o.imageType = std::max(0, SelectedTag(p.destImageTypePopUpButton));
  o.imageQuality = p.imageQualitySlider->doubleValue();
  o.autoAdjustColorLevels = p.autoAdjustColorLevelsCheckButton->isChecked();
  o.autoEnhancement = p.autoEnhancementCheckButton->isChecked();
  o.colorProfile = GetSelectedColorProfilePath();
  o.destinationURL = m_destinationURLSecureData;
  return o;
}

void AppDelegate::WriteGeneralPrefOptions() {
  // A failed write at quit is not reported.
  WritePreferenceDictionary(DictionaryFromGeneralOptions(CurrentGeneralOptions()),
                            QString::fromLatin1(kGeneralPrefFile));
}

void AppDelegate::ApplyDefaultPhotoPreset() { ChangeAndSetPhotoPrefOptions(QString()); }

void AppDelegate::DefaultImageConversionOption() {
  OptionPanels& p = panels();
  QVariantMap dictionary;
  ReadPreferenceDictionary(&dictionary, QString::fromLatin1(kGeneralPrefFile));
  const GeneralOptions o = GeneralOptionsFromDictionary(dictionary);
  {
    const QSignalBlocker blocker(p.destImageTypePopUpButton);
    if (!SelectItemWithTag(p.destImageTypePopUpButton, static_cast<int>(o.imageType))) {
      SelectItemWithTag(p.destImageTypePopUpButton, 0);
    }
  }
  p.imageQualitySlider->setDoubleValue(o.imageQuality);
  SetChecked(p.autoAdjustColorLevelsCheckButton, o.autoAdjustColorLevels);
  SetChecked(p.autoEnhancementCheckButton, o.autoEnhancement);
  SelectProfileForPath(o.colorProfile);
  changeImageQualityAction(nullptr);
  SetImageTypeSecondaryOption(nullptr);
}

void AppDelegate::DefaultOptimizationOption() {
  {
    const QSignalBlocker blocker(panels().OptimizationPopupOutlet);
    SelectItemWithTag(panels().OptimizationPopupOutlet, 1);
  }
  changeOptimizationOptionAction(nullptr);
}

void AppDelegate::DefaultRenameOption() {
  renameTokenTextFieldOutlet()->setTokens(
      {QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9)});
  ChangeRenameOptionActions(nullptr);
}

void AppDelegate::DefaultResizeOption() {
  OptionPanels& p = panels();
  changeResizeOptionAction(this);
  {
    const QSignalBlocker blocker(p.scaleProprtionallyPopupOutlet);
    SelectItemWithTag(p.scaleProprtionallyPopupOutlet, 0);
  }
  SetChecked(p.resolutionCheckBox, false);
  SetChecked(p.backgroundColorFitToRectCheckBox, false);
  SetChecked(p.sharpenImageCheckButton, false);
  SetChecked(p.upsampleImageCheckButton, false);
  p.resolutionComboBoxOutlet->setEditText(QStringLiteral("72"));
  {
    const QSignalBlocker blocker(p.sizeFormatTypePopupButton);
    SelectItemWithTag(p.sizeFormatTypePopupButton, 1);
  }
  // The by-width layout: the width field in use, the height empty and "Auto", the lock shown.
  currentScaleOption = -1;
  const QString width = QStringLiteral("100");
  layOutResizeFields(0, -1, &width);
  p.backgroundColorFitToRectCheckBox->setEnabled(false);
  currentSizeFormatType = 1;
  currentScaleOption = 0;
}

void AppDelegate::DefaultWatermarkTextOption() {
  WatermarkView* view = watermarkContextView;
  if (!view) return;
  WatermarkModel& model = view->model();
  view->ResetTextWatermarkPresetsFromDatabase();
  if (model.presetRowCount() > 0) {
    // The table's selection change loads the preset into the editor and its controls.
    view->SelectRowStartingAtRow(0);
  } else {
    model.InitializeTextWatermarkOptions();
    view->AssignTextWaterMarkValuesToControl();
  }
  view->update();
}

void AppDelegate::DefaultWatermarkImageOption() {
  WatermarkView* view = watermarkContextView;
  if (!view) return;
  WatermarkModel& model = view->model();
  model.setImage(QImage());
  model.setWatermarkImageOpacity(static_cast<double>(0.8f));
  model.setWatermarkImageSizePrecentage(0.5);
  model.setImageRotationAngle(0);
  model.setImagePosition(6);  // bottom left
  model.setImageWatermarkOffset(QPointF(0.0, 0.0));
  view->AssignImageWaterMarkValuesToControl();
  view->update();
}

void AppDelegate::DefaultEffectOption() {
  SetChecked(panels().effectsRadioButtonOutlet->button(0), true);
  changeEffectOptionAction(nullptr);
}

void AppDelegate::DefaultExtraOptions() {
  OptionPanels& p = panels();
  SetChecked(p.mAddRecursiveCheckBoxButton, true);
  SetChecked(p.maintainDirectoryCheckButton, true);
  SetChecked(p.overwriteExistingCheckButton, false);
  SetChecked(p.preserveMetadataCheckButton, true);
  SetChecked(p.preserveCreatedDateCheckButton, false);
  SetChecked(p.preserveModifiedDateCheckButton, true);
  SetChecked(p.useAsDestinationFolderCheckBox, true);
  PreserveCreationDateAction();
}

void AppDelegate::changeGlobalPresetOption(QObject* sender) {
  // Applying a preset sends the panel actions without a sender and must not undo itself.
  if (!sender) return;
  {
    const QSignalBlocker blocker(window_->PhotoPresetPopupButton);
    SelectItemWithTag(window_->PhotoPresetPopupButton, 0);
  }
  // The preview window decides itself whether it is visible and follows the edit.
  if (model_->rowCount() > 0 && hooks.PreviewAction) hooks.PreviewAction(sender);
}

void AppDelegate::changeConversionOptionAction(QObject* sender) {
  changeGlobalPresetOption(sender);
}

void AppDelegate::changeOptimizationOptionAction(QObject* sender) {
  changeGlobalPresetOption(sender);
}

void AppDelegate::changeEffectOptionAction(QObject* sender) { changeGlobalPresetOption(sender); }

void AppDelegate::changeImageQualityAction(QObject* sender) {
  OptionPanels& p = panels();
  const int q = static_cast<int>(
      std::nearbyint(static_cast<float>(p.imageQualitySlider->doubleValue()) * 100.0f));
  p.imageQualityEditFieldOutlet->setText(QString::number(q));
  {
    const QSignalBlocker blocker(p.imageQualityStepper);
    p.imageQualityStepper->setValue(q);
  }
  changeConversionOptionAction(sender);
}

void AppDelegate::ImageQualityStepperControlDidChange(QObject* sender) {
  OptionPanels& p = panels();
  const int value = p.imageQualityStepper->value();
  p.imageQualityEditFieldOutlet->setText(QString::number(value));
  p.imageQualitySlider->setDoubleValue(value / 100.0);
  changeGlobalPresetOption(sender);
}

void AppDelegate::SetImageTypeSecondaryOption(QObject* sender) {
  glimbrik::SetImageTypeSecondaryOption(panels());
  changeConversionOptionAction(sender);
}

void AppDelegate::PreserveCreationDateAction() {
  panels().preserveModifiedDateCheckButton->setEnabled(
      panels().preserveCreatedDateCheckButton->isChecked());
}

void AppDelegate::changeFont(const QFont& font) {
  if (!watermarkContextView || font.family().isEmpty()) return;
  watermarkContextView->setFontName(font);
  if (textWatermarkPanel_) {
    textWatermarkPanel_->setFontToControls(font);
    textWatermarkPanel_->setFontSizeToControl(font);
  }
}

}  // namespace glimbrik
