#include "platform/metadata/image_orientation.h"

#include <QColorSpace>
#include <cstring>

namespace glimbrik {

QImage UprightImage(const QImage& stored, int orientation) {
  if (stored.isNull() || orientation < 2 || orientation > 8) return stored;
  // Copied pixel by pixel in the stored format: QImage's own transforms convert some 16-bit
  // formats on the way, and those conversions are not exact here.
  QImage source = stored;
  if (source.depth() < 8) source = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const int sw = source.width();
  const int sh = source.height();
  const QSize size = UprightSize(source.size(), orientation);
  QImage out(size, source.format());
  if (out.isNull()) return QImage();
  if (source.format() == QImage::Format_Indexed8) out.setColorTable(source.colorTable());
  const int bytes = source.depth() / 8;
  // Orientations 5-8 swap the axes; then each source axis may run backwards.
  const bool transposed = orientation >= 5;
  const bool mirrorX = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
  const bool mirrorY = orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
  for (int y = 0; y < size.height(); ++y) {
    uchar* line = out.scanLine(y);
    for (int x = 0; x < size.width(); ++x) {
      int sx = transposed ? y : x;
      int sy = transposed ? x : y;
      if (mirrorX) sx = sw - 1 - sx;
      if (mirrorY) sy = sh - 1 - sy;
      std::memcpy(line + size_t(x) * bytes, source.constScanLine(sy) + size_t(sx) * bytes,
                  size_t(bytes));
    }
  }
  const bool turned = IsQuarterTurnOrientation(orientation);
  out.setDotsPerMeterX(turned ? source.dotsPerMeterY() : source.dotsPerMeterX());
  out.setDotsPerMeterY(turned ? source.dotsPerMeterX() : source.dotsPerMeterY());
  out.setColorSpace(source.colorSpace());
  return out;
}

}  // namespace glimbrik
