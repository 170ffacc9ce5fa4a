#pragma once

// The plain records that describe one conversion. The user interface fills them and hands them by
// pointer to ProcessImageFile or ConvertImageFile; the engine never owns them.

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/metadata/file_attributes.h"

namespace glimbrik {

class ColorSpace;             // an ICC-backed colour space (platform/color_space.h)
struct TextWatermarkOptions;  // one text watermark to draw (engine/watermark_options.h)

// Page jobs report progress through this and poll it for cancellation; the two conversion
// entries never call it. Either member may be empty.
struct ProgressCallbackInfo {
  std::function<void(int64_t)> callback;
  std::function<bool()> isConversionCancelled;
};

struct ImageConversionOptions {
  int64_t resolution = 0;  // dpi for ConvertImageFile and page jobs; 0 keeps the source's
  int32_t reserved = 0;    // kept zero; nothing reads it
  int32_t outputType = 0;  // output-type index 0-24; 0 is the source's own type
  int32_t colorModel = 0;  // page jobs: 1 RGB, 2 CMYK, 3 grey, else the image's own
  std::shared_ptr<const ColorSpace> colorSpace;  // of the chosen profile; null for none
  double quality = 0.0;                          // 0.0-1.0 for lossy types
  QString password;                              // page jobs: unlocks an encrypted PDF
  int32_t pageRangeMode = 0;  // 2 firstPage..lastPage, 1 firstPage only, else all pages
  int64_t firstPage = 0;
  int64_t lastPage = 0;
  uint8_t preserveMetadata = 0;
  uint8_t autoLevels = 0;
  uint8_t autoEnhance = 0;
};

struct ImageResizeOptions {
  uint8_t keepAspectRatio = 0;
  uint8_t resample = 0;  // 1 changes the pixels; 0 changes only the resolution
  uint8_t allowUpscale = 0;
  uint8_t sharpen = 0;
  int64_t resolution = 0;  // dpi; 0 or less keeps the source's
  double width = 0.0;      // in unit
  double height = 0.0;     // in unit
  int32_t unit = 0;        // 1 percent, 2 pixels, 3 inches, 4 cm, 5 mm, 6 points
  int32_t scaleMode = 0;   // 0 width, 1 height, 2 fit, 3 crop, 4 stretch, 5 fill, 6 fill and crop
  std::optional<QColor> backgroundColor;  // scale mode 2 only: canvas is the whole box
};

struct ImageWatermarkOptions {
  int64_t rotationAngle = 0;  // degrees
  int32_t position = 0;       // anchor tag 0-8
  QPointF offset;             // in the 550-point space, valid for baseImageSize
  double opacity = 0.0;       // 0.0-1.0
  double sizeFraction = 0.0;  // applied after fitting into 550 x 550
  // Image size for which offset was set; zero means never set (QSizeF's own default is -1 x -1).
  QSizeF baseImageSize{0.0, 0.0};
  QImage image;
};

struct ImageConversion {
  uint8_t resizeEnabled = 0;
  uint8_t imageWatermarkEnabled = 0;
  uint8_t offsetPageNumbers = 0;
  uint8_t overwriteExisting = 0;
  uint8_t keepResultImage = 0;
  uint8_t useAllProcessors = 0;
  int64_t rotationAngle = 0;
  uint64_t textWatermarkCount = 0;
  int32_t flip = 0;        // 0 none, 1 and 2 the mirror axes, 3 both
  int32_t effectType = 0;  // photo effect 1-8, 0 none
  ImageConversionOptions options;
  ImageResizeOptions resize;
  ImageWatermarkOptions imageWatermark;
  const TextWatermarkOptions* textWatermarks = nullptr;  // textWatermarkCount records, borrowed
  ProgressCallbackInfo progress;
  QString sourceURL;       // absolute path of the file to convert
  QString destinationURL;  // absolute path of the output, extension chosen by the caller
  QString outputBaseName;  // page jobs; empty means the source's name without extension
  std::optional<FileAttributes> fileAttributes;
  QImage resultImage;  // written by the engine when keepResultImage is set
  // Written by the engine: its decoder found the source's data damaged or cut short.
  uint8_t sourceDamaged = 0;
  // Written by the engine: the source file changed (another program wrote it) while it was read.
  uint8_t sourceChanged = 0;
};

// 0 converted, 1 failed, 2 converted without enlarging.
int ProcessImageFile(ImageConversion* conversion);
// 1 written, 0 failed.
int ConvertImageFile(ImageConversion* conversion);

}  // namespace glimbrik
