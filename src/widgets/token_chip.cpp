#include "widgets/token_chip.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

#include "widgets/token_field.h"

namespace glimbrik {

namespace {
constexpr qreal kPadding = 6.0;
constexpr qreal kArrowWidth = 9.0;

TokenRef TokenOf(const QTextFormat& format) {
  return format.property(kTokenProperty).value<TokenRef>();
}
}  // namespace

QSizeF TokenChipRenderer::intrinsicSize(QTextDocument* document, int, const QTextFormat& format) {
  const TokenRef token = TokenOf(format);
  const QFontMetricsF metrics(document->defaultFont());
  qreal width = 2 * kPadding;
  if (token) {
    width += metrics.horizontalAdvance(token->GetCompleteTokenString());
    if (field_->tokenHasMenu(*token)) width += kArrowWidth;
  }
  return {width, metrics.height()};
}

void TokenChipRenderer::drawObject(QPainter* painter, const QRectF& rect, QTextDocument* document,
                                   int position, const QTextFormat& format) {
  const TokenRef token = TokenOf(format);
  if (!token) return;
  const QTextCursor cursor = field_->textCursor();
  const bool selected = position >= cursor.selectionStart() && position < cursor.selectionEnd();
  const bool enabled = field_->isEnabled();
  const QPalette& palette = field_->palette();

  QColor fill(0xdc, 0xe7, 0xf9);
  QColor border(0x9c, 0xb8, 0xe8);
  QColor text = palette.color(QPalette::Text);
  if (selected) {
    fill = palette.color(QPalette::Highlight);
    border = fill.darker(120);
    text = palette.color(QPalette::HighlightedText);
  } else if (!enabled) {
    fill = QColor(0xe8, 0xe8, 0xe8);
    border = QColor(0xc4, 0xc4, 0xc4);
    text = palette.color(QPalette::Disabled, QPalette::Text);
  }

  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  const QRectF chip = rect.adjusted(1.0, 1.0, -1.0, -1.0);
  const qreal radius = chip.height() / 2.0;
  painter->setPen(QPen(border, 1.0));
  painter->setBrush(fill);
  painter->drawRoundedRect(chip, radius, radius);

  const bool arrow = field_->tokenHasMenu(*token);
  QRectF textRect = chip.adjusted(kPadding - 1.0, 0, -(kPadding - 1.0), 0);
  if (arrow) textRect.setRight(textRect.right() - kArrowWidth);
  // On the line's baseline, level with the typed text beside the chip.
  const QFontMetricsF metrics(document->defaultFont());
  painter->setFont(document->defaultFont());
  painter->setPen(text);
  painter->drawText(QPointF(textRect.left(), rect.bottom() - metrics.descent()),
                    metrics.elidedText(token->GetCompleteTokenString(), Qt::ElideRight,
                                       std::max<qreal>(0.0, textRect.width()) + 1.0));
  if (arrow) {
    // A small downward triangle: this token opens its options when clicked.
    const qreal cx = textRect.right() + kArrowWidth / 2.0 + 1.0;
    const qreal cy = chip.center().y();
    QPainterPath triangle;
    triangle.moveTo(cx - 3.0, cy - 1.5);
    triangle.lineTo(cx + 3.0, cy - 1.5);
    triangle.lineTo(cx, cy + 2.0);
    triangle.closeSubpath();
    painter->setPen(Qt::NoPen);
    painter->setBrush(text);
    painter->drawPath(triangle);
  }
  painter->restore();
}

}  // namespace glimbrik
