#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Prepares pngout, an auxiliary executable that is looked for beside the application. Without
// it the tool is switched off and the job says that it failed to start.
class PNGOutAgent final : public CommandAgent {
 public:
  explicit PNGOutAgent(std::shared_ptr<File> file);

  void run() override;
  bool parseLine(const QString& line) override;
  bool makesNonOptimizingModifications() const override { return removechunks_; }

  qint64 level() const { return level_; }
  bool removechunks() const { return removechunks_; }
  qint64 fileSizeOptimized() const { return fileSizeOptimized_; }
  // The arguments run() prepares (the executable itself is not among them).
  QStringList arguments() const;

 private:
  qint64 level_ = 3;
  bool removechunks_ = false;
  qint64 fileSizeOptimized_ = 0;
};

}  // namespace glimbrik
