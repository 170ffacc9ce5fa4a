#include "app/batch/batch_options.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <limits>

namespace glimbrik {
namespace {

// A number field's value: its text read as a decimal number, 0 when it holds none.
double FieldValue(const QString& text) {
  bool ok = false;
  double value = QLocale::c().toDouble(text.trimmed(), &ok);
  if (!ok) value = QLocale().toDouble(text.trimmed(), &ok);
  return ok && std::isfinite(value) ? value : 0.0;
}

// A combo box's integer: the leading signed digits of its text, 0 when there are none.
int64_t LeadingInteger(const QString& text) {
  const QString t = text.trimmed();
  qsizetype i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) negative = t[i++] == u'-';
  int64_t value = 0;
  constexpr int64_t kLimit = std::numeric_limits<int64_t>::max() / 10 - 10;
  for (; i < t.size() && t[i].isDigit() && t[i].digitValue() >= 0; ++i) {
    if (value < kLimit) value = value * 10 + t[i].digitValue();
  }
  return negative ? -value : value;
}

bool KeepsAspectRatio(int scaleMode) {
  return scaleMode == 0 || scaleMode == 1 || scaleMode == 2 || scaleMode == 5 || scaleMode == 6;
}

// The resize part when the group is on, with the typed sizes as they stand.
ImageResizeOptions ResizePartFromPanel(const BatchOptions& o) {
  ImageResizeOptions r;
  r.scaleMode = o.scaleMode;
  r.width = o.scaleMode == 1 ? 0.0 : FieldValue(o.widthText);
  r.height = o.scaleMode == 0 ? 0.0 : FieldValue(o.heightText);
  r.resample = 1;
  r.allowUpscale = o.upsample ? 1 : 0;
  r.sharpen = o.sharpen && o.scaleMode != 4 ? 1 : 0;
  r.keepAspectRatio = KeepsAspectRatio(o.scaleMode) ? 1 : 0;
  r.unit = o.unit;
  r.resolution = ResizeResolution(o);
  if (o.scaleMode == 2 && o.backgroundOn && o.backgroundColor.isValid()) {
    r.backgroundColor = o.backgroundColor;
  }
  return r;
}

// The resize part that keeps the pixel size, for a run with resizing off.
ImageResizeOptions KeepSizeResizePart() {
  ImageResizeOptions r;
  r.width = 100.0;
  r.height = 100.0;
  r.unit = 1;
  r.scaleMode = 2;
  r.keepAspectRatio = 0;
  r.resample = 1;
  return r;
}

}  // namespace

bool OutputTypeUsesQuality(int outputType) {
  // 0 keeps the source's type, which may be lossy; 3 JPEG 2000, 4 JPEG, 24 WebP.
  return outputType == 0 || outputType == 3 || outputType == 4 || outputType == 24;
}

int64_t ResizeResolution(const BatchOptions& options) {
  if (!options.resolutionOn) return 0;
  return std::max<int64_t>(1, LeadingInteger(options.resolutionText));
}

std::optional<ImageResizeOptions> GetResizingOptions(const BatchOptions& options) {
  if (!options.resizeOn) return std::nullopt;
  ImageResizeOptions r = ResizePartFromPanel(options);
  r.width = std::max(0.0, r.width);
  r.height = std::max(0.0, r.height);
  return r;
}

bool IsConversionOptionsValid(const BatchOptions& o, bool preview, BatchRunHost& host,
                              ImageConversion* conversion) {
  ImageConversionOptions& out = conversion->options;
  out.outputType = o.outputType;
  if (OutputTypeUsesQuality(o.outputType)) out.quality = std::clamp(o.quality, 0.0, 1.0);
  out.colorSpace = o.colorSpace;
  out.autoLevels = o.autoLevels ? 1 : 0;
  out.autoEnhance = o.autoEnhance ? 1 : 0;
  out.resolution = 0;

  const bool pngOutput = o.outputType == 0 || o.outputType == 7;
  if (!preview && o.optimizationOn && (o.optimizationTag & 2) != 0 &&
      !o.doNotShowPNGOptimizationAlert && pngOutput && !host.ConfirmPNGOptimizationNote()) {
    return false;
  }

  out.preserveMetadata = o.preserveMetadata ? 1 : 0;
  conversion->resizeEnabled = o.resizeOn ? 1 : 0;
  if (o.resizeOn) {
    conversion->resize = ResizePartFromPanel(o);
    if (o.scaleMode != 1 && !(conversion->resize.width > 0.0)) {
      host.ShowInvalidSizeAlert(SizeField::kWidth, o.widthText);
      return false;
    }
    if (o.scaleMode != 0 && !(conversion->resize.height > 0.0)) {
      host.ShowInvalidSizeAlert(SizeField::kHeight, o.heightText);
      return false;
    }
    const int64_t typed = LeadingInteger(o.resolutionText);
    if (o.resolutionOn && typed > kMaximumResizeResolution) {
      host.ShowInvalidResolutionAlert(typed);
      return false;
    }
  } else {
    conversion->resize = KeepSizeResizePart();
  }

  if (o.textWatermarkOn && o.textWatermarks && o.textWatermarkCount > 0) {
    conversion->textWatermarks = o.textWatermarks.get();
    conversion->textWatermarkCount = o.textWatermarkCount;
  }
  conversion->imageWatermarkEnabled = o.imageWatermarkOn && !o.imageWatermark.image.isNull();
  if (conversion->imageWatermarkEnabled) conversion->imageWatermark = o.imageWatermark;
  conversion->effectType = o.effectOn ? o.effectTag : 0;
  return true;
}

}  // namespace glimbrik
