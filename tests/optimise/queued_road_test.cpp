// The queued road of a File over the real tools.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <thread>

#include "image_fixtures.h"
#include "optimise/file.h"
#include "optimise/work_queue.h"
#include "platform/folders.h"
#include "platform/localization.h"
#include "platform/user_defaults.h"
#include "stand_in_tool.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 60000;

class QueuedRoad : public ::testing::Test {
 protected:
  void TearDown() override {
    for (const char* key :
         {"GifsicleEnabled", "BackupFiles", "PngCrushEnabled", "OptiPngEnabled", "AdvPngEnabled",
          "PngOutEnabled", "JpegOptimEnabled", "JpegTranEnabled"}) {
      RemoveUserDefault(QLatin1String(key));
    }
  }

  // Runs the job to its end: the io queue inspects, the cpu queue optimises, the io queue saves.
  std::shared_ptr<File> Run(const QString& path) {
    auto job = std::make_shared<File>(path);
    WorkQueue cpu(2);
    WorkQueue io(1);
    job->enqueueWorkersInCPUQueue(cpu, io);
    EXPECT_TRUE(io.waitUntilAllOperationsAreFinished(kTimeoutMs));
    EXPECT_TRUE(cpu.waitUntilAllOperationsAreFinished(kTimeoutMs));
    EXPECT_TRUE(io.waitUntilAllOperationsAreFinished(kTimeoutMs));
    EXPECT_FALSE(job->isBusy());
    return job;
  }

  QString folder_ = test::MakeTempFolder();
};

TEST_F(QueuedRoad, FilesNoToolCanTakeAreReportedAndLeftAlone) {
  const QString bitmap = folder_ + "/x.bmp", empty = folder_ + "/empty.png";
  const QString gif = folder_ + "/x.gif";  // with gifsicle off
  ASSERT_TRUE(test::TestPicture().save(bitmap, "BMP"));
  ASSERT_TRUE(test::WriteBytes(empty, QByteArray()));
  ASSERT_TRUE(test::WriteWastefulGif(gif));
  const struct {
    QString path;
    const char* status;
    bool cleanedUp;  // a file that cannot be read leaves the job nothing to clean
  } cases[] = {
      {bitmap, "File is neither PNG, GIF nor JPEG", true},
      {empty, "Can't map file into memory", false},
      {gif, "All neccessary tools have been disabled in Preferences", true},
  };
  for (const auto& c : cases) {
    const QByteArray before = test::ReadBytes(c.path);
    const auto job = Run(c.path);
    EXPECT_EQ(job->statusImageName(), QStringLiteral("err"));
    EXPECT_EQ(job->statusOrder(), 8);
    EXPECT_EQ(job->statusText(), LocalizedString(c.status));
    EXPECT_EQ(job->filePath().isEmpty(), c.cleanedUp) << c.status;
    EXPECT_EQ(test::ReadBytes(c.path), before);
  }
}

TEST_F(QueuedRoad, GifShrunkByGifsicleIsSavedWithABackup) {
  const QString path = folder_ + "/x.gif";
  ASSERT_TRUE(test::WriteWastefulGif(path));
  const QByteArray before = test::ReadBytes(path);
  SetUserDefault(QStringLiteral("GifsicleEnabled"), true);
  SetUserDefault(QStringLiteral("BackupFiles"), true);
  const auto job = Run(path);
  EXPECT_EQ(job->statusOrder(), 7);
  EXPECT_TRUE(job->statusText().startsWith(
      LocalizedString("Optimized successfully with %@").arg("Gifsicle")))
      << job->statusText().toStdString();
  EXPECT_TRUE(job->isDone());
  EXPECT_EQ(test::ReadBytes(path + QLatin1Char('~')), before);
  const QByteArray after = test::ReadBytes(path);
  EXPECT_LT(after.size(), before.size());
  EXPECT_EQ(job->byteSize(), static_cast<quint64>(before.size()));
  EXPECT_EQ(job->byteSizeOptimized(), static_cast<quint64>(after.size()));
  EXPECT_TRUE(test::SamePixels(path, path + QLatin1Char('~')));
  job->cleanup();
  EXPECT_TRUE(QDir(PrivateTempFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(QueuedRoad, PngAndJpegThroughTheirChainsOfToolsShrinkAndKeepTheirPixels) {
  const struct {
    const char* name;
    bool (*write)(const QString&);
    QStringList tools;
  } cases[] = {
      {"x.png", test::WriteUncompressedPng, {"PngCrushEnabled", "OptiPngEnabled", "AdvPngEnabled"}},
      {"x.jpg", test::WritePlainJpeg, {"JpegOptimEnabled", "JpegTranEnabled"}},
  };
  for (const auto& c : cases) {
    const QString path = folder_ + "/" + c.name, reference = path + ".reference";
    ASSERT_TRUE(c.write(path) && c.write(reference));
    for (const QString& key : c.tools) SetUserDefault(key, true);
    const auto job = Run(path);
    EXPECT_EQ(job->statusImageName(), QStringLiteral("ok")) << job->statusText().toStdString();
    EXPECT_TRUE(job->statusText().startsWith(
        LocalizedString("Optimized successfully with %@").arg(QString())));
    EXPECT_LT(QFileInfo(path).size(), QFileInfo(reference).size()) << c.name;
    EXPECT_EQ(job->byteSizeOptimized(), static_cast<quint64>(QFileInfo(path).size())) << c.name;
    EXPECT_TRUE(test::SamePixels(path, reference)) << c.name;
    EXPECT_FALSE(QFileInfo::exists(path + QLatin1Char('~'))) << "a backup only when asked";
  }
}

TEST_F(QueuedRoad, ChainAgentsRunFirstAndNothingToGainIsReportedAsSuch) {
  // The queued jpegoptim agent has no maximum quality, so it changes the image: it goes first.
  // The stand-ins write nothing: no tool has a result.
  test::StandInTools tools;
  tools.install(QStringLiteral("jpegoptim"));
  tools.install(QStringLiteral("jpegtran"));
  const QString path = folder_ + "/x.jpg";
  ASSERT_TRUE(test::WritePlainJpeg(path));
  const QByteArray before = test::ReadBytes(path);
  SetUserDefault(QStringLiteral("JpegTranEnabled"), true);
  SetUserDefault(QStringLiteral("JpegOptimEnabled"), true);
  const auto job = Run(path);
  const QList<QStringList> calls = tools.invocations();
  ASSERT_EQ(calls.size(), 2);
  EXPECT_EQ(calls[0].value(0), QStringLiteral("JpegOptim"));
  EXPECT_EQ(calls[1].value(0), QStringLiteral("jpegtran"));
  EXPECT_EQ(job->statusImageName(), QStringLiteral("noopt"));
  EXPECT_EQ(job->statusOrder(), 5);
  EXPECT_EQ(job->statusText(), LocalizedString("File cannot be optimized any further"));
  EXPECT_EQ(test::ReadBytes(path), before);
}

TEST_F(QueuedRoad, EachToolRunsWhenItsOwnOptionAloneIsOn) {
  const struct {
    const char* key;
    const char* tool;
    const char* extension;
    bool (*write)(const QString&);
  } cases[] = {
      {"PngCrushEnabled", "pngcrush", ".png", test::WriteUncompressedPng},
      {"OptiPngEnabled", "optipng", ".png", test::WriteUncompressedPng},
      {"AdvPngEnabled", "advpng", ".png", test::WriteUncompressedPng},
      {"JpegOptimEnabled", "jpegoptim", ".jpg", test::WritePlainJpeg},
      {"JpegTranEnabled", "jpegtran", ".jpg", test::WritePlainJpeg},
      {"GifsicleEnabled", "gifsicle", ".gif", test::WriteWastefulGif},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tool);
    test::StandInTools tools;
    for (const auto& other : cases) tools.install(QLatin1String(other.tool));
    const QString path = folder_ + "/alone-" + c.tool + c.extension;
    ASSERT_TRUE(c.write(path));
    SetUserDefault(QLatin1String(c.key), true);
    Run(path);
    RemoveUserDefault(QLatin1String(c.key));
    const QList<QStringList> calls = tools.invocations();
    ASSERT_FALSE(calls.isEmpty());
    for (const QStringList& call : calls)
      EXPECT_EQ(QFileInfo(call.value(0)).fileName().toLower(), QLatin1String(c.tool));
  }
}

TEST_F(QueuedRoad, CleanupStopsARunningToolAndLeavesTheFile) {
  test::StandInTools tools;
  tools.install(QStringLiteral("gifsicle"));
  tools.setScript(QStringLiteral("head -c 100 /dev/zero > \"$2\"; exec sleep 60"));
  const QString path = folder_ + "/x.gif";
  ASSERT_TRUE(test::WriteWastefulGif(path));
  const QByteArray before = test::ReadBytes(path);
  SetUserDefault(QStringLiteral("GifsicleEnabled"), true);
  auto job = std::make_shared<File>(path);
  WorkQueue cpu(1);
  WorkQueue io(1);
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
  EXPECT_TRUE(QDir(PrivateTempFolder()).entryList(QDir::Files).isEmpty());
}

}  // namespace
}  // namespace glimbrik
