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

TEST(ReplaceItemAtURL, CopiesMovesOrPutsAFolderOverTheDestination) {
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

  // A folder source replaces a file; no helper item is left next to the destination.
  Write(f + "/folder/inner/file", "deep");
  Write(f + "/folder/.hidden", "h");
  EXPECT_EQ(ReplaceItemAtURL(f + "/folder", destination, false), 1);
  EXPECT_EQ(test::ReadBytes(destination + "/inner/file"), QByteArray("deep"));
  EXPECT_EQ(test::ReadBytes(destination + "/.hidden"), QByteArray("h"));
  EXPECT_TRUE(QFileInfo::exists(f + "/folder/inner/file"));
  EXPECT_EQ(QDir(f).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
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

}  // namespace
}  // namespace glimbrik
