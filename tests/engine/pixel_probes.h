#pragma once

#include <QImage>
#include <QRect>

#include "engine/watermark_options.h"

namespace glimbrik::test {

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
