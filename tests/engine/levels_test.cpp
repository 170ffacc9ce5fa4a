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

TEST(AutoLevels, StretchesLowContrastToTheFullRangeAndKeepsAlpha) {
  for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
    SCOPED_TRACE(format);
    const QImage source = Ramp(40, 200, format, true);
    const std::optional<QImage> levelled = MatchHistogram(source, 3);
    ASSERT_TRUE(levelled);
    ASSERT_EQ(levelled->format(), source.format());
    // Translucent colour is stretched unpremultiplied: its end reaches full red too.
    for (int y : {0, 1}) {
      const QColor low = levelled->pixelColor(0, y);
      const QColor high = levelled->pixelColor(160, y);
      EXPECT_EQ(high.alpha(), y ? 200 : 255);
      EXPECT_NEAR(low.red(), 0, 1);
      EXPECT_NEAR(high.red(), 255, 1);
      EXPECT_NEAR(low.green(), 255, 1);
      EXPECT_NEAR(high.green(), 0, 1);
    }
    EXPECT_EQ(qBlue(levelled->pixel(80, 0)), 128);  // the middle level lands mid-range
    // Monotonic in each channel.
    for (int x = 1; x < levelled->width(); ++x)
      EXPECT_GE(qRed(levelled->pixel(x, 0)), qRed(levelled->pixel(x - 1, 0)));
  }
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
