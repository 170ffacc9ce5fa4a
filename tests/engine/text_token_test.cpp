#include "engine/text_token.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

using Token = QVXWatermarkTextToken;

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
