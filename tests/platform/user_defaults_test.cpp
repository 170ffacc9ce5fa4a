#include "platform/user_defaults.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "platform/folders.h"

namespace glimbrik {
namespace {

TEST(UserDefaults, UnsetKeysReadAsOffAndZero) {
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("NeverSetAnywhere")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("NeverSetAnywhere")), 0);
}

TEST(UserDefaults, ValuesWrittenAreReadBackAndLiveInThePreferencesFolder) {
  SetUserDefault(QStringLiteral("GifsicleEnabled"), true);
  SetUserDefault(QStringLiteral("PngOutLevel"), 2);
  SetUserDefault(QStringLiteral("BackupFiles"), false);
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("GifsicleEnabled")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("PngOutLevel")), 2);
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("PngOutLevel")));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("BackupFiles")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("GifsicleEnabled")), 1);

  const QFileInfo info(UserDefaultsFilePath());
  EXPECT_TRUE(info.exists());
  EXPECT_EQ(info.absolutePath(), PreferencesFolderPath());
  EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("com.TarnwellTechnologies.Glimbrik")));

  RemoveUserDefault(QStringLiteral("GifsicleEnabled"));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("GifsicleEnabled")));
}

TEST(UserDefaults, HandWrittenTextValuesRead) {
  ASSERT_TRUE(QDir().mkpath(PreferencesFolderPath()));
  QFile file(UserDefaultsFilePath());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(
      "[General]\nRunLowPriority=1\nBackupFiles=true\nPreservePermissions=0\nPngOutLevel=junk\n");
  file.close();
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("RunLowPriority")));
  EXPECT_TRUE(UserDefaultBool(QStringLiteral("BackupFiles")));
  EXPECT_FALSE(UserDefaultBool(QStringLiteral("PreservePermissions")));
  EXPECT_EQ(UserDefaultInteger(QStringLiteral("PngOutLevel")), 0);
}

}  // namespace
}  // namespace glimbrik
