#include "platform/row_resampler.h"

#include <functional>

#include "platform/resample_kernel.h"

namespace glimbrik {

namespace resample {

namespace {

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = M_PI * x;
  return std::sin(px) / px;
}

constexpr double kLobes = 3.0;

double Lanczos3(double x) {
  x = std::abs(x);
  return x < kLobes ? Sinc(x) * Sinc(x / kLobes) : 0.0;
}

}  // namespace

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

}  // namespace resample

struct RowResampler::Impl {
  QSize in, out;
  int channels = 0;
  resample::Taps h, v;
  std::vector<float> ring;  // v.width horizontally filtered rows
  std::vector<float> acc;
  size_t rowFloats = 0;
  int pushed = 0;
  int emitted = 0;
  QImage image;
  std::function<void(const uchar*, float*)> filter;
  std::function<void(const float*, uchar*)> write;

  void emitReadyRows() {
    const int ringSize = v.width;
    while (emitted < out.height() && v.first[emitted] + ringSize <= pushed) {
      std::fill(acc.begin(), acc.end(), 0.0f);
      const float* wt = &v.weights[size_t(emitted) * ringSize];
      for (int k = 0; k < ringSize; ++k) {
        if (wt[k] == 0.0f) continue;
        const int row = v.first[emitted] + k;
        resample::Accumulate(acc.data(), &ring[rowFloats * size_t(row % ringSize)], wt[k],
                             rowFloats);
      }
      write(acc.data(), image.scanLine(emitted));
      ++emitted;
    }
  }
};

namespace {

template <typename T, int C>
void Bind(RowResampler::Impl& d, int alphaChannel, float maxValue) {
  d.channels = C;
  d.filter = [&d](const uchar* row, float* dst) {
    resample::FilterRow<T, C>(reinterpret_cast<const T*>(row), d.h, d.out.width(), dst);
  };
  d.write = [&d, alphaChannel, maxValue](const float* acc, uchar* dst) {
    resample::WriteRow<T, C>(acc, d.out.width(), alphaChannel, maxValue, reinterpret_cast<T*>(dst));
  };
}

}  // namespace

RowResampler::RowResampler(QSize in, QSize out, QImage::Format format)
    : impl_(std::make_unique<Impl>()) {
  Impl& d = *impl_;
  if (in.isEmpty() || out.isEmpty()) return;
  switch (format) {
    case QImage::Format_Grayscale8:
      Bind<uint8_t, 1>(d, -1, 255.0f);
      break;
    case QImage::Format_Grayscale16:
      Bind<uint16_t, 1>(d, -1, 65535.0f);
      break;
    case QImage::Format_ARGB32_Premultiplied:
      Bind<uint8_t, 4>(d, 3, 255.0f);
      break;
    case QImage::Format_RGBA64_Premultiplied:
      Bind<uint16_t, 4>(d, 3, 65535.0f);
      break;
    default:
      return;
  }
  d.image = QImage(out, format);
  if (d.image.isNull()) return;
  d.in = in;
  d.out = out;
  d.h = resample::ComputeTaps(in.width(), out.width());
  d.v = resample::ComputeTaps(in.height(), out.height());
  d.rowFloats = size_t(out.width()) * d.channels;
  d.ring.assign(d.rowFloats * size_t(d.v.width), 0.0f);
  d.acc.assign(d.rowFloats, 0.0f);
}

RowResampler::~RowResampler() = default;

bool RowResampler::isValid() const { return !impl_->image.isNull() && impl_->channels > 0; }

void RowResampler::pushRow(const uchar* row) {
  Impl& d = *impl_;
  if (!isValid() || d.pushed >= d.in.height()) return;
  d.filter(row, &d.ring[d.rowFloats * size_t(d.pushed % d.v.width)]);
  ++d.pushed;
  d.emitReadyRows();
}

QImage RowResampler::take() {
  Impl& d = *impl_;
  if (!isValid() || d.emitted < d.out.height()) return QImage();
  return std::move(d.image);
}

}  // namespace glimbrik
