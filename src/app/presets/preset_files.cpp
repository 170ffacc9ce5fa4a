#include "app/presets/preset_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/store/folders.h"
#include "platform/store/keyed_archive.h"
#include "platform/store/plist.h"
#include "platform/store/preferences.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {

namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

// Presets have always taken a stored boolean as the number 0 or 1.
bool IsPresetNumberType(int type) { return type == QMetaType::Bool || IsNumberType(type); }

std::optional<QVariant> ValueOfType(const QVariantMap& preset, const char* key, int type) {
  const auto it = preset.constFind(Key(key));
  if (it == preset.constEnd() || it->typeId() != type) return std::nullopt;
  return *it;
}

}  // namespace

PresetKindInfo InfoForPresetKind(PresetKind kind) {
  switch (kind) {
    case PresetKind::kResize:
      return {kResizePresetsFile, kPresetIndexKey, 19};
    case PresetKind::kRename:
      return {kRenamePresetsFile, kPresetIndexKey, 8};
    case PresetKind::kPhoto:
      break;
  }
  return {kPhotoPresetsFile, kPhotoPresetIndexKey, 1};
}

bool ReadPresetFile(PresetKind kind, QVariantMap* presets) {
  return ReadPreferenceDictionary(presets, Key(InfoForPresetKind(kind).file));
}

bool WritePresetFile(PresetKind kind, const QVariantMap& presets) {
  return WritePreferenceDictionary(presets, Key(InfoForPresetKind(kind).file));
}

std::optional<double> PresetNumber(const QVariantMap& preset, const char* key) {
  const auto it = preset.constFind(Key(key));
  if (it == preset.constEnd() || !IsPresetNumberType(it->typeId())) return std::nullopt;
  const double value = it->toDouble();
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

std::optional<qint64> PresetInteger(const QVariantMap& preset, const char* key) {
  const auto it = preset.constFind(Key(key));
  if (it == preset.constEnd() || !IsPresetNumberType(it->typeId())) return std::nullopt;
  if (it->typeId() == QMetaType::Double || it->typeId() == QMetaType::Float) {
    // A real is read through its integer part, as long as it has one.
    const double value = it->toDouble();
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return std::nullopt;
    return static_cast<qint64>(value);
  }
  if (it->typeId() == QMetaType::ULongLong &&
      it->toULongLong() > static_cast<quint64>(std::numeric_limits<qint64>::max()))
    return std::nullopt;
  return it->toLongLong();
}

std::optional<bool> PresetBool(const QVariantMap& preset, const char* key) {
  const std::optional<double> number = PresetNumber(preset, key);
  if (!number) return std::nullopt;
  return *number != 0.0;
}

std::optional<QString> PresetString(const QVariantMap& preset, const char* key) {
  const std::optional<QVariant> value = ValueOfType(preset, key, QMetaType::QString);
  if (!value) return std::nullopt;
  return value->toString();
}

std::optional<QByteArray> PresetData(const QVariantMap& preset, const char* key) {
  const std::optional<QVariant> value = ValueOfType(preset, key, QMetaType::QByteArray);
  if (!value) return std::nullopt;
  return value->toByteArray();
}

qint64 PresetIntegerIn(const QVariantMap& preset, const char* key, qint64 fallback, qint64 low,
                       qint64 high) {
  const std::optional<qint64> value = PresetInteger(preset, key);
  return value && *value >= low && *value <= high ? *value : fallback;
}

QStringList SortedPresetTitles(const QVariantMap& presets, const char* indexKey) {
  struct Entry {
    QString title;
    std::optional<double> index;
  };
  std::vector<Entry> entries;
  for (auto it = presets.constBegin(); it != presets.constEnd(); ++it) {
    if (it->typeId() != QMetaType::QVariantMap) continue;
    entries.push_back({it.key(), PresetNumber(it->toMap(), indexKey)});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    if (!a.index || !b.index) return a.index.has_value() && !b.index.has_value();
    return *a.index < *b.index;
  });
  QStringList titles;
  for (const Entry& entry : entries) titles << entry.title;
  return titles;
}

qint64 NextPresetIndex(const QVariantMap& presets, const char* indexKey) {
  qint64 next = presets.size();
  for (const QVariant& value : presets) {
    const std::optional<qint64> index = PresetInteger(value.toMap(), indexKey);
    if (index && *index >= next && *index < std::numeric_limits<qint64>::max()) next = *index + 1;
  }
  return next;
}

void LowerPresetIndexesAbove(QVariantMap* presets, const char* indexKey, qint64 removed) {
  for (auto it = presets->begin(); it != presets->end(); ++it) {
    if (it->typeId() != QMetaType::QVariantMap) continue;
    QVariantMap preset = it->toMap();
    const std::optional<qint64> index = PresetInteger(preset, indexKey);
    if (!index || *index <= removed) continue;
    preset.insert(Key(indexKey), *index - 1);
    *it = preset;
  }
}

bool UpdatePhotoPresetItemReferences(QVariantMap* photoPresets, const char* key, qint64 removed) {
  bool changed = false;
  for (auto it = photoPresets->begin(); it != photoPresets->end(); ++it) {
    if (it->typeId() != QMetaType::QVariantMap) continue;
    QVariantMap preset = it->toMap();
    const std::optional<qint64> item = PresetInteger(preset, key);
    if (!item || *item < removed) continue;
    preset.insert(Key(key), *item == removed ? qint64(0) : *item - 1);
    *it = preset;
    changed = true;
  }
  return changed;
}

bool UpdatePhotoPresetTextRows(QVariantMap* photoPresets, qint64 removed) {
  bool changed = false;
  for (auto it = photoPresets->begin(); it != photoPresets->end(); ++it) {
    if (it->typeId() != QMetaType::QVariantMap) continue;
    QVariantMap preset = it->toMap();
    const std::optional<QByteArray> data = PresetData(preset, kTextWatermarkPresetIndexKey);
    if (!data) continue;
    const std::optional<QList<qint64>> rows = UnarchiveIndexSet(*data);
    if (!rows || rows->isEmpty()) continue;
    QList<qint64> kept;
    for (qint64 row : *rows) {
      if (row != removed) kept << (row > removed ? row - 1 : row);
    }
    if (kept == *rows) continue;
    preset.insert(Key(kTextWatermarkPresetIndexKey), ArchiveIndexSet(kept));
    *it = preset;
    changed = true;
  }
  return changed;
}

QString UniquePresetName(const QString& base, const QStringList& taken, const QString& format) {
  if (!taken.contains(base)) return base;
  for (qint64 n = 1;; ++n) {
    const QString candidate = base + format.arg(n);
    if (!taken.contains(candidate)) return candidate;
  }
}

QString PresetTitleFromTokens(const TokenArray& tokens) {
  QString title;
  for (const TokenElement& element : tokens) {
    if (const auto* text = std::get_if<QString>(&element)) {
      title += *text;
    } else {
      title += QStringLiteral("<%1>").arg(std::get<QVXWatermarkTextToken>(element).name());
    }
  }
  return title;
}

bool RemoveWatermarkImageCopy(const QString& path) {
  static const QRegularExpression kCopyName(QStringLiteral("^watermark_image[0-9]+$"));
  if (path.isEmpty()) return false;
  const QFileInfo file(path);
  const QString support = QFileInfo(SupportFolderPath()).canonicalFilePath();
  if (support.isEmpty() || !file.exists() || file.isSymLink() || !file.isFile()) return false;
  if (!kCopyName.match(file.fileName()).hasMatch()) return false;
  if (QFileInfo(file.absolutePath()).canonicalFilePath() != support) return false;
  return QFile::remove(file.absoluteFilePath());
}

}  // namespace glimbrik
