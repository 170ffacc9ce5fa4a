// OpenEXR sources: RGB, RGBA, luminance or luminance-chroma in half or float, read from memory
// through OpenEXR's RGBA interface, which converts every layout to premultiplied half RGBA.
#include <IexBaseExc.h>
#include <ImfChromaticities.h>
#include <ImfIO.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>

#include <QColorSpace>
#include <QPointF>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <vector>

#include "platform/codecs/raw_heif_exr/codec_raw_heif_exr.h"

namespace glimbrik::codec {

namespace {

constexpr int kStripRows = 64;

class MemoryStream : public Imf::IStream {
 public:
  explicit MemoryStream(const QByteArray& data) : Imf::IStream("memory"), data_(data) {}
  bool isMemoryMapped() const override { return true; }
  bool read(char c[], int n) override {
    std::memcpy(c, take(n), size_t(n));
    return position_ < uint64_t(data_.size());
  }
  char* readMemoryMapped(int n) override { return const_cast<char*>(take(n)); }
  uint64_t tellg() override { return position_; }
  void seekg(uint64_t position) override { position_ = position; }

 private:
  // OpenEXR words a read past the end as an input exception, which callers turn into damage.
  const char* take(int n) {
    if (n < 0 || position_ > uint64_t(data_.size()) || uint64_t(n) > data_.size() - position_) {
      throw Iex::InputExc("truncated OpenEXR file");
    }
    const char* at = data_.constData() + position_;
    position_ += uint64_t(n);
    return at;
  }
  const QByteArray& data_;
  uint64_t position_ = 0;
};

// Linear light to the sRGB curve in 16 bits; what is not a number counts as 0.
uint16_t Encoded(float linear) {
  const float v = linear > 0.0f ? std::min(linear, 1.0f) : 0.0f;
  const float encoded = v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 1.0f / 2.4f) - 0.055f;
  return uint16_t(std::lround(encoded * 65535.0f));
}

uint16_t Coverage(float alpha) {
  const float a = alpha > 0.0f ? std::min(alpha, 1.0f) : 0.0f;
  return uint16_t(std::lround(a * 65535.0f));
}

QByteArray ProfileOf(const Imf::Header& header) {
  if (!Imf::hasChromaticities(header)) return {};
  const Imf::Chromaticities c = Imf::chromaticities(header);
  const Imf::Chromaticities srgb;
  auto near = [](const Imath::V2f& a, const Imath::V2f& b) { return (a - b).length() < 1e-4f; };
  if (near(c.red, srgb.red) && near(c.green, srgb.green) && near(c.blue, srgb.blue) &&
      near(c.white, srgb.white)) {
    return {};
  }
  const QColorSpace space(QPointF(c.white.x, c.white.y), QPointF(c.red.x, c.red.y),
                          QPointF(c.green.x, c.green.y), QPointF(c.blue.x, c.blue.y),
                          QColorSpace::TransferFunction::SRgb);
  return space.isValid() ? space.iccProfile() : QByteArray();
}

}  // namespace

// OpenEXR throws input exceptions for bytes it cannot make sense of; anything else (deep data, a
// layout this interface does not read) is no fault of the file's.
QString ExrError(const std::exception& e) {
  const QString what = QString::fromUtf8(e.what());
  if (dynamic_cast<const Iex::InputExc*>(&e) || dynamic_cast<const Iex::IoExc*>(&e)) {
    return QStringLiteral("corrupt OpenEXR file (%1)").arg(what);
  }
  return QStringLiteral("OpenEXR file not read (%1)").arg(what);
}

bool IsExrFile(const QByteArray& head) {
  return head.startsWith(QByteArray("\x76\x2f\x31\x01", 4));
}

QString ProbeExr(const QByteArray& data, Representations* out) {
  try {
    MemoryStream stream(data);
    Imf::RgbaInputFile file(stream);
    const Imath::Box2i window = file.dataWindow();
    const int64_t w = int64_t(window.max.x) - window.min.x + 1;
    const int64_t h = int64_t(window.max.y) - window.min.y + 1;
    if (!IsImageSizeAllowed(w, h)) {
      return SizeRefusedError(w, h);
    }
    // Without colour or luminance the interface would hand out black.
    if ((file.channels() & (Imf::WRITE_RGB | Imf::WRITE_Y)) == 0) {
      return QStringLiteral("OpenEXR file without colour channels");
    }
    ImageRepresentation rep;
    rep.pixelWidth = int(w);
    rep.pixelHeight = int(h);
    rep.bitsPerComponent = 16;
    rep.hasAlpha = (file.channels() & Imf::WRITE_A) != 0;
    if (Imf::hasXDensity(file.header())) {
      rep.dpiX = SanitisedDpi(Imf::xDensity(file.header()));
      const float aspect = file.pixelAspectRatio();
      rep.dpiY = aspect > 0 && std::isfinite(aspect) ? SanitisedDpi(rep.dpiX * aspect) : rep.dpiX;
    }
    rep.iccProfile = ProfileOf(file.header());
    out->push_back(rep);
    return {};
  } catch (const std::exception& e) {
    return ExrError(e);
  }
}

ImageResult<QImage> DecodeExr(const QByteArray& data, const ImageRepresentation& rep) {
  try {
    MemoryStream stream(data);
    Imf::RgbaInputFile file(stream);
    const Imath::Box2i window = file.dataWindow();
    const int w = window.max.x - window.min.x + 1;
    const int h = window.max.y - window.min.y + 1;
    if (w != rep.pixelWidth || h != rep.pixelHeight) {
      return ImageResult<QImage>::Fail(QStringLiteral("corrupt OpenEXR file (size changed)"));
    }
    QImage image(w, h, rep.hasAlpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    if (image.isNull()) return ImageResult<QImage>::Fail(QStringLiteral("out of memory"));
    std::vector<Imf::Rgba> strip(size_t(w) * kStripRows);
    for (int y0 = 0; y0 < h; y0 += kStripRows) {
      const int rows = std::min(kStripRows, h - y0);
      const int first = window.min.y + y0;
      file.setFrameBuffer(Imf::ComputeBasePointer(strip.data(), Imath::V2i(window.min.x, first), w),
                          1, size_t(w));
      file.readPixels(first, first + rows - 1);
      for (int r = 0; r < rows; ++r) {
        const Imf::Rgba* in = strip.data() + size_t(r) * w;
        auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y0 + r));
        for (int x = 0; x < w; ++x) {
          const float a = rep.hasAlpha ? float(in[x].a) : 1.0f;
          // Colour is stored premultiplied: the curve applies to the colour itself.
          const float scale = a > 0.0f ? 1.0f / a : 0.0f;
          line[x] = qRgba64(Encoded(in[x].r * scale), Encoded(in[x].g * scale),
                            Encoded(in[x].b * scale), rep.hasAlpha ? Coverage(a) : 0xFFFF);
        }
      }
    }
    image = FinishDecodedImage(std::move(image), rep);
    if (rep.iccProfile.isEmpty()) image.setColorSpace(QColorSpace::SRgb);
    return {std::move(image), QString()};
  } catch (const std::exception& e) {
    return ImageResult<QImage>::Fail(ExrError(e));
  }
}

}  // namespace glimbrik::codec
