#include "app/rename_string.h"

#include <gtest/gtest.h>

#include <QImage>

#include "support/test_env.h"

namespace glimbrik {
namespace {

TokenArray SizePattern() {
  return {QStringLiteral("IMG ["), QVXWatermarkTextToken(QStringLiteral("Image Width"), 11),
          QStringLiteral("x"),     QVXWatermarkTextToken(QStringLiteral("Image Height"), 12),
          QStringLiteral("] "),    QVXWatermarkTextToken(QStringLiteral("#"), 1)};
}

BatchEntry Entry(const QString& path, double angle = 0.0) {
  BatchEntry e;
  e.filePath = path;
  e.width = 1000;
  e.height = 750;
  e.resolution = 72;
  e.angle = angle;
  return e;
}

ImageResizeOptions HalfSize() {
  ImageResizeOptions r;
  r.keepAspectRatio = 1;
  r.resample = 1;
  r.width = 50;
  r.unit = 1;
  r.scaleMode = 0;
  return r;
}

TEST(RenameString, ExpandsWithTheOutputSizeAndTheRunIndex) {
  const QString path = test::MakeTempFolder() + "/photo.png";
  ASSERT_TRUE(QImage(1000, 750, QImage::Format_RGB32).save(path));
  const ImageResizeOptions half = HalfSize();
  EXPECT_EQ(GetRenameStringForObject(Entry(path), &half, 0, SizePattern()),
            QStringLiteral("IMG [500x375] 1"));
  EXPECT_EQ(GetRenameStringForObject(Entry(path), &half, 1, SizePattern()),
            QStringLiteral("IMG [500x375] 2"));
  EXPECT_EQ(GetRenameStringForObject(Entry(path), nullptr, 0, SizePattern()),
            QStringLiteral("IMG [1000x750] 1"));

  BatchEntry notLoaded;  // the list has not read the file's facts yet
  notLoaded.filePath = path;
  EXPECT_EQ(GetRenameStringForObject(notLoaded, &half, 4, SizePattern()),
            QStringLiteral("IMG [500x375] 5"));
}

TEST(RenameString, QuarterTurnsExchangeWidthAndHeight) {
  const QString path = test::MakeTempFolder() + "/photo.png";
  for (double angle : {90.0, 270.0, -90.0, 90.9}) {
    EXPECT_EQ(GetRenameStringForObject(Entry(path, angle), nullptr, 0, SizePattern()),
              QStringLiteral("IMG [750x1000] 1"))
        << angle;
  }
  for (double angle : {0.0, 180.0, -180.0, 89.9}) {
    EXPECT_EQ(GetRenameStringForObject(Entry(path, angle), nullptr, 0, SizePattern()),
              QStringLiteral("IMG [1000x750] 1"))
        << angle;
  }
}

TEST(RenameString, EmptyExpansionFallsBackToTheSourceName) {
  const QString path = test::MakeTempFolder() + "/holiday.2020.png";
  ASSERT_TRUE(QImage(4, 4, QImage::Format_RGB32).save(path));
  const TokenArray author{QVXWatermarkTextToken(QStringLiteral("Author"), 15)};
  EXPECT_EQ(GetRenameStringForObject(Entry(path), nullptr, 0, author),
            QStringLiteral("holiday.2020"));
  EXPECT_EQ(GetRenameStringForObject(Entry(path), nullptr, 0, TokenArray{}),
            QStringLiteral("holiday.2020"));
}

TEST(RenameString, ResizeTokensAreFoundOnlyAsTokens) {
  EXPECT_TRUE(IsRenameContainsResizeTokens(SizePattern()));
  EXPECT_TRUE(IsRenameContainsResizeTokens({QVXWatermarkTextToken(QStringLiteral("dpi"), 13)}));
  EXPECT_FALSE(IsRenameContainsResizeTokens({QStringLiteral("11"),
                                             QVXWatermarkTextToken(QStringLiteral("#"), 1),
                                             QVXWatermarkTextToken(QStringLiteral("x"), 14)}));
}

}  // namespace
}  // namespace glimbrik
