#include "platform/metadata/image_header.h"

#include <gtest/gtest.h>

#include "platform/image_fixtures.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::AppendBig16;
using test::AppendBig32;

// A big-endian EXIF block with orientation and, when given, a resolution in dpi.
QByteArray Exif(int orientation, uint32_t dpi = 0) {
  QList<test::TiffEntry> entries{test::ShortEntry(274, uint16_t(orientation))};
  if (dpi)
    entries << test::RationalsEntry(282, {{dpi, 1}}) << test::RationalsEntry(283, {{dpi, 1}});
  return test::BuildTiffMetadata(entries, {});
}

struct JpegParts {
  int largeSegments = 0;  // APP2 segments of 65,000 bytes before the frame header
  int unit = 1;
  int density = 72;
  QByteArray exif;
  int components = 3;
  int width = 4000;
  int height = 3000;
};

// JPEG header segments up to the start of the scan; no pixels are needed for a header probe.
QByteArray JpegHeader(const JpegParts& parts) {
  QByteArray jpeg("\xFF\xD8", 2);
  QByteArray jfif("JFIF\0\x01\x02", 7);
  jfif.append(static_cast<char>(parts.unit));
  AppendBig16(jfif, parts.density);
  AppendBig16(jfif, parts.density);
  jfif.append('\0').append('\0');
  jpeg += test::JpegSegment(0xE0, jfif);
  if (!parts.exif.isEmpty())
    jpeg += test::JpegSegment(0xE1, QByteArray("Exif\0\0", 6) + parts.exif);
  for (int i = 0; i < parts.largeSegments; ++i)
    jpeg += test::JpegSegment(0xE2, QByteArray(65000, 'i'));
  QByteArray frame(1, 8);
  AppendBig16(frame, parts.height);
  AppendBig16(frame, parts.width);
  frame.append(static_cast<char>(parts.components));
  for (int c = 0; c < parts.components; ++c)
    frame.append(static_cast<char>(c + 1)).append('\x11').append('\0');
  jpeg += test::JpegSegment(0xC0, frame);
  jpeg += test::JpegSegment(0xDA, QByteArray(8, '\0'));
  return jpeg;
}

ImageHeader Probe(const QByteArray& bytes, const QString& name = QStringLiteral("x")) {
  const ImageHeaderResult result = ReadImageHeader(name, bytes);
  EXPECT_TRUE(result) << result.reason.toStdString();
  return result.header.value_or(ImageHeader{});
}

TEST(ImageHeaderJpeg, DensityComesFromJfifThenExifThen72) {
  JpegParts parts;
  parts.density = 300;
  ImageHeader h = Probe(JpegHeader(parts));
  EXPECT_EQ(h.format, ImageFormat::JPEG);
  EXPECT_EQ(QSize(h.width, h.height), QSize(4000, 3000));
  EXPECT_DOUBLE_EQ(h.dpiX, 300.0);
  EXPECT_EQ(h.colourModel, ColourModel::RGB);
  EXPECT_EQ(h.bitsPerComponent, 8);
  EXPECT_EQ(h.orientation, 0);

  parts.unit = 2;
  parts.density = 28;
  EXPECT_NEAR(Probe(JpegHeader(parts)).dpiX, 71.12, 1e-9);

  parts.unit = 0;  // aspect ratio only: EXIF, else 72
  parts.density = 1;
  EXPECT_DOUBLE_EQ(Probe(JpegHeader(parts)).dpiX, 72.0);
  parts.exif = Exif(1, 240);
  EXPECT_DOUBLE_EQ(Probe(JpegHeader(parts)).dpiY, 240.0);

  parts.unit = 1;  // a stated 0 counts as not stated
  parts.density = 0;
  parts.exif.clear();
  EXPECT_DOUBLE_EQ(Probe(JpegHeader(parts)).dpiX, 72.0);
}

TEST(ImageHeaderJpeg, FrameHeaderFarIntoTheFileIsFoundFromThePath) {
  JpegParts parts;
  parts.largeSegments = 20;
  parts.exif = Exif(6);
  const QByteArray jpeg = JpegHeader(parts);
  ASSERT_GT(jpeg.size(), 1024 * 1024);
  const QString path = test::MakeTempFolder() + "/big.jpg";
  ASSERT_TRUE(test::WriteBytes(path, jpeg));
  const ImageHeaderResult result = ReadImageHeader(path);
  ASSERT_TRUE(result) << result.reason.toStdString();
  EXPECT_EQ(result.header->orientation, 6);
  EXPECT_EQ(result.header->displayWidth(), 3000);  // a quarter turn exchanges the sides
  EXPECT_EQ(result.header->displayHeight(), 4000);
  parts.exif = Exif(9);  // no such orientation
  EXPECT_EQ(Probe(JpegHeader(parts)).orientation, 0);
}

TEST(ImageHeaderJpeg, ColourModelsAndDamage) {
  JpegParts parts;
  parts.components = 1;
  EXPECT_EQ(Probe(JpegHeader(parts)).colourModel, ColourModel::Gray);
  parts.components = 4;
  EXPECT_EQ(Probe(JpegHeader(parts)).colourModel, ColourModel::CMYK);

  const QByteArray whole = JpegHeader(JpegParts{});
  const ImageHeaderResult cut = ReadImageHeader("cut.jpg", whole.left(30));
  EXPECT_FALSE(cut);
  EXPECT_TRUE(cut.reason.contains("cut.jpg"));
  // Stray bytes between segments are skipped, as libjpeg does.
  QByteArray stray = whole;
  stray.insert(20, QByteArray("\x7c\xFF\x00\x7c", 4));
  EXPECT_EQ(Probe(stray).width, 4000);
  // A segment length that points past the end is no frame header either.
  QByteArray lying("\xFF\xD8\xFF\xE1\xEA\x60", 6);
  lying.append(QByteArray(2000, '\x11'));
  EXPECT_FALSE(ReadImageHeader("lying.jpg", lying));
}

// 640 x 480 PNG headers of each colour type; the probe reads no pixels.
TEST(ImageHeaderPng, PhysOr72AndExifOrientation) {
  ImageHeader h = Probe(test::PngBytes(640, 480, 8, 6));
  EXPECT_EQ(h.format, ImageFormat::PNG);
  EXPECT_EQ(QSize(h.width, h.height), QSize(640, 480));
  EXPECT_DOUBLE_EQ(h.dpiY, 72.0);
  EXPECT_TRUE(h.hasAlpha);

  QByteArray phys;
  AppendBig32(phys, 11811);
  AppendBig32(phys, 5906);
  phys.append('\x01');
  h = Probe(test::PngBytes(640, 480, 8, 2,
                           test::PngChunk("pHYs", phys) + test::PngChunk("eXIf", Exif(8))));
  EXPECT_NEAR(h.dpiX, 300.0, 0.01);
  EXPECT_NEAR(h.dpiY, 150.0, 0.02);
  EXPECT_EQ(h.orientation, 8);
  EXPECT_FALSE(h.hasAlpha);
  EXPECT_EQ(h.colourModel, ColourModel::RGB);

  h = Probe(test::PngBytes(640, 480, 8, 3, test::PngChunk("tRNS", QByteArray(1, '\0'))));
  EXPECT_EQ(h.colourModel, ColourModel::Indexed);
  EXPECT_TRUE(h.hasAlpha);
}

TEST(ImageHeaderTiff, TagsFromTheFile) {
  const QString path = test::MakeTempFolder() + "/cmyk.tif";
  bool ok = false;
  test::RunTool("convert",
                {"-size", "30x20", "xc:red", "-colorspace", "CMYK", "-depth", "16", "-orient",
                 "LeftBottom", "-units", "PixelsPerCentimeter", "-density", "118", path},
                &ok);
  ASSERT_TRUE(ok);
  const ImageHeaderResult fromFile = ReadImageHeader(path);
  ASSERT_TRUE(fromFile) << fromFile.reason.toStdString();
  const ImageHeader& h = *fromFile.header;
  EXPECT_EQ(h.format, ImageFormat::TIFF);
  EXPECT_EQ(QSize(h.width, h.height), QSize(30, 20));
  EXPECT_EQ(h.colourModel, ColourModel::CMYK);
  EXPECT_EQ(h.bitsPerComponent, 16);
  EXPECT_EQ(h.orientation, 8);
  EXPECT_NEAR(h.dpiX, 299.72, 1e-3);
  EXPECT_EQ(h.frameCount, 1);

  const ImageHeader fromBytes = Probe(test::ReadBytes(path));
  EXPECT_EQ(fromBytes.width, 30);
  EXPECT_EQ(fromBytes.orientation, 8);
}

// A JPEG 2000 codestream's main header: SOC, SIZ with its size, offsets and components.
QByteArray Codestream(uint32_t width, uint32_t height, int components) {
  QByteArray j2k("\xFF\x4F\xFF\x51", 4);
  AppendBig16(j2k, 38 + 3 * components);
  AppendBig16(j2k, 0);
  AppendBig32(j2k, width + 5), AppendBig32(j2k, height + 7), AppendBig32(j2k, 5),
      AppendBig32(j2k, 7);
  AppendBig32(j2k, width), AppendBig32(j2k, height), AppendBig32(j2k, 0), AppendBig32(j2k, 0);
  AppendBig16(j2k, components);
  for (int c = 0; c < components; ++c) j2k.append('\x0F').append('\x01').append('\x01');
  return j2k;
}

QByteArray Box(const char* type, const QByteArray& content) {
  QByteArray box;
  AppendBig32(box, static_cast<uint32_t>(content.size() + 8));
  return box.append(type, 4).append(content);
}

TEST(ImageHeaderJpeg2000, CodestreamSizeWinsOverTheHeaderBox) {
  ImageHeader h = Probe(Codestream(300, 200, 3));
  EXPECT_EQ(h.format, ImageFormat::JPEG2000);
  EXPECT_EQ(QSize(h.width, h.height), QSize(300, 200));
  EXPECT_EQ(h.bitsPerComponent, 16);

  QByteArray ihdr;
  AppendBig32(ihdr, 10), AppendBig32(ihdr, 10), AppendBig16(ihdr, 1);  // claims 10 x 10 grey
  ihdr.append('\x07').append('\x07').append('\0').append('\0');
  QByteArray colr("\x01\0\0", 3);
  AppendBig32(colr, 17);  // enumerated grey
  QByteArray jp2 = Box("jP  ", QByteArray("\r\n\x87\n", 4));
  jp2 += Box("ftyp", QByteArray("jp2 \0\0\0\0jp2 ", 12));
  jp2 += Box("jp2h", Box("ihdr", ihdr) + Box("colr", colr));
  jp2 += Box("jp2c", Codestream(300, 200, 1));
  h = Probe(jp2);
  EXPECT_EQ(QSize(h.width, h.height), QSize(300, 200));
  EXPECT_EQ(h.colourModel, ColourModel::Gray);
}

TEST(ImageHeaderOthers, GifBmpPnmAndWebP) {
  const QString folder = test::MakeTempFolder();
  const auto make = [&](const QStringList& arguments, const QString& name) {
    bool ok = false;
    test::RunTool("convert", QStringList(arguments) << folder + name, &ok);
    EXPECT_TRUE(ok) << name.toStdString();
    return Probe(test::ReadBytes(folder + name), name);
  };
  // Two frames, only the second with a transparent colour.
  ImageHeader h = make({"-size", "9x6", "xc:red", "xc:none"}, "/two.gif");
  EXPECT_EQ(h.format, ImageFormat::GIF);
  EXPECT_EQ(QSize(h.width, h.height), QSize(9, 6));
  EXPECT_EQ(h.frameCount, 2);
  EXPECT_TRUE(h.hasAlpha);
  EXPECT_EQ(h.colourModel, ColourModel::Indexed);

  h = make({"-size", "12x8", "xc:white", "-units", "PixelsPerInch", "-density", "300"}, "/a.bmp");
  EXPECT_EQ(h.format, ImageFormat::BMP);
  EXPECT_EQ(QSize(h.width, h.height), QSize(12, 8));
  EXPECT_NEAR(h.dpiX, 300.0, 0.01);

  // A PNM header states no resolution: 72, whatever a decoder would make up.
  h = make({"-size", "12x8", "xc:white"}, "/a.ppm");
  EXPECT_EQ(h.format, ImageFormat::PNM);
  EXPECT_EQ(h.width, 12);
  EXPECT_DOUBLE_EQ(h.dpiX, 72.0);

  h = make({"-size", "7x5", "xc:rgba(128,128,128,0.5)", "-define", "webp:lossless=true"},
           "/a.webp");
  EXPECT_EQ(h.format, ImageFormat::WebP);
  EXPECT_EQ(QSize(h.width, h.height), QSize(7, 5));
  EXPECT_TRUE(h.hasAlpha);
  EXPECT_FALSE(ReadImageHeader("x.webp", test::ReadBytes(folder + "/a.webp").left(14)));
}

TEST(ImageHeader, NonImagesAndLimits) {
  const QString folder = test::MakeTempFolder();
  ASSERT_TRUE(test::WriteBytes(folder + "/notes.txt", "plain words, not pixels\n"));
  const ImageHeaderResult notImage = ReadImageHeader(folder + "/notes.txt");
  EXPECT_FALSE(notImage);
  EXPECT_FALSE(notImage.reason.isEmpty());
  EXPECT_FALSE(ReadImageHeader(folder + "/missing.png"));
  EXPECT_FALSE(ReadImageHeader("empty", QByteArray()));

  EXPECT_TRUE(IsImageSizeAllowed(30000, 16000));
  EXPECT_FALSE(IsImageSizeAllowed(30001, 10));
  EXPECT_FALSE(IsImageSizeAllowed(25000, 25000));  // over 500 megapixels
  EXPECT_FALSE(IsImageSizeAllowed(0, 10));
  EXPECT_DOUBLE_EQ(SanitisedDpi(-3), 72.0);
  EXPECT_DOUBLE_EQ(SanitisedDpi(std::nan("")), 72.0);
  EXPECT_DOUBLE_EQ(SanitisedDpi(150), 150.0);
}

}  // namespace
}  // namespace glimbrik
