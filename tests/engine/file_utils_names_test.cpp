#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "engine/file_utils.h"
#include "platform/folders.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

void Touch(const QString& path) { ASSERT_TRUE(test::WriteBytes(path, "x")) << path.toStdString(); }

TEST(UniqueFileURL, TakenNamesGetTheNextFreeNumber) {
  const QString f = test::MakeTempFolder();
  const QString png = QStringLiteral("png");
  const QString first = UniqueFileURL(f, QStringLiteral("a"), png, false, 0);
  EXPECT_EQ(first, f + "/a.png");
  Touch(first);
  const QString second = UniqueFileURL(f, QStringLiteral("a"), png, false, 0);
  EXPECT_EQ(second, f + "/a 1.png");
  Touch(second);
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), png, false, 0), f + "/a 2.png");
  // Nothing is created by asking.
  EXPECT_FALSE(QFileInfo::exists(f + "/a 2.png"));
}

TEST(UniqueFileURL, StartNumberSkipsThePlainName) {
  const QString f = test::MakeTempFolder();
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), QStringLiteral("png"), false, 5), f + "/a 5.png");
  Touch(f + "/a 5.png");
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), QStringLiteral("png"), false, 5), f + "/a 6.png");
}

TEST(UniqueFileURL, EmptyExtensionUsesNoDot) {
  const QString f = test::MakeTempFolder();
  Touch(f + "/a");
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), QString(), false, 0), f + "/a 1");
}

TEST(UniqueFileURL, OverwriteRemovesOnlyARegularFile) {
  const QString f = test::MakeTempFolder();
  Touch(f + "/a.png");
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), QStringLiteral("png"), true, 0), f + "/a.png");
  EXPECT_FALSE(QFileInfo::exists(f + "/a.png"));

  // A folder of that name is kept, with its content.
  ASSERT_TRUE(QDir().mkpath(f + "/b.png"));
  Touch(f + "/b.png/inside");
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("b"), QStringLiteral("png"), true, 0), f + "/b 1.png");
  EXPECT_TRUE(QFileInfo::exists(f + "/b.png/inside"));
}

TEST(UniqueFileURL, DanglingLinkCountsAsTaken) {
  const QString f = test::MakeTempFolder();
  ASSERT_TRUE(QFile::link(f + "/nowhere", f + "/a.png"));
  EXPECT_EQ(UniqueFileURL(f, QStringLiteral("a"), QStringLiteral("png"), false, 0), f + "/a 1.png");
}

TEST(UniqueFileURL, ItemNameLosesItsExtension) {
  const QString f = test::MakeTempFolder();
  EXPECT_EQ(
      UniqueFileURLForItem(f, QStringLiteral("/x/photo.raw.jpg"), QStringLiteral("tif"), false),
      f + "/photo.raw.tif");
}

TEST(UniqueFolderURL, SkipsFoldersStopsAtFiles) {
  const QString p = test::MakeTempFolder();
  EXPECT_EQ(UniqueFolderURL(p, QStringLiteral("out"), false), p + "/out");
  ASSERT_TRUE(QDir().mkpath(p + "/out"));
  const QString made = UniqueFolderURL(p, QStringLiteral("out"), true);
  EXPECT_EQ(made, p + "/out 1");
  EXPECT_TRUE(QFileInfo(made).isDir());

  Touch(p + "/plain");
  EXPECT_EQ(UniqueFolderURL(p, QStringLiteral("plain"), false), p + "/plain");
  EXPECT_TRUE(UniqueFolderURL(p, QStringLiteral("plain"), true).isEmpty());
  EXPECT_EQ(UniqueFolderURLForItem(p, QStringLiteral("/x/doc.pdf"), false), p + "/doc");
}

TEST(TemporaryNames, LiveInThePrivateFolderAndAreFresh) {
  const QString a = TemporaryFileURL();
  const QString b = TemporaryFileURL();
  ASSERT_FALSE(a.isEmpty());
  EXPECT_NE(a, b);
  EXPECT_EQ(QFileInfo(a).absolutePath(), PrivateTempFolder());
  EXPECT_FALSE(QFileInfo::exists(a));

  const QString f = test::MakeTempFolder();
  const QString inFolder =
      GetTemporaryURLInDirectory(f, QStringLiteral("pre"), QStringLiteral("tif"));
  EXPECT_EQ(QFileInfo(inFolder).absolutePath(), f);
  EXPECT_TRUE(QFileInfo(inFolder).fileName().startsWith(QStringLiteral("pre")));
  EXPECT_TRUE(inFolder.endsWith(QStringLiteral(".tif")));
  EXPECT_EQ(QFileInfo(GetTemporaryURLInDirectory(QString(), QString(), QString())).absolutePath(),
            PrivateTempFolder());
  const QString prefixed = GetTemporaryURLWithPrefix(QStringLiteral("job"));
  EXPECT_EQ(QFileInfo(prefixed).absolutePath(), PrivateTempFolder());
  EXPECT_TRUE(QFileInfo(prefixed).fileName().startsWith(QStringLiteral("job-")));
}

TEST(TemporaryNames, ReplacementNameIsOnTheItemsFileSystem) {
  const QString item = test::MakeTempFolder() + "/item.pdf";
  Touch(item);
  const QString temp = TemporaryFileURLForURL(item);
  ASSERT_FALSE(temp.isEmpty());
  EXPECT_FALSE(QFileInfo::exists(temp));
  struct stat a {
  }, b{};
  ASSERT_EQ(stat(QFile::encodeName(item).constData(), &a), 0);
  ASSERT_EQ(stat(QFile::encodeName(QFileInfo(temp).absolutePath()).constData(), &b), 0);
  EXPECT_EQ(a.st_dev, b.st_dev);
}

}  // namespace
}  // namespace glimbrik
