#include <gtest/gtest.h>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_run.h"
#include "app/batch_test_support.h"
#include "support/cmyk_fixture.h"

namespace glimbrik {
namespace {

// A run that keeps each file's type, or writes Photoshop, writes CMYK sources as CMYK with their
// own inks.
TEST(BatchRunCmyk, CmykSourcesKeepTheirInks) {
  const test::Inks inks = test::PatternInks(60, 40);
  const QString tiff = test::WriteTemp("plain.tif", test::CmykTiff(inks));
  const QString jpeg = test::WriteTemp("photo.jpg", test::CmykJpeg(inks));
  const test::Inks jpegInks = test::MagickInks(jpeg);
  for (int type : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "output type " << type);
    BatchSnapshot s = test::SnapshotOf({tiff, jpeg});
    s.options.outputType = type;
    s.options.quality = 0.8;
    test::RecordingHost host;
    std::atomic<bool> cancel{false};
    const QString folder = test::MakeTempFolder(QStringLiteral("out"));
    const BatchRunResult run = ConvertImageThread(s, folder, host, cancel, DefaultBatchEngine(s));
    ASSERT_EQ(run.written, 2);
    ASSERT_EQ(run.destinations.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
      const QString& out = run.destinations[i];
      const bool lossy = i == 1 && type == 0;
      EXPECT_LE(test::MeanInkChange(test::MagickInks(out), i == 0 ? inks : jpegInks),
                lossy ? 3.0 : 0.0)
          << out.toStdString();
    }
  }
}

}  // namespace
}  // namespace glimbrik
