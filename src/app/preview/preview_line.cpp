#include "app/preview/preview_line.h"

#include <QPainter>
#include <QStyle>
#include <algorithm>

namespace glimbrik {

namespace {

// Greedy wrapping at spaces; a word wider than width stays on a line of its own.
QStringList Wrapped(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  QString line;
  for (const QString& word : text.split(QLatin1Char(' '))) {
    const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
    if (!line.isEmpty() && metrics.horizontalAdvance(longer) > width) {
      lines << line;
      line = word;
    } else {
      line = longer;
    }
  }
  lines << line;
  return lines;
}

bool Fits(const QStringList& lines, const QFontMetrics& metrics, int width, int maxLines) {
  return lines.size() <= maxLines &&
         std::all_of(lines.begin(), lines.end(),
                     [&](const QString& line) { return metrics.horizontalAdvance(line) <= width; });
}

}  // namespace

QStringList PreviewLineLines(const QString& text, const QFontMetrics& metrics, int width,
                             int maxLines) {
  maxLines = std::max(1, maxLines);
  if (width <= 0 || metrics.horizontalAdvance(text) <= width) return {text};
  QStringList lines = Wrapped(text, metrics, width);
  if (Fits(lines, metrics, width, maxLines)) return lines;

  const qsizetype open = text.indexOf(QLatin1Char('('));
  const qsizetype at = text.lastIndexOf(QLatin1String(" @ "));
  if (open >= 0 && at > open) {
    const QString name = text.mid(open + 1, at - open - 1);
    const int step = std::max(1, metrics.averageCharWidth());
    for (int room = metrics.horizontalAdvance(name) - step; room > 0; room -= step) {
      const QString shorter =
          text.left(open + 1) + metrics.elidedText(name, Qt::ElideMiddle, room) + text.mid(at);
      lines = Wrapped(shorter, metrics, width);
      if (Fits(lines, metrics, width, maxLines)) return lines;
    }
  }
  lines = lines.mid(0, maxLines);
  for (QString& line : lines) line = metrics.elidedText(line, Qt::ElideRight, width);
  return lines;
}

PreviewLineLabel::PreviewLineLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
}

QStringList PreviewLineLabel::shownLines() const {
  const QFontMetrics metrics = fontMetrics();
  const QRect room = contentsRect();
  return PreviewLineLines(text(), metrics, room.width(),
                          room.height() / std::max(1, metrics.lineSpacing()));
}

void PreviewLineLabel::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QStringList lines = shownLines();
  const int lineHeight = fontMetrics().lineSpacing();
  const QRect room = contentsRect();
  QRect line(room.left(), room.top() + (room.height() - lineHeight * int(lines.size())) / 2,
             room.width(), lineHeight);
  for (const QString& text : lines) {
    style()->drawItemText(&painter, line, Qt::AlignLeft | Qt::AlignVCenter, palette(), isEnabled(),
                          text, foregroundRole());
    line.translate(0, lineHeight);
  }
}

}  // namespace glimbrik
