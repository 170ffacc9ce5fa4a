#pragma once

// The threads that convert a batch run's files side by side. Jobs are handed in by id and their
// ids come back as they finish; with one thread a job runs on the caller, inside Submit.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace glimbrik {

class ScopedReadBufferReuse;

class BatchWorkers {
 public:
  explicit BatchWorkers(int threads);
  // Lets the jobs under way finish, then ends the threads.
  ~BatchWorkers();
  BatchWorkers(const BatchWorkers&) = delete;
  BatchWorkers& operator=(const BatchWorkers&) = delete;

  void Submit(int id, std::function<void()> job);
  // Blocks until a job has finished and returns its id; each id comes back once.
  int WaitForFinished();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  std::deque<std::pair<int, std::function<void()>>> queue_;
  std::deque<int> done_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  // Jobs run inline on the thread that made this object read their files into one buffer, as the
  // threads do.
  std::unique_ptr<ScopedReadBufferReuse> inlineReads_;
};

}  // namespace glimbrik
