#include "engine/watermark/watermark_render.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/convert/conversion_records.h"
#include "engine/convert/pipeline_draw.h"

namespace glimbrik {

QTransform YUpTransform(double canvasHeight) {
  return QTransform(1.0, 0.0, 0.0, -1.0, 0.0, canvasHeight);
}

QPointF WatermarkOriginForPosition(int tag, double ox, double oy, double ww, double wh, double W,
                                   double H) {
  const double left = ox;
  const double centre = ox + (W - ww) * 0.5;
  const double right = (W - ww) - ox;
  const double top = (H - wh) - oy;
  const double middle = oy + (H - wh) * 0.5;
  const double bottom = oy;
  switch (tag) {
    case 0:
      return {left, top};
    case 1:
      return {centre, top};
    case 2:
      return {right, top};
    case 3:
      return {left, middle};
    case 4:
      return {centre, middle};
    case 5:
      return {right, middle};
    case 6:
      return {left, bottom};
    case 7:
      return {centre, bottom};
    case 8:
      return {right, bottom};
    default:
      return {ox, oy};
  }
}

QPointF RescaleWatermarkOffset(QPointF offset, QSizeF baseSize, double W, double H) {
  // Only a real canvas size rescales: zero and Qt's invalid size both mean never set.
  const double x = baseSize.width() > 0.0 ? offset.x() * (W / baseSize.width()) : offset.x();
  const double y = baseSize.height() > 0.0 ? offset.y() * (H / baseSize.height()) : offset.y();
  return {std::isfinite(x) ? x : 0.0, std::isfinite(y) ? y : 0.0};
}

QTransform FrameTransform(QPointF origin, QSizeF size, int64_t angleDegrees) {
  QTransform t;
  t.translate(origin.x(), origin.y());
  t.translate(size.width() * 0.5, size.height() * 0.5);
  // Single-precision radians, as the stored angles were always turned.
  const float radians = static_cast<float>(angleDegrees) * 0.017453292f;
  t.rotateRadians(radians);
  t.translate(-size.width() * 0.5, -size.height() * 0.5);
  return t;
}

QImage FitWatermarkImage(const QImage& image, QSizeF* size) {
  if (image.isNull()) {
    *size = QSizeF();
    return QImage();
  }
  double w = image.width();
  double h = image.height();
  if (w > h) {
    if (w > kWatermarkReferenceSide) {
      h /= w / kWatermarkReferenceSide;
      w = kWatermarkReferenceSide;
    }
  } else if (h > kWatermarkReferenceSide) {
    w /= h / kWatermarkReferenceSide;
    h = kWatermarkReferenceSide;
  }
  *size = QSizeF(w, h);
  return image;
}

QPointF ScalePointBetweenSizes(double x, double y, double w1, double h1, double w2, double h2) {
  return {x * w1 / w2, y * h1 / h2};
}

QPointF RotatedRectTransformForPosition(int tag, double ox, double oy, double ww, double wh,
                                        double W, double H, double angle) {
  QPointF anchor;
  switch (tag) {
    case 0:
      anchor = {0, H};
      break;
    case 1:
      anchor = {W / 2, H};
      break;
    case 2:
      anchor = {W, H};
      break;
    case 3:
      anchor = {0, H / 2};
      break;
    case 4:
      anchor = {W / 2, H / 2};
      break;
    case 5:
      anchor = {W, H / 2};
      break;
    case 7:
      anchor = {W / 2, 0};
      break;
    case 8:
      anchor = {W, 0};
      break;
    default:
      anchor = {0, 0};
      break;
  }
  anchor += QPointF(ox, oy);
  const bool known = tag >= 0 && tag <= 8;
  const int column = known ? tag % 3 : 0;
  const int row = known ? tag / 3 : 2;
  const double cx = column == 0 ? ww / 2 : column == 2 ? -ww / 2 : 0.0;
  const double cy = row == 0 ? -wh / 2 : row == 2 ? wh / 2 : 0.0;
  const double a = angle * 0.01745329238474369;
  const double turnedX = anchor.x() + cx * std::cos(a) - cy * std::sin(a);
  const double turnedY = anchor.y() + cx * std::sin(a) + cy * std::cos(a);
  return {turnedX - ww / 2, turnedY - wh / 2};
}

QRectF DrawImageWatermark(QPainter* painter, ImageWatermarkOptions* options, double width,
                          double height) {
  const double s = std::max(width, height) / kWatermarkReferenceSide;
  if (!(s > 0.0)) return QRectF();
  const double W = width / s;
  const double H = height / s;
  options->offset = RescaleWatermarkOffset(options->offset, options->baseImageSize, W, H);
  QSizeF fitted;
  const QImage image = FitWatermarkImage(options->image, &fitted);
  const QSizeF size = fitted * options->sizeFraction;
  const QPointF origin =
      WatermarkOriginForPosition(options->position, options->offset.x(), options->offset.y(),
                                 size.width(), size.height(), W, H);
  const QRectF frame(origin, size);
  if (image.isNull() || size.isEmpty()) return frame;

  painter->save();
  painter->setTransform(
      FrameTransform(origin, size, options->rotationAngle) * QTransform::fromScale(s, s), true);
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setOpacity(painter->opacity() * std::clamp(options->opacity, 0.0, 1.0));
  DrawImageInRect(painter, image, QRectF(QPointF(0, 0), size));
  painter->restore();
  return frame;
}

}  // namespace glimbrik
