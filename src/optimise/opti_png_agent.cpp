#include "optimise/opti_png_agent.h"

#include "optimise/file.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kOptiPng{"OptiPng", "optipng"};
constexpr qsizetype kShortestSizeLine = 21;
}  // namespace

OptiPNGAgent::OptiPNGAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "OptiPNGAgent") {}

OptiPNGAgent::OptiPNGAgent(std::shared_ptr<File> file, qint64) : OptiPNGAgent(std::move(file)) {}

void OptiPNGAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  if (!job || temp.path().isEmpty()) return;
  QStringList arguments{QStringLiteral("OptiPNG")};
  if (interlace_ != -1) arguments << QString::asprintf("-i%lld", interlace_);
  arguments << QString::asprintf("-o%lld", optlevel_ == 0 ? 6LL : optlevel_)
            << QStringLiteral("-out") << temp.path() << QStringLiteral("--") << job->filePath();
  const int result = launchTask(kOptiPng, arguments);
  if (isCancelled() || result != 0) return;
  replaceFileWithResult(temp.path(), 1, QStringLiteral("OptiPNG"));
}

bool OptiPNGAgent::parseLine(const QString& line) {
  if (line.size() < kShortestSizeLine) return false;
  const QString input = QStringLiteral("Input file size = ");
  if (line.contains(input)) {
    fileSize_ = static_cast<quint64>(std::max<qint64>(0, readNumberAfter(input, line)));
    if (const std::shared_ptr<File> job = file()) job->setByteSize(fileSize_);
    return false;
  }
  const QString output = QStringLiteral("Output file size = ");
  if (!line.contains(output)) return false;
  fileSizeOptimized_ = static_cast<quint64>(std::max<qint64>(0, readNumberAfter(output, line)));
  return true;
}

}  // namespace glimbrik
