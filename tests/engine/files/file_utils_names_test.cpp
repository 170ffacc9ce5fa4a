#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>

#include "engine/files/file_utils.h"
#include "platform/store/folders.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

void Touch(const QString& path) { ASSERT_TRUE(test::WriteBytes(path, "x")) << path.toStdString(); }

TEST(UniqueFileURL, TakenNamesGetTheNextFreeNumber) {
  const QString f = test::MakeTempFolder();
  const auto unique = [&](const QString& name, const QString& extension, int start = 0) {
    return UniqueFileURL(f, name, extension, false, start);
  };
  EXPECT_EQ(unique("a", "png"), f + "/a.png");
  Touch(f + "/a.png");
  EXPECT_EQ(unique("a", "png"), f + "/a 1.png");
  Touch(f + "/a 1.png");
  EXPECT_EQ(unique("a", "png"), f + "/a 2.png");
  EXPECT_FALSE(QFileInfo::exists(f + "/a 2.png")) << "nothing is created by asking";
  // A start number skips the plain name.
  Touch(f + "/a 5.png");
  EXPECT_EQ(unique("a", "png", 5), f + "/a 6.png");
  // No extension, no dot.
  Touch(f + "/b");
  EXPECT_EQ(unique("b", QString()), f + "/b 1");
  // A dangling link is taken too.
  ASSERT_TRUE(QFile::link(f + "/nowhere", f + "/c.png"));
  EXPECT_EQ(unique("c", "png"), f + "/c 1.png");
  EXPECT_EQ(UniqueFileURLForItem(f, "/x/photo.raw.jpg", "tif", false), f + "/photo.raw.tif");
}

TEST(UniqueFileURL, OverwriteRemovesOnlyARegularFile) {
  const QString f = test::MakeTempFolder();
  Touch(f + "/a.png");
  EXPECT_EQ(UniqueFileURL(f, "a", "png", true, 0), f + "/a.png");
  EXPECT_FALSE(QFileInfo::exists(f + "/a.png"));

  // A folder of that name is kept, with its content.
  ASSERT_TRUE(QDir().mkpath(f + "/b.png"));
  Touch(f + "/b.png/inside");
  EXPECT_EQ(UniqueFileURL(f, "b", "png", true, 0), f + "/b 1.png");
  EXPECT_TRUE(QFileInfo::exists(f + "/b.png/inside"));
}

// Renaming by temporary file and replacing only works within one file system.
// The shared-memory file system, where there is one, stands for another volume than the test's.
TEST(TemporaryNames, ReplacementNameIsOnTheItemsFileSystem) {
  QTemporaryDir otherVolume(QStringLiteral("/dev/shm/glimbrik-test-XXXXXX"));
  QStringList folders{test::MakeTempFolder()};
  if (otherVolume.isValid()) folders << otherVolume.path();
  for (const QString& folder : folders) {
    const QString item = folder + "/item.pdf";
    Touch(item);
    const QString temp = TemporaryFileURLForURL(item);
    ASSERT_FALSE(temp.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(temp));
    struct stat a {
    }, b{};
    ASSERT_EQ(stat(QFile::encodeName(item).constData(), &a), 0);
    ASSERT_EQ(stat(QFile::encodeName(QFileInfo(temp).absolutePath()).constData(), &b), 0);
    EXPECT_EQ(a.st_dev, b.st_dev) << folder.toStdString();
    EXPECT_NE(TemporaryFileURLForURL(item), temp);
  }
}

TEST(TemporaryNames, LiveInTheGivenOrThePrivateFolder) {
  // Two jobs under way at once must never be handed one name.
  const QString a = TemporaryFileURL(), b = TemporaryFileURL();
  EXPECT_NE(a, b);
  EXPECT_EQ(QFileInfo(a).absolutePath(), PrivateTempFolder());
  EXPECT_FALSE(QFileInfo::exists(a));
  const QString f = test::MakeTempFolder();
  const QString inFolder = GetTemporaryURLInDirectory(f, "pre", "tif");
  EXPECT_EQ(QFileInfo(inFolder).absolutePath(), f);
  EXPECT_TRUE(QFileInfo(inFolder).fileName().startsWith("pre"));
  EXPECT_TRUE(inFolder.endsWith(".tif"));
  EXPECT_EQ(QFileInfo(GetTemporaryURLInDirectory(QString(), QString(), QString())).absolutePath(),
            PrivateTempFolder());
}

TEST(FinderCompare, SortsNumbersByValueAndOrdersDistinctTextsOneWay) {
  const QLocale en(QLocale::English);
  QStringList names{"img10.jpg", "IMG1.jpg", "img2.jpg"};
  std::sort(names.begin(), names.end(),
            [&](const QString& a, const QString& b) { return FinderCompare(a, b, en) < 0; });
  EXPECT_EQ(names, (QStringList{"IMG1.jpg", "img2.jpg", "img10.jpg"}));

  const QString pairs[][2] = {{"a", "A"}, {"img2", "img02"}, {"ｉｍｇ", "img"}, {"e", "é"}};
  for (const auto& pair : pairs) {
    const int forward = FinderCompare(pair[0], pair[1], en);
    EXPECT_NE(forward, 0) << pair[0].toStdString();
    EXPECT_EQ(FinderCompare(pair[1], pair[0], en), -forward) << pair[0].toStdString();
  }
  EXPECT_EQ(FinderCompare("same", "same", en), 0);
  // Case and width only break ties: they never move a name past a different one.
  EXPECT_LT(FinderCompare("B", "c", en), 0);
  EXPECT_LT(FinderCompare("ｂ", "c", en), 0);
  EXPECT_LT(FinderCompare("resume", "résumé", en), 0) << "accents are not ignored";
}

}  // namespace
}  // namespace glimbrik
