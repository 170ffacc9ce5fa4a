// TIFF headers through libtiff, from memory or from the file.

#include <tiffio.h>

#include <QFile>
#include <cstring>
#include <memory>

#include "platform/metadata/image_header_parsers.h"

namespace glimbrik::header_detail {
namespace {

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct OptionsFreer {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
using TiffPtr = std::unique_ptr<TIFF, TiffCloser>;

struct MemoryFile {
  const char* data;
  toff_t size;
  toff_t position;
};

tmsize_t MemoryRead(thandle_t handle, void* buffer, tmsize_t count) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (count <= 0 || file->position >= file->size) return 0;
  const toff_t n = std::min<toff_t>(static_cast<toff_t>(count), file->size - file->position);
  std::memcpy(buffer, file->data + file->position, n);
  file->position += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t MemoryWrite(thandle_t, void*, tmsize_t) { return -1; }

toff_t MemorySeek(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  toff_t base = 0;
  if (whence == SEEK_CUR) base = file->position;
  if (whence == SEEK_END) base = file->size;
  const toff_t target = base + offset;  // libtiff passes negative offsets as wrapped values
  if (target > file->size) return static_cast<toff_t>(-1);
  file->position = target;
  return target;
}

int MemoryClose(thandle_t) { return 0; }
toff_t MemorySize(thandle_t handle) { return static_cast<MemoryFile*>(handle)->size; }
int MemoryMap(thandle_t, void**, toff_t*) { return 0; }
void MemoryUnmap(thandle_t, void*, toff_t) {}

int QuietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

std::unique_ptr<TIFFOpenOptions, OptionsFreer> QuietOptions() {
  std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
  if (options) {
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), QuietHandler, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietHandler, nullptr);
  }
  return options;
}

QString ReadOpenTiff(TIFF* tiff, ImageHeader* header) {
  header->format = ImageFormat::TIFF;
  header->formatName = QStringLiteral("tiff");
  uint32_t width = 0;
  uint32_t height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) ||
      !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height) || width == 0 || height == 0 ||
      width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    return QStringLiteral("no TIFF image size");
  }
  header->width = static_cast<int>(width);
  header->height = static_cast<int>(height);
  uint16_t bits = 1;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits);
  header->bitsPerComponent = bits;
  uint16_t photometric = PHOTOMETRIC_RGB;
  if (TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric)) {
    switch (photometric) {
      case PHOTOMETRIC_MINISWHITE:
      case PHOTOMETRIC_MINISBLACK:
        header->colourModel = ColourModel::Gray;
        break;
      case PHOTOMETRIC_PALETTE:
        header->colourModel = ColourModel::Indexed;
        break;
      case PHOTOMETRIC_SEPARATED:
        header->colourModel = ColourModel::CMYK;
        break;
      case PHOTOMETRIC_CIELAB:
      case PHOTOMETRIC_ICCLAB:
      case PHOTOMETRIC_ITULAB:
        header->colourModel = ColourModel::Lab;
        break;
      default:
        header->colourModel = ColourModel::RGB;
        break;
    }
  }
  uint16_t extraCount = 0;
  uint16_t* extraTypes = nullptr;
  header->hasAlpha =
      TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extraTypes) && extraCount > 0;
  uint16_t orientation = 0;
  if (TIFFGetField(tiff, TIFFTAG_ORIENTATION, &orientation) && orientation >= 1 &&
      orientation <= 8) {
    header->orientation = orientation;
  }
  float x = 0;
  float y = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  const double scale = unit == RESUNIT_CENTIMETER ? 2.54 : 1.0;
  if (unit != RESUNIT_NONE && TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) && x > 0) {
    header->dpiX = SanitisedDpi(x * scale);
    header->dpiXStated = true;
  }
  if (unit != RESUNIT_NONE && TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) && y > 0) {
    header->dpiY = SanitisedDpi(y * scale);
    header->dpiYStated = true;
  }
  header->frameCount = std::max<int>(1, TIFFNumberOfDirectories(tiff));
  return {};
}

}  // namespace

QString ReadTiffHeader(QByteArrayView bytes, ImageHeader* header) {
  MemoryFile file{bytes.data(), static_cast<toff_t>(bytes.size()), 0};
  auto options = QuietOptions();
  if (!options) return QStringLiteral("out of memory");
  TiffPtr tiff(TIFFClientOpenExt("memory", "rm", &file, MemoryRead, MemoryWrite, MemorySeek,
                                 MemoryClose, MemorySize, MemoryMap, MemoryUnmap, options.get()));
  if (!tiff) return QStringLiteral("unreadable TIFF");
  return ReadOpenTiff(tiff.get(), header);
}

QString ReadTiffHeaderFromPath(const QString& path, ImageHeader* header) {
  auto options = QuietOptions();
  if (!options) return QStringLiteral("out of memory");
  TiffPtr tiff(TIFFOpenExt(QFile::encodeName(path).constData(), "rm", options.get()));
  if (!tiff) return QStringLiteral("unreadable TIFF");
  return ReadOpenTiff(tiff.get(), header);
}

}  // namespace glimbrik::header_detail
