#pragma once

#include <QImage>
#include <QSize>

namespace glimbrik {

// The image at exactly the given size, resampled once with a separable Lanczos-3 filter that is
// widened when shrinking, so that nothing above the new Nyquist frequency aliases. Formats:
// premultiplied 8- or 16-bit colour and 8- or 16-bit grey are kept; others become premultiplied.
QImage ResampleImage(const QImage& image, QSize size);

}  // namespace glimbrik
