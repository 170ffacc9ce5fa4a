#include <QSignalBlocker>
#include <QStandardItemModel>

#include "app/batch/batch_capture.h"
#include "app/batch/batch_options.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/color_well.h"
#include "app/panels/number_field.h"
#include "app/panels/panel_widgets.h"
#include "app/panels/resize_panel_units.h"
#include "platform/store/bundle_resources.h"

namespace glimbrik {

namespace {

// A built-in item of the size-preset pop-up.
struct SizePreset {
  int index;
  const char* width;
  const char* height;
  int scaleMode;
  bool resolution;
  bool fitBackground;
};

constexpr SizePreset kSizePresets[] = {
    {2, "320", "240", 2, false, false},   {3, "640", "480", 2, false, false},
    {4, "800", "600", 2, false, false},   {5, "1024", "768", 2, false, false},
    {6, "1280", "1024", 2, false, false}, {8, "1280", "720", 2, false, false},
    {9, "1920", "1080", 2, false, false}, {11, "960", "960", 2, true, false},
    {12, "2048", "2048", 2, true, false}, {13, "612", "612", 2, true, true},
    {14, "612", "612", 6, true, false},   {15, "1280", "1920", 2, true, false},
    {16, "440", "220", 6, true, false},   {17, "1024", "", 0, true, false},
};
constexpr int kFirstStoredResizePreset = 19;

void SetText(QLineEdit* field, const QString& text) {
  const QSignalBlocker blocker(field);
  field->setText(text);
}

void SetChecked(QAbstractButton* box, bool on) {
  const QSignalBlocker blocker(box);
  box->setChecked(on);
}

void SelectTag(QComboBox* popup, int tag) {
  const QSignalBlocker blocker(popup);
  SelectItemWithTag(popup, tag);
}

void SelectIndex(QComboBox* popup, int index) {
  const QSignalBlocker blocker(popup);
  popup->setCurrentIndex(index);
}

void SetItemEnabled(QComboBox* popup, int index, bool enabled) {
  if (auto* model = qobject_cast<QStandardItemModel*>(popup->model())) {
    if (QStandardItem* item = model->item(index)) item->setEnabled(enabled);
  }
}

// A field in use takes its text, is enabled with its label and has no placeholder; the other
// one is emptied, disabled and says "Auto".
void UseField(QLineEdit* field, QLabel* label, const QString* text) {
  if (text) SetText(field, *text);
  field->setEnabled(true);
  field->setPlaceholderText(QString());
  SetLabelEnabled(label, true);
}

void UnuseField(QLineEdit* field, QLabel* label) {
  SetText(field, QString());
  field->setEnabled(false);
  field->setPlaceholderText(QStringLiteral("Auto"));
  SetLabelEnabled(label, false);
}

double FieldNumber(const QLineEdit* field) {
  if (const auto* number = qobject_cast<const NumberField*>(field)) return number->doubleValue();
  return field->text().toDouble();
}

}  // namespace

void AppDelegate::SetLockSign(bool locked) {
  OptionPanels& p = panels();
  // Drawn in the enabled colour whatever the panel's state now: a disabled label greys its
  // picture as it paints, so the sign follows the group when it is switched on later.
  const QColor ink = p.lockUnlockImageView->palette().color(QPalette::Active, QPalette::WindowText);
  p.lockUnlockImageView->setPixmap(QPixmap::fromImage(
      TemplateImage(locked ? QStringLiteral("LockLocked.pdf") : QStringLiteral("LockUnlocked.pdf"),
                    {16, 16}, ink)));
  p.lockUnlockImageView->setVisible(locked);
  for (QFrame* line : p.lockLinesBoxes) line->setVisible(locked);
}

std::optional<ImageResizeOptions> AppDelegate::GetResizingOptions() const {
  return glimbrik::GetResizingOptions(
      CaptureBatchOptions(panels(), [this](int group) { return isGroupOn(group); }));
}

void AppDelegate::changeResizeOptionAction(QObject* sender) {
  if (!sender) return;
  SelectIndex(panels().imageDimentionsPopupOutlet, 0);
  updateResizeResultString();
  changeGlobalPresetOption(sender);
  ResizeOptionsDidChange();
}

void AppDelegate::ResizeOptionsDidChange() {
  ResizeReachesTokens();
  emit resizeOptionsChanged();
}

QString AppDelegate::GetSizebasedOnImageResizeTypeForWidth(double value) const {
  const ImageEntityPtr entity = GetSelectedImageObject();
  const ImageEntityFacts facts = entity ? entity->facts() : ImageEntityFacts{};
  return ConvertResizeFieldValue(value, currentSizeFormatType,
                                 SelectedTag(panels().sizeFormatTypePopupButton), facts.imageWidth,
                                 facts.imageResolution);
}

QString AppDelegate::GetSizebasedOnImageResizeTypeForHeight(double value) const {
  const ImageEntityPtr entity = GetSelectedImageObject();
  const ImageEntityFacts facts = entity ? entity->facts() : ImageEntityFacts{};
  return ConvertResizeFieldValue(value, currentSizeFormatType,
                                 SelectedTag(panels().sizeFormatTypePopupButton), facts.imageHeight,
                                 facts.imageResolution);
}

bool AppDelegate::hasSelectedImageSize() const {
  const ImageEntityPtr entity = GetSelectedImageObject();
  if (!entity) return false;
  const ImageEntityFacts facts = entity->facts();
  return facts.imageWidth > 0.0 && facts.imageHeight > 0.0;
}

void AppDelegate::changeImageResizeTypePopupAction(QObject* sender) {
  OptionPanels& p = panels();
  const int unit = SelectedTag(p.sizeFormatTypePopupButton);
  if (unit == currentSizeFormatType) return;
  QString width;
  QString height;
  // An image without a known size converts like no image: nothing divides by a zero side.
  if (!hasSelectedImageSize()) {
    const auto texts = NoImageResizeTexts(unit);
    if (!texts) return;
    width = texts->first;
    height = texts->second;
  } else {
    if (currentScaleOption != 1)
      width = GetSizebasedOnImageResizeTypeForWidth(FieldNumber(p.widthTextField));
    if (currentScaleOption != 0)
      height = GetSizebasedOnImageResizeTypeForHeight(FieldNumber(p.heightTextField));
  }
  if (currentScaleOption != 1 && !width.isNull()) SetText(p.widthTextField, width);
  if (currentScaleOption != 0 && !height.isNull()) SetText(p.heightTextField, height);
  changeResizeOptionAction(sender);
  currentSizeFormatType = unit;
}

void AppDelegate::layOutResizeFields(int newMode, int oldMode, const QString* carried) {
  OptionPanels& p = panels();
  if (newMode == 0 || newMode == 1) {
    SetLockSign(true);
    if (newMode == 1) {
      UseField(p.heightTextField, p.heightLabel, carried);
      UnuseField(p.widthTextField, p.widthLabel);
    } else {
      UseField(p.widthTextField, p.widthLabel, carried);
      UnuseField(p.heightTextField, p.heightLabel);
    }
    SetItemEnabled(p.sizeFormatTypePopupButton, p.sizeFormatTypePercentItem, true);
  } else {
    // Both sides are used; from no layout at all (-1) neither would be enabled otherwise.
    UseField(p.heightTextField, p.heightLabel, oldMode == 0 ? carried : nullptr);
    UseField(p.widthTextField, p.widthLabel, oldMode == 1 ? carried : nullptr);
    const bool locked = newMode == 2 || newMode == 5 || newMode == 6;
    SetLockSign(locked);
    if (!locked) SetItemEnabled(p.sizeFormatTypePopupButton, p.sizeFormatTypePercentItem, true);
  }
  currentScaleOption = newMode;
}

void AppDelegate::changeInScaleProportionalityAction(QObject* sender) {
  OptionPanels& p = panels();
  const int newMode = SelectedTag(p.scaleProprtionallyPopupOutlet);
  const int oldMode = currentScaleOption;
  if (newMode == oldMode || newMode < 0) return;

  // The text carried into the new layout.
  std::optional<QString> carried;
  const bool percent = currentSizeFormatType == kUnitPercent;
  if (!hasSelectedImageSize() || percent || (oldMode >= 2 && oldMode <= 6)) {
    if (oldMode == 0) {
      carried = p.widthTextField->text();
    } else if (oldMode == 1) {
      carried = p.heightTextField->text();
    } else if (newMode == 0) {
      carried = p.widthTextField->text();
    } else if (newMode == 1) {
      carried = p.heightTextField->text();
    }
  } else if (oldMode == 0 || oldMode == 1) {
    // The other side that keeps the image's proportion, in the current unit.
    const ImageEntityFacts facts = GetSelectedImageObject()->facts();
    const float value =
        static_cast<float>(FieldNumber(oldMode == 0 ? p.widthTextField : p.heightTextField));
    const double other = oldMode == 0 ? value * facts.imageHeight / facts.imageWidth
                                      : value * facts.imageWidth / facts.imageHeight;
    carried = GetStringValueFromNumberForType(currentSizeFormatType, other);
  }
  layOutResizeFields(newMode, oldMode, carried ? &*carried : nullptr);

  if (newMode == 2 || newMode == 5 || newMode == 6) {
    if (currentSizeFormatType == kUnitPercent) {
      SelectTag(p.sizeFormatTypePopupButton, kUnitPixels);
      changeImageResizeTypePopupAction(nullptr);
    }
    SetItemEnabled(p.sizeFormatTypePopupButton, p.sizeFormatTypePercentItem, false);
    p.backgroundColorFitToRectCheckBox->setEnabled(newMode == 2);
  } else {
    p.backgroundColorFitToRectCheckBox->setEnabled(false);
  }
  SetBackgroundColorFitToRect(nullptr);
  changeResizeOptionAction(sender);
}

void AppDelegate::changeInScaleProportionalityActionOnlyForControlState() {
  OptionPanels& p = panels();
  const int newMode = SelectedTag(p.scaleProprtionallyPopupOutlet);
  if (newMode < 0) return;
  layOutResizeFields(newMode, currentScaleOption, nullptr);
  if (newMode == 2 || newMode == 5 || newMode == 6) {
    if (currentSizeFormatType == kUnitPercent) {
      SelectTag(p.sizeFormatTypePopupButton, kUnitPixels);
      currentSizeFormatType = kUnitPixels;
    }
    SetItemEnabled(p.sizeFormatTypePopupButton, p.sizeFormatTypePercentItem, false);
    p.backgroundColorFitToRectCheckBox->setEnabled(newMode == 2);
  } else {
    p.backgroundColorFitToRectCheckBox->setEnabled(false);
  }
}

void AppDelegate::changeImageDimentionPopupAction(QObject* sender) {
  OptionPanels& p = panels();
  QComboBox* popup = p.imageDimentionsPopupOutlet;
  const int index = popup->currentIndex();
  if (index >= kFirstStoredResizePreset) {
    ChangeAndSetPrefOptions(popup->itemText(index));
  } else {
    const SizePreset* preset = nullptr;
    for (const SizePreset& item : kSizePresets) {
      if (item.index == index) preset = &item;
    }
    if (!preset) return;  // the custom item and the items without a size
    SelectTag(p.sizeFormatTypePopupButton, kUnitPixels);
    currentSizeFormatType = kUnitPixels;
    SelectTag(p.scaleProprtionallyPopupOutlet, preset->scaleMode);
    changeInScaleProportionalityActionOnlyForControlState();
    SetChecked(p.resolutionCheckBox, preset->resolution);
    if (preset->resolution) p.resolutionComboBoxOutlet->setEditText(QStringLiteral("72"));
    SetChecked(p.backgroundColorFitToRectCheckBox, preset->fitBackground);
    if (preset->fitBackground) {
      // Calibrated white 136/255, as a single-precision component.
      const float grey = 136.0f / 255.0f;
      p.backgroundColorFitToRectColorWellOutlet->setColor(QColor::fromRgbF(grey, grey, grey));
    }
    SetText(p.widthTextField, QString::fromLatin1(preset->width));
    SetText(p.heightTextField, QString::fromLatin1(preset->height));
    SetChecked(p.upsampleImageCheckButton, false);
    SetChecked(p.sharpenImageCheckButton, false);
    SetResolution(nullptr);
    SetBackgroundColorFitToRect(nullptr);
    updateResizeResultString();
  }
  SelectIndex(popup, index);
  changeGlobalPresetOption(sender);
  ResizeOptionsDidChange();
}

void AppDelegate::SetResolution(QObject* sender) {
  SetResolutionControlState(panels().resolutionCheckBox->isChecked());
  changeResizeOptionAction(sender);
}

void AppDelegate::SetResolutionControlState(bool state) {
  panels().resolutionComboBoxOutlet->setEnabled(state);
  SetLabelEnabled(panels().resolutionStaticText, state);
}

void AppDelegate::SetBackgroundColorFitToRect(QObject* sender) {
  QCheckBox* box = panels().backgroundColorFitToRectCheckBox;
  SetBackgroundColorFitToRectControlState(box->isEnabled() && box->isChecked());
  changeResizeOptionAction(sender);
}

void AppDelegate::SetBackgroundColorFitToRectControlState(bool state) {
  panels().backgroundColorFitToRectColorWellOutlet->setEnabled(state);
}

void AppDelegate::updateResizeResultString() {
  const ImageEntityPtr entity = GetSelectedImageObject();
  QString text = QStringLiteral("-");
  if (isGroupOn(kResizeGroup) && entity) {
    const ImageEntityFacts facts = entity->facts();
    text = ResizeResultString(static_cast<int>(m_currentResultUnitType), facts.imageWidth,
                              facts.imageHeight, facts.imageResolution, entity->GetAngle(),
                              GetResizingOptions());
  }
  panels().resultStringStaticText->setText(text);
}

void AppDelegate::changeResizeResultDisplayUnitType() {
  m_currentResultUnitType = m_currentResultUnitType >= 6 ? 1 : m_currentResultUnitType + 1;
  updateResizeResultString();
}

}  // namespace glimbrik
