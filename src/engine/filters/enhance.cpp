#include "engine/filters/enhance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/filters/pipeline_pixels.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace {

struct Statistics {
  std::array<int64_t, 256> luma{};
  int64_t count = 0;
  double saturationSum = 0.0;
};

// Every pixel of a small image, a regular sample of a large one: the choice needs proportions,
// not every pixel.
Statistics Gather(const QImage& work8) {
  Statistics s;
  const int step =
      std::max(1, static_cast<int>(std::sqrt(double(work8.width()) * work8.height() / 250000.0)));
  for (int y = 0; y < work8.height(); y += step) {
    const uint8_t* row = work8.constScanLine(y);
    for (int x = 0; x < work8.width(); x += step) {
      const uint8_t* p = row + x * 4;
      if (p[Argb32Layout::kA] == 0) continue;
      const int r = p[Argb32Layout::kR], g = p[Argb32Layout::kG], b = p[Argb32Layout::kB];
      ++s.luma[(299 * r + 587 * g + 114 * b + 500) / 1000];
      const int mx = std::max({r, g, b});
      const int mn = std::min({r, g, b});
      s.saturationSum += mx > 0 ? double(mx - mn) / mx : 0.0;
      ++s.count;
    }
  }
  return s;
}

int Percentile(const std::array<int64_t, 256>& h, int64_t count, double share) {
  const int64_t wanted = static_cast<int64_t>(std::ceil(count * share));
  int64_t cum = 0;
  for (int i = 0; i < 256; ++i) {
    cum += h[i];
    if (cum >= wanted && cum > 0) return i;
  }
  return 255;
}

double ToneCurve(const EnhanceChoice& c, double x) {
  double v = std::clamp((x - c.blackPoint) / (c.whitePoint - c.blackPoint), 0.0, 1.0);
  v = std::pow(v, c.gamma);
  v += c.shadowLift * 4.0 * v * (1.0 - v) * (1.0 - v);
  return std::clamp(v, 0.0, 1.0);
}

template <typename Layout>
void EnhanceKernel(QImage& image, const EnhanceChoice& choice) {
  using C = typename Layout::Channel;
  std::vector<C> table(Layout::kMax + 1);
  for (int i = 0; i <= Layout::kMax; ++i) {
    table[i] =
        static_cast<C>(std::lround(ToneCurve(choice, double(i) / Layout::kMax) * Layout::kMax));
  }
  const float vibrance = static_cast<float>(choice.vibrance);
  const float maxValue = static_cast<float>(Layout::kMax);
  const int width = image.width();
  ForEachRowBand(image.height(), width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      C* row = reinterpret_cast<C*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) {
        C* p = row + x * 4;
        float r = table[p[Layout::kR]], g = table[p[Layout::kG]], b = table[p[Layout::kB]];
        if (vibrance > 0.0f) {
          // Dull colours gain more than vivid ones; greys stay grey.
          const float mx = std::max({r, g, b});
          const float mn = std::min({r, g, b});
          const float saturation = mx > 0.0f ? (mx - mn) / mx : 0.0f;
          const float gain = 1.0f + vibrance * (1.0f - saturation);
          r = mx + (r - mx) * gain;
          g = mx + (g - mx) * gain;
          b = mx + (b - mx) * gain;
        }
        p[Layout::kR] = static_cast<C>(std::clamp(r + 0.5f, 0.0f, maxValue));
        p[Layout::kG] = static_cast<C>(std::clamp(g + 0.5f, 0.0f, maxValue));
        p[Layout::kB] = static_cast<C>(std::clamp(b + 0.5f, 0.0f, maxValue));
      }
    }
  });
}

bool IsNeutral(const EnhanceChoice& c) {
  return c.blackPoint == 0.0 && c.whitePoint == 1.0 && c.gamma == 1.0 && c.shadowLift == 0.0 &&
         c.vibrance == 0.0;
}

}  // namespace

EnhanceChoice ChooseEnhancement(const QImage& image) {
  EnhanceChoice c;
  if (image.isNull()) return c;
  const QImage work8 = ConvertedImage(image, QImage::Format_ARGB32);
  const Statistics s = Gather(work8);
  if (s.count == 0) return c;
  // Clip at most half a percent at each end.
  const int low = Percentile(s.luma, s.count, 0.005);
  const int high = Percentile(s.luma, s.count, 0.995);
  // A point within two levels of the end is already there; beyond that, move at most 25 levels
  // at the dark end and 55 at the bright end, where dark images lose most.
  c.blackPoint = low <= 2 ? 0.0 : std::min(low, 25) / 255.0;
  c.whitePoint = high >= 253 ? 1.0 : std::max(high, 200) / 255.0;
  if (c.whitePoint <= c.blackPoint) {
    c.blackPoint = 0.0;
    c.whitePoint = 1.0;
  }
  // Mid-tones move half the way towards middle grey.
  double mean = 0.0;
  int64_t dark = 0;
  for (int i = 0; i < 256; ++i) {
    const double v =
        std::clamp((i / 255.0 - c.blackPoint) / (c.whitePoint - c.blackPoint), 0.0, 1.0);
    mean += v * s.luma[i];
    if (i < 64) dark += s.luma[i];
  }
  mean /= s.count;
  if (mean > 0.02 && mean < 0.98) {
    const double target = mean + (0.5 - mean) / 2.0;
    const double gamma = std::clamp(std::log(target) / std::log(mean), 0.7, 1.4);
    if (std::fabs(gamma - 1.0) > 0.02) c.gamma = gamma;
  }
  // Lift the shadows when more than three tenths of the image is dark (an even ramp has a
  // quarter).
  const double darkShare = double(dark) / s.count;
  if (darkShare > 0.3) c.shadowLift = std::min((darkShare - 0.3) * 0.5, 0.15);
  const double meanSaturation = s.saturationSum / s.count;
  if (meanSaturation > 0.02 && meanSaturation < 0.35) {
    c.vibrance = std::min((0.35 - meanSaturation), 0.3);
  }
  return c;
}

QImage AutoEnhance(const QImage& image) {
  if (image.isNull()) return image;
  const EnhanceChoice choice = ChooseEnhancement(image);
  if (IsNeutral(choice)) return image;
  return FilterUnpremultiplied(image, [&choice](QImage& working, auto layout) {
    EnhanceKernel<decltype(layout)>(working, choice);
  });
}

}  // namespace glimbrik
