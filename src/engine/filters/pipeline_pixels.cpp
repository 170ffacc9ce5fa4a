#include "engine/filters/pipeline_pixels.h"

#include <QThread>
#include <QtConcurrent/QtConcurrentMap>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

bool IsDeepImage(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_Grayscale16:
    case QImage::Format_RGBX16FPx4:
    case QImage::Format_RGBA16FPx4:
    case QImage::Format_RGBA16FPx4_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
      return true;
    default:
      return false;
  }
}

QImage ToWorkingFormat(const QImage& image) {
  return ConvertedImage(image, IsDeepImage(image) ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
}

QImage FromWorkingFormat(const QImage& working, QImage::Format format) {
  if (working.format() == format) return working;
  return ConvertedImage(working, format);
}

namespace {
thread_local int tInnerParallelism = 0;
}  // namespace

ScopedInnerParallelism::ScopedInnerParallelism(int threads) : previous_(tInnerParallelism) {
  tInnerParallelism = std::max(0, threads);
}

ScopedInnerParallelism::~ScopedInnerParallelism() { tInnerParallelism = previous_; }

int InnerParallelism() { return tInnerParallelism; }

void ForEachRowBand(int height, int64_t pixelsPerRow, const std::function<void(int, int)>& body) {
  if (height <= 0) return;
  // Below about a quarter megapixel the thread hand-off costs more than it saves.
  constexpr int64_t kMinPixelsPerBand = 1 << 16;
  const int limit = tInnerParallelism;
  if (limit == 1) {
    body(0, height);
    return;
  }
  const int cores = limit > 1 ? std::min(limit, std::max(1, QThread::idealThreadCount()))
                              : std::max(1, QThread::idealThreadCount());
  const int64_t total = static_cast<int64_t>(height) * std::max<int64_t>(pixelsPerRow, 1);
  const int bands =
      static_cast<int>(std::clamp<int64_t>(total / kMinPixelsPerBand, 1, int64_t(cores) * 4));
  if (bands <= 1) {
    body(0, height);
    return;
  }
  std::vector<std::pair<int, int>> ranges;
  ranges.reserve(bands);
  for (int i = 0; i < bands; ++i) {
    const int first = static_cast<int>(int64_t(height) * i / bands);
    const int end = static_cast<int>(int64_t(height) * (i + 1) / bands);
    if (end > first) ranges.emplace_back(first, end);
  }
  QtConcurrent::blockingMap(ranges,
                            [&body](const std::pair<int, int>& r) { body(r.first, r.second); });
}

namespace {

std::vector<float> GaussianKernel(double sigma) {
  const int radius = std::max(1, static_cast<int>(std::ceil(sigma * 3.0)));
  std::vector<float> kernel(2 * radius + 1);
  double sum = 0.0;
  for (int i = -radius; i <= radius; ++i) {
    const double v = std::exp(-(i * i) / (2.0 * sigma * sigma));
    kernel[i + radius] = static_cast<float>(v);
    sum += v;
  }
  for (float& k : kernel) k = static_cast<float>(k / sum);
  return kernel;
}

// Both passes accumulate whole rows tap by tap, so the inner loops run over contiguous floats and
// vectorise; edges are clamped.
void BlurRows(float* plane, int width, int height, const std::vector<float>& kernel) {
  const int radius = static_cast<int>(kernel.size() / 2);
  ForEachRowBand(height, width, [&](int first, int end) {
    std::vector<float> line(size_t(width) + 2 * radius);
    for (int y = first; y < end; ++y) {
      float* row = plane + size_t(y) * width;
      std::copy(row, row + width, line.begin() + radius);
      std::fill(line.begin(), line.begin() + radius, row[0]);
      std::fill(line.end() - radius, line.end(), row[width - 1]);
      std::fill(row, row + width, 0.0f);
      for (size_t k = 0; k < kernel.size(); ++k) {
        const float w = kernel[k];
        const float* src = line.data() + k;
        for (int x = 0; x < width; ++x) row[x] += src[x] * w;
      }
    }
  });
}

void BlurColumns(float* plane, int width, int height, const std::vector<float>& kernel) {
  const int radius = static_cast<int>(kernel.size() / 2);
  const std::vector<float> source(plane, plane + size_t(width) * height);
  ForEachRowBand(height, width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      float* row = plane + size_t(y) * width;
      std::fill(row, row + width, 0.0f);
      for (int k = -radius; k <= radius; ++k) {
        const float w = kernel[k + radius];
        const float* src = source.data() + size_t(std::clamp(y + k, 0, height - 1)) * width;
        for (int x = 0; x < width; ++x) row[x] += src[x] * w;
      }
    }
  });
}

}  // namespace

void GaussianBlurPlane(float* plane, int width, int height, double sigma) {
  if (!(sigma > 0.0) || width <= 0 || height <= 0) return;
  const std::vector<float> kernel = GaussianKernel(sigma);
  BlurRows(plane, width, height, kernel);
  BlurColumns(plane, width, height, kernel);
}

}  // namespace glimbrik
