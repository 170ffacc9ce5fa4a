#include "pdfjobs/assembly/office_converter.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "engine/files/file_utils.h"
#include "platform/system/process_spawn.h"

namespace glimbrik {

namespace {

QString OfficeExecutable() { return QStandardPaths::findExecutable(QStringLiteral("soffice")); }

}  // namespace

bool OfficeConverterAvailable() { return !OfficeExecutable().isEmpty(); }

QString ConvertWithOffice(const QString& source, const QString& filter, const QString& outputFolder,
                          int timeoutSeconds) {
  const QString executable = OfficeExecutable();
  if (executable.isEmpty() || !QFileInfo(source).isFile()) return QString();
  // A private profile: concurrent runs and the user's own LibreOffice never share a lock file.
  const QString base = GetTemporaryURLWithPrefix(QStringLiteral("office"));
  QTemporaryDir work(base.isEmpty() ? QDir::tempPath() + QStringLiteral("/office-XXXXXX")
                                    : base + QStringLiteral("-XXXXXX"));
  if (!work.isValid()) return QString();
  const QString profile = QUrl::fromLocalFile(work.filePath(QStringLiteral("profile"))).toString();
  const QString out = outputFolder;
  SpawnRequest request;
  request.executable = executable;
  request.arguments = {QStringLiteral("soffice"),
                       QStringLiteral("-env:UserInstallation=") + profile,
                       QStringLiteral("--headless"),
                       QStringLiteral("--norestore"),
                       QStringLiteral("--nolockcheck"),
                       QStringLiteral("--convert-to"),
                       filter,
                       QStringLiteral("--outdir"),
                       out,
                       source};

  ChildProcess child;
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> lock(mutex);
    if (!finished.wait_for(lock, std::chrono::seconds(timeoutSeconds), [&] { return done; })) {
      child.terminate();
    }
  });
  const SpawnResult result = child.run(request);
  {
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
  }
  finished.notify_all();
  watchdog.join();
  if (!result.succeeded()) return QString();

  // The filter may carry options after a colon; the file takes the part before it.
  const QString extension = filter.section(QLatin1Char(':'), 0, 0);
  const QString written =
      QDir(out).filePath(QFileInfo(source).completeBaseName() + QLatin1Char('.') + extension);
  return QFileInfo(written).isFile() && QFileInfo(written).size() > 0 ? written : QString();
}

}  // namespace glimbrik
