#pragma once

// Drawing one PDF page through Ghostscript: a page's own CMYK inks, and pages of damaged files
// that other readers cannot load.

#include <QByteArray>
#include <QSize>
#include <QString>

namespace glimbrik {

enum class PdfRasterColour { RGB, CMYK };

// Interleaved 8-bit samples, rows without padding: RGB (3 a pixel) or CMYK (4, 0 = no ink).
struct PdfRaster {
  QByteArray samples;
  QSize size;
  int components = 0;
  bool isNull() const { return samples.isEmpty(); }
};

// Page pageNumber (from 1) drawn at dpi inside the visible part of its crop box, turned by its
// rotation, on white paper (no ink); the size is Ghostscript's own rounding of the page. Null when
// the file, the password or the page fails. A CMYK profile, when given, is the device's: other
// colours are separated with it and DeviceCMYK inks pass unchanged. Calls are serialised: one
// interpreter at a time.
PdfRaster RenderPdfPageRaster(const QString& path, const QByteArray& password, int pageNumber,
                              double dpi, PdfRasterColour colour,
                              const QByteArray& cmykProfile = QByteArray());

// The raster's top-left pixels of size pixels; what the raster does not cover is paper.
PdfRaster FitPdfRaster(const PdfRaster& raster, QSize pixels);

}  // namespace glimbrik
