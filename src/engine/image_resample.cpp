#include "engine/image_resample.h"

#include <QColorSpace>
#include <cstdint>

#include "platform/pixel_formats.h"

namespace glimbrik {

namespace {

// 2 x 2 box average; an odd last row or column is averaged with itself.
template <typename T, int Channels>
QImage Halve(const QImage& in, bool halveX, bool halveY) {
  const int w = halveX ? (in.width() + 1) / 2 : in.width();
  const int h = halveY ? (in.height() + 1) / 2 : in.height();
  QImage out(w, h, in.format());
  if (out.isNull()) return out;
  out.setColorSpace(in.colorSpace());
  for (int y = 0; y < h; ++y) {
    const int y0 = halveY ? 2 * y : y;
    const int y1 = halveY ? std::min(y0 + 1, in.height() - 1) : y0;
    const T* r0 = reinterpret_cast<const T*>(in.constScanLine(y0));
    const T* r1 = reinterpret_cast<const T*>(in.constScanLine(y1));
    T* o = reinterpret_cast<T*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      const int x0 = halveX ? 2 * x : x;
      const int x1 = halveX ? std::min(x0 + 1, in.width() - 1) : x0;
      for (int c = 0; c < Channels; ++c) {
        const uint32_t sum = uint32_t(r0[x0 * Channels + c]) + r0[x1 * Channels + c] +
                             r1[x0 * Channels + c] + r1[x1 * Channels + c];
        o[x * Channels + c] = T((sum + 2) / 4);
      }
    }
  }
  return out;
}

QImage HalveAny(const QImage& in, bool halveX, bool halveY) {
  switch (in.format()) {
    case QImage::Format_Grayscale8:
      return Halve<uint8_t, 1>(in, halveX, halveY);
    case QImage::Format_Grayscale16:
      return Halve<uint16_t, 1>(in, halveX, halveY);
    case QImage::Format_RGBA64_Premultiplied:
      return Halve<uint16_t, 4>(in, halveX, halveY);
    default:
      return Halve<uint8_t, 4>(in, halveX, halveY);
  }
}

}  // namespace

QImage ResampleImage(const QImage& image, QSize size) {
  if (image.isNull() || size.isEmpty()) return QImage();
  QImage work = image;
  switch (work.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA64_Premultiplied:
      break;
    default:
      work = ConvertedImage(work, work.depth() > 32 ? QImage::Format_RGBA64_Premultiplied
                                                    : QImage::Format_ARGB32_Premultiplied);
  }
  while (work.width() >= 2 * size.width() || work.height() >= 2 * size.height()) {
    const bool halveX = work.width() >= 2 * size.width();
    const bool halveY = work.height() >= 2 * size.height();
    QImage next = HalveAny(work, halveX, halveY);
    if (next.isNull()) return next;
    work = std::move(next);
  }
  if (work.size() == size) return work;
  return work.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

}  // namespace glimbrik
