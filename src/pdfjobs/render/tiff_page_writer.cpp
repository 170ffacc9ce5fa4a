#include <tiffio.h>

#include <vector>

#include "pdfjobs/render/render_pages.h"

namespace glimbrik {

bool WriteTIFFPage(TIFF* tiff, const PageBitmap& page, double dpiX, double dpiY, int64_t index,
                   int64_t count) {
  if (!tiff || page.width <= 0 || page.height <= 0) return false;
  const int width = page.width;
  int samples = 3;
  int photometric = PHOTOMETRIC_RGB;
  if (page.model == 0) {
    samples = 1;
    photometric = PHOTOMETRIC_MINISBLACK;
    if (page.image.format() != QImage::Format_Grayscale8) return false;
  } else if (page.model == 2) {
    samples = 4;
    photometric = PHOTOMETRIC_SEPARATED;
    if (page.cmyk.size() < qsizetype(width) * page.height * 4) return false;
  } else if (page.image.format() != QImage::Format_ARGB32_Premultiplied) {
    return false;
  }
  bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, uint32_t(width)) &&
            TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(page.height)) &&
            TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8) &&
            TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, samples) &&
            TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
            TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, photometric) &&
            TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
            TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(dpiX)) &&
            TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(dpiY)) &&
            TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
            TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW) &&
            TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE) &&
            TIFFSetField(tiff, TIFFTAG_PAGENUMBER, uint16_t(index), uint16_t(count)) &&
            TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  std::vector<uint8_t> row(size_t(width) * samples);
  for (int y = 0; ok && y < page.height; ++y) {
    if (page.model == 0) {
      std::copy_n(page.image.constScanLine(y), width, row.begin());
    } else if (page.model == 2) {
      const auto* line =
          reinterpret_cast<const uint8_t*>(page.cmyk.constData()) + qsizetype(y) * width * 4;
      std::copy_n(line, size_t(width) * 4, row.begin());
    } else {
      // Premultiplied pixels back to straight colour: v x (65280 / a) >> 8.
      const QRgb* line = reinterpret_cast<const QRgb*>(page.image.constScanLine(y));
      for (int x = 0; x < width; ++x) {
        const unsigned a = qAlpha(line[x]);
        const unsigned q = a ? 65280u / a : 0u;
        row[size_t(x) * 3] = uint8_t(std::min(255u, (qRed(line[x]) * q) >> 8));
        row[size_t(x) * 3 + 1] = uint8_t(std::min(255u, (qGreen(line[x]) * q) >> 8));
        row[size_t(x) * 3 + 2] = uint8_t(std::min(255u, (qBlue(line[x]) * q) >> 8));
      }
    }
    ok = TIFFWriteScanline(tiff, row.data(), uint32_t(y), 0) == 1;
  }
  return ok && TIFFWriteDirectory(tiff) == 1;
}

}  // namespace glimbrik
