#include "app/batch/batch_run.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mutex>

#include "app/batch_test_support.h"
#include "platform/store/folders.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

void WriteFile(const QString& path, const QByteArray& bytes = "data") {
  QDir().mkpath(QFileInfo(path).absolutePath());
  ASSERT_TRUE(test::WriteBytes(path, bytes));
}

// Stand-ins for the engine and the optimisers that record what the run asked of them.
struct FakeEngine {
  std::vector<ImageConversion> processed;
  std::vector<ImageConversion> converted;
  QStringList optimised;  // "jpeg:<path>:<strip>" or "png:<path>"
  std::vector<uint64_t> renameIndexes;
  std::function<int(const ImageConversion&)> processResult = [](const ImageConversion&) {
    return 0;
  };
  int convertResult = 1;
  QString renameText;
  std::mutex mutex;  // files convert on several workers

  BatchEngine Calls() {
    BatchEngine e;
    e.processImageFile = [this](ImageConversion* c) {
      std::unique_lock lock(mutex);
      processed.push_back(*c);
      lock.unlock();
      const int r = processResult(*c);
      if (r != 1) WriteFile(c->destinationURL, "out:" + c->sourceURL.toUtf8());
      return r;
    };
    e.convertImageFile = [this](ImageConversion* c) {
      std::lock_guard lock(mutex);
      converted.push_back(*c);
      EXPECT_TRUE(QFileInfo::exists(c->sourceURL)) << "the temporary TIFF is there to convert";
      if (convertResult == 1) WriteFile(c->destinationURL, "converted");
      return convertResult;
    };
    e.imageTypeForURL = [](const QString& path) {
      const QString s = QFileInfo(path).suffix();
      return s == u"png" ? 7 : s == u"tif" ? 10 : 0;
    };
    e.extensionForImageType = [](int type) {
      return type == 4   ? QStringLiteral("jpg")
             : type == 7 ? QStringLiteral("png")
                         : QStringLiteral("t%1").arg(type);
    };
    e.renameString = [this](const BatchEntry&, const ImageResizeOptions*, uint64_t index) {
      renameIndexes.push_back(index);
      return renameText + QString::number(index + 1);
    };
    e.optimiseJPEG = [this](const QString& path, bool strip, const std::atomic<bool>&) {
      std::lock_guard lock(mutex);
      optimised << QStringLiteral("jpeg:%1:%2").arg(QFileInfo(path).fileName()).arg(strip);
      WriteFile(path, "optimised");  // replaces the file, as the real agent does
    };
    e.optimisePNG = [this](const QString& path, const std::atomic<bool>&) {
      std::lock_guard lock(mutex);
      optimised << "png:" + QFileInfo(path).fileName();
      WriteFile(path, "optimised");
    };
    return e;
  }
};

// Runs over files in a fresh source folder into a fresh destination, reported to host.
class BatchRun : public ::testing::Test {
 protected:
  QString Source(const QString& name) {
    const QString path = source + "/" + name;
    WriteFile(path);
    return path;
  }
  BatchRunResult Run(const BatchSnapshot& s, FakeEngine& fake) {
    return ConvertImageThread(s, dest, host, cancel, fake.Calls());
  }

  QString source = test::MakeTempFolder(QStringLiteral("src"));
  QString dest = test::MakeTempFolder(QStringLiteral("dest"));
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
};

TEST_F(BatchRun, MissingFilesUseNoNumberAndCountAsFailures) {
  const QString a = Source("a.png"), c = Source("c.png");
  BatchSnapshot s = test::SnapshotOf({a, source + "/b.png", c, QString()});
  s.options.renameOn = true;
  s.options.outputType = 4;
  FakeEngine fake;
  fake.renameText = QStringLiteral("IMG/");
  const BatchRunResult run = Run(s, fake);

  EXPECT_EQ(fake.renameIndexes, (std::vector<uint64_t>{0, 1}));
  EXPECT_TRUE(QFileInfo::exists(dest + "/IMG:1.jpg"));
  EXPECT_TRUE(QFileInfo::exists(dest + "/IMG:2.jpg"));
  EXPECT_EQ(run.written, 2);
  EXPECT_EQ(run.failed, 2) << "the deleted file and the entry without a file";
  EXPECT_EQ(run.finalStatus, kStatusWritten | kStatusFailed);
  EXPECT_EQ(host.progressCodes, (std::vector<int>{1, 3, 3, 5}));
  EXPECT_EQ(host.progressNames, (QStringList{"a.png", "c.png"}));
  EXPECT_EQ(host.sheetCount, 4);
  EXPECT_EQ(host.completionStatus, kStatusWritten | kStatusFailed);
  EXPECT_EQ(host.completionTarget, dest);
  EXPECT_EQ(test::ReadBytes(a), "data");
}

TEST_F(BatchRun, RetriesThroughATemporaryTIFF) {
  BatchSnapshot s = test::SnapshotOf({Source("a.png")});
  s.options.outputType = 4;
  s.options.quality = 0.7;
  s.options.preserveMetadata = true;
  s.options.effectOn = true;
  s.options.effectTag = 3;
  FakeEngine fake;
  fake.processResult = [](const ImageConversion& r) { return r.options.outputType == 10 ? 2 : 1; };
  const BatchRunResult run = Run(s, fake);

  ASSERT_EQ(fake.processed.size(), 2u);
  const ImageConversion& tiff = fake.processed[1];
  EXPECT_EQ(tiff.options.outputType, 10);
  EXPECT_EQ(tiff.effectType, 3) << "the TIFF step does the full processing";
  EXPECT_TRUE(tiff.destinationURL.startsWith(PrivateTempFolder()));
  EXPECT_FALSE(tiff.fileAttributes.has_value());
  ASSERT_EQ(fake.converted.size(), 1u);
  const ImageConversion& re = fake.converted[0];
  EXPECT_EQ(re.sourceURL, tiff.destinationURL);
  EXPECT_EQ(re.options.outputType, 4);
  EXPECT_DOUBLE_EQ(re.options.quality, 0.7);
  EXPECT_EQ(re.options.preserveMetadata, 1);
  EXPECT_EQ(re.effectType, 0);
  EXPECT_FALSE(QFileInfo::exists(tiff.destinationURL)) << "the temporary TIFF is removed";
  EXPECT_EQ(run.finalStatus, kStatusWritten | kStatusNotEnlarged) << "the TIFF step's result";
  EXPECT_EQ(test::ReadBytes(dest + "/a.jpg"), "converted");

  // A failing re-encode fails the file and still removes the temporary file.
  FakeEngine failing;
  failing.processResult = fake.processResult;
  failing.convertResult = 0;
  s.options.overwriteExisting = true;
  EXPECT_EQ(Run(s, failing).finalStatus, kStatusFailed);
  ASSERT_EQ(failing.processed.size(), 2u);
  EXPECT_FALSE(QFileInfo::exists(failing.processed[1].destinationURL));

  // TIFF output has no other way round.
  s.options.outputType = 10;
  FakeEngine tiffOut;
  tiffOut.processResult = [](const ImageConversion&) { return 1; };
  EXPECT_EQ(Run(s, tiffOut).failed, 1);
  EXPECT_EQ(tiffOut.processed.size(), 1u);
  EXPECT_TRUE(tiffOut.converted.empty());
}

TEST_F(BatchRun, OptimisesOnlyFilesThatWereWritten) {
  const QString good = Source("good.png"), bad = Source("bad.png");
  WriteFile(dest + "/bad.jpg", "the user's own file");
  BatchSnapshot s = test::SnapshotOf({good, bad});
  s.options.outputType = 4;
  s.options.overwriteExisting = true;
  s.options.optimizationOn = true;
  s.options.optimizationTag = 1;
  s.options.preserveMetadata = false;
  FakeEngine fake;
  fake.processResult = [&](const ImageConversion& r) { return r.sourceURL == bad ? 1 : 0; };
  fake.convertResult = 0;
  Run(s, fake);
  EXPECT_EQ(fake.optimised, QStringList{"jpeg:good.jpg:1"});
  EXPECT_EQ(test::ReadBytes(dest + "/bad.jpg"), "the user's own file");

  s.options.outputType = 7;
  s.options.optimizationTag = 2;  // PNG only
  s.options.doNotShowPNGOptimizationAlert = true;
  s.options.doNotShowAlert = true;
  FakeEngine png;
  Run(s, png);
  EXPECT_EQ(host.completionAlerts, 1) << "only the first run shows its end";
  png.optimised.sort();  // the files convert side by side
  EXPECT_EQ(png.optimised, (QStringList{"png:bad.png", "png:good.png"}));

  s.preview = true;
  FakeEngine preview;
  test::RecordingHost previewHost;
  ConvertImageThread(s, dest, previewHost, cancel, preview.Calls());
  EXPECT_TRUE(preview.optimised.isEmpty());
  EXPECT_EQ(previewHost.sheetsBegun, 0);
  EXPECT_EQ(previewHost.previewCloses, 0);
  EXPECT_EQ(previewHost.completionAlerts, 0);
}

}  // namespace
}  // namespace glimbrik
