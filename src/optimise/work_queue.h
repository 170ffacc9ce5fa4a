#pragma once

#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace glimbrik {

class WorkQueue;

// The queue priorities of the platform's operations.
enum QueuePriority : int {
  kQueuePriorityVeryLow = -8,
  kQueuePriorityLow = -4,
  kQueuePriorityNormal = 0,
  kQueuePriorityHigh = 4,
  kQueuePriorityVeryHigh = 8,
};

// One unit of work for a WorkQueue. It becomes ready when every dependency has finished, or at
// once when it is cancelled; a cancelled operation finishes without running main().
class Operation : public std::enable_shared_from_this<Operation> {
 public:
  Operation() = default;
  Operation(const Operation&) = delete;
  Operation& operator=(const Operation&) = delete;
  virtual ~Operation() = default;

  // Dependencies are set before the operation is added to a queue.
  void addDependency(const std::shared_ptr<Operation>& operation);
  void setQueuePriority(int priority) { priority_ = priority; }
  int queuePriority() const { return priority_; }

  virtual void cancel();
  bool isCancelled() const { return cancelled_; }
  bool isExecuting() const { return executing_; }
  bool isFinished() const { return finished_; }
  bool isReady() const;

  // Runs main() unless cancelled, then marks the operation finished and wakes its queues.
  void start();

 protected:
  virtual void main() = 0;

 private:
  friend class WorkQueue;
  void notifyQueues();

  std::atomic<int> priority_{kQueuePriorityNormal};
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> executing_{false};
  std::atomic<bool> finished_{false};
  mutable std::mutex mutex_;  // guards the lists below
  std::vector<std::shared_ptr<Operation>> dependencies_;
  std::vector<std::weak_ptr<Operation>> dependents_;
  WorkQueue* queue_ = nullptr;
};

// An operation that runs a function.
class BlockOperation final : public Operation {
 public:
  explicit BlockOperation(std::function<void()> body) : body_(std::move(body)) {}

 protected:
  void main() override {
    if (body_) body_();
  }

 private:
  std::function<void()> body_;
};

// A queue that runs ready operations on its own threads, highest priority first and in the
// order added among equals, at most maxConcurrent at a time. Destroying it cancels what has
// not started and waits for what runs.
class WorkQueue {
 public:
  explicit WorkQueue(int maxConcurrent);
  WorkQueue(const WorkQueue&) = delete;
  WorkQueue& operator=(const WorkQueue&) = delete;
  ~WorkQueue();

  void addOperation(const std::shared_ptr<Operation>& operation);
  // Operations added and not yet finished, running ones included.
  int operationCount() const;
  int maxConcurrentOperationCount() const { return maxConcurrent_; }
  void cancelAllOperations();
  // False when operations remain after timeoutMs milliseconds.
  bool waitUntilAllOperationsAreFinished(int timeoutMs);

 private:
  friend class Operation;
  void schedule();
  void finished(Operation* operation);

  const int maxConcurrent_;
  QThreadPool pool_;
  mutable std::mutex mutex_;
  std::condition_variable idle_;
  std::deque<std::shared_ptr<Operation>> pending_;
  std::vector<std::shared_ptr<Operation>> running_;
};

}  // namespace glimbrik
