#include <QSignalBlocker>

#include "app/delegate/app_delegate.h"
#include "app/panels/number_field.h"
#include "app/presets/preset_files.h"
#include "app/presets/preset_watermark.h"
#include "engine/tokens/text_token_archive.h"
#include "platform/store/keyed_archive.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

void SetChecked(QAbstractButton* box, bool on) {
  const QSignalBlocker blocker(box);
  box->setChecked(on);
}

void SelectIndex(QComboBox* popup, int index) {
  const QSignalBlocker blocker(popup);
  popup->setCurrentIndex(index);
}

// Selects the item with tag, or else the item with fallback.
void SelectTagOr(QComboBox* popup, qint64 tag, int fallback) {
  const QSignalBlocker blocker(popup);
  if (tag < INT_MIN || tag > INT_MAX || !SelectItemWithTag(popup, static_cast<int>(tag)))
    SelectItemWithTag(popup, fallback);
}

// A stored number text that the field would take as typed; none for anything else.
std::optional<QString> FieldText(const QVariantMap& preset, const char* key, NumberFieldKind kind) {
  const std::optional<QString> text = PresetString(preset, key);
  if (!text || (!text->isEmpty() && !ScanNumberText(kind, *text).wholeText)) return std::nullopt;
  return text;
}

bool Bool(const QVariantMap& preset, const char* key, bool fallback) {
  return PresetBool(preset, key).value_or(fallback);
}

std::optional<QVariantMap> PresetNamed(PresetKind kind, const QString& name) {
  QVariantMap file;
  if (name.isEmpty() || !ReadPresetFile(kind, &file)) return std::nullopt;
  const auto it = file.constFind(name);
  if (it == file.constEnd() || it->typeId() != QMetaType::QVariantMap) return std::nullopt;
  return it->toMap();
}

// A pop-up position stored in a photo preset: 0 (the snapshot's own values) when missing, out
// of range, an item that stands for no preset, or a stored preset its file no longer holds;
// those would apply nothing and leave the panel half set.
int PresetItemIndex(const QVariantMap& preset, const char* key, const QComboBox* popup,
                    PresetKind kind, std::initializer_list<int> itemsWithoutPreset) {
  const qint64 index = PresetIntegerIn(preset, key, 0, 0, popup->count() - 1);
  for (int item : itemsWithoutPreset) {
    if (index == item) return 0;
  }
  if (index >= InfoForPresetKind(kind).firstStoredItem &&
      !PresetNamed(kind, popup->itemText(static_cast<int>(index))))
    return 0;
  return static_cast<int>(index);
}

}  // namespace

// --- Listing.

void AppDelegate::LoadRenameAndResizePresetPopups() {
  for (PresetKind kind : {PresetKind::kRename, PresetKind::kResize}) {
    QVariantMap file;
    if (!ReadPresetFile(kind, &file)) continue;
    QComboBox* popup = popupForPresetKind(kind);
    const QSignalBlocker blocker(popup);
    popup->addItems(SortedPresetTitles(file, InfoForPresetKind(kind).indexKey));
  }
}

void AppDelegate::LoadPhotoPresetPopup() {
  QVariantMap file;
  if (!ReadPresetFile(PresetKind::kPhoto, &file)) return;
  QComboBox* popup = window_->PhotoPresetPopupButton;
  const QSignalBlocker blocker(popup);
  // Stored items carry no tag of their own: only the built-in item is tag 0.
  for (const QString& title : SortedPresetTitles(file, kPhotoPresetIndexKey))
    popup->addItem(title, -1);
}

// --- Gathering.

void AppDelegate::GetResizePreferenceValue(QVariantMap* d) const {
  if (!d) return;
  const OptionPanels& p = panels();
  const int scale = SelectedTag(p.scaleProprtionallyPopupOutlet);
  d->insert(Key(kScaleOptionKey), qint64(scale));
  d->insert(Key(kInputTypeKey), qint64(SelectedTag(p.sizeFormatTypePopupButton)));
  d->insert(Key(kUpscalingKey), p.upsampleImageCheckButton->isChecked());
  d->insert(Key(kSharpenKey), p.sharpenImageCheckButton->isChecked());
  d->insert(Key(kResolutionFlagKey), p.resolutionCheckBox->isChecked());
  if (p.resolutionCheckBox->isChecked())
    d->insert(Key(kResolutionValueKey), p.resolutionComboBoxOutlet->currentText());
  if (scale == 2) {
    const bool background = p.backgroundColorFitToRectCheckBox->isChecked();
    d->insert(Key(kBackgroundFlagKey), background);
    if (background)
      d->insert(Key(kBackgroundColorKey),
                ArchiveColor(p.backgroundColorFitToRectColorWellOutlet->color()));
  }
  // The sides the scale mode uses; with the group off the fields are disabled but still count.
  if (scale != 1) d->insert(Key(kWidthKey), p.widthTextField->text());
  if (scale != 0) d->insert(Key(kHeightKey), p.heightTextField->text());
}

void AppDelegate::GetRenamePreferenceValue(QVariantMap* d) const {
  if (!d) return;
  d->insert(Key(kRenameTokenKey), ArchiveTokenArray(renameTokenTextFieldOutlet()->tokens()));
  d->insert(Key(kRenameStateKey), isGroupOn(kRenameGroup));
}

void AppDelegate::GetConversionPreferenceValue(QVariantMap* d) const {
  if (!d) return;
  const OptionPanels& p = panels();
  d->insert(Key(kImageTypeKey), qint64(std::max(0, SelectedTag(p.destImageTypePopUpButton))));
  d->insert(Key(kImageQualityKey), p.imageQualitySlider->doubleValue());
  d->insert(Key(kAutoLevelsKey), p.autoAdjustColorLevelsCheckButton->isChecked());
  d->insert(Key(kAutoEnhancementKey), p.autoEnhancementCheckButton->isChecked());
  const QString profile = GetSelectedColorProfilePath();
  if (!profile.isEmpty()) d->insert(Key(kColorProfileKey), profile);
  d->insert(Key(kConversionStateKey), isGroupOn(kConversionGroup));
}

void AppDelegate::GetOptimizationPreferenceValue(QVariantMap* d) const {
  if (!d) return;
  const bool on = isGroupOn(kOptimizationGroup);
  d->insert(Key(kOptimizationTypeKey),
            qint64(on ? std::max(0, SelectedTag(panels().OptimizationPopupOutlet)) : 0));
  d->insert(Key(kOptimizationStateKey), on);
}

void AppDelegate::GetEffectPreferenceValue(QVariantMap* d) const {
  if (!d) return;
  const bool on = isGroupOn(kEffectGroup);
  d->insert(Key(kImageEffectTypeKey),
            qint64(on ? std::max(0, panels().effectsRadioButtonOutlet->checkedId()) : 0));
  d->insert(Key(kEffectStateKey), on);
}

void AppDelegate::GetPhotoPreferenceValue(QVariantMap* d) {
  if (!d) return;
  WatermarkView* view = watermarkContextView;
  const QList<qint64> rows = view ? TickedTextWatermarkRows(view->model()) : QList<qint64>();
  d->insert(Key(kTextWatermarkPresetIndexKey), ArchiveIndexSet(rows));
  if (view) view->GetTextWatermarkPreferenceValue(d);
  d->insert(Key(kTextWatermarkStateKey), isGroupOn(kTextWatermarkGroup));
  GetConversionPreferenceValue(d);
  d->insert(Key(kResizePresetIndexKey),
            qint64(panels().imageDimentionsPopupOutlet->currentIndex()));
  GetResizePreferenceValue(d);
  d->insert(Key(kResizeStateKey), isGroupOn(kResizeGroup));
  d->insert(Key(kRenamePresetIndexKey), qint64(panels().renamePresetPopupOutlet->currentIndex()));
  GetRenamePreferenceValue(d);
  GetOptimizationPreferenceValue(d);
  if (view) view->GetImagePreferenceValue(d);
  d->insert(Key(kImageWatermarkStateKey), isGroupOn(kImageWatermarkGroup));
  GetEffectPreferenceValue(d);
}

// --- Applying.

void AppDelegate::ChangeAndSetResizeOptionsFromDict(const QVariantMap* preset) {
  if (!preset) return;
  const QVariantMap& d = *preset;
  OptionPanels& p = panels();
  const qint64 unit = PresetIntegerIn(d, kInputTypeKey, 2, 1, 6);
  SelectTagOr(p.sizeFormatTypePopupButton, unit, 2);
  currentSizeFormatType = static_cast<qint32>(unit);
  const qint64 scale = PresetIntegerIn(d, kScaleOptionKey, 2, 0, 6);
  SelectTagOr(p.scaleProprtionallyPopupOutlet, scale, 2);
  changeInScaleProportionalityAction(nullptr);
  for (const auto& [key, field] :
       {std::pair{kWidthKey, p.widthTextField}, std::pair{kHeightKey, p.heightTextField}}) {
    if (const std::optional<QString> text = FieldText(d, key, NumberFieldKind::Number)) {
      const QSignalBlocker blocker(field);
      field->setText(*text);
    }
  }
  SetChecked(p.sharpenImageCheckButton, Bool(d, kSharpenKey, false));
  SetChecked(p.upsampleImageCheckButton, Bool(d, kUpscalingKey, false));
  const bool resolution = Bool(d, kResolutionFlagKey, false);
  SetChecked(p.resolutionCheckBox, resolution);
  if (resolution) {
    if (const std::optional<QString> text =
            FieldText(d, kResolutionValueKey, NumberFieldKind::Resolution)) {
      const QSignalBlocker blocker(p.resolutionComboBoxOutlet);
      p.resolutionComboBoxOutlet->setEditText(*text);
    }
  }
  SetResolution(nullptr);
  if (scale == 2) {
    const bool background = Bool(d, kBackgroundFlagKey, false);
    SetChecked(p.backgroundColorFitToRectCheckBox, background);
    if (background) {
      std::optional<QColor> color;
      if (const std::optional<QByteArray> data = PresetData(d, kBackgroundColorKey))
        color = UnarchiveColor(*data);
      p.backgroundColorFitToRectColorWellOutlet->setColor(
          color && color->isValid() ? *color : QColor(Qt::white));
    }
  }
  SetBackgroundColorFitToRect(nullptr);
  updateResizeResultString();
}

void AppDelegate::ChangeAndSetPrefOptions(const QString& name) {
  if (const std::optional<QVariantMap> preset = PresetNamed(PresetKind::kResize, name))
    ChangeAndSetResizeOptionsFromDict(&*preset);
}

void AppDelegate::ChangeAndSetRenameOptionsFromDict(const QVariantMap* preset) {
  if (!preset) return;
  const std::optional<QByteArray> data = PresetData(*preset, kRenameTokenKey);
  if (!data) {
    DefaultRenameOption();
    return;
  }
  // A pattern that does not unarchive leaves the field empty: the files keep their names.
  renameTokenTextFieldOutlet()->setTokens(UnarchiveTokenArray(*data).value_or(TokenArray()));
  updateRenameExampleString();
}

void AppDelegate::ChangeAndSetRenamePresetOptions(const QString& name) {
  if (const std::optional<QVariantMap> preset = PresetNamed(PresetKind::kRename, name))
    ChangeAndSetRenameOptionsFromDict(&*preset);
}

void AppDelegate::PhotoPresetChangeAction(QObject*) {
  if (watermarkContextView) watermarkContextView->ResetTextWatermarkPresetsFromDatabase();
  QComboBox* popup = window_->PhotoPresetPopupButton;
  // Item 0 is the built-in one, whatever a stored preset may be called.
  ChangeAndSetPhotoPrefOptions(popup->currentIndex() > 0 ? popup->currentText() : QString());
}

void AppDelegate::ChangeAndSetPhotoPrefOptions(const QString& name) {
  OptionPanels& p = panels();
  WatermarkView* view = watermarkContextView;
  std::array<bool, kConfigurationGroupCount> states{};
  states[kConversionGroup] = true;
  if (const std::optional<QVariantMap> preset = PresetNamed(PresetKind::kPhoto, name)) {
    const QVariantMap& d = *preset;
    if (view) ApplyPhotoPresetTextRows(*view, d);

    QComboBox* sizes = p.imageDimentionsPopupOutlet;
    const int size =
        PresetItemIndex(d, kResizePresetIndexKey, sizes, PresetKind::kResize, {1, 7, 10, 18});
    SelectIndex(sizes, size);
    if (size != 0) {
      // Every control of the item is set again.
      currentSizeFormatType = 1;
      currentScaleOption = -1;
      changeImageDimentionPopupAction(nullptr);
    } else {
      ChangeAndSetResizeOptionsFromDict(&d);
    }

    QComboBox* names = p.renamePresetPopupOutlet;
    const int rename =
        PresetItemIndex(d, kRenamePresetIndexKey, names, PresetKind::kRename, {1, 7});
    SelectIndex(names, rename);
    if (rename != 0) {
      changeRenamePresetPopupAction(nullptr);
    } else {
      ChangeAndSetRenameOptionsFromDict(&d);
    }

    const double quality = PresetNumber(d, kImageQualityKey).value_or(static_cast<double>(0.8f));
    p.imageQualitySlider->setDoubleValue(quality >= 0.0 && quality <= 1.0 ? quality : 0.8f);
    changeImageQualityAction(nullptr);
    SelectTagOr(p.destImageTypePopUpButton, PresetInteger(d, kImageTypeKey).value_or(0), 0);
    SetImageTypeSecondaryOption(nullptr);
    SelectProfileForPath(PresetString(d, kColorProfileKey).value_or(QString()));
    SetChecked(p.autoAdjustColorLevelsCheckButton, Bool(d, kAutoLevelsKey, false));
    SetChecked(p.autoEnhancementCheckButton, Bool(d, kAutoEnhancementKey, false));
    // The pop-up has no item 0 ("off" is the group's switch): an unknown tag takes the default.
    SelectTagOr(p.OptimizationPopupOutlet, PresetInteger(d, kOptimizationTypeKey).value_or(0), 1);
    changeOptimizationOptionAction(nullptr);
    if (view) {
      const QVariantMap image = CheckedImageWatermarkKeys(d);
      view->ChangeAndSetImageWaterMarkPrefOptionsFromDict(&image);
      view->AssignImageWaterMarkValuesToControl();
    }
    const qint64 effect = PresetIntegerIn(d, kImageEffectTypeKey, 0, 0, 8);
    SetChecked(p.effectsRadioButtonOutlet->button(static_cast<int>(effect)), true);
    changeEffectOptionAction(nullptr);

    states[kConversionGroup] = Bool(d, kConversionStateKey, true);
    states[kOptimizationGroup] = Bool(d, kOptimizationStateKey, false);
    states[kRenameGroup] = Bool(d, kRenameStateKey, false);
    states[kResizeGroup] = Bool(d, kResizeStateKey, false);
    states[kTextWatermarkGroup] = Bool(d, kTextWatermarkStateKey, false);
    states[kImageWatermarkGroup] = Bool(d, kImageWatermarkStateKey, false);
    states[kEffectGroup] = Bool(d, kEffectStateKey, false);
  } else {
    DefaultImageConversionOption();
    DefaultOptimizationOption();
    DefaultRenameOption();
    DefaultResizeOption();
    DefaultWatermarkTextOption();
    DefaultWatermarkImageOption();
    DefaultEffectOption();
  }

  for (int group = kConfigurationGroupCount - 1; group >= 0; --group)
    SwitchOnOffHeader(group, states[group], false);
  if (model_->rowCount() > 0) {
    if (view) {
      view->setVisible(states[kImageWatermarkGroup] || states[kTextWatermarkGroup]);
      view->update();
    }
    if (isPreviewVisible()) PreviewAction(nullptr);
  }
}

// --- After a removal.

void AppDelegate::UpdateGlobalPhotoPresetDatadDringRemoveAction(const QString& key, qint64 value) {
  QVariantMap file;
  if (!ReadPresetFile(PresetKind::kPhoto, &file) || file.isEmpty()) return;
  const QByteArray name = key.toLatin1();
  if (UpdatePhotoPresetItemReferences(&file, name.constData(), value))
    WritePresetFile(PresetKind::kPhoto, file);
}

void AppDelegate::UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex(qint64 row) {
  QVariantMap file;
  if (!ReadPresetFile(PresetKind::kPhoto, &file) || file.isEmpty()) return;
  if (UpdatePhotoPresetTextRows(&file, row)) WritePresetFile(PresetKind::kPhoto, file);
}

QComboBox* AppDelegate::popupForPresetKind(PresetKind kind) const {
  switch (kind) {
    case PresetKind::kResize:
      return panels().imageDimentionsPopupOutlet;
    case PresetKind::kRename:
      return panels().renamePresetPopupOutlet;
    case PresetKind::kPhoto:
      break;
  }
  return window_->PhotoPresetPopupButton;
}

}  // namespace glimbrik
