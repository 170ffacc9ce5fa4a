// The queued road of a File: choosing agents by file type and settings, ordering them on the
// queues, and saving the best result when the last one ends.
#include <QFile>

#include "optimise/adv_comp_agent.h"
#include "optimise/file.h"
#include "optimise/gifsicle_agent.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/jpeg_tran_agent.h"
#include "optimise/opti_png_agent.h"
#include "optimise/png_crush_agent.h"
#include "optimise/png_out_agent.h"
#include "optimise/work_queue.h"
#include "platform/store/localization.h"
#include "platform/store/user_defaults.h"

namespace glimbrik {

namespace {

QString AgentNameForStatus(const Agent* agent) {
  QString name = agent->className();
  name.remove(QStringLiteral("Agent"));
  return name;
}

}  // namespace

void File::enqueueWorkersInCPUQueue(WorkQueue& cpuQueue, WorkQueue& fileIOQueue) {
  std::shared_ptr<BlockOperation> start;
  {
    std::lock_guard lock(lock_);
    fileIOQueue_ = &fileIOQueue;
    setStatus(QStringLiteral("wait"), 0, LocalizedString("Waiting in queue"));
    ++workersActive_;
    workers_.clear();
    workers_.reserve(10);
    // The queued operations keep the job alive until they have run.
    std::shared_ptr<File> self = shared_from_this();
    WorkQueue* cpu = &cpuQueue;
    start =
        std::make_shared<BlockOperation>([self, cpu] { self->doEnqueueWorkersInCPUQueue(*cpu); });
    if (cpuQueue.operationCount() < cpuQueue.maxConcurrentOperationCount()) {
      start->setQueuePriority(kQueuePriorityHigh);
    }
    workers_.push_back(start);
  }
  fileIOQueue.addOperation(start);
}

void File::doEnqueueWorkersInCPUQueue(WorkQueue& cpuQueue) {
  std::unique_lock lock(lock_);
  setStatus(QStringLiteral("progress"), 3, LocalizedString("Inspecting file"));
  if (workersActive_ > 0) --workersActive_;
  byteSize_ = 0;
  byteSizeOptimized_ = 0;

  QFile file(filePath_);
  const uchar* mapped = nullptr;
  const qint64 length = file.open(QIODevice::ReadOnly) ? file.size() : 0;
  if (length > 0) mapped = file.map(0, length);
  if (!mapped) {
    setStatus(QStringLiteral("err"), 8, LocalizedString("Can't map file into memory"));
    return;
  }
  setByteSize(static_cast<quint64>(length));
  const int type = fileType(QByteArray::fromRawData(
      reinterpret_cast<const char*>(mapped), static_cast<qsizetype>(std::min<qint64>(length, 6))));
  file.close();

  const std::shared_ptr<File> self = shared_from_this();
  std::vector<std::shared_ptr<Agent>> chain;
  std::vector<std::shared_ptr<Agent>> free;
  auto place = [&](const std::shared_ptr<Agent>& agent) {
    (agent->makesNonOptimizingModifications() ? chain : free).push_back(agent);
  };
  auto enabled = [](const char* key) { return UserDefaultBool(QLatin1String(key)); };

  if (type == 3) {
    if (enabled("GifsicleEnabled")) {
      for (const bool interlace : {false, true}) {
        auto agent = std::make_shared<GifsicleAgent>(self);
        agent->setInterlace(interlace);
        free.push_back(agent);
      }
    }
  } else if (type == 1) {
    bool crushInChain = false;
    if (enabled("PngCrushEnabled")) {
      auto agent = std::make_shared<QVXPngCrushAgent>(self);
      crushInChain = agent->makesNonOptimizingModifications();
      place(agent);
    }
    if (enabled("OptiPngEnabled")) place(std::make_shared<OptiPNGAgent>(self));
    if (enabled("PngOutEnabled")) {
      auto agent = std::make_shared<PNGOutAgent>(self);
      if (crushInChain) {
        free.push_back(agent);
      } else {
        place(agent);
      }
    }
    if (enabled("AdvPngEnabled")) place(std::make_shared<AdvCompAgent>(self));
  } else if (type == 2) {
    if (enabled("JpegOptimEnabled")) place(std::make_shared<JPEGOptimAgent>(self));
    if (enabled("JpegTranEnabled")) free.push_back(std::make_shared<JPEGTranAgent>(self));
  } else {
    setStatus(QStringLiteral("err"), 8, LocalizedString("File is neither PNG, GIF nor JPEG"));
    cleanup();
    return;
  }

  workersTotal_ += chain.size() + free.size();
  std::shared_ptr<Agent> previous;
  for (const std::shared_ptr<Agent>& agent : chain) {
    if (previous) {
      agent->addDependency(previous);
    } else {
      agent->setQueuePriority(kQueuePriorityLow);
    }
    previous = agent;
    workers_.push_back(agent);
  }
  for (const std::shared_ptr<Agent>& agent : free) {
    if (previous) agent->addDependency(previous);
    workers_.push_back(agent);
  }

  if (workersTotal_ == 0) {
    setStatus(QStringLiteral("err"), 8,
              LocalizedString("All neccessary tools have been disabled in Preferences"));
    cleanup();
    return;
  }
  setStatus(QStringLiteral("wait"), 1, LocalizedString("Waiting to be optimized"));
  // The agents call back into this job, so they are queued without holding its lock.
  lock.unlock();
  for (const std::shared_ptr<Agent>& agent : chain) cpuQueue.addOperation(agent);
  for (const std::shared_ptr<Agent>& agent : free) cpuQueue.addOperation(agent);
}

void File::workerHasStarted(Agent* agent) {
  std::lock_guard lock(lock_);
  ++workersActive_;
  setStatus(QStringLiteral("progress"), 4,
            LocalizedString("Started %@").arg(AgentNameForStatus(agent)));
}

void File::workerHasFinished(Agent*) {
  std::lock_guard lock(lock_);
  if (workersActive_ > 0) --workersActive_;
  ++workersFinished_;
  if (workersActive_ != 0) return;
  if (byteSize_ == 0 || byteSizeOptimized_ == 0) {
    setStatus(QStringLiteral("err"), 8, LocalizedString("Size of optimized file is 0"));
  } else if (workersFinished_ != workersTotal_) {
    setStatus(QStringLiteral("wait"), 2, LocalizedString("Waiting to start more optimizations"));
  } else if (byteSize_ > byteSizeOptimized_) {
    if (filePathOptimized_.isEmpty()) {
      // The agents already wrote their smaller result over the file.
      done_ = true;
      setStatus(QStringLiteral("ok"), 7,
                LocalizedString("Optimized successfully with %@").arg(bestToolName_));
    } else if (fileIOQueue_) {
      std::shared_ptr<File> self = shared_from_this();
      auto save = std::make_shared<BlockOperation>([self] { self->saveResultAndUpdateStatus(); });
      workers_.push_back(save);
      fileIOQueue_->addOperation(save);
    }
  } else {
    done_ = true;
    setStatus(QStringLiteral("noopt"), 5, LocalizedString("File cannot be optimized any further"));
  }
}

}  // namespace glimbrik
