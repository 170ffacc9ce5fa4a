#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "engine/filters/effects.h"
#include "engine/filters/enhance.h"
#include "engine/filters/levels.h"
#include "engine/filters/sharpen.h"
#include "engine/pixel_probes.h"

namespace glimbrik {
namespace {

using test::Ramp;

TEST(AutoLevels, StretchesLowContrastToTheFullRangeAndKeepsAlpha) {
  for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
    SCOPED_TRACE(format);
    const QImage source = Ramp(40, 200, format, true);
    const std::optional<QImage> levelled = MatchHistogram(source, 3);
    ASSERT_TRUE(levelled);
    ASSERT_EQ(levelled->format(), source.format());
    // Translucent colour is stretched unpremultiplied: its end reaches full blue too.
    for (int y : {0, 1}) {
      const QColor low = levelled->pixelColor(0, y);
      const QColor high = levelled->pixelColor(160, y);
      EXPECT_EQ(high.alpha(), y ? 200 : 255);
      EXPECT_NEAR(low.blue(), 0, 1);
      EXPECT_NEAR(high.blue(), 255, 1);
      EXPECT_NEAR(low.red(), 0, 1);
      EXPECT_NEAR(high.red(), 128, 1);
      EXPECT_NEAR(low.green(), 255, 1);
      EXPECT_NEAR(high.green(), 128, 1);
    }
    EXPECT_EQ(qBlue(levelled->pixel(80, 0)), 128);  // the middle level lands mid-range
    // Monotonic in each channel.
    for (int x = 1; x < levelled->width(); ++x)
      EXPECT_GE(qRed(levelled->pixel(x, 0)), qRed(levelled->pixel(x - 1, 0)));
  }
}

// 25600 pixels, grey 128 but for a few blue levels: a level held by more than 3 pixels in a
// colour channel bounds the stretch, one held by 3 or fewer is clipped.
TEST(AutoLevels, ClipsOnlyLevelsOfAtMostThreePixelsIn25600) {
  const auto levelled = [](int lowCount) {
    QImage image(160, 160, QImage::Format_ARGB32);
    image.fill(qRgb(128, 128, 128));
    for (int x = 0; x < lowCount; ++x) image.setPixel(x, 0, qRgb(128, 128, 20));
    for (int x = 0; x < 4; ++x) image.setPixel(x, 1, qRgb(128, 128, 230));
    return MatchHistogram(image, 3);
  };
  const std::optional<QImage> bounded = levelled(4);
  ASSERT_TRUE(bounded);
  EXPECT_EQ(qBlue(bounded->pixel(0, 0)), 0);
  EXPECT_EQ(qBlue(bounded->pixel(0, 1)), 255);
  // (128 - 20) x 255 / 210 = 131.1
  EXPECT_NEAR(qBlue(bounded->pixel(80, 80)), 131, 1);
  EXPECT_NEAR(qRed(bounded->pixel(80, 80)), 131, 1);
  // Three pixels at 20 are clipped: the stretch starts at 128.
  const std::optional<QImage> clipped = levelled(3);
  ASSERT_TRUE(clipped);
  EXPECT_EQ(qRed(clipped->pixel(80, 80)), 0);
}

TEST(AutoLevels, LeavesWhatItMustNotTouch) {
  QImage full(256, 4, QImage::Format_ARGB32);
  for (int x = 0; x < 256; ++x) {
    for (int y = 0; y < 4; ++y) full.setPixel(x, y, qRgb(x, 255 - x, x));
  }
  EXPECT_FALSE(MatchHistogram(full, 3));
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
  EXPECT_NEAR(levelled->pixelColor(0, 0).blueF(), 0.0, 1e-3);
  EXPECT_NEAR(levelled->pixelColor(160, 0).blueF(), 1.0, 1e-3);
}

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

QImage Colourful(QImage::Format format) {
  QImage image(64, 48, QImage::Format_ARGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      image.setPixel(
          x, y,
          qRgba(random.bounded(256), random.bounded(256), random.bounded(256), x < 8 ? 128 : 255));
    }
  }
  return image.convertToFormat(format);
}

TEST(PhotoEffects, GreyEffectsGiveEqualChannelsAndKeepAlpha) {
  for (const auto& [effect, format] :
       {std::pair{1, QImage::Format_ARGB32}, std::pair{2, QImage::Format_RGBA64},
        std::pair{3, QImage::Format_ARGB32}, std::pair{3, QImage::Format_RGBA64}}) {
    SCOPED_TRACE(effect);
    const QImage source = Colourful(format);
    const QImage result = ApplyPhotoEffect(source, effect);
    ASSERT_EQ(result.format(), format);
    ASSERT_EQ(result.size(), source.size());
    for (int y = 0; y < result.height(); ++y) {
      for (int x = 0; x < result.width(); ++x) {
        const QRgba64 p = result.pixelColor(x, y).rgba64();
        ASSERT_EQ(p.red(), p.green()) << x << "," << y;
        ASSERT_EQ(p.green(), p.blue()) << x << "," << y;
        ASSERT_EQ(p.alpha(), source.pixelColor(x, y).rgba64().alpha());
      }
    }
  }
}

// Tonal is a soft grey: black is lifted, white dimmed and the middle lightened a little, where
// Noir deepens the shadows and Mono keeps the grey as it is.
TEST(PhotoEffects, TonalLiftsTheShadowsAndDimsTheHighlights) {
  QImage ramp(256, 1, QImage::Format_ARGB32);
  for (int x = 0; x < 256; ++x) ramp.setPixel(x, 0, qRgb(x, x, x));
  const QImage tonal = ApplyPhotoEffect(ramp, 2);
  const QImage noir = ApplyPhotoEffect(ramp, 3);
  for (const auto& [in, out] : {std::pair{0, 8}, std::pair{64, 77}, std::pair{128, 137},
                                std::pair{192, 193}, std::pair{255, 247}}) {
    EXPECT_NEAR(qGray(tonal.pixel(in, 0)), out, 1) << in;
  }
  EXPECT_LT(qGray(noir.pixel(64, 0)), 64);
}

TEST(PhotoEffects, ColourEffectsChangeColourAndOthersDoNothing) {
  const QImage source = Colourful(QImage::Format_ARGB32);
  // Not a grey effect: some pixel keeps distinct channels.
  const auto coloured = [](const QColor& c) {
    return c.red() != c.green() || c.green() != c.blue();
  };
  for (int number = 4; number <= 8; ++number) {
    const QImage result = ApplyPhotoEffect(source, number);
    EXPECT_NE(result, source) << number;
    EXPECT_GT(test::CountPixels(result, coloured), 0) << number;
  }
  EXPECT_EQ(ApplyPhotoEffect(source, 9), source);
  EXPECT_EQ(ApplyPhotoEffect(source, 0), source);
  EXPECT_EQ(ApplyPhotoEffect(source, -1), source);
  EXPECT_TRUE(ApplyPhotoEffectToImage(QImage(), 1).isNull());
}

TEST(PhotoEffects, PremultipliedCanvasIsFilteredOnStraightColour) {
  // A half-transparent pure red pixel must come out as a half-transparent grey of red's luma,
  // not of the darker premultiplied value.
  QImage canvas(4, 4, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(QColor(255, 0, 0, 128));
  QImage solid(4, 4, QImage::Format_ARGB32);
  solid.fill(QColor(255, 0, 0));
  const int greyOfRed = qRed(ApplyPhotoEffect(solid, 1).pixel(0, 0));
  const QColor result = ApplyPhotoEffect(canvas, 1).pixelColor(1, 1);
  EXPECT_EQ(result.alpha(), 128);
  EXPECT_NEAR(result.red(), greyOfRed, 2);
}

}  // namespace
}  // namespace glimbrik
