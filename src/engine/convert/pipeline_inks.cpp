#include "engine/convert/pipeline_inks.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/pixels/cmyk_inks.h"

namespace glimbrik {

namespace {

std::array<uchar, 4> InksOfColour(const std::optional<QColor>& colour, const ColorSpace& space) {
  if (!colour) return {0, 0, 0, 0};
  QImage pixel(1, 1, QImage::Format_ARGB32);
  pixel.fill(*colour);
  const QByteArray ink = space.rgbToCmyk(pixel);
  if (ink.size() != 4) return {0, 0, 0, 0};
  // A translucent colour over the canvas's white (no ink) gives that much of its inks.
  const int a = colour->alpha();
  const auto part = [a](char c) { return uchar((uchar(c) * a + 127) / 255); };
  return {part(ink[0]), part(ink[1]), part(ink[2]), part(ink[3])};
}

}  // namespace

CmykInks DrawInks(CmykInks source, QSize bitmap, const QTransform& transform,
                  const QRectF& drawRect, const std::optional<QColor>& background,
                  const ColorSpace& space) {
  if (bitmap.isEmpty() || source.size.isEmpty() || drawRect.isEmpty()) return {};
  // The drawn size on the bitmap, whatever the turn, as DrawImageInRect resamples pixels to.
  const double deviceWidth = drawRect.width() * std::hypot(transform.m11(), transform.m12());
  const double deviceHeight = drawRect.height() * std::hypot(transform.m21(), transform.m22());
  const QSize drawn(std::max(1, int(std::lround(deviceWidth))),
                    std::max(1, int(std::lround(deviceHeight))));
  // Ink pixel (u, v), rows running downwards, to canvas coordinates (y up), then to the bitmap.
  const QTransform local(drawRect.width() / drawn.width(), 0, 0,
                         -drawRect.height() / drawn.height(), drawRect.left(),
                         drawRect.top() + drawRect.height());
  const QTransform toBitmap = local * transform;
  bool invertible = false;
  const QTransform toInks = toBitmap.inverted(&invertible);
  if (!invertible) return {};
  source.alpha.clear();  // the canvas has no alpha: a mask brings the image's back

  // Re-encoding without moving anything: the inks are the canvas as they are.
  if (toBitmap.isIdentity() && drawn == source.size && bitmap == source.size) return source;

  const CmykInks inks = ResampledInks(source, drawn);
  source = CmykInks();  // one full-size ink buffer at a time besides the canvas
  if (inks.size != drawn) return {};
  CmykInks canvas;
  canvas.size = bitmap;
  canvas.samples = QByteArray(qsizetype(bitmap.width()) * bitmap.height() * 4, Qt::Uninitialized);
  if (canvas.samples.isEmpty()) return {};
  const std::array<uchar, 4> fill = InksOfColour(background, space);
  auto* out = reinterpret_cast<uchar*>(canvas.samples.data());
  for (qsizetype i = 0, n = qsizetype(bitmap.width()) * bitmap.height(); i < n; ++i) {
    std::memcpy(out + i * 4, fill.data(), 4);
  }

  // Each bitmap pixel whose centre falls on the drawn inks takes the ink pixel under it; a
  // placement on whole pixels (every layout processRepresentations makes) copies them exactly.
  const QRect covered = toBitmap.mapRect(QRectF(QPointF(0, 0), QSizeF(drawn))).toAlignedRect() &
                        QRect(QPoint(0, 0), bitmap);
  const auto* in = reinterpret_cast<const uchar*>(inks.samples.constData());
  const double stepU = toInks.m11(), stepV = toInks.m12();
  for (int y = covered.top(); y <= covered.bottom(); ++y) {
    const QPointF first = toInks.map(QPointF(covered.left() + 0.5, y + 0.5));
    uchar* row = out + (qsizetype(y) * bitmap.width() + covered.left()) * 4;
    for (int i = 0; i < covered.width(); ++i, row += 4) {
      const int u = int(std::floor(first.x() + stepU * i));
      const int v = int(std::floor(first.y() + stepV * i));
      if (u < 0 || v < 0 || u >= drawn.width() || v >= drawn.height()) continue;
      std::memcpy(row, in + (qsizetype(v) * drawn.width() + u) * 4, 4);
    }
  }
  return canvas;
}

void CompositeOverInks(CmykInks* canvas, const QImage& layer, const ColorSpace& space) {
  if (!canvas || layer.size() != canvas->size || layer.isNull()) return;
  const QImage straight = layer.convertToFormat(QImage::Format_ARGB32);
  const int w = straight.width();
  // Only the rows the layer covers are separated.
  int top = -1, bottom = -1;
  for (int y = 0; y < straight.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      if (qAlpha(line[x]) != 0) {
        if (top < 0) top = y;
        bottom = y;
        break;
      }
    }
  }
  if (top < 0) return;
  const QImage band = straight.copy(0, top, w, bottom - top + 1);
  const QByteArray separated = space.rgbToCmyk(band);
  if (separated.size() != qsizetype(w) * band.height() * 4) return;
  auto* inks = reinterpret_cast<uchar*>(canvas->samples.data());
  const auto* over = reinterpret_cast<const uchar*>(separated.constData());
  for (int y = top; y <= bottom; ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(straight.constScanLine(y));
    uchar* ink = inks + qsizetype(y) * w * 4;
    const uchar* wm = over + qsizetype(y - top) * w * 4;
    for (int x = 0; x < w; ++x) {
      const int a = qAlpha(line[x]);
      if (a == 0) continue;
      for (int c = 0; c < 4; ++c) {
        const int i = x * 4 + c;
        ink[i] = uchar((ink[i] * (255 - a) + wm[i] * a + 127) / 255);
      }
    }
  }
}

QImage InksAsRgb(const CmykInks& inks, const ColorSpace& space) {
  if (inks.size.isEmpty()) return QImage();
  const QImage rgb =
      space.cmykToRgb(reinterpret_cast<const uchar*>(inks.samples.constData()), inks.size.width(),
                      inks.size.height(), qsizetype(inks.size.width()) * 4);
  return rgb.convertToFormat(QImage::Format_RGB32);
}

CmykInks InksOfRgb(const QImage& image, const ColorSpace& space) {
  CmykInks inks;
  inks.samples = space.rgbToCmyk(image);
  if (inks.samples.size() == qsizetype(image.width()) * image.height() * 4)
    inks.size = image.size();
  return inks;
}

}  // namespace glimbrik
