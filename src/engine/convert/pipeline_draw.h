#pragma once

#include <QImage>
#include <QRectF>

class QPainter;

namespace glimbrik {

// Draws image into rect of the painter's y-up coordinates, upright. When the device size of
// rect is less than the image's, the image is first resampled once with an area filter to that
// size, so that the painter's bilinear filter never shrinks it (no aliasing).
void DrawImageInRect(QPainter* painter, const QImage& image, const QRectF& rect);

}  // namespace glimbrik
