#include <cstring>
#include <vector>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

struct SgiHeader {
  int storage = 0;  // 0 verbatim, 1 run-length
  int bytes = 1;    // per channel sample
  int width = 0;
  int height = 0;
  int channels = 0;
};

uint32_t Be(const uchar* p, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

QString ReadHeader(const QByteArray& data, SgiHeader* h) {
  if (data.size() < 512) return QStringLiteral("truncated SGI header");
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  if (Be(p, 2) != 474) return QStringLiteral("not an SGI file");
  h->storage = p[2];
  h->bytes = p[3];
  const int dimension = int(Be(p + 4, 2));
  h->width = int(Be(p + 6, 2));
  h->height = dimension >= 2 ? int(Be(p + 8, 2)) : 1;
  h->channels = dimension >= 3 ? int(Be(p + 10, 2)) : 1;
  if (h->storage > 1 || (h->bytes != 1 && h->bytes != 2) || h->channels < 1 || h->channels > 4 ||
      h->width == 0 || h->height == 0) {
    return QStringLiteral("unsupported SGI layout");
  }
  return QString();
}

// One row of one channel, as 8-bit samples (16-bit samples keep their high byte).
bool ReadRow(const QByteArray& data, const SgiHeader& h, int channel, int row, uchar* out) {
  const auto* p = reinterpret_cast<const uchar*>(data.constData());
  const qsizetype size = data.size();
  if (h.storage == 0) {
    const qsizetype rowBytes = qsizetype(h.width) * h.bytes;
    const qsizetype at = 512 + (qsizetype(channel) * h.height + row) * rowBytes;
    if (at + rowBytes > size) return false;
    for (int x = 0; x < h.width; ++x) out[x] = p[at + qsizetype(x) * h.bytes];
    return true;
  }
  const qsizetype tables = qsizetype(h.height) * h.channels;
  const qsizetype entry = qsizetype(channel) * h.height + row;
  if (512 + tables * 8 > size) return false;
  const qsizetype start = Be(p + 512 + entry * 4, 4);
  const qsizetype length = Be(p + 512 + tables * 4 + entry * 4, 4);
  if (start < 512 || length < 0 || start + length > size) return false;
  const uchar* s = p + start;
  const uchar* end = s + length;
  int x = 0;
  auto next = [&](uint32_t* value) {
    if (end - s < h.bytes) return false;
    *value = Be(s, h.bytes);
    s += h.bytes;
    return true;
  };
  for (uint32_t code = 0; next(&code);) {
    const int count = int(code & 0x7F);
    if (count == 0) break;
    if (x + count > h.width) return false;
    if (code & 0x80) {
      for (int i = 0; i < count; ++i) {
        uint32_t v = 0;
        if (!next(&v)) return false;
        out[x++] = uchar(h.bytes == 2 ? v >> 8 : v);
      }
    } else {
      uint32_t v = 0;
      if (!next(&v)) return false;
      std::memset(out + x, int(h.bytes == 2 ? v >> 8 : v), size_t(count));
      x += count;
    }
  }
  return x == h.width;
}

}  // namespace

QString ProbeSgi(const QByteArray& data, Representations* out) {
  SgiHeader h;
  const QString error = ReadHeader(data, &h);
  if (!error.isEmpty()) return error;
  ImageRepresentation rep;
  rep.pixelWidth = h.width;
  rep.pixelHeight = h.height;
  rep.bitsPerComponent = h.bytes * 8;
  rep.colorModel = h.channels <= 2 ? ColorModel::Gray : ColorModel::RGB;
  rep.hasAlpha = h.channels == 2 || h.channels == 4;
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodeSgi(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  SgiHeader h;
  const QString error = ReadHeader(data, &h);
  if (!error.isEmpty()) return Result::Fail(error);
  QImage image(h.width, h.height, QImage::Format_ARGB32);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  std::vector<uchar> row(size_t(h.width) * 4);
  for (int y = 0; y < h.height; ++y) {
    for (int c = 0; c < h.channels; ++c) {
      if (!ReadRow(data, h, c, y, row.data() + size_t(c) * size_t(h.width))) {
        return Result::Fail(QStringLiteral("corrupt SGI data"));
      }
    }
    // Rows are stored bottom first.
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(h.height - 1 - y));
    for (int x = 0; x < h.width; ++x) {
      auto at = [&](int c) { return int(row[size_t(c) * size_t(h.width) + size_t(x)]); };
      if (h.channels <= 2) {
        line[x] = qRgba(at(0), at(0), at(0), h.channels == 2 ? at(1) : 255);
      } else {
        line[x] = qRgba(at(0), at(1), at(2), h.channels == 4 ? at(3) : 255);
      }
    }
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
