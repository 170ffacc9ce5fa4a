#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <array>

#include "engine/codec_fixtures.h"
#include "engine/codecs/webp_bridge.h"
#include "engine/convert/conversion_records.h"
#include "platform/codecs/image_destination.h"
#include "platform/metadata/image_header.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// Quadrant colours of the stored picture: top-left, top-right, bottom-left, bottom-right.
const std::array<QRgb, 4> kColours{qRgb(230, 20, 20), qRgb(20, 200, 20), qRgb(20, 20, 230),
                                   qRgb(240, 230, 20)};
enum Quadrant { R, G, B, Y };

// Where each stored quadrant shows once the orientation is applied, read from the EXIF
// definitions (row 0 and column 0 of the stored picture name a side of the shown one).
const std::array<std::array<Quadrant, 4>, 9> kShown{{
    {},
    {R, G, B, Y},
    {G, R, Y, B},
    {Y, B, G, R},
    {B, Y, R, G},
    {R, B, G, Y},
    {B, R, Y, G},
    {Y, G, B, R},
    {G, Y, R, B},
}};

QImage StoredPicture() {
  QImage image(48, 32, QImage::Format_ARGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 48; ++x)
      image.setPixel(x, y, kColours[(y >= 16 ? 2 : 0) + (x >= 24 ? 1 : 0)]);
  }
  return image;
}

QString Folder() {
  static const QString folder = test::MakeTempFolder();
  return folder;
}

// The stored picture tagged with an orientation, in one source format.
QString Source(const char* format, int orientation) {
  const QString base = Folder() + QStringLiteral("/o%1").arg(orientation);
  const QByteArray kind(format);
  if (kind == "png") {
    test::PngOptions options;
    options.exif = test::MakeExif(orientation);
    EXPECT_TRUE(test::WritePng(base + ".png", StoredPicture(), options));
    return base + ".png";
  }
  DestinationProperties tagged;
  tagged.orientation = orientation;
  tagged.lossyQuality = 0.95;
  const bool tiff = kind == "tiff";
  const QString encoded = base + (tiff ? ".tif" : ".jpg");
  EXPECT_TRUE(test::WriteBytes(
      encoded, EncodeImage(StoredPicture(), tiff ? "public.tiff" : "public.jpeg", tagged).value));
  if (kind != "webp") return encoded;
  EXPECT_EQ(EncodeImageFileToWebP(QFile::encodeName(encoded).constData(),
                                  QFile::encodeName(base + ".webp").constData(),
                                  WebPSettingsForQuality(1.0), kWebPMetadataEXIF),
            kWebPEncodeOk);
  return base + ".webp";
}

bool Near(QRgb a, QRgb b) {
  return std::abs(qRed(a) - qRed(b)) < 40 && std::abs(qGreen(a) - qGreen(b)) < 40 &&
         std::abs(qBlue(a) - qBlue(b)) < 40;
}

// Reads an output as a viewer does (its own orientation tag applied) and checks every quadrant.
void ExpectUpright(const QString& path, int orientation, const std::string& what) {
  QImageReader reader(path);
  reader.setAutoTransform(true);
  const QImage shown = reader.read().convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(shown.isNull()) << what;
  const bool turned = orientation >= 5;
  ASSERT_EQ(shown.size(), turned ? QSize(32, 48) : QSize(48, 32)) << what;
  const int w = shown.width();
  const int h = shown.height();
  const std::array<QPoint, 4> centres{QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4),
                                      QPoint(w / 4, 3 * h / 4), QPoint(3 * w / 4, 3 * h / 4)};
  for (int q = 0; q < 4; ++q) {
    EXPECT_TRUE(Near(shown.pixel(centres[q]), kColours[kShown[orientation][q]]))
        << what << " quadrant " << q;
  }
  const ImageHeaderResult header = ReadImageHeader(path);
  ASSERT_TRUE(header) << what;
  EXPECT_LE(header.header->orientation, 1) << what;
}

TEST(Orientation, EveryConversionWritesThePictureUprightWithATrueTag) {
  const std::array<std::pair<int, const char*>, 4> outputs{
      {{4, "jpg"}, {7, "png"}, {10, "tif"}, {24, "webp"}}};
  for (const char* format : {"jpeg", "png", "tiff", "webp"}) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const QString source = Source(format, orientation);
      for (const auto& [type, extension] : outputs) {
        for (bool process : {true, false}) {
          const std::string what = std::string(format) + "-" + std::to_string(orientation) +
                                   (process ? "-process." : "-convert.") + extension;
          const QString out = Folder() + '/' + QString::fromStdString(what);
          ImageConversion record = test::ConversionRecord(source, out, type, 0.95);
          record.options.preserveMetadata = 1;
          if (process) {
            record.resize = test::PercentFit(100);
            ASSERT_EQ(ProcessImageFile(&record), 0) << what;
          } else {
            ASSERT_EQ(ConvertImageFile(&record), 1) << what;
          }
          ExpectUpright(out, orientation, what);
        }
      }
    }
  }
}

TEST(Orientation, SizesGivenBeforeDecodingAreTheUprightOnes) {
  // The upright picture is 32 x 48: a 16 x 24 box takes it at half size, which a JPEG decodes
  // shrunk; the stored 48 x 32 would come out 16 x 11.
  ImageConversion record = test::ConversionRecord(Source("jpeg", 6), Folder() + "/boxed.png", 7);
  record.resize = test::PixelFit(16, 24);
  ASSERT_EQ(ProcessImageFile(&record), 0);
  const QImage out = QImage(record.destinationURL).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(out.size(), QSize(16, 24));
  EXPECT_TRUE(Near(out.pixel(4, 6), kColours[kShown[6][0]]));
  EXPECT_TRUE(Near(out.pixel(12, 18), kColours[kShown[6][3]]));
}

}  // namespace
}  // namespace glimbrik
