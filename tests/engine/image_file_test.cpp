#include "engine/image_file.h"

#include <gtest/gtest.h>

#include <QFile>

#include "engine/codec_fixtures.h"
#include "engine/webp_bridge.h"
#include "platform/image_destination.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QByteArray JpegWithOrientation(int width, int height, int orientation) {
  return test::InsertSegment(test::MakeJpeg(width, height, 3), 0xE1,
                             QByteArray("Exif\0\0", 6) + test::MakeExif(orientation));
}

TEST(ImageFile, QuarterTurnOrientationsExchangeTheSides) {
  const QString folder = test::MakeTempFolder();
  // A camera-sized photograph, its orientation tag patched in place for each case.
  QByteArray jpeg = JpegWithOrientation(4000, 3000, 1);
  const qsizetype tag = jpeg.indexOf(QByteArray("\x01\x12\x00\x03", 4));
  ASSERT_GT(tag, 0);
  for (int orientation : {1, 3, 5, 6, 7, 8}) {
    SCOPED_TRACE(orientation);
    jpeg[tag + 9] = static_cast<char>(orientation);
    const QString path = folder + QStringLiteral("/o%1.jpg").arg(orientation);
    ASSERT_TRUE(test::WriteBytes(path, jpeg));
    ImageFile file;
    ASSERT_TRUE(file.load(path));
    EXPECT_EQ(file.orientation(), orientation);
    const bool quarter = orientation >= 5;
    EXPECT_EQ(QSize(file.width(), file.height()), quarter ? QSize(3000, 4000) : QSize(4000, 3000));
  }
}

TEST(ImageFile, ResolutionComesFromTheHeaderOr72AndWebPLoadsThroughTheBridge) {
  const QString folder = test::MakeTempFolder();
  QImage image(6, 4, QImage::Format_RGBA8888);
  image.fill(QColor(10, 200, 30));
  ASSERT_TRUE(test::WritePng(folder + "/plain.png", image));
  ImageFile plain;
  ASSERT_TRUE(plain.load(folder + "/plain.png"));
  EXPECT_DOUBLE_EQ(plain.dpiWidth(), 72.0);
  EXPECT_EQ(plain.orientation(), 0);
  ASSERT_EQ(EncodeImageFileToWebP(QFile::encodeName(folder + "/plain.png").constData(),
                                  QFile::encodeName(folder + "/in.webp").constData(),
                                  WebPSettingsForQuality(1.0), 0),
            0);
  ImageFile webp;
  ASSERT_TRUE(webp.load(folder + "/in.webp"));
  EXPECT_EQ(webp.width(), 6);
  EXPECT_EQ(webp.image().pixelColor(2, 2), QColor(10, 200, 30));

  test::PngOptions options;
  options.dpi = 300.0;
  ASSERT_TRUE(test::WritePng(folder + "/dense.png", image, options));
  ImageFile dense;
  ASSERT_TRUE(dense.load(folder + "/dense.png"));
  EXPECT_NEAR(dense.dpiWidth(), 300.0, 0.01);

  // Unequal resolutions: the width's is the horizontal one.
  DestinationProperties uneven;
  uneven.dpiX = 150;
  uneven.dpiY = 300;
  ASSERT_TRUE(
      test::WriteBytes(folder + "/uneven.png", EncodeImage(image, "public.png", uneven).value));
  ImageFile wide;
  ASSERT_TRUE(wide.load(folder + "/uneven.png"));
  EXPECT_NEAR(wide.dpiWidth(), 150.0, 0.05);
  EXPECT_NEAR(wide.dpiHeight(), 300.0, 0.05);
}

TEST(ImageFile, NonImagesDoNotLoad) {
  const QString folder = test::MakeTempFolder();
  ASSERT_TRUE(test::WriteBytes(folder + "/notes.txt", "just some words, no pixels\n"));
  ASSERT_TRUE(test::WriteBytes(folder + "/fake.jpg", "\xFF\xD8\xFF\xE0 truncated"));
  ASSERT_TRUE(test::WriteBytes(folder + "/empty.png", QByteArray()));
  for (const char* name : {"/notes.txt", "/fake.jpg", "/empty.png", "/missing.png"}) {
    SCOPED_TRACE(name);
    ImageFile file;
    EXPECT_FALSE(file.load(folder + name));
    EXPECT_TRUE(file.image().isNull());
    EXPECT_EQ(QSize(file.width(), file.height()), QSize(0, 0));
    EXPECT_DOUBLE_EQ(file.dpiWidth(), 72.0);
  }
}

}  // namespace
}  // namespace glimbrik
