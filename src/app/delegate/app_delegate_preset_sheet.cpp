#include <QSignalBlocker>

#include "app/delegate/app_delegate.h"
#include "app/presets/preset_files.h"
#include "app/presets/preset_sheet.h"
#include "app/presets/preset_watermark.h"
#include "app/window/custom_alert.h"
#include "platform/store/localization.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

QStringList ItemTitles(const QComboBox* popup, int from, int to) {
  QStringList titles;
  for (int i = std::max(0, from); i < std::min(to, popup->count()); ++i)
    titles << popup->itemText(i);
  return titles;
}

// The pop-up position of a stored preset; -1 when the pop-up does not list it.
int StoredItemIndex(const QComboBox* popup, int first, const QString& name) {
  for (int i = first; i < popup->count(); ++i) {
    if (popup->itemText(i) == name) return i;
  }
  return -1;
}

void Alert(const QString& title, QWidget* sheet) {
  ShowCustomAlert(title, QString(), LocalizedString("OkButtonString"), QString(), QString(), sheet);
}

bool Ask(const QString& title, const char* button, QWidget* sheet) {
  return ShowCustomAlert(title, QString(), LocalizedString(button), LocalizedString("NoTitle"),
                         QString(), sheet) == 1;
}

}  // namespace

void AppDelegate::connectPresetControls() {
  MainWindow& w = *window_;
  connect(w.PhotoPresetPopupButton, &QComboBox::activated, this,
          [this] { PhotoPresetChangeAction(window_->PhotoPresetPopupButton); });
  connect(w.savePhotoPresetButton, &QPushButton::clicked, this,
          [this] { AddPhotoPresetAction(window_->savePhotoPresetButton); });
  connect(w.panels.savePresetButton, &QPushButton::clicked, this,
          [this] { AddPresetAction(panels().savePresetButton); });
  connect(w.panels.saveRenamePresetButton, &QPushButton::clicked, this,
          [this] { AddRenamePresetAction(panels().saveRenamePresetButton); });
  if (watermarkContextView) {
    watermarkContextView->host
        .UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex = [this](qint64 row) {
      UpdateGlobalPhotoPresetDataforRemoveActionOnTextWatermarkPresetIndex(row);
    };
  }
}

PresetKind AppDelegate::presetSheetKind() const {
  if (isPhotoPref) return PresetKind::kPhoto;
  return isRenamePresetPref ? PresetKind::kRename : PresetKind::kResize;
}

void AppDelegate::AddPresetAction(QObject* sender) {
  beginPresetSheet(PresetKind::kResize, sender);
}

void AppDelegate::AddRenamePresetAction(QObject* sender) {
  beginPresetSheet(PresetKind::kRename, sender);
}

void AppDelegate::AddPhotoPresetAction(QObject* sender) {
  beginPresetSheet(PresetKind::kPhoto, sender);
}

void AppDelegate::beginPresetSheet(PresetKind kind, QObject*) {
  isPhotoPref = kind == PresetKind::kPhoto;
  isRenamePresetPref = kind == PresetKind::kRename;
  if (!presetSheet_) {
    presetSheet_ = new PresetNameSheet(window_);
    connect(presetSheet_->saveButton, &QPushButton::clicked, this,
            [this] { SavePresetAction(presetSheet_->saveButton); });
    connect(presetSheet_->removeButton, &QPushButton::clicked, this,
            [this] { RemovePresetAction(presetSheet_->removeButton); });
    connect(presetSheet_->cancelButton, &QPushButton::clicked, this,
            [this] { CancelPresetButtonAction(presetSheet_->cancelButton); });
  }
  const OptionPanels& p = panels();
  QComboBox* popup = popupForPresetKind(kind);
  const int first = InfoForPresetKind(kind).firstStoredItem;
  const QStringList titles = ItemTitles(popup, 0, popup->count());
  const int current = popup->currentIndex();
  QString proposal;
  if (current < first) {
    switch (kind) {
      case PresetKind::kResize: {
        QString base;
        if (p.widthTextField->isEnabled())
          base = QStringLiteral("%1 ").arg(p.widthTextField->integerValue());
        if (p.heightTextField->isEnabled()) {
          base += (base.isEmpty() ? QStringLiteral("%1 ") : QStringLiteral("x %1 "))
                      .arg(p.heightTextField->integerValue());
        }
        base += QStringLiteral("(%1)").arg(p.sizeFormatTypePopupButton->currentText());
        proposal = UniquePresetName(base, titles, QStringLiteral(" New %1"));
        break;
      }
      case PresetKind::kRename:
        proposal = UniquePresetName(PresetTitleFromTokens(renameTokenTextFieldOutlet()->tokens()),
                                    titles, QStringLiteral(" New %1"));
        break;
      case PresetKind::kPhoto:
        proposal = UniquePresetName(QStringLiteral("New Preset"), titles, QStringLiteral(" %1"));
        break;
    }
  }
  presetSheet_->setNames(titles.mid(first), proposal, current >= first ? current - first : -1);
  presetSheet_->open();
}

void AppDelegate::SavePresetAction(QObject* sender) {
  PresetNameSheet* sheet = presetSheet_;
  if (!sheet) return;
  const PresetKind kind = presetSheetKind();
  const PresetKindInfo info = InfoForPresetKind(kind);
  QComboBox* popup = popupForPresetKind(kind);
  const QString name = sheet->name();
  if (name.isEmpty()) {
    Alert(LocalizedString("EmptyPresetAlertTitle"), sheet);
    return;
  }
  if (ItemTitles(popup, 0, info.firstStoredItem).contains(name)) {
    Alert(LocalizedString("DefaultPresetAlertTitle").arg(name), sheet);
    return;
  }
  QVariantMap file;
  if (!ReadPresetFile(kind, &file)) file.clear();
  const bool exists = file.contains(name);
  qint64 index = 0;
  QString oldImage;
  if (exists) {
    if (!Ask(LocalizedString("PresetExistAlertMsg").arg(name), "ReplaceButtonTitle", sheet)) return;
    const QVariantMap old = file.value(name).toMap();
    index = PresetInteger(old, info.indexKey).value_or(NextPresetIndex(file, info.indexKey));
    if (kind == PresetKind::kPhoto) oldImage = PresetString(old, kImagePathKey).value_or(QString());
  } else {
    index = NextPresetIndex(file, info.indexKey);
  }

  QVariantMap preset;
  switch (kind) {
    case PresetKind::kResize:
      GetResizePreferenceValue(&preset);
      break;
    case PresetKind::kRename:
      GetRenamePreferenceValue(&preset);
      break;
    case PresetKind::kPhoto:
      GetPhotoPreferenceValue(&preset);
      break;
  }
  preset.insert(Key(info.indexKey), index);
  file.insert(name, preset);
  const QString newImage = preset.value(Key(kImagePathKey)).toString();
  if (!WritePresetFile(kind, file)) {
    // Nothing changed: the new picture copy goes, the replaced preset keeps its own.
    RemoveWatermarkImageCopy(newImage);
    Alert(LocalizedString("PresetWriteFailedAlertMsg").arg(name), sheet);
    return;
  }
  if (!oldImage.isEmpty() && oldImage != newImage) RemoveWatermarkImageCopy(oldImage);

  // A replaced entry that was no preset (never listed) is listed now.
  if (StoredItemIndex(popup, info.firstStoredItem, name) < 0) {
    if (kind == PresetKind::kPhoto) {
      popup->addItem(name, -1);
    } else {
      popup->addItem(name);
    }
  }
  const int before = popup->currentIndex();
  const int item = StoredItemIndex(popup, info.firstStoredItem, name);
  if (item >= 0) {
    const QSignalBlocker blocker(popup);
    popup->setCurrentIndex(item);
  }
  if (kind != PresetKind::kPhoto && (!exists || before != item)) changeGlobalPresetOption(sender);
  if (kind == PresetKind::kPhoto && watermarkContextView &&
      preset.value(Key(kTextWatermarkStateKey)).toBool()) {
    const QList<qint64> rows = TickedTextWatermarkRows(watermarkContextView->model());
    if (!rows.isEmpty())
      watermarkContextView->SaveModifiedTextWatermarkPresetOfIndexes({rows.begin(), rows.end()});
  }
  sheet->done(QDialog::Accepted);
}

void AppDelegate::RemovePresetAction(QObject* sender) {
  PresetNameSheet* sheet = presetSheet_;
  if (!sheet) return;
  const QString name = sheet->name();
  if (name.isEmpty()) return;
  const PresetKind kind = presetSheetKind();
  const PresetKindInfo info = InfoForPresetKind(kind);
  QVariantMap file;
  if (!ReadPresetFile(kind, &file) || file.isEmpty() || !file.contains(name)) {
    Alert(LocalizedString("PresetNotExistAlertMsg").arg(name), sheet);
    return;
  }
  if (!Ask(LocalizedString("RemoveExistPresetAlertMsg").arg(name), "RemoveButtonTitle", sheet))
    return;

  const QVariantMap removed = file.value(name).toMap();
  const std::optional<qint64> index = PresetInteger(removed, info.indexKey);
  if (file.size() >= 2 && index) LowerPresetIndexesAbove(&file, info.indexKey, *index);
  file.remove(name);
  if (!WritePresetFile(kind, file)) {
    Alert(LocalizedString("PresetWriteFailedAlertMsg").arg(name), sheet);
    return;
  }

  QComboBox* popup = popupForPresetKind(kind);
  int item = StoredItemIndex(popup, info.firstStoredItem, name);
  // Photo presets name the size and rename items by position: the item the pop-up shows.
  const qint64 position = item >= 0 ? item : index ? *index + info.firstStoredItem : -1;
  if (kind == PresetKind::kResize && position >= 0) {
    UpdateGlobalPhotoPresetDatadDringRemoveAction(Key(kResizePresetIndexKey), position);
  } else if (kind == PresetKind::kRename && position >= 0) {
    UpdateGlobalPhotoPresetDatadDringRemoveAction(Key(kRenamePresetIndexKey), position);
  } else if (kind == PresetKind::kPhoto) {
    RemoveWatermarkImageCopy(PresetString(removed, kImagePathKey).value_or(QString()));
  }

  QComboBox* names = sheet->PresetNameComboboxOutlet;
  const int listed = names->findText(name);
  if (listed >= 0) names->removeItem(listed);
  names->setEditText(name);
  if (item >= 0) {
    const QSignalBlocker blocker(popup);
    // The panels keep their values, which no stored preset holds any more.
    if (popup->currentIndex() == item) popup->setCurrentIndex(0);
    popup->removeItem(item);
  }
  if (kind != PresetKind::kPhoto) changeGlobalPresetOption(sender);
}

void AppDelegate::CancelPresetButtonAction(QObject*) {
  isPhotoPref = false;
  isRenamePresetPref = false;
  if (presetSheet_) presetSheet_->done(QDialog::Rejected);
}

}  // namespace glimbrik
