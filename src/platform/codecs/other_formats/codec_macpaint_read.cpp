#include <cstring>

#include "platform/codecs/other_formats/codec_legacy_decoders.h"

namespace glimbrik::codec {

namespace {

constexpr qsizetype kMacBinarySize = 128;
constexpr qsizetype kPaintHeaderSize = 512;
constexpr qsizetype kRowBytes = kMacPaintWidth / 8;

// A MacBinary header: a zero version byte, a file name of 1 to 63 bytes and two zero bytes that
// MacPaint's own header (a version number of 0 to 3) never has in the same places.
bool HasMacBinaryHeader(const QByteArray& data) {
  if (data.size() < kMacBinarySize + kPaintHeaderSize) return false;
  const auto* d = reinterpret_cast<const uchar*>(data.constData());
  return d[0] == 0 && d[1] >= 1 && d[1] <= 63 && d[74] == 0 && d[82] == 0;
}

qsizetype PictureStart(const QByteArray& data) {
  return (HasMacBinaryHeader(data) ? kMacBinarySize : 0) + kPaintHeaderSize;
}

}  // namespace

bool HasMacPaintMacBinaryHeader(const QByteArray& head) {
  return head.size() >= 69 && head[0] == 0 && head[1] >= 1 && head[1] <= 63 &&
         std::memcmp(head.constData() + 65, "PNTG", 4) == 0;
}

QString ProbeMacPaint(const QByteArray& data, Representations* out) {
  if (data.size() <= PictureStart(data)) return QStringLiteral("truncated MacPaint file");
  out->push_back(BilevelRepresentation(kMacPaintWidth, kMacPaintHeight, 72.0, 72.0));
  return QString();
}

ImageResult<QImage> DecodeMacPaint(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  QByteArray bits(kRowBytes * kMacPaintHeight, '\0');
  char* out = bits.data();
  const qsizetype total = bits.size();
  qsizetype written = 0;
  qsizetype pos = PictureStart(data);
  // Runs may cross row ends in files from some writers, so the rows are unpacked as one stream.
  while (written < total) {
    if (pos >= data.size()) return Result::Fail(QStringLiteral("truncated MacPaint data"));
    const int count = static_cast<signed char>(data[pos++]);
    if (count >= 0) {
      const qsizetype n = std::min<qsizetype>(count + 1, total - written);
      if (data.size() - pos < n) return Result::Fail(QStringLiteral("truncated MacPaint data"));
      std::memcpy(out + written, data.constData() + pos, size_t(n));
      pos += count + 1;
      written += n;
    } else if (count != -128) {
      if (pos >= data.size()) return Result::Fail(QStringLiteral("truncated MacPaint data"));
      const qsizetype n = std::min<qsizetype>(1 - count, total - written);
      std::memset(out + written, data[pos++], size_t(n));
      written += n;
    }
  }
  return DecodeBilevelRows(reinterpret_cast<const uchar*>(out), kRowBytes, rep);
}

}  // namespace glimbrik::codec
