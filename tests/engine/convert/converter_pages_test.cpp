#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QImage Filled(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(colour);
  return image;
}

QRgb CentreOf(const QString& path) {
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  const ImageResult<QImage> image = source->decode(0);
  if (!image.ok()) return 0;
  return image.value.pixel(image.value.width() / 2, image.value.height() / 2);
}

TEST(ConverterPages, EveryPdfPageIsWrittenAtTwiceItsSizeUnderANumberedName) {
  const QString folder = test::MakeTempFolder();
  PdfAssembler pdf;
  ASSERT_TRUE(pdf.addPage(Filled(100, 50, Qt::red), 72, 72));
  ASSERT_TRUE(pdf.addPage(Filled(60, 80, Qt::blue), 72, 72));
  const QString document = folder + "/brochure.pdf";
  ASSERT_TRUE(test::WriteBytes(document, pdf.finish()));
  const QString out = folder + "/pages";
  ASSERT_TRUE(QDir().mkpath(out));

  ImageConverter converter;
  ASSERT_TRUE(converter.loadPDFImageRep(document));
  EXPECT_EQ(converter.sourceURL, document);
  converter.setOutputOptions(7, out, nullptr, false, false, 1.0);
  ASSERT_TRUE(converter.savePDFImageRepPages());
  EXPECT_EQ(QDir(out).entryList(QDir::Files),
            (QStringList{"brochure-001.png", "brochure-002.png"}));
  EXPECT_EQ(test::IdentifySize(out + "/brochure-001.png"), "200 100");
  EXPECT_EQ(test::IdentifySize(out + "/brochure-002.png"), "120 160");
  EXPECT_GE(qRed(CentreOf(out + "/brochure-001.png")), 250);
  EXPECT_GE(qBlue(CentreOf(out + "/brochure-002.png")), 250);
  EXPECT_FALSE(converter.sourceImage) << "the last page is not left as the source";

  ImageConverter notPdf;
  EXPECT_FALSE(notPdf.loadPDFImageRep(out + "/brochure-001.png"));
  EXPECT_FALSE(notPdf.savePDFImageRepPages());
}

TEST(ConverterPages, BitmapEncodingWritesNoFileAndKeepsTheSourceResolutionWhenAsked) {
  const QString folder = test::MakeTempFolder();
  DestinationProperties dense;
  dense.dpiX = 150;
  dense.dpiY = 300;
  const QString source = folder + "/dense.png";
  ASSERT_TRUE(
      test::WriteBytes(source, EncodeImage(Filled(30, 20, Qt::green), "public.png", dense).value));

  ImageConverter kept;
  ASSERT_TRUE(kept.loadSource(source));
  kept.setOutputOptions(4, folder + "/never.jpg", nullptr, false, false, 0.9);
  kept.setKeepSourceResolution(true);
  QByteArray jpeg;
  ASSERT_TRUE(kept.encodeBitmapToData(&jpeg));
  EXPECT_TRUE(jpeg.startsWith("\xFF\xD8\xFF"));
  const std::shared_ptr<ImageSource> read = ImageSource::FromData(jpeg);
  ASSERT_TRUE(read->isValid());
  EXPECT_EQ(read->representation(0).pixelWidth, 30);
  EXPECT_DOUBLE_EQ(read->representation(0).dpiX, 150);
  EXPECT_DOUBLE_EQ(read->representation(0).dpiY, 300);

  // Without the source's resolution it is the converter's own, here 96 dpi.
  ImageConverter given;
  ASSERT_TRUE(given.loadSource(source));
  given.setOutputOptions(7, folder + "/never.png", nullptr, false, false, 1.0);
  given.setResolution(96, 96);
  QByteArray png;
  ASSERT_TRUE(given.encodeBitmapToData(&png));
  const std::shared_ptr<ImageSource> again = ImageSource::FromData(png);
  ASSERT_TRUE(again->isValid());
  EXPECT_EQ(again->format(), SourceFormat::PNG);
  EXPECT_NEAR(again->representation(0).dpiY, 96, 0.1);
  EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"dense.png"});

  ImageConverter empty;
  EXPECT_FALSE(empty.encodeBitmapToData(&png));
}

}  // namespace
}  // namespace glimbrik
