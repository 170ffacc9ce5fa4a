#include "optimise/command_agent.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <atomic>

#include "optimise/file.h"
#include "optimise/number_scan.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"
#include "platform/store/user_defaults.h"

namespace glimbrik {

namespace {

constexpr qsizetype kLineBufferSize = 4096;

std::atomic<quint32>& TempNameCounter() {
  static std::atomic<quint32> counter{static_cast<quint32>(::getpid()) << 12};
  return counter;
}

}  // namespace

TemporaryFileGuard::~TemporaryFileGuard() {
  if (!path_.isEmpty()) QFile::remove(path_);
}

CommandAgent::CommandAgent(std::shared_ptr<File> file, const char* className)
    : Agent(std::move(file), className) {}

bool CommandAgent::parseLine(const QString&) { return false; }

void CommandAgent::parseLinesFromHandle(QIODevice& handle) {
  QByteArray line;
  line.reserve(kLineBufferSize);
  for (;;) {
    const QByteArray chunk = handle.read(kLineBufferSize);
    if (chunk.isEmpty()) return;
    for (const char c : chunk) {
      if (c == '\n' || c == '\r' || line.size() == kLineBufferSize - 1) {
        // The byte that ends the line is not part of it, even when it is cut for length.
        if (parseLine(QString::fromUtf8(line))) return;
        line.clear();
      } else {
        line.append(c);
      }
    }
  }
}

qint64 CommandAgent::readNumberAfter(const QString& prefix, const QString& line) {
  const qsizetype at = line.indexOf(prefix);
  if (at < 0) return 0;
  qsizetype position = at + prefix.size();
  qint64 value = 0;
  return ScanInteger(line, position, value) ? value : 0;
}

int CommandAgent::launchTask(const ToolEntry& entry, const QStringList& arguments) {
  SpawnRequest request;
  request.executable = QString::fromLatin1(entry.executable);
  request.arguments = arguments;
  request.lowPriority = UserDefaultBool(QStringLiteral("RunLowPriority"));
  request.stop = stop_;
  lastResult_ = process_.run(request);
  const bool stopped = stop_ && stop_->load();
  if (!lastResult_.started && !isCancelled() && !stopped)
    reportFailedToStart(QString::fromLatin1(entry.key));
  return lastResult_.status();
}

void CommandAgent::taskWithPath(const QString& path, const QStringList& arguments) {
  SpawnRequest request;
  request.executable = path;
  request.arguments = QStringList{path} + arguments;
  task_ = request;
}

int CommandAgent::launchTask() {
  if (!task_) return 127;
  task_->lowPriority = UserDefaultBool(QStringLiteral("RunLowPriority"));
  lastResult_ = process_.run(*task_);
  return lastResult_.status();
}

QString CommandAgent::executablePathForKey(const QString& key, const QString& bundleName) {
  // Auxiliary executables live beside the application's own.
  if (QCoreApplication::instance()) {
    const QFileInfo info(QCoreApplication::applicationDirPath() + QLatin1Char('/') + bundleName);
    if (info.isFile() && info.isExecutable()) return info.filePath();
  }
  SetUserDefault(key + QStringLiteral("Enabled"), false);
  return QString();
}

bool CommandAgent::taskForKey(const QString& key, const QString& bundleName,
                              const QStringList& arguments) {
  const QString path = executablePathForKey(key, bundleName);
  if (path.isEmpty()) {
    reportFailedToStart(key);
    return false;
  }
  taskWithPath(path, arguments);
  return true;
}

QString CommandAgent::tempPath() const {
  const QString folder = PrivateTempFolder();
  if (folder.isEmpty()) return QString();
  const auto fileHash = reinterpret_cast<quintptr>(file().get());
  const auto selfHash = reinterpret_cast<quintptr>(this);
  const auto mixed = static_cast<quint32>(fileHash ^ selfHash);
  const quint32 count = TempNameCounter().fetch_add(1);
  return folder + QLatin1Char('/') +
         QString::asprintf("Glimbrik.%s.%x.%x.temp", className().toLatin1().constData(), mixed,
                           count);
}

void CommandAgent::cancel() {
  process_.terminate();
  Agent::cancel();
}

bool CommandAgent::replaceFileWithResult(const QString& result, quint64 minimumSize,
                                         const QString& toolName) {
  const std::shared_ptr<File> job = file();
  return job && job->replaceWithSmallerResult(result, minimumSize, toolName);
}

void CommandAgent::reportFailedToStart(const QString& key) {
  if (const std::shared_ptr<File> job = file()) {
    job->setStatus(QStringLiteral("err"), 8, LocalizedString("%@ failed to start").arg(key));
  }
}

}  // namespace glimbrik
