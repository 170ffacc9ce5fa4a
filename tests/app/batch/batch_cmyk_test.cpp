#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <cstdlib>

#include "app/batch/batch_engine.h"
#include "app/batch/batch_run.h"
#include "app/batch_test_support.h"
#include "engine/codecs/jpeg_memory.h"
#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/pixels/color_space.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RunTool;

// Inks that no RGB round trip keeps: black under every colour.
QByteArray PatternInks(int width, int height) {
  QByteArray inks(qsizetype(width) * height * 4, '\0');
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      char* p = inks.data() + (qsizetype(y) * width + x) * 4;
      p[0] = char(40 + x * 3);
      p[1] = char(30 + y * 4);
      p[2] = char(20 + (x + y) * 2);
      p[3] = char(((x / 8 + y / 8) % 4) * 50 + 10);
    }
  }
  return inks;
}

QByteArray MagickInks(const QString& path) {
  const QString raw = test::MakeTempFolder() + "/inks.cmyk";
  bool ok = false;
  RunTool("convert", {path, "-depth", "8", "cmyk:" + raw}, &ok);
  EXPECT_TRUE(ok) << path.toStdString();
  return test::ReadBytes(raw);
}

double MeanChange(const QByteArray& a, const QByteArray& b) {
  if (a.size() != b.size() || a.isEmpty()) return 255;
  double sum = 0;
  for (qsizetype i = 0; i < a.size(); ++i) sum += std::abs(int(uchar(a[i])) - int(uchar(b[i])));
  return sum / double(a.size());
}

// A run that keeps each file's type writes CMYK sources as CMYK, with their own inks.
TEST(BatchRunCmyk, CmykSourcesKeepTheirInks) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString dest = test::MakeTempFolder(QStringLiteral("out"));
  const QByteArray inks = PatternInks(60, 40);
  DestinationProperties properties;
  properties.colorSpace = ColorSpace::DeviceCMYK();
  properties.cmykSamples = inks;
  QImage picture(60, 40, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const QString tiff = source + "/plain.tif";
  ASSERT_TRUE(test::WriteBytes(tiff, EncodeImage(picture, "public.tiff", properties).value));
  uint8_t* jpeg = nullptr;
  unsigned long size = 0;
  ASSERT_TRUE(EncodeJPEGToMemory(60, 40, reinterpret_cast<const uint8_t*>(inks.constData()),
                                 kJPEGColourSpaceCMYK, 4, &jpeg, &size, 95, 72, 72));
  const QString jpegPath = source + "/photo.jpg";
  ASSERT_TRUE(
      test::WriteBytes(jpegPath, QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(size))));
  std::free(jpeg);
  const QByteArray jpegInks = MagickInks(jpegPath);

  for (int type : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "output type " << type);
    BatchSnapshot s = test::SnapshotOf({tiff, jpegPath});
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
      EXPECT_EQ(RunTool("identify", {"-format", "%[colorspace]", out}).trimmed().toStdString(),
                "CMYK")
          << out.toStdString();
      const bool lossy = i == 1 && type == 0;
      EXPECT_LE(MeanChange(MagickInks(out), i == 0 ? inks : jpegInks), lossy ? 3.0 : 0.0)
          << out.toStdString();
    }
  }
}

}  // namespace
}  // namespace glimbrik
