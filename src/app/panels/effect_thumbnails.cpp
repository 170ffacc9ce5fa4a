#include "app/panels/effect_thumbnails.h"

#include <QTransform>
#include <algorithm>
#include <cmath>

#include "engine/convert/image_types.h"
#include "engine/filters/effects.h"
#include "engine/filters/image_resample.h"

namespace glimbrik {

QImage TurnedImage(const QImage& image, int flip, long long angle) {
  if ((flip & 3) == 0 && angle % 360 == 0) return image;
  if (image.isNull()) return image;
  const double h = image.height();
  // Rows -> y-up pixels -> turned and mirrored (y-up) -> rows again; transformed() moves the
  // result back to the origin.
  QTransform t(1, 0, 0, -1, 0, h);
  t *= OrientationTransform(image.width(), h, flip & 3, angle);
  t *= QTransform(1, 0, 0, -1, 0, 0);
  return image.transformed(t);
}

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
