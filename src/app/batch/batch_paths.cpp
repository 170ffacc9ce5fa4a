#include "app/batch/batch_paths.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>

#include "app/batch/raw_file_names.h"
#include "engine/files/file_utils.h"

namespace glimbrik {
namespace {

qsizetype Utf8Length(const QString& s) { return s.toUtf8().size(); }

bool NamesNothing(const QString& name) { return name.isEmpty() || name == u"." || name == u".."; }

QString JoinName(const QString& folder, const QString& base, const QString& extension) {
  QString name = base;
  if (!extension.isEmpty()) name += u'.' + extension;
  return QDir(folder).filePath(name);
}

}  // namespace

QString GetDestinationFolderURL(const QString& sourcePath, const QString& destinationRoot,
                                const QString& parentFolder, bool maintainDirectory) {
  if (parentFolder.isEmpty() || !maintainDirectory) return destinationRoot;
  const QString parent = QFileInfo(parentFolder).canonicalFilePath();
  const QString sourceFolder = QFileInfo(QFileInfo(sourcePath).absolutePath()).canonicalFilePath();
  if (parent.isEmpty() || sourceFolder.isEmpty()) return destinationRoot;
  const QString prefix = parent.endsWith(u'/') ? parent : parent + u'/';
  if (!sourceFolder.startsWith(prefix)) return destinationRoot;
  const QString relative = sourceFolder.mid(prefix.size());
  if (relative.isEmpty()) return destinationRoot;
  const QString folder = QDir(destinationRoot).filePath(relative);
  if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir()) return destinationRoot;
  return folder;
}

QString SanitizeFileName(const QString& name) {
  QString out;
  out.reserve(name.size());
  for (const QChar c : MadeValidPath(name)) {
    if (c == u'/') {
      out += u':';
    } else if (c.category() != QChar::Other_Control) {
      out += c;
    }
  }
  return out;
}

QString CutToByteLength(const QString& name, qsizetype maxBytes) {
  if (Utf8Length(name) <= maxBytes) return name;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, name);
  qsizetype fits = 0;
  for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
    if (Utf8Length(name.left(at)) > maxBytes) break;
    fits = at;
  }
  return name.left(fits);
}

qsizetype FileNameLimit(const QString& folder) {
  const long limit = pathconf(QFile::encodeName(folder).constData(), _PC_NAME_MAX);
  return limit > 0 ? limit : 255;
}

QString GetDestinationFileURL(const QString& sourcePath, const QString& folder,
                              const std::optional<QString>& baseName, const QString& extension,
                              bool overwrite,
                              const std::function<bool(const QString& path)>& taken) {
  const qsizetype limit = FileNameLimit(folder);
  const qsizetype extensionBytes = extension.isEmpty() ? 0 : Utf8Length(extension) + 1;
  auto fit = [&](const QString& base) { return CutToByteLength(base, limit - extensionBytes); };

  QString base = baseName ? fit(*baseName) : QString();
  if (NamesNothing(base)) base = fit(QFileInfo(sourcePath).completeBaseName());
  if (NamesNothing(base)) base = QStringLiteral("_");

  if (overwrite) return JoinName(folder, base, extension);
  const auto unique = [&](const QString& stem) {
    return taken ? UniqueFileURL(folder, stem, extension, false, 0, taken)
                 : UniqueFileURL(folder, stem, extension, false, 0);
  };
  QString path = unique(base);
  // A number added to a name that already fills the limit pushes it over: shorten and look again.
  for (qsizetype over = Utf8Length(QFileInfo(path).fileName()) - limit; over > 0 && !base.isEmpty();
       over = Utf8Length(QFileInfo(path).fileName()) - limit) {
    base = CutToByteLength(base, Utf8Length(base) - over);
    path = unique(base);
  }
  return path;
}

}  // namespace glimbrik
