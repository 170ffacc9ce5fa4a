#include <gtest/gtest.h>

#include <QFileInfo>
#include <map>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_run.h"
#include "app/batch_test_support.h"
#include "platform/image_fixtures.h"
#include "support/camera_fixtures.h"
#include "support/pixel_compare.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RunTool;

// A batch of raw, HEIF and OpenEXR files writes each as its own decoder shows it; a damaged raw
// or HEIF file fails alone, named as damaged.
TEST(BatchRunWithEngine, RawHeifAndExrSourcesAreWrittenAndDamagedOnesFailAlone) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  test::DngOptions options;
  options.orientation = 8;
  options.scene = [](int x, int y) { return test::CornerScene(64, 48, x, y); };
  const QByteArray dng = test::MakeDng(options);
  ASSERT_TRUE(test::WriteBytes(source + "/shot.dng", dng));
  ASSERT_TRUE(test::WriteBytes(source + "/shot2.nef", dng));
  ASSERT_TRUE(test::WriteBytes(source + "/cut.dng", dng.left(dng.size() - 1500)));
  bool ok = false;
  RunTool("convert", {"-size", "64x48", "gradient:orange-teal", source + "/photo.png"}, &ok);
  ASSERT_TRUE(ok);
  RunTool("heif-enc", {"-q", "92", source + "/photo.png", "-o", source + "/photo.heic"}, &ok);
  ASSERT_TRUE(ok);
  RunTool("heif-enc",
          {"-L", "-p", "chroma=444", source + "/photo.png", "-o", source + "/lossless.heif"}, &ok);
  ASSERT_TRUE(ok);
  const QByteArray heic = test::ReadBytes(source + "/photo.heic");
  ASSERT_TRUE(test::WriteBytes(source + "/cut.heic", heic.left(heic.size() - 100)));
  RunTool("convert", {"-size", "64x48", "gradient:navy-yellow", source + "/light.exr"}, &ok);
  ASSERT_TRUE(ok);

  // What each format's own decoder makes of the good files.
  std::map<QString, QImage> reference;
  for (const char* raw : {"shot.dng", "shot2.nef"}) {
    RunTool("dcraw_emu", {"-w", "-o", "1", "-6", "-g", "2.4", "12.92", "-T", source + '/' + raw},
            &ok);
    ASSERT_TRUE(ok);
    reference[raw] = test::MagickPixels(source + '/' + raw + ".tiff");
    QFile::remove(source + '/' + raw + ".tiff");
  }
  for (const char* heif : {"photo.heic", "lossless.heif"}) {
    const QString png = test::MakeTempFolder() + "/reference.png";
    RunTool("heif-convert", {source + '/' + heif, png}, &ok);
    ASSERT_TRUE(ok);
    reference[heif] = test::MagickPixels(png);
  }
  reference["light.exr"] = test::MagickPixels(source + "/light.exr");

  const QStringList names = {"shot.dng", "shot2.nef",     "cut.dng",  "photo.heic",
                             "cut.heic", "lossless.heif", "light.exr"};
  QStringList paths;
  for (const QString& name : names) paths << source + '/' + name;
  BatchSnapshot s = test::SnapshotOf(paths);
  s.options.outputType = 7;
  test::RecordingHost host;
  std::atomic<bool> cancel{false};
  const BatchRunResult run = ConvertImageThread(s, dest, host, cancel, DefaultBatchEngine(s));
  EXPECT_EQ(run.written, 5);
  std::map<QString, QString> reasons;
  for (const BatchFailure& failure : run.failures) reasons[failure.path] = failure.reason;
  EXPECT_EQ(reasons,
            (std::map<QString, QString>{{source + "/cut.dng", "file is damaged or incomplete"},
                                        {source + "/cut.heic", "file is damaged or incomplete"}}));
  ASSERT_EQ(run.destinations.size(), size_t(names.size()));
  for (qsizetype i = 0; i < names.size(); ++i) {
    if (!reference.count(names[i])) continue;
    SCOPED_TRACE(names[i].toStdString());
    ASSERT_TRUE(QFileInfo(run.destinations[i]).isFile());
    const test::Difference d =
        test::Compare(test::MagickPixels(run.destinations[i]), reference[names[i]]);
    EXPECT_LE(d.max, 1.5);
  }
}

}  // namespace
}  // namespace glimbrik
