#pragma once

// EXIF orientations 1-8: how a picture stored one way is shown upright.

#include <QImage>
#include <QSize>

namespace glimbrik {

constexpr bool IsQuarterTurnOrientation(int orientation) {
  return orientation >= 5 && orientation <= 8;
}

// The size a stored size shows at under the orientation.
inline QSize UprightSize(QSize stored, int orientation) {
  return IsQuarterTurnOrientation(orientation) ? stored.transposed() : stored;
}

// The stored pixels turned and mirrored so that they stand as the orientation says, in the
// image's own format, with its colour space and its resolution (exchanged on a quarter turn).
// Orientations outside 2-8 return the image unchanged.
QImage UprightImage(const QImage& stored, int orientation);

}  // namespace glimbrik
