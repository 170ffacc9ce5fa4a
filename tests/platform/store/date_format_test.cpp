#include "platform/store/date_format.h"

#include <gtest/gtest.h>

#include <QTimeZone>

namespace glimbrik {
namespace {

TEST(DateFormat, UnicodePatternsAreNotQtPatterns) {
  const QDateTime moment(QDate(2021, 5, 4), QTime(15, 6, 7), Qt::LocalTime);
  const QString posix[][2] = {
      {"yyyy:MM:dd HH:mm:ss", "2021:05:04 15:06:07"},
      {"dd/MM/yyyy", "04/05/2021"},
      {"h a", "3 PM"},  // Qt would read "a" as am/pm in lower case and "h" unpadded alike
      {"EEE d MMM", "Tue 4 May"},
      {"'at' HH'h'", "at 15h"},
      {"D", "124"},  // day of the year; Qt has no such field
  };
  for (const auto& [pattern, expected] : posix) {
    EXPECT_EQ(FormatDateWithPattern(moment, pattern, DateLocale::kPosix), expected)
        << pattern.toStdString();
  }
  EXPECT_TRUE(FormatDateWithPattern(moment, QString()).isEmpty());
  EXPECT_TRUE(FormatDateWithPattern(QDateTime(), QStringLiteral("yyyy")).isEmpty());
}

TEST(DateFormat, ParsingIsStrictAndWhole) {
  const auto parsed =
      ParseDateWithPattern(QStringLiteral("2021:05:04 10:11:12"),
                           QStringLiteral("yyyy:MM:dd HH:mm:ss"), DateLocale::kPosix);
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->toLocalTime(), QDateTime(QDate(2021, 5, 4), QTime(10, 11, 12), Qt::LocalTime));

  const QString pattern = QStringLiteral("yyyy:MM:dd HH:mm:ss");
  for (const char* bad :
       {"2021-05-04T10:11:12", "2021:13:04 10:11:12", "2021:05:04 10:11:12 trailing", "2021:05:04",
        "    :  :     :  :  ", ""}) {
    EXPECT_FALSE(ParseDateWithPattern(QString::fromLatin1(bad), pattern, DateLocale::kPosix))
        << bad;
  }
}

TEST(DateFormat, ZonesInTheTextAreHonoured) {
  const auto utc =
      ParseDateWithPattern(QStringLiteral("2021:05:04 10:11:12 UTC"),
                           QStringLiteral("yyyy:MM:dd HH:mm:ss zzz"), DateLocale::kPosix);
  ASSERT_TRUE(utc);
  EXPECT_EQ(utc->toUTC(), QDateTime(QDate(2021, 5, 4), QTime(10, 11, 12), QTimeZone::utc()));

  const auto offset =
      ParseDateWithPattern(QStringLiteral("20210504 101112+0200"),
                           QStringLiteral("yyyyMMdd HHmmssZZZ"), DateLocale::kPosix);
  ASSERT_TRUE(offset);
  EXPECT_EQ(offset->toUTC(), QDateTime(QDate(2021, 5, 4), QTime(8, 11, 12), QTimeZone::utc()));
}

}  // namespace
}  // namespace glimbrik
