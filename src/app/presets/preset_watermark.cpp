#include "app/presets/preset_watermark.h"

#include <QFileInfo>

#include "app/presets/preset_files.h"
#include "platform/store/keyed_archive.h"
#include "watermark/watermark_keys.h"

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
  view.reloadPresetTable();
  view.update();
  if (count > 0) {
    view.SelectRowStartingAtRow(last >= 0 ? last : 0);
  } else {
    model.InitializeTextWatermarkOptions();
    view.AssignTextWaterMarkValuesToControl();
  }
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
