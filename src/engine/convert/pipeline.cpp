#include "engine/convert/pipeline.h"

#include <QColorSpace>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "engine/convert/image_converter.h"
#include "engine/convert/image_types.h"
#include "engine/convert/pipeline_draw.h"
#include "engine/convert/pipeline_inks.h"
#include "engine/filters/effects.h"
#include "engine/filters/enhance.h"
#include "engine/filters/levels.h"
#include "engine/filters/pipeline_pixels.h"
#include "engine/filters/sharpen.h"
#include "engine/tokens/token_string.h"
#include "engine/watermark/watermark_options.h"
#include "engine/watermark/watermark_render.h"
#include "platform/codecs/cmyk_source_inks.h"
#include "platform/metadata/image_header.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace {

enum class CanvasModel { RGB, Gray, CMYK };

// What the canvas is drawn in and what the output is stored as.
struct CanvasPlan {
  std::shared_ptr<const ColorSpace> space;  // null keeps the image's own RGB space
  CanvasModel model = CanvasModel::RGB;
  int bits = 8;
  bool maskAlpha = false;  // a CMYK canvas whose alpha comes back through a mask
  // A CMYK canvas in the CMYK source's own space: drawing into it leaves the inks as they are.
  bool sourceSpace = false;
};

int BitsPerComponent(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
      return 32;
    default:
      return IsDeepImage(image) ? 16 : 8;
  }
}

ColorModel SourceModel(const ImageConverter& converter, const QImage& image) {
  if (converter.currentRep) return converter.currentRep->colorModel;
  return image.isGrayscale() && !image.hasAlphaChannel() ? ColorModel::Gray : ColorModel::RGB;
}

CanvasModel CanvasModelOf(ColorModel model) {
  switch (model) {
    case ColorModel::CMYK:
      return CanvasModel::CMYK;
    case ColorModel::Gray:
      return CanvasModel::Gray;
    default:
      return CanvasModel::RGB;
  }
}

// The image's own space as a canvas space: its CMYK or grey profile, or none for RGB (the
// decoded pixels carry their own RGB space).
std::shared_ptr<const ColorSpace> OwnSpace(const ImageConverter& converter, ColorModel model) {
  if (model != ColorModel::CMYK && model != ColorModel::Gray) return nullptr;
  if (converter.currentRep && !converter.currentRep->iccProfile.isEmpty()) {
    auto space = ColorSpace::FromIccProfile(converter.currentRep->iccProfile);
    if (space && space->model() == model) return space;
  }
  return model == ColorModel::CMYK ? ColorSpace::DeviceCMYK() : ColorSpace::DeviceGray();
}

// Whether a CMYK canvas space is the CMYK source's own (the same profile, or device CMYK for a
// source without one), so that its inks stand as they are.
bool IsSourceSpace(const ImageConverter& converter, ColorModel source, const CanvasPlan& plan) {
  if (source != ColorModel::CMYK || plan.model != CanvasModel::CMYK || !plan.space) return false;
  const std::shared_ptr<const ColorSpace> own = OwnSpace(converter, source);
  return own && own->iccProfile() == plan.space->iccProfile();
}

// The plan without changing the converter. `profile` says that the chosen profile applies (a
// type was chosen); `type` is the output type once resolved; *forcesRgb is set when the canvas
// falls back to RGB, which makes the colour model RGB.
CanvasPlan PlanFor(const ImageConverter& converter, const QImage& image, bool hasAlpha,
                   bool profile, int type, bool* forcesRgb) {
  CanvasPlan plan;
  const ColorModel source = SourceModel(converter, image);
  if (profile) {
    plan.space = converter.colorSpace;
    plan.model = CanvasModelOf(plan.space->model());
    plan.bits = CanvasModelOf(source) == plan.model ? BitsPerComponent(image) : 8;
    plan.maskAlpha = hasAlpha && plan.model == CanvasModel::CMYK && type == 10;
    plan.sourceSpace = IsSourceSpace(converter, source, plan);
    return plan;
  }
  bool own = false;
  if (!converter.colorSpace && type == 13) {
    plan.space = ColorSpace::DeviceCMYK();
  } else {
    switch (converter.colorModel) {
      case 1:
        plan.space = ColorSpace::SRGB();
        break;
      case 2:
        plan.space = ColorSpace::DeviceCMYK();
        break;
      case 3:
        plan.space = ColorSpace::DeviceGray();
        break;
      default:
        own = true;
        break;
    }
  }
  if (own) {
    plan.space = OwnSpace(converter, source);
    plan.model = CanvasModelOf(source);
    plan.bits = BitsPerComponent(image);
  } else {
    plan.model = CanvasModelOf(plan.space->model());
    plan.bits = 8;
  }
  const bool tiffType = type == 10 || type == 13;
  const bool indexed = own && source == ColorModel::Indexed;
  if (indexed || (hasAlpha && plan.model == CanvasModel::CMYK && !tiffType) ||
      (own && hasAlpha && plan.model == CanvasModel::Gray)) {
    // An RGB canvas carries the transparency itself (grey canvases have none: a grey picture
    // with alpha keeps its alpha unless grey is asked for).
    plan.space = ColorSpace::SRGB();
    plan.model = CanvasModel::RGB;
    plan.bits = std::min(plan.bits, 16);
    *forcesRgb = true;
  }
  plan.maskAlpha = hasAlpha && plan.model == CanvasModel::CMYK;
  plan.sourceSpace = IsSourceSpace(converter, source, plan);
  return plan;
}

// Step 3: a chosen profile applies only to a chosen output type; otherwise "same as the image"
// is resolved here.
CanvasPlan PlanCanvas(ImageConverter& converter, const QImage& image, bool hasAlpha) {
  const bool profile = converter.colorSpace && converter.outputType != 0;
  if (!profile) converter.resolveOutputType();
  bool forcesRgb = false;
  const CanvasPlan plan =
      PlanFor(converter, image, hasAlpha, profile, converter.outputType, &forcesRgb);
  if (forcesRgb) converter.colorModel = 1;
  return plan;
}

QImage::Format CanvasFormat(const CanvasPlan& plan) {
  const bool deep = plan.bits > 8;
  switch (plan.model) {
    case CanvasModel::CMYK:
    case CanvasModel::Gray:
      return deep ? QImage::Format_RGBX64 : QImage::Format_RGB32;
    default:
      return plan.bits == 32 ? QImage::Format_RGBA32FPx4_Premultiplied
             : deep          ? QImage::Format_RGBA64_Premultiplied
                             : QImage::Format_ARGB32_Premultiplied;
  }
}

// CMYK and grey canvases have no alpha: CMYK starts as no ink (white), grey as black.
QImage MakeCanvas(const CanvasPlan& plan, int width, int height) {
  const QImage::Format format = CanvasFormat(plan);
  QColor fill = Qt::transparent;
  if (plan.model == CanvasModel::CMYK) fill = Qt::white;
  if (plan.model == CanvasModel::Gray) fill = Qt::black;
  if (!IsImageSizeAllowed(width, height)) return QImage();
  QImage canvas(width, height, format);
  if (canvas.isNull()) return canvas;
  canvas.fill(fill);
  return canvas;
}

// The image in the canvas's RGB or grey profile, as drawing into that space would give it. CMYK
// and the image's own space keep the pixels: CMYK is separated at encoding time, from the
// canvas's own profile.
QImage InCanvasSpace(const QImage& image, const CanvasPlan& plan) {
  if (!plan.space || plan.model == CanvasModel::CMYK) return image;
  const ColorModel model = plan.space->model();
  if (model != ColorModel::RGB && model != ColorModel::Gray) return image;
  QImage converted = plan.space->convertImage(image);
  if (converted.isNull()) return image;
  // Drawn premultiplied: straight 16-bit pixels would lose alpha on the way into the canvas.
  if (converted.format() == QImage::Format_RGBA64) {
    return ConvertedImage(converted, QImage::Format_RGBA64_Premultiplied);
  }
  return converted;
}

// The drawn canvas as the image that goes on (grey canvases become grey images here).
QImage TakeCanvas(const QImage& canvas, const CanvasPlan& plan) {
  if (plan.model != CanvasModel::Gray) return canvas;
  return ConvertedImage(canvas,
                        plan.bits > 8 ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
}

int ComponentCount(const CanvasPlan& plan) {
  switch (plan.model) {
    case CanvasModel::CMYK:
      return 4;
    case CanvasModel::Gray:
      return 1;
    default:
      return 3;
  }
}

// Sharpening, enhancement and the effect act on the finished canvas, watermarks included; the
// filtered image replaces the canvas.
QImage Filter(QImage image, bool sharpen, bool autoEnhance, int effectType) {
  if (sharpen) image = SharpenLuminance(image, kSharpenLuminanceStrength);
  if (autoEnhance) image = AutoEnhance(image);
  if (effectType != 0) image = ApplyPhotoEffect(image, effectType);
  return image;
}

// Step 14: the resolution of pages of the image-to-PDF assembler.
void SetPageResolution(ImageConverter& c, int width, int height) {
  if (c.fixedResolution > 0) {
    c.dpiX = c.dpiY = c.fixedResolution;
  } else if (c.printBoxWidth > 0 && c.printBoxHeight > 0) {
    const double a = c.orientation < 5 ? width : height;
    const double d = c.orientation < 5 ? height : width;
    if (a > c.printBoxWidth || d > c.printBoxHeight) {
      c.dpiX = c.dpiY = 72.0 * std::max(a / c.printBoxWidth, d / c.printBoxHeight);
    }
  }
}

// Whether processImage draws the CMYK source's inks themselves (pipeline_inks.h): the canvas is
// in the source's own CMYK space, the output stores inks, and any transparency comes back
// through the mask. A result kept in memory is a picture, drawn in RGB as ever.
bool DrawsSourceInks(const ImageConverter& c, const CanvasPlan& plan, bool hasAlpha, int type) {
  return plan.sourceSpace && StoresCmykInks(type) && !c.keepResultImage &&
         (!hasAlpha || plan.maskAlpha) && c.sourceImage && c.currentRepIndex >= 0;
}

// Smooth drawing, in the bottom-up coordinates the watermark geometry is kept in.
void SetUpCanvasPainter(QPainter* painter, int height) {
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->setRenderHint(QPainter::TextAntialiasing, true);
  painter->setTransform(YUpTransform(height));
}

}  // namespace

int64_t NormalisedAngle(int64_t angle) { return ((angle % 360) + 360) % 360; }

bool IsOddQuarterTurn(int64_t angle) { return (NormalisedAngle(angle) / 90) % 2 == 1; }

QImage createGrayMaskImage(const QImage& image, int width, int height, const QTransform& transform,
                           const QRectF& drawRect) {
  QImage mask(width, height, QImage::Format_Alpha8);
  if (mask.isNull()) return mask;
  mask.fill(0);
  QPainter painter(&mask);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setTransform(transform);
  DrawImageInRect(&painter, image, drawRect);
  painter.end();
  return mask;
}

QImage ApplyAlphaMask(const QImage& image, const QImage& mask) {
  const bool deep = image.depth() > 32;
  QImage out = ConvertedImage(image, deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
  if (out.isNull() || mask.size() != out.size()) return out;
  const QImage alpha = mask.convertToFormat(QImage::Format_Alpha8);
  for (int y = 0; y < out.height(); ++y) {
    const uchar* a = alpha.constScanLine(y);
    if (deep) {
      quint16* row = reinterpret_cast<quint16*>(out.scanLine(y));
      for (int x = 0; x < out.width(); ++x) row[x * 4 + 3] = quint16(a[x] * 257);
    } else {
      uchar* row = out.scanLine(y);
      for (int x = 0; x < out.width(); ++x) row[x * 4 + 3] = a[x];
    }
  }
  return out;
}

QString WatermarkText(const ImageConverter& converter, const TextWatermarkOptions& record,
                      int width, int height) {
  // Tokens describe the user's file, never the temporary one a WebP source is decoded into.
  return BuildTokenString(converter.originalURL(), record.tokens,
                          QFileInfo(converter.destinationURL).completeBaseName(), kNoTokenIndex,
                          width, height, converter.dpiX);
}

void drawTextWatermarks(const ImageConverter& converter, QPainter* painter, int width, int height) {
  if (!converter.textWatermarks) return;
  for (uint64_t i = 0; i < converter.textWatermarkCount; ++i) {
    TextWatermarkOptions record = converter.textWatermarks[i];
    DrawTextWatermark(painter, WatermarkText(converter, record, width, height), &record, false,
                      width, height);
  }
}

void drawImageWatermark(const ImageConverter& converter, QPainter* painter, int width, int height) {
  ImageWatermarkOptions copy = converter.imageWatermark;
  DrawImageWatermark(painter, &copy, width, height);
}

std::optional<CmykInks> ImageConverter::opaqueSourceInks() const {
  if (!currentRep || currentRep->colorModel != ColorModel::CMYK || currentRep->hasAlpha ||
      !sourceImage) {
    return std::nullopt;
  }
  const bool profile = colorSpace && outputType != 0;
  bool forcesRgb = false;
  const int type = resolvedOutputType();
  const CanvasPlan plan = PlanFor(*this, QImage(), false, profile, type, &forcesRgb);
  if (!DrawsSourceInks(*this, plan, false, type)) return std::nullopt;
  return ReadSourceInks(*sourceImage, currentRepIndex);
}

bool ImageConverter::processImage(const QImage& image, int canvasWidth, int canvasHeight,
                                  bool sharpen, const std::optional<QColor>& background,
                                  QPointF origin, QSizeF drawSize, std::optional<CmykInks> inks) {
  if (image.isNull() && !inks) return false;
  // Decoders hand out premultiplied pixels even for opaque files: the file's header decides.
  const bool hasAlpha = currentRep ? currentRep->hasAlpha : image.hasAlphaChannel();
  int width = canvasWidth;
  int height = canvasHeight;
  if (IsOddQuarterTurn(rotationAngle)) {
    std::swap(width, height);
    std::swap(dpiX, dpiY);
  }
  const CanvasPlan plan = PlanCanvas(*this, image, hasAlpha);
  if (DrawsSourceInks(*this, plan, hasAlpha, outputType)) {
    if (!inks) inks = ReadSourceInks(*sourceImage, currentRepIndex);
    if (inks) {
      return processInks(image, std::move(*inks), plan.space, plan.maskAlpha, canvasWidth,
                         canvasHeight, sharpen, background, origin, drawSize);
    }
  }
  if (image.isNull()) return false;
  const QImage source = InCanvasSpace(image, plan);
  // A picture already at its final size with nothing drawn around, under or over it would come
  // out of the canvas unchanged: it goes on as it is.
  const QSize canvasSize(canvasWidth, canvasHeight);
  const bool drawnAsIs =
      plan.model == CanvasModel::RGB && !plan.maskAlpha && source.format() == CanvasFormat(plan) &&
      source.size() == canvasSize && origin == QPointF(0, 0) && drawSize == QSizeF(canvasSize) &&
      NormalisedAngle(rotationAngle) == 0 && flip == 0 && !CGColorFromNSColor(background) &&
      !imageWatermarkEnabled && (textWatermarkCount == 0 || !textWatermarks);
  QImage canvas = drawnAsIs ? source : MakeCanvas(plan, width, height);
  if (canvas.isNull()) return false;
  // Carries the profile that the encoder embeds or separates CMYK from.
  canvas.setColorSpace(source.colorSpace());

  QImage mask;
  if (!drawnAsIs) {
    QPainter painter(&canvas);
    if (!painter.isActive()) return false;
    SetUpCanvasPainter(&painter, height);
    painter.save();
    painter.setTransform(
        OrientationTransform(canvasWidth, canvasHeight, flip, NormalisedAngle(rotationAngle)),
        true);
    const QRectF drawRect(origin, drawSize);
    if (plan.maskAlpha) {
      mask = createGrayMaskImage(source, width, height, painter.worldTransform(), drawRect);
    }
    if (const auto colour = CGColorFromNSColor(background)) {
      painter.save();
      painter.resetTransform();
      painter.fillRect(canvas.rect(), *colour);
      painter.restore();
    }
    DrawImageInRect(&painter, source, drawRect);
    // Watermarks stand upright in the output whatever the turn.
    painter.restore();
    if (imageWatermarkEnabled) drawImageWatermark(*this, &painter, width, height);
    if (textWatermarkCount != 0 && textWatermarks) {
      drawTextWatermarks(*this, &painter, width, height);
    }
  }

  SetPageResolution(*this, width, height);

  QImage result = TakeCanvas(canvas, plan);
  canvas = QImage();
  if (autoLevels) {
    if (std::optional<QImage> levelled = MatchHistogram(result, ComponentCount(plan))) {
      result = std::move(*levelled);
    }
  }
  if (sharpen || autoEnhance || effectType != 0) {
    QImage filtered = Filter(result, sharpen, autoEnhance, effectType);
    if (!filtered.isNull()) result = std::move(filtered);
  }
  if (!mask.isNull()) result = ApplyAlphaMask(result, mask);
  result.setColorSpace(source.colorSpace());

  // The canvas's space decides how the pixels are stored (none keeps the image's own); the
  // caller's choice is put back after.
  const std::shared_ptr<const ColorSpace> chosen = colorSpace;
  colorSpace = plan.space;
  const bool saved = saveImage(result);
  colorSpace = chosen;
  return saved;
}

bool ImageConverter::processInks(const QImage& image, CmykInks inks,
                                 const std::shared_ptr<const ColorSpace>& space, bool maskAlpha,
                                 int canvasWidth, int canvasHeight, bool sharpen,
                                 const std::optional<QColor>& background, QPointF origin,
                                 QSizeF drawSize) {
  // The bitmap's size and resolutions are already turned (processImage, step 2).
  const bool turned = IsOddQuarterTurn(rotationAngle);
  const int width = turned ? canvasHeight : canvasWidth;
  const int height = turned ? canvasWidth : canvasHeight;
  const QTransform world =
      OrientationTransform(canvasWidth, canvasHeight, flip, NormalisedAngle(rotationAngle)) *
      YUpTransform(height);
  const QRectF drawRect(origin, drawSize);
  QImage mask;
  if (maskAlpha) mask = createGrayMaskImage(image, width, height, world, drawRect);
  CmykInks canvas = DrawInks(std::move(inks), QSize(width, height), world, drawRect,
                             CGColorFromNSColor(background), *space);
  if (canvas.size.isEmpty()) return false;

  // Watermarks are drawn in RGBA, upright in the bitmap, and laid over the inks by their alpha.
  const bool textMarks = textWatermarkCount != 0 && textWatermarks;
  if (imageWatermarkEnabled || textMarks) {
    QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
    if (layer.isNull()) return false;
    layer.fill(Qt::transparent);
    QPainter painter(&layer);
    if (!painter.isActive()) return false;
    SetUpCanvasPainter(&painter, height);
    if (imageWatermarkEnabled) drawImageWatermark(*this, &painter, width, height);
    if (textMarks) drawTextWatermarks(*this, &painter, width, height);
    painter.end();
    CompositeOverInks(&canvas, layer, *space);
  }

  SetPageResolution(*this, width, height);

  // Levels never act on CMYK; the filters change colours anyway, so they work on
  // the inks shown in RGB, separated again with the canvas's space.
  if (sharpen || autoEnhance || effectType != 0) {
    const QImage filtered = Filter(InksAsRgb(canvas, *space), sharpen, autoEnhance, effectType);
    if (!filtered.isNull()) {
      CmykInks again = InksOfRgb(filtered, *space);
      if (again.size == canvas.size) canvas = std::move(again);
    }
  }

  // The encoder writes the inks; the picture it is handed gives the size and the transparency.
  QImage result(width, height, QImage::Format_RGB32);
  if (result.isNull()) return false;
  result.fill(Qt::white);
  if (!mask.isNull()) result = ApplyAlphaMask(result, mask);
  outputInks = OutputInks{std::move(canvas.samples), canvas.size, space};
  const std::shared_ptr<const ColorSpace> chosen = colorSpace;
  colorSpace = space;
  const bool saved = saveImage(result);
  colorSpace = chosen;
  outputInks = OutputInks();
  return saved;
}

}  // namespace glimbrik
