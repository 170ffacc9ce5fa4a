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

TEST(WorkQueue, CancelledOperationSkipsItsBodyAndFreesItsDependents) {
  Log log;
  WorkQueue queue(2);
  Gate gate;
  auto blocker = gate.operation();
  auto cancelled = log.operation("cancelled");
  cancelled->addDependency(blocker);
  auto after = log.operation("after");
  after->addDependency(cancelled);
  queue.addOperation(blocker);
  queue.addOperation(cancelled);
  queue.addOperation(after);
  // Cancelled, the operation no longer waits for its own dependency.
  cancelled->cancel();
  EXPECT_FALSE(queue.waitUntilAllOperationsAreFinished(0));
  std::promise<void> done;
  auto watcher = std::make_shared<BlockOperation>([&] { done.set_value(); });
  watcher->addDependency(after);
  queue.addOperation(watcher);
  ASSERT_EQ(done.get_future().wait_for(std::chrono::milliseconds(kTimeoutMs)),
            std::future_status::ready);
  EXPECT_EQ(log.entries, QStringList{"after"});
  EXPECT_TRUE(cancelled->isFinished());
  EXPECT_FALSE(blocker->isFinished());
  gate.open.set_value();
  ASSERT_TRUE(queue.waitUntilAllOperationsAreFinished(kTimeoutMs));
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

TEST(WorkQueue, DestroyingTheQueueCancelsWhatHasNotStarted) {
  Log log;
  auto never = log.operation("never");
  Gate gate;
  std::thread opener;
  {
    WorkQueue queue(1);
    auto blocker = gate.operation();
    queue.addOperation(blocker);
    never->addDependency(blocker);
    queue.addOperation(never);
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
  EXPECT_TRUE(log.entries.isEmpty());
}

}  // namespace
}  // namespace glimbrik
