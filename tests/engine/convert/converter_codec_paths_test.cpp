#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/store/folders.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::IdentifySize;
using test::RunTool;

// A WebP file made by libwebp's own command-line encoder.
QString WebPSource(const QString& folder, const QString& name) {
  const QString png = folder + "/webp-input.png";
  EXPECT_TRUE(
      test::WriteBytes(png, EncodeImage(test::PatternImage(48, 32), "public.png", {}).value));
  const QString webp = folder + QLatin1Char('/') + name;
  bool ok = false;
  RunTool("cwebp", {"-quiet", "-lossless", png, "-o", webp}, &ok);
  EXPECT_TRUE(ok);
  return webp;
}

QStringList TemporaryTiffs() { return QDir(PrivateTempFolder()).entryList({"*.tif"}, QDir::Files); }

TEST(WebPPaths, SourceIsReadThroughATemporaryTiffAndWrittenLosslessOnlyAtFullQuality) {
  const QString folder = test::MakeTempFolder();
  const QString webp = WebPSource(folder, "pic.webp");
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

  // Processed into its own type, and written lossless only at full quality.
  ImageConversion c = test::ConversionRecord(webp, folder + "/same.webp", 0, 1.0);
  c.resize = test::PercentFit(50);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString lossless = RunTool("webpinfo", {c.destinationURL});
  EXPECT_TRUE(lossless.contains("VP8L")) << lossless.toStdString();
  EXPECT_EQ(IdentifySize(c.destinationURL), "24 16");

  c.destinationURL = folder + "/lossy.webp";
  c.options.outputType = 24;
  c.options.quality = 0.8;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString lossy = RunTool("webpinfo", {c.destinationURL});
  EXPECT_TRUE(lossy.contains("VP8 ")) << lossy.toStdString();
  EXPECT_FALSE(lossy.contains("VP8L"));
}

TEST(OutputTable, TypesOutsideTheTableFallBack) {
  EXPECT_EQ(ExtensionForImageType(25), QString());
  EXPECT_EQ(ExtensionForImageType(-1), QString());
  EXPECT_EQ(OutputTypeIdentifier(99), "public.jpeg");
  EXPECT_EQ(OutputTypeIdentifier(13), "public.tiff");
}

}  // namespace
}  // namespace glimbrik
