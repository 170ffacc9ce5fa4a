#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "engine/conversion_records.h"
#include "engine/image_converter.h"
#include "platform/folders.h"
#include "platform/image_destination.h"
#include "platform/image_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::IdentifySize;
using test::RunTool;

// A WebP file made by libwebp's own command-line encoder.
QString WebPSource(const QString& folder, const QString& name) {
  const QString png = folder + "/webp-input.png";
  EXPECT_TRUE(test::WriteBytes(
      png, EncodeImage(test::PatternImage(48, 32), QStringLiteral("public.png"), {}).value));
  const QString webp = folder + QLatin1Char('/') + name;
  bool ok = false;
  RunTool(QStringLiteral("cwebp"), {"-quiet", "-lossless", png, "-o", webp}, &ok);
  EXPECT_TRUE(ok);
  return webp;
}

QStringList TemporaryTiffs() { return QDir(PrivateTempFolder()).entryList({"*.tif"}, QDir::Files); }

TEST(WebPPaths, SourceIsReadThroughATemporaryTiffThatIsRemovedAfterwards) {
  const QString folder = test::MakeTempFolder();
  const QString webp = WebPSource(folder, QStringLiteral("pic.webp"));
  const QStringList before = TemporaryTiffs();
  {
    ImageConverter converter;
    ASSERT_TRUE(converter.loadSource(webp));
    EXPECT_TRUE(converter.sourceIsTemporary);
    EXPECT_TRUE(converter.sourceURL.endsWith(QLatin1String(".tif")));
    EXPECT_TRUE(QFileInfo::exists(converter.sourceURL));
    EXPECT_EQ(converter.sourcePixelWidth(), 48);
    // Type 0 keeps the source's own type: WebP, not the temporary TIFF's.
    EXPECT_EQ(converter.resolveOutputType(), 24);
  }
  EXPECT_EQ(TemporaryTiffs(), before);

  // Only the exact lower-case extension goes to the bridge.
  const QString shouted = folder + "/PIC.WEBP";
  ASSERT_TRUE(QFile::copy(webp, shouted));
  ImageConverter converter;
  EXPECT_FALSE(converter.loadSource(shouted));
}

TEST(WebPPaths, ProcessedIntoItsOwnTypeAndWrittenLosslessOnlyAtFullQuality) {
  const QString folder = test::MakeTempFolder();
  const QString webp = WebPSource(folder, QStringLiteral("pic.webp"));
  ImageConversion c = test::ConversionRecord(webp, folder + "/same.webp", 0, 1.0);
  c.resize = test::PercentFit(50);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString lossless = RunTool(QStringLiteral("webpinfo"), {c.destinationURL});
  EXPECT_TRUE(lossless.contains(QStringLiteral("VP8L"))) << lossless.toStdString();
  EXPECT_EQ(IdentifySize(c.destinationURL), QStringLiteral("24 16"));

  c.destinationURL = folder + "/lossy.webp";
  c.options.outputType = 24;
  c.options.quality = 0.8;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString lossy = RunTool(QStringLiteral("webpinfo"), {c.destinationURL});
  EXPECT_TRUE(lossy.contains(QStringLiteral("VP8 "))) << lossy.toStdString();
  EXPECT_FALSE(lossy.contains(QStringLiteral("VP8L")));

  ImageConversion convert;
  convert.sourceURL = webp;
  convert.destinationURL = folder + "/converted.webp";
  convert.options.outputType = 24;
  convert.options.quality = 0.5;
  ASSERT_EQ(ConvertImageFile(&convert), 1);
  EXPECT_EQ(IdentifySize(convert.destinationURL), QStringLiteral("48 32"));
}

TEST(SgiOutput, WritesAFileImageMagickReads) {
  const QString folder = test::MakeTempFolder();
  const QString png = folder + "/in.png";
  ASSERT_TRUE(test::WriteBytes(
      png, EncodeImage(test::PatternImage(30, 20), QStringLiteral("public.png"), {}).value));
  ImageConversion c;
  c.sourceURL = png;
  c.destinationURL = folder + "/out.sgi";
  c.options.outputType = 12;
  ASSERT_EQ(ConvertImageFile(&c), 1);
  EXPECT_EQ(IdentifySize(c.destinationURL), QStringLiteral("30 20"));
}

TEST(OutputTable, ExtensionsComeFromTheBundleList) {
  EXPECT_EQ(ExtensionForImageType(4), QStringLiteral("jpg"));
  EXPECT_EQ(ExtensionForImageType(7), QStringLiteral("png"));
  EXPECT_EQ(ExtensionForImageType(10), QStringLiteral("tif"));
  EXPECT_EQ(ExtensionForImageType(25), QString());
  EXPECT_EQ(ExtensionForImageType(-1), QString());
  EXPECT_EQ(OutputTypeIdentifier(24), QStringLiteral("public.jpeg"));
  EXPECT_EQ(OutputTypeIdentifier(99), QStringLiteral("public.jpeg"));
  EXPECT_EQ(OutputTypeIdentifier(13), QStringLiteral("public.tiff"));
  EXPECT_TRUE(KeepsMetadata(13));
  EXPECT_FALSE(KeepsMetadata(11));
  EXPECT_EQ(BitmapFileType(13), 10);
  EXPECT_EQ(BitmapFileType(9), 4);
}

TEST(ConverterOptions, OrientationFromAngleAndZeroResolution) {
  ImageConverter converter;
  const std::pair<long long, int> angles[] = {{0, 1},   {360, 1},  {90, 6},  {-270, 6},
                                              {180, 3}, {-180, 3}, {270, 8}, {-90, 8}};
  for (auto [angle, orientation] : angles) {
    converter.setOrientationFromAngle(angle);
    EXPECT_EQ(converter.orientation, orientation) << angle;
  }
  converter.setOrientationFromAngle(45);
  EXPECT_EQ(converter.orientation, 8);
  // Without a source every query has its neutral answer.
  EXPECT_DOUBLE_EQ(converter.sourceHorizontalDPI(), 72.0);
  EXPECT_EQ(converter.sourcePixelWidth(), 0);
  EXPECT_FALSE(converter.hasAlpha());
  EXPECT_FALSE(converter.convertAndSave());
}

TEST(ConverterEncoding, InMemoryJpegCarriesQualityAndResolution) {
  ImageConverter converter;
  converter.quality = 0.9;
  converter.setResolution(300, 300);
  const uchar grey[8] = {0, 40, 80, 120, 160, 200, 240, 255};
  ASSERT_TRUE(converter.encodeJPEG(4, 2, grey, 1, 1));
  const auto source = ImageSource::FromData(converter.encodedData);
  ASSERT_TRUE(source->isValid());
  EXPECT_EQ(source->representation(0).pixelWidth, 4);
  EXPECT_EQ(source->representation(0).colorModel, ColorModel::Gray);
  EXPECT_DOUBLE_EQ(source->representation(0).dpiX, 300.0);
  EXPECT_FALSE(converter.encodeJPEG(0, 2, grey, 1, 1));
}

TEST(ConverterHandlers, EveryImageOfASourceReachesTheDataHandler) {
  const QString tiff = test::MakeTempFolder() + "/three.tif";
  bool ok = false;
  RunTool(
      QStringLiteral("convert"),
      {"-size", "40x30", "xc:red", "-size", "20x10", "xc:lime", "-size", "8x8", "xc:blue", tiff},
      &ok);
  ASSERT_TRUE(ok);
  ImageConverter converter;
  ASSERT_TRUE(converter.loadSource(tiff));
  converter.outputType = 7;
  std::vector<QSize> sizes;
  int sizeCalls = 0;
  converter.dataHandler = [&](const QByteArray& data, void*) {
    const auto written = ImageSource::FromData(data);
    sizes.push_back(written->isValid() ? QSize(written->representation(0).pixelWidth,
                                               written->representation(0).pixelHeight)
                                       : QSize());
  };
  converter.sizeHandler = [&](ImageConverter&, const ImageResizeOptions&, void*) { ++sizeCalls; };
  ASSERT_TRUE(converter.process(test::PercentFit(50)));
  EXPECT_EQ(sizes, (std::vector<QSize>{QSize(20, 15), QSize(10, 5), QSize(4, 4)}));
  EXPECT_EQ(sizeCalls, 2);
}

TEST(CmykTiff, OutputType13IsSeparatedAndKeepsTransparency) {
  const QString folder = test::MakeTempFolder();
  QImage image = test::TwoColourImage(20, 10, QColor(0, 0, 0, 0), Qt::red);
  const QString png = folder + "/half.png";
  ASSERT_TRUE(test::WriteBytes(png, EncodeImage(image, QStringLiteral("public.png"), {}).value));
  ImageConversion c = test::ConversionRecord(png, folder + "/cmyk.tif", 13, 0.0);
  c.resize = test::PercentFit(100);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString info = RunTool(QStringLiteral("tiffinfo"), {c.destinationURL});
  EXPECT_TRUE(info.contains(QStringLiteral("separated"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("Samples/Pixel: 5"))) << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("LZW")));
}

}  // namespace
}  // namespace glimbrik
