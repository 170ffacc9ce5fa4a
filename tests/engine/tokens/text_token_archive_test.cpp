#include "engine/tokens/text_token_archive.h"

#include <gtest/gtest.h>

#include "platform/store/keyed_archive.h"

namespace glimbrik {
namespace {

using Token = QVXWatermarkTextToken;

TEST(TextTokenArchive, StoredKeysAndMissingValues) {
  const QVariantMap object = EncodeTextToken(Token(QStringLiteral("Artist"), 15));
  EXPECT_EQ(ArchivedClassName(object), QStringLiteral("QVXWatermarkTextToken"));
  EXPECT_EQ(object.value(QStringLiteral("Name")).toString(), QStringLiteral("Artist"));
  EXPECT_EQ(object.value(QStringLiteral("TokenTag")).toLongLong(), 15);
  EXPECT_EQ(object.value(QStringLiteral("StartDigit")).toLongLong(), 1);
  EXPECT_EQ(object.value(QStringLiteral("NumberLength")).toLongLong(), 1);
  EXPECT_FALSE(object.contains(QStringLiteral("DateTimeFormatString")));

  // Numbers that are missing, or not numbers, read as 0.
  const auto sparse =
      DecodeTextToken(ArchivedObject(QStringLiteral("QVXWatermarkTextToken"),
                                     {{"Name", "#"}, {"TokenTag", 1}, {"StartDigit", "12"}}));
  ASSERT_TRUE(sparse);
  EXPECT_EQ(sparse->tokenTag(), 1);
  EXPECT_EQ(sparse->startDigit(), 0);
  EXPECT_EQ(sparse->numberLength(), 0);
  EXPECT_EQ(sparse->caseTag(), 0);
  EXPECT_TRUE(sparse->dateTimeFormatString().isNull());

  EXPECT_FALSE(DecodeTextToken(ArchivedObject(QStringLiteral("Color"))));
  EXPECT_FALSE(DecodeTextToken(QStringLiteral("Name")));
  EXPECT_FALSE(UnarchiveTextToken(QByteArray("not an archive")));
  EXPECT_FALSE(UnarchiveTextToken(ArchiveColor(Qt::red)));
}

TEST(TextTokenArchive, TokensAndArraysRoundTripThroughArchiveAndClipboard) {
  const Token stored(QStringLiteral("Capture Date"), 3, QStringLiteral("EEE d MMM"), 2, -7, 4);
  Token clicked = stored;
  clicked.setClickLocation(QPointF(12.5, 3.0));  // never stored
  // One token's clipboard data is its own archive.
  const QString type = QString::fromLatin1(kTextTokenMimeType);
  QMimeData one;
  WriteTokensToMimeData({clicked}, &one);
  EXPECT_EQ(one.data(type), ArchiveTextToken(clicked));
  EXPECT_EQ(ReadTokensFromMimeData(one), TokenArray{stored});

  const Token counter(QStringLiteral("#"), 1, QString(), 0, 7, 3);
  const TokenArray pattern{"IMG_", clicked, QStringLiteral(""), counter, " "};
  const TokenArray expected{"IMG_", stored, QStringLiteral(""), counter, " "};
  EXPECT_EQ(UnarchiveTokenArray(ArchiveTokenArray(pattern)), expected);
  EXPECT_TRUE(UnarchiveTokenArray(ArchiveTokenArray({})).value().isEmpty());

  // Elements of other kinds in a stored array are dropped; the rest stays in order.
  const QVariantList mixed{"a", 5, ArchivedObject(QStringLiteral("Font")),
                           EncodeTextToken(Token(QStringLiteral("W"), 11)), "b"};
  const auto decoded = DecodeTokenArray(mixed);
  ASSERT_TRUE(decoded);
  ASSERT_EQ(decoded->size(), 3);
  EXPECT_EQ(std::get<Token>(decoded->at(1)).tokenTag(), 11);
  EXPECT_EQ(std::get<QString>(decoded->at(2)), QStringLiteral("b"));
  EXPECT_FALSE(DecodeTokenArray(QStringLiteral("not a list")));

  QMimeData mime;
  WriteTokensToMimeData(pattern, &mime);
  EXPECT_EQ(mime.text(), QStringLiteral("IMG_Capture Date:EEE d MMM#:007 "));
  EXPECT_EQ(ReadTokensFromMimeData(mime), expected);

  QMimeData other;
  other.setText(QStringLiteral("plain"));
  EXPECT_FALSE(ReadTokensFromMimeData(other));
  other.setData(type, QByteArray("\x00\x01garbage", 9));
  EXPECT_FALSE(ReadTokensFromMimeData(other));
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

  Token today(QStringLiteral("Today"), 5);
  today.setDateTimeFormatString(QString());
  EXPECT_TRUE(today.GetCompleteTokenString().isNull());
  EXPECT_EQ(Token(QStringLiteral("Author"), 15).GetCompleteTokenString(), QStringLiteral("Author"));
}

}  // namespace
}  // namespace glimbrik
