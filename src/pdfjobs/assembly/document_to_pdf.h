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
inline constexpr const char* kTextBackgroundColorKey = "BackgroundColor";  // QColor
// Nonzero draws a line (every style is drawn as a single line).
inline constexpr const char* kTextUnderlineStyleKey = "UnderlineStyle";          // int
inline constexpr const char* kTextStrikethroughStyleKey = "StrikethroughStyle";  // int
inline constexpr const char* kTextKernKey = "Kern";  // double: points added after each character
inline constexpr const char* kTextParagraphStyleKey = "ParagraphStyle";  // QVariantMap:
// Keys of the paragraph style; lengths in points.
inline constexpr const char* kParagraphAlignmentKey = "Alignment";  // 0 left, 1 right, 2 centre,
                                                                    // 3 justified, 4 natural
inline constexpr const char* kParagraphLineSpacingKey = "LineSpacing";  // added between lines
inline constexpr const char* kParagraphLineHeightMultipleKey = "LineHeightMultiple";
inline constexpr const char* kParagraphSpacingKey = "ParagraphSpacing";  // after a paragraph
inline constexpr const char* kParagraphSpacingBeforeKey = "ParagraphSpacingBefore";
inline constexpr const char* kParagraphHeadIndentKey = "HeadIndent";
inline constexpr const char* kParagraphFirstLineHeadIndentKey = "FirstLineHeadIndent";

class DocumentToPDF : public DocumentPageOptions {
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
  QVariantMap pdfDocumentAttributes;
  QVariantMap textAttributes;
  bool forceTextAttributes = false;
  bool isSinglePDF = false;

 private:
  bool print(const QString& source, const QString& pdf) const;
};

}  // namespace glimbrik
