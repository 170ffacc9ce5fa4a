#include "platform/pdf/pdf_cmyk_inks.h"

#include <QImage>
#include <cstring>
#include <vector>

#include "platform/codecs/codec_tiff_io.h"

namespace glimbrik {

bool HasAdobeSegment(const QByteArray& jpeg) {
  qsizetype i = 2;
  while (i + 4 <= jpeg.size()) {
    if (uchar(jpeg[i]) != 0xFF) return false;
    const uchar marker = uchar(jpeg[i + 1]);
    if (marker == 0xDA || marker == 0xD9) return false;
    const int length = (uchar(jpeg[i + 2]) << 8) | uchar(jpeg[i + 3]);
    if (marker == 0xEE && jpeg.mid(i + 4, 5) == "Adobe") return true;
    i += 2 + length;
  }
  return false;
}

std::optional<CmykInks> ReadTiffInks(const QByteArray& tiff, int index) {
  codec::TiffMemory memory{nullptr, &tiff, 0, QString()};
  const codec::TiffPtr handle = codec::OpenTiffForReading(&memory);
  if (!handle || index < 0 || !TIFFSetDirectory(handle.get(), tdir_t(index))) return std::nullopt;
  TIFF* t = handle.get();
  uint32_t width = 0, height = 0;
  uint16_t bits = 1, samples = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
  uint16_t inkset = INKSET_CMYK, format = SAMPLEFORMAT_UINT, extraCount = 0;
  uint16_t* extraTypes = nullptr;
  TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(t, TIFFTAG_IMAGELENGTH, &height);
  TIFFGetFieldDefaulted(t, TIFFTAG_BITSPERSAMPLE, &bits);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLESPERPIXEL, &samples);
  TIFFGetFieldDefaulted(t, TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(t, TIFFTAG_INKSET, &inkset);
  TIFFGetFieldDefaulted(t, TIFFTAG_SAMPLEFORMAT, &format);
  TIFFGetFieldDefaulted(t, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes);
  if (!TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &photometric) || photometric != PHOTOMETRIC_SEPARATED ||
      inkset != INKSET_CMYK || samples < 4 || (bits != 8 && bits != 16) ||
      planar != PLANARCONFIG_CONTIG || format != SAMPLEFORMAT_UINT || TIFFIsTiled(t) ||
      width == 0 || height == 0 || width > 65535 || height > 65535) {
    return std::nullopt;
  }
  // Only unassociated alpha can be taken as it is; associated alpha has scaled the inks.
  const bool alpha =
      samples >= 5 && extraCount > 0 && extraTypes && extraTypes[0] == EXTRASAMPLE_UNASSALPHA;
  const int w = int(width), h = int(height), bytes = bits / 8;
  CmykInks inks;
  inks.size = QSize(w, h);
  inks.samples.resize(qsizetype(w) * h * 4);
  if (alpha) inks.alpha.resize(qsizetype(w) * h);
  std::vector<uchar> line(size_t(TIFFScanlineSize64(t)));
  if (line.size() < size_t(w) * samples * bytes) return std::nullopt;
  // 16-bit samples (in host order from libtiff) keep their high byte.
  const auto sample = [bytes](const uchar* in, int i) -> uchar {
    if (bytes == 1) return in[i];
    uint16_t v;
    std::memcpy(&v, in + i * 2, 2);
    return uchar(v >> 8);
  };
  for (int y = 0; y < h; ++y) {
    if (TIFFReadScanline(t, line.data(), uint32_t(y), 0) < 0) return std::nullopt;
    const uchar* in = line.data();
    uchar* out = reinterpret_cast<uchar*>(inks.samples.data()) + qsizetype(y) * w * 4;
    for (int x = 0; x < w; ++x, in += samples * bytes) {
      for (int c = 0; c < 4; ++c) *out++ = sample(in, c);
      if (alpha) inks.alpha[qsizetype(y) * w + x] = char(sample(in, 4));
    }
  }
  return inks;
}

CmykInks ScaledInks(const CmykInks& inks, QSize size) {
  if (size == inks.size || size.isEmpty() || inks.size.isEmpty()) return inks;
  const int w = inks.size.width(), h = inks.size.height();
  // C, M and Y travel as the three channels of one picture, K and alpha as grey ones.
  QImage cmy(w, h, QImage::Format_RGB888), k(w, h, QImage::Format_Grayscale8);
  QImage alpha = inks.alpha.isEmpty() ? QImage() : QImage(w, h, QImage::Format_Grayscale8);
  if (cmy.isNull() || k.isNull()) return {};
  const auto* in = reinterpret_cast<const uchar*>(inks.samples.constData());
  for (int y = 0; y < h; ++y) {
    uchar* c = cmy.scanLine(y);
    uchar* g = k.scanLine(y);
    for (int x = 0; x < w; ++x, in += 4) {
      std::memcpy(c + x * 3, in, 3);
      g[x] = in[3];
    }
    if (!alpha.isNull()) {
      std::memcpy(alpha.scanLine(y), inks.alpha.constData() + qsizetype(y) * w, size_t(w));
    }
  }
  const auto scale = [size](const QImage& image) {
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(image.format());
  };
  const QImage sc = scale(cmy), sk = scale(k), sa = alpha.isNull() ? QImage() : scale(alpha);
  if (sc.isNull() || sk.isNull()) return {};
  CmykInks out;
  out.size = size;
  out.samples.resize(qsizetype(size.width()) * size.height() * 4);
  if (!sa.isNull()) out.alpha.resize(qsizetype(size.width()) * size.height());
  auto* o = reinterpret_cast<uchar*>(out.samples.data());
  for (int y = 0; y < size.height(); ++y) {
    const uchar* c = sc.constScanLine(y);
    const uchar* g = sk.constScanLine(y);
    for (int x = 0; x < size.width(); ++x, o += 4) {
      std::memcpy(o, c + x * 3, 3);
      o[3] = g[x];
    }
    if (!sa.isNull()) {
      std::memcpy(out.alpha.data() + qsizetype(y) * size.width(), sa.constScanLine(y),
                  size_t(size.width()));
    }
  }
  return out;
}

}  // namespace glimbrik
