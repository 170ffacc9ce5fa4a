#include "engine/text_token.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

using Token = QVXWatermarkTextToken;

TEST(TextToken, InitialiserDefaults) {
  const Token date(QStringLiteral("Date"), 3);
  EXPECT_EQ(date.dateTimeFormatString(), QStringLiteral("dd/MM/yyyy"));
  EXPECT_EQ(Token(QStringLiteral("Now"), 5).dateTimeFormatString(), QStringLiteral("dd/MM/yyyy"));
  EXPECT_EQ(Token(QStringLiteral("Time"), 4).dateTimeFormatString(), QStringLiteral("HH"));
  EXPECT_EQ(Token(QStringLiteral("Clock"), 6).dateTimeFormatString(), QStringLiteral("HH"));
  const Token plain(QStringLiteral("New Name"), 8);
  EXPECT_TRUE(plain.dateTimeFormatString().isNull());
  EXPECT_EQ(plain.caseTag(), 0);
  EXPECT_EQ(plain.startDigit(), 1);
  EXPECT_EQ(plain.numberLength(), 1);
  EXPECT_EQ(plain.clickLocation(), QPointF());

  const Token formatted(QStringLiteral("Date"), 3, QStringLiteral("yyyy"));
  EXPECT_EQ(formatted.numberLength(), 0);
  EXPECT_EQ(formatted.startDigit(), 1);
  EXPECT_EQ(formatted.dateTimeFormatString(), QStringLiteral("yyyy"));
  EXPECT_TRUE(Token(QStringLiteral("Date"), 3, QString()).dateTimeFormatString().isNull());

  const Token full(QStringLiteral("#"), 1, QString(), 2, 7, 3);
  EXPECT_EQ(full.tokenTag(), 1);
  EXPECT_EQ(full.caseTag(), 2);
  EXPECT_EQ(full.startDigit(), 7);
  EXPECT_EQ(full.numberLength(), 3);
}

TEST(TextToken, DisplayText) {
  Token index(QStringLiteral("Index"), 1);
  index.setStartDigit(7);
  index.setNumberLength(3);
  EXPECT_EQ(index.GetCompleteTokenString(), QStringLiteral("Index:007"));
  index.setNumberLength(0);
  EXPECT_EQ(index.GetCompleteTokenString(), QStringLiteral("Index:7"));
  index.setNumberLength(400000000);  // held to 20 digits
  EXPECT_EQ(index.GetCompleteTokenString(), QStringLiteral("Index:00000000000000000007"));

  Token date(QStringLiteral("Capture Date"), 3, QStringLiteral("yyyy"));
  EXPECT_EQ(date.GetCompleteTokenString(), QStringLiteral("Capture Date:yyyy"));
  Token today(QStringLiteral("Today"), 5);
  today.setDateTimeFormatString(QString());
  EXPECT_TRUE(today.GetCompleteTokenString().isNull());
  EXPECT_EQ(Token(QStringLiteral("Author"), 15).GetCompleteTokenString(), QStringLiteral("Author"));
}

TEST(TextToken, VariantListFormKeepsOrderAndFields) {
  const Token date(QStringLiteral("Date"), 3, QStringLiteral("yyyy"), 2, 5, 4);
  const TokenArray elements{"A", date, "B"};
  const QVariantList list = TokenArrayToVariantList(elements);
  ASSERT_EQ(list.size(), 3);
  EXPECT_EQ(list[0].toString(), QStringLiteral("A"));
  EXPECT_EQ(list[1].value<Token>(), date);
  EXPECT_EQ(TokenArrayFromVariantList(list), elements);
  // Foreign values are dropped, not turned into empty strings or tokens.
  EXPECT_EQ(TokenArrayFromVariantList({QVariant(42), QVariant(), "x"}), TokenArray{"x"});
}

}  // namespace
}  // namespace glimbrik
