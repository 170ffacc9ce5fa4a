#include <QtEndian>
#include <algorithm>
#include <cctype>

#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

// The header of a grey (P2 plain text, P5 binary) or colour (P3, P6) portable map.
struct PnmHeader {
  int channels = 0;
  bool plain = false;  // samples are decimal numbers, not big-endian pairs of bytes
  int width = 0;
  int height = 0;
  int maxValue = 0;
  qsizetype pixels = 0;  // offset of the first sample
};

// Reads the next decimal field, skipping blanks and comments; -1 when there is none.
long long NextField(const QByteArray& data, qsizetype* at) {
  while (*at < data.size()) {
    const char c = data[*at];
    if (c == '#') {
      while (*at < data.size() && data[*at] != '\n' && data[*at] != '\r') ++*at;
    } else if (std::isspace(uchar(c))) {
      ++*at;
    } else {
      break;
    }
  }
  long long value = -1;
  while (*at < data.size() && std::isdigit(uchar(data[*at]))) {
    value = (value < 0 ? 0 : value) * 10 + (data[*at] - '0');
    if (value > 0x7fffffff) return -1;
    ++*at;
  }
  return value;
}

// Only 16-bit grey and colour maps are read here; the rest goes to Qt's reader, which narrows
// deeper samples to 8 bits.
bool ReadDeepHeader(const QByteArray& data, PnmHeader* header) {
  if (data.size() < 3 || data[0] != 'P' || data[1] < '2' || data[1] > '6' || data[1] == '4') {
    return false;
  }
  qsizetype at = 2;
  const long long width = NextField(data, &at);
  const long long height = NextField(data, &at);
  const long long maxValue = NextField(data, &at);
  if (width <= 0 || height <= 0 || maxValue <= 255 || maxValue > 65535) return false;
  if (at >= data.size() || !std::isspace(uchar(data[at]))) return false;
  header->channels = data[1] == '2' || data[1] == '5' ? 1 : 3;
  header->plain = data[1] < '4';
  header->width = int(width);
  header->height = int(height);
  header->maxValue = int(maxValue);
  header->pixels = at + 1;
  return true;
}

}  // namespace

QString ProbePnm(const QByteArray& data, Representations* out) {
  PnmHeader header;
  if (!ReadDeepHeader(data, &header)) return ProbeWithQt(data, SourceFormat::PNM, out);
  ImageRepresentation rep;
  rep.pixelWidth = header.width;
  rep.pixelHeight = header.height;
  rep.bitsPerComponent = 16;
  rep.colorModel = header.channels == 1 ? ColorModel::Gray : ColorModel::RGB;
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodePnm(const QByteArray& data, int index, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  PnmHeader header;
  if (!ReadDeepHeader(data, &header)) return DecodeWithQt(data, index, rep);
  const qsizetype samples = qsizetype(header.width) * header.height * header.channels;
  // A plain map spends at least two bytes a sample: a digit and a blank.
  if (data.size() - header.pixels < samples * 2 - (header.plain ? 1 : 0)) {
    return Result::Fail(QStringLiteral("truncated PNM data"));
  }
  QImage image(header.width, header.height,
               header.channels == 1 ? QImage::Format_Grayscale16 : QImage::Format_RGBX64);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  qsizetype at = header.pixels;
  bool complete = true;
  // Samples below the full scale of 16 bits are stretched to it, rounded.
  const auto next = [&]() {
    long long value = 0;
    if (header.plain) {
      value = NextField(data, &at);
      if (value < 0) complete = false;
    } else {
      value = qFromBigEndian<quint16>(data.constData() + at);
      at += 2;
    }
    const quint32 v = quint32(std::clamp<long long>(value, 0, header.maxValue));
    return quint16((v * 65535u + quint32(header.maxValue) / 2) / quint32(header.maxValue));
  };
  for (int y = 0; y < header.height && complete; ++y) {
    if (header.channels == 1) {
      auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
      for (int x = 0; x < header.width; ++x) line[x] = next();
    } else {
      auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y));
      for (int x = 0; x < header.width; ++x) {
        const quint16 r = next(), g = next(), b = next();
        line[x] = QRgba64::fromRgba64(r, g, b, 65535);
      }
    }
  }
  if (!complete) return Result::Fail(QStringLiteral("truncated PNM data"));
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
