#include "optimise/file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "image_fixtures.h"
#include "platform/folders.h"
#include "platform/localization.h"
#include "platform/user_defaults.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QString MakeFile(const QByteArray& data, const QString& name = QStringLiteral("x.gif")) {
  const QString path = test::MakeTempFolder() + QLatin1Char('/') + name;
  EXPECT_TRUE(test::WriteBytes(path, data));
  return path;
}

TEST(FileSizes, ByteSizeRules) {
  File job;
  job.setByteSize(10);  // below 11 is never taken
  EXPECT_EQ(job.byteSize(), 0u);
  job.setByteSize(5000);
  EXPECT_EQ(job.byteSize(), 5000u);
  EXPECT_EQ(job.byteSizeOptimized(), 5000u);
  job.setByteSize(4000);  // only the first size counts
  EXPECT_EQ(job.byteSize(), 5000u);

  job.setByteSizeOptimized(30);  // below 31 is never taken
  EXPECT_EQ(job.byteSizeOptimized(), 5000u);
  job.setByteSizeOptimized(6000);  // never grows
  EXPECT_EQ(job.byteSizeOptimized(), 5000u);
  job.setByteSizeOptimized(1250);
  EXPECT_EQ(job.byteSizeOptimized(), 1250u);
  EXPECT_DOUBLE_EQ(job.percentOptimized(), 75.0);
  EXPECT_TRUE(job.isOptimized());
}

TEST(FileSizes, PercentWithoutAMeasuredSizeIsZero) {
  File job(MakeFile(QByteArray(500, 'a')));  // the synchronous road measures only the result
  EXPECT_EQ(job.byteSize(), 0u);
  EXPECT_EQ(job.byteSizeOptimized(), 500u);
  EXPECT_DOUBLE_EQ(job.percentOptimized(), 0.0);
}

TEST(FileResults, OnlyAStrictlySmallerResultReplacesTheBestAndTheOldOneIsDeleted) {
  auto job = std::make_shared<File>(MakeFile(QByteArray(1000, 'a')));
  const QString first = MakeFile(QByteArray(800, 'b'), QStringLiteral("r1"));
  const QString same = MakeFile(QByteArray(800, 'c'), QStringLiteral("r2"));
  const QString smaller = MakeFile(QByteArray(700, 'd'), QStringLiteral("r3"));
  const QString tiny = MakeFile(QByteArray(30, 'e'), QStringLiteral("r4"));
  EXPECT_TRUE(job->setFilePathOptimized(first, 800, QStringLiteral("One")));
  EXPECT_FALSE(job->setFilePathOptimized(same, 800, QStringLiteral("Two")));
  EXPECT_EQ(job->bestToolName(), QStringLiteral("One"));
  EXPECT_TRUE(QFile::exists(first));
  EXPECT_FALSE(job->setFilePathOptimized(tiny, 30, QStringLiteral("Tiny")));
  EXPECT_EQ(job->filePathOptimized(), first);
  EXPECT_TRUE(job->setFilePathOptimized(smaller, 700, QStringLiteral("Three")));
  EXPECT_FALSE(QFile::exists(first));
  EXPECT_EQ(job->byteSizeOptimized(), 700u);

  job->cleanup();
  EXPECT_FALSE(QFile::exists(smaller));
  EXPECT_TRUE(job->filePath().isEmpty());
}

TEST(FileType, SignaturesAndShortData) {
  EXPECT_EQ(File::fileType(QByteArray("\x89PNG\r\n\x1a\n", 8)), 1);
  EXPECT_EQ(File::fileType(QByteArray("\xFF\xD8\xFF\xE0", 4)), 2);
  EXPECT_EQ(File::fileType(QByteArray("\xFF\xD8\xFF", 3)), 2);
  EXPECT_EQ(File::fileType(QByteArray("GIF89a")), 3);
  EXPECT_EQ(File::fileType(QByteArray("GIF8")), 3);
  EXPECT_EQ(File::fileType(QByteArray("BM")), 0);
  EXPECT_EQ(File::fileType(QByteArray("\x89PNG\r", 5)), 0);
  EXPECT_EQ(File::fileType(QByteArray("GIF")), 0);
  EXPECT_EQ(File::fileType(QByteArray("\xFF\xD8", 2)), 0);
  EXPECT_EQ(File::fileType(QByteArray()), 0);
}

class FileSave : public ::testing::Test {
 protected:
  void SetUp() override {
    original_ = QByteArray(1000, 'o');
    path_ = MakeFile(original_);
    job_ = std::make_shared<File>(path_);
    job_->setByteSize(1000);
  }
  void TearDown() override {
    RemoveUserDefault(QStringLiteral("PreservePermissions"));
    RemoveUserDefault(QStringLiteral("BackupFiles"));
  }
  // A tool's result of the given size, offered to the job.
  QString Offer(int size) {
    const QString temp = NewTemporaryPath(QStringLiteral("temp"));
    EXPECT_TRUE(test::WriteBytes(temp, QByteArray(size, 'n')));
    EXPECT_TRUE(job_->setFilePathOptimized(temp, size, QStringLiteral("Tool")));
    return temp;
  }

  QByteArray original_;
  QString path_;
  std::shared_ptr<File> job_;
};

TEST_F(FileSave, NoResultIsNotSaved) { EXPECT_FALSE(job_->saveResult()); }

TEST_F(FileSave, PreservedPermissionsRefuseAResultOfThirtyFourBytes) {
  SetUserDefault(QStringLiteral("PreservePermissions"), true);
  Offer(34);
  job_->saveResultAndUpdateStatus();
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_EQ(job_->statusImageName(), QStringLiteral("err"));
  EXPECT_EQ(job_->statusOrder(), 9);
  EXPECT_EQ(job_->statusText(), LocalizedString("Optimized file could not be saved"));
  EXPECT_FALSE(job_->isDone());
}

TEST_F(FileSave, ResultThatChangedSinceItWasMeasuredIsRefused) {
  const QString temp = Offer(600);
  ASSERT_TRUE(test::WriteBytes(temp, QByteArray(10, 'x')));  // truncated behind the job's back
  EXPECT_FALSE(job_->saveResult());
  EXPECT_EQ(test::ReadBytes(path_), original_);
}

TEST_F(FileSave, BackupReplacesAnOldBackupAndHoldsTheOriginal) {
  SetUserDefault(QStringLiteral("BackupFiles"), true);
  SetUserDefault(QStringLiteral("PreservePermissions"), true);
  ASSERT_TRUE(test::WriteBytes(path_ + QLatin1Char('~'), QByteArray("stale backup")));
  ASSERT_TRUE(QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner));
  const QString temp = Offer(600);
  job_->saveResultAndUpdateStatus();
  EXPECT_TRUE(job_->isDone());
  EXPECT_EQ(job_->statusText(), LocalizedString("Optimized successfully with %@").arg("Tool"));
  EXPECT_FALSE(QFile::exists(temp));
  EXPECT_EQ(test::ReadBytes(path_ + QLatin1Char('~')), original_);
  EXPECT_EQ(test::ReadBytes(path_), QByteArray(600, 'n'));
  EXPECT_EQ(QFileInfo(path_).permissions() & 0x0777, QFile::Permissions(0x0600));
}

TEST_F(FileSave, MissingFolderLeavesNothingBehindAndReportsTheFailure) {
  const QString temp = Offer(600);
  job_->setFilePath(path_ + ".gone/inner.gif");
  job_->saveResultAndUpdateStatus();
  EXPECT_EQ(job_->statusOrder(), 9);
  EXPECT_EQ(test::ReadBytes(path_), original_);
  EXPECT_TRUE(QFile::exists(temp));  // still the job's, removed by cleanup
  job_->cleanup();
  EXPECT_FALSE(QFile::exists(temp));
}

}  // namespace
}  // namespace glimbrik
