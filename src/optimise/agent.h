#pragma once

#include <QString>
#include <memory>
#include <mutex>

#include "optimise/work_queue.h"
#include "optimise/worker_queue_delegate.h"

namespace glimbrik {

class File;

// One optimisation step on one File job. On a WorkQueue it reports its start and end to the
// job; the batch run calls run() directly instead.
class Agent : public Operation {
 public:
  // className names the agent in statuses and temporary names ("JPEGOptimAgent").
  Agent(std::shared_ptr<File> file, const char* className);

  bool isRelatedTo(const File* file) const;
  WorkerQueueDelegate* delegate() const;
  virtual void run();
  virtual bool makesNonOptimizingModifications() const;
  QString description() const;
  std::shared_ptr<File> file() const;
  void setFile(std::shared_ptr<File> file);
  QString className() const { return QString::fromLatin1(className_); }

 protected:
  void main() override;

 private:
  const char* className_;
  mutable std::mutex fileMutex_;
  std::shared_ptr<File> file_;
};

}  // namespace glimbrik
