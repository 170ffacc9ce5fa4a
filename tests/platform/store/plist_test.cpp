#include "platform/store/plist.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QPoint>
#include <limits>

#include "support/file_size_limit.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QVariantMap EveryKind() {
  QVariantMap nested;
  nested.insert(QStringLiteral("empty dict"), QVariantMap());
  nested.insert(QStringLiteral("empty array"), QVariantList());
  nested.insert(QStringLiteral("empty string"), QString());
  QVariantMap root;
  root.insert(QStringLiteral("string"), QStringLiteral("a < b & \"c\" > d ✦ Ünïcödé\ttab"));
  root.insert(QStringLiteral("leading and trailing blanks"), QStringLiteral("  x  "));
  root.insert(QStringLiteral("integer"), qint64(-42));
  root.insert(QStringLiteral("largest integer"), std::numeric_limits<qint64>::max());
  root.insert(QStringLiteral("smallest integer"), std::numeric_limits<qint64>::min());
  root.insert(QStringLiteral("real"), 0.1);
  root.insert(QStringLiteral("tiny real"), 5e-324);
  root.insert(QStringLiteral("negative real"), -1234.5678e100);
  root.insert(QStringLiteral("true"), true);
  root.insert(QStringLiteral("false"), false);
  root.insert(QStringLiteral("date"), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC));
  root.insert(QStringLiteral("data"), QByteArray("\0\x01\xff binary", 10));
  root.insert(QStringLiteral("empty data"), QByteArray());
  root.insert(QStringLiteral("array"),
              QVariantList{QStringLiteral("one"), qint64(2), 3.5, QVariant(nested)});
  root.insert(QStringLiteral("nested"), nested);
  return root;
}

TEST(Plist, EveryValueKindSurvivesAFileRoundTrip) {
  const QString path = test::MakeTempFolder() + QStringLiteral("/every.plist");
  const QVariantMap root = EveryKind();
  ASSERT_TRUE(WritePlistFile(root, path).ok());
  const PlistResult back = ReadPlistFile(path);
  ASSERT_TRUE(back.ok()) << back.error.toStdString();
  ASSERT_EQ(back.value.typeId(), QMetaType::QVariantMap);
  const QVariantMap map = back.value.toMap();
  EXPECT_EQ(map.keys(), root.keys());
  for (auto it = root.cbegin(); it != root.cend(); ++it) {
    EXPECT_EQ(map.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(map.value(it.key()).typeId(), it.value().typeId()) << it.key().toStdString();
  }
}

TEST(Plist, WriterTypesAreNormalisedOnReading) {
  QVariantMap root;
  root.insert(QStringLiteral("int"), int(7));
  root.insert(QStringLiteral("float"), 0.9f);
  root.insert(QStringLiteral("strings"), QStringList{QStringLiteral("x")});
  root.insert(QStringLiteral("local date"),
              QDateTime(QDate(2020, 1, 1), QTime(12, 0), Qt::OffsetFromUTC, 3600));
  const PlistData data = WritePlistData(root);
  ASSERT_TRUE(data.ok());
  const QVariantMap back = ReadPlistData(data.data).value.toMap();
  EXPECT_EQ(back.value(QStringLiteral("int")).typeId(), QMetaType::LongLong);
  EXPECT_EQ(back.value(QStringLiteral("int")).toLongLong(), 7);
  // A single-precision number keeps its single-precision value exactly.
  EXPECT_EQ(back.value(QStringLiteral("float")).toDouble(), 0.8999999761581421);
  EXPECT_EQ(back.value(QStringLiteral("strings")).toList(), QVariantList{QStringLiteral("x")});
  EXPECT_EQ(back.value(QStringLiteral("local date")).toDateTime(),
            QDateTime(QDate(2020, 1, 1), QTime(11, 0), Qt::UTC));
}

TEST(Plist, ReadsHandWrittenFilesWithDoctypeAndSpecialReals) {
  const QByteArray text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE plist PUBLIC \"-//X//DTD PLIST 1.0//EN\" \"plist.dtd\">\n"
      "<plist version=\"1.0\"><array>\n"
      "  <real>+infinity</real><real> 2.5 </real><integer>18446744073709551615</integer>\n"
      "  <data>\n  AAEC\n  AwQ=\n  </data><date>2001-01-01T00:00:00Z</date>\n"
      "</array></plist>\n";
  const PlistResult result = ReadPlistData(text);
  ASSERT_TRUE(result.ok()) << result.error.toStdString();
  const QVariantList list = result.value.toList();
  ASSERT_EQ(list.size(), 5);
  EXPECT_EQ(list[0].toDouble(), std::numeric_limits<double>::infinity());
  EXPECT_EQ(list[1].toDouble(), 2.5);
  EXPECT_EQ(list[2].toULongLong(), std::numeric_limits<quint64>::max());
  EXPECT_EQ(list[3].toByteArray(), QByteArray("\0\1\2\3\4", 5));
  EXPECT_EQ(list[4].toDateTime(), QDateTime(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC));
}

TEST(Plist, DamagedInputFailsWithAReason) {
  const QByteArray cases[] = {
      "",
      "<plist><dict><key>a</key><string>b</string>",     // truncated
      "<notplist><dict/></notplist>",                    // wrong root
      "<plist><dict><key>a</key></dict></plist>",        // key without value
      "<plist><dict><string>a</string></dict></plist>",  // value without key
      "<plist><integer>12x</integer></plist>",           // bad integer
      "<plist><real>1,5</real></plist>",                 // locale-style decimal comma
      "<plist><data>!!!</data></plist>",                 // bad base64
      "<plist><date>yesterday</date></plist>",           // bad date
      "<plist><widget/></plist>",                        // unknown element
      "<plist><string>a<b/></string></plist>",           // element inside a string
  };
  for (const QByteArray& text : cases) {
    const PlistResult result = ReadPlistData(text);
    EXPECT_FALSE(result.ok()) << text.constData();
    EXPECT_FALSE(result.error.isEmpty());
  }
  QByteArray deep = "<plist>";
  for (int i = 0; i < 5000; ++i) deep += "<array>";
  EXPECT_FALSE(ReadPlistData(deep).ok());
  const QString folder = test::MakeTempFolder();
  EXPECT_FALSE(ReadPlistFile(folder + QStringLiteral("/none.plist")).ok());
  EXPECT_FALSE(
      WritePlistFile(QVariantMap(), folder + QStringLiteral("/no/such/folder.plist")).ok());
}

TEST(Plist, FailedWriteLeavesTheOldFileIntact) {
  const QString path = test::MakeTempFolder() + QStringLiteral("/prefs.plist");
  const QVariantMap old{{QStringLiteral("kept"), qint64(1)}};
  ASSERT_TRUE(WritePlistFile(old, path).ok());
  const QByteArray before = test::ReadBytes(path);

  // A write cut short on the way (a full disk): small contents must not pass as written.
  for (const int size : {2 * 1024, 64 * 1024}) {
    const QVariantMap big{{QStringLiteral("big"), QByteArray(size, 'x')}};
    PlistStatus status;
    {
      test::FileSizeLimit limit(1024);
      status = WritePlistFile(big, path);
    }
    EXPECT_FALSE(status.ok()) << size;
    EXPECT_FALSE(status.error.isEmpty());
    EXPECT_EQ(test::ReadBytes(path), before);
    EXPECT_EQ(ReadPlistFile(path).value.toMap(), old);
  }

  // Unstorable content fails the whole write, says where, and never touches the file either.
  const QVariantMap unstorable{{QStringLiteral("fine"), 1},
                               {QStringLiteral("point"), QVariantList{QVariant(QPoint(1, 2))}}};
  const PlistStatus refused = WritePlistFile(unstorable, path);
  EXPECT_FALSE(refused.ok());
  EXPECT_TRUE(refused.error.contains(QStringLiteral("point[0]"))) << refused.error.toStdString();
  EXPECT_EQ(ReadPlistFile(path).value.toMap(), old);
  EXPECT_FALSE(WritePlistData(QVariant()).ok());
}

}  // namespace
}  // namespace glimbrik
