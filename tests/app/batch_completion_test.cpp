#include "app/batch_completion.h"

#include <gtest/gtest.h>

#include "app/batch_host.h"

namespace glimbrik {
namespace {

TEST(CompletionAlert, TextsFollowTheStatusBits) {
  const CompletionAlertTexts one = CompletionAlertTextsFor(kStatusWritten, 1);
  EXPECT_EQ(one.title, QStringLiteral("1 image exported successfully"));
  EXPECT_TRUE(one.message.isEmpty());
  EXPECT_TRUE(one.offerOpenDestination);

  const CompletionAlertTexts mixed = CompletionAlertTextsFor(kStatusWritten | kStatusFailed, 3);
  EXPECT_EQ(mixed.title, QStringLiteral("3 images processed, not all of them exported"));
  EXPECT_TRUE(mixed.message.startsWith(QStringLiteral("Some images could not be exported.")));

  const CompletionAlertTexts small =
      CompletionAlertTextsFor(kStatusWritten | kStatusNotEnlarged, 2);
  EXPECT_TRUE(small.message.startsWith(QStringLiteral("Some images are smaller")))
      << "no blank before the only message";
  const CompletionAlertTexts both =
      CompletionAlertTextsFor(kStatusWritten | kStatusFailed | kStatusNotEnlarged, 2);
  EXPECT_TRUE(both.message.contains(QStringLiteral("written. Some images are smaller")));

  const CompletionAlertTexts allFailed = CompletionAlertTextsFor(kStatusFailed, 4);
  EXPECT_EQ(allFailed.title, QStringLiteral("Export failed"));
  EXPECT_FALSE(allFailed.offerOpenDestination);
  EXPECT_TRUE(allFailed.message.startsWith(QStringLiteral("Some images")));
  EXPECT_TRUE(
      CompletionAlertTextsFor(kStatusFailed, 1).message.startsWith(QStringLiteral("The image")));
}

}  // namespace
}  // namespace glimbrik
