#include <cmath>

#include "engine/convert/image_converter.h"
#include "engine/convert/resize_math.h"

namespace glimbrik {

namespace {

// Nearest whole number, halves to the even neighbour.
double Nearest(double x) { return std::nearbyint(x); }

}  // namespace

void ImageConverter::targetPixels(const ImageResizeOptions& resize, double* width, double* height) {
  if (resize.resolution < 1) {
    dpiX = sourceHorizontalDPI();
    dpiY = sourceVerticalDPI();
  } else {
    dpiX = dpiY = double(resize.resolution);
  }
  double w = resize.width, h = resize.height;
  if (resize.unit == 1) {
    *width = w / 100.0 * sourcePixelWidth();
    *height = h / 100.0 * sourcePixelHeight();
    return;
  }
  if (resize.unit == 3 || resize.unit == 4 || resize.unit == 5) {
    w = ConvertUnitToPoints(resize.unit, w);
    h = ConvertUnitToPoints(resize.unit, h);
  }
  if (resize.unit != 2) {
    w *= dpiX / 72.0;
    h *= dpiY / 72.0;
  }
  *width = w;
  *height = h;
}

bool ImageConverter::process(ImageResizeOptions resize) {
  double width = 0, height = 0;
  targetPixels(resize, &width, &height);
  return processRepresentations(resize, width, height);
}

void ImageConverter::computeTargetSize(double* width, double* height,
                                       const ImageResizeOptions& resize) {
  if (sizeHandler) sizeHandler(*this, resize, sizeHandlerContext);
  targetPixels(resize, width, height);
}

bool ImageConverter::processRepresentations(const ImageResizeOptions& resize, double W, double H) {
  if (!sourceImage) return false;
  const int count = dataHandler ? sourceImage->count() : 1;
  if (count == 0) return false;
  bool result = false;
  for (int i = 0; i < count; ++i) {
    if (count >= 2 && i > 0) {
      makeCurrent(i);
      computeTargetSize(&W, &H, resize);
    }
    const int index = count >= 2 ? i : std::max(0, currentRepIndex);
    const double pw = sourcePixelWidth(), ph = sourcePixelHeight();
    if (pw <= 0 || ph <= 0) continue;

    if (resize.resample != 1) {
      // Keep the pixels; only the resolution changes so that the print size is the target.
      if (W != 0) {
        const double newDpiX = pw * 72.0 / W;
        dpiY *= newDpiX / dpiX;
        dpiX = newDpiX;
      } else if (H > 0) {
        const double newDpiY = ph * 72.0 / H;
        dpiX *= newDpiY / dpiY;
        dpiY = newDpiY;
      }
      ImageResult<QImage> image = decodeRepresentation(index, QSize());
      if (!image.ok()) continue;
      const bool plain = textWatermarkCount == 0 && !imageWatermarkEnabled && outputType != 13 &&
                         colorModel == 0 && rotationAngle % 360 == 0 && flip == 0 && !colorSpace &&
                         !autoLevels && !autoEnhance && effectType == 0;
      if (plain) {
        resolveOutputType();
        result = saveImage(image.value);
      } else {
        result = processImage(image.value, int(pw), int(ph), false, std::nullopt, QPointF(0, 0),
                              QSizeF(pw, ph));
      }
      continue;
    }

    double canvasW = 0, canvasH = 0;
    QPointF origin(0, 0);
    QSizeF drawSize;
    if (!resize.keepAspectRatio) {
      if (resize.scaleMode == 3) {
        canvasW = std::trunc(std::min(pw, W));
        canvasH = std::trunc(std::min(ph, H));
        origin = QPointF(-Nearest((pw - canvasW) * 0.5), -Nearest((ph - canvasH) * 0.5));
        drawSize = QSizeF(pw, ph);
      } else {
        if (resize.allowUpscale || (W <= pw && H <= ph)) {
          canvasW = W;
          canvasH = H;
        } else {
          canvasW = pw;
          canvasH = ph;
          notEnlarged = 1;
        }
        canvasW = std::trunc(canvasW);
        canvasH = std::trunc(canvasH);
        drawSize = QSizeF(canvasW, canvasH);
      }
    } else {
      double s = 0;
      const int mode = resize.scaleMode;
      if (mode == 5 || mode == 6) {
        s = W / pw;
        if (H > Nearest(ph * s)) s = H / ph;
      } else if (mode == 2) {
        s = W / pw;
        if (Nearest(ph * s) > H) s = H / ph;
      } else if (H == 0 && W > 0) {
        s = W / pw;
      } else if (W == 0 && H > 0) {
        s = H / ph;
      }
      const double nw = Nearest(pw * s), nh = Nearest(s * ph);
      if (!resize.allowUpscale && (nw > pw || nh > ph)) {
        canvasW = pw;
        canvasH = ph;
        drawSize = QSizeF(pw, ph);
        notEnlarged = 1;
      } else if (mode == 6) {
        canvasW = nw;
        canvasH = nh;
        if (nw > W) {
          canvasW = std::trunc(W);
          origin.setX(-Nearest((nw - W) * 0.5));
        }
        if (nh > H) {
          canvasH = std::trunc(H);
          origin.setY(-Nearest((nh - H) * 0.5));
        }
        drawSize = QSizeF(nw, nh);
      } else if (mode == 2 && resize.backgroundColor) {
        canvasW = std::trunc(W);
        canvasH = std::trunc(H);
        origin = QPointF(Nearest((W - nw) * 0.5), Nearest((H - nh) * 0.5));
        drawSize = QSizeF(nw, nh);
      } else {
        canvasW = nw;
        canvasH = nh;
        drawSize = QSizeF(nw, nh);
      }
    }
    if (canvasW < 1 || canvasH < 1 || drawSize.isEmpty()) continue;
    const QSize hint(int(std::ceil(drawSize.width())), int(std::ceil(drawSize.height())));
    ImageResult<QImage> image = decodeRepresentation(index, hint);
    if (!image.ok()) continue;
    result = processImage(image.value, int(canvasW), int(canvasH), resize.sharpen,
                          resize.backgroundColor, origin, drawSize);
  }
  return result;
}

}  // namespace glimbrik
