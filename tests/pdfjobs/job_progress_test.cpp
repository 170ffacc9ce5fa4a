#include "pdfjobs/job_progress.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <vector>

namespace glimbrik {
namespace {

TEST(PageRange, ModesOverATwelvePageDocument) {
  const struct {
    const char* what;
    uint32_t mode;
    int64_t first, last;
    int64_t start, end, storedLast;
  } cases[] = {
      {"range", 2, 3, 4, 3, 4, 4},
      // A last page below 1 means page 1, and is stored back.
      {"last below one", 2, 3, 0, 1, 1, 1},
      // Past the end: clipped; a first page outside the document starts at 1.
      {"range past the end", 2, 20, 40, 1, 12, 40},
      {"single page past the end", 1, 13, 40, 1, 1, 40},
      {"single page below one", 1, -2, 40, 1, 1, 40},
      {"single page", 1, 7, 40, 7, 7, 40},
      {"all pages", 0, 5, 40, 1, 12, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int64_t last = c.last;
    const PageSpan span = ResolvePageRange(c.mode, c.first, &last, 12);
    EXPECT_EQ(span.start, c.start);
    EXPECT_EQ(span.end, c.end);
    EXPECT_EQ(last, c.storedLast);
  }
  int64_t last = 40;
  const PageSpan none = ResolvePageRange(0, 5, &last, 0);
  EXPECT_LT(none.end, none.start);
}

TEST(JobProgress, ReportsReachTheMainThreadInOrder) {
  std::vector<int64_t> seen;
  bool allOnMain = true;
  ProgressCallbackInfo progress;
  progress.callback = [&](int64_t v) {
    allOnMain = allOnMain && QThread::currentThread() == qApp->thread();
    seen.push_back(v);
  };
  QThread* worker = QThread::create([&] {
    ReportJobProgress(progress, 1);
    ReportJobProgress(progress, 2);
  });
  worker->start();
  ASSERT_TRUE(worker->wait(10000));
  delete worker;
  QCoreApplication::processEvents();
  EXPECT_EQ(seen, (std::vector<int64_t>{1, 2}));
  EXPECT_TRUE(allOnMain);

  ReportJobProgressAndWait(progress, 3);  // from the main thread: at once
  EXPECT_EQ(seen.back(), 3);
  EXPECT_FALSE(IsJobCancelled(progress));
  progress.isConversionCancelled = [] { return true; };
  EXPECT_TRUE(IsJobCancelled(progress));
}

}  // namespace
}  // namespace glimbrik
