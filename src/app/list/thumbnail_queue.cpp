#include "app/list/thumbnail_queue.h"

namespace glimbrik {

ThumbnailQueue::ThumbnailQueue() { pool_.setMaxThreadCount(2); }

void ThumbnailQueue::enqueue(std::function<void()> task) { pool_.start(std::move(task)); }

void ThumbnailQueue::cancelAllOperations() { pool_.clear(); }

bool ThumbnailQueue::waitForDone(int msecs) { return pool_.waitForDone(msecs); }

void ThumbnailQueue::announceLoaded(const ListViewBaseCellImageEntity* entity) {
  emit thumbnailImageChanged(reinterpret_cast<quintptr>(entity));
}

ThumbnailQueue& ThumbnailOperationQueue() {
  static ThumbnailQueue queue;
  return queue;
}

}  // namespace glimbrik
