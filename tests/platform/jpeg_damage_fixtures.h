#pragma once

// Camera-like JPEGs made in the test, and the damage found in real files: data that stops early,
// lost restart intervals, frames that claim more than the file holds.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QStringList>
#include <random>

#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"

namespace glimbrik::test {

// Smooth light over fine noise: like a photo, every row costs about as many bytes as the next.
inline QImage PhotoImage(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  std::mt19937 random(20261207);
  for (int y = 0; y < size.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int grain = int(random() % 41) - 20;
      const auto level = [&](int base) { return std::clamp(base + grain, 0, 255); };
      line[x] = qRgb(level(60 + 150 * x / size.width()), level(200 - 120 * y / size.height()),
                     level(90 + (x + y) % 64));
    }
  }
  return image;
}

// A baseline 4:2:0 JPEG of the photo, rewritten by jpegtran with the given options (as
// "-restart 1" or "-progressive") when there are any.
inline QByteArray PhotoJpeg(QSize size, const QStringList& jpegtranOptions = {}) {
  DestinationProperties properties;
  properties.lossyQuality = 0.9;
  const ImageResult<QByteArray> encoded =
      EncodeImage(PhotoImage(size), QStringLiteral("public.jpeg"), properties);
  EXPECT_TRUE(encoded.ok());
  if (jpegtranOptions.isEmpty()) return encoded.value;
  const QString folder = MakeTempFolder(QStringLiteral("jpegtran"));
  const QString in = folder + QStringLiteral("/in.jpg"), out = folder + QStringLiteral("/out.jpg");
  EXPECT_TRUE(WriteBytes(in, encoded.value));
  bool ok = false;
  RunTool(QStringLiteral("jpegtran"), QStringList(jpegtranOptions) << "-outfile" << out << in, &ok);
  EXPECT_TRUE(ok);
  return ReadBytes(out);
}

// The file with the last `fraction` of its coded data gone and its end-of-image marker kept, as
// cameras leave it when they stop writing early.
inline QByteArray DataEndsEarly(const QByteArray& jpeg, double fraction) {
  const qsizetype data = jpeg.lastIndexOf("\xff\xda");
  const qsizetype end = jpeg.size() - 2;
  const qsizetype cut = end - qsizetype(double(end - data) * fraction);
  return jpeg.left(cut) + jpeg.right(2);
}

// The file without the coded data of the given restart intervals (counted from 2, the one after
// the first restart marker), the markers left in place: a damaged card loses such runs.
inline QByteArray WithoutRestartIntervals(const QByteArray& jpeg, std::vector<int> lost) {
  std::vector<qsizetype> markers;  // in coded data a 0xff byte is followed by 0 or a marker
  for (qsizetype at = jpeg.lastIndexOf("\xff\xda"); (at = jpeg.indexOf('\xff', at + 2)) >= 0;) {
    if ((uchar(jpeg[at + 1]) & 0xf8) == 0xd0) markers.push_back(at);
  }
  QByteArray out = jpeg;
  std::sort(lost.rbegin(), lost.rend());
  for (const int interval : lost) {
    EXPECT_LT(size_t(interval - 1), markers.size());
    const qsizetype from = markers[size_t(interval - 2)] + 2;
    out.remove(from, markers[size_t(interval - 1)] - from);
  }
  return out;
}

// The file with its frame header claiming another size.
inline QByteArray ClaimingFrame(QByteArray jpeg, int width, int height) {
  qsizetype sof = jpeg.indexOf("\xff\xc0");
  if (sof < 0) sof = jpeg.indexOf("\xff\xc2");
  EXPECT_GT(sof, 0);
  QByteArray size;
  AppendBig16(size, uint16_t(height));
  AppendBig16(size, uint16_t(width));
  return jpeg.replace(sof + 5, 4, size);
}

// The mean difference, 0 to 1, that ImageMagick sees between the top `rows` rows of two files.
inline double TopRowsDifference(const QString& a, const QString& b, int rows) {
  bool ok = false;
  const QString mean = RunTool(
      QStringLiteral("convert"),
      {a, b, "-compose", "difference", "-composite", "-crop",
       QStringLiteral("100000x%1+0+0").arg(rows), "+repage", "-format", "%[fx:mean]", "info:"},
      &ok);
  EXPECT_TRUE(ok);
  return ok ? mean.toDouble() : 1.0;
}

}  // namespace glimbrik::test
