#include "optimise/jpeg_optim_agent.h"

#include <QFile>

#include "optimise/file.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kJpegOptim{"JpegOptim", "jpegoptim"};
}

JPEGOptimAgent::JPEGOptimAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "JPEGOptimAgent") {}

JPEGOptimAgent::JPEGOptimAgent(std::shared_ptr<File> file, qint64 quality, bool stripMetadata)
    : JPEGOptimAgent(std::move(file)) {
  maxquality_ = quality;
  strip_ = stripMetadata;
}

void JPEGOptimAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  // jpegoptim works in place, so it gets a copy; without one there is nothing to run on.
  if (!job || temp.path().isEmpty() || !QFile::copy(job->filePath(), temp.path())) return;
  QStringList arguments{QStringLiteral("JpegOptim")};
  if (maxquality_ >= 11 && maxquality_ <= 99) arguments << QString::asprintf("-m%lld", maxquality_);
  if (strip_) arguments << QStringLiteral("--strip-all");
  arguments << QStringLiteral("-q") << QStringLiteral("--") << temp.path();
  const int result = launchTask(kJpegOptim, arguments);
  if (isCancelled()) return;
  fileSizeOptimized_ = 0;
  if (result != 0) return;
  fileSizeOptimized_ = static_cast<qint64>(File::fileByteSize(temp.path()));
  if (fileSizeOptimized_ > 0) replaceFileWithResult(temp.path(), 1, QStringLiteral("JpegOptim"));
}

bool JPEGOptimAgent::parseLine(const QString& line) {
  if (line.contains(QStringLiteral(" [OK] "))) {
    const qint64 before = readNumberAfter(QStringLiteral(" [OK] "), line);
    if (const std::shared_ptr<File> job = file(); job && before > 0) {
      job->setByteSize(static_cast<quint64>(before));
    }
  }
  if (!line.contains(QStringLiteral(" --> "))) return false;
  fileSizeOptimized_ = readNumberAfter(QStringLiteral(" --> "), line);
  return true;
}

}  // namespace glimbrik
