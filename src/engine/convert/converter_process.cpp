#include <cmath>

#include "engine/convert/image_converter.h"
#include "engine/convert/resize_math.h"

namespace glimbrik {

void ImageConverter::targetPixels(const ImageResizeOptions& resize, double* width, double* height) {
  if (resize.resolution < 1) {
    dpiX = sourceHorizontalDPI();
    dpiY = sourceVerticalDPI();
  } else {
    dpiX = dpiY = double(resize.resolution);
  }
  *width = ResizeTargetLength(resize.unit, resize.width, sourcePixelWidth(), dpiX);
  *height = ResizeTargetLength(resize.unit, resize.height, sourcePixelHeight(), dpiY);
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
      // A CMYK image whose output stores inks goes through processImage too, which keeps them.
      const bool cmyk = currentRep && currentRep->colorModel == ColorModel::CMYK &&
                        StoresCmykInks(resolvedOutputType()) && !keepResultImage;
      const bool plain = textWatermarkCount == 0 && !imageWatermarkEnabled && outputType != 13 &&
                         colorModel == 0 && rotationAngle % 360 == 0 && flip == 0 && !colorSpace &&
                         !autoLevels && !autoEnhance && effectType == 0 && !cmyk;
      std::optional<CmykInks> inks = plain ? std::nullopt : opaqueSourceInks();
      ImageResult<QImage> image;
      if (!inks) image = decodeRepresentation(index, QSize());
      if (!image.ok()) continue;
      if (plain) {
        resolveOutputType();
        result = saveImage(image.value);
      } else {
        result = processImage(image.value, int(pw), int(ph), false, std::nullopt, QPointF(0, 0),
                              QSizeF(pw, ph), std::move(inks));
      }
      continue;
    }

    const ResizeLayout layout = LayoutResize(resize, pw, ph, W, H);
    if (layout.notEnlarged) notEnlarged = 1;
    const double canvasW = layout.canvas.width(), canvasH = layout.canvas.height();
    const QSizeF drawSize = layout.drawSize;
    if (canvasW < 1 || canvasH < 1 || drawSize.isEmpty()) continue;
    const QSize hint(int(std::ceil(drawSize.width())), int(std::ceil(drawSize.height())));
    // A CMYK source drawn in its own inks needs no picture of itself unless it is transparent.
    std::optional<CmykInks> inks = opaqueSourceInks();
    ImageResult<QImage> image;
    if (!inks) image = decodeRepresentation(index, hint);
    if (!image.ok()) continue;
    result = processImage(image.value, int(canvasW), int(canvasH), resize.sharpen,
                          resize.backgroundColor, layout.origin, drawSize, std::move(inks));
  }
  return result;
}

}  // namespace glimbrik
