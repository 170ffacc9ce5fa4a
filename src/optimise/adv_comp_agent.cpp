#include "optimise/adv_comp_agent.h"

#include <QFile>

#include "optimise/file.h"
#include "optimise/number_scan.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kAdvPng{"AdvPng", "advpng"};
}

AdvCompAgent::AdvCompAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "AdvCompAgent") {}

AdvCompAgent::AdvCompAgent(std::shared_ptr<File> file, qint64) : AdvCompAgent(std::move(file)) {}

void AdvCompAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  if (!job || temp.path().isEmpty() || !QFile::copy(job->filePath(), temp.path())) return;
  const QStringList arguments{QStringLiteral("AdvPNG"),
                              QString::asprintf("-%lld", level_ == 0 ? 4LL : level_),
                              QStringLiteral("-z"), QStringLiteral("--"), temp.path()};
  const int result = launchTask(kAdvPng, arguments);
  if (isCancelled() || result != 0) return;
  replaceFileWithResult(temp.path(), 1, QStringLiteral("AdvPNG"));
}

bool AdvCompAgent::parseLine(const QString& line) {
  qsizetype position = 0;
  qint64 before = 0;
  qint64 after = 0;
  if (!ScanInteger(line, position, before)) return false;
  if (const std::shared_ptr<File> job = file())
    job->setByteSize(static_cast<quint64>(std::max<qint64>(0, before)));
  if (!ScanInteger(line, position, after)) return false;
  fileSizeOptimized_ = after;
  return true;
}

}  // namespace glimbrik
