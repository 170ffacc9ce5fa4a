#include "platform/pixels/cmyk_inks.h"

#include <QImage>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/metadata/image_orientation.h"
#include "platform/pixels/row_resampler.h"

namespace glimbrik {

namespace {

// A plane of `channels` bytes a pixel as an image of as many bytes a pixel, sharing the bytes.
QImage PlaneView(const QByteArray& bytes, QSize size, int channels) {
  return QImage(reinterpret_cast<const uchar*>(bytes.constData()), size.width(), size.height(),
                qsizetype(size.width()) * channels,
                channels == 4 ? QImage::Format_RGBA8888 : QImage::Format_Grayscale8);
}

// The image's rows packed tightly, `channels` bytes a pixel.
QByteArray PackedBytes(const QImage& image, int channels) {
  const qsizetype row = qsizetype(image.width()) * channels;
  QByteArray bytes(row * image.height(), Qt::Uninitialized);
  for (int y = 0; y < image.height(); ++y) {
    std::memcpy(bytes.data() + row * y, image.constScanLine(y), size_t(row));
  }
  return bytes;
}

}  // namespace

CmykInks OrientedInks(const CmykInks& inks, int orientation) {
  if (orientation < 2 || orientation > 8 || inks.size.isEmpty()) return inks;
  // UprightImage copies whole pixels in the stored format, so four bytes of ink travel as one.
  const QImage turned = UprightImage(PlaneView(inks.samples, inks.size, 4), orientation);
  if (turned.isNull()) return {};
  CmykInks out;
  out.size = turned.size();
  out.samples = PackedBytes(turned, 4);
  if (!inks.alpha.isEmpty()) {
    const QImage alpha = UprightImage(PlaneView(inks.alpha, inks.size, 1), orientation);
    if (alpha.isNull()) return {};
    out.alpha = PackedBytes(alpha, 1);
  }
  return out;
}

CmykInks ResampledInks(const CmykInks& inks, QSize size) {
  if (size.isEmpty() || inks.size.isEmpty()) return {};
  if (size == inks.size) return inks;
  const int w = inks.size.width(), h = inks.size.height();
  const bool alpha = !inks.alpha.isEmpty();
  // Each ink is a grey plane of its own: no channel is taken for alpha, none is clamped to another.
  const int planes = alpha ? 5 : 4;
  std::vector<std::unique_ptr<RowResampler>> resamplers;
  for (int p = 0; p < planes; ++p) {
    resamplers.push_back(
        std::make_unique<RowResampler>(inks.size, size, QImage::Format_Grayscale8));
    if (!resamplers.back()->isValid()) return {};
  }
  // A band of rows at a time, split into planes, keeps the copies small.
  constexpr int kBand = 16;
  std::vector<uchar> band(size_t(w) * kBand * 4);
  const auto* in = reinterpret_cast<const uchar*>(inks.samples.constData());
  for (int y0 = 0; y0 < h; y0 += kBand) {
    const int rows = std::min(kBand, h - y0);
    for (int p = 0; p < 4; ++p) {
      uchar* plane = band.data();
      const uchar* s = in + qsizetype(y0) * w * 4 + p;
      for (qsizetype i = 0, n = qsizetype(w) * rows; i < n; ++i) plane[i] = s[i * 4];
      resamplers[size_t(p)]->pushRows(plane, w, rows);
    }
    if (alpha) {
      resamplers[4]->pushRows(
          reinterpret_cast<const uchar*>(inks.alpha.constData()) + qsizetype(y0) * w, w, rows);
    }
  }
  std::array<QImage, 5> out;
  for (int p = 0; p < planes; ++p) {
    out[size_t(p)] = resamplers[size_t(p)]->take();
    if (out[size_t(p)].size() != size) return {};
  }
  CmykInks result;
  result.size = size;
  result.samples = QByteArray(qsizetype(size.width()) * size.height() * 4, Qt::Uninitialized);
  auto* o = reinterpret_cast<uchar*>(result.samples.data());
  for (int y = 0; y < size.height(); ++y) {
    const uchar* c = out[0].constScanLine(y);
    const uchar* m = out[1].constScanLine(y);
    const uchar* ye = out[2].constScanLine(y);
    const uchar* k = out[3].constScanLine(y);
    for (int x = 0; x < size.width(); ++x, o += 4) {
      o[0] = c[x];
      o[1] = m[x];
      o[2] = ye[x];
      o[3] = k[x];
    }
  }
  if (alpha) result.alpha = PackedBytes(out[4], 1);
  return result;
}

}  // namespace glimbrik
