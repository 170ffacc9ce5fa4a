#include <png.h>

#include <QSysInfo>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/codecs/codec_encoders.h"
#include "platform/pixels/pixel_formats.h"

namespace glimbrik::codec {

namespace {

struct PngParameters {
  png_uint_32 width;
  png_uint_32 height;
  int bitDepth;
  int colorType;
  bool bgr;          // 8-bit colour rows are in Qt's B, G, R, A order
  bool stripFiller;  // 4 samples per pixel in memory, 3 written
  bool swap;         // 16-bit samples in little-endian memory
  png_uint_32 ppmX;
  png_uint_32 ppmY;
  const png_byte* icc;
  png_uint_32 iccLength;
  png_bytepp rows;
  png_textp texts;
  int textCount;
};

void WriteToBuffer(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
  out->append(reinterpret_cast<const char*>(data), qsizetype(length));
}

void Flush(png_structp) {}
void IgnoreWarning(png_structp, png_const_charp) {}

// Back to the setjmp of the calling function, without printing: the caller reports the failure.
[[noreturn]] void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// setjmp function: plain C calls only.
bool PngWrite(png_structp png, png_infop info, const PngParameters* p, QByteArray* out) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, WriteToBuffer, Flush);
  png_set_IHDR(png, info, p->width, p->height, p->bitDepth, p->colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_pHYs(png, info, p->ppmX, p->ppmY, PNG_RESOLUTION_METER);
  if (p->icc) {
    // libpng refuses on write profiles that readers take without a word: the widespread
    // "sRGB IEC61966-2.1" of many cameras among them. Its complaints become warnings here.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_benign_errors(png, 1);
    png_set_iCCP(png, info, "ICC Profile", 0, p->icc, p->iccLength);
  }
  if (p->textCount > 0) png_set_text(png, info, p->texts, p->textCount);
  png_write_info(png, info);
  if (p->bgr) png_set_bgr(png);
  if (p->stripFiller) png_set_filler(png, 0, PNG_FILLER_AFTER);
  if (p->swap) png_set_swap(png);
  png_write_image(png, p->rows);
  png_write_end(png, info);
  return true;
}

struct PngWriteGuard {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~PngWriteGuard() { png_destroy_write_struct(&png, info ? &info : nullptr); }
};

bool WritePngOnce(const PngParameters& p, QByteArray* out) {
  PngWriteGuard guard;
  guard.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, QuietError, IgnoreWarning);
  if (!guard.png) return false;
  guard.info = png_create_info_struct(guard.png);
  return guard.info && PngWrite(guard.png, guard.info, &p, out);
}

png_uint_32 PixelsPerMeter(double dpi) { return png_uint_32(std::nearbyint(dpi / 0.0254)); }

}  // namespace

Encoded EncodePng(const QImage& image, const DestinationProperties& properties) {
  const bool deep = image.depth() > 32 || image.format() == QImage::Format_Grayscale16;
  const bool gray = image.format() == QImage::Format_Grayscale8 ||
                    image.format() == QImage::Format_Grayscale16 ||
                    (properties.colorSpace && properties.colorSpace->model() == ColorModel::Gray);
  const bool alpha = !gray && ImageUsesAlpha(image);
  PngParameters p{};
  p.width = png_uint_32(image.width());
  p.height = png_uint_32(image.height());
  p.bitDepth = deep ? 16 : 8;
  p.swap = deep && QSysInfo::ByteOrder == QSysInfo::LittleEndian;
  QImage pixels;
  if (gray) {
    pixels = image.convertToFormat(deep ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    p.colorType = PNG_COLOR_TYPE_GRAY;
  } else if (deep) {
    pixels = ConvertedImage(image, alpha ? QImage::Format_RGBA64 : QImage::Format_RGBX64);
    p.colorType = alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB;
    p.stripFiller = !alpha;
  } else if (alpha) {
    pixels = image.convertToFormat(QImage::Format_ARGB32);
    p.colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    p.bgr = true;
  } else {
    pixels = image.convertToFormat(QImage::Format_RGB888);
    p.colorType = PNG_COLOR_TYPE_RGB;
  }
  if (pixels.isNull()) return Encoded::Fail(QStringLiteral("out of memory"));
  p.ppmX = PixelsPerMeter(OutputDpiX(properties));
  p.ppmY = PixelsPerMeter(OutputDpiY(properties));
  const QByteArray icc = ProfileToEmbed(image, properties);
  const auto iccSpace = ColorSpace::FromIccProfile(icc);
  // PNG allows only a profile that matches its own colour type.
  if (iccSpace && (iccSpace->model() == ColorModel::Gray) == gray &&
      iccSpace->model() != ColorModel::CMYK) {
    p.icc = reinterpret_cast<const png_byte*>(icc.constData());
    p.iccLength = png_uint_32(icc.size());
  }
  // A PNG source's own texts, when its metadata is kept: Latin-1 as tEXt, the rest as iTXt.
  std::vector<std::pair<QByteArray, QByteArray>> textBytes;
  std::vector<png_text> texts;
  if (properties.metadata) {
    for (const auto& [keyword, text] : properties.metadata->texts) {
      const QByteArray key = keyword.toLatin1().left(79);
      if (key.isEmpty()) continue;
      const bool latin1 =
          std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 256; });
      textBytes.emplace_back(key, latin1 ? text.toLatin1() : text.toUtf8());
      png_text entry{};
      entry.compression = latin1 ? PNG_TEXT_COMPRESSION_NONE : PNG_ITXT_COMPRESSION_NONE;
      texts.push_back(entry);
    }
    for (size_t i = 0; i < texts.size(); ++i) {
      texts[i].key = textBytes[i].first.data();
      texts[i].text = textBytes[i].second.data();
      if (texts[i].compression == PNG_TEXT_COMPRESSION_NONE) {
        texts[i].text_length = size_t(textBytes[i].second.size());
      } else {
        texts[i].itxt_length = size_t(textBytes[i].second.size());
      }
    }
  }
  p.texts = texts.data();
  p.textCount = int(texts.size());
  std::vector<png_bytep> rows(size_t(pixels.height()));
  for (int y = 0; y < pixels.height(); ++y) rows[size_t(y)] = pixels.scanLine(y);
  p.rows = rows.data();

  QByteArray out;
  if (WritePngOnce(p, &out)) return {out, QString()};
  // A profile libpng still will not write is dropped: the picture matters more.
  if (p.icc) {
    p.icc = nullptr;
    p.iccLength = 0;
    out.clear();
    if (WritePngOnce(p, &out)) return {out, QString()};
  }
  return Encoded::Fail(QStringLiteral("PNG encoding failed"));
}

}  // namespace glimbrik::codec
