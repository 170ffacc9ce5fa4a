// Camera raw, HEIF and OpenEXR sources through both engine entries, checked against each
// format's own decoder (LibRaw's dcraw_emu, libheif's heif-convert, ImageMagick).
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <QFile>
#include <QImage>
#include <algorithm>
#include <cmath>

#include "engine/conversion_records.h"
#include "engine/text_token.h"
#include "engine/token_string.h"
#include "platform/image_fixtures.h"
#include "platform/image_source.h"
#include "support/camera_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RunTool;

struct Difference {
  double max = 0;   // in 8-bit steps
  double mean = 0;  // in 8-bit steps
};

// The pixels of a file as ImageMagick reads them (colour as stored, no profile applied).
QImage MagickPixels(const QString& path) {
  const QString png = test::MakeTempFolder() + QStringLiteral("/pixels.png");
  bool ok = false;
  RunTool("convert", {path + "[0]", "-depth", "16", "PNG64:" + png}, &ok);
  EXPECT_TRUE(ok) << path.toStdString();
  return QImage(png).convertToFormat(QImage::Format_RGBA64);
}

// Colour compared where the reference is opaque; alpha everywhere.
Difference Compare(const QImage& a, const QImage& b) {
  Difference d;
  EXPECT_EQ(a.size(), b.size());
  if (a.size() != b.size() || a.isNull()) return {1e9, 1e9};
  double sum = 0;
  for (int y = 0; y < a.height(); ++y) {
    const auto* p = reinterpret_cast<const QRgba64*>(a.constScanLine(y));
    const auto* q = reinterpret_cast<const QRgba64*>(b.constScanLine(y));
    for (int x = 0; x < a.width(); ++x) {
      const bool opaque = q[x].alpha() == 0xFFFF;
      const double diffs[] = {opaque ? std::abs(p[x].red() - q[x].red()) : 0.0,
                              opaque ? std::abs(p[x].green() - q[x].green()) : 0.0,
                              opaque ? std::abs(p[x].blue() - q[x].blue()) : 0.0,
                              double(std::abs(p[x].alpha() - q[x].alpha()))};
      for (double v : diffs) {
        d.max = std::max(d.max, v / 257.0);
        sum += v / 257.0;
      }
    }
  }
  d.mean = sum / (4.0 * a.width() * a.height());
  return d;
}

QString ExifTag(const QString& path, const char* tag) {
  return RunTool("exiftool", {"-s3", QStringLiteral("-%1").arg(tag), path}).trimmed();
}

QString Write(const QString& folder, const QString& name, const QByteArray& bytes) {
  const QString path = folder + '/' + name;
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

// The output of ProcessImageFile at the source's own size with its metadata kept.
int Process(const QString& source, const QString& destination, int type, int64_t dpi = 0) {
  ImageConversion c = test::ConversionRecord(source, destination, type, 0.95);
  c.resizeEnabled = 1;
  c.resize = test::PercentFit(100);
  c.resize.resolution = dpi;
  c.options.preserveMetadata = 1;
  return ProcessImageFile(&c);
}

int Convert(const QString& source, const QString& destination, int type, bool* damaged = nullptr) {
  ImageConversion c = test::ConversionRecord(source, destination, type, 0.95);
  c.options.preserveMetadata = 1;
  const int result = ConvertImageFile(&c);
  if (damaged) *damaged = c.sourceDamaged;
  return result;
}

TEST(RawHeifExrSources, CameraRawIsDevelopedAsLibRawsOwnToolDevelopsIt) {
  const QString folder = test::MakeTempFolder();
  test::DngOptions options;
  options.scene = [](int x, int y) { return test::CornerScene(64, 48, x, y); };
  const QByteArray upright = test::MakeDng(options);
  options.orientation = 6;
  const QByteArray turned = test::MakeDng(options);
  struct Case {
    QString name;
    QByteArray bytes;
    QString size;
  };
  const Case cases[] = {{"plain.dng", upright, "64 48"},
                        {"named.nef", upright, "64 48"},
                        {"turned.dng", turned, "48 64"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.toStdString());
    const QString raw = Write(folder, c.name, c.bytes);
    bool ok = false;
    RunTool("dcraw_emu", {"-w", "-o", "1", "-6", "-g", "2.4", "12.92", "-T", raw}, &ok);
    ASSERT_TRUE(ok);
    const QImage reference = MagickPixels(raw + ".tiff");
    ASSERT_EQ(test::IdentifySize(raw + ".tiff"), c.size);

    const QString tiff = raw + ".out.tif";
    ASSERT_EQ(Process(raw, tiff, 10, 240), 0);
    EXPECT_EQ(test::IdentifySize(tiff), c.size);
    Difference d = Compare(MagickPixels(tiff), reference);
    EXPECT_LE(d.max, 1.0);
    EXPECT_EQ(RunTool("identify", {"-format", "%x %y", tiff}).trimmed(), "240 240");
    EXPECT_EQ(ExifTag(tiff, "Model"), "RawCam 7");
    EXPECT_EQ(ExifTag(tiff, "DateTimeOriginal"), "2024:05:06 07:08:09");
    // Turned once, by LibRaw: the output states no further turn.
    EXPECT_EQ(ExifTag(tiff, "Orientation#"), "1");

    const QString png = raw + ".out.png";
    ASSERT_EQ(Convert(raw, png, 7), 1);
    d = Compare(MagickPixels(png), reference);
    EXPECT_LE(d.max, 1.0);

    const QString jpeg = raw + ".out.jpg";
    ASSERT_EQ(Process(raw, jpeg, 4), 0);
    d = Compare(MagickPixels(jpeg), reference);
    EXPECT_LE(d.mean, 3.0);
    EXPECT_EQ(ExifTag(jpeg, "Model"), "RawCam 7");

    const TokenArray model{QVXWatermarkTextToken("Model", 19)};
    EXPECT_EQ(BuildTokenString(raw, model, QString(), 0, 64, 48, 72), "RawCam 7");
  }

  // A target of half the sensor or less develops at half size, as dcraw_emu -h does.
  const QString raw = folder + "/plain.dng";
  std::shared_ptr<ImageSource> source = ImageSource::Open(raw);
  ASSERT_TRUE(source->isValid()) << source->error().toStdString();
  DecodeOptions half;
  half.exactSize = QSize(32, 24);
  const ImageResult<QImage> small = source->decode(0, half);
  ASSERT_TRUE(small.ok());
  EXPECT_EQ(small.value.size(), QSize(32, 24));
  DecodeOptions more;
  more.exactSize = QSize(33, 25);
  EXPECT_EQ(source->decode(0, more).value.size(), QSize(64, 48));
  bool ok = false;
  const QString halfRaw = Write(folder, "half.dng", upright);
  RunTool("dcraw_emu", {"-h", "-w", "-o", "1", "-6", "-g", "2.4", "12.92", "-T", halfRaw}, &ok);
  ASSERT_TRUE(ok);
  const QString smallPng = folder + "/small.png";
  ASSERT_TRUE(small.value.convertToFormat(QImage::Format_RGBA64).save(smallPng));
  EXPECT_LE(Compare(MagickPixels(smallPng), MagickPixels(halfRaw + ".tiff")).max, 1.0);

  // Cut short inside the mosaic, or not raw at all: each fails alone and says which.
  const QString cut = Write(folder, "cut.dng", upright.left(upright.size() - 2000));
  ImageConversion damaged = test::ConversionRecord(cut, folder + "/cut.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&damaged), 1);
  EXPECT_EQ(damaged.sourceDamaged, 1);
  bool converted = false;
  EXPECT_EQ(Convert(cut, folder + "/cut.png", 7, &converted), 0);
  EXPECT_TRUE(converted);
  const QString junk = Write(folder, "junk.nef", QByteArray(5000, 'x'));
  ImageConversion notRaw = test::ConversionRecord(junk, folder + "/junk.jpg", 4);
  EXPECT_EQ(ProcessImageFile(&notRaw), 1);
}

}  // namespace
}  // namespace glimbrik
