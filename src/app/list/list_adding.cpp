#include "app/list/list_adding.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/batch/raw_file_names.h"
#include "engine/codecs/image_file.h"
#include "engine/files/file_types.h"

namespace glimbrik {

QString KindForFileURL(const QString& path) {
  const QString description = FileKindDescription(path);
  if (!description.isNull()) return description;
  ImageFile file;
  return file.load(path) ? QStringLiteral("") : QString();
}

namespace {

QStringList UndecodableFiles(const QString& folder) {
  QStringList paths;
  DIR* dir = opendir(QFile::encodeName(folder).constData());
  if (!dir) return paths;
  while (const dirent* entry = readdir(dir)) {
    const QByteArray name(entry->d_name);
    if (name.startsWith('.') || entry->d_type == DT_DIR) continue;
    const QString kept = PathFromRawBytes(name);
    if (HasRawBytes(kept)) paths << folder + QLatin1Char('/') + kept;
  }
  closedir(dir);
  paths.sort();
  return paths;
}

// Returns false when the walk was stopped.
bool WalkFolder(const QString& folder, const QString& root, bool recursive,
                const std::function<bool()>& shouldStop,
                const std::function<void(const FileToAdd&)>& visit) {
  const QFileInfoList entries = QDir(folder).entryInfoList(
      QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
  for (const QFileInfo& entry : entries) {
    if (shouldStop()) return false;
    if (entry.fileName().startsWith(QLatin1Char('.'))) continue;
    if (entry.isDir()) {
      if (recursive && !entry.isSymLink() &&
          !WalkFolder(entry.filePath(), root, true, shouldStop, visit)) {
        return false;
      }
      continue;
    }
    const QString kind = KindForFileURL(entry.filePath());
    if (!kind.isNull()) visit(FileToAdd{entry.filePath(), kind, root});
  }
  // Qt leaves out names whose bytes are not UTF-8: they are listed with their bytes kept, so that
  // a run can still open and convert them.
  for (const QString& path : UndecodableFiles(folder)) {
    if (shouldStop()) return false;
    const QString kind = FileKindDescription(path);
    visit(FileToAdd{path, kind.isNull() ? QStringLiteral("") : kind, root});
  }
  return true;
}

}  // namespace

void WalkFilesToAdd(const QStringList& paths, bool recursive,
                    const std::function<bool()>& shouldStop,
                    const std::function<void(const FileToAdd&)>& visit) {
  for (const QString& given : paths) {
    if (shouldStop()) return;
    if (HasRawBytes(given)) {
      // Qt cannot see a name that is not UTF-8: such a file is looked up by its bytes and listed
      // as the walk lists one found in a folder.
      struct stat status {};
      if (::stat(RawBytesOfPath(given).constData(), &status) == 0 && S_ISREG(status.st_mode)) {
        const QString kind = FileKindDescription(given);
        visit(FileToAdd{given, kind.isNull() ? QStringLiteral("") : kind, QString()});
      }
      continue;
    }
    const QFileInfo info(given);
    const QString path = info.absoluteFilePath();
    if (info.isDir()) {
      if (!WalkFolder(path, path, recursive, shouldStop, visit)) return;
      continue;
    }
    if (!info.exists()) continue;
    const QString kind = KindForFileURL(path);
    if (!kind.isNull()) visit(FileToAdd{path, kind, QString()});
  }
}

}  // namespace glimbrik
