#include "widgets/token_field.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "engine/tokens/text_token_archive.h"
#include "widgets/token_chip.h"

namespace glimbrik {

namespace {

constexpr QChar kObject = QChar::ObjectReplacementCharacter;

QTextCharFormat TokenFormat(const QVXWatermarkTextToken& token) {
  QTextCharFormat format;
  format.setObjectType(kTokenObjectType);
  format.setProperty(kTokenProperty,
                     QVariant::fromValue(std::make_shared<QVXWatermarkTextToken>(token)));
  // The chip sits on the line's baseline like the text around it.
  format.setVerticalAlignment(QTextCharFormat::AlignBaseline);
  return format;
}

bool IsToken(const QTextCharFormat& format) { return format.objectType() == kTokenObjectType; }

// Text from outside never brings object characters of its own; a one-line field flattens
// line breaks into spaces.
QString CleanText(QString text, bool lineBreaks) {
  text.remove(kObject);
  if (!lineBreaks) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    for (QChar brk : {QChar(u'\n'), QChar(u'\r'), QChar(QChar::LineSeparator),
                      QChar(QChar::ParagraphSeparator)})
      text.replace(brk, QChar(u' '));
  }
  return text;
}

}  // namespace

TokenField::TokenField(QWidget* parent)
    : QTextEdit(parent), renderer_(std::make_unique<TokenChipRenderer>(this)) {
  setAcceptRichText(false);
  setTabChangesFocus(true);
  document()->setDocumentMargin(2);
  document()->documentLayout()->registerHandler(kTokenObjectType, renderer_.get());
  setAcceptsLineBreaks(false);
  // A one-line field grows to its wrapped value's height, so a long pattern shows whole.
  connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
          [this] {
            if (!acceptsLineBreaks_) updateGeometry();
          });
  connect(this, &QTextEdit::textChanged, this, [this] {
    if (!settingValue_) emit tokensEdited();
  });
  // The chips show the selection themselves.
  connect(this, &QTextEdit::selectionChanged, viewport(), qOverload<>(&QWidget::update));
}

TokenField::~TokenField() {
  // The document outlives the renderer's owner only inside ~QTextEdit; it must not draw then.
  document()->documentLayout()->unregisterHandler(kTokenObjectType, renderer_.get());
}

void TokenField::setAcceptsLineBreaks(bool accepts) {
  acceptsLineBreaks_ = accepts;
  setLineWrapMode(QTextEdit::WidgetWidth);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(accepts ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  setSizePolicy(QSizePolicy::Expanding, accepts ? QSizePolicy::Expanding : QSizePolicy::Fixed);
  updateGeometry();
}

QSize TokenField::sizeHint() const {
  const int line = fontMetrics().height() + 2 * static_cast<int>(document()->documentMargin());
  const int frame = 2 * frameWidth();
  if (acceptsLineBreaks_) return {200, 3 * line + frame + 2};
  const int wrapped = static_cast<int>(std::ceil(document()->size().height()));
  return {200, std::max(line, wrapped) + frame + 2};
}

QSize TokenField::minimumSizeHint() const {
  const QSize hint = sizeHint();
  return {60, acceptsLineBreaks_ ? hint.height() / 2 : hint.height()};
}

void TokenField::setHasMenu(std::function<bool(const QVXWatermarkTextToken&)> hasMenu) {
  hasMenu_ = std::move(hasMenu);
  refreshTokens();
}

bool TokenField::tokenHasMenu(const QVXWatermarkTextToken& token) const {
  return hasMenu_ && hasMenu_(token);
}

TokenArray TokenField::tokens() const { return tokensInRange(0, document()->characterCount()); }

TokenArray TokenField::tokensInRange(int from, int to) const {
  TokenArray out;
  QString pending;
  auto flush = [&] {
    if (!pending.isEmpty()) out.append(pending);
    pending.clear();
  };
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    const int start = block.position();
    if (start > to) break;
    if (block != document()->begin() && start > from && start <= to) pending += QChar(u'\n');
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      const int a = std::max(from, fragment.position());
      const int b = std::min(to, fragment.position() + fragment.length());
      if (a >= b) continue;
      const QString text = fragment.text().mid(a - fragment.position(), b - a);
      if (IsToken(fragment.charFormat())) {
        const TokenRef token = fragment.charFormat().property(kTokenProperty).value<TokenRef>();
        for (QChar c : text) {
          if (c != kObject || !token) continue;
          flush();
          out.append(*token);
        }
      } else {
        QString plain = text;
        plain.remove(kObject);
        plain.replace(QChar(QChar::LineSeparator), QChar(u'\n'));
        pending += plain;
      }
    }
  }
  flush();
  return out;
}

void TokenField::insertElements(QTextCursor& cursor, const TokenArray& elements) {
  for (const TokenElement& element : elements) {
    if (const auto* text = std::get_if<QString>(&element)) {
      cursor.insertText(*text, QTextCharFormat());
    } else {
      cursor.insertText(QString(kObject), TokenFormat(std::get<QVXWatermarkTextToken>(element)));
    }
  }
  // Typing after a chip must not inherit the chip's format.
  cursor.setCharFormat(QTextCharFormat());
}

void TokenField::setTokens(const TokenArray& elements) {
  settingValue_ = true;
  clear();
  QTextCursor cursor(document());
  insertElements(cursor, elements);
  document()->clearUndoRedoStacks();
  settingValue_ = false;
  // A new value shows from its beginning, as a one-line field cannot show it all.
  moveCursor(QTextCursor::Start);
}

void TokenField::insertToken(const QVXWatermarkTextToken& token) {
  QTextCursor cursor = textCursor();
  if (editing_) {
    cursor.setPosition(cursor.selectionEnd());
  } else {
    cursor.movePosition(QTextCursor::End);
  }
  insertElements(cursor, {token});
  setTextCursor(cursor);
  // An insertion into a field that was not being edited starts its editing there.
  if (!editing_) setFocus(Qt::OtherFocusReason);
}

void TokenField::refreshTokens() {
  document()->markContentsDirty(0, document()->characterCount());
  viewport()->update();
}

TokenRef TokenField::tokenAt(int position) const {
  if (position < 0 || position >= document()->characterCount() - 1) return nullptr;
  if (document()->characterAt(position) != kObject) return nullptr;
  QTextCursor cursor(document());
  cursor.setPosition(position + 1);  // a cursor reports the format of the character before it
  const QTextCharFormat format = cursor.charFormat();
  return IsToken(format) ? format.property(kTokenProperty).value<TokenRef>() : nullptr;
}

QRect TokenField::tokenRect(int position) const {
  if (!tokenAt(position)) return {};
  const QTextBlock block = document()->findBlock(position);
  const QTextLayout* layout = block.layout();
  if (!layout) return {};
  const int relative = position - block.position();
  const QTextLine line = layout->lineForTextPosition(relative);
  if (!line.isValid()) return {};
  const qreal x0 = line.cursorToX(relative);
  const qreal x1 = line.cursorToX(relative + 1);
  QRectF rect(x0, line.y(), x1 - x0, line.height());
  rect.translate(layout->position());
  rect.translate(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
  return rect.toAlignedRect().translated(viewport()->pos());
}

int TokenField::tokenPositionAt(const QPoint& viewportPoint) const {
  const QPointF documentPoint(viewportPoint.x() + horizontalScrollBar()->value(),
                              viewportPoint.y() + verticalScrollBar()->value());
  const int hit = document()->documentLayout()->hitTest(documentPoint, Qt::FuzzyHit);
  const QPoint fieldPoint = viewportPoint + viewport()->pos();
  for (int position : {hit, hit - 1}) {
    if (tokenAt(position) && tokenRect(position).contains(fieldPoint)) return position;
  }
  return -1;
}

void TokenField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (acceptsLineBreaks_) {
      textCursor().insertText(QStringLiteral("\n"));
      event->accept();
    } else {
      emit returnPressed();
      event->ignore();
    }
    return;
  }
  QTextEdit::keyPressEvent(event);
}

void TokenField::mousePressEvent(QMouseEvent* event) {
  pressedToken_ = -1;
  const int position = tokenPositionAt(event->position().toPoint());
  if (position >= 0 && event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
    // A pressed chip is selected, so that moving the mouse drags it.
    QTextCursor cursor = textCursor();
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    pressedToken_ = position;
    pressPoint_ = event->position().toPoint();
  }
  QTextEdit::mousePressEvent(event);
}

void TokenField::mouseMoveEvent(QMouseEvent* event) {
  if (pressedToken_ >= 0 && (event->position().toPoint() - pressPoint_).manhattanLength() >=
                                QApplication::startDragDistance()) {
    pressedToken_ = -1;
  }
  QTextEdit::mouseMoveEvent(event);
}

void TokenField::mouseReleaseEvent(QMouseEvent* event) {
  const int pressed = pressedToken_;
  pressedToken_ = -1;
  QTextEdit::mouseReleaseEvent(event);
  if (pressed < 0 || event->button() != Qt::LeftButton) return;
  const TokenRef token = tokenAt(pressed);
  if (token && tokenPositionAt(event->position().toPoint()) == pressed && tokenHasMenu(*token)) {
    emit tokenClicked(token, event->position().toPoint() + viewport()->pos());
  }
}

void TokenField::focusInEvent(QFocusEvent* event) {
  editing_ = true;
  QTextEdit::focusInEvent(event);
}

void TokenField::focusOutEvent(QFocusEvent* event) {
  // Only another control of this window ends the editing: a menu or popover over the field
  // (whose own controls take the keyboard) or another window coming to the front leaves it.
  const QWidget* next = QApplication::focusWidget();
  if (next && next != this && next->window() == window()) editing_ = false;
  QTextEdit::focusOutEvent(event);
}

QMimeData* TokenField::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  auto* mime = new QMimeData;
  WriteTokensToMimeData(tokensInRange(cursor.selectionStart(), cursor.selectionEnd()), mime);
  return mime;
}

bool TokenField::canInsertFromMimeData(const QMimeData* source) const {
  return source &&
         (source->hasFormat(QString::fromLatin1(kTextTokenMimeType)) || source->hasText());
}

void TokenField::insertFromMimeData(const QMimeData* source) {
  if (!source) return;
  TokenArray elements;
  if (std::optional<TokenArray> read = ReadTokensFromMimeData(*source)) {
    elements = std::move(*read);
  } else if (source->hasText()) {
    elements.append(source->text());
  } else {
    return;
  }
  for (TokenElement& element : elements) {
    if (auto* text = std::get_if<QString>(&element)) *text = CleanText(*text, acceptsLineBreaks_);
  }
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  cursor.removeSelectedText();
  insertElements(cursor, elements);
  cursor.endEditBlock();
  setTextCursor(cursor);
}

}  // namespace glimbrik
