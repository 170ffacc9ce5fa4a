#include "platform/system/qt_additions.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

TEST(QtAdditions, FileURLsOfOnePathAreEqualAndLinksEscapeTheirText) {
  EXPECT_TRUE(isEqualToURL(QUrl::fromLocalFile(QStringLiteral("/tmp/a/../b")),
                           QUrl(QStringLiteral("file:///tmp/b"))));
  EXPECT_TRUE(
      isEqualToURL(QUrl(QStringLiteral("file:///tmp/b/")).resolved(QUrl(QStringLiteral("c"))),
                   QUrl::fromLocalFile(QStringLiteral("/tmp/b/c"))));
  EXPECT_FALSE(isEqualToURL(QUrl::fromLocalFile(QStringLiteral("/tmp/b")),
                            QUrl(QStringLiteral("https://example.org/tmp/b"))));
  EXPECT_FALSE(isEqualToURL(QUrl::fromLocalFile(QStringLiteral("/tmp/b")),
                            QUrl::fromLocalFile(QStringLiteral("/tmp/c"))));
  // A folder named with its closing slash is the same folder; other schemes compare normalised.
  EXPECT_TRUE(isEqualToURL(QUrl(QStringLiteral("file:///tmp/b/")),
                           QUrl::fromLocalFile(QStringLiteral("/tmp/b"))));
  EXPECT_TRUE(isEqualToURL(QUrl(QStringLiteral("https://example.org/a/../b")),
                           QUrl(QStringLiteral("https://example.org/b"))));
  const QString link = hyperlinkFromString(QStringLiteral("a<b"),
                                           QUrl(QStringLiteral("https://x.example/?q=1&r=2")));
  EXPECT_TRUE(link.contains(QStringLiteral(">a&lt;b</a>")));
  EXPECT_TRUE(link.contains(QStringLiteral("href=\"https://x.example/?q=1&amp;r=2\"")));
  EXPECT_TRUE(link.contains(QStringLiteral("underline")));
}

}  // namespace
}  // namespace glimbrik
