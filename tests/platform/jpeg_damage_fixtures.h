#pragma once

// Camera-like JPEGs made in the test, and the damage found in real files: data that stops early,
// lost restart intervals, frames that claim more than the file holds or have no scan.

#include <QtEndian>
#include <algorithm>
#include <random>

#include "platform/codecs/image_destination.h"
#include "platform/image_fixtures.h"

namespace glimbrik::test {

// A baseline 4:2:0 JPEG of smooth light over fine noise, so that like a photo every row costs
// about as many bytes as the next; rewritten by jpegtran with the given options (as "-restart 1"
// or "-progressive") when there are any.
inline QByteArray PhotoJpeg(QSize size, const QStringList& jpegtranOptions = {}) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  std::mt19937 random(20261207);
  for (int y = 0; y < size.height(); ++y) {
    for (int x = 0; x < size.width(); ++x) {
      const int grain = int(random() % 41) - 20;
      const auto level = [&](int base) { return std::clamp(base + grain, 0, 255); };
      image.setPixel(x, y,
                     qRgb(level(60 + 150 * x / size.width()), level(200 - 120 * y / size.height()),
                          level(90 + (x + y) % 64)));
    }
  }
  DestinationProperties properties;
  properties.lossyQuality = 0.9;
  const ImageResult<QByteArray> encoded =
      EncodeImage(image, QStringLiteral("public.jpeg"), properties);
  EXPECT_TRUE(encoded.ok());
  if (jpegtranOptions.isEmpty()) return encoded.value;
  const QString in = MakeTempFolder(QStringLiteral("jpegtran")) + QStringLiteral("/in.jpg");
  EXPECT_TRUE(WriteBytes(in, encoded.value));
  RunTool(QStringLiteral("jpegtran"), QStringList(jpegtranOptions) << "-outfile" << in + 'x' << in);
  return ReadBytes(in + 'x');
}

// The file with the last `fraction` of its coded data gone and its end-of-image marker kept, as
// cameras leave it when they stop writing early.
inline QByteArray DataEndsEarly(const QByteArray& jpeg, double fraction) {
  const qsizetype data = jpeg.lastIndexOf("\xff\xda"), end = jpeg.size() - 2;
  return jpeg.left(end - qsizetype(double(end - data) * fraction)) + "\xff\xd9";
}

// The file without the coded data of the given restart intervals (rising, counted from 2, the one
// after the first restart marker), the markers kept: a damaged card loses such runs.
inline QByteArray WithoutRestartIntervals(QByteArray jpeg, const std::vector<int>& lost) {
  std::vector<qsizetype> markers;  // in coded data a 0xff byte is followed by 0 or a marker
  for (qsizetype at = jpeg.lastIndexOf("\xff\xda"); (at = jpeg.indexOf('\xff', at + 2)) >= 0;) {
    if ((uchar(jpeg[at + 1]) & 0xf8) == 0xd0) markers.push_back(at);
  }
  for (auto i = lost.rbegin(); i != lost.rend(); ++i) {  // from the last, so offsets hold
    const qsizetype from = markers.at(size_t(*i - 2)) + 2;
    jpeg.remove(from, markers.at(size_t(*i - 1)) - from);
  }
  return jpeg;
}

// The file with its frame header claiming another size.
inline QByteArray ClaimingFrame(QByteArray jpeg, int width, int height) {
  const qsizetype sof = std::max(jpeg.indexOf("\xff\xc0"), jpeg.indexOf("\xff\xc2"));
  const quint16 size[] = {qToBigEndian(quint16(height)), qToBigEndian(quint16(width))};
  return jpeg.replace(sof + 5, 4, reinterpret_cast<const char*>(size), 4);
}

// The file up to its first scan, with that scan's header when `scanHeader`, then its end.
inline QByteArray WithoutScanData(const QByteArray& jpeg, bool scanHeader) {
  const qsizetype sos = jpeg.indexOf("\xff\xda");
  const int header = scanHeader ? 2 + ((uchar(jpeg[sos + 2]) << 8) | uchar(jpeg[sos + 3])) : 0;
  return jpeg.left(sos + header) + "\xff\xd9";
}

// The largest mean difference of a channel, 0 to 1, between the top `rows` rows of two pictures.
inline double TopDifference(const QImage& a, const QImage& b, int rows) {
  const QImage p = a.convertToFormat(QImage::Format_RGB32), q = b.convertToFormat(p.format());
  double total[4] = {};
  for (int y = 0; y < rows; ++y) {
    for (int i = 0; i < p.width() * 4; ++i)
      total[i % 4] += std::abs(p.scanLine(y)[i] - q.scanLine(y)[i]);
  }
  return *std::max_element(total, total + 4) / (255.0 * rows * p.width());
}

}  // namespace glimbrik::test
