#include "engine/filters/image_resample.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/filters/pipeline_pixels.h"
#include "platform/pixels/pixel_formats.h"
#include "platform/pixels/resample_kernel.h"

namespace glimbrik {

namespace {

using resample::Taps;

// Separable Lanczos over premultiplied samples of type T with C channels, alpha last (or none).
// Each band of output rows keeps a ring of horizontally filtered input rows, so memory is a few
// rows per band rather than a second full-size image.
template <typename T, int C>
void ResampleRows(const QImage& in, QImage& out, int alphaChannel, float maxValue) {
  const int inW = in.width(), inH = in.height();
  const int outW = out.width(), outH = out.height();
  const auto hTaps = resample::SharedTaps(inW, outW);
  const auto vTaps = resample::SharedTaps(inH, outH);
  const Taps& h = *hTaps;
  const Taps& v = *vTaps;
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
      resample::FilterRow<T, C>(reinterpret_cast<const T*>(in.constScanLine(y)), h, outW, dst);
      ringRow[slot] = y;
      return dst;
    };

    for (int y = firstRow; y < endRow; ++y) {
      std::fill(acc.begin(), acc.end(), 0.0f);
      const float* wt = &v.weights[size_t(y) * v.width];
      for (int k = 0; k < v.width; ++k) {
        if (wt[k] == 0.0f) continue;
        const float* row = filteredRow(v.first[y] + k);
        resample::Accumulate(acc.data(), row, wt[k], rowFloats);
      }
      resample::WriteRow<T, C>(acc.data(), outW, alphaChannel, maxValue,
                               reinterpret_cast<T*>(out.scanLine(y)));
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
