#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Recompresses a PNG with pngcrush, optionally removing its ancillary chunks.
class QVXPngCrushAgent final : public CommandAgent {
 public:
  explicit QVXPngCrushAgent(std::shared_ptr<File> file);
  QVXPngCrushAgent(std::shared_ptr<File> file, qint64 quality);  // the quality is not used

  void run() override;
  bool makesNonOptimizingModifications() const override { return strip_; }

  bool strip() const { return strip_; }
  void setStrip(bool strip) { strip_ = strip; }

 private:
  bool strip_ = false;
};

}  // namespace glimbrik
