#include "pdfjobs/image_extraction/pdf_image_samples.h"

#include <algorithm>
#include <cmath>

namespace glimbrik {

std::vector<uint16_t> UnpackImageSamples(const QByteArray& data, int64_t samplesPerRow,
                                         int64_t height, int bits) {
  std::vector<uint16_t> out;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 16) return out;
  if (samplesPerRow <= 0 || height <= 0) return out;
  const int64_t rowBytes = (samplesPerRow * bits + 7) / 8;
  if (rowBytes > INT64_MAX / height || data.size() < rowBytes * height) return out;
  out.resize(size_t(samplesPerRow * height));
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  size_t o = 0;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = bytes + y * rowBytes;
    for (int64_t i = 0; i < samplesPerRow; ++i) {
      if (bits == 8) {
        out[o++] = row[i];
      } else if (bits == 16) {
        out[o++] = uint16_t(row[2 * i] << 8 | row[2 * i + 1]);
      } else {
        const int64_t bit = i * bits;
        const int shift = 8 - bits - int(bit & 7);
        out[o++] = uint16_t((row[bit >> 3] >> shift) & ((1 << bits) - 1));
      }
    }
  }
  return out;
}

QByteArray ApplyDecodeArray(const std::vector<uint16_t>& samples, int components, int bits,
                            const std::vector<double>& decode) {
  QByteArray out(qsizetype(samples.size()), '\0');
  // A 16-bit sample counts by its high-order byte, as other readers take it: 0xFF01 is 255, not
  // the 254 that scaling all sixteen bits would round it to.
  const int shift = bits == 16 ? 8 : 0;
  const double maxValue = std::ldexp(1.0, bits - shift) - 1.0;
  const size_t pairs = decode.size() / 2;
  for (size_t i = 0; i < samples.size(); ++i) {
    const size_t c = size_t(components > 0 ? int(i % size_t(components)) : 0);
    const double dmin = pairs ? decode[2 * (c % pairs)] : 0.0;
    const double dmax = pairs ? decode[2 * (c % pairs) + 1] : 1.0;
    const double v = (dmin + (samples[i] >> shift) * (dmax - dmin) / maxValue) * 255.0;
    out[qsizetype(i)] = char(uint8_t(std::isnan(v) ? 0.0 : std::clamp(std::round(v), 0.0, 255.0)));
  }
  return out;
}

QByteArray ExpandIndexedImage(const std::vector<uint16_t>& samples, int bits,
                              const std::vector<double>& decode, const QByteArray& palette,
                              int hival, int k) {
  if (hival < 0 || k <= 0 || palette.size() < qsizetype(hival + 1) * k) return QByteArray();
  const double maxValue = std::ldexp(1.0, bits) - 1.0;
  const double dmin = decode.size() >= 2 ? decode[0] : 0.0;
  const double dmax = decode.size() >= 2 ? decode[1] : maxValue;
  QByteArray out(qsizetype(samples.size()) * k, '\0');
  for (size_t i = 0; i < samples.size(); ++i) {
    const double d = dmin + samples[i] * (dmax - dmin) / maxValue;
    const int index = std::isnan(d) ? 0 : int(std::clamp(std::round(d), 0.0, double(hival)));
    std::copy_n(palette.constData() + qsizetype(index) * k, k, out.data() + qsizetype(i) * k);
  }
  return out;
}

}  // namespace glimbrik
