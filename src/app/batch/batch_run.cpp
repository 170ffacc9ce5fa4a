#include "app/batch/batch_run.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <memory>

#include "app/batch/batch_file_dates.h"
#include "app/batch/batch_options.h"
#include "app/batch/batch_paths.h"
#include "app/batch/batch_workers.h"
#include "app/batch/raw_file_names.h"
#include "engine/convert/image_converter.h"
#include "platform/metadata/image_header.h"
#include "platform/store/localization.h"

namespace glimbrik {
namespace {

constexpr int kJPEGType = 4;
constexpr int kPNGType = 7;

// Why a file the engine could not write failed, in the user's terms.
QString FailureReason(const QString& source, const QString& destination, bool damaged,
                      bool changed) {
  if (changed) return LocalizedString("FailureReasonChanged");
  const QFileInfo in(source);
  const ImageHeaderResult header = in.isReadable() ? ReadImageHeader(source) : ImageHeaderResult{};
  // A size over the limit is refused before the data is looked at, damaged or not.
  if (header && !IsImageSizeAllowed(header.header->width, header.header->height)) {
    return LocalizedString("FailureReasonTooLarge");
  }
  if (damaged) return LocalizedString("FailureReasonDamaged");
  if (!header) return LocalizedString("FailureReasonUnreadable");
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
                         const BatchEngine& engine, const std::atomic<bool>& cancelled) {
  if (type == kJPEGType && (optimizationTag & 1) != 0) {
    engine.optimiseJPEG(path, !preserveMetadata, cancelled);
    return true;
  }
  if (type == kPNGType && (optimizationTag & 2) != 0) {
    engine.optimisePNG(path, cancelled);
    return true;
  }
  return false;
}

// One file of a run, decided on the run's thread and converted on a worker.
struct FileJob {
  QString listed;  // the entry's path, by which the run reports the file
  QString source;  // the path the engine reads: listed, or a stand-in for a name with raw bytes
  std::unique_ptr<RawNameStandIn> standIn;
  QString destination;
  std::optional<FileAttributes> attributes;
  int type = 0;
  ImageConversion conversion;
  int64_t bytes = 0;
  size_t order = 0;      // the entry's place in the list
  bool writable = true;  // a type without an encoder here fails before anything is decoded
  int result = 1;
  bool damaged = false;  // the failure came from the source's damaged data
  bool changed = false;  // or from another program changing the file while it was read
  bool finished = false;
};

// A file's whole road: the engine call with its fallback, the optimiser, the dates. A cancel
// stops the optimiser, whose output is temporary, but lets the file's conversion finish.
void ConvertFile(FileJob& job, int optimizationTag, bool preview, const BatchEngine& engine,
                 const std::atomic<bool>& cancelled) {
  if (!job.writable) return;
  job.result =
      ConvertImageFormatFromURL(job.source, job.destination, job.conversion, job.attributes,
                                job.type, engine, &job.damaged, &job.changed);
  job.standIn.reset();
  if (job.result == 1 || preview) return;
  if (OptimiseWrittenFile(job.destination, job.type, optimizationTag,
                          job.conversion.options.preserveMetadata != 0, engine, cancelled)) {
    if (!job.attributes) {
      const QDateTime now = QDateTime::currentDateTime();
      job.attributes = FileAttributes{now, now};
    }
  }
  if (job.attributes) ApplyFileAttributes(job.destination, *job.attributes);
}

bool PathTaken(const QString& path) {
  const QFileInfo info(path);
  return info.exists() || info.isSymLink();
}

}  // namespace

BatchRunResult ConvertImageThread(const BatchSnapshot& snapshot, const QString& destinationRoot,
                                  BatchRunHost& host, std::atomic<bool>& cancelled,
                                  const BatchEngine& engine, const BatchParallelism& parallelism) {
  const BatchOptions& options = snapshot.options;
  const bool preview = snapshot.preview;
  BatchRunResult run;
  if (!preview) host.PreviewWindowClose();

  ImageConversion conversion;
  if (!IsConversionOptionsValid(options, preview, host, &conversion)) return run;
  run.optionsValid = true;

  cancelled = false;
  const auto fileCount = static_cast<int64_t>(snapshot.entries.size());
  if (!preview) {
    host.BeginProgressSheet(fileCount);
    host.ChangeProgressStatus(kProgressStarted, 0, fileCount, QString());
  }

  const int optimizationTag = options.optimizationOn ? options.optimizationTag : 0;
  BatchScheduler scheduler(parallelism);
  BatchWorkers workers(int(std::min<int64_t>(scheduler.workers(), fileCount)));
  std::vector<std::unique_ptr<FileJob>> jobs;
  // Names promised to files under way, which may not exist on disk yet.
  QHash<QString, int> promised;
  int64_t finished = 0;
  size_t reported = 0;
  std::vector<std::pair<size_t, BatchFailure>> failures;

  // Files finish out of order; the progress line names them in list order, so that "9 of 50"
  // always comes with the ninth file, once the first nine are done.
  const auto reportInListOrder = [&] {
    for (; reported < jobs.size() && jobs[reported]->finished; ++reported) {
      if (!preview) {
        host.ChangeProgressStatus(kProgressFile, ++finished, fileCount,
                                  QFileInfo(MadeValidPath(jobs[reported]->listed)).fileName());
      }
    }
  };

  const auto collectOne = [&] {
    FileJob& job = *jobs[size_t(workers.WaitForFinished())];
    scheduler.Finished(job.bytes);
    if (--promised[job.destination] == 0) promised.remove(job.destination);
    run.finalStatus |= StatusBitsForResult(job.result);
    ++(job.result == 1 ? run.failed : run.written);
    if (job.result == 1) {
      failures.push_back({job.order,
                          {job.listed, job.writable ? FailureReason(job.source, job.destination,
                                                                    job.damaged, job.changed)
                                                    : LocalizedString("FailureReasonFormat")}});
    }
    job.finished = true;
    reportInListOrder();
  };
  // A name once given to a file of this run stays taken for the rest of it, written or failed:
  // whether a file fails is known only when it is done, so giving its name back would make the
  // names depend on which files finish first. So names follow the list order alone, the same
  // for any number of workers.
  QSet<QString> named;
  const auto taken = [&](const QString& path) { return named.contains(path) || PathTaken(path); };

  uint64_t counter = 0;
  for (size_t order = 0; order < snapshot.entries.size(); ++order) {
    const BatchEntry& entry = snapshot.entries[order];
    if (cancelled) break;
    auto job = std::make_unique<FileJob>();
    // Qt cannot open a name whose bytes are not UTF-8: the run reads it through a valid name.
    if (HasRawBytes(entry.filePath)) job->standIn = RawNameStandIn::Make(entry.filePath);
    const QString source = job->standIn ? job->standIn->path() : entry.filePath;
    if (source.isEmpty() || !QFileInfo::exists(source)) {
      // Gone since it was listed: no progress and no number, but the user hears it failed.
      run.finalStatus |= kStatusFailed;
      ++run.failed;
      failures.push_back({order, {entry.filePath, LocalizedString("FailureReasonMissing")}});
      continue;
    }
    job->order = order;
    job->bytes = engine.estimateBytes ? engine.estimateBytes(source) : 0;
    while (!scheduler.CanStart(job->bytes)) collectOne();
    if (cancelled) break;

    const QString folder = GetDestinationFolderURL(entry.filePath, destinationRoot,
                                                   entry.parentFolder, options.maintainDirectory);
    int type = conversion.options.outputType;
    if (type == 0) type = engine.imageTypeForURL(source);
    if (type == 0) type = kJPEGType;

    std::optional<QString> name;
    if (options.renameOn) {
      const ImageResizeOptions* resize = conversion.resizeEnabled ? &conversion.resize : nullptr;
      name = SanitizeFileName(engine.renameString(entry, resize, counter));
    }
    const bool overwrite = preview || options.overwriteExisting;
    job->destination = GetDestinationFileURL(source, folder, name,
                                             engine.extensionForImageType(type), overwrite, taken);
    // Two files written to one name end as the later one, as they would one after another.
    while (promised.contains(job->destination)) collectOne();
    job->listed = entry.filePath;
    job->source = source;
    job->type = type;
    job->writable = CanWriteOutputType(type);
    job->attributes =
        GetFileAttributes(source, options.preserveCreatedDate, options.preserveModifiedDate);
    job->conversion = conversion;
    job->conversion.rotationAngle = static_cast<int64_t>(entry.angle);
    job->conversion.flip = entry.flip;
    // The engine writes the type the name was made for.
    if (job->conversion.options.outputType == 0) job->conversion.options.outputType = type;
    run.destinations.push_back(job->destination);
    named.insert(job->destination);
    ++counter;

    scheduler.Started(job->bytes);
    ++promised[job->destination];
    FileJob* raw = job.get();
    jobs.push_back(std::move(job));
    workers.Submit(int(jobs.size() - 1), [raw, optimizationTag, preview, &engine, &cancelled] {
      ConvertFile(*raw, optimizationTag, preview, engine, cancelled);
    });
  }
  while (scheduler.running() > 0) collectOne();
  run.peakWorkers = scheduler.peakRunning();
  std::stable_sort(failures.begin(), failures.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& failure : failures) run.failures.push_back(std::move(failure.second));
  // A cancel pressed during the last file still counts as a cancelled run.
  if (cancelled) run.cancelled = true;

  if (!preview) {
    host.ChangeProgressStatus(kProgressFinished, finished, fileCount, QString());
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
