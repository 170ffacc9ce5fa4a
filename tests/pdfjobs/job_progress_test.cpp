#include "pdfjobs/job_progress.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <vector>

namespace glimbrik {
namespace {

TEST(PageRange, ModesOverATwelvePageDocument) {
  int64_t last = 4;
  PageSpan span = ResolvePageRange(2, 3, &last, 12);
  EXPECT_EQ(span.start, 3);
  EXPECT_EQ(span.end, 4);

  last = 0;  // a last page below 1 means page 1, and is stored back
  span = ResolvePageRange(2, 3, &last, 12);
  EXPECT_EQ(last, 1);
  EXPECT_EQ(span.start, 1);
  EXPECT_EQ(span.end, 1);

  last = 40;  // past the end: clipped; a first page outside the document starts at 1
  span = ResolvePageRange(2, 20, &last, 12);
  EXPECT_EQ(span.start, 1);
  EXPECT_EQ(span.end, 12);

  span = ResolvePageRange(1, 13, &last, 12);
  EXPECT_EQ(span.start, 1);
  EXPECT_EQ(span.end, 1);
  span = ResolvePageRange(1, -2, &last, 12);
  EXPECT_EQ(span.start, 1);
  span = ResolvePageRange(1, 7, &last, 12);
  EXPECT_EQ(span.start, 7);
  EXPECT_EQ(span.end, 7);

  span = ResolvePageRange(0, 5, &last, 12);
  EXPECT_EQ(span.start, 1);
  EXPECT_EQ(span.end, 12);
  span = ResolvePageRange(0, 5, &last, 0);
  EXPECT_LT(span.end, span.start);
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
