#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Optimises a PNG with OptiPNG into a new file.
class OptiPNGAgent final : public CommandAgent {
 public:
  explicit OptiPNGAgent(std::shared_ptr<File> file);
  OptiPNGAgent(std::shared_ptr<File> file, qint64 quality);  // the quality is not used

  void run() override;
  bool parseLine(const QString& line) override;

  qint64 optlevel() const { return optlevel_; }
  void setOptlevel(qint64 level) { optlevel_ = level; }
  qint64 interlace() const { return interlace_; }
  void setInterlace(qint64 interlace) { interlace_ = interlace; }  // -1 leaves it as it is
  quint64 fileSize() const { return fileSize_; }
  quint64 fileSizeOptimized() const { return fileSizeOptimized_; }

 private:
  qint64 optlevel_ = 6;
  qint64 interlace_ = 0;
  quint64 fileSize_ = 0;
  quint64 fileSizeOptimized_ = 0;
};

}  // namespace glimbrik
