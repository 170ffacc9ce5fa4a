#include <QScopeGuard>

#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"

namespace glimbrik {

int ProcessImageFile(ImageConversion* conversion) {
  if (!conversion || conversion->sourceURL.isEmpty() ||
      (conversion->destinationURL.isEmpty() && !conversion->keepResultImage)) {
    return 1;
  }
  // A type without an encoder here fails before anything is decoded.
  if (!CanWriteOutputType(conversion->options.outputType)) return 1;
  try {
    ImageConverter converter;
    // Tells the caller why a conversion failed, whichever way it returns.
    const auto noteDamage = qScopeGuard([&] {
      conversion->sourceDamaged = converter.sourceDamaged;
      conversion->sourceChanged = converter.sourceChanged;
    });
    if (!converter.loadSource(conversion->sourceURL)) return 1;
    const ImageConversionOptions& options = conversion->options;
    converter.setOutputOptions(options.outputType, conversion->destinationURL, options.colorSpace,
                               options.autoEnhance, options.autoLevels, options.quality);
    if (conversion->textWatermarkCount != 0) {
      converter.textWatermarkCount = conversion->textWatermarkCount;
      converter.textWatermarks = conversion->textWatermarks;
    }
    if (conversion->imageWatermarkEnabled) {
      converter.imageWatermarkEnabled = 1;
      converter.imageWatermark = conversion->imageWatermark;  // a copy: drawing rescales it
    }
    converter.rotationAngle = conversion->rotationAngle;
    converter.flip = conversion->flip;
    converter.effectType = conversion->effectType;
    converter.preserveMetadata = options.preserveMetadata;
    converter.keepResultImage = conversion->keepResultImage;
    if (conversion->fileAttributes) converter.fileAttributes = conversion->fileAttributes;
    if (!converter.process(conversion->resize)) return 1;
    if (conversion->keepResultImage && !converter.resultImage.isNull()) {
      conversion->resultImage = converter.resultImage;
    }
    return converter.notEnlarged ? 2 : 0;
  } catch (...) {
    return 1;
  }
}

int ConvertImageFile(ImageConversion* conversion) {
  if (!conversion || conversion->sourceURL.isEmpty() || conversion->destinationURL.isEmpty()) {
    return 0;
  }
  if (!CanWriteOutputType(conversion->options.outputType)) return 0;
  try {
    ImageConverter converter;
    const auto noteDamage = qScopeGuard([&] {
      conversion->sourceDamaged = converter.sourceDamaged;
      conversion->sourceChanged = converter.sourceChanged;
    });
    if (!converter.loadSource(conversion->sourceURL)) return 0;
    const ImageConversionOptions& options = conversion->options;
    converter.setOutputOptions(options.outputType, conversion->destinationURL, nullptr, false,
                               false, options.quality);
    converter.setResolution(options.resolution, options.resolution);
    if (options.resolution == 0) converter.setKeepSourceResolution(true);
    converter.preserveMetadata = options.preserveMetadata;
    if (conversion->fileAttributes) converter.fileAttributes = conversion->fileAttributes;
    return converter.convertAndSave() ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

}  // namespace glimbrik
