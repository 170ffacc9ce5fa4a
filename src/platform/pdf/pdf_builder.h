#pragma once

// Building and editing PDF files (qpdf): pages made from encoded images, pages taken from other
// PDF files, page rotation, an outline of one level whose entries may carry a source's own
// outline, and writing with document information and encryption.

#include <QByteArray>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVariantMap>
#include <memory>

namespace glimbrik {

// Keys of a document-attributes map (the values are strings, the permission flags booleans).
inline constexpr const char* kPdfTitleKey = "Title";
inline constexpr const char* kPdfAuthorKey = "Author";
inline constexpr const char* kPdfSubjectKey = "Subject";
inline constexpr const char* kPdfCreatorKey = "Creator";
inline constexpr const char* kPdfKeywordsKey = "Keywords";
inline constexpr const char* kPdfOwnerPasswordKey = "OwnerPassword";
inline constexpr const char* kPdfUserPasswordKey = "UserPassword";
inline constexpr const char* kPdfAllowsPrintingKey = "AllowsPrinting";
inline constexpr const char* kPdfAllowsCopyingKey = "AllowsCopying";

// The image of an encoded page: its pixel size, resolution and the EXIF orientation (1-8) with
// which it is shown. The size in points is the oriented pixel size x 72 / dpi.
struct PdfImageInfo {
  int pixelWidth = 0;
  int pixelHeight = 0;
  double dpiX = 72.0;
  double dpiY = 72.0;
  int orientation = 1;
  QSizeF pointSize() const;
};

// Reads the header of encoded image bytes; false when they are no image.
bool ReadPdfImageInfo(const QByteArray& encoded, int orientation, PdfImageInfo* info);

class PdfBuilder {
 public:
  enum class OpenStatus { Ok, NotPdf, WrongPassword };

  // An empty document.
  PdfBuilder();
  ~PdfBuilder();
  PdfBuilder(const PdfBuilder&) = delete;
  PdfBuilder& operator=(const PdfBuilder&) = delete;

  // Null when the file is missing, no PDF, or encrypted and the password opens it neither as
  // user nor as owner; status says which.
  static std::unique_ptr<PdfBuilder> Open(const QString& path, const QByteArray& password,
                                          OpenStatus* status = nullptr);

  bool isEncrypted() const;
  bool allowsPrinting() const;
  int pageCount() const;
  // The crop box of a page (its media box when it has none), in points; empty when missing.
  QRectF cropBox(int index) const;
  int pageRotation(int index) const;

  // Adds angle (a multiple of 90) to every page's rotation, kept within -270..270 as the
  // sum is reduced by 360 at 360 and raised by 360 below -359.
  void rotatePages(int angle);

  // Inserts at index (appends when index is past the end) a page with the given media and crop
  // boxes that shows the encoded image at info's point size placed at imageOrigin. JPEG bytes
  // are embedded unchanged, JPEG 2000 too; other images are stored Flate-compressed with their
  // alpha as a soft mask. False when the bytes cannot be read.
  bool insertImagePage(int index, const QByteArray& encoded, const PdfImageInfo& info,
                       const QRectF& mediaBox, const QRectF& cropBox, QPointF imageOrigin);

  // Appends copies of source's pages [first, first + count); returns the index of the first
  // appended page in this document.
  int appendPages(PdfBuilder& source, int first, int count);

  // Adds a top-level outline entry pointing at the top of page pageIndex. With childrenOf, the
  // entry carries that document's own outline (whose pages must have been appended already),
  // its named destinations made explicit.
  void addOutlineEntry(const QString& title, int pageIndex, PdfBuilder* childrenOf = nullptr);
  int outlineEntryCount() const;

  // Writes the document with the attributes' information and encryption; an existing file at
  // path is replaced only when the whole file could be written.
  bool write(const QString& path, const QVariantMap& attributes = {});

 private:
  struct State;
  explicit PdfBuilder(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace glimbrik
