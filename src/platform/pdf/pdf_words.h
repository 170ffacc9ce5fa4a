#pragma once

// The words of PDF pages with the font each is set in (poppler's C++ interface, the one that
// names fonts per word). One reader per thread.

#include <QByteArray>
#include <QRectF>
#include <QString>
#include <memory>
#include <vector>

namespace glimbrik {

struct PdfWord {
  QString text;
  QRectF box;        // in points from the top-left corner of the page as it is shown (turned)
  QString fontName;  // as stored, without a subset prefix such as "ABCDEF+"
  double fontSize = 0;
};

class PdfWordReader {
 public:
  // Null when the file cannot be opened or stays locked with the password (the empty user
  // password is tried first).
  static std::unique_ptr<PdfWordReader> Open(const QString& path, const QByteArray& password = {});
  ~PdfWordReader();

  // The words of a page (index from 0) in poppler's order; empty for a missing page.
  std::vector<PdfWord> words(int index) const;

 private:
  struct State;
  explicit PdfWordReader(std::unique_ptr<State> state);
  std::unique_ptr<State> state_;
};

}  // namespace glimbrik
