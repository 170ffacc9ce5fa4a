#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Optimises a GIF with gifsicle and offers the result to the job, which keeps the smallest.
class GifsicleAgent final : public CommandAgent {
 public:
  explicit GifsicleAgent(std::shared_ptr<File> file);

  void run() override;

  bool interlace() const { return interlace_; }
  void setInterlace(bool interlace) { interlace_ = interlace; }

 private:
  bool interlace_ = false;
};

}  // namespace glimbrik
