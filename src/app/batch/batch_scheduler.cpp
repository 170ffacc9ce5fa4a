#include "app/batch/batch_scheduler.h"

#include <unistd.h>

#include <QThread>
#include <algorithm>

#include "platform/metadata/image_header.h"

namespace glimbrik {
namespace {

int64_t HalfThePhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return int64_t(2) << 30;
  return int64_t(pages) * pageSize / 2;
}

}  // namespace

BatchScheduler::BatchScheduler(const BatchParallelism& parallelism)
    : workers_(parallelism.workers > 0 ? parallelism.workers
                                       : std::max(1, QThread::idealThreadCount())),
      budget_(parallelism.memoryBudget > 0 ? parallelism.memoryBudget : HalfThePhysicalMemory()) {}

bool BatchScheduler::CanStart(int64_t bytes) const {
  if (running_ == 0) return true;
  return running_ < workers_ && inUse_ + std::max<int64_t>(bytes, 0) <= budget_;
}

void BatchScheduler::Started(int64_t bytes) {
  ++running_;
  inUse_ += std::max<int64_t>(bytes, 0);
  peak_ = std::max(peak_, running_);
}

void BatchScheduler::Finished(int64_t bytes) {
  --running_;
  inUse_ -= std::max<int64_t>(bytes, 0);
}

int64_t EstimatedConversionBytes(const QString& path) {
  const ImageHeaderResult result = ReadImageHeader(path);
  if (!result.header) return 0;
  const ImageHeader& h = *result.header;
  const int64_t bytesPerPixel = h.bitsPerComponent > 8 ? 8 : 4;
  return int64_t(h.width) * h.height * bytesPerPixel * 2;
}

}  // namespace glimbrik
