// Temporary and collision-free file and folder names.
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <list>
#include <mutex>

#include "engine/files/file_utils.h"
#include "platform/store/folders.h"

namespace glimbrik {

namespace {

// A name is taken when anything is there, a dangling link included.
bool PathTaken(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

bool IsRegularFile(const QString& path) {
  const QFileInfo info(path);
  return info.isFile() && !info.isSymLink();
}

QString Join(const QString& folder, const QString& name) {
  return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

dev_t DeviceOf(const QString& path) {
  struct stat st {};
  return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_dev : dev_t(-1);
}

// Private replacement folders made next to items on other file systems; removed at exit.
QString ReplacementFolderOn(const QString& folder) {
  static std::mutex mutex;
  static std::list<QTemporaryDir> folders;
  const std::lock_guard<std::mutex> lock(mutex);
  const dev_t device = DeviceOf(folder);
  for (const QTemporaryDir& dir : folders) {
    if (DeviceOf(dir.path()) == device) return dir.path();
  }
  folders.emplace_back(Join(folder, QStringLiteral(".glimbrik-XXXXXX")));
  if (!folders.back().isValid()) {
    folders.pop_back();
    return QString();
  }
  return folders.back().path();
}

}  // namespace

QString TemporaryFileURL() { return NewTemporaryPath(); }

QString TemporaryFileURLForURL(const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  const QString temp = PrivateTempFolder();
  const dev_t device = DeviceOf(folder);
  if (device != dev_t(-1) && !temp.isEmpty() && device != DeviceOf(temp)) {
    const QString replacement = ReplacementFolderOn(folder);
    if (!replacement.isEmpty()) return Join(replacement, NewUuidString());
  }
  return TemporaryFileURL();
}

QString GetTemporaryURLInDirectory(const QString& folder, const QString& prefix,
                                   const QString& extension) {
  const QString base = folder.isEmpty() ? PrivateTempFolder() : folder;
  if (base.isEmpty()) return QString();
  QString path = Join(base, prefix + NewUuidString());
  if (!extension.isEmpty()) path += QLatin1Char('.') + extension;
  return path;
}

QString GetTemporaryURLWithPrefix(const QString& prefix) {
  const QString base = PrivateTempFolder();
  if (base.isEmpty()) return QString();
  return Join(base, prefix + QLatin1Char('-') + NewUuidString());
}

QString UniqueFileURL(const QString& folder, const QString& name, const QString& extension,
                      bool overwrite, qint64 start) {
  return UniqueFileURL(folder, name, extension, overwrite, start, PathTaken);
}

QString UniqueFileURL(const QString& folder, const QString& name, const QString& extension,
                      bool overwrite, qint64 start,
                      const std::function<bool(const QString& path)>& PathTaken) {
  const auto candidateFor = [&](const QString& stem) {
    return Join(folder, extension.isEmpty() ? stem : stem + QLatin1Char('.') + extension);
  };
  QString candidate = candidateFor(name);
  if (!PathTaken(candidate) && start == 0) return candidate;
  qint64 n = start == 0 ? 1 : start;
  do {
    if (overwrite && IsRegularFile(candidate) && QFile::remove(candidate)) return candidate;
    candidate = candidateFor(name + QLatin1Char(' ') + QString::number(n));
    ++n;
  } while (PathTaken(candidate));
  return candidate;
}

QString UniqueFileURLForItem(const QString& folder, const QString& item, const QString& extension,
                             bool overwrite) {
  return UniqueFileURL(folder, BaseNameOfPath(item), extension, overwrite, 0);
}

QString UniqueFolderURL(const QString& parent, const QString& name, bool create) {
  QString candidate = Join(parent, name);
  for (qint64 n = 1; QFileInfo(candidate).isDir(); ++n) {
    candidate = Join(parent, name + QLatin1Char(' ') + QString::number(n));
  }
  if (create && !QDir().mkpath(candidate)) return QString();
  return candidate;
}

QString UniqueFolderURLForItem(const QString& parent, const QString& item, bool create) {
  return UniqueFolderURL(parent, BaseNameOfPath(item), create);
}

}  // namespace glimbrik
