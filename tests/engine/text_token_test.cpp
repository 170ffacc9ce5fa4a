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

}  // namespace
}  // namespace glimbrik
