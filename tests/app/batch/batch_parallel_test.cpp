#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <condition_variable>
#include <mutex>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_run.h"
#include "app/batch/batch_scheduler.h"
#include "app/batch_test_support.h"
#include "platform/codecs/image_source.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(BatchScheduler, TheMemoryBudgetLimitsWorkersForHugeImages) {
  const QString folder = test::MakeTempFolder(QStringLiteral("huge"));
  const QString huge = folder + "/huge.png", photo = folder + "/photo.png";
  ASSERT_TRUE(test::WriteBytes(huge, test::PngHeaderOnly(20000, 15000)));
  ASSERT_TRUE(test::WriteBytes(photo, test::PngHeaderOnly(6000, 4000)));
  const int64_t hugeBytes = EstimatedConversionBytes(huge);
  const int64_t photoBytes = EstimatedConversionBytes(photo);
  EXPECT_EQ(hugeBytes, int64_t(20000) * 15000 * 4 * 2);
  EXPECT_EQ(photoBytes, int64_t(6000) * 4000 * 4 * 2);

  // Eight cores and 8 GiB to spend: photographs fill every worker, 300-megapixel images run
  // three at a time, and one larger than the whole budget still runs, alone.
  BatchScheduler scheduler(BatchParallelism{8, int64_t(8) << 30});
  int started = 0;
  while (scheduler.CanStart(photoBytes)) scheduler.Started(photoBytes), ++started;
  EXPECT_EQ(started, 8);
  for (int i = 0; i < 8; ++i) scheduler.Finished(photoBytes);
  started = 0;
  while (scheduler.CanStart(hugeBytes)) scheduler.Started(hugeBytes), ++started;
  EXPECT_EQ(started, 3);
  for (int i = 0; i < 3; ++i) scheduler.Finished(hugeBytes);
  BatchScheduler small(BatchParallelism{8, int64_t(1) << 30});
  ASSERT_TRUE(small.CanStart(hugeBytes));
  small.Started(hugeBytes);
  EXPECT_FALSE(small.CanStart(1));
  EXPECT_EQ(small.peakRunning(), 1);
}

TEST(BatchScheduler, ARunStartsOnlyWhatTheBudgetAllows) {
  const QString folder = test::MakeTempFolder(QStringLiteral("budget"));
  QStringList paths;
  for (int i = 0; i < 6; ++i) {
    paths << folder + QStringLiteral("/f%1.png").arg(i);
    ASSERT_TRUE(test::WriteBytes(paths.back(), {}));
  }
  const QString dest = test::MakeTempFolder(QStringLiteral("budget-out"));
  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 4;
  // Each engine call waits, up to a limit, for a second one to run beside it.
  std::mutex mutex;
  std::condition_variable changed;
  int inside = 0;
  BatchEngine e;
  e.processImageFile = [&](ImageConversion* c) {
    std::unique_lock lock(mutex);
    ++inside;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::milliseconds(300), [&] { return inside >= 2; });
    --inside;
    lock.unlock();
    QFile f(c->destinationURL);
    return f.open(QIODevice::WriteOnly) ? 0 : 1;
  };
  e.convertImageFile = [](ImageConversion*) { return 0; };
  e.imageTypeForURL = [](const QString&) { return 7; };
  e.extensionForImageType = [](int) { return QStringLiteral("jpg"); };
  e.estimateBytes = [](const QString&) { return 600; };  // two would need more than the budget
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  const BatchRunResult narrow = ConvertImageThread(s, dest, host, cancel, e, {4, 1000});
  EXPECT_EQ(narrow.written, 6);
  EXPECT_EQ(narrow.peakWorkers, 1);

  // Side by side, the first file finishing last: the progress line still counts and names the
  // files in list order.
  host.progressNames.clear();
  int done = 0;
  e.processImageFile = [&](ImageConversion* c) {
    std::unique_lock lock(mutex);
    if (c->sourceURL == paths[0])
      changed.wait_for(lock, std::chrono::seconds(5), [&] { return done == 5; });
    ++done;
    changed.notify_all();
    return 0;
  };
  e.estimateBytes = {};
  ConvertImageThread(s, dest, host, cancel, e, {6, 0});
  EXPECT_EQ(host.progressNames,
            (QStringList{"f0.png", "f1.png", "f2.png", "f3.png", "f4.png", "f5.png"}));
}

// a.jpg and a.png side by side in six folders, all converted to JPEG into one folder.
QStringList CollidingSources(const QString& root) {
  QStringList paths;
  for (int folder = 0; folder < 6; ++folder) {
    const QString dir = root + QStringLiteral("/d%1").arg(folder);
    QDir().mkpath(dir);
    for (int k = 0; k < 2; ++k) {
      const QString path = dir + (k == 0 ? "/a.jpg" : "/a.png");
      test::Picture(folder * 2 + k).save(path, k == 0 ? "JPEG" : "PNG");
      paths << path;
    }
  }
  return paths;
}

TEST(BatchParallelRun, CollidingNamesAndBytesAreThoseOfAOneAtATimeRun) {
  const QString root = test::MakeTempFolder(QStringLiteral("collide"));
  QStringList paths = CollidingSources(root);
  paths += paths;  // 24 entries: every source twice
  ASSERT_EQ(paths.size(), 24);
  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 4;
  s.options.resizeOn = true;
  s.options.scaleMode = 2;
  s.options.unit = 2;
  s.options.widthText = s.options.heightText = QStringLiteral("40");
  const QString one = test::MakeTempFolder(QStringLiteral("one"));
  const QString many = test::MakeTempFolder(QStringLiteral("many"));
  // An existing file takes the first name in both runs.
  for (const QString& dest : {one, many}) test::Picture(99).save(dest + "/a.jpg", "JPEG");

  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  const BatchRunResult sequential =
      ConvertImageThread(s, one, host, cancel, DefaultBatchEngine(s), {1, 0});
  const BatchRunResult parallel =
      ConvertImageThread(s, many, host, cancel, DefaultBatchEngine(s), {8, 0});
  EXPECT_EQ(sequential.written, 24);
  EXPECT_EQ(parallel.written, 24);
  EXPECT_GE(parallel.peakWorkers, 2);
  ASSERT_EQ(sequential.destinations.size(), parallel.destinations.size());
  for (size_t i = 0; i < sequential.destinations.size(); ++i) {
    EXPECT_EQ(QFileInfo(sequential.destinations[i]).fileName(),
              QFileInfo(parallel.destinations[i]).fileName());
  }
  EXPECT_EQ(QFileInfo(parallel.destinations[23]).fileName(), QStringLiteral("a 24.jpg"));
  const auto expected = test::FolderContents(one);
  EXPECT_EQ(expected.size(), 25u);
  EXPECT_EQ(test::FolderContents(many), expected);

  // Cut copies, all meant for "truncated.jpg", fail: their names are the same for any number of
  // workers, also while the first is still under way when the last is named.
  const QString cut = test::MakeTempFolder(QStringLiteral("cut"));
  QStringList cutPaths;
  for (const char* format : {"jpg", "png", "tif", "webp"}) {
    cutPaths << cut + "/truncated." + format;
    ASSERT_TRUE(test::Picture(7, 320, 240).save(cutPaths.back(), nullptr, 90)) << format;
    ASSERT_TRUE(QFile::resize(cutPaths.back(), QFileInfo(cutPaths.back()).size() / 2));
  }
  BatchSnapshot cutRun = test::SnapshotOf(cutPaths);
  cutRun.options.outputType = 4;
  std::mutex mutex;
  std::condition_variable named;
  int namesAsked = 0;
  bool holdFirst = false;
  BatchEngine held = DefaultBatchEngine(cutRun);
  const BatchEngine real = held;
  held.extensionForImageType = [&](int type) {
    std::lock_guard lock(mutex);
    ++namesAsked;
    named.notify_all();
    return real.extensionForImageType(type);
  };
  held.processImageFile = [&](ImageConversion* c) {
    if (holdFirst && c->sourceURL == cutPaths[0]) {
      std::unique_lock lock(mutex);
      named.wait_for(lock, std::chrono::seconds(10), [&] { return namesAsked == 4; });
    }
    return real.processImageFile(c);
  };
  std::vector<QString> names[2];
  for (int workers : {1, 3}) {
    const QString out = test::MakeTempFolder(QStringLiteral("cut-out"));
    namesAsked = 0;
    holdFirst = workers > 1;  // one at a time the first is done before the next is named
    const BatchRunResult run = ConvertImageThread(cutRun, out, host, cancel, held, {workers, 0});
    for (const QString& path : run.destinations) {
      names[workers > 1].push_back(QFileInfo(path).fileName());
    }
  }
  ASSERT_EQ(names[0].size(), 4u);
  EXPECT_EQ(names[1], names[0]);
  EXPECT_EQ(names[0].back(), QStringLiteral("truncated 3.jpg"));
}

TEST(BatchParallelRun, CancellingLeavesOnlyCompleteFiles) {
  const QString source = test::MakeTempFolder(QStringLiteral("cancel"));
  QStringList paths;
  for (int i = 0; i < 24; ++i) {
    paths << source + QStringLiteral("/p%1.png").arg(i);
    ASSERT_TRUE(test::Picture(i, 900, 700).save(paths.back(), "PNG"));
  }
  const QString dest = test::MakeTempFolder(QStringLiteral("cancel-out"));
  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 4;
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  BatchEngine engine = DefaultBatchEngine(s);
  engine.processImageFile = [&, process = engine.processImageFile](ImageConversion* c) {
    const int result = process(c);
    cancel = true;  // at the first finished file
    return result;
  };
  const BatchRunResult run = ConvertImageThread(s, dest, host, cancel, engine, {4, 0});
  EXPECT_TRUE(run.cancelled);
  EXPECT_EQ(host.completionAlerts, 0);
  const QStringList written = QDir(dest).entryList(QDir::Files);
  EXPECT_EQ(written.size(), run.written);
  EXPECT_LE(written.size(), 4) << "the files under way, and none started after the cancel";
  EXPECT_EQ(run.destinations.size(), size_t(written.size()));
  for (const QString& name : written) {
    const auto image = ImageSource::Open(QDir(dest).filePath(name));
    ASSERT_TRUE(image->isValid()) << name.toStdString();
    const ImageResult<QImage> pixels = image->decode(0);
    ASSERT_TRUE(pixels.ok()) << name.toStdString() << " " << pixels.error.toStdString();
    EXPECT_EQ(pixels.value.size(), QSize(900, 700));
  }
}

}  // namespace
}  // namespace glimbrik
