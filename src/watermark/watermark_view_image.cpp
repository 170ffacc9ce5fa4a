// The image watermark's settings as the panel's controls change them.
#include <QFile>
#include <algorithm>

#include "platform/codecs/image_source.h"
#include "platform/store/localization.h"
#include "watermark/watermark_keys.h"
#include "watermark/watermark_view.h"

namespace glimbrik {

namespace {

// A base side that is not above 0 counts as the whole reference side.
double BaseSide(double side) { return side > 0 ? side : kWatermarkBaseSide; }

}  // namespace

void WatermarkView::ImageWatermarkOnOffAction(bool on) {
  model_.setImageWatermarkFlag(on);
  update();
}

void WatermarkView::setWatermarkImage(const QImage& image) {
  model_.setImage(image);
  update();
}

QString WatermarkView::SetWatermarkImageFromFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return file.errorString();
  const std::shared_ptr<ImageSource> source = ImageSource::FromData(file.readAll());
  if (!source || !source->isValid()) return LocalizedString("WatermarkImageUnreadable");
  const ImageResult<QImage> image = source->decode(0);
  if (!image.ok() || image.value.isNull()) return LocalizedString("WatermarkImageUnreadable");
  setWatermarkImage(image.value);
  return QString();
}

void WatermarkView::setWatermarkImageOpacityValue(double opacity) {
  model_.setWatermarkImageOpacity(opacity);
  update();
}

void WatermarkView::setWatermarkImageSizeValue(double fraction) {
  model_.setWatermarkImageSizePrecentage(fraction);
  update();
}

void WatermarkView::setImageAngleValue(int64_t angle) {
  model_.setImageRotationAngle(angle);
  update();
}

void WatermarkView::setImagePositionValue(int tag) {
  model_.setImagePosition(tag);
  model_.setImageWatermarkOffset(QPointF(0, 0));
  update();
}

void WatermarkView::setImageWatermarkXOffset(double percent) {
  QPointF offset = model_.imageWatermarkOffset();
  offset.setX(BaseSide(model_.baseImageSizeForImageWatermark().width()) * percent / 100.0);
  model_.setImageWatermarkOffset(offset);
  update();
}

void WatermarkView::setImageWatermarkYOffset(double percent) {
  QPointF offset = model_.imageWatermarkOffset();
  offset.setY(BaseSide(model_.baseImageSizeForImageWatermark().height()) * percent / 100.0);
  model_.setImageWatermarkOffset(offset);
  update();
}

QPointF WatermarkView::imageWatermarkOffsetPercent() const {
  const ImageWatermarkValues v = model_.imageValues();
  return {v.imageWatermarkOffset.x() * 100.0 / BaseSide(v.baseImageSizeForImageWatermark.width()),
          v.imageWatermarkOffset.y() * 100.0 / BaseSide(v.baseImageSizeForImageWatermark.height())};
}

}  // namespace glimbrik
