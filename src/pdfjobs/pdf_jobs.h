#pragma once

// The engine's PDF and document jobs. Each entry runs synchronously on the calling thread (which
// should not be the main thread: progress is delivered there) and returns nonzero on success and
// 0 on failure. Records are filled by the caller and never owned or written by a job. A "URL" is
// an absolute file path, as in the rest of the engine.

#include <QList>
#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "engine/convert/conversion_records.h"

namespace glimbrik {

// One source item: a dictionary with the keys "FilePath" (QString path) and, where the record says
// so, "Angle" (degrees), "FileType" (1 image, 2 document, 3 PDF, 4 HTML page) and "Password".
using JobItemList = QList<QVariantMap>;

// The page of the documents and files jobs, in points. Both records and the document printer
// (assembly/document_to_pdf.h) take it from here, so that their page fields cannot drift apart.
struct DocumentPageOptions {
  double pageWidth = 0.0;  // points
  double pageHeight = 0.0;
  double leftMargin = 0.0;
  double rightMargin = 0.0;
  double topMargin = 0.0;
  double bottomMargin = 0.0;
  uint64_t orientation = 0;  // 1 landscape
};

struct TextToPDFConversionOptions : DocumentPageOptions {
  JobItemList sourceItems;
  QString destinationURL;  // a folder (one PDF per document) or a file (one PDF for all)
  ProgressCallbackInfo progressCallback;
  char saveAsSinglePDF = 0;
  char forceTextAttributes = 0;  // textAttributes also override rich-text documents
  QVariantMap pdfDocumentAttributes;
  QVariantMap textAttributes;
};

struct ImagesToPDFConversionOptions {
  char singlePDF = 0;
  char keepPageWidth = 0;
  char keepPageHeight = 0;
  double imageQuality = 0.0;  // 0..1
  int32_t imageType = 0;      // output-type index of the embedded images
  int32_t colorModel = 0;
  int32_t pageSizeMode = 0;  // 0 page = image; 1 fixed page, dpi from pixels; else file's dpi
  int64_t maxImageDPI = 0;   // 0 = no limit
  uint64_t pageWidth = 0;    // points
  uint64_t pageHeight = 0;
  double leftMargin = 0.0;
  double rightMargin = 0.0;
  double topMargin = 0.0;
  double bottomMargin = 0.0;
  uint64_t orientation = 0;  // 1 landscape
  uint64_t scalePercent = 0;
  JobItemList items;       // "FilePath", "Angle"
  QString destinationURL;  // a folder (one PDF per image) or a file (one PDF)
  ProgressCallbackInfo progressCallback;
  QVariantMap pdfDocumentAttributes;
};

struct FilesToPDFConversionOptions : DocumentPageOptions {
  JobItemList items;  // "FileType", "FilePath", "Angle", "Password"
  QString destinationURL;
  ProgressCallbackInfo progressCallback;
  char singlePDF = 0;
  char forceTextAttributes = 0;
  char createOutline = 0;
  double imageQuality = 0.0;
  int32_t imageType = 0;
  int32_t colorModel = 0;
  int32_t pageSizeMode = 0;
  int64_t maxImageDPI = 0;
  uint64_t scalePercent = 0;
  char keepPageWidth = 0;
  char keepPageHeight = 0;
  QVariantMap pdfDocumentAttributes;
  QVariantMap textAttributes;
};

struct PDFToTextConversionOptions {
  QString sourceURL;
  QString destinationURL;  // folder
  QString baseName;        // empty: the source's name without its extension
  QString extension;
  QString password;
  uint32_t format = 0;  // 1 UTF-8, 2 UTF-16, 3 RTF, 4 RTFD, 5 doc, 6 docx, 7 odt
  uint64_t perPageFiles = 0;
  int64_t firstPage = 0;  // 1-based
  int64_t lastPage = 0;
  uint32_t pageRangeMode = 0;  // 1 single page, 2 range, else all pages
  ProgressCallbackInfo progressCallback;
};

// Renders the selected pages into image files or one multi-page TIFF (output type 23).
int ConvertPDFToImages(ImageConversion* conversion);
// Saves the images drawn on the selected pages as image files.
int ExtractImagesFromPDF(ImageConversion* conversion);
int ConvertImagesToPDF(ImagesToPDFConversionOptions* options);
// A source that cannot be read throws the integer 301 out of this entry.
int ConvertPDFToText(PDFToTextConversionOptions* options);
int ConvertDocumentsToPDF(TextToPDFConversionOptions* options);
int ConvertFilesToPDF(FilesToPDFConversionOptions* options);

}  // namespace glimbrik
