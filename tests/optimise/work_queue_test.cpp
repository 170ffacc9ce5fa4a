#include "optimise/work_queue.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QMutex>
#include <QStringList>
#include <atomic>
#include <future>
#include <thread>

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 30000;

// Operations that append their name to one log.
struct Log {
  QMutex mutex;
  QStringList entries;
  std::shared_ptr<BlockOperation> operation(const char* name, int priority = 0) {
    auto operation = std::make_shared<BlockOperation>([this, name] {
      QMutexLocker lock(&mutex);
      entries.append(QLatin1String(name));
    });
    operation->setQueuePriority(priority);
    return operation;
  }
};

// An operation that holds its thread until released, so that the queue's order can be set up.
struct Gate {
  std::promise<void> open;
  std::shared_future<void> opened = open.get_future().share();
  std::shared_ptr<BlockOperation> operation() {
    auto future = opened;
    return std::make_shared<BlockOperation>([future] { future.wait(); });
  }
};

TEST(WorkQueue, HigherPriorityStartsFirstThenOrderOfAddingButDependenciesComeBeforeBoth) {
  Log log;
  WorkQueue queue(1);
  Gate gate;
  queue.addOperation(gate.operation());
  auto a = log.operation("a", kQueuePriorityVeryLow);
  auto b = log.operation("b");
  auto c = log.operation("c", kQueuePriorityVeryHigh);
  c->addDependency(b);
  b->addDependency(a);
  for (const auto& operation :
       {c, log.operation("low", kQueuePriorityLow), log.operation("normal1"),
        log.operation("high", kQueuePriorityHigh), log.operation("normal2"), b, a}) {
    queue.addOperation(operation);
  }
  EXPECT_EQ(queue.operationCount(), 8);
  gate.open.set_value();
  ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(kTimeoutMs));
  EXPECT_EQ(log.entries, (QStringList{"high", "normal1", "normal2", "low", "a", "b", "c"}));
  EXPECT_EQ(queue.operationCount(), 0);
}

// Cancelled, an operation finishes without running and no longer holds back its dependents; the
// queue's end cancels what has not started.
TEST(WorkQueue, CancelledOperationSkipsItsBodyAndFreesItsDependentsAndTheQueuesEndCancelsTheRest) {
  Log log;
  Gate gate;
  auto blocker = gate.operation();
  auto cancelled = log.operation("cancelled");
  auto after = log.operation("after");
  auto never = log.operation("never");
  cancelled->addDependency(blocker);
  after->addDependency(cancelled);
  never->addDependency(blocker);
  std::thread opener;
  {
    WorkQueue queue(2);
    for (const auto& operation : {blocker, cancelled, after, never}) queue.addOperation(operation);
    cancelled->cancel();
    QDeadlineTimer deadline(kTimeoutMs);
    while (!after->isFinished() && !deadline.hasExpired()) std::this_thread::yield();
    EXPECT_TRUE(after->isFinished());
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_FALSE(blocker->isFinished());
    // The blocker is let go only once the queue's end has cancelled the waiting operation.
    opener = std::thread([&] {
      QDeadlineTimer deadline(kTimeoutMs);
      while (!never->isCancelled() && !deadline.hasExpired()) std::this_thread::yield();
      gate.open.set_value();
    });
  }
  opener.join();
  EXPECT_TRUE(never->isCancelled());
  EXPECT_TRUE(never->isFinished());
  EXPECT_EQ(log.entries, QStringList{"after"});
}

TEST(WorkQueue, NeverRunsMoreThanItsLimit) {
  WorkQueue queue(2);
  std::atomic<int> running{0};
  std::atomic<int> most{0};
  for (int i = 0; i < 12; ++i) {
    queue.addOperation(std::make_shared<BlockOperation>([&] {
      const int now = ++running;
      int seen = most.load();
      while (now > seen && !most.compare_exchange_weak(seen, now)) {
      }
      for (int spin = 0; spin < 200; ++spin) std::this_thread::yield();
      --running;
    }));
  }
  ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(kTimeoutMs));
  EXPECT_LE(most.load(), 2);
  EXPECT_GE(most.load(), 1);
}

}  // namespace
}  // namespace glimbrik
