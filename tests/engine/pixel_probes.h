#pragma once

#include <QImage>
#include <QRect>

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

}  // namespace glimbrik::test
