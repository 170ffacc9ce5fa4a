#include "platform/user_defaults.h"

#include <QSettings>

#include "platform/bundle.h"
#include "platform/folders.h"

namespace glimbrik {

namespace {

// QSettings objects are cheap and share one cache per file inside the process, so each call
// opens its own: that keeps every thread on its own object.
QVariant ReadValue(const QString& key) {
  QSettings settings(UserDefaultsFilePath(), QSettings::IniFormat);
  return settings.value(key);
}

}  // namespace

QString UserDefaultsFilePath() {
  return PreferencesFolderPath() + QLatin1Char('/') + QLatin1String(kBundleIdentifier) +
         QStringLiteral(".conf");
}

bool UserDefaultBool(const QString& key) {
  const QVariant value = ReadValue(key);
  if (!value.isValid()) return false;
  // An INI file stores every value as text; "true"/"false" and numbers both read.
  bool isNumber = false;
  const qint64 number = value.toString().toLongLong(&isNumber);
  return isNumber ? number != 0 : value.toBool();
}

qint64 UserDefaultInteger(const QString& key) {
  const QVariant value = ReadValue(key);
  if (!value.isValid()) return 0;
  const QString text = value.toString().trimmed();
  if (text == QLatin1String("true")) return 1;
  bool ok = false;
  const qint64 number = text.toLongLong(&ok);
  return ok ? number : 0;
}

void SetUserDefault(const QString& key, const QVariant& value) {
  QSettings settings(UserDefaultsFilePath(), QSettings::IniFormat);
  settings.setValue(key, value);
  settings.sync();
}

void RemoveUserDefault(const QString& key) {
  QSettings settings(UserDefaultsFilePath(), QSettings::IniFormat);
  settings.remove(key);
  settings.sync();
}

}  // namespace glimbrik
