#pragma once

// Helpers of ImageConverter::renderPDFPages, which renders the pages of the converter's open PDF
// into image files or one multi-page TIFF.

#include <QByteArray>
#include <QImage>
#include <cstdint>

#include "engine/convert/conversion_records.h"

typedef struct tiff TIFF;

namespace glimbrik {

class ImageConverter;

// Sends the page's number (shifted by the first page with the offset flag) to the progress
// receiver on the main thread, without waiting.
void ReportPDFPageProgress(const ImageConverter& converter, int64_t pageNumber);

// One rendered page: grey (model 0, Grayscale8), RGB (model 1, ARGB32_Premultiplied) or CMYK
// (model 2, interleaved ink bytes in cmyk).
struct PageBitmap {
  int model = 1;
  QImage image;
  QByteArray cmyk;
  int width = 0;
  int height = 0;
};

// Appends the page as a directory (index of count) of the open TIFF: 8-bit, un-premultiplied,
// LZW, SubfileType page, PageNumber (index, count). False on any failed write.
bool WriteTIFFPage(TIFF* tiff, const PageBitmap& page, double dpiX, double dpiY, int64_t index,
                   int64_t count);

}  // namespace glimbrik
