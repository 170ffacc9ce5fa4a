#include "app/effect_thumbnails.h"

#include <algorithm>
#include <cmath>

#include "engine/effects.h"
#include "engine/image_resample.h"
#include "engine/image_types.h"

namespace glimbrik {

QImage EffectThumbnailCrop(const QImage& image) {
  const QImage bitmap = BitmapRepForImage(image);
  if (bitmap.isNull() || bitmap.width() < 1 || bitmap.height() < 1) return QImage();
  const double scale = double(kEffectThumbnailSize) / std::min(bitmap.width(), bitmap.height());
  const QSize scaled(std::max(1, int(std::lround(bitmap.width() * scale))),
                     std::max(1, int(std::lround(bitmap.height() * scale))));
  const QImage resampled = ResampleImage(bitmap, scaled);
  if (resampled.isNull()) return QImage();
  const int width = std::min(scaled.width(), kEffectThumbnailSize);
  const int height = std::min(scaled.height(), kEffectThumbnailSize);
  const int x = std::max(0, (scaled.width() - kEffectThumbnailSize) / 2);
  const int y = std::max(0, (scaled.height() - kEffectThumbnailSize) / 2);
  return resampled.copy(x, y, width, height);
}

std::array<QImage, kEffectCount> MakeEffectImages(const QImage& source) {
  std::array<QImage, kEffectCount> images;
  const QImage crop = EffectThumbnailCrop(source);
  for (int tag = 0; tag < kEffectCount; ++tag) {
    images[tag] = crop.isNull() ? source : ApplyPhotoEffectToImage(crop, tag);
  }
  return images;
}

}  // namespace glimbrik
