#include "platform/system/process_spawn.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "platform/system/unique_fd.h"

extern char** environ;

namespace glimbrik {

namespace {

constexpr int kLowPriorityNice = 10;
// How often a stoppable child's stop flag is looked at, and how long it has after SIGTERM.
constexpr int kStopPollMs = 50;
constexpr auto kStopGrace = std::chrono::seconds(2);

struct SpawnFileActions {
  posix_spawn_file_actions_t actions;
  bool valid = false;
  SpawnFileActions() { valid = posix_spawn_file_actions_init(&actions) == 0; }
  ~SpawnFileActions() {
    if (valid) posix_spawn_file_actions_destroy(&actions);
  }
};

bool MakePipe(UniqueFd& readEnd, UniqueFd& writeEnd) {
  int fds[2];
  // Close-on-exec, so that children spawned by other threads never hold our ends open.
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.reset(fds[0]);
  writeEnd.reset(fds[1]);
  return true;
}

// Reads both pipes until each reaches its end; with a tick, wakes for it now and then.
void DrainPipes(UniqueFd& out, UniqueFd& err, QByteArray& outData, QByteArray& errData,
                const std::function<void()>& tick) {
  char buffer[16384];
  while (out.valid() || err.valid()) {
    pollfd fds[2] = {{out.get(), POLLIN, 0}, {err.get(), POLLIN, 0}};
    const int ready = ::poll(fds, 2, tick ? kStopPollMs : -1);
    if (tick) tick();
    if (ready < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      UniqueFd& fd = i == 0 ? out : err;
      const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
      if (n > 0) {
        (i == 0 ? outData : errData).append(buffer, n);
      } else if (n == 0 || errno != EINTR) {
        fd.reset();
      }
    }
  }
  out.reset();
  err.reset();
}

std::vector<QByteArray> EncodeArguments(const QStringList& arguments) {
  std::vector<QByteArray> encoded;
  encoded.reserve(arguments.size());
  for (const QString& argument : arguments) encoded.push_back(argument.toUtf8());
  return encoded;
}

}  // namespace

int SpawnResult::status() const {
  if (!started) return 127;
  if (signal != 0) return 128 + signal;
  return exitCode;
}

SpawnResult ChildProcess::run(const SpawnRequest& request) {
  SpawnResult result;
  if (request.executable.isEmpty() || request.arguments.isEmpty()) {
    result.reason = QStringLiteral("no executable given");
    return result;
  }
  UniqueFd outRead, outWrite, errRead, errWrite;
  if (!MakePipe(outRead, outWrite) || !MakePipe(errRead, errWrite)) {
    result.reason =
        QStringLiteral("cannot create pipes: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    return result;
  }
  SpawnFileActions actions;
  if (!actions.valid ||
      posix_spawn_file_actions_addopen(&actions.actions, 0, "/dev/null", O_RDONLY, 0) != 0 ||
      posix_spawn_file_actions_adddup2(&actions.actions, outWrite.get(), 1) != 0 ||
      posix_spawn_file_actions_adddup2(&actions.actions, errWrite.get(), 2) != 0 ||
      posix_spawn_file_actions_addclosefrom_np(&actions.actions, 3) != 0) {
    result.reason = QStringLiteral("cannot prepare the child's files");
    return result;
  }

  const QByteArray file = request.executable.toLocal8Bit();
  const std::vector<QByteArray> encoded = EncodeArguments(request.arguments);
  std::vector<char*> argv;
  for (const QByteArray& argument : encoded)
    argv.push_back(const_cast<char*>(argument.constData()));
  argv.push_back(nullptr);

  pid_t pid = 0;
  {
    std::lock_guard lock(mutex_);
    if (terminated_ || (request.stop && request.stop->load())) {
      result.reason = QStringLiteral("cancelled");
      return result;
    }
    // posix_spawnp reports a missing or unrunnable executable through its result.
    const int error =
        posix_spawnp(&pid, file.constData(), &actions.actions, nullptr, argv.data(), environ);
    if (error != 0) {
      result.reason =
          QStringLiteral("%1: %2").arg(request.executable, QString::fromLocal8Bit(strerror(error)));
      return result;
    }
    pid_ = pid;
  }
  result.started = true;
  outWrite.reset();
  errWrite.reset();

  if (request.lowPriority) {
    errno = 0;
    const int current = ::getpriority(PRIO_PROCESS, pid);
    if (errno == 0 && current < kLowPriorityNice)
      ::setpriority(PRIO_PROCESS, pid, kLowPriorityNice);
  }

  std::function<void()> stopWhenAsked;
  if (request.stop) {
    std::optional<std::chrono::steady_clock::time_point> stoppedAt;
    bool killed = false;
    stopWhenAsked = [this, &request, stoppedAt, killed]() mutable {
      if (killed || !request.stop->load()) return;
      const auto now = std::chrono::steady_clock::now();
      if (!stoppedAt) {
        stoppedAt = now;
        signalChild(SIGTERM);
      } else if (now - *stoppedAt > kStopGrace) {
        killed = true;
        signalChild(SIGKILL);
      }
    };
  }
  DrainPipes(outRead, errRead, result.standardOutput, result.standardError, stopWhenAsked);

  // Wait without reaping first, so that terminate() never signals a recycled process id.
  siginfo_t info{};
  while (::waitid(P_PID, pid, &info, WEXITED | WNOWAIT) != 0 && errno == EINTR) {
  }
  int status = 0;
  {
    std::lock_guard lock(mutex_);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = 0;
  }
  if (WIFEXITED(status)) {
    result.exitCode = WEXITSTATUS(status);
    if (result.exitCode != 0)
      result.reason = QStringLiteral("exited with status %1").arg(result.exitCode);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
    result.reason = QStringLiteral("killed by signal %1").arg(result.signal);
  }
  return result;
}

void ChildProcess::terminate() {
  std::lock_guard lock(mutex_);
  terminated_ = true;
  if (pid_ > 0) ::kill(pid_, SIGTERM);
}

void ChildProcess::signalChild(int signal) {
  std::lock_guard lock(mutex_);
  if (pid_ > 0) ::kill(pid_, signal);
}

SpawnResult RunProcess(const SpawnRequest& request) {
  ChildProcess process;
  return process.run(request);
}

}  // namespace glimbrik
