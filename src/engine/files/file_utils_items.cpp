// Renaming folder trees by prefix and replacing one item by another.
#include <errno.h>
#include <stdio.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

#include "engine/files/file_utils.h"

namespace glimbrik {

namespace {

// rename() that never replaces an existing item.
bool MoveWithoutReplacing(const QString& from, const QString& to) {
  if (QFileInfo::exists(to) || QFileInfo(to).isSymLink()) return false;
  return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool CopyTree(const QString& source, const QString& destination) {
  const QFileInfo info(source);
  if (info.isSymLink()) return QFile::link(info.symLinkTarget(), destination);
  if (!info.isDir()) return QFile::copy(source, destination);
  if (!QDir().mkdir(destination)) return false;
  const QStringList names =
      QDir(source).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    if (!CopyTree(source + QLatin1Char('/') + name, destination + QLatin1Char('/') + name)) {
      return false;
    }
  }
  return true;
}

bool RemoveItem(const QString& path) {
  const QFileInfo info(path);
  if (info.isDir() && !info.isSymLink()) return QDir(path).removeRecursively();
  return QFile::remove(path);
}

// The platform's item copy: the whole item (a folder with its contents) goes to a sibling
// first; the old destination is removed only once the copy is complete.
bool CopyItemReplacing(const QString& source, const QString& destination) {
  const QString sibling = GetTemporaryURLInDirectory(QFileInfo(destination).absolutePath(),
                                                     QStringLiteral(".glimbrik-copy-"), QString());
  if (sibling.isEmpty()) return false;
  if (!CopyTree(source, sibling)) {
    RemoveItem(sibling);
    return false;
  }
  const QByteArray from = QFile::encodeName(sibling);
  const QByteArray to = QFile::encodeName(destination);
  if (::rename(from.constData(), to.constData()) == 0) return true;
  // A folder cannot be renamed over a different item: set the old one aside first.
  const QString aside = GetTemporaryURLInDirectory(QFileInfo(destination).absolutePath(),
                                                   QStringLiteral(".glimbrik-old-"), QString());
  if (!aside.isEmpty() && MoveWithoutReplacing(destination, aside)) {
    if (::rename(from.constData(), to.constData()) == 0) {
      RemoveItem(aside);
      return true;
    }
    MoveWithoutReplacing(aside, destination);
  }
  RemoveItem(sibling);
  return false;
}

bool SamePath(const QString& a, const QString& b) {
  return QDir::cleanPath(QFileInfo(a).absoluteFilePath()) ==
         QDir::cleanPath(QFileInfo(b).absoluteFilePath());
}

}  // namespace

bool RenameItemByPrefix(const QString& path, const QString& oldPrefix, const QString& newPrefix) {
  const QFileInfo info(path);
  const QString name = info.fileName();
  if (name.size() < oldPrefix.size()) return false;
  const QString newName = newPrefix + name.mid(oldPrefix.size());
  if (newName.isEmpty() || newName.contains(QLatin1Char('/'))) return false;
  if (newName == name) return true;
  return MoveWithoutReplacing(path, info.absolutePath() + QLatin1Char('/') + newName);
}

bool RenameFolderByPrefix(const QString& path, const QString& oldPrefix, const QString& newPrefix) {
  const QFileInfo info(path);
  if (!RenameItemByPrefix(path, oldPrefix, newPrefix)) return false;
  const QString renamed =
      info.absolutePath() + QLatin1Char('/') + newPrefix + info.fileName().mid(oldPrefix.size());
  // Deepest items first, so that renaming a folder never changes a path still to be visited.
  QStringList items;
  QDirIterator it(renamed, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) items.append(it.next());
  std::stable_sort(items.begin(), items.end(), [](const QString& a, const QString& b) {
    return a.count(QLatin1Char('/')) > b.count(QLatin1Char('/'));
  });
  for (const QString& item : items) {
    if (!RenameItemByPrefix(item, oldPrefix, newPrefix)) return false;
  }
  return true;
}

int ReplaceItemAtURL(const QString& source, const QString& destination, bool move) {
  if (source.isEmpty() || destination.isEmpty() || SamePath(source, destination)) return 1;
  const QByteArray from = QFile::encodeName(source);
  const QByteArray to = QFile::encodeName(destination);
  bool done = move && ::rename(from.constData(), to.constData()) == 0;
  if (!done) {
    done = copyFile(from.constData(), to.constData()) == 0;
    if (!done) {
      if (!QFileInfo::exists(source)) return 0;
      done = CopyItemReplacing(source, destination);
    }
  }
  if (done && move && QFileInfo::exists(source)) RemoveItem(source);
  return done ? 1 : 0;
}

}  // namespace glimbrik
