#pragma once

#include <QImage>
#include <optional>

namespace glimbrik {

// Automatic levels: stretches the colour levels between the darkest and brightest populated
// ones to the full range, clipping at most 3/25600 of the pixels per level. colorComponents is
// that of the canvas's colour space: 3 uses the four-channel form, 1 the one-channel form, any
// other count (CMYK) is never levelled. Returns none when nothing changes or the image is not
// 8-bit or floating point; alpha is never touched.
std::optional<QImage> MatchHistogram(const QImage& image, int colorComponents);
std::optional<QImage> MatchHistogramARGB(const QImage& image);
std::optional<QImage> MatchHistogramPlanar(const QImage& image);

// The lowest and highest levels at which any colour channel has a pixel (8-bit colour images).
bool ComputeHistogramARGB(const QImage& image, int* low, int* high);

// Histogram equalisation of an 8-bit or floating-point grey or colour image; none when the
// image is not supported.
std::optional<QImage> EqualizeImage(const QImage& image);

}  // namespace glimbrik
