#include "optimise/gifsicle_agent.h"

#include "optimise/file.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kGifsicle{"Gifsicle", "gifsicle"};
}

GifsicleAgent::GifsicleAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "GifsicleAgent") {}

void GifsicleAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  if (!job || temp.path().isEmpty()) return;
  const QStringList arguments{
      QStringLiteral("Gifsicle"),
      QStringLiteral("-o"),
      temp.path(),
      interlace_ ? QStringLiteral("--interlace") : QStringLiteral("--no-interlace"),
      QStringLiteral("-O3"),
      QStringLiteral("--careful"),
      QStringLiteral("--no-comments"),
      QStringLiteral("--no-names"),
      QStringLiteral("--same-delay"),
      QStringLiteral("--same-loopcount"),
      QStringLiteral("--no-warnings"),
      QStringLiteral("--"),
      job->filePath()};
  const int result = launchTask(kGifsicle, arguments);
  if (isCancelled() || result != 0) return;
  const quint64 size = File::fileByteSize(temp.path());
  if (size == 0) return;
  const QString toolName =
      interlace_ ? QStringLiteral("Gifsicle interlaced") : QStringLiteral("Gifsicle");
  // The job owns the temporary result once it takes it.
  if (job->setFilePathOptimized(temp.path(), size, toolName)) temp.release();
}

}  // namespace glimbrik
