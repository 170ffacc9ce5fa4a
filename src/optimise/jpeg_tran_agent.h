#pragma once

#include "optimise/command_agent.h"

namespace glimbrik {

// Rewrites a JPEG with optimised Huffman tables through jpegtran.
class JPEGTranAgent final : public CommandAgent {
 public:
  explicit JPEGTranAgent(std::shared_ptr<File> file);
  JPEGTranAgent(std::shared_ptr<File> file, bool stripMetadata);

  void run() override;
  bool parseLine(const QString& line) override;

  bool strip() const { return strip_; }

 private:
  bool strip_ = false;
};

}  // namespace glimbrik
