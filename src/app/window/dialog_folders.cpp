#include "app/window/dialog_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <array>

namespace glimbrik {
namespace {

QMutex gMutex;
std::array<QString, 2> gFolders;

}  // namespace

QString DialogStartFolder(DialogFolder dialog) {
  QMutexLocker lock(&gMutex);
  const QString& folder = gFolders[size_t(dialog)];
  return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

void RememberDialogFolder(DialogFolder dialog, const QString& chosenPath) {
  if (chosenPath.isEmpty()) return;
  const QFileInfo info(chosenPath);
  const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
  QMutexLocker lock(&gMutex);
  gFolders[size_t(dialog)] = folder;
}

}  // namespace glimbrik
