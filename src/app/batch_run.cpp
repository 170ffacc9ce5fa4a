#include "app/batch_run.h"

#include <QDateTime>
#include <QFileInfo>

#include "app/batch_file_dates.h"
#include "app/batch_options.h"
#include "app/batch_paths.h"
#include "app/list_adding.h"
#include "engine/image_converter.h"
#include "platform/image_header.h"
#include "platform/localization.h"

namespace glimbrik {
namespace {

constexpr int kJPEGType = 4;
constexpr int kPNGType = 7;

// Why a file the engine could not write failed, in the user's terms.
QString FailureReason(const QString& source, const QString& destination) {
  const QFileInfo in(source);
  if (!in.isReadable() || !ReadImageHeader(source)) {
    return LocalizedString("FailureReasonUnreadable");
  }
  QFileInfo folder(QFileInfo(destination).absolutePath());
  while (!folder.exists() && folder.absoluteFilePath() != folder.absolutePath()) {
    folder = QFileInfo(folder.absolutePath());  // the nearest folder that is there
  }
  if (!folder.isDir() || !folder.isWritable()) return LocalizedString("FailureReasonDestination");
  return LocalizedString("FailureReasonConversion");
}

long StatusBitsForResult(int result) {
  if (result == 0) return kStatusWritten;
  if (result == 2) return kStatusWritten | kStatusNotEnlarged;
  return kStatusFailed;
}

// Optimises a freshly written JPEG or PNG and dates it again, since the optimiser replaces the
// file. True when an optimiser ran.
bool OptimiseWrittenFile(const QString& path, int type, int optimizationTag, bool preserveMetadata,
                         const BatchEngine& engine) {
  if (type == kJPEGType && (optimizationTag & 1) != 0) {
    engine.optimiseJPEG(path, !preserveMetadata);
    return true;
  }
  if (type == kPNGType && (optimizationTag & 2) != 0) {
    engine.optimisePNG(path);
    return true;
  }
  return false;
}

}  // namespace

BatchRunResult ConvertImageThread(const BatchSnapshot& snapshot, const QString& destinationRoot,
                                  BatchRunHost& host, std::atomic<bool>& cancelled,
                                  const BatchEngine& engine) {
  const BatchOptions& options = snapshot.options;
  const bool preview = snapshot.preview;
  BatchRunResult run;
  if (!preview) host.PreviewWindowClose();

  ImageConversion conversion;
  if (!IsConversionOptionsValid(options, preview, host, &conversion)) return run;
  run.optionsValid = true;

  cancelled = false;
  const auto fileCount = static_cast<int64_t>(snapshot.entries.size());
  int64_t fileProcessingIndex = 0;
  if (!preview) {
    host.BeginProgressSheet(fileCount);
    host.ChangeProgressStatus(kProgressStarted, fileProcessingIndex, fileCount, QString());
  }

  const int optimizationTag = options.optimizationOn ? options.optimizationTag : 0;
  uint64_t counter = 0;
  for (const BatchEntry& entry : snapshot.entries) {
    if (cancelled) {
      run.cancelled = true;
      break;
    }
    const QString& source = entry.filePath;
    if (source.isEmpty() || !QFileInfo::exists(source)) {
      // Gone since it was listed: no progress and no number, but the user hears it failed.
      run.finalStatus |= kStatusFailed;
      ++run.failed;
      run.failures.push_back(
          {source, LocalizedString(IsUndecodableName(source) ? "FailureReasonName"
                                                             : "FailureReasonMissing")});
      continue;
    }

    if (!preview) {
      ++fileProcessingIndex;
      host.ChangeProgressStatus(kProgressFile, fileProcessingIndex, fileCount,
                                QFileInfo(source).fileName());
    }
    const QString folder = GetDestinationFolderURL(source, destinationRoot, entry.parentFolder,
                                                   options.maintainDirectory);
    conversion.rotationAngle = static_cast<int64_t>(entry.angle);
    conversion.flip = entry.flip;

    int type = conversion.options.outputType;
    if (type == 0) type = engine.imageTypeForURL(source);
    if (type == 0) type = kJPEGType;

    std::optional<QString> name;
    if (options.renameOn) {
      const ImageResizeOptions* resize = conversion.resizeEnabled ? &conversion.resize : nullptr;
      name = SanitizeFileName(engine.renameString(entry, resize, counter));
    }
    const QString destination =
        GetDestinationFileURL(source, folder, name, engine.extensionForImageType(type),
                              preview || options.overwriteExisting);
    std::optional<FileAttributes> attributes =
        GetFileAttributes(source, options.preserveCreatedDate, options.preserveModifiedDate);
    run.destinations.push_back(destination);
    ++counter;

    // The engine writes the type the name was made for.
    ImageConversion typed = conversion;
    if (typed.options.outputType == 0) typed.options.outputType = type;
    // A type without an encoder here fails before anything is decoded.
    const bool writable = CanWriteOutputType(type);
    const int result =
        writable ? ConvertImageFormatFromURL(source, destination, typed, attributes, type, engine)
                 : 1;
    run.finalStatus |= StatusBitsForResult(result);
    if (result == 1) {
      ++run.failed;
      run.failures.push_back({source, writable ? FailureReason(source, destination)
                                               : LocalizedString("FailureReasonFormat")});
      continue;
    }
    ++run.written;
    if (preview) continue;
    if (OptimiseWrittenFile(destination, type, optimizationTag,
                            conversion.options.preserveMetadata != 0, engine)) {
      if (!attributes) {
        const QDateTime now = QDateTime::currentDateTime();
        attributes = FileAttributes{now, now};
      }
    }
    if (attributes) ApplyFileAttributes(destination, *attributes);
  }
  // A cancel pressed during the last file still counts as a cancelled run.
  if (cancelled) run.cancelled = true;

  if (!preview) {
    host.ChangeProgressStatus(kProgressFinished, fileProcessingIndex, fileCount, QString());
    host.EndProgressSheet();
    host.ReportFailedFiles(run.failures);
    if (!options.doNotShowAlert && !run.cancelled) {
      host.AlertOnSuccessConversion(destinationRoot, run.finalStatus, fileCount);
    }
  }
  cancelled = false;
  return run;
}

}  // namespace glimbrik
