#include "platform/store/folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUuid>
#include <cstdlib>
#include <mutex>

#include "platform/store/bundle.h"

namespace glimbrik {

namespace {

QString FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? QDir::cleanPath(QString::fromLocal8Bit(value)) : QString();
}

}  // namespace

QString PreferencesFolderPath() {
  QString path = FromEnvironment("GLIMBRIK_PREFERENCES_DIR");
  if (path.isEmpty()) {
    path = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Glimbrik");
  }
  return path;
}

QString SupportFolderPath() {
  QString path = FromEnvironment("GLIMBRIK_SUPPORT_DIR");
  if (path.isEmpty()) {
    path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QLatin1Char('/') + QString::fromLatin1(kApplicationName);
  }
  return path;
}

QString ApplicationSupportFolderPath() { return QFileInfo(SupportFolderPath()).absolutePath(); }

QString PrivateTempFolder() {
  // QTemporaryDir creates the folder with mode 0700 and removes it at exit.
  static QTemporaryDir* dir = nullptr;
  static std::once_flag once;
  std::call_once(once, [] {
    static QTemporaryDir instance(QDir::tempPath() + QStringLiteral("/Glimbrik-XXXXXX"));
    if (instance.isValid()) dir = &instance;
  });
  return dir ? dir->path() : QString();
}

QString NewTemporaryPath(const QString& extension) {
  const QString folder = PrivateTempFolder();
  if (folder.isEmpty()) return QString();
  QString path = folder + QLatin1Char('/') + NewUuidString();
  if (!extension.isEmpty()) path += QLatin1Char('.') + extension;
  return path;
}

QString NewUuidString() { return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper(); }

}  // namespace glimbrik
