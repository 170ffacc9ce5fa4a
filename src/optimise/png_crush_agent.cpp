#include "optimise/png_crush_agent.h"

#include "optimise/file.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kPngCrush{"PngCrush", "pngcrush"};
// A smaller result cannot be a whole PNG and means the tool failed.
constexpr quint64 kSmallestResult = 71;
}  // namespace

QVXPngCrushAgent::QVXPngCrushAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "QVXPngCrushAgent") {}

QVXPngCrushAgent::QVXPngCrushAgent(std::shared_ptr<File> file, qint64)
    : QVXPngCrushAgent(std::move(file)) {}

void QVXPngCrushAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  if (!job || temp.path().isEmpty()) return;
  QStringList arguments{QStringLiteral("PngCrush"), QStringLiteral("-try10")};
  if (strip_) arguments << QStringLiteral("-rem") << QStringLiteral("alla");
  arguments << QStringLiteral("-q") << QStringLiteral("-reduce") << QStringLiteral("--")
            << job->filePath() << temp.path();
  const int result = launchTask(kPngCrush, arguments);
  if (isCancelled() || result != 0) return;
  replaceFileWithResult(temp.path(), kSmallestResult, QStringLiteral("PngCrush"));
}

}  // namespace glimbrik
