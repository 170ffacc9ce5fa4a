#include "engine/levels.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

// Columns ramp through the levels low..high in red and blue, high..low in green; alpha
// alternates by row when asked.
QImage Ramp(int low, int high, QImage::Format format, bool translucentRows) {
  QImage image(high - low + 1, 40, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, qRgba(low + x, high - x, low + x, translucentRows && y % 2 ? 200 : 255));
  }
  return image.convertToFormat(format);
}

TEST(AutoLevels, StretchesLowContrastToTheFullRange) {
  const QImage source = Ramp(40, 200, QImage::Format_ARGB32, true);
  const std::optional<QImage> levelled = MatchHistogram(source, 3);
  ASSERT_TRUE(levelled);
  ASSERT_EQ(levelled->format(), source.format());
  const QImage& out = *levelled;
  EXPECT_EQ(qRed(out.pixel(0, 0)), 0);
  EXPECT_EQ(qRed(out.pixel(160, 0)), 255);
  EXPECT_EQ(qGreen(out.pixel(0, 0)), 255);
  EXPECT_EQ(qGreen(out.pixel(160, 0)), 0);
  EXPECT_EQ(qBlue(out.pixel(80, 0)), 128);  // the middle level lands mid-range
  for (int y = 0; y < out.height(); ++y) {
    for (int x = 0; x < out.width(); x += 7) {
      ASSERT_EQ(qAlpha(out.pixel(x, y)), qAlpha(source.pixel(x, y)));
    }
  }
  // Monotonic in each channel.
  for (int x = 1; x < out.width(); ++x) EXPECT_GE(qRed(out.pixel(x, 0)), qRed(out.pixel(x - 1, 0)));
}

TEST(AutoLevels, PremultipliedTranslucentColourIsStretchedUnpremultiplied) {
  const QImage source = Ramp(40, 200, QImage::Format_ARGB32_Premultiplied, true);
  const std::optional<QImage> levelled = MatchHistogram(source, 3);
  ASSERT_TRUE(levelled);
  const QColor translucentEnd = levelled->pixelColor(160, 1);
  EXPECT_EQ(translucentEnd.alpha(), 200);
  EXPECT_NEAR(translucentEnd.red(), 255, 1);
}

TEST(AutoLevels, LeavesWhatItMustNotTouch) {
  EXPECT_FALSE(MatchHistogram(Ramp(0, 255, QImage::Format_ARGB32, false), 3));
  EXPECT_FALSE(MatchHistogram(Ramp(40, 200, QImage::Format_RGBA64, false), 3));
  EXPECT_FALSE(MatchHistogram(Ramp(40, 200, QImage::Format_ARGB32, false), 4));
  EXPECT_FALSE(MatchHistogram(QImage(), 3));
}

TEST(AutoLevels, GreyAndFloatForms) {
  const QImage grey =
      Ramp(40, 200, QImage::Format_ARGB32, false).convertToFormat(QImage::Format_Grayscale8);
  const std::optional<QImage> planar = MatchHistogram(grey, 1);
  ASSERT_TRUE(planar);
  int lo = 255, hi = 0;
  for (int x = 0; x < planar->width(); ++x) {
    lo = std::min(lo, qGray(planar->pixel(x, 0)));
    hi = std::max(hi, qGray(planar->pixel(x, 0)));
  }
  EXPECT_LE(lo, 1);
  EXPECT_GE(hi, 254);

  const QImage floats = Ramp(40, 200, QImage::Format_RGBA32FPx4, false);
  const std::optional<QImage> levelled = MatchHistogram(floats, 3);
  ASSERT_TRUE(levelled);
  EXPECT_EQ(levelled->format(), QImage::Format_RGBA32FPx4);
  EXPECT_NEAR(levelled->pixelColor(0, 0).redF(), 0.0, 1e-3);
  EXPECT_NEAR(levelled->pixelColor(160, 0).redF(), 1.0, 1e-3);
}

}  // namespace
}  // namespace glimbrik
