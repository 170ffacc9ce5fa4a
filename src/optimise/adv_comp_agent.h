#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Recompresses a PNG with advpng.
class AdvCompAgent final : public CommandAgent {
 public:
  explicit AdvCompAgent(std::shared_ptr<File> file);
  AdvCompAgent(std::shared_ptr<File> file, qint64 quality);  // the quality is not used

  void run() override;
  bool parseLine(const QString& line) override;

  qint64 level() const { return level_; }
  void setLevel(qint64 level) { level_ = level; }
  qint64 fileSizeOptimized() const { return fileSizeOptimized_; }

 private:
  qint64 level_ = 2;
  qint64 fileSizeOptimized_ = 0;
};

}  // namespace glimbrik
