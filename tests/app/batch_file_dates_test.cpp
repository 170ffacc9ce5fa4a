#include "app/batch_file_dates.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(FileDates, TheModificationBoxAloneDecidesWhetherTheDateIsKept) {
  const QString path = test::MakeTempFolder() + "/s.jpg";
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  const QDateTime old =
      QDateTime::fromString(QStringLiteral("1999-12-31T23:59:58.250Z"), Qt::ISODateWithMs);
  ASSERT_TRUE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));

  for (bool created : {false, true}) {
    for (bool modified : {false, true}) {
      const auto kept = GetFileAttributes(path, created, modified);
      EXPECT_EQ(kept && kept->modificationDate == old, modified) << created << modified;
      EXPECT_FALSE(kept && kept->modificationDate && !modified) << created << modified;
    }
  }
  EXPECT_FALSE(GetFileAttributes(path + ".gone", true, true).has_value());
}

TEST(FileDates, ApplyingNeedsAFileAndKeepsDatesBeforeTheEpoch) {
  const QString path = test::MakeTempFolder() + "/s.jpg";
  const QDateTime old =
      QDateTime::fromString(QStringLiteral("1960-06-01T00:00:00.500Z"), Qt::ISODateWithMs);
  EXPECT_FALSE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));
  {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  ASSERT_TRUE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));
  EXPECT_EQ(QFileInfo(path).lastModified(), old);
}

}  // namespace
}  // namespace glimbrik
