#pragma once

#include <QString>
#include <QStringList>
#include <functional>

namespace glimbrik {

// The kind text of a file to add: its file-type description; the empty string when only the
// image engine recognises it; a null string when it is not added at all.
QString KindForFileURL(const QString& path);

struct FileToAdd {
  QString path;
  QString kind;
  QString parentFolder;  // the added folder it was found in; empty for a file added by itself
};

// Walks the given files and folders in order: a folder's files (recursively when asked, hidden
// files and folders never, symbolic links to folders not followed) carry the folder as parent.
// Stops between files as soon as shouldStop answers true.
void WalkFilesToAdd(const QStringList& paths, bool recursive,
                    const std::function<bool()>& shouldStop,
                    const std::function<void(const FileToAdd&)>& visit);

}  // namespace glimbrik
