#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/codecs/codec_tiff_io.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

struct Layout {
  uint16_t photometric = PHOTOMETRIC_RGB;
  uint16_t samples = 3;
  uint16_t bits = 8;
  bool alpha = false;
  bool associated = false;
};

// Writes rows of already interleaved samples.
bool WriteStrips(TIFF* tiff, int height, const std::function<const void*(int)>& row) {
  for (int y = 0; y < height; ++y) {
    if (TIFFWriteScanline(tiff, const_cast<void*>(row(y)), uint32_t(y), 0) < 0) return false;
  }
  return true;
}

}  // namespace

Encoded EncodeTiff(const QImage& image, const DestinationProperties& properties) {
  const int w = image.width(), h = image.height();
  const auto cmykSpace = CmykSpaceOf(properties);
  const bool gray =
      !cmykSpace && (image.format() == QImage::Format_Grayscale8 ||
                     image.format() == QImage::Format_Grayscale16 ||
                     (properties.colorSpace && properties.colorSpace->model() == ColorModel::Gray));
  const bool deep =
      !cmykSpace && (image.depth() > 32 || image.format() == QImage::Format_Grayscale16);
  Layout layout;
  layout.alpha = !gray && ImageUsesAlpha(image);
  layout.bits = deep ? 16 : 8;
  if (cmykSpace) {
    layout.photometric = PHOTOMETRIC_SEPARATED;
    layout.samples = layout.alpha ? 5 : 4;
  } else if (gray) {
    layout.photometric = PHOTOMETRIC_MINISBLACK;
    layout.samples = 1;
  } else {
    layout.samples = layout.alpha ? 4 : 3;
    layout.associated = layout.alpha;
  }

  QByteArray out;
  TiffMemory memory{&out, nullptr, 0, QString()};
  TiffPtr tiff = OpenTiffForWriting(&memory);
  if (!tiff) return Encoded::Fail(QStringLiteral("TIFF writer failed"));
  TIFF* t = tiff.get();
  TIFFSetField(t, TIFFTAG_IMAGEWIDTH, uint32_t(w));
  TIFFSetField(t, TIFFTAG_IMAGELENGTH, uint32_t(h));
  TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, layout.bits);
  TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, layout.samples);
  TIFFSetField(t, TIFFTAG_PHOTOMETRIC, layout.photometric);
  TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(t, TIFFTAG_COMPRESSION,
               properties.tiffCompression > 0 ? uint16_t(properties.tiffCompression)
                                              : uint16_t(COMPRESSION_LZW));
  if (cmykSpace) TIFFSetField(t, TIFFTAG_INKSET, INKSET_CMYK);
  if (layout.alpha) {
    const uint16_t type = layout.associated ? EXTRASAMPLE_ASSOCALPHA : EXTRASAMPLE_UNASSALPHA;
    TIFFSetField(t, TIFFTAG_EXTRASAMPLES, uint16_t(1), &type);
  }
  TIFFSetField(t, TIFFTAG_XRESOLUTION, float(OutputDpiX(properties)));
  TIFFSetField(t, TIFFTAG_YRESOLUTION, float(OutputDpiY(properties)));
  TIFFSetField(t, TIFFTAG_RESOLUTIONUNIT, uint16_t(RESUNIT_INCH));
  if (properties.orientation >= 1 && properties.orientation <= 8) {
    TIFFSetField(t, TIFFTAG_ORIENTATION, uint16_t(properties.orientation));
  }
  const QByteArray icc = ProfileToEmbed(image, properties);
  if (!icc.isEmpty()) TIFFSetField(t, TIFFTAG_ICCPROFILE, uint32_t(icc.size()), icc.constData());
  TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(t, 0));

  bool written = false;
  if (cmykSpace) {
    const QByteArray cmyk = CmykSamplesOf(image, properties, *cmykSpace);
    if (cmyk.isEmpty()) return Encoded::Fail(QStringLiteral("CMYK conversion failed"));
    const QImage argb = layout.alpha ? image.convertToFormat(QImage::Format_ARGB32) : QImage();
    std::vector<uchar> line(size_t(w) * layout.samples);
    written = WriteStrips(t, h, [&](int y) -> const void* {
      const uchar* in = reinterpret_cast<const uchar*>(cmyk.constData()) + qsizetype(y) * w * 4;
      if (!layout.alpha) return in;
      const QRgb* a = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        std::memcpy(&line[size_t(x) * 5], in + x * 4, 4);
        line[size_t(x) * 5 + 4] = uchar(qAlpha(a[x]));
      }
      return line.data();
    });
  } else {
    QImage pixels;
    std::vector<uint16_t> line;
    if (gray) {
      pixels = image.convertToFormat(deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    } else if (deep) {
      pixels = ConvertedImage(image, QImage::Format_RGBA64_Premultiplied);
      if (!layout.alpha) line.resize(size_t(w) * 3);
    } else {
      pixels = image.convertToFormat(layout.alpha ? QImage::Format_RGBA8888_Premultiplied
                                                  : QImage::Format_RGB888);
    }
    if (pixels.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
    written = WriteStrips(t, h, [&](int y) -> const void* {
      if (line.empty()) return pixels.constScanLine(y);
      const uint16_t* in = reinterpret_cast<const uint16_t*>(pixels.constScanLine(y));
      for (int x = 0; x < w; ++x) {
        line[size_t(x) * 3] = in[x * 4];
        line[size_t(x) * 3 + 1] = in[x * 4 + 1];
        line[size_t(x) * 3 + 2] = in[x * 4 + 2];
      }
      return line.data();
    });
  }
  if (!written || !TIFFWriteDirectory(t)) {
    return Encoded::Fail(memory.error.isEmpty() ? QStringLiteral("TIFF encoding failed")
                                                : memory.error);
  }
  tiff.reset();  // flushes
  return {out, QString()};
}

}  // namespace glimbrik::codec
