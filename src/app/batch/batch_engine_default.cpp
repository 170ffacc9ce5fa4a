#include "app/batch/batch_engine.h"
#include "app/batch/batch_scheduler.h"
#include "app/batch/rename_string.h"
#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/convert/image_types.h"
#include "optimise/batch_optimise.h"

namespace glimbrik {

BatchEngine DefaultBatchEngine(const BatchSnapshot& snapshot) {
  BatchEngine e;
  e.processImageFile = ProcessImageFile;
  e.convertImageFile = ConvertImageFile;
  e.imageTypeForURL = [](const QString& path) { return OutputTypeForSource(path); };
  e.extensionForImageType = [](int type) { return ExtensionForImageType(type); };
  e.renameString = [tokens = snapshot.options.renameTokens](
                       const BatchEntry& entry, const ImageResizeOptions* resize, uint64_t index) {
    return GetRenameStringForObject(entry, resize, index, tokens);
  };
  e.optimiseJPEG = [](const QString& path, bool stripMetadata, const std::atomic<bool>& stop) {
    OptimiseJPEGFile(path, stripMetadata, &stop);
  };
  e.optimisePNG = [](const QString& path, const std::atomic<bool>& stop) {
    OptimisePNGFile(path, &stop);
  };
  e.estimateBytes = EstimatedConversionBytes;
  return e;
}

}  // namespace glimbrik
