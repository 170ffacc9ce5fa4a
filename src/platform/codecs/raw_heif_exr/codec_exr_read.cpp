// OpenEXR previews: the file is read in strips and averaged down as it goes, so that a large
// picture never sits in memory whole.
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>

#include <QFile>
#include <algorithm>
#include <cmath>
#include <exception>
#include <vector>

#include "platform/codecs/raw_heif_exr/exr_preview.h"
#include "platform/metadata/image_header.h"

namespace glimbrik {

namespace {

constexpr int kStripRows = 64;

bool StartsLikeExr(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) && file.read(4) == QByteArray("\x76\x2f\x31\x01", 4);
}

// Into 0-1; a value that is not a number counts as 0.
double Unit(double v) { return v > 0.0 ? std::min(v, 1.0) : 0.0; }

// Linear light to the sRGB curve, 0-255.
int EncodedSrgb(double linear) {
  const double v = Unit(linear);
  const double encoded = v <= 0.0031308 ? 12.92 * v : 1.055 * std::pow(v, 1.0 / 2.4) - 0.055;
  return int(std::lround(encoded * 255.0));
}

}  // namespace

std::optional<ExrPreview> ReadExrPreview(const QString& path, int maxSide) {
  if (maxSide < 1 || !StartsLikeExr(path)) return std::nullopt;
  try {
    Imf::RgbaInputFile file(QFile::encodeName(path).constData());
    const Imath::Box2i window = file.dataWindow();
    const int64_t w = int64_t(window.max.x) - window.min.x + 1;
    const int64_t h = int64_t(window.max.y) - window.min.y + 1;
    if (!IsImageSizeAllowed(w, h)) return std::nullopt;
    ExrPreview preview;
    preview.width = int(w);
    preview.height = int(h);
    if (Imf::hasXDensity(file.header()) && Imf::xDensity(file.header()) > 0)
      preview.dpi = Imf::xDensity(file.header());
    const QSize box = QSize(int(w), int(h))
                          .scaled(std::min<int>(maxSide, int(w)), std::min<int>(maxSide, int(h)),
                                  Qt::KeepAspectRatio)
                          .expandedTo({1, 1});
    const int tw = box.width(), th = box.height();
    // Sums of premultiplied linear RGBA and the count of pixels per preview pixel.
    std::vector<double> sums(size_t(tw) * th * 5, 0.0);
    std::vector<Imf::Rgba> strip(size_t(w) * kStripRows);
    for (int64_t y0 = 0; y0 < h; y0 += kStripRows) {
      const int rows = int(std::min<int64_t>(kStripRows, h - y0));
      const int first = window.min.y + int(y0);
      file.setFrameBuffer(Imf::ComputeBasePointer(strip.data(), Imath::V2i(window.min.x, first), w),
                          1, size_t(w));
      file.readPixels(first, first + rows - 1);
      for (int r = 0; r < rows; ++r) {
        double* line = sums.data() + size_t((y0 + r) * th / h) * tw * 5;
        const Imf::Rgba* in = strip.data() + size_t(r) * w;
        for (int64_t x = 0; x < w; ++x) {
          double* s = line + size_t(x * tw / w) * 5;
          s[0] += in[x].r, s[1] += in[x].g, s[2] += in[x].b, s[3] += in[x].a, s[4] += 1.0;
        }
      }
    }
    preview.image = QImage(tw, th, QImage::Format_ARGB32);
    if (preview.image.isNull()) return std::nullopt;
    for (int y = 0; y < th; ++y) {
      QRgb* out = reinterpret_cast<QRgb*>(preview.image.scanLine(y));
      for (int x = 0; x < tw; ++x) {
        const double* s = sums.data() + (size_t(y) * tw + x) * 5;
        const double a = s[4] > 0 ? Unit(s[3] / s[4]) : 0.0;
        // Colour is stored premultiplied; a fully transparent pixel has none.
        const double scale = a > 0 ? 1.0 / (s[4] * a) : 0.0;
        out[x] = qRgba(EncodedSrgb(s[0] * scale), EncodedSrgb(s[1] * scale),
                       EncodedSrgb(s[2] * scale), int(std::lround(a * 255.0)));
      }
    }
    return preview;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace glimbrik
