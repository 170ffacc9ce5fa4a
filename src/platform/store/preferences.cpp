#include "platform/store/preferences.h"

#include <QDir>
#include <QFileInfo>

#include "platform/store/bundle.h"
#include "platform/store/folders.h"
#include "platform/store/plist.h"

namespace glimbrik {

QString PreferenceFilePath(const QString& format) {
  const QString folder = PreferencesFolderPath();
  if (folder.isEmpty() || !QDir().mkpath(folder)) return QString();
  QString name = format;
  name.replace(QStringLiteral("%@"), QString::fromLatin1(kBundleIdentifier));
  return folder + QLatin1Char('/') + name;
}

bool ReadPreferenceDictionary(QVariantMap* out, const QString& format) {
  const QString path = PreferenceFilePath(format);
  if (path.isEmpty() || !QFileInfo::exists(path)) return false;
  const PlistResult result = ReadPlistFile(path);
  if (!result.ok() || result.value.typeId() != QMetaType::QVariantMap) return false;
  if (out) *out = result.value.toMap();
  return true;
}

bool WritePreferenceDictionary(const QVariantMap& dictionary, const QString& format) {
  const QString path = PreferenceFilePath(format);
  if (path.isEmpty()) return false;
  return WritePlistFile(dictionary, path).ok();
}

}  // namespace glimbrik
