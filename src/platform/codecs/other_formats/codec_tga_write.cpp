#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

// Uncompressed true-colour TGA, rows stored top to bottom; 32 bits with alpha, else 24.
Encoded EncodeTga(const QImage& image, const DestinationProperties&) {
  const int w = image.width(), h = image.height();
  if (w > 65535 || h > 65535) return Encoded::Fail(QStringLiteral("size not encodable as TGA"));
  const bool alpha = ImageUsesAlpha(image);
  const QImage argb = ConvertedImage(image, QImage::Format_ARGB32);
  if (argb.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
  const int bytes = alpha ? 4 : 3;
  QByteArray out(18 + qsizetype(w) * h * bytes, '\0');
  uchar* p = reinterpret_cast<uchar*>(out.data());
  p[2] = 2;  // uncompressed true colour
  p[12] = uchar(w & 0xFF);
  p[13] = uchar(w >> 8);
  p[14] = uchar(h & 0xFF);
  p[15] = uchar(h >> 8);
  p[16] = uchar(bytes * 8);
  p[17] = uchar(0x20 | (alpha ? 8 : 0));  // top-left origin, alpha bits
  uchar* o = p + 18;
  for (int y = 0; y < h; ++y) {
    const QRgb* in = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < w; ++x) {
      *o++ = uchar(qBlue(in[x]));
      *o++ = uchar(qGreen(in[x]));
      *o++ = uchar(qRed(in[x]));
      if (alpha) *o++ = uchar(qAlpha(in[x]));
    }
  }
  // The TrueVision 2.0 footer: no extension or developer area.
  out.append(8, '\0');
  out.append("TRUEVISION-XFILE.", 18);
  return {out, QString()};
}

}  // namespace glimbrik::codec
