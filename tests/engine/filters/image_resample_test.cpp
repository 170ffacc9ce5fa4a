#include "engine/filters/image_resample.h"

#include <gtest/gtest.h>

#include <QThread>
#include <cmath>
#include <mutex>
#include <set>
#include <thread>

#include "engine/filters/pipeline_pixels.h"
#include "platform/codecs/image_source.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// A zone plate whose local frequency grows linearly with the radius, from 0 at the centre to
// 0.5 cycles a pixel (the source's Nyquist) at the corners.
QImage ZonePlate(int side) {
  QImage image(side, side, QImage::Format_Grayscale8);
  const double centre = side / 2.0;
  const double rMax = centre * std::sqrt(2.0);
  for (int y = 0; y < side; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < side; ++x) {
      const double dx = x + 0.5 - centre, dy = y + 0.5 - centre;
      const double phase = M_PI * (dx * dx + dy * dy) / (2.0 * rMax);
      row[x] = uchar(std::lround(127.5 + 127.0 * std::cos(phase)));
    }
  }
  return image;
}

// Root-mean-square distance, over the output pixels whose source frequency (cycles per source
// pixel) lies in [low, high), from mid-grey (`ideal` false) or from the plate itself.
double Residual(const QImage& out, int sourceSide, double low, double high, bool ideal) {
  const double scale = double(sourceSide) / out.width();
  const double centre = sourceSide / 2.0;
  const double rMax = centre * std::sqrt(2.0);
  double sum = 0.0;
  int count = 0;
  for (int y = 0; y < out.height(); ++y) {
    const uchar* row = out.constScanLine(y);
    for (int x = 0; x < out.width(); ++x) {
      const double dx = (x + 0.5) * scale - centre, dy = (y + 0.5) * scale - centre;
      const double frequency = std::hypot(dx, dy) / (2.0 * rMax);
      if (frequency < low || frequency >= high) continue;
      const double phase = M_PI * (dx * dx + dy * dy) / (2.0 * rMax);
      const double expected = ideal ? 127.5 + 127.0 * std::cos(phase) : 127.5;
      sum += (row[x] - expected) * (row[x] - expected);
      ++count;
    }
  }
  return count ? std::sqrt(sum / count) : 0.0;
}

TEST(ResampleImage, ReducingAZonePlateLeavesNoAliasAboveTheNewNyquist) {
  const int side = 1000;
  const QImage out = ResampleImage(ZonePlate(side), QSize(400, 400));  // 2.5 x
  ASSERT_EQ(out.size(), QSize(400, 400));
  // New Nyquist: 0.2 cycles a source pixel. Beyond 1.5 x that, box halvings with a bilinear
  // step left rings of about 20 levels RMS; a widened Lanczos-3 leaves about 3.
  EXPECT_LT(Residual(out, side, 0.3, 1.0, false), 4.0);
  // Below half the new Nyquist the plate passes nearly untouched (the old filter: 9 levels off).
  EXPECT_LT(Residual(out, side, 0.0, 0.1, true), 2.0);
}

TEST(ResampleImage, KeepsFormatAndPremultipliedInvariantAcrossSizesAndEdges) {
  // Transparent left, opaque red right: ringing at the step must not push colour above alpha.
  QImage source(301, 7, QImage::Format_ARGB32_Premultiplied);
  source.fill(Qt::transparent);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 150; x < source.width(); ++x) source.setPixel(x, y, qRgba(255, 0, 0, 255));
  }
  for (const QSize size : {QSize(97, 3), QSize(600, 14), QSize(1, 1), QSize(301, 7)}) {
    const QImage out = ResampleImage(source, size);
    ASSERT_EQ(out.size(), size);
    ASSERT_EQ(out.format(), QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < out.height(); ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(out.constScanLine(y));
      for (int x = 0; x < out.width(); ++x) ASSERT_LE(qRed(row[x]), qAlpha(row[x])) << x;
    }
    if (out.width() < 3) continue;
    // Far from the step the colours are exact.
    EXPECT_EQ(out.pixel(out.width() - 1, 0), qRgba(255, 0, 0, 255));
    EXPECT_EQ(qAlpha(out.pixel(0, 0)), 0);
  }
  QImage deep(64, 64, QImage::Format_RGBA64_Premultiplied);
  deep.fill(QColor::fromRgba64(qRgba64(1000, 20000, 65535, 65535)));
  const QImage half = ResampleImage(deep, QSize(32, 20));
  ASSERT_EQ(half.format(), QImage::Format_RGBA64_Premultiplied);
  EXPECT_EQ(half.pixelColor(10, 10).rgba64(), qRgba64(1000, 20000, 65535, 65535));
}

TEST(ResampleImage, DecodersReduceRowByRowWithoutAlias) {
  const QString folder = test::MakeTempFolder(QStringLiteral("plates"));
  // PNG rows go straight into the same filter: the very pixels of a whole-image resample.
  const QImage plate = ZonePlate(1000);
  ASSERT_TRUE(plate.save(folder + "/plate.png"));
  DecodeOptions options;
  options.exactSize = QSize(400, 400);
  const ImageResult<QImage> png = ImageSource::Open(folder + "/plate.png")->decode(0, options);
  ASSERT_TRUE(png.ok());
  EXPECT_EQ(png.value, ResampleImage(plate, QSize(400, 400)));

  // A JPEG reduced 5 x: DCT scaling takes only the first half, the filter the remaining 2.5 x,
  // so nothing above the new Nyquist (0.1 cycles a source pixel) folds back. Scaling by 4 with
  // a 1.25 x filter after it leaves rings of about 10 levels.
  ASSERT_TRUE(ZonePlate(2000).save(folder + "/plate.jpg", "JPEG", 100));
  const ImageResult<QImage> jpeg = ImageSource::Open(folder + "/plate.jpg")->decode(0, options);
  ASSERT_TRUE(jpeg.ok());
  ASSERT_EQ(jpeg.value.size(), QSize(400, 400));
  EXPECT_LT(Residual(jpeg.value.convertToFormat(QImage::Format_Grayscale8), 2000, 0.15, 1.0, false),
            4.0);
  DecodeOptions cheap;
  cheap.minimumSize = QSize(400, 400);
  const ImageResult<QImage> quarter = ImageSource::Open(folder + "/plate.jpg")->decode(0, cheap);
  ASSERT_TRUE(quarter.ok());
  const QImage old = ResampleImage(quarter.value, QSize(400, 400));
  EXPECT_GT(Residual(old.convertToFormat(QImage::Format_Grayscale8), 2000, 0.15, 1.0, false), 8.0)
      << "the bound tells the two roads apart";
}

TEST(ForEachRowBand, ABatchWorkersLimitKeepsTheFiltersOnItsOwnThread) {
  const auto callers = [] {
    std::mutex mutex;
    std::set<std::thread::id> threads;
    int bands = 0;
    ForEachRowBand(4000, 4000, [&](int, int) {
      std::lock_guard lock(mutex);
      threads.insert(std::this_thread::get_id());
      ++bands;
    });
    return std::pair{threads, bands};
  };
  {
    const ScopedInnerParallelism inlineOnly(1);
    const auto [threads, bands] = callers();
    EXPECT_EQ(bands, 1);
    EXPECT_EQ(threads, std::set<std::thread::id>{std::this_thread::get_id()});
  }
  EXPECT_EQ(InnerParallelism(), 0) << "the limit ends with its scope";
  if (QThread::idealThreadCount() > 1) {
    EXPECT_GT(callers().second, 1);
  }
}

}  // namespace
}  // namespace glimbrik
