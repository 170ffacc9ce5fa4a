#pragma once

#include <QFrame>
#include <QStringList>

class QMimeData;

namespace glimbrik {

// The local paths of a drag's file URLs, in order; empty when it carries none.
QStringList DroppedPaths(const QMimeData* data);

// Whether files dragged onto the selected image view would be added: a copy as soon as one path
// is a folder or a file whose kind is known; no operation when dropping is not allowed now.
Qt::DropAction ImageDropOperation(const QMimeData* data, bool dropAllowed);

// A box that takes one dropped folder for a folder setting (boxTypeOption tells which; 1 is the
// destination folder) and hands its path on.
class DragAndDropCommonFolderController : public QFrame {
  Q_OBJECT
 public:
  explicit DragAndDropCommonFolderController(QWidget* parent = nullptr);

  int boxTypeOption = 0;
  bool allowDragAndDrop = true;

  // Copy only for exactly one dropped path that is an existing folder.
  Qt::DropAction draggingEnteredOrUpdated(const QMimeData* data) const;

 signals:
  // The folder setting that boxTypeOption names should become path.
  void folderDropped(const QString& path, int boxTypeOption);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace glimbrik
