#pragma once

// Text in runs of one style each: what the rich text writers take from a PDF page.

#include <QColor>
#include <QHash>
#include <QImage>
#include <QString>
#include <vector>

#include "platform/pdf/pdf_words.h"

namespace glimbrik {

struct TextRun {
  QString text;
  QString family;   // empty: the writer's default family
  double size = 0;  // points; 0 or less: the writer's default size
  bool bold = false, italic = false;
  QColor colour;  // invalid: the default (black)

  bool sameStyle(const TextRun& other) const {
    return family == other.family && size == other.size && bold == other.bold &&
           italic == other.italic && colour == other.colour;
  }
};
using StyledText = std::vector<TextRun>;

inline TextRun PlainRun(const QString& text) {
  TextRun run;
  run.text = text;
  return run;
}

// Family, weight and slant named by a PDF font name: "Times-BoldItalic", "Arial,Bold",
// "Helvetica-Oblique".
struct FontNameStyle {
  QString family;
  bool bold = false, italic = false;
};
FontNameStyle StyleOfFontName(const QString& name);

// The styles of the font names met so far in a document: looking a name up among the installed
// fonts costs a font list, so each name is looked up once a document, not once a page.
using FontStyles = QHash<QString, FontNameStyle>;

// text (a page's text) in runs: each word found in it takes the font of the PDF word it is, and
// the colour its glyphs have in inks (the page drawn at pixelsPerPoint with no edge smoothing);
// what lies between words keeps the style before it.
StyledText StylePageText(const QString& text, const std::vector<PdfWord>& words, const QImage& inks,
                         double pixelsPerPoint, FontStyles* fonts);

// Appends text to runs in the style of the last run (plain when there is none).
void AppendText(StyledText* runs, const QString& text);
void AppendRuns(StyledText* runs, const StyledText& more);

QString PlainText(const StyledText& runs);

}  // namespace glimbrik
