#include "optimise/png_out_agent.h"

#include "optimise/file.h"
#include "optimise/number_scan.h"
#include "platform/store/user_defaults.h"

namespace glimbrik {

PNGOutAgent::PNGOutAgent(std::shared_ptr<File> file)
    : CommandAgent(std::move(file), "PNGOutAgent") {
  level_ = 3 - UserDefaultInteger(QStringLiteral("PngOutLevel"));
  removechunks_ = UserDefaultBool(QStringLiteral("PngOutRemoveChunks"));
}

QStringList PNGOutAgent::arguments() const {
  const std::shared_ptr<File> job = file();
  qint64 level = level_;
  if (job && job->isLarge() && level < 2) ++level;
  QStringList arguments;
  if (!removechunks_) arguments << QStringLiteral("-k1");
  if (level != 0) arguments << QString::asprintf("-s%lld", level);
  arguments << QStringLiteral("-r") << QStringLiteral("-v") << (job ? job->filePath() : QString())
            << QStringLiteral("-");
  return arguments;
}

void PNGOutAgent::run() {
  // The process is prepared but, as before, never started: nothing is offered to the job.
  taskForKey(QStringLiteral("PngOut"), QStringLiteral("pngout"), arguments());
}

bool PNGOutAgent::parseLine(const QString& line) {
  if (line.size() >= 5 &&
      (line.startsWith(QStringLiteral(" In:")) || line.startsWith(QStringLiteral("Out:")))) {
    qsizetype position = 4;
    qint64 value = 0;
    if (ScanInteger(line, position, value) && value != 0) {
      if (line.startsWith(QStringLiteral(" In:"))) {
        if (const std::shared_ptr<File> job = file())
          job->setByteSize(static_cast<quint64>(std::max<qint64>(0, value)));
      } else {
        fileSizeOptimized_ = value;
      }
    }
    return false;
  }
  if (line.size() >= 3 && line.at(2) == QLatin1Char('%')) return false;
  return line.startsWith(QStringLiteral("Took"));
}

}  // namespace glimbrik
