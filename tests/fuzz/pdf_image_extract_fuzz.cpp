// Any bytes as a PDF file: qpdf's parsing, the walk over pages, forms and inline images, and the
// rebuilding of every image (filters, colour spaces, decode arrays, tint functions, masks, fax
// and JBIG2 data), each written as a TIFF into a private folder, over the same names each time.
// The first pages are enough to reach every road; more would only repeat them.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QDir>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <qpdf/QPDF.hh>

#include "pdfjobs/image_extraction/pdf_image_extractor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // In memory where the system has it: every saved file is synced, which on a disk would take
  // most of the time of a run.
  static QTemporaryDir folder(QDir(QStringLiteral("/dev/shm")).exists()
                                  ? QStringLiteral("/dev/shm/pdf_image_extract_fuzz-XXXXXX")
                                  : QDir::tempPath() +
                                        QStringLiteral("/pdf_image_extract_fuzz-XXXXXX"));
  static const QString out = folder.path();
  if (size > 1 << 20) return 0;
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  try {
    // From memory: repairing a damaged file reads it token by token, a system call each from a
    // file.
    pdf.processMemoryFile("fuzz.pdf", reinterpret_cast<const char*>(data), size);
  } catch (...) {
    return 0;
  }
  glimbrik::PDFImageExtractor extractor;
  extractor.sourceURL = QStringLiteral("fuzz.pdf");
  extractor.setOutputOptions(10, out, nullptr, false, false, 0.8);  // TIFF keeps masks
  extractor.overwriteExisting = 1;
  extractor.setPageSelection(2, 1, 4);
  extractor.extractPages(pdf);
  return 0;
}
