#include "platform/store/user_defaults.h"

#include <QVariantMap>
#include <mutex>

#include "platform/store/preferences.h"

namespace glimbrik {

namespace {

constexpr char kDomainFormat[] = "%@.plist";

// Serialises read-modify-write of the file within the process.
std::mutex& DomainMutex() {
  static std::mutex mutex;
  return mutex;
}

QVariant ReadValue(const QString& key) {
  std::lock_guard lock(DomainMutex());
  QVariantMap domain;
  ReadPreferenceDictionary(&domain, QLatin1String(kDomainFormat));
  return domain.value(key);
}

bool Update(const QString& key, const QVariant* value) {
  std::lock_guard lock(DomainMutex());
  QVariantMap domain;
  ReadPreferenceDictionary(&domain, QLatin1String(kDomainFormat));
  if (value) {
    domain.insert(key, *value);
  } else {
    domain.remove(key);
  }
  return WritePreferenceDictionary(domain, QLatin1String(kDomainFormat));
}

}  // namespace

QVariant UserDefaultValue(const QString& key) { return ReadValue(key); }

QString UserDefaultsFilePath() { return PreferenceFilePath(QLatin1String(kDomainFormat)); }

bool UserDefaultBool(const QString& key) {
  const QVariant value = ReadValue(key);
  switch (value.typeId()) {
    case QMetaType::Bool:
      return value.toBool();
    case QMetaType::QString: {
      const QString text = value.toString().trimmed();
      if (text.compare(QLatin1String("yes"), Qt::CaseInsensitive) == 0 ||
          text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
      }
      return text.toLongLong() != 0;
    }
    default:
      return value.isValid() && value.toLongLong() != 0;
  }
}

qint64 UserDefaultInteger(const QString& key) {
  const QVariant value = ReadValue(key);
  switch (value.typeId()) {
    case QMetaType::QString:
      return value.toString().trimmed().toLongLong();
    case QMetaType::Double:
      return static_cast<qint64>(value.toDouble());  // truncated, as a stored real reads
    default:
      return value.isValid() ? value.toLongLong() : 0;
  }
}

bool SetUserDefault(const QString& key, const QVariant& value) { return Update(key, &value); }

bool RemoveUserDefault(const QString& key) { return Update(key, nullptr); }

}  // namespace glimbrik
