#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "engine/files/file_utils.h"
#include "support/file_size_limit.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QByteArray Encode(const QString& path) { return QFile::encodeName(path); }

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  ASSERT_TRUE(test::WriteBytes(path, bytes));
}

mode_t ModeOf(const QString& path) {
  struct stat st {};
  stat(Encode(path).constData(), &st);
  return st.st_mode & 07777;
}

TEST(FileIo, WriteAndCopyOfSeveralChunksAreExactAndFailedWritesAreReported) {
  const QString folder = test::MakeTempFolder();
  const QString source = folder + "/big";
  QByteArray bytes(2 * kCopyChunkBytes + 5000000, '\0');
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 7 + i / 65536) & 0xff);
  ASSERT_EQ(writeFile(Encode(source).constData(), bytes.constData(), size_t(bytes.size())), 0);
  EXPECT_EQ(ModeOf(source), 0600u);
  EXPECT_TRUE(Contents(source) == bytes);
  const QString copy = folder + "/copy";
  ASSERT_EQ(copyFile(Encode(source).constData(), Encode(copy).constData()), 0);
  EXPECT_TRUE(Contents(copy) == bytes);
  EXPECT_EQ(ModeOf(copy), 0600u);

  EXPECT_NE(writeFile(Encode(folder).constData(), "x", 1), 0);
  // A write that the device refuses is a failure, not a success.
  if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
    EXPECT_NE(writeFile("/dev/full", "x", 1), 0);
  }
}

TEST(FileIo, CopyAndReplaceKeepAnExistingDestinationOnFailure) {
  const QString folder = test::MakeTempFolder();
  const QString destination = folder + "/dest";
  ASSERT_EQ(writeFile(Encode(destination).constData(), "old", 3), 0);
  ASSERT_EQ(chmod(Encode(destination).constData(), 0644), 0);

  EXPECT_EQ(copyFile(Encode(folder + "/missing").constData(), Encode(destination).constData()),
            ENOENT);
  EXPECT_EQ(ReplaceItemAtURL(folder + "/missing", destination, false), 0);
  EXPECT_EQ(Contents(destination), QByteArray("old"));

  const QString big = folder + "/big";
  const QByteArray bytes(256 * 1024, 'b');
  ASSERT_EQ(writeFile(Encode(big).constData(), bytes.constData(), size_t(bytes.size())), 0);
  int result = 0;
  int replaced = 1;
  {
    test::FileSizeLimit limit(64 * 1024);
    result = copyFile(Encode(big).constData(), Encode(destination).constData());
    replaced = ReplaceItemAtURL(big, destination, false);
  }
  EXPECT_NE(result, 0);
  EXPECT_EQ(replaced, 0);
  EXPECT_EQ(Contents(destination), QByteArray("old"));
  // No half-written sibling is left behind.
  EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
            2);

  // A successful copy replaces the content and keeps the destination's permissions.
  ASSERT_EQ(copyFile(Encode(big).constData(), Encode(destination).constData()), 0);
  EXPECT_TRUE(Contents(destination) == bytes);
  EXPECT_EQ(ModeOf(destination), 0644u);

  const QString empty = folder + "/empty";
  ASSERT_EQ(writeFile(Encode(empty).constData(), "", 0), 0);
  ASSERT_EQ(copyFile(Encode(empty).constData(), Encode(destination).constData()), 0);
  EXPECT_TRUE(Contents(destination).isEmpty());
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

}  // namespace
}  // namespace glimbrik
