#pragma once

#include <QImage>
#include <array>

namespace glimbrik {

inline constexpr int kEffectThumbnailSize = 78;
inline constexpr int kEffectCount = 9;  // tag 0 (none) and the eight photo effects

// image (rows top down) turned and mirrored as the main view shows it: the same orientation
// transform as the view and the engine, so the cells never disagree with the run's output.
QImage TurnedImage(const QImage& image, int flip, long long angle);

// The centre 78 x 78 of an image scaled so that its shorter side is 78; null for a null image.
QImage EffectThumbnailCrop(const QImage& image);

// The images of the effect cells, by tag: each effect drawn over the crop of source, or the
// source itself when no crop could be made.
std::array<QImage, kEffectCount> MakeEffectImages(const QImage& source);

}  // namespace glimbrik
