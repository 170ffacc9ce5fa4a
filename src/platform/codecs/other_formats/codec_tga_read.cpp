#include <vector>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

struct TgaHeader {
  int idLength = 0;
  int mapType = 0;
  int type = 0;
  int mapFirst = 0;
  int mapLength = 0;
  int mapDepth = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int descriptor = 0;
};

int Le16(const uchar* p) { return p[0] | p[1] << 8; }

QString ReadHeader(const QByteArray& data, TgaHeader* h) {
  if (data.size() < 18) return QStringLiteral("truncated TGA header");
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  h->idLength = p[0];
  h->mapType = p[1];
  h->type = p[2];
  h->mapFirst = Le16(p + 3);
  h->mapLength = Le16(p + 5);
  h->mapDepth = p[7];
  h->width = Le16(p + 12);
  h->height = Le16(p + 14);
  h->depth = p[16];
  h->descriptor = p[17];
  const int base = h->type & 7;
  const bool depthOk = base == 1 ? h->depth == 8 && h->mapType == 1
                       : base == 2
                           ? h->depth == 15 || h->depth == 16 || h->depth == 24 || h->depth == 32
                       : base == 3 ? h->depth == 8 || h->depth == 16
                                   : false;
  if ((h->type & ~8) < 1 || (h->type & ~8) > 3 || !depthOk || h->width == 0 || h->height == 0) {
    return QStringLiteral("unsupported TGA layout");
  }
  // A colour map, used or not, must have entries we can read.
  if ((base == 1 || h->mapType == 1) && h->mapDepth != 15 && h->mapDepth != 16 &&
      h->mapDepth != 24 && h->mapDepth != 32) {
    return QStringLiteral("unsupported TGA colour map");
  }
  return QString();
}

QRgb ColourOf(const uchar* p, int depth, bool alphaBits) {
  switch (depth) {
    case 15:
    case 16: {
      const int v = Le16(p);
      const int r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
      return qRgb(r << 3 | r >> 2, g << 3 | g >> 2, b << 3 | b >> 2);
    }
    case 24:
      return qRgb(p[2], p[1], p[0]);
    default:
      return qRgba(p[2], p[1], p[0], alphaBits ? p[3] : 255);
  }
}

}  // namespace

QString ProbeTga(const QByteArray& data, Representations* out) {
  TgaHeader h;
  const QString error = ReadHeader(data, &h);
  if (!error.isEmpty()) return error;
  ImageRepresentation rep;
  rep.pixelWidth = h.width;
  rep.pixelHeight = h.height;
  const int base = h.type & 7;
  rep.colorModel = base == 1 ? ColorModel::Indexed : base == 3 ? ColorModel::Gray : ColorModel::RGB;
  rep.hasAlpha = (h.descriptor & 15) != 0 && (h.depth == 32 || (base == 1 && h.mapDepth == 32));
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodeTga(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  TgaHeader h;
  const QString error = ReadHeader(data, &h);
  if (!error.isEmpty()) return Result::Fail(error);
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  const qsizetype size = data.size();
  qsizetype at = 18 + h.idLength;
  const bool alphaBits = (h.descriptor & 15) != 0;
  std::vector<QRgb> map;
  if (h.mapType == 1) {
    const int entryBytes = (h.mapDepth + 7) / 8;
    if (at + qsizetype(h.mapLength) * entryBytes > size)
      return Result::Fail(QStringLiteral("truncated TGA file"));
    for (int i = 0; i < h.mapLength; ++i)
      map.push_back(ColourOf(p + at + i * entryBytes, h.mapDepth, alphaBits));
    at += qsizetype(h.mapLength) * entryBytes;
  }
  const int base = h.type & 7;
  const bool rle = h.type & 8;
  const int pixelBytes = (h.depth + 7) / 8;
  auto decodePixel = [&](const uchar* q) -> std::optional<QRgb> {
    if (base == 1) {
      const int index = q[0] - h.mapFirst;
      if (index < 0 || index >= int(map.size())) return std::nullopt;
      return map[size_t(index)];
    }
    if (base == 3) return qRgba(q[pixelBytes - 1], q[pixelBytes - 1], q[pixelBytes - 1], 255);
    return ColourOf(q, h.depth, alphaBits);
  };
  QImage image(h.width, h.height, QImage::Format_ARGB32);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  const qsizetype total = qsizetype(h.width) * h.height;
  qsizetype done = 0;
  auto put = [&](QRgb colour) {
    const int x = int(done % h.width), row = int(done / h.width);
    const int y = (h.descriptor & 0x20) ? row : h.height - 1 - row;  // bottom-up unless bit 5
    const int column = (h.descriptor & 0x10) ? h.width - 1 - x : x;
    reinterpret_cast<QRgb*>(image.scanLine(y))[column] = colour;
    ++done;
  };
  while (done < total) {
    int count = 1;
    bool repeat = false;
    if (rle) {
      if (at >= size) return Result::Fail(QStringLiteral("truncated TGA file"));
      repeat = p[at] & 0x80;
      count = (p[at] & 0x7F) + 1;
      ++at;
      if (count > total - done) return Result::Fail(QStringLiteral("corrupt TGA data"));
    }
    for (int i = 0; i < count; ++i) {
      if (!repeat || i == 0) {
        if (at + pixelBytes > size) return Result::Fail(QStringLiteral("truncated TGA file"));
      }
      const std::optional<QRgb> colour = decodePixel(p + at);
      if (!colour) return Result::Fail(QStringLiteral("corrupt TGA data"));
      put(*colour);
      if (!repeat || i == count - 1) at += pixelBytes;
    }
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
