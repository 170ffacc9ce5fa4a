#pragma once

#include <QImage>
#include <QString>
#include <array>

namespace glimbrik {

inline constexpr int kEffectThumbnailSize = 78;
inline constexpr int kEffectCount = 9;  // tag 0 (none) and the eight photo effects

// The centre 78 x 78 of an image scaled so that its shorter side is 78; null for a null image.
QImage EffectThumbnailCrop(const QImage& image);

// The images of the effect cells, by tag: each effect drawn over the crop of source, or the
// source itself when no crop could be made.
std::array<QImage, kEffectCount> MakeEffectImages(const QImage& source);

// A file's image for the effect cells, oriented, decoded no larger than the cells need; null
// when the file cannot be decoded here.
QImage EffectSourceImageForFile(const QString& path);

}  // namespace glimbrik
