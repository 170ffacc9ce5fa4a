#include "engine/filters/levels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "engine/filters/pipeline_pixels.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik {

namespace {

using Histogram = std::array<int64_t, 256>;
using LevelMap = std::array<float, 256>;  // output level (0-255, fractional) of each input level

enum class PixelKind { Colour8, Grey8, ColourFloat, Unsupported };

PixelKind KindOf(const QImage& image) {
  if (image.isNull()) return PixelKind::Unsupported;
  switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
      return PixelKind::Grey8;
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
      return PixelKind::ColourFloat;
    default:
      // 16-bit and half-float canvases are not levelled.
      return IsDeepImage(image) ? PixelKind::Unsupported : PixelKind::Colour8;
  }
}

// Working copies: un-premultiplied, so that levels move colour and never alpha.
QImage WorkingCopy(const QImage& image, PixelKind kind) {
  switch (kind) {
    case PixelKind::Colour8:
      return image.convertToFormat(QImage::Format_ARGB32);
    case PixelKind::ColourFloat:
      return ConvertedImage(image, QImage::Format_RGBA32FPx4);
    default:
      return image.convertToFormat(QImage::Format_Grayscale8);
  }
}

int FloatBin(float v) { return std::clamp(static_cast<int>(v * 255.0f + 0.5f), 0, 255); }

// Histograms of the colour channels (1 or 3).
std::array<Histogram, 3> ColourHistograms(const QImage& work, PixelKind kind) {
  std::array<Histogram, 3> h{};
  const int width = work.width();
  for (int y = 0; y < work.height(); ++y) {
    if (kind == PixelKind::Colour8) {
      const uint8_t* row = work.constScanLine(y);
      for (int x = 0; x < width; ++x) {
        ++h[0][row[x * 4 + Argb32Layout::kR]];
        ++h[1][row[x * 4 + Argb32Layout::kG]];
        ++h[2][row[x * 4 + Argb32Layout::kB]];
      }
    } else if (kind == PixelKind::ColourFloat) {
      const float* row = reinterpret_cast<const float*>(work.constScanLine(y));
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < 3; ++c) ++h[c][FloatBin(row[x * 4 + c])];
      }
    } else {
      const uint8_t* row = work.constScanLine(y);
      for (int x = 0; x < width; ++x) ++h[0][row[x]];
    }
  }
  return h;
}

// Histogram matching: each level goes to the lowest target level whose cumulative share
// reaches the source level's cumulative share (shares compared exactly, in integers).
LevelMap MatchingMap(const Histogram& source, const Histogram& target) {
  LevelMap map{};
  int64_t sourceTotal = 0, targetTotal = 0;
  for (int i = 0; i < 256; ++i) {
    sourceTotal += source[i];
    targetTotal += target[i];
  }
  if (sourceTotal == 0 || targetTotal == 0) {
    for (int i = 0; i < 256; ++i) map[i] = float(i);
    return map;
  }
  std::array<int64_t, 256> targetCum{};
  int64_t cum = 0;
  for (int j = 0; j < 256; ++j) targetCum[j] = cum += target[j];
  int64_t sourceCum = 0;
  int j = 0;
  for (int i = 0; i < 256; ++i) {
    sourceCum += source[i];
    // Shares can reach 2^37 x 2^37 at most for images under the decoder's size limit.
    const __int128 need = static_cast<__int128>(sourceCum) * targetTotal;
    while (j < 255 && static_cast<__int128>(targetCum[j]) * sourceTotal < need) ++j;
    map[i] = float(j);
  }
  return map;
}

Histogram StretchTarget(const Histogram& source, int low, int high) {
  Histogram target{};
  const double f = 255.0 / (high - low);
  target[0] = source[low];
  for (int j = 1; j * f <= 255.0 && low + j <= high; ++j) {
    target[static_cast<int>(std::nearbyint(j * f))] = source[low + j];
  }
  target[255] = source[high];
  return target;
}

void ApplyMaps(QImage& work, PixelKind kind, const std::array<LevelMap, 3>& maps) {
  const int width = work.width();
  ForEachRowBand(work.height(), width, [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      if (kind == PixelKind::Colour8) {
        uint8_t* row = work.scanLine(y);
        const int channels[3] = {Argb32Layout::kR, Argb32Layout::kG, Argb32Layout::kB};
        for (int x = 0; x < width; ++x) {
          for (int c = 0; c < 3; ++c) {
            uint8_t& v = row[x * 4 + channels[c]];
            v = static_cast<uint8_t>(maps[c][v]);
          }
        }
      } else if (kind == PixelKind::ColourFloat) {
        float* row = reinterpret_cast<float*>(work.scanLine(y));
        for (int x = 0; x < width; ++x) {
          for (int c = 0; c < 3; ++c) {
            // Between bins the mapping is interpolated so that float pixels keep their detail.
            float& v = row[x * 4 + c];
            const float pos = std::clamp(v, 0.0f, 1.0f) * 255.0f;
            const int i = std::min(static_cast<int>(pos), 254);
            const float t = pos - float(i);
            v = (maps[c][i] * (1.0f - t) + maps[c][i + 1] * t) / 255.0f;
          }
        }
      } else {
        uint8_t* row = work.scanLine(y);
        for (int x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(maps[0][row[x]]);
      }
    }
  });
}

std::optional<QImage> Levels(const QImage& image, PixelKind kind, int colourChannels) {
  QImage work = WorkingCopy(image, kind);
  if (work.isNull()) return std::nullopt;
  const std::array<Histogram, 3> histograms = ColourHistograms(work, kind);
  const int64_t pixels = int64_t(work.width()) * work.height();
  const int64_t threshold = colourChannels == 3 ? pixels * 3 / 25600 : pixels / 25600;
  auto populated = [&](int level) {
    for (int c = 0; c < colourChannels; ++c) {
      if (histograms[c][level] > threshold) return true;
    }
    return false;
  };
  int low = 0;
  while (low < 256 && !populated(low)) ++low;
  if (low == 256) low = 0;
  int high = 255;
  if (low <= 254) {
    while (high > low && !populated(high)) --high;
    if (high == low) high = 255;
  }
  if (low == 0 && high == 255) return std::nullopt;
  std::array<LevelMap, 3> maps{};
  for (int c = 0; c < colourChannels; ++c) {
    maps[c] = MatchingMap(histograms[c], StretchTarget(histograms[c], low, high));
  }
  ApplyMaps(work, kind, maps);
  return ConvertedImage(work, image.format());
}

}  // namespace

std::optional<QImage> MatchHistogramARGB(const QImage& image) {
  const PixelKind kind = KindOf(image);
  if (kind != PixelKind::Colour8 && kind != PixelKind::ColourFloat) return std::nullopt;
  return Levels(image, kind, 3);
}

std::optional<QImage> MatchHistogramPlanar(const QImage& image) {
  if (KindOf(image) != PixelKind::Grey8) return std::nullopt;
  return Levels(image, PixelKind::Grey8, 1);
}

std::optional<QImage> MatchHistogram(const QImage& image, int colorComponents) {
  if (colorComponents == 3) return MatchHistogramARGB(image);
  if (colorComponents == 1) return MatchHistogramPlanar(image);
  return std::nullopt;
}

bool ComputeHistogramARGB(const QImage& image, int* low, int* high) {
  if (KindOf(image) != PixelKind::Colour8) return false;
  const QImage work = WorkingCopy(image, PixelKind::Colour8);
  const auto h = ColourHistograms(work, PixelKind::Colour8);
  auto any = [&](int level) { return h[0][level] || h[1][level] || h[2][level]; };
  int lo = 0;
  while (lo < 256 && !any(lo)) ++lo;
  if (lo == 256) return false;
  int hi = 255;
  while (hi > lo && !any(hi)) --hi;
  *low = lo;
  *high = hi;
  return true;
}

std::optional<QImage> EqualizeImage(const QImage& image) {
  const PixelKind kind = KindOf(image);
  if (kind == PixelKind::Unsupported) return std::nullopt;
  QImage work = WorkingCopy(image, kind);
  if (work.isNull()) return std::nullopt;
  const int channels = kind == PixelKind::Grey8 ? 1 : 3;
  const auto histograms = ColourHistograms(work, kind);
  Histogram flat{};
  const int64_t pixels = int64_t(work.width()) * work.height();
  for (int i = 0; i < 256; ++i) flat[i] = pixels / 256 + (i < pixels % 256 ? 1 : 0);
  std::array<LevelMap, 3> maps{};
  for (int c = 0; c < channels; ++c) maps[c] = MatchingMap(histograms[c], flat);
  ApplyMaps(work, kind, maps);
  return ConvertedImage(work, image.format());
}

}  // namespace glimbrik
