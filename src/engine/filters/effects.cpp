#include "engine/filters/effects.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "engine/filters/pipeline_pixels.h"

namespace glimbrik {

namespace {

using Curve = double (*)(double);

// A colour matrix (rows give R, G, B from R, G, B) followed by one tone curve per channel.
struct EffectRecipe {
  std::array<std::array<double, 3>, 3> matrix;
  Curve red, green, blue;
};

constexpr double kLumaR = 0.299, kLumaG = 0.587, kLumaB = 0.114;

constexpr std::array<std::array<double, 3>, 3> Saturation(double s) {
  return {{{kLumaR * (1 - s) + s, kLumaG * (1 - s), kLumaB * (1 - s)},
           {kLumaR * (1 - s), kLumaG * (1 - s) + s, kLumaB * (1 - s)},
           {kLumaR * (1 - s), kLumaG * (1 - s), kLumaB * (1 - s) + s}}};
}

// Contrast about mid-grey with a smooth shoulder: k > 1 steepens, k < 1 flattens.
double SCurve(double x, double k) {
  const double a = 1.0 / (1.0 + std::exp(-k * (x - 0.5) * 4.0));
  const double lo = 1.0 / (1.0 + std::exp(k * 2.0));
  const double hi = 1.0 / (1.0 + std::exp(-k * 2.0));
  return (a - lo) / (hi - lo);
}

double Identity(double x) { return x; }
double TonalCurve(double x) { return 0.03 + 0.94 * std::pow(x, 0.9); }
double NoirCurve(double x) { return SCurve(std::pow(x, 1.1), 1.6); }
double FadeCurve(double x) { return 0.1 + 0.8 * x; }
double ChromeCurve(double x) { return SCurve(x, 1.15); }
double ProcessRed(double x) { return SCurve(x, 1.2); }
double ProcessGreen(double x) { return 0.04 + 0.94 * std::pow(x, 0.95); }
double ProcessBlue(double x) { return 0.15 + 0.7 * x; }
double TransferRed(double x) { return std::pow(x, 0.9); }
double TransferBlue(double x) { return 0.05 + 0.85 * std::pow(x, 1.1); }
double InstantRed(double x) { return 0.06 + 0.92 * std::pow(x, 0.95); }
double InstantGreen(double x) { return 0.04 + 0.9 * x; }
double InstantBlue(double x) { return 0.08 + 0.78 * x; }

const EffectRecipe* RecipeFor(int number) {
  static const EffectRecipe kRecipes[] = {
      {Saturation(0.0), Identity, Identity, Identity},            // 1 Mono
      {Saturation(0.0), TonalCurve, TonalCurve, TonalCurve},      // 2 Tonal
      {Saturation(0.0), NoirCurve, NoirCurve, NoirCurve},         // 3 Noir
      {Saturation(0.6), FadeCurve, FadeCurve, FadeCurve},         // 4 Fade
      {Saturation(1.25), ChromeCurve, ChromeCurve, ChromeCurve},  // 5 Chrome
      {Saturation(0.9), ProcessRed, ProcessGreen, ProcessBlue},   // 6 Process
      {Saturation(1.05), TransferRed, Identity, TransferBlue},    // 7 Transfer
      {Saturation(0.85), InstantRed, InstantGreen, InstantBlue},  // 8 Instant
  };
  if (number < 1 || number > 8) return nullptr;
  return &kRecipes[number - 1];
}

template <typename Layout>
std::vector<typename Layout::Channel> CurveTable(Curve curve) {
  std::vector<typename Layout::Channel> table(Layout::kMax + 1);
  for (int i = 0; i <= Layout::kMax; ++i) {
    const double v = std::clamp(curve(double(i) / Layout::kMax), 0.0, 1.0);
    table[i] = static_cast<typename Layout::Channel>(std::lround(v * Layout::kMax));
  }
  return table;
}

template <typename Layout>
void ApplyRecipe(QImage& image, const EffectRecipe& recipe) {
  using C = typename Layout::Channel;
  const auto red = CurveTable<Layout>(recipe.red);
  const auto green = CurveTable<Layout>(recipe.green);
  const auto blue = CurveTable<Layout>(recipe.blue);
  float m[9];
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) m[r * 3 + c] = static_cast<float>(recipe.matrix[r][c]);
  }
  const int width = image.width();
  const float maxValue = static_cast<float>(Layout::kMax);
  ForEachRowBand(image.height(), width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      C* row = reinterpret_cast<C*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) {
        C* p = row + x * 4;
        const float r = p[Layout::kR], g = p[Layout::kG], b = p[Layout::kB];
        const float nr = std::clamp(m[0] * r + m[1] * g + m[2] * b + 0.5f, 0.0f, maxValue);
        const float ng = std::clamp(m[3] * r + m[4] * g + m[5] * b + 0.5f, 0.0f, maxValue);
        const float nb = std::clamp(m[6] * r + m[7] * g + m[8] * b + 0.5f, 0.0f, maxValue);
        p[Layout::kR] = red[static_cast<int>(nr)];
        p[Layout::kG] = green[static_cast<int>(ng)];
        p[Layout::kB] = blue[static_cast<int>(nb)];
      }
    }
  });
}

}  // namespace

QImage ApplyPhotoEffect(const QImage& image, int number) {
  const EffectRecipe* recipe = RecipeFor(number);
  if (!recipe || image.isNull()) return image;
  return FilterUnpremultiplied(image, [recipe](QImage& working, auto layout) {
    ApplyRecipe<decltype(layout)>(working, *recipe);
  });
}

QImage ApplyPhotoEffectToImage(const QImage& image, int number) {
  if (image.isNull()) return QImage();
  return ApplyPhotoEffect(image, number);
}

}  // namespace glimbrik
