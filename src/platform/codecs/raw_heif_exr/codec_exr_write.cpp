// OpenEXR: half-float RGBA in linear light, written through OpenEXR's RGBA interface into memory.
#include <ImfChromaticities.h>
#include <ImfHeader.h>
#include <ImfRgbaFile.h>
#include <ImfStandardAttributes.h>
#include <ImfStdIO.h>

#include <QColorSpace>
#include <algorithm>
#include <exception>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

// Rows converted and written at a time: the whole image is never held twice, in any depth.
constexpr int kStripRows = 64;

// The linear pixels of rows [y0, y0 + rows) as premultiplied half RGBA, the convention of the
// format. Grey rows have no alpha.
void FillStrip(const QImage& image, const LinearLightTransform& linear, int y0, int rows,
               std::vector<float>& rgb, std::vector<Imf::Rgba>& strip) {
  const int w = image.width();
  const QImage samples = ConvertedImage(image.copy(0, y0, w, rows), linear.rowFormat());
  const bool alpha = samples.format() == QImage::Format_RGBA64;
  for (int r = 0; r < rows; ++r) {
    linear.convertRow(samples.constScanLine(r), rgb.data(), w);
    const QRgba64* a = reinterpret_cast<const QRgba64*>(samples.constScanLine(r));
    Imf::Rgba* out = strip.data() + size_t(r) * w;
    for (int x = 0; x < w; ++x) {
      const float coverage = alpha ? float(a[x].alpha()) / 65535.0f : 1.0f;
      out[x] = Imf::Rgba(rgb[size_t(x) * 3] * coverage, rgb[size_t(x) * 3 + 1] * coverage,
                         rgb[size_t(x) * 3 + 2] * coverage, coverage);
    }
  }
}

}  // namespace

Encoded EncodeExr(const QImage& image, const DestinationProperties& properties) {
  // The canvas's own profile decides what its numbers mean; CMYK exists only in files.
  QByteArray icc = ProfileToEmbed(image, properties);
  if (CmykSpaceOf(properties)) {
    const QColorSpace own = image.colorSpace();
    icc = own.isValid() ? own.iccProfile() : QByteArray();
  }
  const std::unique_ptr<LinearLightTransform> linear = LinearLightTransform::FromProfile(icc);
  if (!linear) return Encoded::Fail(QStringLiteral("colour profile cannot be made linear"));
  const int w = image.width();
  const int h = image.height();
  try {
    Imf::Header header(w, h);
    header.compression() = Imf::ZIP_COMPRESSION;
    header.pixelAspectRatio() = float(OutputDpiY(properties) / OutputDpiX(properties));
    Imf::addChromaticities(header, Imf::Chromaticities());  // sRGB primaries, D65
    Imf::addXDensity(header, float(OutputDpiX(properties)));
    Imf::StdOSStream stream;
    {
      Imf::RgbaOutputFile file(stream, header, Imf::WRITE_RGBA);
      std::vector<float> rgb(size_t(w) * 3);
      std::vector<Imf::Rgba> strip(size_t(w) * kStripRows);
      for (int y0 = 0; y0 < h; y0 += kStripRows) {
        const int rows = std::min(kStripRows, h - y0);
        FillStrip(image, *linear, y0, rows, rgb, strip);
        file.setFrameBuffer(Imf::ComputeBasePointer(strip.data(), Imath::V2i(0, y0), w), 1,
                            size_t(w));
        file.writePixels(rows);
      }
    }  // the file's line offsets are written when it closes
    const std::string bytes = stream.str();
    return {QByteArray(bytes.data(), qsizetype(bytes.size())), QString()};
  } catch (const std::exception& e) {
    return Encoded::Fail(QString::fromUtf8(e.what()));
  }
}

}  // namespace glimbrik::codec
