#pragma once

// Writes the text of a PDF's pages into text documents of one of seven formats, one file per
// page or one file for the selected range.

#include <QString>
#include <memory>

#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

class PdfDocument;

class PDFTextExporter {
 public:
  // Opens and, when it is locked, unlocks the source; throws the integer 301 when the source is
  // no PDF that can be read.
  explicit PDFTextExporter(const PDFToTextConversionOptions* options);
  ~PDFTextExporter();
  PDFTextExporter(const PDFTextExporter&) = delete;
  PDFTextExporter& operator=(const PDFTextExporter&) = delete;

  // True when at least one page had text and every file was written.
  bool exportPages();
  // Writes text at url in the record's format; false when nothing or not all was written.
  bool writeText(const QString& url, const QString& text) const;

 private:
  const PDFToTextConversionOptions* options_;
  std::unique_ptr<PdfDocument> document_;
  QString fontFamily_;
};

}  // namespace glimbrik
