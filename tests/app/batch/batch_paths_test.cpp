#include "app/batch/batch_paths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "support/test_env.h"

namespace glimbrik {
namespace {

void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(DestinationFolder, MirrorsOnlyATrueSubPathOfTheAddedFolder) {
  const QString t = test::MakeTempFolder();
  const QString dest = t + "/dest";
  QDir().mkpath(dest);
  Touch(t + "/A/B/C/D/x.jpg");
  Touch(t + "/A/B/y.jpg");
  Touch(t + "/A/BB/z.jpg");

  const QString mirrored = GetDestinationFolderURL(t + "/A/B/C/D/x.jpg", dest, t + "/A/B", true);
  EXPECT_EQ(mirrored, dest + "/C/D");
  EXPECT_TRUE(QFileInfo(dest + "/C/D").isDir());

  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/y.jpg", dest, t + "/A/B", true), dest);
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/BB/z.jpg", dest, t + "/A/B", true), dest)
      << "a folder that only shares a prefix is not below the added one";
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/D/x.jpg", dest, t + "/A/B", false), dest);
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/D/x.jpg", dest, QString(), true), dest);
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/D/x.jpg", dest, t + "/A/B/../B/C/..", true),
            dest + "/C/D");
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/D/x.jpg", dest, t + "/gone", true), dest);
}

TEST(DestinationFolder, FollowsLinksAndFallsBackWhenTheFolderCannotBeMade) {
  const QString t = test::MakeTempFolder();
  const QString dest = t + "/dest";
  QDir().mkpath(dest);
  Touch(t + "/A/B/C/x.jpg");
  ASSERT_TRUE(QFile::link(t + "/A/B", t + "/linked"));
  EXPECT_EQ(GetDestinationFolderURL(t + "/linked/C/x.jpg", dest, t + "/linked", true), dest + "/C");
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/x.jpg", dest, t + "/linked", true), dest + "/C");

  const QString blocked = t + "/blocked";
  QDir().mkpath(blocked);
  Touch(blocked + "/C");  // a file where the folder should go
  EXPECT_EQ(GetDestinationFolderURL(t + "/A/B/C/x.jpg", blocked, t + "/A/B", true), blocked);
}

TEST(FileNames, TokenNamesAreMadeSafe) {
  EXPECT_EQ(SanitizeFileName(QStringLiteral("a\nb\tc\x7f"
                                            "d")),
            QStringLiteral("abcd"));
  EXPECT_EQ(SanitizeFileName(QString(QChar(0x85)) + "x"), QStringLiteral("x"));
  EXPECT_EQ(SanitizeFileName(QStringLiteral("IMG_1 ")), QStringLiteral("IMG_1 "));
}

TEST(FileNames, CutsOnCharacterBoundaries) {
  const QString e = QString::fromUtf8("\xc3\xa9");  // two bytes
  EXPECT_EQ(CutToByteLength(e.repeated(10), 5), e.repeated(2));
  const QString flag = QString::fromUtf8("\xf0\x9f\x87\xab\xf0\x9f\x87\xb7");  // one grapheme
  EXPECT_EQ(CutToByteLength("ab" + flag, 9), QStringLiteral("ab"));
  EXPECT_EQ(CutToByteLength("ab" + flag, 10), "ab" + flag);
  const QString accented = QString::fromUtf8("e\xcc\x81");  // e + combining acute
  EXPECT_EQ(CutToByteLength("x" + accented, 2), QStringLiteral("x"));
}

TEST(DestinationFile, KeepsATrailingBlankAndTakesTheSourceNameForNoName) {
  const QString t = test::MakeTempFolder();
  const QString source = t + "/src/x.png";
  const QString jpg = QStringLiteral("jpg");
  EXPECT_EQ(GetDestinationFileURL(source, t, QStringLiteral("IMG_1 "), jpg, false),
            t + "/IMG_1 .jpg");
  for (const char* bad : {"", ".", ".."}) {
    EXPECT_EQ(GetDestinationFileURL(source, t, QString::fromLatin1(bad), jpg, true), t + "/x.jpg")
        << bad;
  }
}

TEST(DestinationFile, LongNamesFitTheFileSystem) {
  const QString t = test::MakeTempFolder();
  const qsizetype limit = FileNameLimit(t);
  const QString e = QString::fromUtf8("\xc3\xa9");
  const QString longName = e.repeated(200);  // 400 bytes
  const QString path = GetDestinationFileURL(t + "/s.png", t, longName, "jpeg", false);
  const QString name = QFileInfo(path).fileName();
  EXPECT_LE(name.toUtf8().size(), limit);
  EXPECT_TRUE(name.endsWith(".jpeg"));
  EXPECT_TRUE(name.startsWith(e.repeated(100)));
  Touch(path);
  // The number that keeps a second file apart still fits.
  const QString second = GetDestinationFileURL(t + "/s.png", t, longName, "jpeg", false);
  EXPECT_NE(second, path);
  Touch(second);
}

}  // namespace
}  // namespace glimbrik
