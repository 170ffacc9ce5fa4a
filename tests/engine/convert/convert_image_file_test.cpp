#include <gtest/gtest.h>

#include <QColorSpace>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <array>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/codec_fixtures.h"
#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/file_size_limit.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::IdentifySize;
using test::RunTool;

QString MakeWithConvert(const QStringList& arguments, const QString& name) {
  const QString path = test::MakeTempFolder() + '/' + name;
  bool ok = false;
  RunTool("convert", QStringList(arguments) << path, &ok);
  EXPECT_TRUE(ok) << name.toStdString();
  return path;
}

QString WriteImage(const QImage& image, const char* uti, const QString& name, double dpi = 72) {
  DestinationProperties p;
  p.dpiX = p.dpiY = dpi;
  const QString path = test::MakeTempFolder() + '/' + name;
  EXPECT_TRUE(test::WriteBytes(path, EncodeImage(image, QString::fromLatin1(uti), p).value));
  return path;
}

int PdfPages(const QString& path) {
  const QByteArray bytes = test::ReadBytes(path);
  EXPECT_TRUE(bytes.startsWith("%PDF")) << path.toStdString();
  return int(QString::fromLatin1(bytes).count(QRegularExpression("/Type\\s*/Page[^s]")));
}

TEST(ConvertImageFile, SeveralImagesGoIntoAFolderOrOnePdfThatKeepsThePagesItHas) {
  const QString tiff = MakeWithConvert(
      {"-size", "40x30", "xc:red", "xc:lime", "xc:blue", "-compress", "lzw"}, "multi.tif");
  const QString out = test::MakeTempFolder();
  ImageConversion jpeg = test::ConversionRecord(tiff, out + "/multi.jpg", 4);
  ASSERT_EQ(ConvertImageFile(&jpeg), 1);
  EXPECT_FALSE(QFileInfo::exists(out + "/multi.jpg"));
  EXPECT_EQ(QDir(out + "/multi").entryList(QDir::Files, QDir::Name),
            QStringList({"multi 1.jpg", "multi 2.jpg", "multi.jpg"}));
  EXPECT_EQ(IdentifySize(out + "/multi/multi 2.jpg"), "40 30");
  ImageConversion pdf = test::ConversionRecord(tiff, out + "/multi.pdf", 8);
  ASSERT_EQ(ConvertImageFile(&pdf), 1);
  EXPECT_EQ(PdfPages(out + "/multi.pdf"), 3);

  // Spoil the LZW data of the last page only: it fails, the two good pages stay.
  const QString dump = RunTool("tiffdump", {tiff});
  const QRegularExpression offsets("StripOffsets \\(273\\) LONG \\(4\\) 1<(\\d+)>");
  qsizetype last = -1;
  for (const QRegularExpressionMatch& m : offsets.globalMatch(dump))
    last = m.captured(1).toLongLong();
  ASSERT_GT(last, 0) << dump.toStdString();
  QByteArray bytes = test::ReadBytes(tiff);
  for (qsizetype i = last; i < last + 100 && i < bytes.size(); ++i) bytes[i] = '\xFF';
  ASSERT_TRUE(test::WriteBytes(tiff, bytes));
  ImageConversion broken = test::ConversionRecord(tiff, out + "/two.pdf", 8);
  EXPECT_EQ(ConvertImageFile(&broken), 0);
  EXPECT_EQ(PdfPages(out + "/two.pdf"), 2);
}

TEST(ConvertImageFile, TypeZeroKeepsTheSourcesOwnType) {
  const QString folder = test::MakeTempFolder();
  ImageConversion t = test::ConversionRecord(MakeWithConvert({"-size", "8x6", "xc:red"}, "a.tif"),
                                             folder + "/same", 0);
  ASSERT_EQ(ConvertImageFile(&t), 1);
  EXPECT_TRUE(test::ReadBytes(folder + "/same").startsWith("II*"));
  // A file whose name says nothing is recognised by its content.
  const QString gif = MakeWithConvert({"-size", "8x6", "xc:red"}, "b.gif");
  const QString bare = QFileInfo(gif).path() + "/bare";
  ASSERT_TRUE(QFile::rename(gif, bare));
  ImageConversion g = test::ConversionRecord(bare, folder + "/from-gif", 0);
  ASSERT_EQ(ConvertImageFile(&g), 1);
  EXPECT_TRUE(test::ReadBytes(folder + "/from-gif").startsWith("GIF8"));
}

TEST(ProcessImageFile, AnOutputCutShortFailsAndLeavesTheOldFile) {
  const QString source = WriteImage(test::PatternImage(60, 40), "public.png", "small.png");
  const QString destination = test::MakeTempFolder() + "/out.tiff";
  ASSERT_TRUE(test::WriteBytes(destination, QByteArrayLiteral("old")));
  ImageConversion c = test::ConversionRecord(source, destination, 10);
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
  const QString source = WriteImage(test::PatternImage(60, 40), "public.png", "a.png", 300);
  const QString out = test::MakeTempFolder();
  for (auto [resolution, expected] : {std::pair{0, "300x300"}, std::pair{150, "150x150"}}) {
    for (auto [type, extension] :
         {std::pair{4, "jpg"}, std::pair{10, "tif"}, std::pair{7, "png"}}) {
      const QString dest =
          out + QStringLiteral("/r%1.%2").arg(resolution).arg(QLatin1String(extension));
      ImageConversion c = test::ConversionRecord(source, dest, type);
      c.options.resolution = resolution;
      // The record's dates go to the output, on the direct road (resolution 0) and the other.
      const QDateTime dated(QDate(2001, 2, 3), QTime(4, 5, 6), Qt::UTC);
      c.fileAttributes = FileAttributes{dated, dated};
      ASSERT_EQ(ConvertImageFile(&c), 1);
      EXPECT_EQ(QFileInfo(dest).lastModified().toUTC(), dated) << dest.toStdString();
      const QString density =
          RunTool("identify", {"-units", "PixelsPerInch", "-format",
                               "%[fx:round(resolution.x)]x%[fx:round(resolution.y)]", dest});
      EXPECT_EQ(density, QLatin1String(expected)) << dest.toStdString();
    }
  }
  // JPEG 2000 keeps it in a capture-resolution box, which exiftool reads; a processed JPEG 2000
  // source is sized by it.
  for (auto [resolution, expected] : {std::pair{0, 300.0}, std::pair{150, 150.0}}) {
    const QString dest = out + QStringLiteral("/r%1.jp2").arg(resolution);
    ImageConversion c = test::ConversionRecord(source, dest, 3);
    c.options.resolution = resolution;
    ASSERT_EQ(ConvertImageFile(&c), 1);
    const QStringList stated =
        RunTool("exiftool", {"-s3", "-CaptureXResolution", "-CaptureYResolution",
                             "-CaptureXResolutionUnit", dest})
            .split(u'\n');
    ASSERT_GE(stated.size(), 3);
    const double perInch = stated[2] == "cm" ? 2.54 : 1.0;
    EXPECT_NEAR(stated[0].toDouble() * perInch, expected, 0.01);
    EXPECT_NEAR(stated[1].toDouble() * perInch, expected, 0.01);
    ImageConversion sized = test::ConversionRecord(dest, out + "/sized.png", 7);
    sized.resize = test::PercentFit(0);
    sized.resize.unit = 3;  // one inch wide at the source's resolution
    sized.resize.width = 1;
    sized.resize.allowUpscale = 1;
    sized.resize.scaleMode = 0;  // by width
    ASSERT_EQ(ProcessImageFile(&sized), 0);
    EXPECT_EQ(IdentifySize(out + "/sized.png"),
              QStringLiteral("%1 %2").arg(int(expected)).arg(int(expected * 40 / 60)));
  }
}

// A 60 x 40 grey TIFF (uncompressed) or JPEG (EXIF only, no JFIF density) that states 300 dpi
// for one axis, `tag` 282 (horizontal) or 283 (vertical), and nothing for the other.
QByteArray StatingOneAxis(uint16_t tag, bool jpeg) {
  const QList<test::TiffEntry> resolution = {test::RationalsEntry(tag, {{300, 1}}),
                                             test::ShortEntry(296, 2)};
  if (jpeg) {
    const QByteArray plain = test::MakeJpeg(60, 40, 1);
    const QByteArray exif = QByteArray("Exif\0\0", 6) + test::BuildTiffMetadata(resolution, {});
    QByteArray bytes = test::InsertSegment(plain, 0xE1, exif);
    return bytes.remove(2, 2 + (uchar(bytes[4]) << 8 | uchar(bytes[5])));  // the JFIF segment
  }
  const auto longEntry = [](uint16_t t, uint32_t v) {
    QByteArray b;
    test::AppendBig32(b, v);
    return test::TiffEntry{t, 4, 1, b};
  };
  QList<test::TiffEntry> entries = resolution;
  entries << test::ShortEntry(256, 60) << test::ShortEntry(257, 40) << test::ShortEntry(258, 8)
          << test::ShortEntry(259, 1) << test::ShortEntry(262, 1) << longEntry(273, 0)
          << test::ShortEntry(277, 1) << test::ShortEntry(278, 40) << longEntry(279, 60 * 40);
  const uint32_t pixels = 8 + test::TiffDirectorySize({entries.begin(), entries.end()});
  entries[7] = longEntry(273, pixels);
  return test::BuildTiffMetadata(entries, {}) + QByteArray(60 * 40, char(0x80));
}

TEST(ConvertImageFile, OneStatedAxisIsTheResolutionOfBoth) {
  const QString in = test::MakeTempFolder();
  const QString out = test::MakeTempFolder();
  for (bool jpeg : {false, true}) {
    for (uint16_t tag : {282, 283}) {
      const QString source = in + QStringLiteral("/%1.%2").arg(tag).arg(jpeg ? "jpg" : "tif");
      ASSERT_TRUE(test::WriteBytes(source, StatingOneAxis(tag, jpeg)));
      for (auto [type, extension] :
           {std::pair{4, "jpg"}, std::pair{10, "tif"}, std::pair{7, "png"}, std::pair{11, "bmp"}}) {
        for (bool process : {false, true}) {
          const QString dest = out + QStringLiteral("/%1-%2-%3.%4")
                                         .arg(QFileInfo(source).fileName())
                                         .arg(process)
                                         .arg(type)
                                         .arg(QLatin1String(extension));
          SCOPED_TRACE(dest.toStdString());
          ImageConversion c = test::ConversionRecord(source, dest, type);
          c.resize = test::PercentFit(100);
          ASSERT_EQ(process ? 1 - ProcessImageFile(&c) : ConvertImageFile(&c), 1);
          EXPECT_EQ(
              RunTool("identify", {"-units", "PixelsPerInch", "-format",
                                   "%[fx:round(resolution.x)]x%[fx:round(resolution.y)]", dest}),
              "300x300");
        }
      }
    }
  }
}

// Each pixel's RGBA, 0-1, as ImageMagick reads the file.
std::vector<std::array<double, 4>> PixelsByImageMagick(const QString& path) {
  std::vector<std::array<double, 4>> pixels;
  const QRegularExpression tuple(QStringLiteral(": \\((\\d+),(\\d+),(\\d+),(\\d+)\\)"));
  for (const QString& line : RunTool("convert", {path, "txt:-"}).split(u'\n')) {
    const QRegularExpressionMatch m = tuple.match(line);
    if (!m.hasMatch()) continue;
    pixels.push_back({m.captured(1).toDouble() / 65535, m.captured(2).toDouble() / 65535,
                      m.captured(3).toDouble() / 65535, m.captured(4).toDouble() / 65535});
  }
  return pixels;
}

// OpenEXR holds linear light, undoing the canvas's profile, with the colour premultiplied by
// alpha, in half floats.
TEST(ProcessImageFile, OpenExrHoldsLinearLightAlphaAndResolution) {
  QImage picture(4, 1, QImage::Format_ARGB32);
  picture.setPixel(0, 0, qRgba(255, 128, 0, 255));
  picture.setPixel(1, 0, qRgba(255, 128, 0, 128));
  picture.setPixel(2, 0, qRgba(188, 188, 188, 255));
  picture.setPixel(3, 0, qRgba(0, 0, 0, 0));
  // Display P3 numbers of one sRGB colour: the same light once the profile is undone.
  QImage wide(2, 1, QImage::Format_RGB32);
  wide.fill(QColor(200, 100, 50));
  wide.setColorSpace(QColorSpace(QColorSpace::SRgb));
  wide = wide.convertedToColorSpace(QColorSpace(QColorSpace::DisplayP3));
  using Rgba = std::array<double, 4>;
  const std::vector<Rgba> plainLight = {{1, 0.2158, 0, 1},
                                        {0.502, 0.502 * 0.2158, 0, 0.502},
                                        {0.5029, 0.5029, 0.5029, 1},
                                        {0, 0, 0, 0}};
  const std::vector<Rgba> wideLight(2, Rgba{0.5776, 0.1274, 0.0319, 1});
  const QString folder = test::MakeTempFolder();
  for (const auto& [image, light] : {std::pair{picture, plainLight}, std::pair{wide, wideLight}}) {
    const QString source = WriteImage(image, "public.png", "in.png", 150);
    ImageConversion c = test::ConversionRecord(source, folder + "/out.exr", 5);
    ASSERT_EQ(ProcessImageFile(&c), 0);
    const std::vector<Rgba> read = PixelsByImageMagick(c.destinationURL);
    ASSERT_EQ(read.size(), light.size());
    for (size_t i = 0; i < read.size(); ++i) {
      for (int k = 0; k < 4; ++k) EXPECT_NEAR(read[i][k], light[i][k], 0.004) << i << "," << k;
    }
    const QString header = RunTool("exrheader", {c.destinationURL});
    EXPECT_EQ(header.count(QStringLiteral("16-bit floating-point")), 4);
    EXPECT_TRUE(header.contains(QStringLiteral("white (0.3127 0.329)")));
    EXPECT_TRUE(header.contains(QStringLiteral("xDensity (type float): 150.0")));
  }
}

QString ExifTags(const QString& path) { return RunTool("exiv2", {"-pa", path}); }

// Sets each "key value" with exiv2; a camera's maker note is written only once its make is set.
void Tag(const QString& path, const QStringList& sets) {
  QStringList arguments;
  for (const QString& set : sets)
    arguments << "-M"
              << "set " + set;
  bool ok = false;
  RunTool("exiv2", arguments << path, &ok);
  ASSERT_TRUE(ok) << sets.join(", ").toStdString();
}

TEST(KeptMetadata, JpegKeepsExifGpsAndIptcButNoXmpNorOldThumbnailAndTiffIsLzwRgbOrCmyk) {
  const QString source = WriteImage(test::PatternImage(400, 300), "public.jpeg", "camera.jpg", 240);
  Tag(source, {"Exif.Image.Make TestCam", "Exif.Image.Orientation 6",
               "Exif.GPSInfo.GPSLatitudeRef N", "Exif.GPSInfo.GPSLatitude 51/1 30/1 0/1",
               "Iptc.Application2.Keywords harbour", "Xmp.dc.title Harbour"});
  // A thumbnail of the old pixels, which must not travel.
  const QString thumb = WriteImage(test::PatternImage(160, 120), "public.jpeg", "camera-thumb.jpg");
  QFile::rename(thumb, QFileInfo(source).path() + "/camera-thumb.jpg");
  RunTool("exiv2", {"-it", source});
  ASSERT_TRUE(ExifTags(source).contains("Exif.Thumbnail"));

  const QString folder = test::MakeTempFolder();
  ImageConversion c = test::ConversionRecord(source, folder + "/kept.jpg", 4);
  c.options.preserveMetadata = 1;
  c.resize = test::PercentFit(50);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const QString tags = ExifTags(c.destinationURL);
  EXPECT_TRUE(tags.contains(QRegularExpression("Exif.Image.Make\\s+Ascii\\s+\\d+\\s+TestCam")));
  EXPECT_TRUE(tags.contains("Exif.GPSInfo.GPSLatitude "));
  EXPECT_TRUE(
      tags.contains(QRegularExpression("Iptc.Application2.Keywords\\s+String\\s+\\d+\\s+harbour")));
  EXPECT_FALSE(tags.contains("Xmp."));
  EXPECT_FALSE(tags.contains("Exif.Thumbnail"));
  EXPECT_TRUE(tags.contains(QRegularExpression("Exif.Image.ResolutionUnit\\s+Short\\s+1\\s+inch")));
  EXPECT_TRUE(
      tags.contains(QRegularExpression("Exif.Photo.PixelXDimension\\s+Long\\s+1\\s+150\\b")));

  // Type 13 is a CMYK TIFF, with or without metadata.
  for (int type : {10, 13}) {
    for (bool keep : {true, false}) {
      const QString tif = folder + QStringLiteral("/%1-%2.tif").arg(type).arg(keep);
      ImageConversion tiff = test::ConversionRecord(source, tif, type);
      tiff.options.preserveMetadata = keep;
      ASSERT_EQ(ConvertImageFile(&tiff), 1);
      const QString info = RunTool("tiffinfo", {tif});
      EXPECT_TRUE(info.contains("Compression Scheme: LZW")) << info.toStdString();
      EXPECT_EQ(info.contains("Photometric Interpretation: separated"), type == 13) << type << keep;
      EXPECT_EQ(IdentifySize(tif), "300 400");
      EXPECT_EQ(ExifTags(tif).contains("TestCam"), keep);
    }
  }
  // Drawn anew with "Keep metadata" off, TIFF outputs are LZW-compressed as well.
  for (int type : {10, 13}) {
    const QString tif = folder + QStringLiteral("/processed-%1.tif").arg(type);
    ImageConversion tiff = test::ConversionRecord(source, tif, type);
    tiff.resize = test::PercentFit(50);
    ASSERT_EQ(ProcessImageFile(&tiff), 0);
    EXPECT_TRUE(RunTool("tiffinfo", {tif}).contains("Compression Scheme: LZW")) << type;
    EXPECT_EQ(IdentifySize(tif), "150 200");
  }
}

TEST(KeptMetadata, MakerNotesAndPngTextsSurviveIntact) {
  const QString folder = test::MakeTempFolder();
  const QString camera = WriteImage(test::PatternImage(64, 48), "public.jpeg", "canon.jpg");
  Tag(camera, {"Exif.Image.Make Canon", "Exif.Image.Model Canon EOS 5D"});
  Tag(camera, {"Exif.Canon.OwnerName Harbour Master", "Exif.Canon.FirmwareVersion Firmware 1.1.1",
               "Exif.CanonCs.Quality 3"});
  const QString sourceTags = ExifTags(camera);
  ASSERT_TRUE(sourceTags.contains("Harbour Master")) << sourceTags.toStdString();
  const QRegularExpression makerTag("^Exif\\.(Canon\\w*\\.\\w+)\\s.*$",
                                    QRegularExpression::MultilineOption);
  QStringList expected;
  for (const QRegularExpressionMatch& m : makerTag.globalMatch(sourceTags))
    expected << m.captured(0);
  ASSERT_GE(expected.size(), 3);

  for (const auto& [type, name] : {std::pair{4, "kept.jpg"}, std::pair{10, "kept.tif"}}) {
    for (bool process : {true, false}) {
      const QString out = folder + QLatin1Char('/') + QString::number(process) + name;
      ImageConversion c = test::ConversionRecord(camera, out, type);
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
  const QString acme = WriteImage(test::PatternImage(64, 48), "public.jpeg", "acme.jpg");
  Tag(acme,
      {"Exif.Image.Make Acme", "Exif.Photo.MakerNote Undefined 1 0 2 0 4 0 1 0 0 0 64 0 0 0"});
  ASSERT_TRUE(ExifTags(acme).contains("Exif.Photo.MakerNote"));
  ImageConversion unknown = test::ConversionRecord(acme, folder + "/acme.jpg", 4);
  unknown.options.preserveMetadata = 1;
  ASSERT_EQ(ConvertImageFile(&unknown), 1);
  const QString acmeTags = ExifTags(unknown.destinationURL);
  EXPECT_TRUE(acmeTags.contains("Acme"));
  EXPECT_FALSE(acmeTags.contains("Exif.Photo.MakerNote"));

  // A PNG's own texts stay with a PNG output.
  const std::pair<QString, QString> texts[] = {{"Author", "A. Painter"},
                                               {"Copyright", "(c) 2026 A. Painter"},
                                               {"Description", "The harbour at dawn"}};
  QImage picture = test::PatternImage(40, 30);
  for (const auto& [key, text] : texts) picture.setText(key, text);
  const QString png = folder + "/texts.png";
  ASSERT_TRUE(picture.save(png, "PNG"));
  for (bool process : {true, false}) {
    const QString out = folder + QStringLiteral("/texts-%1.png").arg(process);
    ImageConversion c = test::ConversionRecord(png, out, 7);
    c.options.preserveMetadata = 1;
    c.resize = test::PercentFit(100);
    ASSERT_EQ(process ? 1 - ProcessImageFile(&c) : ConvertImageFile(&c), 1);
    const QImage written(out);
    for (const auto& [key, text] : texts) EXPECT_EQ(written.text(key), text) << out.toStdString();
  }
}

// What exiftool's validation warns about in a file.
QStringList ValidationWarnings(const QString& path) {
  QStringList warnings;
  for (const QString& line : RunTool("exiftool", {"-validate", "-warning", "-a", path}).split('\n'))
    if (line.startsWith("Warning")) warnings << line.section(':', 1).trimmed();
  return warnings;
}

// A Canon note whose values count from `written`, the place of its start, which its closing
// footer states: settings with the quality, the owner and the firmware stored after the entries.
QByteArray CanonNoteBytes(uint32_t written) {
  const auto le = [](size_t v, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i) out.append(char(v >> (8 * i)));
    return out;
  };
  const std::tuple<uint16_t, uint16_t, QByteArray> entries[] = {
      {0x0001, 3, le(8, 2) + le(2, 2) + le(0, 2) + le(3, 2)},  // settings, quality 3: fine
      {0x0007, 2, QByteArray("Firmware Version 1.00", 22)},
      {0x0009, 2, QByteArray("Harbour Master").leftJustified(32, '\0')},
      {0x000c, 4, le(1234, 4)}};
  QByteArray directory = le(std::size(entries), 2), values;
  const uint32_t valuesAt = written + 2 + 12 * std::size(entries) + 4;
  for (const auto& [tag, type, value] : entries) {
    const int unit = type == 3 ? 2 : type == 4 ? 4 : 1;  // short, long or text
    directory += le(tag, 2) + le(type, 2) + le(value.size() / unit, 4);
    directory += value.size() <= 4 ? value : le(valuesAt + values.size(), 4);
    if (value.size() > 4) values += value;
  }
  return directory + le(0, 4) + values + QByteArray("II*\0", 4) + le(written, 4);
}

QString Numbers(const QByteArray& bytes) {
  QStringList numbers;
  for (char byte : bytes) numbers << QString::number(uint8_t(byte));
  return numbers.join(' ');
}

// An Olympus note of the layout whose offsets count from the note itself, which exiv2 reads but
// writes back under another maker's signature: a camera type, a serial number in the equipment
// directory, and camera settings whose preview lies outside the note: when empty, as cameras
// leave it, that means nothing; else it points into the old file.
QString OlympusNoteBytes(int previewLength) {
  const QByteArray note =
      QByteArray("OLYMPUS\0II\3\0", 12) +
      QByteArray::fromHex(
          "0300"                      // three entries
          "070202000600000036000000"  // CameraType at 54
          "10200d00010000003c000000"  // equipment at 60
          "20200d000100000056000000"  // camera settings at 86
          "00000000") +               // no next directory
      QByteArray("D4328\0", 6) +
      QByteArray::fromHex(
          "0100"                      // one entry
          "01010200080000004e000000"  // serial at 78
          "00000000") +
      QByteArray("4101ABC\0", 8) +
      QByteArray::fromHex(
          "0200"                      // two entries
          "01010400010000000000faff"  // preview start, far off
          "0201040001000000") +       // preview length
      QByteArray::fromHex(QByteArray::number(previewLength, 16).rightJustified(2, '0')) +
      QByteArray(7, '\0');
  return Numbers(note);
}

// The maker-note tags exiftool reads in a file, as "[group] name : value" lines, but for those of
// a preview image, a scan directory or decision data, places in the old file.
QStringList MakerNoteReadings(const QString& path) {
  QStringList lines = RunTool("exiftool", {"-a", "-G1", "-s", "-MakerNotes:all", path})
                          .split('\n', Qt::SkipEmptyParts);
  lines.removeIf([](const QString& line) {
    return line.contains(QRegularExpression("\\]\\s*(Preview|NikonScan|ScanIFD|OriginalDecision)"));
  });
  return lines;
}

TEST(KeptMetadata, OutputsValidateAsWellAsTheirSourceAndCarryOnlySoundMakerNotes) {
  // The offset of the decision data is a place in the old file: that entry is left out.
  const QString canon = WriteImage(test::PatternImage(64, 48), "public.jpeg", "canon.jpg");
  Tag(canon, {"Exif.Image.Make Canon", "Exif.Image.Model Canon EOS 5D"});
  Tag(canon, {"Exif.Canon.OwnerName Harbour Master", "Exif.CanonCs.Quality 3",
              "Exif.Canon.OriginalDecisionDataOffset Long 3326",
              "Exif.Photo.CompressedBitsPerPixel 2/1", "Exif.Iop.InteroperabilityIndex R98"});
  // A compact camera's note of the newer layout. Its scan directory offset would point into the
  // old file once the note moves: that entry is left out, the rest carried. Tag 0x00aa bears the
  // name exiv2 gives 0x0094 too.
  const QString nikon = WriteImage(test::PatternImage(64, 48), "public.jpeg", "nikon.jpg");
  Tag(nikon, {"Exif.Image.Make NIKON", "Exif.Image.Model COOLPIX P7000"});
  Tag(nikon, {"Exif.Nikon3.Quality FINE", "Exif.Nikon3.0x00aa Ascii Enhanced",
              "Exif.Nikon3.ImageAdjustment NORMAL", "Exif.Nikon3.0x0e10 Long 8"});
  // Its preview offset is a place in the old file; the other entries go.
  const QString casio = WriteImage(test::PatternImage(64, 48), "public.jpeg", "casio.jpg");
  Tag(casio, {"Exif.Image.Make CASIO COMPUTER CO.,LTD", "Exif.Image.Model EX-Z3"});
  Tag(casio, {"Exif.Casio2.FirmwareDate 2003:02:28 09:45", "Exif.Casio2.ReleaseMode 1",
              "Exif.Casio2.PreviewImageStart 1412", "Exif.Casio2.PreviewImageLength 26"});
  const QString olympus = WriteImage(test::PatternImage(64, 48), "public.jpeg", "olympus.jpg");
  Tag(olympus, {"Exif.Image.Make OLYMPUS IMAGING CORP.", "Exif.Image.Model u760,S760"});
  Tag(olympus, {"Exif.Photo.MakerNote Undefined " + OlympusNoteBytes(0)});
  // The same with a preview in the old file: neither exiv2's rewrite nor the bytes would do.
  const QString preview = WriteImage(test::PatternImage(64, 48), "public.jpeg", "preview.jpg");
  Tag(preview, {"Exif.Image.Make OLYMPUS IMAGING CORP.", "Exif.Image.Model u760,S760"});
  Tag(preview, {"Exif.Photo.MakerNote Undefined " + OlympusNoteBytes(26)});
  // A note of an older layout (version 2 of its header), whose offsets count from the old block:
  // exiv2 would write it back in another version, and its bytes would lose the equipment
  // directory. It is left out.
  const QString olympusOld = WriteImage(test::PatternImage(64, 48), "public.jpeg", "e1.jpg");
  Tag(olympusOld, {"Exif.Image.Make OLYMPUS OPTICAL CO.,LTD", "Exif.Image.Model E-1"});
  Tag(olympusOld, {"Exif.Olympus.Quality 2", "Exif.OlympusEq.SerialNumber 4101"});
  QByteArray bytes = test::ReadBytes(olympusOld);
  ASSERT_TRUE(test::WriteBytes(
      olympusOld, bytes.replace(QByteArray("OLYMP\0\1\0", 8), QByteArray("OLYMP\0\2\0", 8))));
  // A newer Nikon note whose header says version 2.00 where exiv2 writes 2.10 (readers go by the
  // signature and the major version alone) and whose last value runs past its stated size, so
  // that its bytes alone do not hold it.
  const QString nikonOld = WriteImage(test::PatternImage(64, 48), "public.jpeg", "p6000.jpg");
  Tag(nikonOld, {"Exif.Image.Make NIKON", "Exif.Image.Model COOLPIX P6000"});
  Tag(nikonOld, {"Exif.Nikon3.Quality FINE", "Exif.Nikon3.ImageAdjustment NORMAL",
                 "Exif.Nikon3.0x0e22 Short 8 0 0 0"});
  bytes = test::ReadBytes(nikonOld);
  bytes.replace(QByteArray("Nikon\0\2\x10\0\0", 10), QByteArray("Nikon\0\2\0\0\0", 10));
  const qsizetype noteEntry = bytes.indexOf(QByteArray("\x7c\x92\x07\0", 4));
  ASSERT_GT(noteEntry, 0);
  bytes[noteEntry + 4] = char(uint8_t(bytes[noteEntry + 4]) - 4);
  ASSERT_TRUE(test::WriteBytes(nikonOld, bytes));
  // A Canon note moved by an editor 128 bytes before where the camera wrote it, as its footer
  // says; its offsets still count from there.
  const QString canonMoved = WriteImage(test::PatternImage(64, 48), "public.jpeg", "sx60.jpg");
  Tag(canonMoved, {"Exif.Image.Make Canon", "Exif.Image.Model Canon PowerShot SX60 HS"});
  Tag(canonMoved, {"Exif.Photo.MakerNote Undefined " + Numbers(CanonNoteBytes(0))});
  const uint32_t noteAt =
      RunTool("exiv2", {"-Pv", "-g", "Exif.MakerNote.Offset", canonMoved}).trimmed().toUInt();
  ASSERT_GT(noteAt, 0u);
  bytes = test::ReadBytes(canonMoved);
  ASSERT_EQ(bytes.count(CanonNoteBytes(0)), 1);
  ASSERT_TRUE(
      test::WriteBytes(canonMoved, bytes.replace(CanonNoteBytes(0), CanonNoteBytes(noteAt + 128))));
  // No EXIF IFD at all (the engine makes one), in the text chunk exiv2 gives a PNG file.
  const QString artist = WriteImage(test::PatternImage(64, 48), "public.png", "artist.png");
  Tag(artist, {"Exif.Image.Artist A. Painter"});
  // The layout tags of a TIFF source describe its own pixels, not an output's.
  const QString tiff = WriteImage(test::PatternImage(64, 48), "public.tiff", "layout.tif");
  Tag(tiff, {"Exif.Image.Artist A. Painter"});

  const QString folder = test::MakeTempFolder();
  for (const QString& source :
       {canon, nikon, casio, olympus, preview, olympusOld, nikonOld, canonMoved, artist, tiff}) {
    const QStringList before = ValidationWarnings(source);
    const QStringList notes = MakerNoteReadings(source);
    const bool camera = source != artist && source != tiff;
    EXPECT_GE(notes.size(), camera ? 2 : 0) << source.toStdString();
    const QString name = QFileInfo(source).completeBaseName();
    for (const auto& [type, extension] :
         {std::pair{4, "jpg"}, std::pair{7, "png"}, std::pair{10, "tif"}, std::pair{24, "webp"}}) {
      const QString out = folder + '/' + name + '.' + extension;
      ImageConversion c = test::ConversionRecord(source, out, type);
      c.options.preserveMetadata = 1;
      c.resize = test::PercentFit(50);
      ASSERT_EQ(ProcessImageFile(&c), 0) << out.toStdString();
      for (const QString& warning : ValidationWarnings(out)) {
        EXPECT_TRUE(before.contains(warning)) << out.toStdString() << ": " << warning.toStdString();
      }
      EXPECT_EQ(MakerNoteReadings(out),
                source == olympusOld || source == preview ? QStringList() : notes)
          << out.toStdString();
      if (source == olympus) {  // under its own signature, which tells readers its layout
        EXPECT_TRUE(test::ReadBytes(out).contains(QByteArray("OLYMPUS\0II\3\0", 12)))
            << out.toStdString();
      }
      const char* oldPlace = source == canon   ? "Canon.OriginalDecisionDataOffset"
                             : source == nikon ? "Nikon3.ScanIFD"
                             : source == casio ? "Casio2.PreviewImageStart"
                                               : nullptr;
      if (oldPlace) {
        EXPECT_FALSE(RunTool("exiv2", {"-pa", out}).contains(oldPlace)) << out.toStdString();
      }
      const QString makerNote = RunTool(
          "exiftool", {"-s3", "-MakerNotes:OwnerName", "-MakerNotes:Quality", "-IFD0:Artist", out});
      const char* expected = source == canon || source == canonMoved ? "Harbour Master\nFine"
                             : source == nikon || source == nikonOld ? "Fine"
                             : camera                                ? ""
                                                                     : "A. Painter";
      EXPECT_EQ(makerNote.trimmed(), QString(expected)) << out.toStdString();
      if (type == 7) {
        EXPECT_TRUE(test::ReadBytes(out).contains("eXIf")) << out.toStdString();
      }
    }
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
  static const QString source = WriteImage(test::PatternImage(64, 64), "public.png", "square.png");
  const QString dest = test::MakeTempFolder() + "/out." + QLatin1String(c.extension);
  ImageConversion r = test::ConversionRecord(source, dest, c.type);
  EXPECT_EQ(ConvertImageFile(&r), c.writes ? 1 : 0);
  EXPECT_EQ(QFileInfo::exists(dest), c.writes);
  if (!c.writes) return;
  if (c.type == 8) {
    EXPECT_TRUE(test::ReadBytes(dest).startsWith("%PDF"));
  } else if (c.type == 6) {
    EXPECT_EQ(QImage(dest, "icns").size(), QSize(64, 64));
  } else {
    EXPECT_EQ(IdentifySize(dest), "64 64");
  }
  if (c.type == 3 || c.type == 4 || c.type == 24) {
    // The chosen quality reaches the lossy encoder.
    const QString rough = dest + "." + QLatin1String(c.extension);
    ImageConversion low = test::ConversionRecord(source, rough, c.type, 0.2);
    ASSERT_EQ(ConvertImageFile(&low), 1);
    EXPECT_LT(QFileInfo(rough).size() * 3 / 2, QFileInfo(dest).size());
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllTypes, OutputTypes,
    ::testing::Values(
        OutputCase{1, "psd", true}, OutputCase{2, "gif", true}, OutputCase{3, "jp2", true},
        OutputCase{4, "jpg", true}, OutputCase{5, "exr", true}, OutputCase{6, "icns", true},
        OutputCase{7, "png", true}, OutputCase{8, "pdf", true}, OutputCase{9, "tga", true},
        OutputCase{10, "tif", true}, OutputCase{11, "bmp", true}, OutputCase{12, "sgi", true},
        OutputCase{13, "tif", true}, OutputCase{18, "ico", true}, OutputCase{19, "xbm", true},
        OutputCase{24, "webp", true}, OutputCase{14, "pict", false}, OutputCase{15, "ai", false},
        OutputCase{16, "mac", false}, OutputCase{17, "qtif", false}, OutputCase{20, "fpx", false},
        OutputCase{22, "raw", false}),
    [](const ::testing::TestParamInfo<OutputCase>& info) {
      return std::to_string(info.param.type);
    });

// An sRGB profile that readers take but libpng refuses to write by default, as it does the
// "sRGB IEC61966-2.1" profile of many cameras: here by a rendering intent outside 0-3.
QByteArray ObjectionableSrgbProfile() {
  QByteArray profile = test::SrgbProfile();
  if (profile.size() > 68) profile[67] = 4;  // the header's big-endian intent
  return profile;
}

TEST(PngProfiles, AProfileLibpngObjectsToNeverRefusesThePng) {
  const QByteArray profile = ObjectionableSrgbProfile();
  ASSERT_GT(profile.size(), 128);
  const QString folder = test::MakeTempFolder();
  const QString jpeg = folder + "/camera.jpg";
  ASSERT_TRUE(test::WriteBytes(
      jpeg, test::InsertSegment(test::MakeJpeg(40, 30, 3), 0xE2,
                                QByteArray("ICC_PROFILE\0\x01\x01", 14) + profile)));
  ASSERT_EQ(ImageSource::Open(jpeg)->representation(0).iccProfile, profile);

  for (bool keep : {false, true}) {
    for (bool process : {true, false}) {
      const QString out = folder + QStringLiteral("/out-%1-%2.png").arg(keep).arg(process);
      ImageConversion record = test::ConversionRecord(jpeg, out, 7);
      record.options.preserveMetadata = keep;
      record.resize = test::PercentFit(100);
      const bool converted =
          process ? ProcessImageFile(&record) == 0 : ConvertImageFile(&record) == 1;
      EXPECT_TRUE(converted) << out.toStdString();
      // An independent reader opens it, with its profile or without.
      const QImage written(out);
      ASSERT_FALSE(written.isNull()) << out.toStdString();
      EXPECT_EQ(written.size(), QSize(40, 30));
    }
  }
}

TEST(BadInput, FailsWithoutACrashAndWithoutAFile) {
  const QString folder = test::MakeTempFolder();
  const QString good = WriteImage(test::PatternImage(300, 200), "public.jpeg", "good.jpg");
  const QByteArray jpeg = test::ReadBytes(good);
  const QByteArray png = EncodeImage(test::PatternImage(300, 200), "public.png", {}).value;
  struct Case {
    QString name;
    QByteArray bytes;
    bool damaged = false;  // the decoder, not the format, is at odds with the bytes
  };
  // A sound header that states 100000 pixels a side over the picture's data.
  QByteArray bomb = png;
  const uchar side[4] = {0x00, 0x01, 0x86, 0xA0};  // 100000
  bomb.replace(16, 4, reinterpret_cast<const char*>(side), 4);
  const uint32_t headerCrc =
      uint32_t(crc32(0, reinterpret_cast<const Bytef*>(bomb.constData() + 12), 17));
  QByteArray crc;
  test::AppendBig32(crc, headerCrc);
  bomb.replace(29, 4, crc);
  // Frame headers that claim more than the data holds, within the size limit and past libjpeg's
  // largest side (65500); the latter is refused for its size, not as damage.
  const auto framed = [&](uint16_t side) {
    QByteArray bytes = jpeg;
    const qsizetype sof = bytes.indexOf("\xff\xc0");
    QByteArray size;
    test::AppendBig16(size, side);
    test::AppendBig16(size, side);
    return bytes.replace(sof + 5, 4, size);
  };
  const Case cases[] = {
      {"claims-more.jpg", framed(3000), true},
      {"past-decoder.jpg", framed(65535)},
      {"empty.jpg", QByteArray()},
      {"truncated.jpg", jpeg.left(jpeg.size() / 2), true},
      {"truncated.png", png.left(png.size() * 2 / 3), true},
      {"corrupt.jpg", jpeg.left(200) + QByteArray(4000, '\x55')},
      {"text.png", QByteArray("this is not an image at all")},
      {"bomb.png", bomb},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  for (const auto& [name, bytes] : test::DamagedPngs()) {
    all.push_back({name, bytes, true});
  }
  for (const Case& c : all) {
    const QString source = folder + QLatin1Char('/') + c.name;
    ASSERT_TRUE(test::WriteBytes(source, c.bytes));
    const QString dest = folder + "/out-" + c.name + ".png";
    ImageConversion p = test::ConversionRecord(source, dest, 7);
    p.resize = test::PercentFit(100);
    EXPECT_EQ(ProcessImageFile(&p), 1) << c.name.toStdString();
    EXPECT_EQ(p.sourceDamaged, c.damaged) << c.name.toStdString();
    p.sourceDamaged = 0;
    EXPECT_EQ(ConvertImageFile(&p), 0) << c.name.toStdString();
    EXPECT_EQ(p.sourceDamaged, c.damaged) << c.name.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dest)) << c.name.toStdString();
  }
  // Another program cutting the file short while it is read is no damage of the file's own.
  const QString large = folder + "/large.png";
  const QByteArray padded = test::PngWithChunks(test::PngChunk("zzZz", QByteArray(33 << 20, '\0')));
  ASSERT_TRUE(test::WriteBytes(large, padded));
  ImageConverter reader;
  ASSERT_TRUE(reader.loadSource(large));
  ASSERT_TRUE(QFile::resize(large, padded.size() / 3));
  EXPECT_FALSE(reader.decodeRepresentation(0, QSize()).ok());
  EXPECT_EQ(reader.sourceChanged, 1);
  EXPECT_EQ(reader.sourceDamaged, 0);

  // A good file under a wrong extension is read by its content.
  const QString renamed = folder + "/photo.png";
  ASSERT_TRUE(QFile::copy(good, renamed));
  ImageConversion ok = test::ConversionRecord(renamed, folder + "/fine.png", 7);
  EXPECT_EQ(ConvertImageFile(&ok), 1);
  // Missing parts of the record.
  ImageConversion none;
  EXPECT_EQ(ProcessImageFile(nullptr), 1);
  EXPECT_EQ(ProcessImageFile(&none), 1);
  EXPECT_EQ(ConvertImageFile(&none), 0);
  none.sourceURL = good;
  EXPECT_EQ(ProcessImageFile(&none), 1);  // no destination and no kept result
}

// Generated colour profiles are made once a process, so only runs in fresh processes show whether
// the bytes depend on when a run happened.
TEST(ReproducibleOutput, RunsInFreshProcessesWriteTheSameBytes) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // Each child process runs this body again and finds the parent's folder in the environment.
  constexpr char kFolder[] = "GLIMBRIK_TEST_REPRODUCIBLE_FOLDER";
  const bool parent = !qEnvironmentVariableIsSet(kFolder);
  if (parent) qputenv(kFolder, QFile::encodeName(test::MakeTempFolder()));
  const QString folder = qEnvironmentVariable(kFolder);
  // A grey picture is drawn into a generated grey profile, which the output embeds.
  QImage grey(64, 48, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y) memset(grey.scanLine(y), y * 5, size_t(grey.width()));
  ImageConversion record =
      test::ConversionRecord(WriteImage(grey, "public.png", "grey.png"), "", 7);
  record.resize = test::PercentFit(100);
  for (int run = 0; run < 2; ++run) {
    // A profile stamped with the time would differ by at least a second in the second run.
    const time_t started = time(nullptr);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (run == 1 && time(nullptr) == started && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    record.destinationURL = folder + QStringLiteral("/%1.png").arg(run);
    EXPECT_EXIT(std::exit(ProcessImageFile(&record)), testing::ExitedWithCode(0), "");
  }
  if (!parent) return;
  qunsetenv(kFolder);
  const QByteArray first = test::ReadBytes(folder + "/0.png");
  EXPECT_TRUE(first.contains("iCCP"));
  EXPECT_EQ(first, test::ReadBytes(folder + "/1.png"));
}

}  // namespace
}  // namespace glimbrik
