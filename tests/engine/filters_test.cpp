#include <gtest/gtest.h>

#include "engine/enhance.h"
#include "engine/sharpen.h"

namespace glimbrik {
namespace {

// A soft vertical edge from dark grey to light grey.
QImage SoftEdge(QImage::Format format) {
  QImage image(200, 120, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int v = std::clamp(60 + (x - 95) * 13, 60, 190);
      image.setPixel(x, y, qRgba(v, v, v, y < 10 ? 100 : 255));
    }
  }
  return image.convertToFormat(format);
}

TEST(Sharpen, SteepensEdgesOnLuminanceOnly) {
  for (QImage::Format format : {QImage::Format_ARGB32_Premultiplied, QImage::Format_RGBA64}) {
    const QImage source = SoftEdge(format);
    const QImage sharp = SharpenLuminance(source, kSharpenLuminanceStrength);
    ASSERT_EQ(sharp.format(), format);
    // Overshoot on both sides of the edge, flat areas untouched.
    EXPECT_LT(qRed(sharp.pixel(94, 60)), qRed(source.pixel(94, 60)));
    EXPECT_GT(qRed(sharp.pixel(106, 60)), qRed(source.pixel(106, 60)));
    EXPECT_EQ(sharp.pixel(20, 60), source.pixel(20, 60));
    EXPECT_EQ(sharp.pixel(180, 60), source.pixel(180, 60));
    for (int x = 80; x < 120; ++x) {
      const QColor c = sharp.pixelColor(x, 60);
      ASSERT_EQ(c.red(), c.green());
      ASSERT_EQ(c.green(), c.blue());
      ASSERT_EQ(sharp.pixelColor(x, 5).alpha(), 100);
    }
  }
  EXPECT_EQ(SharpenLuminance(SoftEdge(QImage::Format_ARGB32), 0.0),
            SoftEdge(QImage::Format_ARGB32));
}

QImage DarkDull(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const int v = 20 + (x * 90) / width;
      image.setPixel(x, y, qRgb(v + 12, v + 6, v));
    }
  }
  return image;
}

TEST(AutoEnhance, BrightensAndEnlivensADullDarkImage) {
  const QImage source = DarkDull(300, 200);
  const QImage enhanced = AutoEnhance(source);
  ASSERT_EQ(enhanced.format(), source.format());
  double before = 0, after = 0;
  for (int x = 0; x < 300; ++x) {
    before += qGray(source.pixel(x, 100));
    after += qGray(enhanced.pixel(x, 100));
  }
  EXPECT_GT(after, before * 1.1);
  // Ordering of tones survives.
  for (int x = 1; x < 300; ++x)
    EXPECT_GE(qGray(enhanced.pixel(x, 100)), qGray(enhanced.pixel(x - 1, 100)));
}

TEST(AutoEnhance, BalancedImageIsLeftAlone) {
  // Full range, mid-grey mean, no colour to enliven: nothing to choose.
  QImage image(256, 64, QImage::Format_ARGB32);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 256; ++x) image.setPixel(x, y, qRgb(x, x, x));
  }
  EXPECT_EQ(AutoEnhance(image), image);
}

}  // namespace
}  // namespace glimbrik
