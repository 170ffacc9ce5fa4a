#pragma once

// Turns a mixed list of images, documents, PDF files and HTML pages into PDF files: one per item,
// or one for all with an outline entry per source.

#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

class FilesToPDF {
 public:
  explicit FilesToPDF(const FilesToPDFConversionOptions* options) : options_(options) {}

  // One PDF per item in the destination folder; false when any item failed.
  bool convertEach();
  // Every item into the destination file.
  bool convertToSinglePDF();

 private:
  const FilesToPDFConversionOptions* options_;
};

}  // namespace glimbrik
