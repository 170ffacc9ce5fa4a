#pragma once

#include <QImage>
#include <array>

namespace glimbrik {

inline constexpr int kEffectThumbnailSize = 78;
inline constexpr int kEffectCount = 9;  // tag 0 (none) and the eight photo effects

// The centre 78 x 78 of an image scaled so that its shorter side is 78; null for a null image.
QImage EffectThumbnailCrop(const QImage& image);

// The images of the effect cells, by tag: each effect drawn over the crop of source, or the
// source itself when no crop could be made.
std::array<QImage, kEffectCount> MakeEffectImages(const QImage& source);

}  // namespace glimbrik
