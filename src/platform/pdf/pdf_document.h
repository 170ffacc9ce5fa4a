#pragma once

// Reading PDF documents (poppler): page count, page text and page rendering. One object per
// thread; poppler's exceptions and errors end here as empty results.

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace glimbrik {

// One entry of a document's outline with the entries beneath it.
struct PdfOutlineEntry {
  QString title;
  std::vector<PdfOutlineEntry> children;
};

class PdfDocument {
 public:
  // Null when the file is not a PDF we can open. The empty user password is tried before the
  // given one; an encrypted document that neither unlocks is returned locked: it has no pages,
  // fonts or outline until unlock succeeds.
  static std::unique_ptr<PdfDocument> Open(const QString& path, const QByteArray& password = {});
  ~PdfDocument();

  bool isEncrypted() const;
  bool isLocked() const;
  // Tries the password as owner and as user password; true when the document is (now) open.
  bool unlock(const QByteArray& password);

  int pageCount() const;
  // The text of a page (index from 0); empty for a missing page.
  QString pageText(int index) const;
  // The names of the fonts the document uses, as stored (a subset prefix like "ABCDEF+" removed).
  QStringList fontNames() const;
  std::vector<PdfOutlineEntry> outline() const;
  // The page drawn on the paper colour at dpi, turned by the page's own rotation; null for a
  // missing page or when drawing fails.
  QImage renderPage(int index, double dpi, const QColor& paper = Qt::white) const;
  // The page drawn at dpi on white with no smoothing of edges, so that every pixel of a glyph
  // has its fill colour; null for a missing page or when drawing fails.
  QImage renderPageInks(int index, double dpi) const;
  // The top-left pixels x pixels of the page drawn at dpi (turned by its rotation), in
  // ARGB32_Premultiplied or RGB32; null for a missing page or when drawing fails.
  QImage renderPageRegion(int index, double dpi, QSize pixels,
                          const QColor& paper = Qt::white) const;
  // The page's crop box in points, turned by the page's rotation; none for a page that is
  // missing or cannot be loaded.
  std::optional<QSizeF> pageSize(int index) const;

 private:
  struct State;
  explicit PdfDocument(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace glimbrik
