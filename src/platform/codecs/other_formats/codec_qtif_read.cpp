#include <optional>

#include "platform/codecs/other_formats/codec_legacy_decoders.h"

namespace glimbrik::codec {

namespace {

uint32_t Be32(const QByteArray& d, qsizetype at) {
  return uint32_t(uchar(d[at])) << 24 | uint32_t(uchar(d[at + 1])) << 16 |
         uint32_t(uchar(d[at + 2])) << 8 | uint32_t(uchar(d[at + 3]));
}
uint16_t Be16(const QByteArray& d, qsizetype at) {
  return uint16_t(uchar(d[at]) << 8 | uchar(d[at + 1]));
}

enum class Inner { Jpeg, Png, Tiff, Raw };

struct QuickTimeImage {
  Inner inner = Inner::Raw;
  QByteArray codec;  // the description's four-character compression type
  int width = 0;
  int height = 0;
  double dpiX = 0.0;
  double dpiY = 0.0;
  int depth = 0;
  QByteArray pixels;  // the image data atom's content
};

// The two atoms, or the reason why they are not there whole.
QString ReadAtoms(const QByteArray& data, QuickTimeImage* image) {
  qsizetype pos = 0;
  std::optional<QByteArray> description;
  std::optional<QByteArray> pixels;
  while (data.size() - pos >= 8) {
    uint64_t length = Be32(data, pos);
    qsizetype header = 8;
    if (length == 1) {
      if (data.size() - pos < 16) return QStringLiteral("truncated QuickTime image");
      length = uint64_t(Be32(data, pos + 8)) << 32 | Be32(data, pos + 12);
      header = 16;
    } else if (length == 0) {
      length = uint64_t(data.size() - pos);
    }
    if (length < uint64_t(header)) return QStringLiteral("corrupt QuickTime atom");
    if (length > uint64_t(data.size() - pos)) return QStringLiteral("truncated QuickTime image");
    const QByteArray type = data.mid(pos + 4, 4);
    const QByteArray content = data.mid(pos + header, qsizetype(length) - header);
    if (type == "idsc" && !description) description = content;
    if (type == "idat" && !pixels) pixels = content;
    pos += qsizetype(length);
  }
  if (!description || !pixels) return QStringLiteral("truncated QuickTime image");
  const QByteArray& d = *description;
  if (d.size() < 86) return QStringLiteral("corrupt QuickTime image description");
  image->codec = d.mid(4, 4);
  image->width = Be16(d, 32);
  image->height = Be16(d, 34);
  image->dpiX = Be32(d, 36) / 65536.0;
  image->dpiY = Be32(d, 40) / 65536.0;
  image->depth = Be16(d, 82);
  image->pixels = *pixels;
  if (image->codec == "jpeg") {
    image->inner = Inner::Jpeg;
  } else if (image->codec == "png ") {
    image->inner = Inner::Png;
  } else if (image->codec == "tiff") {
    image->inner = Inner::Tiff;
  } else if (image->codec == "raw ") {
    image->inner = Inner::Raw;
    // 24 RGB, 32 ARGB, 40 eight-bit grey.
    if (image->depth != 24 && image->depth != 32 && image->depth != 40) {
      return QStringLiteral("uncompressed QuickTime image of depth %1 is not read here")
          .arg(image->depth);
    }
  } else {
    return QStringLiteral("QuickTime image compression '%1' is not read here")
        .arg(QString::fromLatin1(image->codec));
  }
  return QString();
}

int RawBytesPerPixel(int depth) { return depth == 40 ? 1 : depth / 8; }

}  // namespace

bool LooksLikeQuickTimeImage(const QByteArray& head) {
  if (head.size() < 8) return false;
  const QByteArray type = head.mid(4, 4);
  return type == "idsc" || type == "idat" || type == "iicc";
}

QString ProbeQuickTimeImage(const QByteArray& data, Representations* out) {
  QuickTimeImage image;
  if (QString reason = ReadAtoms(data, &image); !reason.isEmpty()) return reason;
  Representations inner;
  QString reason;
  switch (image.inner) {
    case Inner::Jpeg:
      reason = ProbeJpeg(image.pixels, &inner);
      break;
    case Inner::Png:
      reason = ProbePng(image.pixels, &inner);
      break;
    case Inner::Tiff:
      reason = ProbeTiff(image.pixels, &inner);
      break;
    case Inner::Raw: {
      ImageRepresentation rep;
      rep.pixelWidth = image.width;
      rep.pixelHeight = image.height;
      rep.colorModel = image.depth == 40 ? ColorModel::Gray : ColorModel::RGB;
      inner.push_back(rep);
      break;
    }
  }
  // The description names the data's format, so data that format cannot read is damaged.
  if (!reason.isEmpty()) return QStringLiteral("corrupt QuickTime image data: %1").arg(reason);
  if (inner.empty()) return QStringLiteral("corrupt QuickTime image data");
  ImageRepresentation rep = inner.front();
  // The description's resolution is the picture's; the inner file's only stands in for a 0.
  if (image.dpiX > 0.0) rep.dpiX = SanitisedDpi(image.dpiX);
  if (image.dpiY > 0.0) rep.dpiY = SanitisedDpi(image.dpiY);
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodeQuickTimeImage(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  QuickTimeImage image;
  if (QString reason = ReadAtoms(data, &image); !reason.isEmpty()) return Result::Fail(reason);
  switch (image.inner) {
    case Inner::Jpeg:
      return DecodeJpeg(image.pixels, rep, DecodeOptions());
    case Inner::Png:
      return DecodePng(image.pixels, rep);
    case Inner::Tiff:
      return DecodeTiff(image.pixels, 0, rep);
    case Inner::Raw:
      break;
  }
  const int w = rep.pixelWidth, h = rep.pixelHeight;
  const int bpp = RawBytesPerPixel(image.depth);
  if (w <= 0 || h <= 0) return Result::Fail(QStringLiteral("corrupt QuickTime image description"));
  // Rows may be padded: the data's length over the rows gives their stride.
  const qsizetype stride = image.pixels.size() / h;
  if (stride < qsizetype(w) * bpp) return Result::Fail(QStringLiteral("truncated QuickTime image"));
  QImage out(w, h, image.depth == 40 ? QImage::Format_Grayscale8 : QImage::Format_RGB32);
  if (out.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  for (int y = 0; y < h; ++y) {
    const auto* in = reinterpret_cast<const uchar*>(image.pixels.constData()) + y * stride;
    if (image.depth == 40) {
      std::copy(in, in + w, out.scanLine(y));
      continue;
    }
    auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < w; ++x) {
      // 32-bit pixels are ARGB whose alpha byte QuickTime leaves unused.
      const uchar* p = in + x * bpp + (bpp == 4 ? 1 : 0);
      row[x] = qRgb(p[0], p[1], p[2]);
    }
  }
  return {FinishDecodedImage(std::move(out), rep), QString()};
}

}  // namespace glimbrik::codec
