#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Optimises a JPEG with jpegoptim: lossless unless a maximum quality of 11-99 is given.
class JPEGOptimAgent final : public CommandAgent {
 public:
  explicit JPEGOptimAgent(std::shared_ptr<File> file);
  JPEGOptimAgent(std::shared_ptr<File> file, qint64 quality, bool stripMetadata);

  void run() override;
  bool parseLine(const QString& line) override;
  bool makesNonOptimizingModifications() const override { return maxquality_ < 100; }

  qint64 maxquality() const { return maxquality_; }
  bool strip() const { return strip_; }
  qint64 fileSizeOptimized() const { return fileSizeOptimized_; }

 private:
  qint64 maxquality_ = 0;
  qint64 fileSizeOptimized_ = 0;
  bool strip_ = false;
};

}  // namespace glimbrik
