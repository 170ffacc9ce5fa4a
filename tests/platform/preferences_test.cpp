#include "platform/preferences.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/folders.h"
#include "platform/plist.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(Preferences, MissingOrForeignFileLeavesTheOutputUntouched) {
  QVariantMap out{{"sentinel", 1}};
  EXPECT_FALSE(ReadPreferenceDictionary(&out, QStringLiteral("%@-Missing.plist")));
  EXPECT_EQ(out.value(QStringLiteral("sentinel")).toInt(), 1);

  // A readable property list whose root is not a dictionary is no preference file.
  ASSERT_TRUE(
      WritePlistFile(QVariantList{1, 2}, PreferenceFilePath(QStringLiteral("%@-Array.plist")))
          .ok());
  EXPECT_FALSE(ReadPreferenceDictionary(&out, QStringLiteral("%@-Array.plist")));
  ASSERT_TRUE(test::WriteBytes(PreferenceFilePath(QStringLiteral("%@-Junk.plist")), "not a plist"));
  EXPECT_FALSE(ReadPreferenceDictionary(&out, QStringLiteral("%@-Junk.plist")));
  EXPECT_EQ(out.size(), 1);
}

TEST(Preferences, UnusableFolderFailsWithoutCrashing) {
  // The preferences folder's place is taken by a plain file.
  const QString folder = PreferencesFolderPath();
  QDir(folder).removeRecursively();
  QDir().mkpath(QFileInfo(folder).absolutePath());
  ASSERT_TRUE(test::WriteBytes(folder, QByteArray()));
  QVariantMap out;
  EXPECT_FALSE(WritePreferenceDictionary({{"a", 1}}, QStringLiteral("%@-Pref.plist")));
  EXPECT_FALSE(ReadPreferenceDictionary(&out, QStringLiteral("%@-Pref.plist")));
  QFile::remove(folder);
}

}  // namespace
}  // namespace glimbrik
