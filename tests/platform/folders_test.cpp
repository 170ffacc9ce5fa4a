#include "platform/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFileInfo>

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

}  // namespace
}  // namespace glimbrik
