#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

int ConvertImagesToPDF(ImagesToPDFConversionOptions*) { return 0; }

int ConvertPDFToText(PDFToTextConversionOptions*) { return 0; }

int ConvertDocumentsToPDF(TextToPDFConversionOptions*) { return 0; }

int ConvertFilesToPDF(FilesToPDFConversionOptions*) { return 0; }

}  // namespace glimbrik
