#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/files/file_types.h"
#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/store/folders.h"
#include "support/camera_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/legacy_fixtures.h"
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

  // The extension's case does not matter: the list takes "PIC.WEBP" for a WebP image too.
  const QString shouted = folder + "/PIC.WEBP";
  ASSERT_TRUE(QFile::copy(webp, shouted));
  ImageConverter converter;
  EXPECT_TRUE(converter.loadSource(shouted));

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

// One small file of every kind the list takes by its extension, named in lower case.
QStringList ListedKinds(const QString& folder) {
  const QString png = folder + "/pattern.png";
  EXPECT_TRUE(test::PatternImage(48, 32).save(png));
  QStringList files;
  for (const char* extension : {"jpg", "jpeg", "jp2", "tif", "tiff", "gif", "bmp", "ico", "xbm",
                                "psd", "tga", "sgi", "exr"}) {
    files << folder + "/kind." + extension;
    bool ok = false;
    RunTool("convert", {png, files.back()}, &ok);
    EXPECT_TRUE(ok) << extension;
  }
  files << folder + "/kind.heic";
  bool heif = false;
  RunTool("heif-enc", {"-q", "90", png, "-o", files.back()}, &heif);
  EXPECT_TRUE(heif);
  files << png << WebPSource(folder, "kind.webp") << folder + "/kind.icns";
  EXPECT_TRUE(test::PatternImage(32, 32).save(files.back(), "ICNS"));
  test::DngOptions raw;
  raw.scene = [](int x, int y) { return test::CornerScene(64, 48, x, y); };
  files << folder + "/kind.dng";
  EXPECT_TRUE(test::WriteBytes(files.back(), test::MakeDng(raw)));
  for (const test::LegacyFile& legacy : test::MakeLegacyFiles(folder)) files << legacy.path;
  return files;
}

TEST(SourceNames, EveryKindTheListTakesConvertsWhateverTheCaseOfItsExtension) {
  const QString folder = test::MakeTempFolder();
  const QString out = test::MakeTempFolder();
  for (const QString& lower : ListedKinds(folder)) {
    const QFileInfo info(lower);
    const QString suffix = info.suffix();
    ImageConversion plain = test::ConversionRecord(lower, out + "/" + info.fileName() + ".png", 7);
    plain.resize = test::PercentFit(100);
    ASSERT_EQ(ProcessImageFile(&plain), 0) << lower.toStdString();
    const QString size = IdentifySize(plain.destinationURL);
    QString mixed = suffix.toUpper();
    mixed[0] = mixed[0].toLower();
    for (const QString& extension : {suffix.toUpper(), mixed}) {
      const QString name = info.path() + "/" + info.completeBaseName() + "-case." + extension;
      SCOPED_TRACE(name.toStdString());
      QFile::remove(name);
      ASSERT_TRUE(QFile::copy(lower, name));
      ASSERT_FALSE(FileKindDescription(name).isEmpty());
      ImageConversion c =
          test::ConversionRecord(name, out + "/" + QFileInfo(name).fileName() + ".png", 7);
      c.resize = test::PercentFit(100);
      EXPECT_EQ(ProcessImageFile(&c), 0);
      EXPECT_EQ(IdentifySize(c.destinationURL), size);
    }
  }
  // Kept in its own type, an upper-case WebP is written as WebP.
  ImageConversion same = test::ConversionRecord(folder + "/kind-case.WEBP", out + "/same.webp", 0);
  same.resize = test::PercentFit(100);
  ASSERT_EQ(ProcessImageFile(&same), 0);
  EXPECT_TRUE(RunTool("webpinfo", {same.destinationURL}).contains("VP8"));
}

TEST(OutputTable, TypesOutsideTheTableFallBack) {
  EXPECT_EQ(ExtensionForImageType(25), QString());
  EXPECT_EQ(ExtensionForImageType(-1), QString());
  EXPECT_EQ(OutputTypeIdentifier(99), "public.jpeg");
  EXPECT_EQ(OutputTypeIdentifier(13), "public.tiff");
}

}  // namespace
}  // namespace glimbrik
