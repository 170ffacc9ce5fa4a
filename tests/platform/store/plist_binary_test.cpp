#include "platform/store/plist_binary.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <limits>

#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// The binary form of root as an independent writer makes it.
QByteArray BinaryPlist(const QVariant& root) {
  const QString folder = test::MakeTempFolder();
  const QString xml = folder + QStringLiteral("/in.plist"), bin = folder + QStringLiteral("/b");
  EXPECT_TRUE(WritePlistFile(root, xml).ok());
  test::RunTool(QStringLiteral("plistutil"), {QStringLiteral("-i"), xml, QStringLiteral("-o"), bin,
                                              QStringLiteral("-f"), QStringLiteral("bin")});
  return test::ReadBytes(bin);
}

TEST(BinaryPlist, ReadsWhatAnotherWriterWritesAndRefusesDamage) {
  QVariantMap nested{{QStringLiteral("empty"), QVariantMap()},
                     {QStringLiteral("list"), QVariantList{qint64(1), QStringLiteral("two")}}};
  QVariantMap root;
  root.insert(QStringLiteral("ascii"), QStringLiteral("plain"));
  root.insert(QStringLiteral("unicode"), QStringLiteral("Ünïcödé ✦"));
  root.insert(QStringLiteral("small"), qint64(7));
  root.insert(QStringLiteral("negative"), qint64(-42));
  root.insert(QStringLiteral("large"), std::numeric_limits<qint64>::max());
  root.insert(QStringLiteral("real"), 0.1);
  root.insert(QStringLiteral("yes"), true);
  root.insert(QStringLiteral("no"), false);
  root.insert(QStringLiteral("date"), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC));
  root.insert(QStringLiteral("data"), QByteArray("\0\x01\xff binary", 10));
  root.insert(QStringLiteral("long data"), QByteArray(1000, 'x'));
  root.insert(QStringLiteral("nested"), nested);
  const QByteArray bytes = BinaryPlist(root);
  ASSERT_TRUE(bytes.startsWith("bplist00"));
  const PlistResult read = ReadBinaryPlistData(bytes);
  ASSERT_TRUE(read.ok()) << read.error.toStdString();
  const QVariantMap map = read.value.toMap();
  EXPECT_EQ(map.keys(), root.keys());
  for (auto it = root.cbegin(); it != root.cend(); ++it) {
    EXPECT_EQ(map.value(it.key()), it.value()) << it.key().toStdString();
  }

  // Cut anywhere, or with a reference turned back on its own array: a reason, never a crash.
  for (qsizetype size = 0; size < bytes.size(); size += 7) {
    EXPECT_FALSE(ReadBinaryPlistData(bytes.left(size)).ok()) << size;
  }
  const QByteArray loop = BinaryPlist(QVariantList{QVariantList{}});
  ASSERT_FALSE(loop.isEmpty());
  QByteArray patched = loop;
  // The top array's one reference is turned to the top array itself. The small file's trailer
  // numbers fit their last byte.
  const auto trailer = [&](int at) { return qsizetype(uchar(patched[patched.size() - 32 + at])); };
  const qsizetype offsetSize = trailer(6), top = trailer(23), table = trailer(31);
  const qsizetype outer = uchar(patched[table + (top + 1) * offsetSize - 1]);
  ASSERT_EQ(uchar(patched[outer]), 0xA1);
  patched[outer + 1] = char(top);
  EXPECT_FALSE(ReadBinaryPlistData(patched).ok());
}

}  // namespace
}  // namespace glimbrik
