#include "app/window/drop_targets.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>

#include "app/batch/raw_file_names.h"
#include "app/list/list_adding.h"

namespace glimbrik {

QStringList DroppedPaths(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << LocalPathOfUrl(url);
  }
  return paths;
}

Qt::DropAction ImageDropOperation(const QMimeData* data, bool dropAllowed) {
  if (!dropAllowed) return Qt::IgnoreAction;
  for (const QString& path : DroppedPaths(data)) {
    if (QFileInfo(path).isDir() || !KindForFileURL(path).isNull()) return Qt::CopyAction;
  }
  return Qt::IgnoreAction;
}

DragAndDropCommonFolderController::DragAndDropCommonFolderController(QWidget* parent)
    : QFrame(parent) {
  setAcceptDrops(true);
}

Qt::DropAction DragAndDropCommonFolderController::draggingEnteredOrUpdated(
    const QMimeData* data) const {
  if (!allowDragAndDrop) return Qt::IgnoreAction;
  const QStringList paths = DroppedPaths(data);
  return paths.size() == 1 && QFileInfo(paths.front()).isDir() ? Qt::CopyAction : Qt::IgnoreAction;
}

void DragAndDropCommonFolderController::dragEnterEvent(QDragEnterEvent* event) {
  if (draggingEnteredOrUpdated(event->mimeData()) == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void DragAndDropCommonFolderController::dragMoveEvent(QDragMoveEvent* event) {
  if (draggingEnteredOrUpdated(event->mimeData()) == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void DragAndDropCommonFolderController::dropEvent(QDropEvent* event) {
  if (draggingEnteredOrUpdated(event->mimeData()) == Qt::IgnoreAction) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit folderDropped(DroppedPaths(event->mimeData()).front(), boxTypeOption);
}

}  // namespace glimbrik
