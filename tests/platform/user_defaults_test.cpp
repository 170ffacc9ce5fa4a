#include "platform/user_defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/folders.h"
#include "platform/plist.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

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

TEST(UserDefaults, ValuesOfOtherTypesInTheFileRead) {
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
}

TEST(UserDefaults, DamagedFileReadsAsUnsetAndIsReplacedOnWrite) {
  ASSERT_TRUE(QDir().mkpath(PreferencesFolderPath()));
  ASSERT_TRUE(test::WriteBytes(UserDefaultsFilePath(), "<plist><dict><key>BackupFiles</key><tr"));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("BackupFiles")));
  EXPECT_TRUE(SetUserDefault(QStringLiteral("BackupFiles"), true));
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("BackupFiles")));
}

}  // namespace
}  // namespace glimbrik
