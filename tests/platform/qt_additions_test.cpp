#include "platform/qt_additions.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

TEST(QtAdditions, LinksEscapeTheirText) {
  const QString link = hyperlinkFromString(QStringLiteral("a<b"),
                                           QUrl(QStringLiteral("https://x.example/?q=1&r=2")));
  EXPECT_TRUE(link.contains(QStringLiteral(">a&lt;b</a>")));
  EXPECT_TRUE(link.contains(QStringLiteral("href=\"https://x.example/?q=1&amp;r=2\"")));
  EXPECT_TRUE(link.contains(QStringLiteral("underline")));
}

}  // namespace
}  // namespace glimbrik
