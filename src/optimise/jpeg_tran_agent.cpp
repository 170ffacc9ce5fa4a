#include "optimise/jpeg_tran_agent.h"

#include "optimise/file.h"

namespace glimbrik {

namespace {
constexpr ToolEntry kJpegTran{"JpegTran", "jpegtran"};
}

JPEGTranAgent::JPEGTranAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "JPEGTranAgent") {}

JPEGTranAgent::JPEGTranAgent(std::shared_ptr<File> file, bool stripMetadata)
    : JPEGTranAgent(std::move(file)) {
  strip_ = stripMetadata;
}

void JPEGTranAgent::run() {
  const std::shared_ptr<File> job = file();
  TemporaryFileGuard temp(tempPath());
  if (!job || temp.path().isEmpty()) return;
  const QStringList arguments{QStringLiteral("jpegtran"),
                              QStringLiteral("-copy"),
                              strip_ ? QStringLiteral("none") : QStringLiteral("all"),
                              QStringLiteral("-optimize"),
                              QStringLiteral("-outfile"),
                              temp.path(),
                              job->filePath()};
  const int result = launchTask(kJpegTran, arguments);
  if (isCancelled() || result != 0) return;
  replaceFileWithResult(temp.path(), 1, QStringLiteral("jpegtran"));
}

bool JPEGTranAgent::parseLine(const QString& line) {
  return line.contains(QStringLiteral("End Of Image"));
}

}  // namespace glimbrik
