#pragma once

// Prints text documents into PDF files: plain text and HTML directly, RTF, RTFD and office
// documents after LibreOffice has turned them into HTML.

#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

// Keys of a text-attributes map laid over a document's text.
inline constexpr const char* kTextFontKey = "Font";                        // QFont
inline constexpr const char* kTextForegroundColorKey = "ForegroundColor";  // QColor

class DocumentToPDF {
 public:
  void setOptions(const TextToPDFConversionOptions& options);
  void setPageOptions(uint64_t orientation, const QVariantMap& pdfAttributes,
                      const QVariantMap& textAttributes, bool forceTextAttributes, double width,
                      double height, double left, double right, double top, double bottom);
  void setProgressCallback(ProgressCallbackInfo callback) {
    progressCallback = std::move(callback);
  }

  bool convertDocument(const QString& source, const QString& destination);
  // One PDF per document in the destination folder; false when any document failed.
  bool convertEach();
  // Every document into the destination file.
  bool convertToSinglePDF();

  JobItemList sourceItems;
  QString destinationURL;
  ProgressCallbackInfo progressCallback;
  double pageWidth = 0.0;
  double pageHeight = 0.0;
  double leftMargin = 0.0;
  double rightMargin = 0.0;
  double topMargin = 0.0;
  double bottomMargin = 0.0;
  uint64_t orientation = 0;
  QVariantMap pdfDocumentAttributes;
  QVariantMap textAttributes;
  bool forceTextAttributes = false;
  bool isSinglePDF = false;

 private:
  bool print(const QString& source, const QString& pdf) const;
};

}  // namespace glimbrik
