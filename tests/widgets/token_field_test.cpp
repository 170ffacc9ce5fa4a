#include "widgets/token_field.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QFocusEvent>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include "engine/tokens/text_token_archive.h"

namespace glimbrik {
namespace {

QVXWatermarkTextToken Index(int64_t start = 1, int64_t length = 1) {
  return QVXWatermarkTextToken(QStringLiteral("Index"), 1, QString(), 0, start, length);
}

QVXWatermarkTextToken Date(const QString& format) {
  return QVXWatermarkTextToken(QStringLiteral("Capture Date"), 3, format, 2, 1, 0);
}

// The field as the user has clicked into it.
void StartEditing(TokenField& field) {
  QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
  QApplication::sendEvent(&field, &in);
}

void PlaceCaret(TokenField& field, int position, int anchor = -1) {
  QTextCursor cursor = field.textCursor();
  cursor.setPosition(anchor < 0 ? position : anchor);
  if (anchor >= 0) cursor.setPosition(position, QTextCursor::KeepAnchor);
  field.setTextCursor(cursor);
}

TEST(TokenField, ValueRoundTripsElementForElement) {
  TokenField field;
  const TokenArray value{Date(QStringLiteral("yyyy")),
                         QStringLiteral(" at "),
                         QVXWatermarkTextToken(QStringLiteral("Camera Maker"), 18),
                         QStringLiteral("\nline two "),
                         Index(7, 3),
                         Index(2, 0)};
  field.setTokens(value);
  EXPECT_EQ(field.tokens(), value);

  // Equal tokens stay separate objects: changing one leaves the other.
  field.setTokens({Index(), Index()});
  ASSERT_NE(field.tokenAt(0), field.tokenAt(1));
  field.tokenAt(1)->setStartDigit(4);
  EXPECT_EQ(field.tokens(), (TokenArray{Index(), Index(4)}));
}

// At the caret is held by the watermark menu tests.
TEST(TokenField, EditingInsertsAtTheSelectionUndoesAndTakesAChipAsOneCharacter) {
  TokenField field;
  field.setTokens({QStringLiteral("Hello World")});
  QSignalSpy edited(&field, &TokenField::tokensEdited);
  StartEditing(field);
  PlaceCaret(field, 9, 7);  // "or": the selection stays, the token follows it
  field.insertToken(Date(QStringLiteral("dd")));
  const TokenArray inserted{QStringLiteral("Hello Wor"), Date(QStringLiteral("dd")),
                            QStringLiteral("ld")};
  EXPECT_EQ(field.tokens(), inserted);
  EXPECT_EQ(field.textCursor().position(), 10);
  EXPECT_EQ(edited.count(), 1);
  field.undo();
  EXPECT_EQ(field.tokens(), TokenArray{QStringLiteral("Hello World")});
  field.redo();
  EXPECT_EQ(field.tokens(), inserted);
  // The keyboard takes a chip as one character, and text typed right after one stays text.
  PlaceCaret(field, 9);
  QTest::keyClick(&field, Qt::Key_Right);
  EXPECT_EQ(field.textCursor().position(), 10);
  QTest::keyClicks(&field, QStringLiteral("ab"));
  EXPECT_EQ(field.tokens(), (TokenArray{QStringLiteral("Hello Wor"), Date(QStringLiteral("dd")),
                                        QStringLiteral("abld")}));
  for (int i = 0; i < 3; ++i) QTest::keyClick(&field, Qt::Key_Backspace);
  EXPECT_EQ(field.tokens(), TokenArray{QStringLiteral("Hello World")});

  TokenField idle;
  idle.setTokens({QStringLiteral("Hello World")});
  PlaceCaret(idle, 2);
  idle.insertToken(Index());
  EXPECT_EQ(idle.tokens(), (TokenArray{QStringLiteral("Hello World"), Index()}));
  EXPECT_EQ(idle.textCursor().position(), 12);
}

TEST(TokenField, CopyInOneFieldAndPasteInTheOtherCarriesTokensWithTheirOptions) {
  TokenField rename;
  TokenField watermark;
  watermark.setAcceptsLineBreaks(true);
  rename.setTokens(
      {QStringLiteral("A-"), Index(7, 3), Date(QStringLiteral("MMM")), QStringLiteral("-Z")});
  PlaceCaret(rename, 4, 1);  // "-", the index and the date
  rename.copy();

  watermark.setTokens({QStringLiteral("<>")});
  StartEditing(watermark);
  PlaceCaret(watermark, 1);
  watermark.paste();
  EXPECT_EQ(watermark.tokens(), (TokenArray{QStringLiteral("<-"), Index(7, 3),
                                            Date(QStringLiteral("MMM")), QStringLiteral(">")}));

  // A pasted token is a token of its own, not the copied one.
  watermark.tokenAt(2)->setStartDigit(99);
  EXPECT_EQ(std::get<QVXWatermarkTextToken>(rename.tokens()[1]).startDigit(), 7);

  // Cut takes them out of the source field.
  PlaceCaret(rename, 3, 2);
  rename.cut();
  EXPECT_EQ(rename.tokens(),
            (TokenArray{QStringLiteral("A-"), Date(QStringLiteral("MMM")), QStringLiteral("-Z")}));
}

// Plain text from other programs stays text; line breaks stay only where the field takes them.
TEST(TokenField, PastedTextAndReturnBreakLinesOnlyWhereLineBreaksAreAccepted) {
  auto* mime = new QMimeData;
  mime->setText(QStringLiteral("a\nb") + QChar(QChar::ObjectReplacementCharacter) + "c");
  QApplication::clipboard()->setMimeData(mime);
  TokenField rename;
  QSignalSpy returned(&rename, &TokenField::returnPressed);
  StartEditing(rename);
  rename.paste();
  EXPECT_EQ(rename.tokens(), TokenArray{QStringLiteral("a bc")});
  QTest::keyClick(&rename, Qt::Key_Return);
  EXPECT_EQ(rename.tokens(), TokenArray{QStringLiteral("a bc")});
  EXPECT_EQ(returned.count(), 1);

  TokenField watermark;
  watermark.setAcceptsLineBreaks(true);
  StartEditing(watermark);
  watermark.paste();
  EXPECT_EQ(watermark.tokens(), TokenArray{QStringLiteral("a\nbc")});
  watermark.setTokens({QStringLiteral("ab"), Index()});
  PlaceCaret(watermark, 1);
  QTest::keyClick(&watermark, Qt::Key_Return);
  EXPECT_EQ(watermark.tokens(), (TokenArray{QStringLiteral("a\nb"), Index()}));
}

TEST(TokenField, ADropInsertsTheDraggedTokensWhereTheyFall) {
  TokenField field;
  field.resize(300, 40);
  field.setTokens({QStringLiteral("ab")});
  field.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&field));
  QMimeData mime;
  WriteTokensToMimeData({Index(3, 2), QStringLiteral("-")}, &mime);
  // Between "a" and "b".
  QTextCursor afterA(field.document());
  afterA.setPosition(1);
  const QPoint at = field.cursorRect(afterA).center();
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(field.viewport(), &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(field.viewport(), &drop);
  EXPECT_EQ(field.tokens(), (TokenArray{QStringLiteral("a"), Index(3, 2), QStringLiteral("-b")}));
}

}  // namespace
}  // namespace glimbrik
