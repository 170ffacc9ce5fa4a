#pragma once

// Prints text documents into PDF files: plain text and HTML directly, RTF, RTFD and office
// documents after LibreOffice has turned them into HTML.

#include <QString>
#include <QVariantMap>
#include <cstdint>

#include "pdfjobs/page_settings.h"
#include "pdfjobs/pdf_jobs.h"

namespace glimbrik {

// Keys of a text-attributes map laid over a document's text.
inline constexpr const char* kTextFontKey = "Font";                        // QFont
inline constexpr const char* kTextForegroundColorKey = "ForegroundColor";  // QColor

class DocumentToPDF {
 public:
  // The page settings of a documents or a files job; only the documents job brings its items.
  template <typename Options>
  void setOptions(const Options& options) {
    CopyPageSettings(options, this);
    textAttributes = options.textAttributes;
    forceTextAttributes = options.forceTextAttributes != 0;
    if constexpr (std::is_same_v<Options, TextToPDFConversionOptions>) {
      sourceItems = options.sourceItems;
      destinationURL = options.destinationURL;
    }
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
