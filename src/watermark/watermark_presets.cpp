#include "watermark/watermark_presets.h"

#include <algorithm>

#include "platform/store/bundle_resources.h"
#include "platform/store/geometry_text.h"
#include "platform/store/preferences.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

}  // namespace

bool ReadTextWatermarkPresetFile(QVariantMap* presets) {
  return ReadPreferenceDictionary(presets, Key(kTextWatermarkPresetsFile));
}

bool WriteTextWatermarkPresetFile(const QVariantMap& presets) {
  return WritePreferenceDictionary(presets, Key(kTextWatermarkPresetsFile));
}

void ResetTextWatermarkPresetsFromDatabase(WatermarkModel& model) {
  QVariantMap presets;
  if (!ReadTextWatermarkPresetFile(&presets)) {
    presets.clear();
    const PlistResult bundled = ReadBundlePlist(Key(kFirstRunTextWatermarkPresets));
    if (bundled.ok() && bundled.value.typeId() == QMetaType::QVariantMap) {
      presets = bundled.value.toMap();
      WriteTextWatermarkPresetFile(presets);
    }
  }
  model.setAllPresetDictionary(presets);

  std::vector<WatermarkPresetRow> rows = model.waterMarkPresetArray();
  if (static_cast<qsizetype>(rows.size()) != presets.size()) {
    QStringList titles = presets.keys();
    const QString index = Key(kWaterMarkPresetIndexKey);
    // Presets without an index keep their place among equals.
    std::stable_sort(titles.begin(), titles.end(), [&](const QString& a, const QString& b) {
      const QVariantMap pa = presets.value(a).toMap();
      const QVariantMap pb = presets.value(b).toMap();
      if (!pa.contains(index) || !pb.contains(index)) return false;
      return pa.value(index).toLongLong() < pb.value(index).toLongLong();
    });
    rows.clear();
    for (const QString& title : titles) rows.push_back({title, false, std::nullopt});
  } else {
    for (WatermarkPresetRow& row : rows) {
      row.state = false;
      row.frameRect.reset();
    }
  }
  model.setWaterMarkPresetArray(std::move(rows));
}

void ReadWriteTextWatermarkNewBaseSizeAndOffset(WatermarkModel& model) {
  const std::vector<WatermarkPresetRow> rows = model.waterMarkPresetArray();
  if (rows.empty()) return;
  QVariantMap file;
  if (!ReadTextWatermarkPresetFile(&file)) file.clear();
  bool changed = false;
  const QString base = Key(kBaseImageSizeForTextWatermarkKey);
  const QString offset = Key(kTextWatermarkOffsetKey);
  for (const WatermarkPresetRow& row : rows) {
    if (!row.state || row.title.isEmpty()) continue;
    std::optional<QVariantMap> preset = model.presetNamed(row.title);
    if (!preset) {
      file.remove(row.title);
      continue;
    }
    if (preset->value(Key(kDirtyFlagKey)).toBool()) continue;
    if (!file.contains(row.title)) {
      preset->insert(Key(kDirtyFlagKey), false);
      model.setPresetNamed(row.title, *preset);
      file.insert(row.title, *preset);
      changed = true;
      continue;
    }
    changed = true;
    QVariantMap stored = file.value(row.title).toMap();
    if (preset->contains(base)) {
      stored.insert(base, preset->value(base));
      if (preset->contains(offset)) stored.insert(offset, preset->value(offset));
    }
    file.insert(row.title, stored);
  }
  if (changed) WriteTextWatermarkPresetFile(file);
}

void ReadWriteImageWatermarkNewBaseSizeAndOffset(const WatermarkModel& model,
                                                 const QString& photoPresetTitle) {
  if (photoPresetTitle.isEmpty()) return;
  QVariantMap file;
  if (!ReadPreferenceDictionary(&file, Key(kPhotoPresetsFile))) return;
  const auto it = file.find(photoPresetTitle);
  if (it == file.end()) return;
  QVariantMap preset = it->toMap();
  preset.insert(Key(kImageWatermarkOffsetKey), StringFromPoint(model.imageWatermarkOffset()));
  preset.insert(Key(kBaseImageSizeForImageWatermarkKey),
                StringFromSize(model.baseImageSizeForImageWatermark()));
  *it = preset;
  WritePreferenceDictionary(file, Key(kPhotoPresetsFile));
}

}  // namespace glimbrik
