#pragma once

// How many files of a batch run convert at once: one worker per core, fewer when the images are
// so large that their decoded pixels would not fit the memory budget side by side.

#include <QString>
#include <cstdint>

namespace glimbrik {

struct BatchParallelism {
  int workers = 0;           // 0: one per core
  int64_t memoryBudget = 0;  // bytes the running files may need together; 0: half the RAM
};

class BatchScheduler {
 public:
  explicit BatchScheduler(const BatchParallelism& parallelism);

  // Whether a file needing `bytes` may start now. A file always may when nothing runs, so that
  // an image larger than the budget still converts, alone.
  bool CanStart(int64_t bytes) const;
  void Started(int64_t bytes);
  void Finished(int64_t bytes);

  int workers() const { return workers_; }
  int64_t budget() const { return budget_; }
  int running() const { return running_; }
  int peakRunning() const { return peak_; }

 private:
  int workers_;
  int64_t budget_;
  int running_ = 0;
  int64_t inUse_ = 0;
  int peak_ = 0;
};

// What converting the file may hold in memory at once: its decoded frame and one more of that
// size (a canvas or a conversion), from the header alone. 0 when the header cannot be read.
int64_t EstimatedConversionBytes(const QString& path);

}  // namespace glimbrik
