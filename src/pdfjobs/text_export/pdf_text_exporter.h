#pragma once

// Writes the text of a PDF's pages into text documents of one of seven formats, one file per
// page or one file for the selected range.

#include <QString>
#include <memory>

#include "pdfjobs/pdf_jobs.h"
#include "pdfjobs/text_export/styled_text.h"

namespace glimbrik {

class PdfDocument;
class PdfWordReader;

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
  // Writes text at url in the record's format; false when nothing or not all was written. Plain
  // text formats take the runs' text alone.
  bool writeText(const QString& url, const StyledText& text) const;

 private:
  // The page's text, in runs of its own fonts and colours for the formats that keep them.
  StyledText pageText(int index) const;

  const PDFToTextConversionOptions* options_;
  std::unique_ptr<PdfDocument> document_;
  std::unique_ptr<PdfWordReader> words_;
  QString fontFamily_;
  mutable FontStyles fontStyles_;  // filled as pages are styled
};

}  // namespace glimbrik
