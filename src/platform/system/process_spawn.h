#pragma once

#include <sys/types.h>

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <atomic>
#include <mutex>

namespace glimbrik {

// One child process to run to its end. The executable is looked up on PATH unless it holds a
// slash; arguments[0] is the name the child sees as argv[0], which need not match the file.
struct SpawnRequest {
  QString executable;
  QStringList arguments;
  bool lowPriority = false;  // run at nice 10
  // When given and set, the child is not started, or is ended (SIGTERM, SIGKILL if it lingers),
  // so that a caller on another thread can stop a long tool without holding the process.
  const std::atomic<bool>* stop = nullptr;
};

struct SpawnResult {
  bool started = false;
  int exitCode = -1;  // the child's exit status when it exited normally
  int signal = 0;     // the signal that ended it, 0 when it exited
  QByteArray standardOutput;
  QByteArray standardError;
  QString reason;  // why it did not start or did not succeed; empty on success

  bool succeeded() const { return started && signal == 0 && exitCode == 0; }
  // A shell-like status: 127 when it never started, 128 + signal when it was killed.
  int status() const;
};

// Runs a child with posix_spawn, standard input from /dev/null and both outputs captured.
// terminate() may be called from any thread; it ends a running child and keeps a later run()
// from starting one.
class ChildProcess {
 public:
  SpawnResult run(const SpawnRequest& request);
  void terminate();

 private:
  void signalChild(int signal);

  std::mutex mutex_;
  pid_t pid_ = 0;  // set while a child exists and is not yet reaped
  bool terminated_ = false;
};

SpawnResult RunProcess(const SpawnRequest& request);

}  // namespace glimbrik
