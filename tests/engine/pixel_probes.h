#pragma once

#include <QImage>
#include <QRect>

#include "engine/watermark/watermark_options.h"

namespace glimbrik::test {

// One colour all over.
inline QImage Flat(int width, int height, const QColor& colour,
                   QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(colour);
  return image;
}

// Columns ramp through the levels low..high in blue, up from low over the lower half in red and
// down from high over the upper half in green, so that no channel's histogram serves another;
// alpha alternates by row when asked.
inline QImage Ramp(int low, int high, QImage::Format format, bool translucentRows) {
  QImage image(high - low + 1, 40, QImage::Format_ARGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(
          x, y, qRgba(low + x / 2, high - x / 2, low + x, translucentRows && y % 2 ? 200 : 255));
  }
  return image.convertToFormat(format);
}

// How many pixels the predicate holds for.
template <typename Predicate>
int CountPixels(const QImage& image, Predicate holds) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += holds(QColor(image.pixel(x, y))) ? 1 : 0;
  }
  return n;
}

// Bounding box of the pixels that are not opaque white.
inline QRect InkBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixel(x, y) != qRgb(255, 255, 255)) box |= QRect(x, y, 1, 1);
    }
  }
  return box;
}

// Opaque text in one colour, filled and outlined alike.
inline TextWatermarkOptions SolidText(const QString& text, int64_t fontSize, int32_t position,
                                      const QColor& colour) {
  TextWatermarkOptions record;
  record.tokens = {text};
  record.font = QFont(QStringLiteral("DejaVu Sans"));
  record.fontSize = fontSize;
  record.position = position;
  record.opacity = 1.0;
  record.textColor = colour;
  record.strokeColor = colour;
  return record;
}

}  // namespace glimbrik::test
