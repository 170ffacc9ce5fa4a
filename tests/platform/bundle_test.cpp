#include "platform/bundle.h"

#include <gtest/gtest.h>

#include <QFile>

namespace glimbrik {
namespace {

TEST(Bundle, FindsCompiledInResourcesByNameAndType) {
  const QString credits = BundleResourcePath(QStringLiteral("Credits"), QStringLiteral("txt"));
  ASSERT_FALSE(credits.isEmpty());
  QFile file(credits);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().contains("Glimbrik"));
  EXPECT_TRUE(
      BundleResourcePath(QStringLiteral("NoSuchResource"), QStringLiteral("txt")).isEmpty());
}

}  // namespace
}  // namespace glimbrik
