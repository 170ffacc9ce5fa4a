#include "optimise/batch_optimise.h"

#include "optimise/file.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/png_crush_agent.h"

namespace glimbrik {

namespace {
// A maximum quality of 100 keeps jpegoptim lossless.
constexpr qint64 kLosslessQuality = 100;
}  // namespace

void OptimiseJPEGFile(const QString& path, bool stripMetadata, const std::atomic<bool>* stop) {
  auto job = std::make_shared<File>(path);
  JPEGOptimAgent agent(job, kLosslessQuality, stripMetadata);
  agent.setStopFlag(stop);
  agent.run();
  job->cleanup();
}

void OptimisePNGFile(const QString& path, const std::atomic<bool>* stop) {
  auto job = std::make_shared<File>(path);
  QVXPngCrushAgent agent(job, 1);
  agent.setStopFlag(stop);
  agent.run();
  job->cleanup();
}

}  // namespace glimbrik
