#include <cmath>
#include <cstdlib>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/codecs/codec_jpeg_common.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

struct JpegParameters {
  int width;
  int height;
  int components;
  J_COLOR_SPACE colorSpace;
  int quality;
  UINT16 dpiX;
  UINT16 dpiY;
  const JOCTET* icc;
  unsigned int iccLength;
  JSAMPROW* rows;
};

// setjmp function: plain C calls only.
bool JpegCompress(jpeg_compress_struct* info, JpegErrorManager* err, const JpegParameters* p,
                  unsigned char** out, unsigned long* outSize) {
  InstallJpegErrorManager(reinterpret_cast<j_common_ptr>(info), err);
  if (setjmp(err->trap.jump)) return false;
  jpeg_create_compress(info);
  jpeg_mem_dest(info, out, outSize);
  info->image_width = JDIMENSION(p->width);
  info->image_height = JDIMENSION(p->height);
  info->input_components = p->components;
  info->in_color_space = p->colorSpace;
  jpeg_set_defaults(info);
  jpeg_set_quality(info, p->quality, TRUE);
  if (p->colorSpace != JCS_CMYK) {
    info->write_JFIF_header = TRUE;
    info->density_unit = 1;
    info->X_density = p->dpiX;
    info->Y_density = p->dpiY;
  }
  jpeg_start_compress(info, TRUE);
  if (p->icc) jpeg_write_icc_profile(info, p->icc, p->iccLength);
  while (info->next_scanline < info->image_height) {
    jpeg_write_scanlines(info, &p->rows[info->next_scanline], 1);
  }
  jpeg_finish_compress(info);
  return true;
}

struct CompressGuard {
  jpeg_compress_struct* info;
  unsigned char** out;
  ~CompressGuard() {
    jpeg_destroy_compress(info);
    std::free(*out);
  }
};

UINT16 Density(double dpi) { return UINT16(std::clamp(std::nearbyint(dpi), 1.0, 65535.0)); }

// Opaque 32-bit pixels reach the encoder as they lie, which saves a full-size RGB copy per file:
// libjpeg-turbo reads the byte order itself. Any alpha below 255 takes the converting road, which
// gives such pixels the colours Qt gives them without alpha.
bool EncodesIn32Bits(const QImage& image) {
  switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
      return !ImageUsesAlpha(image);
    default:
      return false;
  }
}

}  // namespace

Encoded EncodeJpeg(const QImage& image, const DestinationProperties& properties) {
  const int w = image.width(), h = image.height();
  if (w <= 0 || h <= 0 || w > 65500 || h > 65500)
    return Encoded::Fail(QStringLiteral("size not encodable as JPEG"));
  QByteArray cmyk;
  QImage pixels;
  JpegParameters p{};
  p.width = w;
  p.height = h;
  std::vector<JSAMPROW> rows(size_t(h), nullptr);
  if (auto space = CmykSpaceOf(properties)) {
    cmyk = CmykSamplesOf(image, properties, *space);
    if (cmyk.isEmpty()) return Encoded::Fail(QStringLiteral("CMYK conversion failed"));
    // Stored inverted, as Adobe applications write it; the Adobe marker tells readers.
    for (char& c : cmyk) c = char(255 - uchar(c));
    p.components = 4;
    p.colorSpace = JCS_CMYK;
    for (int y = 0; y < h; ++y)
      rows[size_t(y)] = reinterpret_cast<JSAMPROW>(cmyk.data()) + qsizetype(y) * w * 4;
  } else {
    const bool gray = image.format() == QImage::Format_Grayscale8 ||
                      image.format() == QImage::Format_Grayscale16 ||
                      (properties.colorSpace && properties.colorSpace->model() == ColorModel::Gray);
    if (!gray && EncodesIn32Bits(image)) {
      pixels = image;
      p.components = 4;
      p.colorSpace = Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    } else {
      pixels = ConvertedImage(image, gray ? QImage::Format_Grayscale8 : QImage::Format_RGB888);
      if (pixels.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
      p.components = gray ? 1 : 3;
      p.colorSpace = gray ? JCS_GRAYSCALE : JCS_RGB;
    }
    // Rows are only read; constScanLine keeps a shared image from being copied.
    for (int y = 0; y < h; ++y) rows[size_t(y)] = const_cast<JSAMPROW>(pixels.constScanLine(y));
  }
  p.quality = int(std::clamp(properties.lossyQuality.value_or(0.75) * 100.0, 0.0, 100.0));
  p.dpiX = Density(OutputDpiX(properties));
  p.dpiY = Density(OutputDpiY(properties));
  const QByteArray icc = ProfileToEmbed(image, properties);
  p.icc = icc.isEmpty() ? nullptr : reinterpret_cast<const JOCTET*>(icc.constData());
  p.iccLength = unsigned(icc.size());
  p.rows = rows.data();

  jpeg_compress_struct info{};
  JpegErrorManager err;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  CompressGuard guard{&info, &out};
  if (!JpegCompress(&info, &err, &p, &out, &outSize) || !out) {
    return Encoded::Fail(QString::fromLocal8Bit(err.trap.message));
  }
  return {QByteArray(reinterpret_cast<const char*>(out), qsizetype(outSize)), QString()};
}

}  // namespace glimbrik::codec
