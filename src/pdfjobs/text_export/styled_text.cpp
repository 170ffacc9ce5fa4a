#include "pdfjobs/text_export/styled_text.h"

#include <QHash>
#include <QRegularExpression>

#include "platform/system/font_members.h"

namespace glimbrik {

namespace {

bool IsWordCharacter(QChar c) { return c.isLetterOrNumber() || c.isMark(); }

// The colour of the word's glyphs: the pixel of its box that differs most from the box's edge,
// which is the background; none when nothing differs clearly.
QColor InkColour(const QImage& inks, const QRectF& box, double scale) {
  if (inks.isNull()) return {};
  const QRect area =
      QRectF(box.x() * scale, box.y() * scale, box.width() * scale, box.height() * scale)
          .toAlignedRect()
          .intersected(inks.rect());
  if (area.width() < 2 || area.height() < 2) return {};
  QHash<QRgb, int> edge;
  for (int x = area.left(); x <= area.right(); ++x) {
    ++edge[inks.pixel(x, area.top()) | 0xFF000000];
    ++edge[inks.pixel(x, area.bottom()) | 0xFF000000];
  }
  QRgb background = qRgb(255, 255, 255);
  int most = 0;
  for (auto it = edge.cbegin(); it != edge.cend(); ++it) {
    if (it.value() > most) std::tie(background, most) = std::make_pair(it.key(), it.value());
  }
  const auto distance = [&](QRgb c) {
    const int r = qRed(c) - qRed(background), g = qGreen(c) - qGreen(background),
              b = qBlue(c) - qBlue(background);
    return r * r + g * g + b * b;
  };
  QRgb ink = background;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb c = inks.pixel(x, y);
      if (distance(c) > distance(ink)) ink = c;
    }
  }
  return distance(ink) >= 3 * 40 * 40 ? QColor(qRed(ink), qGreen(ink), qBlue(ink)) : QColor();
}

}  // namespace

FontNameStyle StyleOfFontName(const QString& name) {
  FontNameStyle style;
  const int separator = name.indexOf(QRegularExpression(QStringLiteral("[-,]")));
  style.family = separator > 0 ? name.left(separator) : name;
  static const QRegularExpression bold(QStringLiteral("bold|black|heavy|demi"),
                                       QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression italic(QStringLiteral("italic|oblique"),
                                         QRegularExpression::CaseInsensitiveOption);
  const QString face = separator > 0 ? name.mid(separator + 1) : name;
  style.bold = face.contains(bold);
  style.italic = face.contains(italic);
  return style;
}

void AppendText(StyledText* runs, const QString& text) {
  if (text.isEmpty()) return;
  if (runs->empty()) {
    runs->push_back(PlainRun(text));
  } else {
    runs->back().text += text;
  }
}

void AppendRuns(StyledText* runs, const StyledText& more) {
  for (const TextRun& run : more) {
    if (!runs->empty() && runs->back().sameStyle(run)) {
      runs->back().text += run.text;
    } else {
      runs->push_back(run);
    }
  }
}

QString PlainText(const StyledText& runs) {
  QString text;
  for (const TextRun& run : runs) text += run.text;
  return text;
}

StyledText StylePageText(const QString& text, const std::vector<PdfWord>& words, const QImage& inks,
                         double pixelsPerPoint, FontStyles* fonts) {
  // The style of each character, from the word found over it; words are looked for in order
  // from the start, each at its first place not yet taken, whole words only.
  std::vector<int> owner(size_t(text.size()), -1);
  for (size_t w = 0; w < words.size(); ++w) {
    const QString& word = words[w].text;
    if (word.isEmpty()) continue;
    for (qsizetype at = text.indexOf(word); at >= 0; at = text.indexOf(word, at + 1)) {
      const qsizetype end = at + word.size();
      const bool whole =
          (at == 0 || !IsWordCharacter(text[at - 1]) || !IsWordCharacter(word.front())) &&
          (end == text.size() || !IsWordCharacter(text[end]) || !IsWordCharacter(word.back()));
      if (!whole || owner[size_t(at)] >= 0 || owner[size_t(end - 1)] >= 0) continue;
      std::fill(owner.begin() + at, owner.begin() + end, int(w));
      break;
    }
  }
  std::vector<TextRun> styles(words.size());
  for (size_t w = 0; w < words.size(); ++w) {
    const QString& name = words[w].fontName;
    if (!fonts->contains(name)) {
      FontNameStyle style = StyleOfFontName(name);
      // An installed font names its family as a reader's office suite knows it ("DejaVu Serif",
      // not "DejaVuSerif").
      if (const std::optional<QFont> installed = FontWithPostScriptName(name)) {
        style.family = installed->family();
      }
      fonts->insert(name, style);
    }
    const FontNameStyle font = fonts->value(name);
    styles[w] = {QString(), font.family, words[w].fontSize,
                 font.bold, font.italic, InkColour(inks, words[w].box, pixelsPerPoint)};
  }
  StyledText runs;
  TextRun current;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const int w = owner[size_t(i)];
    if (w >= 0 && !current.sameStyle(styles[size_t(w)])) {
      if (!current.text.isEmpty()) runs.push_back(current);
      current = styles[size_t(w)];
    }
    current.text += text[i];
  }
  if (!current.text.isEmpty()) runs.push_back(current);
  return runs;
}

}  // namespace glimbrik
