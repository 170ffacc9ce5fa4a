#include "app/batch/batch_output_type.h"

#include <QListView>
#include <QSignalBlocker>
#include <algorithm>

#include "app/batch/batch_options.h"

namespace glimbrik {
namespace {

constexpr int kCMYKProfile = 2;
constexpr int kGrayProfile = 3;

// Whether a profile of the given class can be written in an output type.
bool ProfileFitsType(int profileTag, int outputType) {
  switch (outputType) {
    case 0:
    case 1:
    case 4:
    case 10:
      return true;
    case 3:
    case 7:
      return profileTag != kCMYKProfile;
    default:
      return profileTag != kCMYKProfile && profileTag != kGrayProfile;
  }
}

}  // namespace

void SetEnableDisableImageTypeSecondaryOption(OptionPanels& p, bool enable) {
  p.imageQualitySlider->setEnabled(enable);
  p.imageQualityEditFieldOutlet->setEnabled(enable);
  p.imageQualityStepper->setEnabled(enable);
  for (QLabel* label : p.imageQualityLabels) {
    if (label) label->setEnabled(enable);
  }
}

void SetImageTypeSecondaryOption(OptionPanels& p) {
  const int type = SelectedTag(p.destImageTypePopUpButton);
  SetEnableDisableImageTypeSecondaryOption(p, OutputTypeUsesQuality(type));

  QComboBox* profiles = p.colorProfilePopUpButton;
  auto* list = qobject_cast<QListView*>(profiles->view());
  for (int i = 1; i < profiles->count(); ++i) {
    const QVariant tag = profiles->itemData(i);
    const bool hidden = tag.isValid() && !ProfileFitsType(tag.toInt(), type);
    if (list) list->setRowHidden(i, hidden);
    if (hidden && profiles->currentIndex() == i) profiles->setCurrentIndex(0);
  }
  if (type == 0) profiles->setCurrentIndex(0);
  profiles->setEnabled(type != 0);
  if (p.colorProfileStaticText) p.colorProfileStaticText->setEnabled(type != 0);
}

void QualityFieldTextDidChange(OptionPanels& p) {
  const QString text = p.imageQualityEditFieldOutlet->text();
  if (text.isEmpty()) return;
  const int value =
      static_cast<int>(std::clamp<int64_t>(p.imageQualityEditFieldOutlet->integerValue(), 0, 1000));
  const QSignalBlocker blocker(p.imageQualityStepper);
  if (value <= 100) {
    p.imageQualitySlider->setDoubleValue(value / 100.0);
    p.imageQualityStepper->setValue(value);
  } else {
    const int kept = p.imageQualityStepper->value();
    p.imageQualityEditFieldOutlet->setText(QString::number(kept));
    p.imageQualitySlider->setDoubleValue(kept / 100.0);
  }
}

}  // namespace glimbrik
