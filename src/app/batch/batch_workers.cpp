#include "app/batch/batch_workers.h"

#include <malloc.h>

#include "engine/filters/pipeline_pixels.h"
#include "platform/codecs/image_source.h"

namespace glimbrik {

namespace {

// Every file allocates and frees buffers of a few megabytes (canvas, decoder rows, the encoded
// output). By default glibc hands such memory back after each file, and the next file on that
// worker faults every page in anew: a tenth more CPU for a parallel run than for one at a time.
// Freed memory is kept up to these sizes instead; images larger than that still come and go.
void KeepFreedMemoryBetweenFiles() {
  static std::once_flag once;
  std::call_once(once, [] {
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
  });
}

}  // namespace

BatchWorkers::BatchWorkers(int threads) {
  KeepFreedMemoryBetweenFiles();
  if (threads <= 1) {
    inlineReads_ = std::make_unique<ScopedReadBufferReuse>();
    return;
  }
  threads_.reserve(size_t(threads));
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { Work(); });
}

BatchWorkers::~BatchWorkers() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void BatchWorkers::Submit(int id, std::function<void()> job) {
  if (threads_.empty()) {
    job();
    std::lock_guard lock(mutex_);
    done_.push_back(id);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    queue_.emplace_back(id, std::move(job));
  }
  wake_.notify_one();
}

int BatchWorkers::WaitForFinished() {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return !done_.empty(); });
  const int id = done_.front();
  done_.pop_front();
  return id;
}

void BatchWorkers::Work() {
  // The workers already fill the cores: a file's filters run on its own worker.
  const ScopedInnerParallelism inline_(1);
  const ScopedReadBufferReuse reads;
  for (;;) {
    std::pair<int, std::function<void()>> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (queue_.empty()) return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    try {
      job.second();
    } catch (...) {
      // The job's own result says it failed; the worker goes on with the next file.
    }
    {
      std::lock_guard lock(mutex_);
      done_.push_back(job.first);
    }
    finished_.notify_all();
  }
}

}  // namespace glimbrik
