#pragma once

// Values of every control a batch run reads, copied on the main thread before the worker starts,
// so that the worker never touches a widget or the live image list.

#include <QColor>
#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/convert/conversion_records.h"
#include "engine/tokens/text_token.h"

namespace glimbrik {

// The facts of one chosen list entry that the run and the rename pattern need.
struct BatchEntry {
  QString filePath;      // empty when the entry has no file
  QString parentFolder;  // the folder the file was added with; empty for a file added alone
  double angle = 0.0;    // degrees
  int32_t flip = 0;
  double width = 0.0;  // pixels
  double height = 0.0;
  double resolution = 72.0;  // dpi
};

// Which number field a size alert is about.
enum class SizeField { kWidth, kHeight };

struct BatchOptions {
  // Conversion panel.
  int32_t outputType = 0;  // tag of the output-type pop-up
  double quality = 0.8;    // slider, 0..1
  std::shared_ptr<const ColorSpace> colorSpace;
  bool autoLevels = false;
  bool autoEnhance = false;
  bool preserveMetadata = true;

  // Optimisation group: the pop-up's tag is a bit set, bit 0 JPEG, bit 1 PNG.
  bool optimizationOn = false;
  int optimizationTag = 0;
  bool doNotShowPNGOptimizationAlert = false;

  bool renameOn = false;
  TokenArray renameTokens;  // the rename pattern

  // Resize panel: the fields' texts, as typed, and their number values.
  bool resizeOn = false;
  int32_t scaleMode = 0;
  QString widthText;
  QString heightText;
  int32_t unit = 1;
  bool upsample = false;
  bool sharpen = false;
  bool resolutionOn = false;
  QString resolutionText;
  bool backgroundOn = false;
  QColor backgroundColor;

  // Text watermarks: an array of textWatermarkCount records, owned here for the whole run.
  bool textWatermarkOn = false;
  std::shared_ptr<const TextWatermarkOptions[]> textWatermarks;
  uint64_t textWatermarkCount = 0;

  // Image watermark: enabled only when the group is on and an image is chosen.
  bool imageWatermarkOn = false;
  ImageWatermarkOptions imageWatermark;

  bool effectOn = false;
  int32_t effectTag = 0;

  // General options.
  bool maintainDirectory = true;
  bool overwriteExisting = false;
  bool preserveCreatedDate = false;
  bool preserveModifiedDate = true;
  bool doNotShowAlert = false;
};

struct BatchSnapshot {
  BatchOptions options;
  std::vector<BatchEntry> entries;  // the chosen rows, in row order
  bool preview = false;             // a preview run: no sheet, no note, no unique names
};

}  // namespace glimbrik
