#include "optimise/agent.h"

#include <exception>

#include "optimise/file.h"

namespace glimbrik {

Agent::Agent(std::shared_ptr<File> file, const char* className) : className_(className) {
  setFile(std::move(file));
}

bool Agent::isRelatedTo(const File* file) const {
  std::lock_guard lock(fileMutex_);
  return file_.get() == file;
}

WorkerQueueDelegate* Agent::delegate() const {
  std::lock_guard lock(fileMutex_);
  return file_.get();
}

void Agent::run() {}

bool Agent::makesNonOptimizingModifications() const { return false; }

QString Agent::description() const {
  const auto hash = static_cast<quint32>(reinterpret_cast<quintptr>(this));
  const QString delegateText = file() ? file()->description() : QStringLiteral("(null)");
  return QString::asprintf("%s %X ready %d, running %d, deleg ", className_, hash,
                           isReady() ? 1 : 0, isExecuting() ? 1 : 0) +
         delegateText;
}

std::shared_ptr<File> Agent::file() const {
  std::lock_guard lock(fileMutex_);
  return file_;
}

void Agent::setFile(std::shared_ptr<File> file) {
  std::lock_guard lock(fileMutex_);
  file_ = std::move(file);
}

void Agent::main() {
  // Keep the job alive for the whole step, whatever happens to our reference meanwhile.
  const std::shared_ptr<File> job = file();
  Q_ASSERT_X(job, "Agent::main", "an agent runs only for a job");
  if (!job) return;
  job->workerHasStarted(this);
  std::exception_ptr heldBack;
  try {
    run();
  } catch (const std::exception&) {
    // A failure inside the step only costs this step.
  } catch (...) {
    heldBack = std::current_exception();
  }
  job->workerHasFinished(this);
  if (heldBack) std::rethrow_exception(heldBack);
}

}  // namespace glimbrik
