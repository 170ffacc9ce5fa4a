#pragma once

// A text field whose value is a token array: typed text stays strings, each token is one
// character of the document drawn as a rounded chip. It knows nothing of what the tokens mean;
// its owner decides which tokens offer options (hasMenu) and answers their clicks.

#include <QTextEdit>
#include <functional>
#include <memory>

#include "engine/tokens/text_token.h"

namespace glimbrik {

// A token living in a field. The field's owner may keep one (the clicked token) after the
// field has dropped it, and may change it in place, then call refreshTokens().
using TokenRef = std::shared_ptr<QVXWatermarkTextToken>;

class TokenChipRenderer;

class TokenField : public QTextEdit {
  Q_OBJECT
 public:
  explicit TokenField(QWidget* parent = nullptr);
  ~TokenField() override;

  TokenArray tokens() const;
  // Replaces the value; the undo history starts afresh.
  void setTokens(const TokenArray& elements);

  // While the field is being edited the token goes to the caret (after a selection, which
  // stays); otherwise it is appended. The caret ends after the token. Undoable.
  void insertToken(const QVXWatermarkTextToken& token);
  // From the moment the user focuses the field until focus moves elsewhere; a popup opening
  // over the field (a menu, a popover) does not end it.
  bool isEditing() const { return editing_; }

  // Only a field that accepts line breaks turns Return into "\n"; others report returnPressed.
  void setAcceptsLineBreaks(bool accepts);
  bool acceptsLineBreaks() const { return acceptsLineBreaks_; }

  // Tokens for which the predicate holds draw a menu arrow and report clicks.
  void setHasMenu(std::function<bool(const QVXWatermarkTextToken&)> hasMenu);
  bool tokenHasMenu(const QVXWatermarkTextToken& token) const;

  // Redraws every chip after tokens were changed in place.
  void refreshTokens();
  // Reports a change made outside the field's own editing (tokensEdited).
  void announceEdit() { emit tokensEdited(); }
  // The live token at a document position; null when there is none.
  TokenRef tokenAt(int position) const;
  // The chip of the token at a document position, in the field's coordinates.
  QRect tokenRect(int position) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The value changed through the user or insertToken (not through setTokens).
  void tokensEdited();
  // A click (press and release without a drag) on a token with a menu; location in the field.
  void tokenClicked(const glimbrik::TokenRef& token, const QPoint& location);
  void returnPressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  bool canInsertFromMimeData(const QMimeData* source) const override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  TokenArray tokensInRange(int from, int to) const;
  void insertElements(QTextCursor& cursor, const TokenArray& elements);
  // The document position of the chip under a viewport point, or -1.
  int tokenPositionAt(const QPoint& viewportPoint) const;

  std::unique_ptr<TokenChipRenderer> renderer_;
  std::function<bool(const QVXWatermarkTextToken&)> hasMenu_;
  bool acceptsLineBreaks_ = false;
  bool editing_ = false;
  bool settingValue_ = false;
  int pressedToken_ = -1;
  QPoint pressPoint_;
};

}  // namespace glimbrik

Q_DECLARE_METATYPE(glimbrik::TokenRef)
