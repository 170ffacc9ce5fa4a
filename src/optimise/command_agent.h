#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

#include "optimise/agent.h"
#include "platform/system/process_spawn.h"

namespace glimbrik {

// Removes a temporary file when it goes out of scope, unless it was released to a new owner.
class TemporaryFileGuard {
 public:
  explicit TemporaryFileGuard(QString path) : path_(std::move(path)) {}
  TemporaryFileGuard(const TemporaryFileGuard&) = delete;
  TemporaryFileGuard& operator=(const TemporaryFileGuard&) = delete;
  ~TemporaryFileGuard();
  const QString& path() const { return path_; }
  void release() { path_.clear(); }

 private:
  QString path_;
};

// A tool's entry: the user-defaults key prefix that names it in statuses and settings
// ("JpegOptim" for "JpegOptimEnabled") and the executable looked up on PATH.
struct ToolEntry {
  const char* key;
  const char* executable;
};

// An agent that runs an optimiser tool as a child process.
class CommandAgent : public Agent {
 public:
  CommandAgent(std::shared_ptr<File> file, const char* className);

  // One line of the tool's output; true stops reading.
  virtual bool parseLine(const QString& line);
  void parseLinesFromHandle(QIODevice& handle);
  // The integer after the first prefix in line; 0 when there is none.
  static qint64 readNumberAfter(const QString& prefix, const QString& line);

  // Runs the tool to its end on this thread, at nice 10 when "RunLowPriority" is on.
  // arguments[0] is the tool's display name. Returns 0 on success, the tool's nonzero status,
  // 128 + signal when it was killed, or 127 when it could not start; in that last case the
  // job's status says so.
  int launchTask(const ToolEntry& entry, const QStringList& arguments);
  const SpawnResult& lastTaskResult() const { return lastResult_; }
  // A flag that, once set, ends the running tool and keeps the next one from starting; the
  // tool's result is then thrown away and the file left as it was.
  void setStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

  // The external-process road of auxiliary executables that sit beside the application.
  void taskWithPath(const QString& path, const QStringList& arguments);
  int launchTask();
  QString executablePathForKey(const QString& key, const QString& bundleName);
  bool taskForKey(const QString& key, const QString& bundleName, const QStringList& arguments);
  bool hasTask() const { return task_.has_value(); }

  // A new name "Glimbrik.<class>.<hash>.<counter>.temp" in the private temporary folder; empty
  // when that folder cannot be made.
  QString tempPath() const;

  void cancel() override;

 protected:
  void reportFailedToStart(const QString& key);
  // Writes result over the job's file when it is at least minimumSize bytes and smaller than
  // the file, and tells the job; the file is never touched otherwise.
  bool replaceFileWithResult(const QString& result, quint64 minimumSize, const QString& toolName);

 private:
  ChildProcess process_;
  std::optional<SpawnRequest> task_;
  SpawnResult lastResult_;
  const std::atomic<bool>* stop_ = nullptr;
};

}  // namespace glimbrik
