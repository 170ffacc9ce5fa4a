#include "platform/store/preferences.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/store/folders.h"
#include "platform/store/plist.h"
#include "platform/store/user_defaults.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(Folders, PrivateTempFolderIsOwnerOnlyAndNamesAreFresh) {
  const QString folder = PrivateTempFolder();
  ASSERT_FALSE(folder.isEmpty());
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(folder).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  const QString a = NewTemporaryPath(QStringLiteral("tif"));
  EXPECT_EQ(QFileInfo(a).absolutePath(), folder);
  EXPECT_TRUE(a.endsWith(QStringLiteral(".tif")));
}

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

TEST(UserDefaults, ValuesWrittenAreReadBackAndLiveInThePreferencesFolder) {
  EXPECT_TRUE(SetUserDefault(QStringLiteral("GifsicleEnabled"), true));
  EXPECT_TRUE(SetUserDefault(QStringLiteral("PngOutLevel"), 2));
  EXPECT_TRUE(SetUserDefault(QStringLiteral("BackupFiles"), false));
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("GifsicleEnabled")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("PngOutLevel")), 2);
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("BackupFiles")));

  const QFileInfo info(UserDefaultsFilePath());
  EXPECT_TRUE(info.exists());
  EXPECT_EQ(info.absolutePath(), PreferencesFolderPath());
  EXPECT_EQ(info.fileName(), QStringLiteral("com.TarnwellTechnologies.Glimbrik.plist"));

  RemoveUserDefault(QStringLiteral("GifsicleEnabled"));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("GifsicleEnabled")));
}

TEST(UserDefaults, ValuesOfOtherTypesInTheFileReadAndADamagedFileIsReplaced) {
  ASSERT_TRUE(QDir().mkpath(PreferencesFolderPath()));
  ASSERT_TRUE(WritePlistFile(QVariantMap{{"RunLowPriority", qint64(1)},
                                         {"BackupFiles", "YES"},
                                         {"PreservePermissions", "0"},
                                         {"PngOutLevel", 2.7},
                                         {"PngOutRemoveChunks", "junk"}},
                             UserDefaultsFilePath())
                  .ok());
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("RunLowPriority")));
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("BackupFiles")));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PreservePermissions")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("PngOutLevel")), 2);
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PngOutRemoveChunks")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("PngOutRemoveChunks")), 0);
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("NeverSetAnywhere")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("NeverSetAnywhere")), 0);

  // A damaged file reads as unset and is replaced on the next write.
  ASSERT_TRUE(test::WriteBytes(UserDefaultsFilePath(), "<plist><dict><key>BackupFiles</key><tr"));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("BackupFiles")));
  EXPECT_TRUE(SetUserDefault(QStringLiteral("BackupFiles"), true));
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("BackupFiles")));
}

}  // namespace
}  // namespace glimbrik
