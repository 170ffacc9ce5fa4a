#include <QCheckBox>

#include "app/batch/batch_output_type.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/image_watermark_panel.h"
#include "app/panels/panel_widgets.h"
#include "app/panels/text_watermark_panel.h"
#include "platform/store/localization.h"

namespace glimbrik {

void AppDelegate::buildConfigurations() {
  const OptionPanels& p = panels();
  const std::vector<std::vector<QWidget*>> childViews = {
      {p.ConversionView1, p.ConversionView2},
      {p.OptimizationView},
      {p.RenameView0, p.RenameView1, p.RenameView3},
      {p.ResizeView1, p.ResizeView2, p.ResizeView3},
      {p.TextWatermarkViews.begin(), p.TextWatermarkViews.end()},
      {p.ImageWatermarkView1, p.ImageWatermarkView2},
      {p.EffectView1},
  };
  std::vector<std::shared_ptr<QVXConfigurationGroup>> groups;
  for (int group = 0; group < kConfigurationGroupCount; ++group) {
    auto configuration = QVXConfigurationGroup::configurationWithTitle(
        LocalizedString(ConfigurationGroupTitleKey(group)), group == kConversionGroup,
        group != kConversionGroup);
    configuration->children.clear();
    for (QWidget* view : childViews[group]) {
      const double height = view ? view->sizeHint().height() : 0.0;
      configuration->children.push_back(
          QVXConfiguration::configurationWithTableCellView(view, height));
    }
    groups.push_back(configuration);
  }
  configurations_ = std::move(groups);
  window_->configurationCollection->setConfigurations(configurations_);
}

bool AppDelegate::isGroupOn(int group) const {
  return group >= 0 && group < static_cast<int>(configurations_.size()) &&
         configurations_[group]->switchState;
}

void AppDelegate::SwitchAction(QCheckBox* sender) {
  if (!sender) return;
  // The group is the switch's own index, never its (possibly repeated) localised title.
  bool ok = false;
  const int group = sender->property("configurationGroup").toInt(&ok);
  if (!ok || group < 0 || group >= kConfigurationGroupCount) return;
  SwitchOnOffHeader(group, sender->isChecked(), true);
  changeGlobalPresetOption(sender);
}

void AppDelegate::SwitchOnOffHeader(int group, bool state, bool redraw) {
  if (group < 0 || group >= kConfigurationGroupCount ||
      group >= static_cast<int>(configurations_.size()))
    return;
  switch (group) {
    case kConversionGroup:
      ConversionOnOffAction(state);
      break;
    case kOptimizationGroup:
      OptimizeOnOffAction(state);
      break;
    case kRenameGroup:
      RenameOnOffAction(state);
      break;
    case kResizeGroup:
      ResizeOnOffAction(state);
      break;
    case kEffectGroup:
      EffectOnOffAction(state);
      break;
    case kTextWatermarkGroup:
      if (watermarkContextView) watermarkContextView->model().setTextWatermarkFlag(state);
      if (textWatermarkPanel_) textWatermarkPanel_->EnableDisableWatermarkControls(state);
      break;
    case kImageWatermarkGroup:
      if (watermarkContextView) watermarkContextView->model().setImageWatermarkFlag(state);
      if (imageWatermarkPanel_) imageWatermarkPanel_->EnableDisableWatermarkImageControls(state);
      break;
    default:
      break;
  }
  if ((group == kTextWatermarkGroup || group == kImageWatermarkGroup) && redraw &&
      model_->rowCount() > 0 && watermarkContextView) {
    const int other = group == kTextWatermarkGroup ? kImageWatermarkGroup : kTextWatermarkGroup;
    if (state) {
      watermarkContextView->show();
    } else if (!isGroupOn(other)) {
      watermarkContextView->hide();
    }
    watermarkContextView->update();
  }
  configurations_[group]->switchState = state;
  if (group == kEffectGroup) updateEffectImages();
  if (group == kResizeGroup) {
    updateResizeResultString();
    if (redraw) ResizeOptionsDidChange();
  }
  QVXOutlineView* sidebar = window_->configurationCollection;
  sidebar->reloadHeader(group, *configurations_[group]);
  if (group == kRenameGroup) RenameGroupSwitched(redraw);
  // The disclosure follows the switch; the panels inside are not touched.
  state ? sidebar->expandItem(group) : sidebar->collapseItem(group);
}

void AppDelegate::ConversionOnOffAction(bool state) {
  OptionPanels& p = panels();
  p.destImageTypePopUpButton->setEnabled(state);
  p.autoAdjustColorLevelsCheckButton->setEnabled(state);
  p.autoEnhancementCheckButton->setEnabled(state);
  p.colorProfilePopUpButton->setEnabled(state);
  SetLabelEnabled(p.destImageTypeStaticText, state);
  SetLabelEnabled(p.colorProfileStaticText, state);
  // Switched on, the output type decides again what its dependent controls allow.
  if (state) {
    SetImageTypeSecondaryOption(nullptr);
  } else {
    SetEnableDisableImageTypeSecondaryOption(p, false);
  }
}

void AppDelegate::OptimizeOnOffAction(bool state) {
  panels().OptimizationPopupOutlet->setEnabled(state);
  SetLabelEnabled(panels().optimizationStaticText, state);
}

void AppDelegate::RenameOnOffAction(bool state) {
  OptionPanels& p = panels();
  p.renamePresetPopupOutlet->setEnabled(state);
  p.saveRenamePresetButton->setEnabled(state);
  for (QLabel* label : {p.renamePresetLabel, p.renameOptionNameLabelOutlet, p.exampleStaticText,
                        p.exampleStringStaticText}) {
    SetLabelEnabled(label, state);
  }
  p.renameInsertTokenButtonOutlet->setEnabled(state);
  p.renameTokenFieldFrame->setEnabled(state);
}

void AppDelegate::ResizeOnOffAction(bool state) {
  OptionPanels& p = panels();
  // Only the sides the scale mode uses: height for "by height", width for "by width", else both.
  const bool width = currentScaleOption != 1;
  const bool height = currentScaleOption != 0;
  p.widthTextField->setEnabled(state && width);
  SetLabelEnabled(p.widthLabel, state && width);
  p.heightTextField->setEnabled(state && height);
  SetLabelEnabled(p.heightLabel, state && height);
  p.imageDimentionsPopupOutlet->setEnabled(state);
  p.savePresetButton->setEnabled(state);
  SetLabelEnabled(p.imageDimentionsLabel, state);
  p.scaleProprtionallyPopupOutlet->setEnabled(state);
  SetLabelEnabled(p.scaleProprtionallyLabel, state);
  p.upsampleImageCheckButton->setEnabled(state);
  p.sharpenImageCheckButton->setEnabled(state);
  p.sizeFormatTypePopupButton->setEnabled(state);
  p.lockUnlockImageView->setEnabled(state);
  p.resolutionCheckBox->setEnabled(state);
  if (state) {
    SetResolution(nullptr);
  } else {
    SetResolutionControlState(false);
  }
  p.backgroundColorFitToRectCheckBox->setEnabled(state && currentScaleOption == 2);
  SetBackgroundColorFitToRect(nullptr);
  SetLabelEnabled(p.resultStaticText, state);
  p.resultStringStaticText->setEnabled(state);
}

void AppDelegate::EffectOnOffAction(bool state) {
  for (QAbstractButton* cell : panels().effectsRadioButtonOutlet->buttons())
    cell->setEnabled(state);
}

}  // namespace glimbrik
