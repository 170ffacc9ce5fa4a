#include <QtEndian>
#include <cstring>
#include <vector>

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/codec_decoders.h"

namespace glimbrik::codec {

namespace {

// The flat composite of a Photoshop file: header, resources and the merged image data.
struct PsdLayout {
  int channels = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int mode = 0;      // 1 grey, 3 RGB, 4 CMYK
  bool big = false;  // PSB: 8-byte section lengths and 4-byte RLE counts
  qsizetype imageData = 0;
  double dpiX = 72.0;
  double dpiY = 72.0;
  QByteArray icc;
};

class Reader {
 public:
  explicit Reader(const QByteArray& data)
      : p_(reinterpret_cast<const uchar*>(data.constData())), size_(data.size()) {}
  bool has(qsizetype n) const { return n >= 0 && pos_ <= size_ - n; }
  bool skip(qint64 n) {
    if (n < 0 || n > size_ - pos_) return false;
    pos_ += qsizetype(n);
    return true;
  }
  quint64 be(int bytes) {
    quint64 v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | p_[pos_ + i];
    pos_ += bytes;
    return v;
  }
  const uchar* at() const { return p_ + pos_; }
  qsizetype pos() const { return pos_; }
  void seek(qsizetype to) { pos_ = to; }

 private:
  const uchar* p_;
  qsizetype size_;
  qsizetype pos_ = 0;
};

double Fixed1616(quint64 v) { return double(v) / 65536.0; }

QString ReadLayout(const QByteArray& data, PsdLayout* out) {
  Reader r(data);
  if (!r.has(26) || std::memcmp(r.at(), "8BPS", 4) != 0) return QStringLiteral("not a PSD file");
  r.skip(4);
  const int version = int(r.be(2));
  if (version != 1 && version != 2) return QStringLiteral("unknown PSD version");
  out->big = version == 2;
  r.skip(6);
  out->channels = int(r.be(2));
  out->height = int(r.be(4));
  out->width = int(r.be(4));
  out->depth = int(r.be(2));
  out->mode = int(r.be(2));
  if (!r.has(4)) return QStringLiteral("truncated PSD header");
  if (!r.skip(qint64(r.be(4)))) return QStringLiteral("truncated PSD file");  // colour-mode data
  if (!r.has(4)) return QStringLiteral("truncated PSD file");
  const qint64 resourcesLength = qint64(r.be(4));
  const qsizetype resourcesEnd = r.pos() + resourcesLength;
  if (!r.has(resourcesLength)) return QStringLiteral("truncated PSD file");
  while (r.pos() + 12 <= resourcesEnd) {
    if (std::memcmp(r.at(), "8BIM", 4) != 0) break;
    r.skip(4);
    const int id = int(r.be(2));
    const int nameLength = r.at()[0];
    if (!r.skip((nameLength + 2) & ~1) || r.pos() + 4 > resourcesEnd) break;
    const qint64 length = qint64(r.be(4));
    if (length < 0 || r.pos() + length > resourcesEnd) break;
    const qsizetype start = r.pos();
    if (id == 0x03ED && length >= 16) {
      out->dpiX = DotsPerInch(Fixed1616(r.be(4)), 2);
      r.skip(4);
      out->dpiY = DotsPerInch(Fixed1616(r.be(4)), 2);
    } else if (id == 0x040F) {
      out->icc = QByteArray(reinterpret_cast<const char*>(r.at()), qsizetype(length));
    }
    r.seek(start + qsizetype((length + 1) & ~qint64(1)));
  }
  r.seek(resourcesEnd);
  const int lengthBytes = out->big ? 8 : 4;
  if (!r.has(lengthBytes)) return QStringLiteral("truncated PSD file");
  if (!r.skip(qint64(r.be(lengthBytes)))) return QStringLiteral("truncated PSD file");  // layers
  out->imageData = r.pos();
  const int colours = out->mode == 1 ? 1 : out->mode == 3 ? 3 : out->mode == 4 ? 4 : 0;
  if (colours == 0 || out->channels < colours || (out->depth != 8 && out->depth != 16)) {
    return QStringLiteral("unsupported PSD colour mode");
  }
  return QString();
}

// PackBits rows of one plane into out (rowBytes per row); false on damaged data.
bool UnpackRows(const uchar* in, qsizetype available, int rows, qsizetype rowBytes,
                const std::vector<quint64>& counts, size_t firstCount, uchar* out) {
  qsizetype used = 0;
  for (int y = 0; y < rows; ++y) {
    const qsizetype count = qsizetype(counts[firstCount + size_t(y)]);
    if (count < 0 || count > available - used) return false;
    const uchar* s = in + used;
    const uchar* end = s + count;
    uchar* o = out + qsizetype(y) * rowBytes;
    qsizetype written = 0;
    while (s < end && written < rowBytes) {
      const int n = int(int8_t(*s++));
      if (n >= 0) {
        const qsizetype length = std::min<qsizetype>(n + 1, end - s);
        if (written + length > rowBytes) return false;
        std::memcpy(o + written, s, size_t(length));
        s += length;
        written += length;
      } else if (n != -128) {
        if (s >= end || written + (1 - n) > rowBytes) return false;
        std::memset(o + written, *s++, size_t(1 - n));
        written += 1 - n;
      }
    }
    if (written != rowBytes) return false;
    used += count;
  }
  return true;
}

// The composite of a 16-bit grey or RGB file at its own depth: planes of big-endian samples,
// unpremultiplied, an alpha plane after the colours when there is one.
QImage DeepComposite(const uchar* pixels, qsizetype planeBytes, int planes, int colours, int width,
                     int height) {
  const bool alpha = planes > colours;
  const bool gray = colours == 1 && !alpha;
  QImage image(width, height, gray ? QImage::Format_Grayscale16 : QImage::Format_RGBA64);
  if (image.isNull()) return image;
  const auto sample = [&](int plane, qsizetype index) {
    return qFromBigEndian<quint16>(pixels + planeBytes * plane + index * 2);
  };
  for (int y = 0; y < height; ++y) {
    const qsizetype row = qsizetype(y) * width;
    if (gray) {
      auto* line = reinterpret_cast<quint16*>(image.scanLine(y));
      for (int x = 0; x < width; ++x) line[x] = sample(0, row + x);
      continue;
    }
    auto* line = reinterpret_cast<QRgba64*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      const qsizetype i = row + x;
      const quint16 a = alpha ? sample(colours, i) : quint16(65535);
      line[x] = colours == 1 ? QRgba64::fromRgba64(sample(0, i), sample(0, i), sample(0, i), a)
                             : QRgba64::fromRgba64(sample(0, i), sample(1, i), sample(2, i), a);
    }
  }
  return image;
}

// The composite's planes, each planeBytes long: the colours, then the alpha when there is one.
struct PsdPlanes {
  PsdLayout layout;
  int colours = 0;
  int planes = 0;
  int bytes = 1;
  qsizetype planeBytes = 0;
  std::vector<uchar> pixels;
  // A sample of one plane; 16-bit samples keep their high byte.
  uchar sample(int plane, qsizetype index) const {
    return pixels[size_t(planeBytes * plane + index * bytes)];
  }
};

// The CMYK planes interleaved as ink amounts: Photoshop stores them inverted (0 = full ink).
QByteArray InksOf(const PsdPlanes& read) {
  const qsizetype count = qsizetype(read.layout.width) * read.layout.height;
  QByteArray inks(count * 4, Qt::Uninitialized);
  auto* o = reinterpret_cast<uchar*>(inks.data());
  for (qsizetype i = 0; i < count; ++i, o += 4) {
    for (int c = 0; c < 4; ++c) o[c] = uchar(255 - read.sample(c, i));
  }
  return inks;
}

QString ReadPlanes(const QByteArray& data, PsdPlanes* out) {
  PsdLayout& layout = out->layout;
  QString error = ReadLayout(data, &layout);
  if (!error.isEmpty()) return error;
  const int colours = layout.mode == 1 ? 1 : layout.mode == 3 ? 3 : 4;
  const int planes = std::min(layout.channels, colours + 1);
  const int bytes = layout.depth / 8;
  const qsizetype rowBytes = qsizetype(layout.width) * bytes;
  const qsizetype planeBytes = rowBytes * layout.height;
  out->colours = colours;
  out->planes = planes;
  out->bytes = bytes;
  out->planeBytes = planeBytes;
  Reader r(data);
  r.seek(layout.imageData);
  if (!r.has(2)) return QStringLiteral("truncated PSD file");
  const int compression = int(r.be(2));
  std::vector<uchar>& pixels = out->pixels;
  pixels.resize(size_t(planeBytes) * size_t(planes));
  if (compression == 0) {
    if (!r.has(planeBytes * planes)) return QStringLiteral("truncated PSD file");
    std::memcpy(pixels.data(), r.at(), pixels.size());
  } else if (compression == 1) {
    const int countBytes = layout.big ? 4 : 2;
    const size_t rows = size_t(layout.height) * size_t(layout.channels);
    if (!r.has(qsizetype(rows) * countBytes)) return QStringLiteral("truncated PSD file");
    std::vector<quint64> counts(rows);
    for (quint64& c : counts) c = r.be(countBytes);
    for (int plane = 0; plane < planes; ++plane) {
      qsizetype offset = 0;
      for (size_t i = 0; i < size_t(plane) * size_t(layout.height); ++i)
        offset += qsizetype(counts[i]);
      const qsizetype available = data.size() - r.pos() - offset;
      if (offset < 0 || available < 0 ||
          !UnpackRows(r.at() + offset, available, layout.height, rowBytes, counts,
                      size_t(plane) * size_t(layout.height), pixels.data() + planeBytes * plane)) {
        return QStringLiteral("corrupt PSD data");
      }
    }
  } else {
    return QStringLiteral("unsupported PSD compression");
  }
  return QString();
}

}  // namespace

QString ProbePsd(const QByteArray& data, Representations* out) {
  PsdLayout layout;
  const QString error = ReadLayout(data, &layout);
  if (!error.isEmpty()) return error;
  ImageRepresentation rep;
  rep.pixelWidth = layout.width;
  rep.pixelHeight = layout.height;
  rep.bitsPerComponent = layout.depth;
  rep.dpiX = layout.dpiX;
  rep.dpiY = layout.dpiY;
  rep.iccProfile = layout.icc;
  const int colours = layout.mode == 1 ? 1 : layout.mode == 3 ? 3 : 4;
  rep.colorModel = layout.mode == 1   ? ColorModel::Gray
                   : layout.mode == 3 ? ColorModel::RGB
                                      : ColorModel::CMYK;
  rep.hasAlpha = layout.channels > colours;
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodePsd(const QByteArray& data, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  PsdPlanes read;
  const QString error = ReadPlanes(data, &read);
  if (!error.isEmpty()) return Result::Fail(error);
  const PsdLayout& layout = read.layout;
  const int colours = read.colours, planes = read.planes, bytes = read.bytes;
  const qsizetype planeBytes = read.planeBytes;
  const std::vector<uchar>& pixels = read.pixels;
  if (bytes == 2 && colours != 4) {
    return {FinishDecodedImage(DeepComposite(pixels.data(), planeBytes, planes, colours,
                                             layout.width, layout.height),
                               rep),
            QString()};
  }
  // 16-bit CMYK keeps the high byte of its samples for the 8-bit colour conversion; the
  // composite is stored unpremultiplied.
  const auto sample = [&read](int plane, qsizetype index) { return read.sample(plane, index); };
  QImage image;
  if (colours == 4) {
    const QByteArray cmyk = InksOf(read);
    const auto space = SourceInkSpace(rep);
    image = space->cmykToRgb(reinterpret_cast<const uchar*>(cmyk.constData()), layout.width,
                             layout.height, qsizetype(layout.width) * 4);
    image.convertTo(QImage::Format_ARGB32);  // the loop below works on 32-bit pixels
  } else {
    image = QImage(layout.width, layout.height, QImage::Format_ARGB32);
  }
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  for (int y = 0; y < layout.height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < layout.width; ++x) {
      const qsizetype i = qsizetype(y) * layout.width + x;
      const int alpha = planes > colours ? sample(colours, i) : 255;
      if (colours == 4) {
        line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]), alpha);
      } else if (colours == 1) {
        line[x] = qRgba(sample(0, i), sample(0, i), sample(0, i), alpha);
      } else {
        line[x] = qRgba(sample(0, i), sample(1, i), sample(2, i), alpha);
      }
    }
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

ImageResult<QByteArray> DecodePsdInks(const QByteArray& data, QSize* size, QByteArray* alpha) {
  using Result = ImageResult<QByteArray>;
  PsdPlanes read;
  const QString error = ReadPlanes(data, &read);
  if (!error.isEmpty()) return Result::Fail(error);
  if (read.colours != 4) return Result::Fail(QStringLiteral("not a CMYK PSD file"));
  QByteArray inks = InksOf(read);
  if (alpha) {
    alpha->clear();
    if (read.planes > 4) {
      const qsizetype count = qsizetype(read.layout.width) * read.layout.height;
      alpha->resize(count);
      for (qsizetype i = 0; i < count; ++i) (*alpha)[i] = char(read.sample(4, i));
    }
  }
  if (size) *size = QSize(read.layout.width, read.layout.height);
  return {std::move(inks), QString()};
}

}  // namespace glimbrik::codec
