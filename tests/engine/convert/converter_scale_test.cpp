#include <gtest/gtest.h>

#include <QDir>
#include <tuple>
#include <utility>

#include "engine/convert/conversion_records.h"
#include "engine/convert/resize_math.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// One 4000 x 3000 source for the whole suite: red left half, blue right half, 300 dpi.
class ScaleModes : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    path_ = new QString(test::MakeTempFolder() + "/big.png");
    DestinationProperties p;
    p.dpiX = p.dpiY = 300;
    const ImageResult<QByteArray> png = EncodeImage(
        test::TwoColourImage(4000, 3000, Qt::red, Qt::blue), QStringLiteral("public.png"), p);
    ASSERT_TRUE(png.ok());
    ASSERT_TRUE(test::WriteBytes(*path_, png.value));
  }
  static void TearDownTestSuite() { delete path_; }

  // A record that keeps the result in memory: what the canvas and placement gave.
  static ImageConversion Record(int mode, double w, double h, bool proportional = true) {
    ImageConversion c;
    c.sourceURL = *path_;
    c.keepResultImage = 1;
    c.options.outputType = 7;
    c.resize.keepAspectRatio = proportional;
    c.resize.resample = 1;
    c.resize.unit = 2;
    c.resize.width = w;
    c.resize.height = h;
    c.resize.scaleMode = mode;
    return c;
  }

  static QString* path_;
};
QString* ScaleModes::path_ = nullptr;

TEST_F(ScaleModes, FitWithABackgroundCentresTheImageOnTheWholeBoxTurnedOrNot) {
  ImageConversion c = Record(2, 1000, 1000);
  c.resize.backgroundColor = QColor(Qt::green);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QImage& r = c.resultImage;
  ASSERT_EQ(r.size(), QSize(1000, 1000));
  EXPECT_EQ(r.pixelColor(10, 124), QColor(Qt::green));
  EXPECT_EQ(r.pixelColor(10, 125), QColor(Qt::red));
  EXPECT_EQ(r.pixelColor(990, 874), QColor(Qt::blue));
  EXPECT_EQ(r.pixelColor(990, 875), QColor(Qt::green));

  // Turned, the fitted picture stands 750 x 1000 in the box: the background fills the sides.
  c.rotationAngle = 90;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  EXPECT_EQ(c.resultImage.pixelColor(10, 500), QColor(Qt::green));
  EXPECT_EQ(c.resultImage.pixelColor(990, 500), QColor(Qt::green));
  EXPECT_NE(c.resultImage.pixelColor(500, 10), QColor(Qt::green));
}

TEST_F(ScaleModes, FillAndCropCentresA1333WideDrawing) {
  ImageConversion c = Record(6, 1000, 1000);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QImage& r = c.resultImage;
  ASSERT_EQ(r.size(), QSize(1000, 1000));
  // The colour edge lies at 666.5 in the drawing; drawn from x = -166 it falls inside column
  // 500 (from -167 column 500 would be wholly blue).
  // Two pixels from the edge the filter's ringing may leave a few levels.
  const auto near = [](QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 8 && std::abs(a.green() - b.green()) <= 8 &&
           std::abs(a.blue() - b.blue()) <= 8;
  };
  EXPECT_TRUE(near(r.pixelColor(498, 500), Qt::red)) << r.pixelColor(498, 500).name().toStdString();
  EXPECT_TRUE(near(r.pixelColor(502, 500), Qt::blue))
      << r.pixelColor(502, 500).name().toStdString();
  const QColor edge = r.pixelColor(500, 500);
  EXPECT_GT(edge.red(), 60);
  EXPECT_GT(edge.blue(), 60);
}

// A portrait filling a square box loses as many rows at its top as at its bottom.
TEST_F(ScaleModes, FillAndCropCentresAPortraitVertically) {
  const QString path = test::MakeTempFolder() + "/portrait.png";
  const QImage source = test::PatternImage(300, 400);
  ASSERT_TRUE(test::WriteBytes(path, EncodeImage(source, QStringLiteral("public.png"), {}).value));
  ImageConversion c = Record(6, 300, 300);
  c.sourceURL = path;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(c.resultImage.size(), QSize(300, 300));
  EXPECT_EQ(c.resultImage.convertToFormat(QImage::Format_RGB32),
            source.copy(0, 50, 300, 300).convertToFormat(QImage::Format_RGB32));
}

TEST_F(ScaleModes, CropWithoutProportionsShowsTheCentreAtFullScale) {
  // A pattern source, so that a shifted crop cannot pass.
  const QString path = test::MakeTempFolder() + "/pattern.png";
  const QImage source = test::PatternImage(4000, 3000);
  ASSERT_TRUE(test::WriteBytes(path, EncodeImage(source, QStringLiteral("public.png"), {}).value));
  ImageConversion c = Record(3, 500, 400, false);
  c.sourceURL = path;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(c.resultImage.size(), QSize(500, 400));
  const QImage expected = source.copy(1750, 1300, 500, 400);
  EXPECT_EQ(c.resultImage.convertToFormat(QImage::Format_RGB32),
            expected.convertToFormat(QImage::Format_RGB32));
}

TEST_F(ScaleModes, NoEnlargingKeepsTheSizeAndSaysSo) {
  for (int mode : {0, 2, 4, 5, 6}) {
    ImageConversion c = Record(mode, 8000, mode == 0 ? 0 : 6000, mode != 4);
    EXPECT_EQ(ProcessImageFile(&c), 2) << "mode " << mode;
    EXPECT_EQ(c.resultImage.size(), QSize(4000, 3000)) << "mode " << mode;
  }
  // Stretching that would widen or heighten only one side is still an enlargement.
  for (const QSize box : {QSize(4400, 2000), QSize(3000, 3500)}) {
    ImageConversion c = Record(4, box.width(), box.height(), false);
    EXPECT_EQ(ProcessImageFile(&c), 2) << box.width();
    EXPECT_EQ(c.resultImage.size(), QSize(4000, 3000)) << box.width();
  }
  ImageConversion enlarged = Record(4, 4400, 3100, false);
  enlarged.resize.allowUpscale = 1;
  EXPECT_EQ(ProcessImageFile(&enlarged), 0);
  EXPECT_EQ(enlarged.resultImage.size(), QSize(4400, 3100));
}

// The resolution of a written file on both axes, as ImageMagick reads it.
std::pair<double, double> WrittenDpi(const QString& path) {
  const QStringList dpi =
      test::RunTool("identify", {"-units", "PixelsPerInch", "-format", "%x %y", path}).split(' ');
  return dpi.size() == 2 ? std::pair{dpi[0].toDouble(), dpi[1].toDouble()} : std::pair{0.0, 0.0};
}

TEST_F(ScaleModes, KeepingThePixelsChangesOnlyTheResolutionAndStillTurns) {
  // By width, 4000 pixels over 1000 points, and by height, 3000 over 1000: 288 and 216 dpi, on
  // both axes.
  for (const auto& [w, h, dpi] : {std::tuple{1000.0, 0.0, 288.0}, {0.0, 1000.0, 216.0}}) {
    SCOPED_TRACE(dpi);
    const QString out = test::MakeTempFolder() + "/out.png";
    ImageConversion c = Record(0, w, h);
    c.keepResultImage = 0;
    c.destinationURL = out;
    c.resize.resample = 0;
    ASSERT_EQ(ProcessImageFile(&c), 0);
    const auto written = ImageSource::Open(out);
    ASSERT_TRUE(written->isValid());
    EXPECT_EQ(written->representation(0).pixelWidth, 4000);
    EXPECT_NEAR(written->representation(0).dpiX, dpi, 0.1);
    const auto [x, y] = WrittenDpi(out);
    EXPECT_NEAR(x, dpi, 0.1);
    EXPECT_NEAR(y, dpi, 0.1);
  }

  ImageConversion turned = Record(2, 100, 100);
  turned.resize.unit = 1;
  turned.resize.resample = 0;
  turned.rotationAngle = 90;
  ASSERT_EQ(ProcessImageFile(&turned), 0);
  EXPECT_EQ(turned.resultImage.size(), QSize(3000, 4000));
}

// What the resize panel and the size tokens predict is what the run makes, in every mode.
TEST(ResizePrediction, EveryModeAndUnitMakesThePredictedSize) {
  const QString path = test::MakeTempFolder() + "/small.png";
  DestinationProperties p;
  p.dpiX = p.dpiY = 144;
  ASSERT_TRUE(test::WriteBytes(
      path, EncodeImage(test::PatternImage(90, 50), QStringLiteral("public.png"), p).value));
  const QSizeF boxes[] = {{120, 30}, {60, 60}, {45, 0}, {0, 45}, {200, 100}};
  for (int unit : {1, 2, 4}) {
    for (int mode = 0; mode <= 6; ++mode) {
      for (int flags = 0; flags < 4; ++flags) {
        for (const QSizeF box : boxes) {
          ImageConversion c;
          c.sourceURL = path;
          c.keepResultImage = 1;
          c.options.outputType = 7;
          c.resize.resample = 1;
          c.resize.unit = unit;
          c.resize.scaleMode = mode;
          c.resize.keepAspectRatio = flags & 1;
          c.resize.allowUpscale = (flags & 2) != 0;
          // Centimetres are small at 144 dpi: 1.2 cm is 68 pixels.
          c.resize.width = unit == 4 ? box.width() / 100 : box.width();
          c.resize.height = unit == 4 ? box.height() / 100 : box.height();
          double w = 90, h = 50, dpi = 144;
          ComputeResizedSize(c.resize, &w, &h, &dpi);
          const int result = ProcessImageFile(&c);
          const QString what = QStringLiteral("unit %1 mode %2 flags %3 box %4 x %5")
                                   .arg(unit)
                                   .arg(mode)
                                   .arg(flags)
                                   .arg(c.resize.width)
                                   .arg(c.resize.height);
          if (w < 1 || h < 1) {
            EXPECT_EQ(result, 1) << what.toStdString();
            continue;
          }
          EXPECT_NE(result, 1) << what.toStdString();
          EXPECT_EQ(c.resultImage.size(), QSize(int(w), int(h))) << what.toStdString();
        }
      }
    }
  }
}

}  // namespace
}  // namespace glimbrik
