#pragma once

#include <QImage>

namespace glimbrik {

// Photo effects by number: 1 Mono, 2 Tonal, 3 Noir, 4 Fade, 5 Chrome, 6 Process, 7 Transfer,
// 8 Instant. Any other number returns the image itself. Mono, Tonal and Noir give R = G = B.
// The result keeps the image's format; alpha is untouched.
QImage ApplyPhotoEffect(const QImage& image, int number);

// The same for the effect thumbnails; a null image stays null.
QImage ApplyPhotoEffectToImage(const QImage& image, int number);

}  // namespace glimbrik
