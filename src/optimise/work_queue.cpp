#include "optimise/work_queue.h"

#include <algorithm>
#include <chrono>

namespace glimbrik {

void Operation::addDependency(const std::shared_ptr<Operation>& operation) {
  if (!operation || operation.get() == this) return;
  {
    std::lock_guard lock(mutex_);
    dependencies_.push_back(operation);
  }
  std::lock_guard lock(operation->mutex_);
  operation->dependents_.push_back(weak_from_this());
}

void Operation::cancel() {
  cancelled_ = true;
  // Cancelling makes the operation ready, so its queue may start it now.
  std::unique_lock lock(mutex_);
  WorkQueue* queue = queue_;
  lock.unlock();
  if (queue) queue->schedule();
}

bool Operation::isReady() const {
  if (cancelled_) return true;
  std::lock_guard lock(mutex_);
  return std::all_of(dependencies_.begin(), dependencies_.end(),
                     [](const std::shared_ptr<Operation>& d) { return d->isFinished(); });
}

void Operation::start() {
  if (finished_) return;
  if (!cancelled_) {
    executing_ = true;
    main();
    executing_ = false;
  }
  finished_ = true;
  notifyQueues();
}

void Operation::notifyQueues() {
  std::unique_lock lock(mutex_);
  std::vector<std::weak_ptr<Operation>> dependents = dependents_;
  WorkQueue* own = queue_;
  queue_ = nullptr;
  dependencies_.clear();  // no longer needed; lets finished chains be freed
  lock.unlock();
  for (const std::weak_ptr<Operation>& weak : dependents) {
    std::shared_ptr<Operation> dependent = weak.lock();
    if (!dependent) continue;
    std::unique_lock dependentLock(dependent->mutex_);
    WorkQueue* queue = dependent->queue_;
    dependentLock.unlock();
    if (queue && queue != own) queue->schedule();
  }
  if (own) own->finished(this);
}

WorkQueue::WorkQueue(int maxConcurrent) : maxConcurrent_(std::max(1, maxConcurrent)) {
  pool_.setMaxThreadCount(maxConcurrent_);
}

WorkQueue::~WorkQueue() {
  cancelAllOperations();
  {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return pending_.empty() && running_.empty(); });
  }
  pool_.waitForDone();
}

void WorkQueue::addOperation(const std::shared_ptr<Operation>& operation) {
  if (!operation || operation->isFinished()) return;
  {
    std::lock_guard operationLock(operation->mutex_);
    if (operation->queue_) return;  // already in a queue
    operation->queue_ = this;
  }
  {
    std::lock_guard lock(mutex_);
    pending_.push_back(operation);
  }
  schedule();
}

int WorkQueue::operationCount() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(pending_.size() + running_.size());
}

void WorkQueue::cancelAllOperations() {
  std::vector<std::shared_ptr<Operation>> all;
  {
    std::lock_guard lock(mutex_);
    all.assign(pending_.begin(), pending_.end());
    all.insert(all.end(), running_.begin(), running_.end());
  }
  for (const std::shared_ptr<Operation>& operation : all) operation->cancel();
}

bool WorkQueue::waitUntilAllOperationsAreFinished(int timeoutMs) {
  std::unique_lock lock(mutex_);
  return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                        [this] { return pending_.empty() && running_.empty(); });
}

void WorkQueue::schedule() {
  std::lock_guard lock(mutex_);
  while (static_cast<int>(running_.size()) < maxConcurrent_) {
    auto best = pending_.end();
    for (auto it = pending_.begin(); it != pending_.end(); ++it) {
      if (!(*it)->isReady()) continue;
      if (best == pending_.end() || (*it)->queuePriority() > (*best)->queuePriority()) best = it;
    }
    if (best == pending_.end()) return;
    std::shared_ptr<Operation> operation = *best;
    pending_.erase(best);
    running_.push_back(operation);
    pool_.start([operation] { operation->start(); });
  }
}

void WorkQueue::finished(Operation* operation) {
  {
    std::lock_guard lock(mutex_);
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [operation](const auto& o) { return o.get() == operation; }),
                   running_.end());
  }
  schedule();
  std::lock_guard lock(mutex_);
  if (pending_.empty() && running_.empty()) idle_.notify_all();
}

}  // namespace glimbrik
