#include <QSysInfo>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <optional>
#include <vector>

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/codec_decoders.h"
#include "platform/codecs/codec_tiff_io.h"

namespace glimbrik::codec {

namespace {

struct Directory {
  uint32_t width = 0, height = 0;
  uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISBLACK, sampleFormat = SAMPLEFORMAT_UINT;
  uint16_t planar = PLANARCONFIG_CONTIG, extraCount = 0, inkset = INKSET_CMYK;
  uint16_t* extraTypes = nullptr;
  bool tiled = false;
};

Directory ReadDirectoryFields(TIFF* tiff) {
  Directory d;
  TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &d.width);
  TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &d.height);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &d.bps);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &d.spp);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &d.sampleFormat);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &d.planar);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_INKSET, &d.inkset);
  TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &d.extraCount, &d.extraTypes);
  if (!TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &d.photometric)) {
    d.photometric = d.spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  }
  d.tiled = TIFFIsTiled(tiff);
  return d;
}

bool HasAlpha(const Directory& d) {
  return d.extraCount > 0 && d.extraTypes &&
         (d.extraTypes[0] == EXTRASAMPLE_ASSOCALPHA || d.extraTypes[0] == EXTRASAMPLE_UNASSALPHA);
}

ImageRepresentation RepresentationOf(TIFF* tiff) {
  const Directory d = ReadDirectoryFields(tiff);
  ImageRepresentation rep;
  rep.pixelWidth = int(std::min<uint32_t>(d.width, 0x7fffffff));
  rep.pixelHeight = int(std::min<uint32_t>(d.height, 0x7fffffff));
  rep.bitsPerComponent = d.bps;
  rep.hasAlpha = HasAlpha(d);
  switch (d.photometric) {
    case PHOTOMETRIC_MINISBLACK:
    case PHOTOMETRIC_MINISWHITE:
      rep.colorModel = ColorModel::Gray;
      break;
    case PHOTOMETRIC_PALETTE:
      rep.colorModel = ColorModel::Indexed;
      break;
    case PHOTOMETRIC_SEPARATED:
      rep.colorModel = ColorModel::CMYK;
      break;
    case PHOTOMETRIC_CIELAB:
    case PHOTOMETRIC_ICCLAB:
      rep.colorModel = ColorModel::Lab;
      break;
    default:
      rep.colorModel = ColorModel::RGB;
  }
  float xres = 0, yres = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  const bool xStated = TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &xres) && xres > 0;
  const bool yStated = TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &yres) && yres > 0;
  // A file that states one axis means it for both, as the list reads it.
  if (xStated || yStated) {
    rep.dpiX = DotsPerInch(xStated ? xres : yres, unit);
    rep.dpiY = DotsPerInch(yStated ? yres : xres, unit);
  }
  uint16_t orientation = 0;
  if (TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 &&
      orientation <= 8) {
    rep.orientation = orientation;
  }
  uint32_t iccLength = 0;
  void* icc = nullptr;
  if (TIFFGetField(tiff, TIFFTAG_ICCPROFILE, &iccLength, &icc) && icc && iccLength > 0) {
    rep.iccProfile = QByteArray(static_cast<const char*>(icc), int(iccLength));
  }
  return rep;
}

bool ReadRows(TIFF* tiff, int height, const std::function<void(int, const uchar*)>& row) {
  std::vector<uchar> line(size_t(TIFFScanlineSize64(tiff)));
  if (line.empty()) return false;
  for (int y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), uint32_t(y), 0) < 0) return false;
    row(y, line.data());
  }
  return true;
}

// The picture of interleaved inks in the file's own profile (else device CMYK), with their
// alpha when there is one.
ImageResult<QImage> PictureOfInks(const QByteArray& cmyk, const QByteArray& alphas, QSize size,
                                  const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  const int w = size.width(), h = size.height();
  const auto space = SourceInkSpace(rep);
  QImage image =
      space->cmykToRgb(reinterpret_cast<const uchar*>(cmyk.constData()), w, h, qsizetype(w) * 4);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  if (!alphas.isEmpty()) {
    image.convertTo(QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < w; ++x) {
        line[x] = qRgba(qRed(line[x]), qGreen(line[x]), qBlue(line[x]),
                        uchar(alphas[qsizetype(y) * w + x]));
      }
    }
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

ImageResult<QImage> DecodeCmyk(TIFF* tiff, const Directory& d, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  const int w = int(d.width), h = int(d.height);
  const bool alpha = HasAlpha(d) && d.spp >= 5;
  QByteArray cmyk(qsizetype(w) * h * 4, '\0');
  QByteArray alphas(alpha ? qsizetype(w) * h : 0, '\0');
  const int bytes = d.bps / 8;
  // 16-bit samples keep their high byte.
  auto sample = [&](const uchar* in, int index) -> uchar {
    if (bytes == 1) return in[index];
    uint16_t v;
    std::memcpy(&v, in + index * 2, 2);
    return uchar(v >> 8);
  };
  const bool ok = ReadRows(tiff, h, [&](int y, const uchar* in) {
    uchar* o = reinterpret_cast<uchar*>(cmyk.data()) + qsizetype(y) * w * 4;
    for (int x = 0; x < w; ++x, in += d.spp * bytes, o += 4) {
      for (int c = 0; c < 4; ++c) o[c] = sample(in, c);
      if (alpha) alphas[qsizetype(y) * w + x] = char(sample(in, 4));
    }
  });
  if (!ok) return Result::Fail(QStringLiteral("corrupt TIFF data"));
  return PictureOfInks(cmyk, alphas, QSize(w, h), rep);
}

// 16-bit integer and 32-bit float RGB or grey, contiguous strips.
ImageResult<QImage> DecodeDeep(TIFF* tiff, const Directory& d, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  const int w = int(d.width), h = int(d.height);
  const bool gray = d.photometric == PHOTOMETRIC_MINISBLACK;
  const int colours = gray ? 1 : 3;
  const bool alpha = HasAlpha(d) && d.spp > colours;
  const bool isFloat = d.sampleFormat == SAMPLEFORMAT_IEEEFP;
  if (d.spp < colours) return Result::Fail(QStringLiteral("unsupported TIFF layout"));
  QImage image(w, h,
               gray && !alpha ? QImage::Format_Grayscale16
                              : (alpha && d.extraTypes[0] == EXTRASAMPLE_ASSOCALPHA
                                     ? QImage::Format_RGBA64_Premultiplied
                                     : QImage::Format_RGBA64));
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  auto sample = [&](const uchar* in, int index) -> uint16_t {
    if (!isFloat) {
      uint16_t v;
      std::memcpy(&v, in + index * 2, 2);
      return v;
    }
    float f;
    std::memcpy(&f, in + index * 4, 4);
    if (!std::isfinite(f)) f = 0.0f;
    return uint16_t(std::lround(std::clamp(f, 0.0f, 1.0f) * 65535.0f));
  };
  const bool ok = ReadRows(tiff, h, [&](int y, const uchar* in) {
    uint16_t* o = reinterpret_cast<uint16_t*>(image.scanLine(y));
    const int stride = d.spp * (isFloat ? 4 : 2);
    for (int x = 0; x < w; ++x, in += stride) {
      if (image.format() == QImage::Format_Grayscale16) {
        o[x] = sample(in, 0);
        continue;
      }
      uint16_t* p = o + x * 4;
      p[0] = sample(in, 0);
      p[1] = sample(in, gray ? 0 : 1);
      p[2] = sample(in, gray ? 0 : 2);
      p[3] = alpha ? sample(in, colours) : 0xFFFF;
    }
  });
  if (!ok) return Result::Fail(QStringLiteral("corrupt TIFF data"));
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace

QString ProbeTiff(const QByteArray& data, Representations* out) {
  TiffMemory memory{nullptr, &data, 0, QString()};
  TiffPtr tiff = OpenTiffForReading(&memory);
  if (!tiff) return QStringLiteral("unreadable TIFF header");
  // Bounded, so that a directory loop in a hostile file ends.
  for (int i = 0; i < 10000; ++i) {
    out->push_back(RepresentationOf(tiff.get()));
    if (!TIFFReadDirectory(tiff.get())) break;
  }
  return QString();
}

ImageResult<QImage> DecodeTiff(const QByteArray& data, int index, const ImageRepresentation& rep) {
  using Result = ImageResult<QImage>;
  TiffMemory memory{nullptr, &data, 0, QString()};
  TiffPtr tiff = OpenTiffForReading(&memory);
  if (!tiff || !TIFFSetDirectory(tiff.get(), tdir_t(index))) {
    return Result::Fail(QStringLiteral("unreadable TIFF directory"));
  }
  const Directory d = ReadDirectoryFields(tiff.get());
  if (int(d.width) != rep.pixelWidth || int(d.height) != rep.pixelHeight) {
    return Result::Fail(QStringLiteral("TIFF directory changed"));
  }
  const bool strips = !d.tiled && d.planar == PLANARCONFIG_CONTIG;
  if (strips && d.photometric == PHOTOMETRIC_SEPARATED && d.inkset == INKSET_CMYK &&
      (d.bps == 8 || d.bps == 16) && d.spp >= 4) {
    return DecodeCmyk(tiff.get(), d, rep);
  }
  // libtiff's RGBA reader would separate tiles and planes of inks without the file's profile.
  if (d.photometric == PHOTOMETRIC_SEPARATED && d.inkset == INKSET_CMYK) {
    if (const std::optional<CmykInks> inks = ReadTiffInks(data, index);
        inks && inks->size == QSize(rep.pixelWidth, rep.pixelHeight)) {
      return PictureOfInks(inks->samples, inks->alpha, inks->size, rep);
    }
  }
  const bool deep = (d.bps == 16 && d.sampleFormat == SAMPLEFORMAT_UINT) ||
                    (d.bps == 32 && d.sampleFormat == SAMPLEFORMAT_IEEEFP);
  if (strips && deep &&
      (d.photometric == PHOTOMETRIC_RGB || d.photometric == PHOTOMETRIC_MINISBLACK)) {
    return DecodeDeep(tiff.get(), d, rep);
  }
  QImage image(int(d.width), int(d.height), QImage::Format_RGBA8888_Premultiplied);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  // Rows as stored, like every other decoder here: the orientation is reported, not applied.
  // libtiff's RGBA reader only flips, and takes each quarter-turn orientation (5-8) for the
  // flip-only one (1-4) that it reads the same way; asking for that one reads no flip.
  const int stored = rep.orientation >= 1 && rep.orientation <= 8 ? (rep.orientation - 1) % 4 + 1
                                                                  : ORIENTATION_TOPLEFT;
  if (image.bytesPerLine() != qsizetype(d.width) * 4 ||
      !TIFFReadRGBAImageOriented(tiff.get(), d.width, d.height,
                                 reinterpret_cast<uint32_t*>(image.bits()), stored, 1)) {
    return Result::Fail(memory.error.isEmpty() ? QStringLiteral("corrupt TIFF data")
                                               : memory.error);
  }
  // libtiff's RGBA is little-endian R, G, B, A, which is Qt's RGBA8888 on this byte order.
  if (QSysInfo::ByteOrder != QSysInfo::LittleEndian) {
    return Result::Fail(QStringLiteral("unsupported byte order"));
  }
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
