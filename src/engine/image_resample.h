#pragma once

#include <QImage>
#include <QSize>

namespace glimbrik {

// The image at exactly the given size, resampled once without aliasing: box-filter halvings
// (an area average) down to within twice the size, then a smooth bilinear step. Formats:
// premultiplied 8- or 16-bit colour and 8- or 16-bit grey are kept; others become 8-bit ARGB.
QImage ResampleImage(const QImage& image, QSize size);

}  // namespace glimbrik
