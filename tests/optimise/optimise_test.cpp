// The optimiser tools, through stand-ins found first on PATH and through the real ones: what each
// is given, what is made of what it leaves, the roads a picture takes through them, and the
// queue they run on.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QMutex>
#include <atomic>
#include <cerrno>
#include <functional>
#include <future>
#include <thread>

#include "optimise/batch_optimise.h"
#include "optimise/file.h"
#include "optimise/gifsicle_agent.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/png_crush_agent.h"
#include "optimise/png_out_agent.h"
#include "optimise/work_queue.h"
#include "platform/image_fixtures.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"
#include "platform/store/user_defaults.h"
#include "stand_in_tool.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 60000;

using Make = std::function<std::unique_ptr<Agent>(std::shared_ptr<File>)>;

template <class A, class... Args>
Make Build(Args... args) {
  return [=](std::shared_ptr<File> job) { return std::make_unique<A>(job, args...); };
}

// A shell snippet that writes n bytes of 'r' to the tool's last argument.
QString WriteToLast(int bytes) {
  return QStringLiteral("for a; do l=$a; done; head -c %1 /dev/zero | tr '\\0' r > \"$l\"; ")
      .arg(bytes);
}

// A picture with gradients and edges that every tool can shrink, in the format its name ends
// with: a PNG without compression, a baseline JPEG with the standard tables, a GIF carrying a long
// comment.
bool WritePicture(const QString& path) {
  QImage image(96, 64, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgb(x * 255 / 95, y * 255 / 63, ((x / 8 + y / 8) % 2) * 200));
  }
  if (path.endsWith(QStringLiteral(".gif"))) {
    const QString png = path + ".png";
    bool ok = image.save(png);
    test::RunTool(
        QStringLiteral("convert"),
        {png, QStringLiteral("-set"), QStringLiteral("comment"), QString(200, u'c'), path}, &ok);
    return ok && QFile::remove(png);
  }
  QImageWriter writer(path);
  writer.setQuality(path.endsWith(QStringLiteral(".png")) ? 100 : 90);  // PNG: no compression
  writer.setOptimizedWrite(false);
  return writer.write(image);
}

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

class Optimise : public ::testing::Test {
 protected:
  void TearDown() override {
    job_->cleanup();
    for (const char* key :
         {"GifsicleEnabled", "BackupFiles", "PngCrushEnabled", "OptiPngEnabled", "AdvPngEnabled",
          "JpegOptimEnabled", "JpegTranEnabled", "PreservePermissions", "RunLowPriority",
          "PngOutLevel", "PngOutRemoveChunks"}) {
      RemoveUserDefault(QLatin1String(key));
    }
    // Whatever became of the run, no temporary file is left, and nothing beside the pictures but
    // the backups asked for.
    EXPECT_TRUE(QDir(PrivateTempFolder()).entryList(QDir::Files).isEmpty());
    for (const QString& name : QDir(folder_).entryList(QDir::Files | QDir::Hidden))
      EXPECT_FALSE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
  }

  // Runs a queued job to its end: the io queue inspects, the cpu queue optimises, the io queue
  // saves.
  std::shared_ptr<File> Run(const QString& path, int threads = 2) {
    auto job = std::make_shared<File>(path);
    WorkQueue cpu(threads), io(1);
    Gate gate;  // holds the cpu queue until the job has queued all its agents
    cpu.addOperation(gate.operation());
    job->enqueueWorkersInCPUQueue(cpu, io);
    EXPECT_TRUE(io.waitUntilAllOperationsAreFinished(kTimeoutMs));
    gate.open.set_value();
    EXPECT_TRUE(cpu.waitUntilAllOperationsAreFinished(kTimeoutMs));
    EXPECT_TRUE(io.waitUntilAllOperationsAreFinished(kTimeoutMs));
    EXPECT_FALSE(job->isBusy());
    return job;
  }

  // Gifsicle's result of the given size, offered to the job; what the job then keeps.
  QString OfferFromGifsicle(int size, bool interlace = false) {
    tools_.setScript(QStringLiteral("head -c %1 /dev/zero > \"$2\"").arg(size));
    GifsicleAgent agent(job_);
    agent.setInterlace(interlace);
    agent.run();
    return job_->filePathOptimized();
  }

  test::StandInTools tools_;
  QString folder_ = test::MakeTempFolder();
  QString path_ = folder_ + "/picture.img";
  QByteArray original_ = QByteArray(1000, 'o');
  std::shared_ptr<File> job_ =
      test::WriteBytes(path_, original_) ? std::make_shared<File>(path_) : nullptr;
};
using AgentArguments = Optimise;
using AgentResults = Optimise;
using QueuedRoad = Optimise;
using BatchRoad = Optimise;
using FileSave = Optimise;

// The batch road's agents; the queued road's are held by
// QueuedRoad.EachToolRunsWhenItsOwnOptionAloneIsOn.
TEST_F(AgentArguments, EachAgentsVectorAndWhetherItChangesMoreThanTheEncoding) {
  tools_.install({"jpegoptim", "pngcrush"});
  const struct {
    Make make;
    const char* expected;
    bool nonOptimising;
  } cases[] = {
      // jpegoptim passes a maximum quality only strictly between 10 and 100.
      {Build<JPEGOptimAgent>(100, false), "JpegOptim -q -- <temp>", false},
      {Build<JPEGOptimAgent>(99, false), "JpegOptim -m99 -q -- <temp>", true},
      {Build<JPEGOptimAgent>(11, true), "JpegOptim -m11 --strip-all -q -- <temp>", true},
      {Build<JPEGOptimAgent>(10, false), "JpegOptim -q -- <temp>", true},
      {Build<JPEGOptimAgent>(100, true), "JpegOptim --strip-all -q -- <temp>", false},
      {Build<QVXPngCrushAgent>(1), "PngCrush -try10 -q -reduce -- <in> <temp>", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    const qsizetype before = tools_.invocations().size();
    const std::unique_ptr<Agent> agent = c.make(job_);
    agent->run();
    EXPECT_EQ(tools_.invocations().size(), before + 1);
    EXPECT_EQ(test::WithPlaceholders(tools_.invocations().value(before), path_),
              QString::fromLatin1(c.expected).split(' '));
    EXPECT_EQ(agent->makesNonOptimizingModifications(), c.nonOptimising);
  }
}

TEST_F(AgentArguments, RunLowPriorityLowersTheTool) {
  tools_.install({"jpegtran"});
  const QString niceFile = test::MakeTempFolder() + "/nice.txt";
  tools_.setScript(QStringLiteral("i=0; while [ \"$(nice)\" -lt 10 ] && [ $i -lt 2000 ]; do "
                                  "i=$((i+1)); done; nice > '%1'; exit 1")
                       .arg(niceFile));
  SetUserDefault(QStringLiteral("RunLowPriority"), true);
  JPEGTranAgent(job_).run();
  EXPECT_EQ(test::ReadBytes(niceFile).trimmed(), QByteArray("10"));

  // Off, the tool keeps this process's priority however long it runs.
  tools_.setScript(QStringLiteral("i=0; while [ $i -lt 300 ]; do [ \"$(nice)\" -ge 10 ] && break; "
                                  "i=$((i+1)); done; nice > '%1'; exit 1")
                       .arg(niceFile));
  SetUserDefault(QStringLiteral("RunLowPriority"), false);
  errno = 0;
  const int own = ::getpriority(PRIO_PROCESS, 0);
  ASSERT_EQ(errno, 0);
  ASSERT_LT(own, 10);
  JPEGTranAgent(job_).run();
  EXPECT_EQ(test::ReadBytes(niceFile).trimmed(), QByteArray::number(own));
}

TEST_F(AgentResults, OnlyASmallerResultOfAToolThatSucceededReplacesTheFile) {
  tools_.install({"jpegtran", "jpegoptim", "pngcrush"});
  const QString toOut = QStringLiteral("head -c %1 /dev/zero | tr '\\0' r > \"$5\"; ");
  QList<std::tuple<Make, QString, QByteArray>> cases;
  for (const char* ending : {"exit 1", "exit 2", "kill -KILL $$", "kill -SEGV $$"}) {
    cases.append({Build<JPEGTranAgent>(), toOut.arg(10) + ending, original_});
    cases.append({Build<JPEGOptimAgent>(100, false), WriteToLast(10) + ending, original_});
  }
  cases.append({Build<JPEGTranAgent>(), toOut.arg(1000), original_});
  cases.append({Build<JPEGTranAgent>(), toOut.arg(1500), original_});
  cases.append({Build<QVXPngCrushAgent>(1), WriteToLast(70), original_});  // below 71 bytes
  cases.append({Build<JPEGTranAgent>(), toOut.arg(400), QByteArray(400, 'r')});
  cases.append({Build<QVXPngCrushAgent>(1), WriteToLast(71), QByteArray(71, 'r')});
  for (const auto& [make, script, expected] : cases) {
    SCOPED_TRACE(script.toStdString());
    tools_.setScript(script);
    make(job_)->run();
    EXPECT_EQ(test::ReadBytes(path_), expected);
  }
  EXPECT_EQ(job_->byteSizeOptimized(), 71u);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("PngCrush"));
}

// PngOut, which is looked for beside the application, switches itself off.
TEST_F(AgentResults, AMissingToolLeavesTheFileAndSaysWhy) {
  qputenv("PATH", "/nonexistent");  // the stand-ins put it back
  JPEGOptimAgent agent(job_, 100, true);
  agent.run();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_EQ(job_->statusOrder(), 8);
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("JpegOptim"));
  EXPECT_EQ(agent.lastTaskResult().status(), 127);

  SetUserDefault(QStringLiteral("PngOutEnabled"), true);
  SetUserDefault(QStringLiteral("PngOutLevel"), 1);
  PNGOutAgent pngOut(job_);
  EXPECT_EQ(pngOut.arguments(), (QStringList{"-k1", "-s2", "-r", "-v", path_, "-"}));
  pngOut.run();
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PngOutEnabled")));
  EXPECT_EQ(job_->statusText(), LocalizedString("%@ failed to start").arg("PngOut"));
  SetUserDefault(QStringLiteral("PngOutLevel"), 3);
  SetUserDefault(QStringLiteral("PngOutRemoveChunks"), true);
  PNGOutAgent stripping(job_);
  EXPECT_EQ(stripping.arguments(), (QStringList{"-r", "-v", path_, "-"}));
}

TEST_F(AgentResults, AReplacedFileStaysBehindItsLinkAndKeepsItsPermissionsOnlyWhenAsked) {
  tools_.install({"jpegoptim"});
  const QString link = folder_ + "/picture.img.link";
  ASSERT_TRUE(QFile::link(path_, link));
  const mode_t oldMask = ::umask(022);
  for (const bool preserve : {false, true}) {
    ASSERT_TRUE(
        QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    SetUserDefault(QStringLiteral("PreservePermissions"), preserve);
    tools_.setScript(WriteToLast(preserve ? 50 : 100));
    JPEGOptimAgent(std::make_shared<File>(link), 100, false).run();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(test::ReadBytes(path_).size(), preserve ? 50 : 100);
    EXPECT_EQ(QFileInfo(path_).permissions() & 0x0777,
              QFile::Permissions(preserve ? 0x0640 : 0x0644));
  }
  ::umask(oldMask);
}

// Only a strictly smaller result of at least 31 bytes replaces the best, and the old best is
// deleted. A save that fails leaves the file, says so, and keeps the result for the job's cleanup.
TEST_F(FileSave, TheJobKeepsOnlyASmallerResultAndNeverSavesOneItCannotSaveWhole) {
  tools_.install({"gifsicle"});
  EXPECT_TRUE(OfferFromGifsicle(2000).isEmpty());
  const QString kept = OfferFromGifsicle(600, true);
  ASSERT_FALSE(kept.isEmpty());
  EXPECT_EQ(OfferFromGifsicle(600), kept);
  EXPECT_EQ(OfferFromGifsicle(30), kept);
  EXPECT_EQ(job_->bestToolName(), QStringLiteral("Gifsicle interlaced"));
  const QString smaller = OfferFromGifsicle(500);
  EXPECT_EQ(File::fileByteSize(smaller), 500u);
  EXPECT_FALSE(QFile::exists(kept));

  job_->setFilePath(path_ + ".gone/inner.gif");
  job_->saveResultAndUpdateStatus();
  EXPECT_EQ(job_->statusImageName(), QStringLiteral("err"));
  EXPECT_EQ(job_->statusOrder(), 9);
  EXPECT_EQ(job_->statusText(), LocalizedString("Optimized file could not be saved"));
  EXPECT_FALSE(job_->isDone());
  EXPECT_TRUE(QFile::exists(smaller));
  job_->setFilePath(path_);
  ASSERT_TRUE(test::WriteBytes(smaller, QByteArray(400, 'x')));  // changed behind its back
  EXPECT_FALSE(job_->saveResult());
  SetUserDefault(QStringLiteral("PreservePermissions"), true);
  OfferFromGifsicle(34);  // too small to carry the permissions
  EXPECT_FALSE(job_->saveResult());
  EXPECT_EQ(test::ReadBytes(path_), original_);
  job_->cleanup();
  EXPECT_TRUE(job_->filePath().isEmpty());
}

// A backup replaces an older one. A second batch run finds nothing more to gain and must not
// grow the file.
TEST_F(QueuedRoad, TheRealToolsOnBothRoadsShrinkEachTypeKeepItsPixelsAndBackUpOnlyWhenAsked) {
  const struct {
    const char* name;
    QStringList keys;  // the queued road's options
    const char* best;  // the tool named in the status, where only one can be
    std::function<void(const QString&)> batch;
  } cases[] = {
      {"x.gif", {"GifsicleEnabled", "BackupFiles"}, "Gifsicle", nullptr},
      {"x.png", {"PngCrushEnabled", "OptiPngEnabled", "AdvPngEnabled"}, "", nullptr},
      {"x.jpg", {"JpegOptimEnabled", "JpegTranEnabled"}, "", nullptr},
      {"b.png", {}, "", [](const QString& p) { OptimisePNGFile(p); }},
      {"b.jpg", {}, "", [](const QString& p) { OptimiseJPEGFile(p, false); }},
      {"c.jpg", {}, "", [](const QString& p) { OptimiseJPEGFile(p, true); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString path = folder_ + "/" + c.name, reference = folder_ + "/reference-" + c.name;
    ASSERT_TRUE(WritePicture(path) && QFile::copy(path, reference));
    ASSERT_TRUE(!c.keys.contains("BackupFiles") || test::WriteBytes(path + "~", "stale backup"));
    for (const QString& key : c.keys) SetUserDefault(key, true);
    if (c.batch) {
      c.batch(path);
      const qint64 once = QFileInfo(path).size();
      c.batch(path);
      EXPECT_LE(QFileInfo(path).size(), once);
    } else {
      const auto job = Run(path);
      EXPECT_TRUE(job->isDone()) << job->statusText().toStdString();
      EXPECT_EQ(job->statusImageName(), QStringLiteral("ok"));
      EXPECT_TRUE(job->statusText().startsWith(
          LocalizedString("Optimized successfully with %@").arg(QLatin1String(c.best))));
      EXPECT_EQ(job->byteSize(), static_cast<quint64>(QFileInfo(reference).size()));
      EXPECT_EQ(job->byteSizeOptimized(), static_cast<quint64>(QFileInfo(path).size()));
      job->cleanup();
    }
    EXPECT_LT(QFileInfo(path).size(), QFileInfo(reference).size());
    EXPECT_EQ(QImage(path).convertToFormat(QImage::Format_ARGB32),
              QImage(reference).convertToFormat(QImage::Format_ARGB32));
    const QString backup = path + QLatin1Char('~');
    EXPECT_EQ(QFileInfo::exists(backup), c.keys.contains("BackupFiles"));
    if (QFileInfo::exists(backup)) {
      EXPECT_EQ(test::ReadBytes(backup), test::ReadBytes(reference));
    }
    RemoveUserDefault(QStringLiteral("BackupFiles"));
  }
}

// The stand-ins write nothing, so no tool has a result. Also holds the vectors the queued road's
// agents give their tools, that the jpegoptim agent, which changes the image, runs first, and
// that files no tool can take are reported and left alone.
TEST_F(QueuedRoad, EachToolRunsWhenItsOwnOptionAloneIsOn) {
  const QString gifsicle = QStringLiteral(
      "-O3 --careful --no-comments --no-names --same-delay --same-loopcount --no-warnings -- <in>");
  const QString optim = QStringLiteral("JpegOptim -q -- <temp>");
  const QString tran = QStringLiteral("jpegtran -copy all -optimize -outfile <temp> <in>");
  const struct {
    QString keys;
    const char* name;
    QStringList expected;  // in the order run, one at a time
    const char* error = nullptr;
  } cases[] = {
      {"PngCrushEnabled", "x.png", {"PngCrush -try10 -q -reduce -- <in> <temp>"}},
      {"OptiPngEnabled", "x.png", {"OptiPNG -i0 -o6 -out <temp> -- <in>"}},
      {"AdvPngEnabled", "x.png", {"AdvPNG -2 -z -- <temp>"}},
      {"JpegOptimEnabled", "x.jpg", {optim}},
      {"JpegTranEnabled", "x.jpg", {tran}},
      {"JpegTranEnabled JpegOptimEnabled", "x.jpg", {optim, tran}},
      {"GifsicleEnabled",
       "x.gif",
       {"Gifsicle -o <temp> --no-interlace " + gifsicle,
        "Gifsicle -o <temp> --interlace " + gifsicle}},
      {"JpegOptimEnabled", "x.bmp", {}, "File is neither PNG, GIF nor JPEG"},
      {"PngCrushEnabled", "empty.png", {}, "Can't map file into memory"},
      {"JpegOptimEnabled", "x.gif", {}, "All neccessary tools have been disabled in Preferences"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys.toStdString() + " " + c.name);
    test::StandInTools tools;
    tools.install({"pngcrush", "optipng", "advpng", "jpegoptim", "jpegtran", "gifsicle"});
    const QString path = folder_ + "/" + c.name;
    ASSERT_TRUE(c.name == QLatin1String("empty.png") ? test::WriteBytes(path, {})
                                                     : WritePicture(path));
    const QByteArray before = test::ReadBytes(path);
    for (const QString& key : c.keys.split(' ')) SetUserDefault(key, true);
    const auto job = Run(path, 1);
    for (const QString& key : c.keys.split(' ')) RemoveUserDefault(key);
    QStringList calls;
    for (const QStringList& call : tools.invocations())
      calls.append(test::WithPlaceholders(call, path).join(' '));
    EXPECT_EQ(calls.join('\n').toStdString(), c.expected.join('\n').toStdString());
    EXPECT_EQ(job->statusImageName(), QLatin1String(c.error ? "err" : "noopt"));
    EXPECT_EQ(job->statusOrder(), c.error ? 8 : 5);
    EXPECT_EQ(job->statusText(),
              LocalizedString(c.error ? c.error : "File cannot be optimized any further"));
    EXPECT_EQ(test::ReadBytes(path), before);
  }
}

TEST_F(QueuedRoad, CleanupStopsARunningToolAndLeavesTheFile) {
  test::StandInTools tools;
  tools.install({"gifsicle"});
  tools.setScript(QStringLiteral("head -c 100 /dev/zero > \"$2\"; exec sleep 60"));
  const QString path = folder_ + "/x.gif";
  ASSERT_TRUE(WritePicture(path));
  const QByteArray before = test::ReadBytes(path);
  SetUserDefault(QStringLiteral("GifsicleEnabled"), true);
  auto job = std::make_shared<File>(path);
  WorkQueue cpu(1), io(1);
  job->enqueueWorkersInCPUQueue(cpu, io);
  QDeadlineTimer deadline(kTimeoutMs);
  while (tools.invocations().isEmpty() && !deadline.hasExpired()) std::this_thread::yield();
  ASSERT_EQ(tools.invocations().size(), 1);
  job->cleanup();
  // Far less than the tool's own minute: the running tool was ended, the waiting one never ran.
  ASSERT_TRUE(cpu.waitUntilAllOperationsAreFinished(kTimeoutMs / 2));
  ASSERT_TRUE(io.waitUntilAllOperationsAreFinished(kTimeoutMs));
  EXPECT_EQ(tools.invocations().size(), 1);
  EXPECT_EQ(test::ReadBytes(path), before);
  EXPECT_TRUE(job->filePathOptimized().isEmpty());
}

TEST_F(BatchRoad, DamagedFilesAreLeftAsTheyWere) {
  ASSERT_TRUE(WritePicture(folder_ + "/source.png"));
  const QByteArray png = test::ReadBytes(folder_ + "/source.png");
  const QList<std::pair<const char*, QByteArray>> cases = {
      {"truncated.png", png.left(png.size() / 2)},
      {"garbage.png", QByteArray(5000, 'g')},
      {"garbage.jpg", QByteArray("\xFF\xD8\xFF") + QByteArray(5000, 'g')},
      {"empty.jpg", QByteArray()},
  };
  for (const auto& [name, data] : cases) {
    const QString path = folder_ + QLatin1Char('/') + QLatin1String(name);
    ASSERT_TRUE(test::WriteBytes(path, data));
    path.endsWith(QStringLiteral(".png")) ? OptimisePNGFile(path) : OptimiseJPEGFile(path, true);
    EXPECT_EQ(test::ReadBytes(path), data) << name;
  }
}

// A stop (a cancelled batch run) ends the tool at once: the file keeps its bytes, though the tool
// had already written a smaller result, and no temporary file is left.
TEST_F(BatchRoad, AStopEndsTheToolAndLeavesTheFileAsItWas) {
  tools_.install({"jpegoptim", "pngcrush"});
  tools_.setScript(
      QStringLiteral("for a; do last=$a; done; head -c 100 /dev/zero > \"$last\"; exec sleep 60"));
  const auto temporaryFiles = [] { return QDir(PrivateTempFolder()).entryList(QDir::Files); };
  const QStringList tempBefore = temporaryFiles();
  for (const char* name : {"x.png", "x.jpg"}) {
    SCOPED_TRACE(name);
    const QString path = folder_ + "/" + name;
    ASSERT_TRUE(WritePicture(path));
    const QByteArray before = test::ReadBytes(path);
    const qsizetype calls = tools_.invocations().size();
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
      const QDeadlineTimer until(kTimeoutMs);
      while (tools_.invocations().size() == calls && !until.hasExpired()) std::this_thread::yield();
      stop = true;
    });
    const QDeadlineTimer limit(20000);
    path.endsWith(QStringLiteral(".png")) ? OptimisePNGFile(path, &stop)
                                          : OptimiseJPEGFile(path, false, &stop);
    stopper.join();
    EXPECT_FALSE(limit.hasExpired()) << "far less than the tool's own minute";
    EXPECT_EQ(tools_.invocations().size(), calls + 1);
    EXPECT_EQ(test::ReadBytes(path), before);
  }
  EXPECT_EQ(temporaryFiles(), tempBefore);
}

TEST(FileSizes, TheFirstMeasuredSizeAndTheSmallestResultMakeThePercentage) {
  File job;
  job.setByteSize(10);  // below 11 is never taken
  job.setByteSize(5000);
  job.setByteSize(4000);
  EXPECT_EQ(job.byteSize(), 5000u);
  job.setByteSizeOptimized(30);  // below 31 is never taken
  job.setByteSizeOptimized(6000);
  EXPECT_EQ(job.byteSizeOptimized(), 5000u);
  job.setByteSizeOptimized(1250);
  EXPECT_DOUBLE_EQ(job.percentOptimized(), 75.0);
}

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
  std::atomic<int> running{0}, most{0};
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
