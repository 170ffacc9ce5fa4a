#pragma once

#include <QImage>

namespace glimbrik {

// The pipeline's sharpening strength.
constexpr double kSharpenLuminanceStrength = 0.25;

// Unsharp mask on luminance only, so that edges gain contrast without colour fringes. The
// result keeps the image's format; alpha is untouched.
QImage SharpenLuminance(const QImage& image, double sharpness);

}  // namespace glimbrik
