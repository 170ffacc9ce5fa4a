#include "platform/pixels/pixel_formats.h"

#include <QColorSpace>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace glimbrik {

namespace {

// The formats converted here; every other pair of formats is left to Qt.
bool IsWide(QImage::Format format) {
  switch (format) {
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
    case QImage::Format_RGBX32FPx4:
    case QImage::Format_RGBA32FPx4:
    case QImage::Format_RGBA32FPx4_Premultiplied:
      return true;
    default:
      return false;
  }
}

bool IsPremultiplied(QImage::Format format) {
  return format == QImage::Format_RGBA64_Premultiplied ||
         format == QImage::Format_RGBA32FPx4_Premultiplied;
}

bool IsFloat(QImage::Format format) {
  return format == QImage::Format_RGBX32FPx4 || format == QImage::Format_RGBA32FPx4 ||
         format == QImage::Format_RGBA32FPx4_Premultiplied;
}

bool IsOpaque(QImage::Format format) {
  return format == QImage::Format_RGBX64 || format == QImage::Format_RGBX32FPx4;
}

// One row as straight RGBA floats 0-1.
void ReadRow(const QImage& image, int y, float* out) {
  const QImage::Format format = image.format();
  const int w = image.width();
  const bool premultiplied = IsPremultiplied(format);
  for (int x = 0; x < w; ++x) {
    float* p = out + size_t(x) * 4;
    if (IsFloat(format)) {
      std::memcpy(p, reinterpret_cast<const float*>(image.constScanLine(y)) + size_t(x) * 4,
                  sizeof(float) * 4);
      for (int c = 0; c < 4; ++c) p[c] = std::isfinite(p[c]) ? std::clamp(p[c], 0.0f, 1.0f) : 0.f;
    } else {
      const uint16_t* in = reinterpret_cast<const uint16_t*>(image.constScanLine(y)) + x * 4;
      for (int c = 0; c < 4; ++c) p[c] = in[c] / 65535.0f;
    }
    if (IsOpaque(format)) p[3] = 1.0f;
    if (premultiplied) {
      for (int c = 0; c < 3; ++c) p[c] = p[3] > 0.0f ? std::min(1.0f, p[c] / p[3]) : 0.0f;
    }
  }
}

void WriteRow(QImage* image, int y, const float* in) {
  const QImage::Format format = image->format();
  const int w = image->width();
  const bool premultiplied = IsPremultiplied(format);
  for (int x = 0; x < w; ++x) {
    float p[4];
    std::memcpy(p, in + size_t(x) * 4, sizeof p);
    if (IsOpaque(format)) p[3] = 1.0f;
    if (premultiplied) {
      for (int c = 0; c < 3; ++c) p[c] *= p[3];
    }
    if (IsFloat(format)) {
      std::memcpy(reinterpret_cast<float*>(image->scanLine(y)) + size_t(x) * 4, p, sizeof p);
    } else {
      uint16_t* out = reinterpret_cast<uint16_t*>(image->scanLine(y)) + x * 4;
      for (int c = 0; c < 4; ++c) out[c] = uint16_t(std::lround(p[c] * 65535.0f));
    }
  }
}

// Qt 6.4 narrows deep colour to 16-bit grey through a table of a few thousand levels. Here the
// luminance is Qt's own (sRGB adapted to D50, weighed in linear light), at full depth; grey pixels
// keep their exact level.
QImage WideToGrayscale16(const QImage& image) {
  static const std::vector<double> linear = [] {
    std::vector<double> table(65536);
    for (size_t i = 0; i < table.size(); ++i) {
      const double v = double(i) / 65535.0;
      table[i] = v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    return table;
  }();
  QImage out(image.size(), QImage::Format_Grayscale16);
  if (out.isNull()) return out;
  std::vector<float> row(size_t(image.width()) * 4);
  for (int y = 0; y < image.height(); ++y) {
    ReadRow(image, y, row.data());
    auto* grey = reinterpret_cast<uint16_t*>(out.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const float* p = row.data() + size_t(x) * 4;
      const auto level = [&](int c) { return size_t(std::lround(p[c] * 65535.0f)); };
      if (level(0) == level(1) && level(1) == level(2)) {
        grey[x] = uint16_t(level(0));
        continue;
      }
      const double luminance =
          0.2225 * linear[level(0)] + 0.7169 * linear[level(1)] + 0.0606 * linear[level(2)];
      const double encoded =
          luminance <= 0.0031308 ? luminance * 12.92 : 1.055 * std::pow(luminance, 1 / 2.4) - 0.055;
      grey[x] = uint16_t(std::lround(std::clamp(encoded, 0.0, 1.0) * 65535.0));
    }
  }
  out.setDotsPerMeterX(image.dotsPerMeterX());
  out.setDotsPerMeterY(image.dotsPerMeterY());
  return out;
}

}  // namespace

QImage ConvertedImage(const QImage& image, QImage::Format format) {
  if (image.isNull() || image.format() == format) return image;
  const bool fromWide = IsWide(image.format());
  const bool toWide = IsWide(format);
  if (!fromWide && !toWide) return image.convertToFormat(format);
  if (fromWide && format == QImage::Format_Grayscale16) return WideToGrayscale16(image);
  if (!toWide) {
    // Qt narrows straight 16-bit pixels correctly.
    if (image.format() == QImage::Format_RGBA64) return image.convertToFormat(format);
    return ConvertedImage(image, QImage::Format_RGBA64).convertToFormat(format);
  }
  QImage source = image;
  if (!fromWide) {
    // Grey and 8-bit pixels reach 16 bits exactly through Qt's straight formats.
    source = image.convertToFormat(image.hasAlphaChannel() || image.depth() > 16
                                       ? QImage::Format_RGBA64
                                       : QImage::Format_RGBX64);
    if (source.format() == format || source.isNull()) return source;
  }
  QImage out(source.size(), format);
  if (out.isNull()) return out;
  std::vector<float> row(size_t(source.width()) * 4);
  for (int y = 0; y < source.height(); ++y) {
    ReadRow(source, y, row.data());
    WriteRow(&out, y, row.data());
  }
  out.setDotsPerMeterX(image.dotsPerMeterX());
  out.setDotsPerMeterY(image.dotsPerMeterY());
  out.setColorSpace(image.colorSpace());
  return out;
}

}  // namespace glimbrik
