#include <QFile>

#include "app/batch/batch_engine.h"
#include "platform/store/folders.h"

namespace glimbrik {

namespace {
constexpr int kTIFFType = 10;
}  // namespace

int ConvertImageFormatFromURL(const QString& source, const QString& destination,
                              ImageConversion conversion,
                              const std::optional<FileAttributes>& attributes, int type,
                              const BatchEngine& engine, bool* sourceDamaged, bool* sourceChanged) {
  ImageConversion first = conversion;
  first.sourceURL = source;
  first.destinationURL = destination;
  first.fileAttributes = attributes;
  const int result = engine.processImageFile(&first);
  if (sourceDamaged) *sourceDamaged = result == 1 && first.sourceDamaged;
  if (sourceChanged) *sourceChanged = result == 1 && first.sourceChanged;
  // A damaged source reads no better on the way through a TIFF, and one that changed under the
  // reader is not the file that was listed any more.
  if (result != 1 || type == kTIFFType || first.sourceDamaged || first.sourceChanged) {
    return result;
  }

  const QString temporary = NewTemporaryPath(QStringLiteral("tiff"));
  if (temporary.isEmpty()) return 1;
  ImageConversion toTIFF = conversion;
  toTIFF.sourceURL = source;
  toTIFF.destinationURL = temporary;
  toTIFF.fileAttributes.reset();
  toTIFF.options.outputType = kTIFFType;
  const int intermediate = engine.processImageFile(&toTIFF);

  int outcome = 1;
  if (intermediate != 1) {
    ImageConversion reencode;
    reencode.options.outputType = type;
    reencode.options.quality = conversion.options.quality;
    reencode.options.preserveMetadata = conversion.options.preserveMetadata;
    reencode.fileAttributes = attributes;
    reencode.sourceURL = temporary;
    reencode.destinationURL = destination;
    outcome = engine.convertImageFile(&reencode) == 1 ? intermediate : 1;
  }
  QFile::remove(temporary);
  return outcome;
}

}  // namespace glimbrik
