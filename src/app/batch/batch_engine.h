#pragma once

// The calls a batch run makes outside the application: the engine, the file-type tables, the
// rename pattern and the optimisers. Held as functions so that a run can be driven in tests with
// stand-ins; DefaultBatchEngine() gives the real ones.

#include <QString>
#include <atomic>
#include <functional>
#include <optional>

#include "app/batch/batch_snapshot.h"
#include "engine/convert/conversion_records.h"

namespace glimbrik {

struct BatchEngine {
  std::function<int(ImageConversion*)> processImageFile;    // 0, 1 or 2
  std::function<int(ImageConversion*)> convertImageFile;    // 1 written, 0 failed
  std::function<int(const QString& path)> imageTypeForURL;  // 0 when the file has none
  std::function<QString(int type)> extensionForImageType;
  // The new base name of an entry (never empty); index counts the files of the run from 0.
  std::function<QString(const BatchEntry& entry, const ImageResizeOptions* resize, uint64_t index)>
      renameString;
  // Optimises a written file in place, synchronously; its result is not needed. Setting stop
  // (the run's cancel flag) ends the optimiser at once and leaves the file as it was written.
  std::function<void(const QString& path, bool stripMetadata, const std::atomic<bool>& stop)>
      optimiseJPEG;
  std::function<void(const QString& path, const std::atomic<bool>& stop)> optimisePNG;
  // Bytes converting the file may hold at once, for the run's memory budget; unset counts 0.
  std::function<int64_t(const QString& path)> estimateBytes;
};

// The engine, the tables, the rename pattern of the snapshot and the optimisers of the
// application.
BatchEngine DefaultBatchEngine(const BatchSnapshot& snapshot);

// Converts one file: the record copied with the file's paths and dates and handed to the engine;
// when that fails for a type other than TIFF, the source goes through a temporary TIFF that is
// then re-encoded into the wanted type. 0 written, 1 failed, 2 written without enlarging.
// sourceDamaged and sourceChanged, when given, tell whether a failure came from the source's
// damaged data or from the file changing while it was read.
int ConvertImageFormatFromURL(const QString& source, const QString& destination,
                              ImageConversion conversion,
                              const std::optional<FileAttributes>& attributes, int type,
                              const BatchEngine& engine, bool* sourceDamaged = nullptr,
                              bool* sourceChanged = nullptr);

}  // namespace glimbrik
