#include "app/batch_file_dates.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "support/test_env.h"

namespace glimbrik {
namespace {

// A date before the epoch, so that a signed time going wrong would show.
TEST(FileDates, TheModificationBoxAloneDecidesWhetherTheDateIsKept) {
  const QString path = test::MakeTempFolder() + "/s.jpg";
  const QDateTime old =
      QDateTime::fromString(QStringLiteral("1960-06-01T00:00:00.500Z"), Qt::ISODateWithMs);
  EXPECT_FALSE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old})) << "no file yet";
  ASSERT_TRUE(test::WriteBytes(path, {}));
  ASSERT_TRUE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));
  ASSERT_EQ(QFileInfo(path).lastModified(), old);

  for (bool created : {false, true}) {
    for (bool modified : {false, true}) {
      const auto kept = GetFileAttributes(path, created, modified);
      EXPECT_EQ(kept && kept->modificationDate == old, modified) << created << modified;
      EXPECT_FALSE(kept && kept->modificationDate && !modified) << created << modified;
    }
  }
  EXPECT_FALSE(GetFileAttributes(path + ".gone", true, true).has_value());
}

}  // namespace
}  // namespace glimbrik
