#include "pdfjobs/assembly/document_to_pdf.h"
#include "pdfjobs/assembly/files_to_pdf.h"
#include "pdfjobs/assembly/pdf_page_assembler.h"
#include "pdfjobs/pdf_jobs.h"
#include "pdfjobs/text_export/pdf_text_exporter.h"

namespace glimbrik {

int ConvertImagesToPDF(ImagesToPDFConversionOptions* options) {
  if (!options) return 0;
  PDFPageAssembler assembler;
  assembler.setOptions(*options);
  return options->singlePDF ? assembler.convertToSinglePDF() : assembler.convertEach();
}

int ConvertPDFToText(PDFToTextConversionOptions* options) {
  PDFTextExporter exporter(options);  // throws 301 for a source it cannot read
  return exporter.exportPages();
}

int ConvertDocumentsToPDF(TextToPDFConversionOptions* options) {
  if (!options) return 0;
  DocumentToPDF job;
  job.setOptions(*options);
  return options->saveAsSinglePDF ? job.convertToSinglePDF() : job.convertEach();
}

int ConvertFilesToPDF(FilesToPDFConversionOptions* options) {
  if (!options || options->items.isEmpty() || options->destinationURL.isEmpty()) return 0;
  FilesToPDF job(options);
  return options->singlePDF ? job.convertToSinglePDF() : job.convertEach();
}

}  // namespace glimbrik
