#include "optimise/batch_optimise.h"

#include "optimise/file.h"
#include "optimise/jpeg_optim_agent.h"
#include "optimise/png_crush_agent.h"

namespace glimbrik {

namespace {
// A maximum quality of 100 keeps jpegoptim lossless.
constexpr qint64 kLosslessQuality = 100;
}  // namespace

void OptimiseJPEGFile(const QString& path, bool stripMetadata) {
  auto job = std::make_shared<File>(path);
  JPEGOptimAgent(job, kLosslessQuality, stripMetadata).run();
  job->cleanup();
}

void OptimisePNGFile(const QString& path) {
  auto job = std::make_shared<File>(path);
  QVXPngCrushAgent(job, 1).run();
  job->cleanup();
}

}  // namespace glimbrik
