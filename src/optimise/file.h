#pragma once

#include <QString>
#include <memory>
#include <mutex>
#include <vector>

#include "optimise/worker_queue_delegate.h"

namespace glimbrik {

class Operation;
class WorkQueue;

// The optimisation job of one image file: its path, its sizes before and after, a status for
// display, and the agents that work on it.
//
// Synchronous road (a batch run, see batch_optimise.h): a File for the written path, a
// JPEGOptimAgent or QVXPngCrushAgent run directly on it, then cleanup(); the agent replaces the
// file itself, and only with a smaller result.
//
// Queued road: a File held by a shared_ptr, enqueueWorkersInCPUQueue(cpu, io); the agents'
// callbacks drive it to "ok", "noopt" or "err". Every member is safe to call from any thread.
class File final : public WorkerQueueDelegate, public std::enable_shared_from_this<File> {
 public:
  File();
  explicit File(const QString& filePath);  // initWithFilePath:
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  // The file's size, 0 when it cannot be read.
  static quint64 fileByteSize(const QString& path);
  // 1 PNG, 2 JPEG, 3 GIF, 0 anything else (including data too short for a signature).
  static int fileType(const QByteArray& data);

  QString filePath() const;
  void setFilePath(const QString& path);
  QString displayName() const;
  QString fileName() const;

  quint64 byteSize() const;
  void setByteSize(quint64 size);
  quint64 byteSizeOptimized() const;
  void setByteSizeOptimized(quint64 size);
  QString filePathOptimized() const;
  // Takes a temporary result when it is smaller than the best so far; false when it was not
  // taken (the caller still owns the temporary file then).
  bool setFilePathOptimized(const QString& path, quint64 size, const QString& toolName);
  void removeOldFilePathOptimized();
  QString bestToolName() const;
  // Writes result over the file when it is at least minimumSize bytes and smaller than the
  // file is now, and records it as the best; the file is never touched otherwise. Agents that
  // work on the file in parallel go through here one at a time.
  bool replaceWithSmallerResult(const QString& result, quint64 minimumSize,
                                const QString& toolName);

  bool isLarge() const;
  bool isSmall() const;
  bool isCameraPhoto() const;
  double percentOptimized() const;
  bool isOptimized() const;
  bool isDone() const;
  bool isBusy() const;
  QString description() const;

  // The status key ("wait", "progress", "noopt", "ok", "err") also names the status image.
  void setStatus(const QString& key, qint64 order, const QString& text);
  QString statusImageName() const;
  qint64 statusOrder() const;
  QString statusText() const;

  bool saveResult();
  void saveResultAndUpdateStatus();
  void cleanup();
  std::shared_ptr<File> copy() const;  // copyWithZone:

  void workerHasStarted(Agent* agent) override;
  void workerHasFinished(Agent* agent) override;

  // The queue objects must outlive the job's work on them.
  void enqueueWorkersInCPUQueue(WorkQueue& cpuQueue, WorkQueue& fileIOQueue);

 private:
  void doEnqueueWorkersInCPUQueue(WorkQueue& cpuQueue);
  void addWorker(const std::shared_ptr<Operation>& worker);

  mutable std::recursive_mutex lock_;
  QString filePath_;
  QString displayName_;
  quint64 byteSize_ = 0;
  quint64 byteSizeOptimized_ = 0;
  QString filePathOptimized_;
  QString bestToolName_;
  bool done_ = false;
  std::vector<std::weak_ptr<Operation>> workers_;
  quint64 workersActive_ = 0;
  quint64 workersFinished_ = 0;
  quint64 workersTotal_ = 0;
  WorkQueue* fileIOQueue_ = nullptr;
  QString statusImageName_;
  QString statusText_;
  qint64 statusOrder_ = 0;
};

}  // namespace glimbrik
