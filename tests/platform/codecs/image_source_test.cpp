#include "platform/codecs/image_source.h"

#include <gtest/gtest.h>

#include <QDir>

#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/pixels/row_resampler.h"
#include "support/metadata_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::ReadBytes;
using test::RunTool;

QByteArray Encode(const QImage& image, const char* uti, DestinationProperties properties = {}) {
  ImageResult<QByteArray> r = EncodeImage(image, QString::fromLatin1(uti), properties);
  EXPECT_TRUE(r.ok()) << r.error.toStdString();
  return r.value;
}

// ImageMagick writes the file; a name may start with its format override, as "PNG48:a.png".
QString Make(const QString& convertArguments, const QString& name) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name.section(':', -1);
  bool ok = false;
  RunTool(QStringLiteral("convert"),
          convertArguments.split(' ')
              << name.section(':', 0, -2, QString::SectionIncludeTrailingSep) + path,
          &ok);
  EXPECT_TRUE(ok) << "convert failed for " << name.toStdString();
  return path;
}

bool Near(const QColor& a, QRgb b, int tolerance) {
  return std::abs(a.red() - qRed(b)) <= tolerance && std::abs(a.green() - qGreen(b)) <= tolerance &&
         std::abs(a.blue() - qBlue(b)) <= tolerance && a.alpha() == 255;
}

// Files of other writers: what each decoder reports and every pixel of its top and bottom rows.
struct Foreign {
  const char* name;
  const char* convert;
  ColorModel model;
  int bits;    // 0: not checked
  double dpi;  // 0: not checked
  QRgb top, bottom;
  int tolerance;
  int orientation = 0;    // reported, never applied; 0: not checked
  bool cutFails = false;  // the file cut 30 bytes short must not decode
};

TEST(ImageSourceForeign, EveryDecoderReadsWhatImageMagickWrites) {
  const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);
  // Two red rows over blue, for a format stored bottom row first.
  const char* redTop = "-size 11x6 xc:blue ( -size 11x2 xc:red ) -composite -depth 8 -compress";
  const Foreign cases[] = {
      {"cmyk.jpg", "-size 32x16 xc:red -colorspace CMYK", ColorModel::CMYK, 8, 0, red, red, 55},
      {"PNG48:deep.png", "-size 8x4 xc:#ffff00000000 -depth 16 -units PixelsPerInch -density 150",
       ColorModel::RGB, 16, 150, red, red, 0},
      {"PNG8:palette.png", "-size 8x4 xc:blue -strip", ColorModel::Indexed, 0, 72, blue, blue, 0},
      {"cmyk.tif", "-size 6x6 xc:red -colorspace CMYK", ColorModel::CMYK, 0, 0, red, red, 55},
      {"deep.tif", "-size 6x6 xc:#ffff00000000 -depth 16", ColorModel::RGB, 16, 0, red, red, 0},
      {"float.tif",
       "-size 6x6 xc:#00ff00 -compress lzw -define quantum:format=floating-point -depth 32",
       ColorModel::RGB, 0, 0, green, green, 0},
      // Stored mirrored top to bottom: the decoder hands the stored rows over as they are.
      {"oriented.tif",
       "-size 6x4 xc:blue ( -size 6x2 xc:red ) -composite -depth 8 -compress lzw -orient "
       "BottomLeft",
       ColorModel::RGB, 0, 0, red, blue, 0, 4},
      {"red.jp2", "-size 24x16 xc:red", ColorModel::RGB, 0, 0, red, red, 15},
      {"a.bmp", "-size 12x7 xc:red -units PixelsPerInch -density 200", ColorModel::RGB, 0, 200, red,
       red, 0},
      // ImageMagick writes PackBits; our own writer raw data.
      {"a.psd", "-size 13x7 xc:red -compress RLE -units PixelsPerInch -density 240",
       ColorModel::RGB, 0, 240, red, red, 0, 0, true},
      {"cmyk.psd", "-size 5x5 xc:blue -colorspace CMYK", ColorModel::CMYK, 0, 0, blue, blue, 40, 0,
       true},
      {"plain.sgi", "None", ColorModel::RGB, 0, 0, red, blue, 0, 0, true},
      {"packed.sgi", "RLE", ColorModel::RGB, 0, 0, red, blue, 0, 0, true},
  };
  for (const Foreign& c : cases) {
    SCOPED_TRACE(c.name);
    const QString name = QString::fromLatin1(c.name);
    const QString arguments =
        name.endsWith(".sgi") ? QString::fromLatin1(redTop) + ' ' + c.convert : c.convert;
    const QString path = Make(arguments, name);
    const auto source = ImageSource::Open(path);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    const ImageRepresentation& rep = source->representation(0);
    EXPECT_EQ(rep.colorModel, c.model);
    if (c.bits) {
      EXPECT_EQ(rep.bitsPerComponent, c.bits);
    }
    if (c.dpi) {
      EXPECT_NEAR(rep.dpiX, c.dpi, 0.2);
    }
    if (c.orientation) {
      EXPECT_EQ(rep.orientation, c.orientation);
    }
    const QString size = arguments.section(' ', 1, 1);  // after the leading "-size"
    EXPECT_EQ(QStringLiteral("%1x%2").arg(rep.pixelWidth).arg(rep.pixelHeight), size);
    const QImage image = source->decode(0).value;
    ASSERT_EQ(image.size(), QSize(rep.pixelWidth, rep.pixelHeight));
    if (c.bits == 16) {
      EXPECT_EQ(image.format(), QImage::Format_RGBA64_Premultiplied);
    }
    for (int x = 0; x < image.width(); ++x) {
      EXPECT_TRUE(Near(image.pixelColor(x, 0), c.top, c.tolerance)) << x;
      EXPECT_TRUE(Near(image.pixelColor(x, image.height() - 1), c.bottom, c.tolerance)) << x;
    }
    if (c.cutFails) {
      const QByteArray whole = ReadBytes(path);
      const auto cut = ImageSource::FromData(whole.left(whole.size() - 30));
      EXPECT_TRUE(!cut->isValid() || !cut->decode(0).ok());
    }
  }
}

// Two components are grey and alpha, as ImageMagick and OpenJPEG write them.
TEST(ImageSourceJpeg2000, GreyWithAlphaKeepsItsAlpha) {
  const auto source = ImageSource::Open(Make("-size 6x4 xc:graya(40%,0.5) -depth 8", "ga.jp2"));
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  EXPECT_EQ(source->representation(0).colorModel, ColorModel::Gray);
  EXPECT_TRUE(source->representation(0).hasAlpha);
  const QImage image = source->decode(0).value;
  ASSERT_EQ(image.size(), QSize(6, 4));
  EXPECT_TRUE(image.hasAlphaChannel());
  const QColor pixel = image.pixelColor(5, 3);
  EXPECT_NEAR(pixel.alpha(), 128, 2);
  EXPECT_NEAR(pixel.red(), 102, 3);
  EXPECT_EQ(pixel.red(), pixel.blue());
}

TEST(ImageSourceJpeg, ShrinksWhileDecodingOnlyAsFarAsTheTargetAllowsAndZeroDensityIs72) {
  DestinationProperties p;
  p.dpiX = p.dpiY = 300;
  const auto source =
      ImageSource::FromData(Encode(test::PatternImage(4000, 3000), "public.jpeg", p));
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  EXPECT_DOUBLE_EQ(source->representation(0).dpiX, 300.0);
  EXPECT_EQ(source->decode(0, {QSize(1000, 750), QSize()}).value.size(), QSize(1000, 750));
  EXPECT_EQ(source->decode(0, {QSize(900, 10), QSize()}).value.size(), QSize(1000, 750));
  EXPECT_EQ(source->decode(0, {QSize(1001, 750), QSize()}).value.size(), QSize(2000, 1500));
  EXPECT_EQ(source->decode(0, {QSize(2001, 1), QSize()}).value.size(), QSize(4000, 3000));

  // A JFIF density of 0 x 0 dots per inch counts as 72.
  QByteArray jpeg = Encode(test::PatternImage(20, 10), "public.jpeg");
  const qsizetype at = jpeg.indexOf(QByteArray("JFIF\0", 5));
  ASSERT_GT(at, 0);
  jpeg[at + 7] = 1;
  for (int i = 8; i < 12; ++i) jpeg[at + i] = 0;
  const auto zero = ImageSource::FromData(jpeg);
  ASSERT_TRUE(zero->isValid());
  EXPECT_DOUBLE_EQ(zero->representation(0).dpiX, 72.0);
  EXPECT_DOUBLE_EQ(zero->representation(0).dpiY, 72.0);
}

// A frame header past libjpeg's largest side is refused for its size, which the reason states.
TEST(ImageSourceJpeg, AFramePastTheDecodersLargestSideIsRefusedByItsSize) {
  QByteArray jpeg = Encode(test::PatternImage(16, 8), "public.jpeg");
  const qsizetype sof = jpeg.indexOf("\xff\xc0");
  ASSERT_GT(sof, 0);
  jpeg.replace(sof + 5, 4, QByteArray("\xff\xf0\xff\xfe", 4));  // 65520 high, 65534 wide
  const auto source = ImageSource::FromData(jpeg);
  EXPECT_FALSE(source->isValid());
  EXPECT_EQ(source->error(), "image size 65534 x 65520 refused");
  EXPECT_FALSE(IsDamagedFileError(source->error()));
}

// A colour file is reduced plane by plane as stored: the colours of the full decode reduced
// after, within the rounding for whole chroma and within the chroma filtering for subsampled
// chroma (a swapped or shifted plane is off by tens of levels). A file cut before most of its
// rows fails.
TEST(ImageSourceJpeg, ReducesColourPlaneByPlaneAsTheFullPictureWould) {
  struct Case {
    const char* sampling;
    int worst;  // largest difference in a channel
  };
  for (const Case c : {Case{"1x1", 2}, Case{"2x2", 4}, Case{"2x1", 4}}) {
    SCOPED_TRACE(c.sampling);
    const QString path =
        Make(QStringLiteral("-seed 3 -size 640x480 plasma:fractal -quality 95 -sampling-factor ") +
                 c.sampling,
             QStringLiteral("plasma.jpg"));
    const QByteArray bytes = ReadBytes(path);
    const auto source = ImageSource::FromData(bytes);
    ASSERT_TRUE(source->isValid());
    const QSize out(200, 150);
    const ImageResult<QImage> reduced = source->decode(0, {QSize(), out});
    const ImageResult<QImage> full = source->decode(0);
    ASSERT_TRUE(reduced.ok() && full.ok()) << reduced.error.toStdString();
    ASSERT_EQ(reduced.value.size(), out);
    RowResampler resampler(full.value.size(), out, QImage::Format_ARGB32_Premultiplied);
    const QImage whole = full.value.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    resampler.pushRows(whole.constBits(), whole.bytesPerLine(), whole.height());
    const QImage want = resampler.take();
    ASSERT_FALSE(want.isNull());
    const QImage got = reduced.value.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int worst = 0;
    double total = 0.0;
    for (int y = 0; y < out.height(); ++y) {
      for (int x = 0; x < out.width(); ++x) {
        const QRgb a = got.pixel(x, y), b = want.pixel(x, y);
        ASSERT_EQ(qAlpha(a), 255);
        for (const int d : {qRed(a) - qRed(b), qGreen(a) - qGreen(b), qBlue(a) - qBlue(b)}) {
          worst = std::max(worst, std::abs(d));
          total += std::abs(d);
        }
      }
    }
    EXPECT_LE(worst, c.worst);
    EXPECT_LT(total / (3.0 * out.width() * out.height()), 0.6);

    const auto cut = ImageSource::FromData(bytes.left(bytes.size() / 4));
    ASSERT_TRUE(cut->isValid());
    EXPECT_FALSE(cut->decode(0, {QSize(), out}).ok());
  }
}

TEST(ImageSourceOwnFiles, GreyStaysGreyAndPsdKeepsItsTransparency) {
  QImage grey(5, 3, QImage::Format_Grayscale8);
  grey.fill(77);
  const auto g = ImageSource::FromData(Encode(grey, "public.png"));
  ASSERT_TRUE(g->isValid());
  EXPECT_EQ(g->representation(0).colorModel, ColorModel::Gray);
  EXPECT_EQ(g->decode(0).value.format(), QImage::Format_Grayscale8);
  EXPECT_EQ(qGray(g->decode(0).value.pixel(2, 1)), 77);

  // One grey row, 0 then 77, whose tRNS chunk makes level 0 transparent.
  const QByteArray keyed = test::PngBytes(2, 1, 8, 0, test::PngChunk("tRNS", QByteArray(2, '\0')),
                                          QByteArray("\0\0\x4d", 3));
  const QImage keyedGrey = ImageSource::FromData(keyed)->decode(0).value;
  ASSERT_EQ(keyedGrey.size(), QSize(2, 1));
  EXPECT_EQ(qAlpha(keyedGrey.pixel(0, 0)), 0);
  EXPECT_EQ(keyedGrey.pixel(1, 0), qRgb(77, 77, 77));

  const QImage translucent = test::TwoColourImage(6, 4, QColor(0, 0, 0, 0), Qt::green);
  const auto psd = ImageSource::FromData(Encode(translucent, "com.adobe.photoshop-image"));
  ASSERT_TRUE(psd->isValid());
  EXPECT_TRUE(psd->representation(0).hasAlpha);
  const QImage back = psd->decode(0).value;
  EXPECT_EQ(qAlpha(back.pixel(1, 1)), 0);
  EXPECT_EQ(back.pixelColor(4, 1), QColor(Qt::green));
}

// Each directory of a TIFF reaching the converter is held by the engine's tests.
TEST(ImageSourceGif, FramesComposeOntoTheScreenInAnyOrder) {
  // A blue frame over part of a red one: the second frame shows both, decoded in any order.
  const auto gif = ImageSource::Open(
      Make(QStringLiteral("-dispose None -size 10x6 xc:red ( -size 4x3 xc:blue -repage 10x6+5+2 )"),
           "layered.gif"));
  ASSERT_TRUE(gif->isValid()) << gif->error().toStdString();
  ASSERT_EQ(gif->count(), 2);
  for (int index : {1, 0, 1, 1}) {
    const QImage frame = gif->decode(index).value;
    ASSERT_EQ(frame.size(), QSize(10, 6));
    EXPECT_EQ(frame.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(frame.pixelColor(6, 3), index == 0 ? QColor(Qt::red) : QColor(Qt::blue));
  }
  EXPECT_FALSE(gif->decode(2).ok());
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

// Plain-text and binary maps of more than 8 bits keep every sample, stretched to 16 bits.
TEST(ImageSourcePnm, DeepPlainAndBinaryMapsKeepSixteenBits) {
  // Two pixels of 1000-scale samples; 1 becomes 66 (65.5 rounded up) and 999 becomes 65469.
  const quint16 expected[] = {0, 66, 32768, 65535, 65469, 13107};
  const QByteArray values[] = {"0", "1", "500", "1000", "999", "200"};
  const auto plainMap = [&](char kind) {
    QByteArray bytes =
        QByteArray("P") + kind + (kind == '3' ? " 2 1" : " 6 1") + "\n# note\n1000\n";
    for (const QByteArray& v : values) bytes += v + (v == "500" ? "\n" : "  ");
    return bytes;
  };
  QByteArray binary("P6\n2 1\n1000\n");
  for (const QByteArray& v : values) test::AppendBig16(binary, quint16(v.toUInt()));
  for (const QByteArray& bytes : {plainMap('3'), plainMap('2'), binary}) {
    SCOPED_TRACE(bytes.left(2).toStdString());
    const auto source = ImageSource::FromData(bytes);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    EXPECT_EQ(source->representation(0).bitsPerComponent, 16);
    const QImage image = source->decode(0).value;
    const bool grey = bytes[1] == '2';
    ASSERT_EQ(image.size(), grey ? QSize(6, 1) : QSize(2, 1));
    for (int i = 0; i < 6; ++i) {
      const QRgba64 pixel = image.pixelColor(grey ? i : i / 3, 0).rgba64();
      const quint16 channels[] = {pixel.red(), pixel.green(), pixel.blue()};
      const quint16 sample = grey ? pixel.red() : channels[i % 3];
      EXPECT_EQ(sample, expected[i]) << i;
    }
    // A map that ends before its last sample is damaged, not read with made-up pixels.
    const auto cut = ImageSource::FromData(bytes.left(bytes.size() - 7));
    EXPECT_TRUE(!cut->isValid() || !cut->decode(0).ok());
  }
}

}  // namespace
}  // namespace glimbrik
