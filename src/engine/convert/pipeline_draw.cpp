#include "engine/convert/pipeline_draw.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/filters/image_resample.h"

namespace glimbrik {

void DrawImageInRect(QPainter* painter, const QImage& image, const QRectF& rect) {
  if (image.isNull() || rect.isEmpty()) return;
  const QTransform& t = painter->worldTransform();
  // Lengths of the rectangle's sides on the device, whatever the turn.
  const double deviceWidth = rect.width() * std::hypot(t.m11(), t.m12());
  const double deviceHeight = rect.height() * std::hypot(t.m21(), t.m22());
  const QSize target(std::max(1, int(std::lround(deviceWidth))),
                     std::max(1, int(std::lround(deviceHeight))));
  QImage source = image;
  if (target != image.size()) {
    source = ResampleImage(image, target);
  }
  painter->save();
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  // Image rows run downwards; the rectangle is y-up.
  painter->translate(rect.left(), rect.top() + rect.height());
  painter->scale(1.0, -1.0);
  painter->drawImage(QRectF(0.0, 0.0, rect.width(), rect.height()), source);
  painter->restore();
}

}  // namespace glimbrik
