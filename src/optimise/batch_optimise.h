#pragma once

#include <QString>
#include <atomic>

namespace glimbrik {

// A batch run's optimisation of a file it has just written, on the calling thread: a File job
// for the path, one agent run directly, then the job cleaned up. The file is replaced only by a
// smaller result with the same pixels; any failure leaves it as it was. Setting stop ends the
// tool at once and leaves the file as it was.
void OptimiseJPEGFile(const QString& path, bool stripMetadata,
                      const std::atomic<bool>* stop = nullptr);  // jpegoptim, lossless
void OptimisePNGFile(const QString& path, const std::atomic<bool>* stop = nullptr);  // pngcrush

}  // namespace glimbrik
