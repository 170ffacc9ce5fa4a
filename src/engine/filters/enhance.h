#pragma once

#include <QImage>

namespace glimbrik {

// Automatic enhancement chosen from the image's own histogram: a tone curve (black and white
// points, mid-tone balance), a shadow lift for dark images and vibrance for dull colours. An
// image that needs none of them comes back unchanged. Keeps the format; alpha is untouched.
QImage AutoEnhance(const QImage& image);

// The adjustments AutoEnhance chose; exposed so that tests can check the choice itself.
struct EnhanceChoice {
  double blackPoint = 0.0;  // 0-1 levels mapped to 0 and 1
  double whitePoint = 1.0;
  double gamma = 1.0;
  double shadowLift = 0.0;  // 0 none
  double vibrance = 0.0;    // 0 none
};
EnhanceChoice ChooseEnhancement(const QImage& image);

}  // namespace glimbrik
