#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "engine/conversion_records.h"
#include "platform/image_destination.h"
#include "platform/image_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/file_size_limit.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::IdentifySize;
using test::RunTool;

QString MakeWithConvert(const QStringList& arguments, const QString& name) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  bool ok = false;
  RunTool(QStringLiteral("convert"), QStringList(arguments) << path, &ok);
  EXPECT_TRUE(ok) << name.toStdString();
  return path;
}

QString WriteImage(const QImage& image, const char* uti, const QString& name, double dpi = 72) {
  DestinationProperties p;
  p.dpiX = p.dpiY = dpi;
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  EXPECT_TRUE(test::WriteBytes(path, EncodeImage(image, QString::fromLatin1(uti), p).value));
  return path;
}

ImageConversion ConvertRecord(const QString& source, const QString& destination, int type) {
  return test::ConversionRecord(source, destination, type);
}

QStringList FilesIn(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

TEST(ConvertImageFile, SeveralImagesGoIntoAFolderOrOnePdf) {
  const QString tiff =
      MakeWithConvert({QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("xc:red"),
                       QStringLiteral("xc:lime"), QStringLiteral("xc:blue")},
                      QStringLiteral("multi.tif"));
  const QString out = test::MakeTempFolder();
  ImageConversion jpeg = ConvertRecord(tiff, out + QStringLiteral("/multi.jpg"), 4);
  ASSERT_EQ(ConvertImageFile(&jpeg), 1);
  EXPECT_FALSE(QFileInfo::exists(out + QStringLiteral("/multi.jpg")));
  EXPECT_EQ(FilesIn(out + QStringLiteral("/multi")),
            QStringList({QStringLiteral("multi 1.jpg"), QStringLiteral("multi 2.jpg"),
                         QStringLiteral("multi.jpg")}));
  EXPECT_EQ(IdentifySize(out + QStringLiteral("/multi/multi 2.jpg")), QStringLiteral("40 30"));

  ImageConversion pdf = ConvertRecord(tiff, out + QStringLiteral("/multi.pdf"), 8);
  ASSERT_EQ(ConvertImageFile(&pdf), 1);
  const QByteArray bytes = test::ReadBytes(out + QStringLiteral("/multi.pdf"));
  ASSERT_TRUE(bytes.startsWith("%PDF"));
  EXPECT_EQ(
      QString::fromLatin1(bytes).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))),
      3);
}

TEST(ConvertImageFile, APdfOfSeveralImagesKeepsThePagesItHasWhenOneFails) {
  const QString tiff =
      MakeWithConvert({QStringLiteral("-size"), QStringLiteral("40x30"), QStringLiteral("xc:red"),
                       QStringLiteral("xc:lime"), QStringLiteral("xc:blue"),
                       QStringLiteral("-compress"), QStringLiteral("lzw")},
                      QStringLiteral("broken.tif"));
  // Spoil the LZW data of the last page only.
  const QString dump = RunTool(QStringLiteral("tiffdump"), {tiff});
  const QRegularExpression offsets(QStringLiteral("StripOffsets \\(273\\) LONG \\(4\\) 1<(\\d+)>"));
  qsizetype last = -1;
  for (const QRegularExpressionMatch& m : offsets.globalMatch(dump))
    last = m.captured(1).toLongLong();
  ASSERT_GT(last, 0) << dump.toStdString();
  QByteArray bytes = test::ReadBytes(tiff);
  for (qsizetype i = last; i < last + 100 && i < bytes.size(); ++i) bytes[i] = '\xFF';
  ASSERT_TRUE(test::WriteBytes(tiff, bytes));

  const QString dest = test::MakeTempFolder() + QStringLiteral("/two.pdf");
  ImageConversion pdf = ConvertRecord(tiff, dest, 8);
  EXPECT_EQ(ConvertImageFile(&pdf), 0);
  const QByteArray written = test::ReadBytes(dest);
  ASSERT_TRUE(written.startsWith("%PDF"));
  EXPECT_EQ(
      QString::fromLatin1(written).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))),
      2);
}

TEST(ConvertImageFile, TypeZeroKeepsTheSourcesOwnType) {
  const QString folder = test::MakeTempFolder();
  const QString tiff =
      MakeWithConvert({QStringLiteral("-size"), QStringLiteral("8x6"), QStringLiteral("xc:red")},
                      QStringLiteral("a.tif"));
  ImageConversion t = ConvertRecord(tiff, folder + QStringLiteral("/same"), 0);
  ASSERT_EQ(ConvertImageFile(&t), 1);
  EXPECT_TRUE(test::ReadBytes(folder + QStringLiteral("/same")).startsWith("II*"));
  // A file whose name says nothing is recognised by its content.
  const QString gif =
      MakeWithConvert({QStringLiteral("-size"), QStringLiteral("8x6"), QStringLiteral("xc:red")},
                      QStringLiteral("b.gif"));
  const QString bare = QFileInfo(gif).path() + QStringLiteral("/bare");
  ASSERT_TRUE(QFile::rename(gif, bare));
  ImageConversion g = ConvertRecord(bare, folder + QStringLiteral("/from-gif"), 0);
  ASSERT_EQ(ConvertImageFile(&g), 1);
  EXPECT_TRUE(test::ReadBytes(folder + QStringLiteral("/from-gif")).startsWith("GIF8"));
}

TEST(ProcessImageFile, KeepingPixelsStillTurnsTheImage) {
  const QString source =
      WriteImage(test::PatternImage(40, 30), "public.png", QStringLiteral("turn.png"), 300);
  ImageConversion c = ConvertRecord(source, QString(), 7);
  c.keepResultImage = 1;
  c.rotationAngle = 90;
  c.resize.resample = 0;
  c.resize.unit = 1;
  c.resize.width = c.resize.height = 100;
  c.resize.scaleMode = 2;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  EXPECT_EQ(c.resultImage.size(), QSize(30, 40));
}

TEST(ProcessImageFile, AnOutputCutShortFailsAndLeavesTheOldFile) {
  const QString source =
      WriteImage(test::PatternImage(60, 40), "public.png", QStringLiteral("small.png"));
  const QString destination = test::MakeTempFolder() + QStringLiteral("/out.tiff");
  ASSERT_TRUE(test::WriteBytes(destination, QByteArrayLiteral("old")));
  ImageConversion c = ConvertRecord(source, destination, 10);
  {
    // As a full disk would; an output smaller than Qt's write buffer is the case that slipped.
    test::FileSizeLimit limit(1024);
    EXPECT_EQ(ProcessImageFile(&c), 1);
  }
  QFile kept(destination);
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), QByteArrayLiteral("old"));
  ASSERT_EQ(ProcessImageFile(&c), 0);
  EXPECT_GT(QFileInfo(destination).size(), 1024);
  EXPECT_LT(QFileInfo(destination).size(), 16 * 1024);
}

TEST(ConvertImageFile, ResolutionZeroKeepsTheSourcesOtherwiseWritesTheGivenOne) {
  const QString source =
      WriteImage(test::PatternImage(60, 40), "public.png", QStringLiteral("a.png"), 300);
  const QString out = test::MakeTempFolder();
  for (auto [resolution, expected] : {std::pair{0, "300x300"}, std::pair{150, "150x150"}}) {
    for (auto [type, extension] :
         {std::pair{4, "jpg"}, std::pair{10, "tif"}, std::pair{7, "png"}}) {
      const QString dest =
          out + QStringLiteral("/r%1.%2").arg(resolution).arg(QLatin1String(extension));
      ImageConversion c = ConvertRecord(source, dest, type);
      c.options.resolution = resolution;
      ASSERT_EQ(ConvertImageFile(&c), 1);
      const QString density = RunTool(
          QStringLiteral("identify"),
          {QStringLiteral("-units"), QStringLiteral("PixelsPerInch"), QStringLiteral("-format"),
           QStringLiteral("%[fx:round(resolution.x)]x%[fx:round(resolution.y)]"), dest});
      EXPECT_EQ(density, QLatin1String(expected)) << dest.toStdString();
    }
  }
}

QString ExifTags(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("exiv2"), {QStringLiteral("-pa"), path});
  process.waitForFinished(60000);
  return QString::fromUtf8(process.readAllStandardOutput());
}

class MetadataKept : public ::testing::Test {
 protected:
  void SetUp() override {
    source_ =
        WriteImage(test::PatternImage(400, 300), "public.jpeg", QStringLiteral("camera.jpg"), 240);
    bool ok = false;
    RunTool(QStringLiteral("exiv2"),
            {QStringLiteral("-M"), QStringLiteral("set Exif.Image.Make TestCam"),
             QStringLiteral("-M"), QStringLiteral("set Exif.Image.Orientation 6"),
             QStringLiteral("-M"), QStringLiteral("set Exif.GPSInfo.GPSLatitudeRef N"),
             QStringLiteral("-M"), QStringLiteral("set Exif.GPSInfo.GPSLatitude 51/1 30/1 0/1"),
             QStringLiteral("-M"), QStringLiteral("set Iptc.Application2.Keywords harbour"),
             QStringLiteral("-M"), QStringLiteral("set Xmp.dc.title Harbour"), source_},
            &ok);
    ASSERT_TRUE(ok);
    // A thumbnail of the old pixels, which must not travel.
    const QString thumb =
        WriteImage(test::PatternImage(160, 120), "public.jpeg", QStringLiteral("camera-thumb.jpg"));
    QFile::rename(thumb, QFileInfo(source_).path() + QStringLiteral("/camera-thumb.jpg"));
    RunTool(QStringLiteral("exiv2"), {QStringLiteral("-it"), source_}, &ok);
    ASSERT_TRUE(ok);
    ASSERT_TRUE(Tags(source_).contains(QStringLiteral("Exif.Thumbnail")));
  }

  static QString Tags(const QString& path) { return ExifTags(path); }

  QString source_;
};

TEST_F(MetadataKept, JpegKeepsExifGpsAndIptcButNoXmpNorThumbnail) {
  const QString dest = test::MakeTempFolder() + QStringLiteral("/kept.jpg");
  ImageConversion c = ConvertRecord(source_, dest, 4);
  c.options.preserveMetadata = 1;
  c.resize = test::PercentFit(50);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString tags = Tags(dest);
  EXPECT_TRUE(tags.contains(
      QRegularExpression(QStringLiteral("Exif.Image.Make\\s+Ascii\\s+\\d+\\s+TestCam"))));
  EXPECT_TRUE(tags.contains(QStringLiteral("Exif.GPSInfo.GPSLatitude ")));
  EXPECT_TRUE(tags.contains(QRegularExpression(
      QStringLiteral("Iptc.Application2.Keywords\\s+String\\s+\\d+\\s+harbour"))));
  EXPECT_FALSE(tags.contains(QStringLiteral("Xmp.")));
  EXPECT_FALSE(tags.contains(QStringLiteral("Exif.Thumbnail")));
  EXPECT_TRUE(tags.contains(
      QRegularExpression(QStringLiteral("Exif.Image.Orientation\\s+Short\\s+1\\s+top, left"))));
  EXPECT_TRUE(tags.contains(
      QRegularExpression(QStringLiteral("Exif.Image.ResolutionUnit\\s+Short\\s+1\\s+inch"))));
  EXPECT_TRUE(tags.contains(
      QRegularExpression(QStringLiteral("Exif.Photo.PixelXDimension\\s+Long\\s+1\\s+150\\b"))));
  // Orientation 6 is applied to the pixels: the output stands upright.
  EXPECT_EQ(IdentifySize(dest), QStringLiteral("150 200"));
}

TEST_F(MetadataKept, BmpCarriesNoneAndTiffUsesLzw) {
  const QString folder = test::MakeTempFolder();
  ImageConversion bmp = ConvertRecord(source_, folder + QStringLiteral("/a.bmp"), 11);
  bmp.options.preserveMetadata = 1;
  ASSERT_EQ(ConvertImageFile(&bmp), 1);
  const QByteArray bytes = test::ReadBytes(folder + QStringLiteral("/a.bmp"));
  EXPECT_FALSE(bytes.contains("TestCam"));
  EXPECT_FALSE(bytes.contains("harbour"));

  for (bool keep : {true, false}) {
    const QString tif =
        folder + (keep ? QStringLiteral("/kept.tif") : QStringLiteral("/plain.tif"));
    ImageConversion tiff = ConvertRecord(source_, tif, 10);
    tiff.options.preserveMetadata = keep;
    ASSERT_EQ(ConvertImageFile(&tiff), 1);
    const QString info = RunTool(QStringLiteral("tiffinfo"), {tif});
    EXPECT_TRUE(info.contains(QStringLiteral("Compression Scheme: LZW"))) << info.toStdString();
    EXPECT_EQ(IdentifySize(tif), QStringLiteral("300 400"));
    EXPECT_EQ(Tags(tif).contains(QStringLiteral("TestCam")), keep);
  }
}

TEST(ConvertImageFile, TypeThirteenIsCmykWithOrWithoutMetadata) {
  const QString source =
      WriteImage(test::PatternImage(40, 30), "public.jpeg", QStringLiteral("rgb.jpg"));
  const QString folder = test::MakeTempFolder();
  for (bool keep : {false, true}) {
    const QString out =
        folder + (keep ? QStringLiteral("/kept.tif") : QStringLiteral("/plain.tif"));
    ImageConversion c = ConvertRecord(source, out, 13);
    c.options.preserveMetadata = keep;
    ASSERT_EQ(ConvertImageFile(&c), 1) << keep;
    const QString info = RunTool(QStringLiteral("tiffinfo"), {out});
    EXPECT_TRUE(info.contains(QStringLiteral("Photometric Interpretation: separated")))
        << keep << info.toStdString();
  }
}

TEST(KeptMetadata, MakerNotesAndPngTextsSurviveIntact) {
  const QString folder = test::MakeTempFolder();
  const QString camera =
      WriteImage(test::PatternImage(64, 48), "public.jpeg", QStringLiteral("canon.jpg"));
  bool ok = false;
  RunTool(QStringLiteral("exiv2"),
          {QStringLiteral("-M"), QStringLiteral("set Exif.Image.Make Canon"), QStringLiteral("-M"),
           QStringLiteral("set Exif.Image.Model Canon EOS 5D"), camera},
          &ok);
  ASSERT_TRUE(ok);
  RunTool(QStringLiteral("exiv2"),
          {QStringLiteral("-M"), QStringLiteral("set Exif.Canon.OwnerName Harbour Master"),
           QStringLiteral("-M"), QStringLiteral("set Exif.Canon.FirmwareVersion Firmware 1.1.1"),
           QStringLiteral("-M"), QStringLiteral("set Exif.CanonCs.Quality 3"), camera},
          &ok);
  ASSERT_TRUE(ok);
  const QString sourceTags = ExifTags(camera);
  ASSERT_TRUE(sourceTags.contains(QStringLiteral("Harbour Master"))) << sourceTags.toStdString();
  const QRegularExpression makerTag(QStringLiteral("^Exif\\.(Canon\\w*\\.\\w+)\\s.*$"),
                                    QRegularExpression::MultilineOption);
  QStringList expected;
  for (const QRegularExpressionMatch& m : makerTag.globalMatch(sourceTags))
    expected << m.captured(0);
  ASSERT_GE(expected.size(), 3);

  for (const auto& [type, name] : {std::pair{4, "kept.jpg"}, std::pair{10, "kept.tif"}}) {
    for (bool process : {true, false}) {
      const QString out = folder + QLatin1Char('/') + QString::number(process) + name;
      ImageConversion c = ConvertRecord(camera, out, type);
      c.options.preserveMetadata = 1;
      c.resize = test::PercentFit(50);
      ASSERT_EQ(process ? 1 - ProcessImageFile(&c) : ConvertImageFile(&c), 1) << out.toStdString();
      const QString tags = ExifTags(out);
      for (const QString& line : expected) {
        EXPECT_TRUE(tags.contains(line)) << out.toStdString() << ": " << line.toStdString();
      }
    }
  }

  // A maker note exiv2 cannot parse would keep offsets into the old file: it is left out.
  const QString acme =
      WriteImage(test::PatternImage(64, 48), "public.jpeg", QStringLiteral("acme.jpg"));
  RunTool(QStringLiteral("exiv2"),
          {QStringLiteral("-M"), QStringLiteral("set Exif.Image.Make Acme"), QStringLiteral("-M"),
           QStringLiteral("set Exif.Photo.MakerNote Undefined 1 0 2 0 4 0 1 0 0 0 64 0 0 0"), acme},
          &ok);
  ASSERT_TRUE(ok);
  ASSERT_TRUE(ExifTags(acme).contains(QStringLiteral("Exif.Photo.MakerNote")));
  ImageConversion unknown = ConvertRecord(acme, folder + QStringLiteral("/acme.jpg"), 4);
  unknown.options.preserveMetadata = 1;
  ASSERT_EQ(ConvertImageFile(&unknown), 1);
  const QString acmeTags = ExifTags(unknown.destinationURL);
  EXPECT_TRUE(acmeTags.contains(QStringLiteral("Acme")));
  EXPECT_FALSE(acmeTags.contains(QStringLiteral("Exif.Photo.MakerNote")));

  // A PNG's own texts stay with a PNG output.
  QImage picture = test::PatternImage(40, 30);
  picture.setText(QStringLiteral("Author"), QStringLiteral("A. Painter"));
  picture.setText(QStringLiteral("Copyright"), QStringLiteral("(c) 2026 A. Painter"));
  picture.setText(QStringLiteral("Description"), QStringLiteral("The harbour at dawn"));
  const QString png = folder + QStringLiteral("/texts.png");
  ASSERT_TRUE(picture.save(png, "PNG"));
  for (bool process : {true, false}) {
    const QString out = folder + QStringLiteral("/texts-%1.png").arg(process);
    ImageConversion c = ConvertRecord(png, out, 7);
    c.options.preserveMetadata = 1;
    c.resize = test::PercentFit(100);
    ASSERT_EQ(process ? 1 - ProcessImageFile(&c) : ConvertImageFile(&c), 1);
    const QImage written(out);
    EXPECT_EQ(written.text(QStringLiteral("Author")), QStringLiteral("A. Painter"));
    EXPECT_EQ(written.text(QStringLiteral("Copyright")), QStringLiteral("(c) 2026 A. Painter"));
    EXPECT_EQ(written.text(QStringLiteral("Description")), QStringLiteral("The harbour at dawn"));
  }
}

struct OutputCase {
  int type;
  const char* extension;
  bool writes;
};

class OutputTypes : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputTypes, WriteAFileAnIndependentReaderOpensOrFailCleanly) {
  const OutputCase c = GetParam();
  static const QString source =
      WriteImage(test::PatternImage(64, 64), "public.png", QStringLiteral("square.png"));
  const QString dest =
      test::MakeTempFolder() + QStringLiteral("/out.") + QLatin1String(c.extension);
  ImageConversion r = ConvertRecord(source, dest, c.type);
  EXPECT_EQ(ConvertImageFile(&r), c.writes ? 1 : 0);
  EXPECT_EQ(QFileInfo::exists(dest), c.writes);
  if (!c.writes) return;
  if (c.type == 8) {
    EXPECT_TRUE(test::ReadBytes(dest).startsWith("%PDF"));
  } else if (c.type == 6) {
    EXPECT_EQ(QImage(dest, "icns").size(), QSize(64, 64));
  } else {
    EXPECT_EQ(IdentifySize(dest), QStringLiteral("64 64"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, OutputTypes,
    ::testing::Values(
        OutputCase{1, "psd", true}, OutputCase{2, "gif", true}, OutputCase{3, "jp2", true},
        OutputCase{4, "jpg", true}, OutputCase{6, "icns", true}, OutputCase{7, "png", true},
        OutputCase{8, "pdf", true}, OutputCase{9, "tga", true}, OutputCase{10, "tif", true},
        OutputCase{11, "bmp", true}, OutputCase{13, "tif", true}, OutputCase{18, "ico", true},
        OutputCase{19, "xbm", true}, OutputCase{14, "pict", false}, OutputCase{15, "ai", false},
        OutputCase{16, "mac", false}, OutputCase{17, "qtif", false}, OutputCase{20, "fpx", false},
        OutputCase{22, "raw", false}),
    [](const ::testing::TestParamInfo<OutputCase>& info) {
      return std::to_string(info.param.type);
    });

TEST(BadInput, FailsWithoutACrashAndWithoutAFile) {
  const QString folder = test::MakeTempFolder();
  const QString good =
      WriteImage(test::PatternImage(300, 200), "public.jpeg", QStringLiteral("good.jpg"));
  const QByteArray jpeg = test::ReadBytes(good);
  const QByteArray png =
      EncodeImage(test::PatternImage(300, 200), QStringLiteral("public.png"), {}).value;
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  QByteArray bomb = png;
  const uchar side[4] = {0x00, 0x01, 0x86, 0xA0};  // 100000
  bomb.replace(16, 4, reinterpret_cast<const char*>(side), 4);
  const Case cases[] = {
      {"empty.jpg", QByteArray()},
      {"truncated.jpg", jpeg.left(jpeg.size() / 2)},
      {"truncated.png", png.left(png.size() * 2 / 3)},
      {"corrupt.jpg", jpeg.left(200) + QByteArray(4000, '\x55')},
      {"text.png", QByteArray("this is not an image at all")},
      {"bomb.png", bomb},
  };
  for (const Case& c : cases) {
    const QString source = folder + QLatin1Char('/') + QLatin1String(c.name);
    ASSERT_TRUE(test::WriteBytes(source, c.bytes));
    const QString dest =
        folder + QStringLiteral("/out-") + QLatin1String(c.name) + QStringLiteral(".png");
    ImageConversion p = ConvertRecord(source, dest, 7);
    p.resize = test::PercentFit(100);
    EXPECT_EQ(ProcessImageFile(&p), 1) << c.name;
    EXPECT_EQ(ConvertImageFile(&p), 0) << c.name;
    EXPECT_FALSE(QFileInfo::exists(dest)) << c.name;
  }
  // A good file under a wrong extension is read by its content.
  const QString renamed = folder + QStringLiteral("/photo.png");
  ASSERT_TRUE(QFile::copy(good, renamed));
  ImageConversion ok = ConvertRecord(renamed, folder + QStringLiteral("/fine.png"), 7);
  EXPECT_EQ(ConvertImageFile(&ok), 1);
  // Missing parts of the record.
  ImageConversion none;
  EXPECT_EQ(ProcessImageFile(nullptr), 1);
  EXPECT_EQ(ProcessImageFile(&none), 1);
  EXPECT_EQ(ConvertImageFile(&none), 0);
  none.sourceURL = good;
  EXPECT_EQ(ProcessImageFile(&none), 1);  // no destination and no kept result
}

}  // namespace
}  // namespace glimbrik
