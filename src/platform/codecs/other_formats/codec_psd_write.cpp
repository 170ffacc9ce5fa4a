#include <QtEndian>
#include <cmath>

#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

void Put16(QByteArray* out, uint16_t v) {
  const uchar b[2] = {uchar(v >> 8), uchar(v)};
  out->append(reinterpret_cast<const char*>(b), 2);
}

void Put32(QByteArray* out, uint32_t v) {
  const uchar b[4] = {uchar(v >> 24), uchar(v >> 16), uchar(v >> 8), uchar(v)};
  out->append(reinterpret_cast<const char*>(b), 4);
}

void PutResource(QByteArray* out, uint16_t id, const QByteArray& data) {
  out->append("8BIM", 4);
  Put16(out, id);
  Put16(out, 0);  // empty Pascal name, padded to even
  Put32(out, uint32_t(data.size()));
  out->append(data);
  if (data.size() % 2) out->append('\0');
}

QByteArray ResolutionInfo(double dpiX, double dpiY) {
  QByteArray r;
  Put32(&r, uint32_t(std::lround(dpiX * 65536.0)));
  Put16(&r, 1);  // pixels per inch
  Put16(&r, 1);  // width shown in inches
  Put32(&r, uint32_t(std::lround(dpiY * 65536.0)));
  Put16(&r, 1);
  Put16(&r, 1);
  return r;
}

}  // namespace

// A flat, uncompressed 8-bit RGB(A), grey or CMYK(A) Photoshop file. CMYK is written when the
// properties ask for a CMYK space, from their own inks when they carry them (as JPEG and TIFF).
Encoded EncodePsd(const QImage& image, const DestinationProperties& properties) {
  const int w = image.width(), h = image.height();
  if (w > 30000 || h > 30000) return Encoded::Fail(QStringLiteral("size not encodable as PSD"));
  const auto cmykSpace = CmykSpaceOf(properties);
  const bool gray = !cmykSpace && (image.format() == QImage::Format_Grayscale8 ||
                                   image.format() == QImage::Format_Grayscale16);
  const bool alpha = !gray && ImageUsesAlpha(image);
  const int colours = gray ? 1 : cmykSpace ? 4 : 3;
  const int channels = colours + (alpha ? 1 : 0);
  const QImage pixels =
      ConvertedImage(image, gray ? QImage::Format_Grayscale8 : QImage::Format_ARGB32);
  if (pixels.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
  QByteArray cmyk;
  if (cmykSpace) {
    cmyk = CmykSamplesOf(image, properties, *cmykSpace);
    if (cmyk.isEmpty()) return Encoded::Fail(QStringLiteral("CMYK conversion failed"));
  }

  QByteArray out;
  out.reserve(1024 + qsizetype(w) * h * channels);
  out.append("8BPS", 4);
  Put16(&out, 1);
  out.append(6, '\0');
  Put16(&out, uint16_t(channels));
  Put32(&out, uint32_t(h));
  Put32(&out, uint32_t(w));
  Put16(&out, 8);
  Put16(&out, gray ? 1 : cmykSpace ? 4 : 3);
  Put32(&out, 0);  // no colour-mode data

  QByteArray resources;
  PutResource(&resources, 0x03ED, ResolutionInfo(OutputDpiX(properties), OutputDpiY(properties)));
  const QByteArray icc = ProfileToEmbed(image, properties);
  const auto iccSpace = ColorSpace::FromIccProfile(icc);
  const ColorModel model = gray ? ColorModel::Gray : cmykSpace ? ColorModel::CMYK : ColorModel::RGB;
  if (iccSpace && iccSpace->model() == model) PutResource(&resources, 0x040F, icc);
  Put32(&out, uint32_t(resources.size()));
  out.append(resources);
  Put32(&out, 0);  // no layers
  Put16(&out, 0);  // raw image data

  for (int c = 0; c < channels; ++c) {
    for (int y = 0; y < h; ++y) {
      if (gray) {
        out.append(reinterpret_cast<const char*>(pixels.constScanLine(y)), w);
        continue;
      }
      const QRgb* in = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
      const qsizetype start = out.size();
      out.resize(start + w);
      char* o = out.data() + start;
      if (c < colours && cmykSpace) {
        // Photoshop stores inks inverted: 255 is no ink.
        const auto* ink = reinterpret_cast<const uchar*>(cmyk.constData()) + qsizetype(y) * w * 4;
        for (int x = 0; x < w; ++x) o[x] = char(255 - ink[x * 4 + c]);
        continue;
      }
      for (int x = 0; x < w; ++x) {
        const QRgb p = in[x];
        o[x] = char(c == colours ? qAlpha(p) : c == 0 ? qRed(p) : c == 1 ? qGreen(p) : qBlue(p));
      }
    }
  }
  return {out, QString()};
}

}  // namespace glimbrik::codec
