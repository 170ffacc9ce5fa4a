#include "engine/codecs/image_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>

#include "engine/codec_fixtures.h"
#include "engine/codecs/webp_bridge.h"
#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/legacy_fixtures.h"
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

// Every output type: saved when a conversion can write it, refused otherwise, and what was written
// loads again whenever the engine reads it, with its size.
class ImageFileTypes : public testing::TestWithParam<int> {};

TEST_P(ImageFileTypes, SavesWhatTheEngineWritesAndLoadsWhatItReads) {
  const int type = GetParam();
  const QString folder = test::MakeTempFolder();
  const QImage picture = test::PatternImage(40, 30);
  ASSERT_TRUE(test::WritePng(folder + "/in.png", picture));
  ImageFile file;
  ASSERT_TRUE(file.load(folder + "/in.png"));
  const QString out = folder + "/out." + ExtensionForImageType(type);
  file.setOutput(type, out, 0.9);
  const bool engineWrites = type == 8 || type == 12 || CanEncodeType(OutputTypeIdentifier(type));
  ASSERT_EQ(file.save(), engineWrites);
  if (!engineWrites) {
    EXPECT_FALSE(QFile::exists(out));
    return;
  }
  // Icons are squared to a standard size; ImageMagick reads no Apple icons, poppler reads the PDF.
  const QSize size = type == 6 ? QSize(32, 32) : QSize(40, 30);
  if (type == 8) {
    const QString info = test::RunTool("pdfinfo", {out});
    const QRegularExpressionMatch page =
        QRegularExpression(QStringLiteral("Page size: +([0-9.]+) x ([0-9.]+) pts")).match(info);
    ASSERT_TRUE(page.hasMatch()) << info.toStdString();
    EXPECT_NEAR(page.captured(1).toDouble(), 40.0, 0.01);
    EXPECT_NEAR(page.captured(2).toDouble(), 30.0, 0.01);
    return;  // a PDF is a document, not an image the engine reads
  }
  if (type != 6) {
    EXPECT_EQ(test::IdentifySize(out), "40 30");
  }
  ASSERT_TRUE(ImageSource::Open(out)->isValid())
      << out.toStdString() << ": " << ImageSource::Open(out)->error().toStdString();
  ImageFile back;
  ASSERT_TRUE(back.load(out));
  EXPECT_EQ(QSize(back.width(), back.height()), size);
  EXPECT_NEAR(back.dpiWidth(), 72.0, 0.01);
  // Lossless types give the picture back; the GIF palette holds few of its colours.
  if (type == 1 || type == 7 || type == 9 || type == 10 || type == 11 || type == 12) {
    const QImage a = back.image().convertToFormat(QImage::Format_RGB32);
    const QImage b = picture.convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(a, b);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryOutputType, ImageFileTypes, testing::Range(0, 25));

TEST(ImageFile, LoadsMacPaintFaxAndQuickTimeImages) {
  for (const test::LegacyFile& legacy : test::MakeLegacyFiles(test::MakeTempFolder())) {
    SCOPED_TRACE(legacy.label.toStdString());
    ImageFile file;
    ASSERT_TRUE(file.load(legacy.path));
    EXPECT_EQ(QSize(file.width(), file.height()), legacy.size);
    EXPECT_DOUBLE_EQ(file.dpiWidth(), legacy.dpiX);
    EXPECT_DOUBLE_EQ(file.dpiHeight(), legacy.dpiY);
  }
}

}  // namespace
}  // namespace glimbrik
