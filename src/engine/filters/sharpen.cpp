#include "engine/filters/sharpen.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/filters/pipeline_pixels.h"

namespace glimbrik {

namespace {

// Radius of the detail that is boosted, in pixels, and the gain per unit of sharpness.
constexpr double kSharpenSigma = 1.2;
constexpr float kGainPerSharpness = 2.0f;

template <typename Layout>
void SharpenKernel(QImage& image, double sharpness) {
  using C = typename Layout::Channel;
  const int width = image.width();
  const int height = image.height();
  std::vector<float> luma(size_t(width) * height);
  ForEachRowBand(height, width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      const C* row = reinterpret_cast<const C*>(image.constScanLine(y));
      float* out = luma.data() + size_t(y) * width;
      for (int x = 0; x < width; ++x) {
        const C* p = row + x * 4;
        out[x] = 0.299f * p[Layout::kR] + 0.587f * p[Layout::kG] + 0.114f * p[Layout::kB];
      }
    }
  });
  std::vector<float> blurred = luma;
  GaussianBlurPlane(blurred.data(), width, height, kSharpenSigma);
  const float gain = static_cast<float>(sharpness) * kGainPerSharpness;
  const float maxValue = static_cast<float>(Layout::kMax);
  ForEachRowBand(height, width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      C* row = reinterpret_cast<C*>(image.scanLine(y));
      const float* l = luma.data() + size_t(y) * width;
      const float* b = blurred.data() + size_t(y) * width;
      for (int x = 0; x < width; ++x) {
        const float delta = gain * (l[x] - b[x]);
        C* p = row + x * 4;
        p[Layout::kR] = static_cast<C>(std::clamp(p[Layout::kR] + delta + 0.5f, 0.0f, maxValue));
        p[Layout::kG] = static_cast<C>(std::clamp(p[Layout::kG] + delta + 0.5f, 0.0f, maxValue));
        p[Layout::kB] = static_cast<C>(std::clamp(p[Layout::kB] + delta + 0.5f, 0.0f, maxValue));
      }
    }
  });
}

}  // namespace

QImage SharpenLuminance(const QImage& image, double sharpness) {
  if (image.isNull() || !(sharpness > 0.0)) return image;
  return FilterUnpremultiplied(image, [sharpness](QImage& working, auto layout) {
    SharpenKernel<decltype(layout)>(working, sharpness);
  });
}

}  // namespace glimbrik
