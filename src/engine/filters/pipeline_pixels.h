#pragma once

// Shared pixel plumbing of the tone, effect and sharpening filters: the un-premultiplied working
// formats, their channel layouts, a row-band splitter over all cores and a Gaussian blur.

#include <QImage>
#include <cstdint>
#include <functional>

namespace glimbrik {

// Channel order in memory of the two working formats.
struct Argb32Layout {  // QImage::Format_ARGB32 on a little-endian machine: B G R A
  using Channel = uint8_t;
  static constexpr int kR = 2, kG = 1, kB = 0, kA = 3;
  static constexpr int kMax = 255;
};

struct Rgba64Layout {  // QImage::Format_RGBA64: R G B A, 16 bits each
  using Channel = uint16_t;
  static constexpr int kR = 0, kG = 1, kB = 2, kA = 3;
  static constexpr int kMax = 65535;
};

// True for images whose channels have more than 8 bits; these are filtered in RGBA64.
bool IsDeepImage(const QImage& image);

// The image as un-premultiplied ARGB32 (8-bit sources) or RGBA64 (deeper sources).
QImage ToWorkingFormat(const QImage& image);

// Back to the caller's format; a filter never changes a canvas's pixel format.
QImage FromWorkingFormat(const QImage& working, QImage::Format format);

// Runs kernel(working, layout) on an un-premultiplied copy of the image, with layout an
// Argb32Layout or Rgba64Layout value naming the copy's channels, and returns the copy in the
// image's own format. A null image, or one that cannot be copied, comes back as it is.
template <typename Kernel>
QImage FilterUnpremultiplied(const QImage& image, Kernel&& kernel) {
  if (image.isNull()) return image;
  QImage working = ToWorkingFormat(image);
  if (working.isNull()) return image;
  if (working.format() == QImage::Format_RGBA64) {
    kernel(working, Rgba64Layout{});
  } else {
    kernel(working, Argb32Layout{});
  }
  return FromWorkingFormat(working, image.format());
}

// Runs body(firstRow, endRow) over bands of rows, on all cores when the image is large enough to
// pay for the threads. The bands never overlap. Runs inline on a thread that limited its inner
// parallelism to 1 (see ScopedInnerParallelism).
void ForEachRowBand(int height, int64_t pixelsPerRow, const std::function<void(int, int)>& body);

// Limits how many threads the filters started from this thread may use, for the object's
// lifetime. A batch worker sets 1: the workers already fill the cores, and fanning out to the
// shared pool on top of them only adds hand-offs.
class ScopedInnerParallelism {
 public:
  explicit ScopedInnerParallelism(int threads);
  ~ScopedInnerParallelism();
  ScopedInnerParallelism(const ScopedInnerParallelism&) = delete;
  ScopedInnerParallelism& operator=(const ScopedInnerParallelism&) = delete;

 private:
  int previous_;
};

// The limit in force on this thread; 0 means all cores.
int InnerParallelism();

// Gaussian blur of a width x height float plane in place (rows, then columns).
void GaussianBlurPlane(float* plane, int width, int height, double sigma);

}  // namespace glimbrik
