#include "pdfjobs/job_progress.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>

namespace glimbrik {

namespace {

bool OnMainThreadOrNoApplication() {
  const QCoreApplication* app = QCoreApplication::instance();
  return !app || QThread::currentThread() == app->thread();
}

void Deliver(const ProgressCallbackInfo& progress, int64_t value, Qt::ConnectionType type) {
  if (!progress.callback) return;
  if (OnMainThreadOrNoApplication()) {
    progress.callback(value);
    return;
  }
  std::function<void(int64_t)> callback = progress.callback;
  QMetaObject::invokeMethod(
      QCoreApplication::instance(), [callback, value] { callback(value); }, type);
}

}  // namespace

bool IsJobCancelled(const ProgressCallbackInfo& progress) {
  return progress.isConversionCancelled && progress.isConversionCancelled();
}

void ReportJobProgress(const ProgressCallbackInfo& progress, int64_t value) {
  Deliver(progress, value, Qt::QueuedConnection);
}

void ReportJobProgressAndWait(const ProgressCallbackInfo& progress, int64_t value) {
  Deliver(progress, value, Qt::BlockingQueuedConnection);
}

PageSpan ResolvePageRange(int32_t mode, int64_t firstPage, int64_t* lastPage, int64_t pageCount) {
  PageSpan span;
  // No page to clip to: every mode selects nothing, never page 0 or a page past the end.
  if (pageCount < 1) return span;
  if (mode == 2) {
    span.start = (firstPage >= 1 && firstPage <= pageCount) ? firstPage : 1;
    if (*lastPage < 1) *lastPage = 1;
    span.end = std::min(*lastPage, pageCount);
    span.start = std::min(span.start, span.end);
  } else if (mode == 1) {
    // Compared unsigned, so that a negative first page also means page 1.
    span.start = span.end = uint64_t(firstPage) > uint64_t(pageCount) ? 1 : firstPage;
  } else {
    span.start = 1;
    span.end = pageCount;
  }
  return span;
}

}  // namespace glimbrik
