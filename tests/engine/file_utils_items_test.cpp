#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/file_utils.h"
#include "support/file_size_limit.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  ASSERT_TRUE(test::WriteBytes(path, bytes));
}

TEST(RenameByPrefix, ItemGetsTheNewPrefix) {
  const QString f = test::MakeTempFolder();
  Write(f + "/old_photo.jpg", "1");
  EXPECT_TRUE(RenameItemByPrefix(f + "/old_photo.jpg", "old", "new"));
  EXPECT_EQ(test::ReadBytes(f + "/new_photo.jpg"), QByteArray("1"));
  // A name shorter than the prefix is refused, not cut.
  Write(f + "/ab", "2");
  EXPECT_FALSE(RenameItemByPrefix(f + "/ab", "abc", "x"));
  EXPECT_TRUE(QFileInfo::exists(f + "/ab"));
  // An existing item under the new name is never replaced.
  Write(f + "/old_1", "mine");
  Write(f + "/new_1", "theirs");
  EXPECT_FALSE(RenameItemByPrefix(f + "/old_1", "old", "new"));
  EXPECT_EQ(test::ReadBytes(f + "/new_1"), QByteArray("theirs"));
  EXPECT_EQ(test::ReadBytes(f + "/old_1"), QByteArray("mine"));
}

TEST(RenameByPrefix, WholeTreeIsRenamed) {
  const QString f = test::MakeTempFolder();
  Write(f + "/oldRoot/oldA/oldB.txt", "b");
  Write(f + "/oldRoot/oldC.txt", "c");
  ASSERT_TRUE(QDir().mkpath(f + "/oldRoot/oldA/oldEmpty"));
  EXPECT_TRUE(RenameFolderByPrefix(f + "/oldRoot", "old", "nu"));
  EXPECT_EQ(test::ReadBytes(f + "/nuRoot/nuA/nuB.txt"), QByteArray("b"));
  EXPECT_EQ(test::ReadBytes(f + "/nuRoot/nuC.txt"), QByteArray("c"));
  EXPECT_TRUE(QFileInfo(f + "/nuRoot/nuA/nuEmpty").isDir());
  EXPECT_FALSE(QFileInfo::exists(f + "/oldRoot"));
  EXPECT_FALSE(RenameFolderByPrefix(f + "/missing", "m", "n"));
}

TEST(ReplaceItemAtURL, CopiesOrMovesOverTheDestination) {
  const QString f = test::MakeTempFolder();
  const QString source = f + "/source";
  const QString destination = f + "/destination";
  Write(source, "new");
  Write(destination, "old");
  EXPECT_EQ(ReplaceItemAtURL(source, destination, false), 1);
  EXPECT_EQ(test::ReadBytes(destination), QByteArray("new"));
  EXPECT_TRUE(QFileInfo::exists(source));

  Write(source, "moved");
  EXPECT_EQ(ReplaceItemAtURL(source, destination, true), 1);
  EXPECT_EQ(test::ReadBytes(destination), QByteArray("moved"));
  EXPECT_FALSE(QFileInfo::exists(source));

  // Nothing to do counts as success and touches nothing.
  EXPECT_EQ(ReplaceItemAtURL(destination, f + "/./destination", true), 1);
  EXPECT_EQ(test::ReadBytes(destination), QByteArray("moved"));
  EXPECT_EQ(ReplaceItemAtURL(QString(), destination, false), 1);
  EXPECT_EQ(ReplaceItemAtURL(destination, QString(), false), 1);
}

TEST(ReplaceItemAtURL, FailureKeepsTheDestination) {
  const QString f = test::MakeTempFolder();
  const QString destination = f + "/destination";
  Write(destination, "old");
  EXPECT_EQ(ReplaceItemAtURL(f + "/missing", destination, false), 0);
  EXPECT_EQ(test::ReadBytes(destination), QByteArray("old"));

  const QString big = f + "/big";
  Write(big, QByteArray(256 * 1024, 'b'));
  int result = 1;
  {
    test::FileSizeLimit limit(64 * 1024);
    result = ReplaceItemAtURL(big, destination, false);
  }
  EXPECT_EQ(result, 0);
  EXPECT_EQ(test::ReadBytes(destination), QByteArray("old"));
}

TEST(ReplaceItemAtURL, FolderSourceReplacesAFile) {
  const QString f = test::MakeTempFolder();
  Write(f + "/folder/inner/file", "deep");
  Write(f + "/folder/.hidden", "h");
  const QString destination = f + "/destination";
  Write(destination, "old");
  EXPECT_EQ(ReplaceItemAtURL(f + "/folder", destination, false), 1);
  EXPECT_EQ(test::ReadBytes(destination + "/inner/file"), QByteArray("deep"));
  EXPECT_EQ(test::ReadBytes(destination + "/.hidden"), QByteArray("h"));
  EXPECT_TRUE(QFileInfo::exists(f + "/folder/inner/file"));
  // No helper item is left next to the destination.
  EXPECT_EQ(QDir(f).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

}  // namespace
}  // namespace glimbrik
