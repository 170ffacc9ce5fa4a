#include <QtGui/qrgb.h>
#include <png.h>

#include <QRgba64>
#include <QSysInfo>
#include <cstring>
#include <vector>

#include "platform/codecs/codec_decoders.h"
#include "platform/pixels/row_resampler.h"
#include "platform/system/file_mapping.h"

namespace glimbrik::codec {

namespace {

struct PngMemoryReader {
  const uchar* data;
  size_t size;
  size_t position;
  bool releaseBehind;
  size_t released;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* reader = static_cast<PngMemoryReader*>(png_get_io_ptr(png));
  if (length > reader->size - reader->position) png_error(png, "truncated");
  std::memcpy(out, reader->data + reader->position, length);
  reader->position += length;
  if (reader->releaseBehind) ReleasePassedPages(reader->data, reader->position, &reader->released);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Back to the setjmp of the calling function, without printing: the caller reports the failure.
[[noreturn]] void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

struct PngInfo {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colorType;
  png_uint_32 xppm;
  png_uint_32 yppm;
  int physUnit;
  png_bytep icc;
  png_uint_32 iccLength;
  bool hasTrns;
};

// setjmp functions: plain C calls only.

bool PngReadInfo(png_structp png, png_infop info, PngMemoryReader* reader, PngInfo* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, reader, ReadFromMemory);
  // Our own size limit applies; libpng's default would refuse large but legal images.
  png_set_user_limits(png, 0x7fffffff, 0x7fffffff);
  png_read_info(png, info);
  int interlace = 0;
  png_get_IHDR(png, info, &out->width, &out->height, &out->bitDepth, &out->colorType, &interlace,
               nullptr, nullptr);
  if (!png_get_pHYs(png, info, &out->xppm, &out->yppm, &out->physUnit)) out->physUnit = -1;
  png_charp name = nullptr;
  int compression = 0;
  if (!png_get_iCCP(png, info, &name, &compression, &out->icc, &out->iccLength)) out->icc = nullptr;
  out->hasTrns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  return true;
}

// Sets the transforms that give one of: 8-bit grey, 16-bit grey, 8-bit BGRA, 16-bit RGBA.
bool PngSetTransforms(png_structp png, png_infop info, const PngInfo* in, bool keepGray) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_expand(png);
  if (in->bitDepth == 16) png_set_swap(png);
  if (!keepGray) {
    png_set_gray_to_rgb(png);
    if (in->bitDepth != 16) png_set_bgr(png);
    png_set_add_alpha(png, in->bitDepth == 16 ? 0xFFFF : 0xFF, PNG_FILLER_AFTER);
  }
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  return true;
}

bool PngReadRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

bool PngReadEnd(png_structp png) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_end(png, nullptr);
  return true;
}

// Straight alpha to premultiplied, in place, as Qt's own conversion rounds it.
void PremultiplyRow(uchar* row, int width, bool deep) {
  if (deep) {
    auto* px = reinterpret_cast<QRgba64*>(row);
    for (int x = 0; x < width; ++x) px[x] = px[x].premultiplied();
  } else {
    auto* px = reinterpret_cast<QRgb*>(row);
    for (int x = 0; x < width; ++x) px[x] = qPremultiply(px[x]);
  }
}

bool PngReadImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  png_read_end(png, nullptr);
  return true;
}

struct PngReadGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngReadGuard() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
};

bool OpenPng(const QByteArray& data, PngReadGuard* guard, PngMemoryReader* reader, PngInfo* info) {
  *reader = {reinterpret_cast<const uchar*>(data.constData()), size_t(data.size()), 0, false, 0};
  guard->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
  if (!guard->png) return false;
  guard->info = png_create_info_struct(guard->png);
  std::memset(info, 0, sizeof(*info));
  return guard->info && PngReadInfo(guard->png, guard->info, reader, info);
}

}  // namespace

QString ProbePng(const QByteArray& data, Representations* out) {
  PngReadGuard guard;
  PngMemoryReader reader;
  PngInfo info;
  // The signature was right, so a header that libpng refuses is damage: a bad checksum, a missing
  // or invalid header chunk, no image data before the end.
  if (!OpenPng(data, &guard, &reader, &info)) return QStringLiteral("corrupt PNG header");
  ImageRepresentation rep;
  rep.pixelWidth = int(std::min<png_uint_32>(info.width, 0x7fffffff));
  rep.pixelHeight = int(std::min<png_uint_32>(info.height, 0x7fffffff));
  rep.bitsPerComponent = info.bitDepth == 16 ? 16 : 8;
  rep.hasAlpha = (info.colorType & PNG_COLOR_MASK_ALPHA) || info.hasTrns;
  rep.colorModel = info.colorType == PNG_COLOR_TYPE_PALETTE  ? ColorModel::Indexed
                   : (info.colorType & PNG_COLOR_MASK_COLOR) ? ColorModel::RGB
                                                             : ColorModel::Gray;
  if (info.physUnit == PNG_RESOLUTION_METER) {
    rep.dpiX = DotsPerInch(info.xppm * 0.0254, 2);
    rep.dpiY = DotsPerInch(info.yppm * 0.0254, 2);
  }
  if (info.icc)
    rep.iccProfile = QByteArray(reinterpret_cast<const char*>(info.icc), int(info.iccLength));
  out->push_back(rep);
  return QString();
}

ImageResult<QImage> DecodePng(const QByteArray& data, const ImageRepresentation& rep,
                              QSize exactSize, bool releaseBehind) {
  using Result = ImageResult<QImage>;
  PngReadGuard guard;
  PngMemoryReader reader;
  PngInfo info;
  if (!OpenPng(data, &guard, &reader, &info))
    return Result::Fail(QStringLiteral("corrupt PNG header"));
  reader.releaseBehind = releaseBehind;
  const bool gray = rep.colorModel == ColorModel::Gray && !rep.hasAlpha;
  const bool deep = info.bitDepth == 16;
  if (!PngSetTransforms(guard.png, guard.info, &info, gray)) {
    return Result::Fail(QStringLiteral("unsupported PNG layout"));
  }
  const QImage::Format format =
      gray ? (deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8)
           : (deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
  const QSize stored(int(info.width), int(info.height));
  const bool interlaced = png_get_interlace_type(guard.png, guard.info) != PNG_INTERLACE_NONE;
  if (exactSize.isValid() && !exactSize.isEmpty() && exactSize != stored && !interlaced) {
    // Row by row into the reduce: only a ring of rows of the full size is ever held.
    const QImage::Format reduced =
        gray ? format
             : (deep ? QImage::Format_RGBA64_Premultiplied : QImage::Format_ARGB32_Premultiplied);
    RowResampler resampler(stored, exactSize, reduced);
    const size_t rowBytes = png_get_rowbytes(guard.png, guard.info);
    const size_t samples = size_t(stored.width()) * (gray ? 1 : 4) * (deep ? 2 : 1);
    if (!resampler.isValid() || rowBytes > samples) {
      return Result::Fail(QStringLiteral("out of memory"));
    }
    std::vector<uchar> row(samples);
    for (int y = 0; y < stored.height(); ++y) {
      if (!PngReadRow(guard.png, row.data()))
        return Result::Fail(QStringLiteral("corrupt PNG data"));
      if (!gray && rep.hasAlpha) PremultiplyRow(row.data(), stored.width(), deep);
      resampler.pushRow(row.data());
    }
    if (!PngReadEnd(guard.png)) return Result::Fail(QStringLiteral("corrupt PNG data"));
    return {FinishDecodedImage(resampler.take(), rep), QString()};
  }
  QImage image(int(info.width), int(info.height), format);
  if (image.isNull()) return Result::Fail(QStringLiteral("out of memory"));
  if (png_get_rowbytes(guard.png, guard.info) > size_t(image.bytesPerLine())) {
    return Result::Fail(QStringLiteral("unexpected PNG row size"));
  }
  std::vector<png_bytep> rows(size_t(image.height()));
  for (int y = 0; y < image.height(); ++y) rows[size_t(y)] = image.scanLine(y);
  if (!PngReadImage(guard.png, rows.data()))
    return Result::Fail(QStringLiteral("corrupt PNG data"));
  return {FinishDecodedImage(std::move(image), rep), QString()};
}

}  // namespace glimbrik::codec
