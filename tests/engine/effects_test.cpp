#include "engine/effects.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

namespace glimbrik {
namespace {

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

TEST(PhotoEffects, ColourEffectsChangeColourAndOthersDoNothing) {
  const QImage source = Colourful(QImage::Format_ARGB32);
  for (int number = 4; number <= 8; ++number) {
    const QImage result = ApplyPhotoEffect(source, number);
    EXPECT_NE(result, source) << number;
    // Not a grey effect: some pixel keeps distinct channels.
    bool coloured = false;
    for (int x = 10; x < 40 && !coloured; ++x) {
      const QRgb p = result.pixel(x, 10);
      coloured = qRed(p) != qGreen(p) || qGreen(p) != qBlue(p);
    }
    EXPECT_TRUE(coloured) << number;
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
