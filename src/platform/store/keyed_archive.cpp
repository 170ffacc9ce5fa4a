#include "platform/store/keyed_archive.h"

#include <algorithm>
#include <limits>

namespace glimbrik {

namespace {

const QString kArchiverName = QStringLiteral("GlimbrikKeyedArchive");
constexpr qint64 kArchiveVersion = 1;

// Index sets here hold table rows; a stored set larger than this is damaged, and expanding it
// would only exhaust memory.
constexpr qint64 kMaxIndexSetMembers = 1000000;

bool IsInteger(const QVariant& value) {
  return value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
}

std::optional<QVariantMap> ObjectOfClass(const QVariant& value, const QString& className) {
  if (ArchivedClassName(value) != className) return std::nullopt;
  return value.toMap();
}

}  // namespace

QVariantMap ArchivedObject(const QString& className, QVariantMap keys) {
  keys.insert(QString::fromLatin1(kArchiveClassKey), className);
  return keys;
}

QString ArchivedClassName(const QVariant& value) {
  if (value.typeId() != QMetaType::QVariantMap) return QString();
  const QVariant name = value.toMap().value(QString::fromLatin1(kArchiveClassKey));
  return name.typeId() == QMetaType::QString ? name.toString() : QString();
}

PlistData ArchiveRootValue(const QVariant& root) {
  QVariantMap top;
  top.insert(QStringLiteral("$archiver"), kArchiverName);
  top.insert(QStringLiteral("$version"), kArchiveVersion);
  top.insert(QStringLiteral("$root"), root);
  return WritePlistData(top);
}

PlistResult UnarchiveRootValue(const QByteArray& archive) {
  PlistResult result = ReadPlistData(archive);
  if (!result.ok()) return result;
  const QVariantMap top = result.value.toMap();
  if (result.value.typeId() != QMetaType::QVariantMap ||
      top.value(QStringLiteral("$archiver")).toString() != kArchiverName) {
    return {QVariant(), QStringLiteral("not a keyed archive")};
  }
  if (top.value(QStringLiteral("$version")).toLongLong() > kArchiveVersion) {
    return {QVariant(), QStringLiteral("keyed archive of a newer version")};
  }
  if (!top.contains(QStringLiteral("$root"))) return {QVariant(), QStringLiteral("empty archive")};
  return {top.value(QStringLiteral("$root")), QString()};
}

// ---- colours ----

QVariantMap EncodeColor(const QColor& color) {
  QVariantMap keys;
  QVariantList components;
  QString space = QStringLiteral("RGB");
  if (color.isValid()) {
    if (color.spec() == QColor::Cmyk) {
      space = QStringLiteral("CMYK");
      float c, m, y, k, a;
      color.getCmykF(&c, &m, &y, &k, &a);
      components = {double(c), double(m), double(y), double(k), double(a)};
    } else {
      const QColor rgb = color.spec() == QColor::ExtendedRgb ? color : color.toRgb();
      if (color.spec() == QColor::ExtendedRgb) space = QStringLiteral("ExtendedRGB");
      float r, g, b, a;
      rgb.getRgbF(&r, &g, &b, &a);
      components = {double(r), double(g), double(b), double(a)};
    }
    keys.insert(QStringLiteral("Components"), components);
  }
  keys.insert(QStringLiteral("ColorSpace"), space);
  return ArchivedObject(QStringLiteral("Color"), keys);
}

std::optional<QColor> DecodeColor(const QVariant& object) {
  const auto keys = ObjectOfClass(object, QStringLiteral("Color"));
  if (!keys) return std::nullopt;
  if (!keys->contains(QStringLiteral("Components"))) return QColor();
  const QString space = keys->value(QStringLiteral("ColorSpace")).toString();
  const QVariantList list = keys->value(QStringLiteral("Components")).toList();
  QList<float> v;
  for (const QVariant& item : list) {
    if (!IsNumberType(item.typeId())) return std::nullopt;
    v.append(item.toFloat());
  }
  auto unit = [](float x) { return std::clamp(x, 0.0f, 1.0f); };
  if (space == QLatin1String("RGB") && v.size() == 4) {
    return QColor::fromRgbF(unit(v[0]), unit(v[1]), unit(v[2]), unit(v[3]));
  }
  if (space == QLatin1String("ExtendedRGB") && v.size() == 4) {
    return QColor::fromRgbF(v[0], v[1], v[2], unit(v[3]));
  }
  if (space == QLatin1String("CMYK") && v.size() == 5) {
    return QColor::fromCmykF(unit(v[0]), unit(v[1]), unit(v[2]), unit(v[3]), unit(v[4]));
  }
  if (space == QLatin1String("Gray") && v.size() == 2) {
    return QColor::fromRgbF(unit(v[0]), unit(v[0]), unit(v[0]), unit(v[1]));
  }
  return std::nullopt;
}

QByteArray ArchiveColor(const QColor& color) { return ArchiveRootValue(EncodeColor(color)).data; }

std::optional<QColor> UnarchiveColor(const QByteArray& archive) {
  const PlistResult root = UnarchiveRootValue(archive);
  if (!root.ok()) return std::nullopt;
  return DecodeColor(root.value);
}

// ---- index sets ----

QVariantMap EncodeIndexSet(const QList<qint64>& indexes) {
  QList<qint64> sorted = indexes;
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  QVariantList ranges;
  qsizetype i = 0;
  while (i < sorted.size()) {
    if (sorted[i] < 0) {
      ++i;
      continue;
    }
    qsizetype j = i + 1;
    while (j < sorted.size() && sorted[j] == sorted[j - 1] + 1) ++j;
    ranges.append(QVariant(QVariantList{sorted[i], qint64(j - i)}));
    i = j;
  }
  return ArchivedObject(QStringLiteral("IndexSet"), {{QStringLiteral("Ranges"), ranges}});
}

std::optional<QList<qint64>> DecodeIndexSet(const QVariant& object) {
  const auto keys = ObjectOfClass(object, QStringLiteral("IndexSet"));
  if (!keys) return std::nullopt;
  QList<qint64> indexes;
  for (const QVariant& range : keys->value(QStringLiteral("Ranges")).toList()) {
    const QVariantList pair = range.toList();
    if (pair.size() != 2 || !IsInteger(pair[0]) || !IsInteger(pair[1])) return std::nullopt;
    const qint64 location = pair[0].toLongLong();
    const qint64 length = pair[1].toLongLong();
    if (location < 0 || length < 0 || length > kMaxIndexSetMembers - indexes.size() ||
        location > std::numeric_limits<qint64>::max() - length) {
      return std::nullopt;
    }
    for (qint64 k = 0; k < length; ++k) indexes.append(location + k);
  }
  std::sort(indexes.begin(), indexes.end());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  return indexes;
}

QByteArray ArchiveIndexSet(const QList<qint64>& indexes) {
  return ArchiveRootValue(EncodeIndexSet(indexes)).data;
}

std::optional<QList<qint64>> UnarchiveIndexSet(const QByteArray& archive) {
  const PlistResult root = UnarchiveRootValue(archive);
  if (!root.ok()) return std::nullopt;
  return DecodeIndexSet(root.value);
}

}  // namespace glimbrik
