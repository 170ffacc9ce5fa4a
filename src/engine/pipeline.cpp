#include <QPainter>
#include <cmath>

#include "engine/image_converter.h"
#include "engine/image_resample.h"
#include "engine/image_types.h"

namespace glimbrik {

// Places the image on its canvas (y-up origin), turns and mirrors the canvas into the output
// bitmap, converts into the chosen profile and saves.
bool ImageConverter::processImage(const QImage& image, int canvasWidth, int canvasHeight,
                                  bool /*sharpen*/, const std::optional<QColor>& background,
                                  QPointF origin, QSizeF drawSize) {
  if (image.isNull() || canvasWidth <= 0 || canvasHeight <= 0) return false;
  resolveOutputType();
  const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
  const QImage::Format format =
      deep ? QImage::Format_RGBA64_Premultiplied : QImage::Format_ARGB32_Premultiplied;

  QImage canvas(canvasWidth, canvasHeight, format);
  if (canvas.isNull()) return false;
  canvas.fill(Qt::transparent);
  {
    QPainter painter(&canvas);
    if (const std::optional<QColor> fill = CGColorFromNSColor(background)) {
      painter.fillRect(canvas.rect(), *fill);
    }
    const QSize size(int(std::lround(drawSize.width())), int(std::lround(drawSize.height())));
    const QImage placed = ResampleImage(image, size);
    if (placed.isNull()) return false;
    // y-up to y-down: the rectangle's top edge lies canvasHeight - (y + height) from the top.
    const QPointF topLeft(origin.x(), canvasHeight - origin.y() - drawSize.height());
    painter.drawImage(topLeft, placed);
  }

  const bool quarter = (rotationAngle / 90) % 2 != 0;
  const int bitmapWidth = quarter ? canvasHeight : canvasWidth;
  const int bitmapHeight = quarter ? canvasWidth : canvasHeight;
  if (quarter) std::swap(dpiX, dpiY);
  QImage bitmap = canvas;
  const QTransform turn = OrientationTransform(canvasWidth, canvasHeight, flip, rotationAngle);
  if (!turn.isIdentity()) {
    // The transform is y-up; conjugate it with the two vertical flips of canvas and bitmap.
    const QTransform down =
        QTransform(1, 0, 0, -1, 0, canvasHeight) * turn * QTransform(1, 0, 0, -1, 0, bitmapHeight);
    bitmap = QImage(bitmapWidth, bitmapHeight, format);
    if (bitmap.isNull()) return false;
    bitmap.fill(Qt::transparent);
    QPainter painter(&bitmap);
    painter.setTransform(down);
    painter.drawImage(QPointF(0, 0), canvas);
  }
  if (fixedResolution > 0) dpiX = dpiY = fixedResolution;
  if (colorSpace && outputType != 0 &&
      (colorSpace->model() == ColorModel::RGB || colorSpace->model() == ColorModel::Gray)) {
    QImage converted = colorSpace->convertImage(bitmap);
    if (!converted.isNull()) bitmap = std::move(converted);
  } else if (colorModel == 3) {
    bitmap.convertTo(deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
  }
  return saveImage(bitmap);
}

}  // namespace glimbrik
