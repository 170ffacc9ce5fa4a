#include "platform/codecs/image_destination.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QRegularExpression>
#include <QtEndian>

#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "platform/pixels/color_space.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QImage RoundTrip(const QImage& image, const char* uti, DestinationProperties properties = {},
                 ImageRepresentation* rep = nullptr) {
  const ImageResult<QByteArray> encoded = EncodeImage(image, QString::fromLatin1(uti), properties);
  EXPECT_TRUE(encoded.ok()) << uti << ": " << encoded.error.toStdString();
  const auto source = ImageSource::FromData(encoded.value);
  EXPECT_TRUE(source->isValid()) << uti << ": " << source->error().toStdString();
  if (!source->isValid()) return QImage();
  if (rep) *rep = source->representation(0);
  return source->decode(0).value;
}

int MaxDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return 256;
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  int worst = 0;
  for (int row = 0; row < x.height(); ++row) {
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
      worst = std::max(worst, std::abs(qAlpha(p) - qAlpha(q)));
      if (qAlpha(p) == 0 && qAlpha(q) == 0) continue;  // no colour to compare
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return worst;
}

// Straight (unpremultiplied) colours with partial transparency.
QImage TranslucentPattern() {
  QImage image = test::PatternImage(33, 21).convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      image.setPixel(x, y, qRgba(qRed(p), qGreen(p), qBlue(p), x < 5 ? 0 : (x < 10 ? 128 : 255)));
    }
  }
  return image;
}

TEST(Encoders, LosslessFormatsGiveThePixelsBack) {
  const QImage opaque = test::PatternImage(33, 21);
  for (const char* uti :
       {"public.png", "public.tiff", "com.truevision.tga-image", "com.microsoft.bmp"}) {
    EXPECT_EQ(MaxDifference(RoundTrip(opaque, uti), opaque), 0) << uti;
  }
  DestinationProperties lossless;
  lossless.lossyQuality = 1.0;
  EXPECT_EQ(MaxDifference(RoundTrip(opaque, "public.jpeg-2000", lossless), opaque), 0);
  // Transparency survives where the format holds it; premultiplied pixels in memory may round a
  // half-transparent colour a little.
  const QImage translucent = TranslucentPattern();
  EXPECT_LE(MaxDifference(RoundTrip(translucent, "public.png"), translucent), 1);
  EXPECT_LE(MaxDifference(RoundTrip(translucent, "public.tiff"), translucent), 2);
  EXPECT_LE(MaxDifference(RoundTrip(translucent, "com.truevision.tga-image"), translucent), 1);
}

TEST(Encoders, SixteenBitsSurviveInPngAndTiff) {
  QImage deep(4, 2, QImage::Format_RGBA64);
  for (int x = 0; x < 4; ++x) {
    deep.setPixelColor(x, 0,
                       QColor::fromRgba64(QRgba64::fromRgba64(1000 + x, 30000, 65535, 65535)));
    deep.setPixelColor(x, 1, QColor::fromRgba64(QRgba64::fromRgba64(7, 8, 9, 65535)));
  }
  for (const char* uti : {"public.png", "public.tiff"}) {
    ImageRepresentation rep;
    const QImage back = RoundTrip(deep, uti, {}, &rep);
    EXPECT_EQ(rep.bitsPerComponent, 16) << uti;
    EXPECT_EQ(back.pixelColor(3, 0).rgba64(), QRgba64::fromRgba64(1003, 30000, 65535, 65535))
        << uti;
    EXPECT_EQ(back.pixelColor(0, 1).rgba64(), QRgba64::fromRgba64(7, 8, 9, 65535)) << uti;
  }
}

TEST(Encoders, GifKeepsFewColoursExactlyAndQuantisesMany) {
  const QImage flat = test::TwoColourImage(20, 10, QColor(12, 34, 56), QColor(200, 100, 0));
  EXPECT_EQ(MaxDifference(RoundTrip(flat, "com.compuserve.gif"), flat), 0);
  const QImage many = test::PatternImage(256, 256);
  EXPECT_LE(MaxDifference(RoundTrip(many, "com.compuserve.gif"), many), 48);
  const QImage cutout = test::TwoColourImage(8, 4, QColor(0, 0, 0, 0), Qt::red);
  const QImage back = RoundTrip(cutout, "com.compuserve.gif");
  EXPECT_EQ(qAlpha(back.pixel(1, 1)), 0);
  EXPECT_EQ(back.pixelColor(6, 1), QColor(Qt::red));
}

// The JP2 file with a display resolution of 72 dpi ahead of its capture resolution box.
QByteArray WithDisplayResolutionFirst(QByteArray jp2) {
  const auto grow = [&](const char* type, int by) {
    const qsizetype at = jp2.indexOf(type) - 4;
    ASSERT_GE(at, 0) << type;
    const uint32_t length = qFromBigEndian<uint32_t>(jp2.constData() + at) + by;
    qToBigEndian(length, jp2.data() + at);
  };
  // 2835 per metre both ways, exponent 0.
  const QByteArray display =
      QByteArray::fromHex("00000012") + "resd" + QByteArray::fromHex("0b1300010b1300010000");
  grow("jp2h", display.size());
  grow("res ", display.size());
  jp2.insert(jp2.indexOf("resc") - 4, display);
  return jp2;
}

// The resolution of the common outputs is checked through whole conversions; PSD's here.
TEST(Encoders, ResolutionAndProfileAreWritten) {
  DestinationProperties p;
  p.dpiX = 300;
  p.dpiY = 150;
  const QString psd = test::MakeTempFolder() + "/a.psd";
  ASSERT_TRUE(test::WriteBytes(
      psd, EncodeImage(test::PatternImage(16, 16), QStringLiteral("com.adobe.photoshop-image"), p)
               .value));
  EXPECT_EQ(test::RunTool(QStringLiteral("identify"),
                          {"-units", "PixelsPerInch", "-format",
                           "%w %h %[fx:round(resolution.x)] %[fx:round(resolution.y)]", psd}),
            QStringLiteral("16 16 300 150"));
  // JPEG 2000 states it in a capture-resolution box, read back by an independent reader, our
  // source and our header reader; a file with only a display resolution gives that one.
  const QString jp2 = test::MakeTempFolder() + "/a.jp2";
  const QByteArray jp2Bytes =
      EncodeImage(test::PatternImage(16, 16), QStringLiteral("public.jpeg-2000"), p).value;
  ASSERT_TRUE(test::WriteBytes(jp2, jp2Bytes));
  const QStringList stated = test::RunTool(QStringLiteral("exiftool"),
                                           {"-s3", "-CaptureXResolution", "-CaptureYResolution",
                                            "-CaptureXResolutionUnit", jp2})
                                 .split(u'\n');
  ASSERT_GE(stated.size(), 3);
  const double perInch = stated[2] == "cm" ? 2.54 : stated[2] == "m" ? 0.0254 : 1.0;
  EXPECT_NEAR(stated[0].toDouble() * perInch, 300.0, 0.01) << stated.join(' ').toStdString();
  EXPECT_NEAR(stated[1].toDouble() * perInch, 150.0, 0.01);
  const auto read = ImageSource::Open(jp2);
  ASSERT_TRUE(read->isValid());
  EXPECT_NEAR(read->representation(0).dpiX, 300.0, 0.01);
  EXPECT_NEAR(read->representation(0).dpiY, 150.0, 0.01);
  QByteArray display = jp2Bytes;
  const qsizetype box = display.indexOf("resc");
  ASSERT_GT(box, 0);
  display.replace(box, 4, "resd");
  const ImageHeaderResult header = ReadImageHeader(QStringLiteral("d.jp2"), display);
  ASSERT_TRUE(header);
  EXPECT_NEAR(header.header->dpiX, 300.0, 0.01);
  EXPECT_NEAR(header.header->dpiY, 150.0, 0.01);
  // With both boxes, the capture resolution is the picture's.
  const QByteArray both = WithDisplayResolutionFirst(jp2Bytes);
  ASSERT_EQ(both.size(), jp2Bytes.size() + 18);
  const auto twoBoxes = ImageSource::FromData(both);
  ASSERT_TRUE(twoBoxes->isValid());
  EXPECT_NEAR(twoBoxes->representation(0).dpiX, 300.0, 0.01);
  EXPECT_NEAR(twoBoxes->representation(0).dpiY, 150.0, 0.01);
  const ImageHeaderResult twoHeader = ReadImageHeader(QStringLiteral("b.jp2"), both);
  ASSERT_TRUE(twoHeader);
  EXPECT_NEAR(twoHeader.header->dpiX, 300.0, 0.01);
  EXPECT_NEAR(twoHeader.header->dpiY, 150.0, 0.01);
  QImage tagged = test::PatternImage(16, 16);
  tagged.setColorSpace(QColorSpace(QColorSpace::DisplayP3));
  for (const char* uti : {"public.jpeg", "public.png", "public.tiff"}) {
    ImageRepresentation rep;
    RoundTrip(tagged, uti, {}, &rep);
    EXPECT_EQ(QColorSpace::fromIccProfile(rep.iccProfile), QColorSpace(QColorSpace::DisplayP3))
        << uti;
  }
}

// 32-bit pixels skip the RGB copy only where that cannot change the file: the bytes must equal
// those written from the picture converted to RGB888, translucent pixels included.
TEST(Encoders, JpegBytesDoNotDependOnTheRoadThePixelsTake) {
  const QImage opaque = test::PatternImage(67, 45);
  const QImage translucent = TranslucentPattern();
  const auto jpeg = [](const QImage& image) {
    return EncodeImage(image, QStringLiteral("public.jpeg"), {}).value;
  };
  for (const QImage& image : {opaque, translucent}) {
    for (QImage::Format format :
         {QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
      const QImage pixels = image.convertToFormat(format);
      const QByteArray rgb = jpeg(pixels.convertToFormat(QImage::Format_RGB888));
      ASSERT_FALSE(rgb.isEmpty());
      EXPECT_EQ(jpeg(pixels), rgb) << format;
    }
  }
}

TEST(Encoders, CmykOutputsAreSeparatedAndReadBackInColour) {
  DestinationProperties p;
  p.colorSpace = ColorSpace::DeviceCMYK();
  const QImage red = test::TwoColourImage(8, 8, Qt::red, Qt::red);
  for (const char* uti : {"public.jpeg", "public.tiff"}) {
    ImageRepresentation rep;
    const QImage back = RoundTrip(red, uti, p, &rep);
    EXPECT_EQ(rep.colorModel, ColorModel::CMYK) << uti;
    const QColor c = back.pixelColor(4, 4);
    EXPECT_GT(c.red(), 235) << uti;
    EXPECT_LT(c.green(), 20) << uti;
    EXPECT_LT(c.blue(), 20) << uti;
  }
}

TEST(Encoders, AnIconKeepsThePicturesProportions) {
  const QImage tall = test::TwoColourImage(300, 400, Qt::red, Qt::blue);
  const ImageResult<QByteArray> r = EncodeImage(tall, QStringLiteral("com.apple.icns"), {});
  ASSERT_TRUE(r.ok()) << r.error.toStdString();
  const QImage icon = QImage::fromData(r.value, "icns");
  ASSERT_EQ(icon.size(), QSize(256, 256));
  // Fitted, not stretched: transparent margins beside a 192-pixel-wide picture.
  EXPECT_EQ(qAlpha(icon.pixel(10, 128)), 0);
  EXPECT_EQ(qAlpha(icon.pixel(245, 128)), 0);
  EXPECT_GT(qRed(icon.pixel(40, 128)), 200);
  EXPECT_GT(qBlue(icon.pixel(215, 128)), 200);
}

TEST(PdfAssembler, PagesTakeThePrintSizeOfTheirImages) {
  PdfAssembler pdf;
  ASSERT_TRUE(pdf.addPage(test::PatternImage(300, 150), 150, 150));
  ASSERT_TRUE(pdf.addPage(test::PatternImage(72, 72), 0, 0));
  EXPECT_EQ(pdf.pageCount(), 2);
  const QString text = QString::fromLatin1(pdf.finish());
  // 300 px at 150 dpi is 2 inches: 144 points; an image with no resolution counts 72 dpi.
  EXPECT_TRUE(text.contains(
      QRegularExpression(QStringLiteral("/MediaBox \\[0 0 144(\\.0+)? 72(\\.0+)?\\]"))))
      << text.mid(text.indexOf(QStringLiteral("MediaBox")) - 20, 200).toStdString();
  EXPECT_TRUE(text.contains(
      QRegularExpression(QStringLiteral("/MediaBox \\[0 0 72(\\.0+)? 72(\\.0+)?\\]"))));
  EXPECT_TRUE(PdfAssembler().finish().isEmpty());
}

TEST(ColourSpaces, ProfilesAndConversions) {
  EXPECT_EQ(ColorSpace::FromIccProfile(QByteArray(200, 'x')), nullptr);
  const auto p3 = ColorSpace::FromIccProfile(QColorSpace(QColorSpace::DisplayP3).iccProfile());
  ASSERT_NE(p3, nullptr);
  EXPECT_EQ(p3->model(), ColorModel::RGB);
  // Pure sRGB red is inside Display P3: less saturated numbers there.
  const QImage red = test::TwoColourImage(2, 2, Qt::red, Qt::red);
  const QImage inP3 = p3->convertImage(red);
  ASSERT_FALSE(inP3.isNull());
  EXPECT_LT(inP3.pixelColor(0, 0).red(), 250);
  EXPECT_GT(inP3.pixelColor(0, 0).green(), 30);
  EXPECT_EQ(inP3.colorSpace(), QColorSpace(QColorSpace::DisplayP3));
  const QImage grey =
      ColorSpace::DeviceGray()->convertImage(test::TwoColourImage(2, 2, Qt::white, Qt::black));
  EXPECT_EQ(grey.format(), QImage::Format_Grayscale8);
  EXPECT_EQ(qGray(grey.pixel(0, 0)), 255);
  EXPECT_EQ(qGray(grey.pixel(1, 0)), 0);
}

}  // namespace
}  // namespace glimbrik
