#include "engine/image_resample.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/pipeline_pixels.h"

#include "platform/pixel_formats.h"

namespace glimbrik {

namespace {

constexpr double kLobes = 3.0;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = M_PI * x;
  return std::sin(px) / px;
}

double Lanczos3(double x) {
  x = std::abs(x);
  return x < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0;
}

// For each output sample along one axis, the first input sample it reads and its normalised
// weights. Shrinking widens the kernel by the scale so that it filters below the new Nyquist.
struct Taps {
  std::vector<int> first;
  std::vector<float> weights;  // `width` weights per output sample, zero-padded
  int width = 0;
};

Taps ComputeTaps(int inSize, int outSize) {
  const double scale = double(inSize) / outSize;
  const double stretch = std::max(1.0, scale);
  const double support = kLobes * stretch;
  Taps taps;
  taps.width = std::min(inSize, int(std::ceil(support)) * 2 + 1);
  taps.first.resize(outSize);
  taps.weights.assign(size_t(outSize) * taps.width, 0.0f);
  std::vector<double> w(taps.width);
  for (int i = 0; i < outSize; ++i) {
    const double centre = (i + 0.5) * scale;  // in input coordinates, samples at j + 0.5
    int lo = int(std::floor(centre - support));
    lo = std::clamp(lo, 0, inSize - taps.width);
    double sum = 0.0;
    for (int k = 0; k < taps.width; ++k) {
      w[k] = Lanczos3((lo + k + 0.5 - centre) / stretch);
      sum += w[k];
    }
    taps.first[i] = lo;
    float* out = &taps.weights[size_t(i) * taps.width];
    for (int k = 0; k < taps.width; ++k) out[k] = float(sum != 0.0 ? w[k] / sum : 0.0);
  }
  return taps;
}

// Separable Lanczos over premultiplied samples of type T with C channels, alpha last (or none).
// Each band of output rows keeps a ring of horizontally filtered input rows, so memory is a few
// rows per band rather than a second full-size image.
template <typename T, int C>
void ResampleRows(const QImage& in, QImage& out, int alphaChannel, float maxValue) {
  const int inW = in.width(), inH = in.height();
  const int outW = out.width(), outH = out.height();
  const Taps h = ComputeTaps(inW, outW);
  const Taps v = ComputeTaps(inH, outH);
  const size_t rowFloats = size_t(outW) * C;

  ForEachRowBand(outH, int64_t(outW) * v.width, [&](int firstRow, int endRow) {
    const int ringSize = v.width;
    std::vector<float> ring(rowFloats * ringSize);
    std::vector<int> ringRow(ringSize, -1);
    std::vector<float> acc(rowFloats);

    auto filteredRow = [&](int y) -> const float* {
      const int slot = y % ringSize;
      float* dst = &ring[rowFloats * slot];
      if (ringRow[slot] == y) return dst;
      const T* src = reinterpret_cast<const T*>(in.constScanLine(y));
      for (int x = 0; x < outW; ++x) {
        const float* wt = &h.weights[size_t(x) * h.width];
        const T* s = src + size_t(h.first[x]) * C;
        float sum[C] = {};
        for (int k = 0; k < h.width; ++k) {
          for (int c = 0; c < C; ++c) sum[c] += wt[k] * float(s[k * C + c]);
        }
        for (int c = 0; c < C; ++c) dst[x * C + c] = sum[c];
      }
      ringRow[slot] = y;
      return dst;
    };

    for (int y = firstRow; y < endRow; ++y) {
      std::fill(acc.begin(), acc.end(), 0.0f);
      const float* wt = &v.weights[size_t(y) * v.width];
      for (int k = 0; k < v.width; ++k) {
        if (wt[k] == 0.0f) continue;
        const float* row = filteredRow(v.first[y] + k);
        const float weight = wt[k];
        for (size_t i = 0; i < rowFloats; ++i) acc[i] += weight * row[i];
      }
      T* dst = reinterpret_cast<T*>(out.scanLine(y));
      for (int x = 0; x < outW; ++x) {
        const float* a = &acc[size_t(x) * C];
        // Lanczos rings; premultiplied colour may not exceed its alpha.
        const float alpha = alphaChannel >= 0
                                ? std::clamp(std::nearbyint(a[alphaChannel]), 0.0f, maxValue)
                                : maxValue;
        for (int c = 0; c < C; ++c) {
          const float limit = c == alphaChannel ? maxValue : alpha;
          dst[x * C + c] = T(std::clamp(std::nearbyint(a[c]), 0.0f, limit));
        }
      }
    }
  });
}

}  // namespace

QImage ResampleImage(const QImage& image, QSize size) {
  if (image.isNull() || size.isEmpty()) return QImage();
  QImage work = image;
  switch (work.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBA64_Premultiplied:
      break;
    default:
      work = ConvertedImage(work, work.depth() > 32 ? QImage::Format_RGBA64_Premultiplied
                                                    : QImage::Format_ARGB32_Premultiplied);
  }
  if (work.isNull() || work.size() == size) return work;
  QImage out(size, work.format());
  if (out.isNull()) return out;
  out.setColorSpace(work.colorSpace());
  out.setDotsPerMeterX(work.dotsPerMeterX());
  out.setDotsPerMeterY(work.dotsPerMeterY());
  switch (work.format()) {
    case QImage::Format_Grayscale8:
      ResampleRows<uint8_t, 1>(work, out, -1, 255.0f);
      break;
    case QImage::Format_Grayscale16:
      ResampleRows<uint16_t, 1>(work, out, -1, 65535.0f);
      break;
    case QImage::Format_RGBA64_Premultiplied:
      ResampleRows<uint16_t, 4>(work, out, 3, 65535.0f);
      break;
    default:  // B G R A in memory on a little-endian machine
      ResampleRows<uint8_t, 4>(work, out, 3, 255.0f);
      break;
  }
  return out;
}

}  // namespace glimbrik
