#include "platform/image_source.h"

#include <gtest/gtest.h>

#include <QColorSpace>
#include <QDir>

#include "platform/image_destination.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::ReadBytes;
using test::RunTool;
using test::WriteBytes;

QByteArray Encode(const QImage& image, const char* uti, DestinationProperties properties = {}) {
  ImageResult<QByteArray> r = EncodeImage(image, QString::fromLatin1(uti), properties);
  EXPECT_TRUE(r.ok()) << r.error.toStdString();
  return r.value;
}

QString Make(const QStringList& convertArguments, const QString& name) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  bool ok = false;
  RunTool(QStringLiteral("convert"), QStringList(convertArguments) << path, &ok);
  EXPECT_TRUE(ok) << "convert failed for " << name.toStdString();
  return path;
}

TEST(ImageSourceJpeg, ShrinksWhileDecodingOnlyAsFarAsTheTargetAllows) {
  DestinationProperties p;
  p.dpiX = p.dpiY = 300;
  const auto source =
      ImageSource::FromData(Encode(test::PatternImage(4000, 3000), "public.jpeg", p));
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  EXPECT_EQ(source->representation(0).pixelWidth, 4000);
  EXPECT_DOUBLE_EQ(source->representation(0).dpiX, 300.0);
  EXPECT_EQ(source->decode(0, {QSize(1000, 750), QSize()}).value.size(), QSize(1000, 750));
  EXPECT_EQ(source->decode(0, {QSize(900, 10), QSize()}).value.size(), QSize(1000, 750));
  EXPECT_EQ(source->decode(0, {QSize(1001, 750), QSize()}).value.size(), QSize(2000, 1500));
  EXPECT_EQ(source->decode(0, {QSize(2001, 1), QSize()}).value.size(), QSize(4000, 3000));
  EXPECT_EQ(source->decode(0).value.size(), QSize(4000, 3000));
}

TEST(ImageSourceJpeg, ReadsAdobeCmykAsRgb) {
  const QString path =
      Make({"-size", "32x16", "xc:red", "-colorspace", "CMYK"}, QStringLiteral("cmyk.jpg"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  EXPECT_EQ(source->representation(0).colorModel, ColorModel::CMYK);
  const QImage image = source->decode(0).value;
  ASSERT_FALSE(image.isNull());
  const QColor c = image.pixelColor(16, 8);
  EXPECT_GT(c.red(), 200);
  EXPECT_LT(c.green(), 60);
  EXPECT_LT(c.blue(), 60);
}

TEST(ImageSourceJpeg, ZeroDensityCountsAs72AndIccSurvives) {
  QImage image = test::PatternImage(20, 10);
  image.setColorSpace(QColorSpace(QColorSpace::AdobeRgb));
  QByteArray jpeg = Encode(image, "public.jpeg");
  // JFIF density fields follow "JFIF\0", version (2), unit (1): set unit 1 with 0 x 0.
  const qsizetype at = jpeg.indexOf(QByteArray("JFIF\0", 5));
  ASSERT_GT(at, 0);
  jpeg[at + 7] = 1;
  for (int i = 8; i < 12; ++i) jpeg[at + i] = 0;
  const auto source = ImageSource::FromData(jpeg);
  ASSERT_TRUE(source->isValid());
  EXPECT_DOUBLE_EQ(source->representation(0).dpiX, 72.0);
  EXPECT_DOUBLE_EQ(source->representation(0).dpiY, 72.0);
  EXPECT_EQ(QColorSpace::fromIccProfile(source->representation(0).iccProfile),
            QColorSpace(QColorSpace::AdobeRgb));
}

TEST(ImageSourcePng, ReadsDepthPaletteGreyAndResolution) {
  const QString folder = test::MakeTempFolder();
  bool ok = false;
  RunTool(QStringLiteral("convert"),
          {"-size", "8x4", "gradient:", "-depth", "16", "-units", "PixelsPerInch", "-density",
           "150", QStringLiteral("PNG48:") + folder + "/deep.png"},
          &ok);
  ASSERT_TRUE(ok);
  const auto deep = ImageSource::Open(folder + "/deep.png");
  ASSERT_TRUE(deep->isValid()) << deep->error().toStdString();
  EXPECT_EQ(deep->representation(0).bitsPerComponent, 16);
  EXPECT_NEAR(deep->representation(0).dpiX, 150.0, 0.1);
  EXPECT_EQ(deep->decode(0).value.format(), QImage::Format_RGBA64_Premultiplied);

  RunTool(QStringLiteral("convert"),
          {"-size", "8x4", "xc:blue", "-strip", QStringLiteral("PNG8:") + folder + "/palette.png"},
          &ok);
  ASSERT_TRUE(ok);
  const auto palette = ImageSource::Open(folder + "/palette.png");
  ASSERT_TRUE(palette->isValid());
  EXPECT_EQ(palette->representation(0).colorModel, ColorModel::Indexed);
  EXPECT_DOUBLE_EQ(palette->representation(0).dpiX, 72.0);  // no pHYs
  EXPECT_EQ(palette->decode(0).value.pixelColor(3, 2), QColor(Qt::blue));

  QImage grey(5, 3, QImage::Format_Grayscale8);
  grey.fill(77);
  const auto g = ImageSource::FromData(Encode(grey, "public.png"));
  ASSERT_TRUE(g->isValid());
  EXPECT_EQ(g->representation(0).colorModel, ColorModel::Gray);
  EXPECT_EQ(g->decode(0).value.format(), QImage::Format_Grayscale8);
  EXPECT_EQ(qGray(g->decode(0).value.pixel(2, 1)), 77);
}

TEST(ImageSourceTiff, EveryDirectoryIsARepresentation) {
  const QString path =
      Make({"-size", "40x30", "xc:red", "-size", "20x10", "xc:lime", "-size", "8x8", "xc:blue"},
           QStringLiteral("multi.tif"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  ASSERT_EQ(source->count(), 3);
  EXPECT_EQ(source->representation(1).pixelWidth, 20);
  EXPECT_EQ(source->decode(1).value.pixelColor(5, 5), QColor(Qt::green));
  EXPECT_EQ(source->decode(2).value.pixelColor(1, 1), QColor(Qt::blue));
}

TEST(ImageSourceTiff, OrientationIsReportedNotApplied) {
  // Red top half, blue bottom half, stored with orientation 4 (mirrored top to bottom).
  const QString path =
      Make({"-size", "6x4", "xc:blue", "-fill", "red", "-draw", "rectangle 0,0 5,1", "-depth", "8",
            "-compress", "lzw", "-orient", "BottomLeft"},
           QStringLiteral("oriented.tif"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid());
  EXPECT_EQ(source->representation(0).orientation, 4);
  const QImage image = source->decode(0).value;
  EXPECT_EQ(image.pixelColor(2, 0), QColor(Qt::red));
  EXPECT_EQ(image.pixelColor(2, 3), QColor(Qt::blue));
}

TEST(ImageSourceTiff, ReadsCmykSixteenBitAndFloat) {
  const QString cmyk =
      Make({"-size", "6x6", "xc:red", "-colorspace", "CMYK"}, QStringLiteral("cmyk.tif"));
  const auto c = ImageSource::Open(cmyk);
  ASSERT_TRUE(c->isValid());
  EXPECT_EQ(c->representation(0).colorModel, ColorModel::CMYK);
  EXPECT_GT(c->decode(0).value.pixelColor(2, 2).red(), 200);
  EXPECT_LT(c->decode(0).value.pixelColor(2, 2).green(), 60);

  const QString deep =
      Make({"-size", "6x6", "xc:#ffff00000000", "-depth", "16"}, QStringLiteral("deep.tif"));
  const auto d = ImageSource::Open(deep);
  ASSERT_TRUE(d->isValid());
  EXPECT_EQ(d->representation(0).bitsPerComponent, 16);
  const QImage di = d->decode(0).value;
  EXPECT_EQ(di.format(), QImage::Format_RGBA64_Premultiplied);
  EXPECT_EQ(di.pixelColor(1, 1).rgb(), QColor(Qt::red).rgb());

  const QString fl = Make({"-size", "6x6", "xc:#00ff00", "-compress", "lzw", "-define",
                           "quantum:format=floating-point", "-depth", "32"},
                          QStringLiteral("float.tif"));
  const auto f = ImageSource::Open(fl);
  ASSERT_TRUE(f->isValid()) << f->error().toStdString();
  EXPECT_EQ(f->decode(0).value.pixelColor(3, 3).rgb(), QColor(Qt::green).rgb());
}

TEST(ImageSourceGif, EachFrameIsARepresentationOnTheScreen) {
  const QString path = Make({"-size", "10x6", "xc:red", "xc:blue"}, QStringLiteral("anim.gif"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  ASSERT_EQ(source->count(), 2);
  // In order, out of order and again: each frame is the same.
  for (int index : {0, 1, 0, 1, 1}) {
    const QImage frame = source->decode(index).value;
    ASSERT_EQ(frame.size(), QSize(10, 6));
    EXPECT_EQ(frame.pixelColor(4, 4), index == 0 ? QColor(Qt::red) : QColor(Qt::blue));
  }
  EXPECT_FALSE(source->decode(2).ok());
}

TEST(ImageSourceGif, SmallerFramesComposeOntoTheScreen) {
  // A blue frame over part of a red one: the second frame shows both.
  const QString path = Make({"-dispose", "None", "-size", "10x6", "xc:red", "(", "-size", "4x3",
                             "xc:blue", "-repage", "10x6+5+2", ")"},
                            QStringLiteral("layered.gif"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  ASSERT_EQ(source->count(), 2);
  const QImage second = source->decode(1).value;
  EXPECT_EQ(second.pixelColor(1, 1), QColor(Qt::red));
  EXPECT_EQ(second.pixelColor(6, 3), QColor(Qt::blue));
}

TEST(ImageSourceJpeg2000, ReadsWhatOpenJpegToolsWrite) {
  const QString path = Make({"-size", "24x16", "xc:red"}, QStringLiteral("red.jp2"));
  const auto source = ImageSource::Open(path);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  EXPECT_EQ(source->representation(0).pixelWidth, 24);
  const QColor c = source->decode(0).value.pixelColor(10, 10);
  EXPECT_GT(c.red(), 240);
  EXPECT_LT(c.green(), 15);
}

TEST(ImageSourceMinorFormats, BmpResolutionComesFromTheHeaderOthersRead72) {
  const QString bmp =
      Make({"-size", "12x7", "xc:red", "-units", "PixelsPerInch", "-density", "200"},
           QStringLiteral("a.bmp"));
  const auto b = ImageSource::Open(bmp);
  ASSERT_TRUE(b->isValid()) << b->error().toStdString();
  EXPECT_NEAR(b->representation(0).dpiX, 200.0, 0.2);
  EXPECT_EQ(b->decode(0).value.size(), QSize(12, 7));

  // Qt reads TrueVision 2.0 files, which is what our own writer makes.
  const auto t = ImageSource::FromData(
      Encode(test::TwoColourImage(9, 5, Qt::blue, Qt::blue), "com.truevision.tga-image"));
  ASSERT_TRUE(t->isValid()) << t->error().toStdString();
  EXPECT_DOUBLE_EQ(t->representation(0).dpiX, 72.0);
  EXPECT_EQ(t->decode(0).value.pixelColor(4, 2), QColor(Qt::blue));
}

TEST(ImageSourcePsd, ReadsTheFlatCompositeRawOrPackBits) {
  // ImageMagick writes PackBits; our writer writes raw data.
  const QString rle = Make(
      {"-size", "13x7", "xc:red", "-units", "PixelsPerInch", "-density", "240", "-compress", "RLE"},
      QStringLiteral("a.psd"));
  const auto a = ImageSource::Open(rle);
  ASSERT_TRUE(a->isValid()) << a->error().toStdString();
  EXPECT_EQ(a->representation(0).pixelWidth, 13);
  EXPECT_NEAR(a->representation(0).dpiX, 240.0, 0.01);
  EXPECT_EQ(a->decode(0).value.pixelColor(6, 3), QColor(Qt::red));

  const QString cmyk =
      Make({"-size", "5x5", "xc:blue", "-colorspace", "CMYK"}, QStringLiteral("cmyk.psd"));
  const auto c = ImageSource::Open(cmyk);
  ASSERT_TRUE(c->isValid()) << c->error().toStdString();
  EXPECT_EQ(c->representation(0).colorModel, ColorModel::CMYK);
  const QImage cmykImage = c->decode(0).value;
  ASSERT_EQ(cmykImage.size(), QSize(5, 5));
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 5; ++x) {
      const QColor blue = cmykImage.pixelColor(x, y);
      EXPECT_GT(blue.blue(), 200);
      EXPECT_LT(blue.red(), 40);
      EXPECT_EQ(blue.alpha(), 255);
    }
  }

  const QImage translucent = test::TwoColourImage(6, 4, QColor(0, 0, 0, 0), Qt::green);
  const auto ours = ImageSource::FromData(Encode(translucent, "com.adobe.photoshop-image"));
  ASSERT_TRUE(ours->isValid());
  EXPECT_TRUE(ours->representation(0).hasAlpha);
  const QImage back = ours->decode(0).value;
  EXPECT_EQ(qAlpha(back.pixel(1, 1)), 0);
  EXPECT_EQ(back.pixelColor(4, 1), QColor(Qt::green));

  const QByteArray whole = ReadBytes(rle);
  const auto cut = ImageSource::FromData(whole.left(whole.size() - 20));
  EXPECT_TRUE(!cut->isValid() || !cut->decode(0).ok());
}

TEST(ImageSourceSgi, ReadsVerbatimAndRunLengthFiles) {
  for (const char* compression : {"None", "RLE"}) {
    const QString path =
        Make({"-size", "11x6", "xc:blue", "-fill", "red", "-draw", "rectangle 0,0 10,1", "-depth",
              "8", "-compress", QString::fromLatin1(compression)},
             QStringLiteral("a.sgi"));
    EXPECT_EQ(ReadBytes(path).at(2), compression[0] == 'R' ? 1 : 0);  // storage byte
    const auto source = ImageSource::Open(path);
    ASSERT_TRUE(source->isValid()) << compression << source->error().toStdString();
    const QImage image = source->decode(0).value;
    ASSERT_EQ(image.size(), QSize(11, 6)) << compression;
    EXPECT_EQ(image.pixelColor(5, 0), QColor(Qt::red)) << compression;  // stored bottom row first
    EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::blue)) << compression;
    const QByteArray whole = ReadBytes(path);
    const auto cut = ImageSource::FromData(whole.left(whole.size() - 30));
    EXPECT_TRUE(!cut->isValid() || !cut->decode(0).ok()) << compression;
  }
}

// Hand-made 2 x 2 Targa files: red bottom row, blue top row.
QByteArray Tga(uchar type, uchar depth, uchar descriptor, const QByteArray& body,
               const QByteArray& map = {}, uchar mapDepth = 0) {
  QByteArray h(18, '\0');
  h[1] = map.isEmpty() ? 0 : 1;
  h[2] = char(type);
  h[5] = char(map.size() / std::max(1, mapDepth / 8));
  h[7] = char(mapDepth);
  h[12] = 2;
  h[14] = 2;
  h[16] = char(depth);
  h[17] = char(descriptor);
  return h + map + body;
}

TEST(ImageSourceTga, FollowsTheOriginAndDecodesEveryPacking) {
  const QByteArray red("\x00\x00\xFF", 3), blue("\xFF\x00\x00", 3);
  const QByteArray cases[] = {
      Tga(2, 24, 0x00, red + red + blue + blue),                             // bottom-left origin
      Tga(2, 24, 0x20, blue + blue + red + red),                             // top-left origin
      Tga(10, 24, 0x00, "\x81" + red + "\x81" + blue),                       // run-length
      Tga(10, 24, 0x00, QByteArray("\x01", 1) + red + red + "\x81" + blue),  // raw packet too
      Tga(1, 8, 0x00, QByteArray("\x00\x00\x01\x01", 4), red + blue, 24),    // colour-mapped
  };
  for (const QByteArray& file : cases) {
    const auto source = ImageSource::FromData(file);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    const QImage image = source->decode(0).value;
    ASSERT_EQ(image.size(), QSize(2, 2));
    EXPECT_EQ(image.pixelColor(1, 0), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(0, 1), QColor(Qt::red));
    EXPECT_FALSE(ImageSource::FromData(file.left(file.size() - 2))->decode(0).ok());
  }
  const auto grey = ImageSource::FromData(Tga(3, 8, 0x20, QByteArray("\x10\x20\x30\x40", 4)));
  ASSERT_TRUE(grey->isValid());
  EXPECT_EQ(grey->representation(0).colorModel, ColorModel::Gray);
  EXPECT_EQ(qGray(grey->decode(0).value.pixel(1, 1)), 0x40);
  // A colour map whose entries have no size is refused, whether the image uses it or not.
  EXPECT_FALSE(ImageSource::FromData(Tga(3, 8, 0x20, QByteArray(4, '\x10'), QByteArray(4, '\0'), 0))
                   ->isValid());
  // A run longer than the image is damage, not an overrun.
  EXPECT_FALSE(ImageSource::FromData(Tga(10, 24, 0x00, "\xFF" + red))->decode(0).ok());
}

// Hostile input: every case must fail with a reason and never crash.
TEST(ImageSourceHostile, RefusesBadFilesWithAReason) {
  const QByteArray jpeg = Encode(test::PatternImage(300, 200), "public.jpeg");
  const QByteArray png = Encode(test::PatternImage(300, 200), "public.png");
  const QByteArray tiff = Encode(test::PatternImage(300, 200), "public.tiff");

  EXPECT_FALSE(ImageSource::FromData(QByteArray())->isValid());
  EXPECT_FALSE(ImageSource::FromData("plain text, not an image")->isValid());
  EXPECT_FALSE(ImageSource::Open(QStringLiteral("/nonexistent/file.jpg"))->isValid());

  // Truncated pixel data: the header reads, the pixels do not.
  for (const QByteArray& whole : {jpeg, png, tiff}) {
    const auto source = ImageSource::FromData(whole.left(whole.size() / 2));
    if (source->isValid()) {
      EXPECT_FALSE(source->decode(0).ok());
    }
  }
  // A PNG header that declares 40000 x 40000 is refused before any pixel buffer exists.
  QByteArray bomb = png;
  const uchar side[4] = {0x00, 0x00, 0x9C, 0x40};
  bomb.replace(16, 4, reinterpret_cast<const char*>(side), 4);
  bomb.replace(20, 4, reinterpret_cast<const char*>(side), 4);
  const auto refused = ImageSource::FromData(bomb);
  EXPECT_FALSE(refused->isValid());
  EXPECT_FALSE(refused->error().isEmpty());  // the limits themselves: ImageHeader tests
}

}  // namespace
}  // namespace glimbrik
