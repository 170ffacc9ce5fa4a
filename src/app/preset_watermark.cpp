#include "app/preset_watermark.h"

#include <QFileInfo>
#include <algorithm>

#include "app/preset_files.h"
#include "platform/keyed_archive.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_presets.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

void KeepNumberIn(const QVariantMap& from, QVariantMap* to, const char* key, double low,
                  double high) {
  const std::optional<double> value = PresetNumber(from, key);
  if (value && *value >= low && *value <= high) to->insert(Key(key), *value);
}

}  // namespace

QList<qint64> TickedTextWatermarkRows(const WatermarkModel& model) {
  QList<qint64> rows;
  const std::vector<WatermarkPresetRow> table = model.waterMarkPresetArray();
  for (size_t row = 0; row < table.size(); ++row) {
    if (table[row].state) rows << static_cast<qint64>(row);
  }
  return rows;
}

void SelectTextWatermarkRow(WatermarkView& view, qint64 row) {
  WatermarkModel& model = view.model();
  const qint64 count = model.presetRowCount();
  if (count == 0) return;
  row = std::clamp<qint64>(row, 0, count - 1);
  model.setPresetTableSelection({row}, row);
  // The preview selects the selected rows that are ticked; the image watermark stays selected.
  std::set<int64_t> selection;
  for (int64_t index : model.selectionIndexes()) {
    if (index < 0 || index >= count) selection.insert(index);
  }
  const std::optional<WatermarkPresetRow> entry = model.presetRow(row);
  if (entry && entry->state) selection.insert(row);
  model.setSelectionIndexes(selection);
  view.update();
  view.ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(row);
}

void ApplyPhotoPresetTextRows(WatermarkView& view, const QVariantMap& preset) {
  WatermarkModel& model = view.model();
  const qint64 count = model.presetRowCount();
  qint64 last = -1;
  // A row set that does not unarchive ticks nothing; rows past the table's end are skipped.
  if (const std::optional<QByteArray> data = PresetData(preset, kTextWatermarkPresetIndexKey)) {
    if (const std::optional<QList<qint64>> rows = UnarchiveIndexSet(*data)) {
      for (qint64 row : *rows) {
        if (row < 0 || row >= count) continue;
        model.setPresetRowState(row, true);
        last = row;
      }
    }
  }
  view.update();
  if (last >= 0) {
    SelectTextWatermarkRow(view, last);
  } else if (count > 0) {
    SelectTextWatermarkRow(view, 0);
  } else {
    model.InitializeTextWatermarkOptions();
    view.AssignTextWaterMarkValuesToControl();
  }
}

void SaveModifiedTextWatermarkPresetOfIndexes(WatermarkModel& model, const QList<qint64>& rows) {
  QStringList titles;
  bool dirty = false;
  for (qint64 row : rows) {
    const std::optional<WatermarkPresetRow> entry = model.presetRow(row);
    if (!entry || entry->title.isEmpty() || !model.presetNamed(entry->title)) continue;
    titles << entry->title;
    dirty = dirty || model.isPresetDirty(entry->title);
  }
  if (!dirty) return;
  QVariantMap file;
  if (!ReadTextWatermarkPresetFile(&file)) file.clear();
  for (const QString& title : titles) {
    QVariantMap preset = *model.presetNamed(title);
    preset.insert(Key(kDirtyFlagKey), false);
    model.setPresetNamed(title, preset);
    file.insert(title, preset);
  }
  WriteTextWatermarkPresetFile(file);
}

QVariantMap CheckedImageWatermarkKeys(const QVariantMap& preset) {
  QVariantMap out;
  for (const char* key : {kImageWatermarkOffsetKey, kBaseImageSizeForImageWatermarkKey}) {
    if (const std::optional<QString> text = PresetString(preset, key)) out.insert(Key(key), *text);
  }
  if (const std::optional<QString> path = PresetString(preset, kImagePathKey)) {
    const QFileInfo file(*path);
    // Something that is there but no plain file reads like a copy that went missing.
    out.insert(Key(kImagePathKey), !file.exists() || file.isFile() ? *path : QString());
  }
  KeepNumberIn(preset, &out, kImageOpacityKey, 0.0, 1.0);
  KeepNumberIn(preset, &out, kImageSizeKey, 0.05, 1.0);
  KeepNumberIn(preset, &out, kImageAngleKey, 0.0, 359.0);
  KeepNumberIn(preset, &out, kImagePositionKey, 0.0, 8.0);
  return out;
}

}  // namespace glimbrik
