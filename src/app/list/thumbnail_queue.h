#pragma once

#include <QObject>
#include <QThreadPool>
#include <functional>

namespace glimbrik {

class ListViewBaseCellImageEntity;

// The one queue that loads list thumbnails, at most two at a time, and the announcement of a
// finished load; receivers in the GUI thread get it queued.
class ThumbnailQueue : public QObject {
  Q_OBJECT
 public:
  ThumbnailQueue();

  void enqueue(std::function<void()> task);
  // Drops every load that has not started yet.
  void cancelAllOperations();
  // Waits up to msecs for running and queued loads; true when none is left.
  bool waitForDone(int msecs);
  void announceLoaded(const ListViewBaseCellImageEntity* entity);

 signals:
  // The entity's facts and thumbnail were published; the address identifies it, nothing more.
  void thumbnailImageChanged(quintptr entity);

 private:
  QThreadPool pool_;
};

ThumbnailQueue& ThumbnailOperationQueue();

}  // namespace glimbrik
