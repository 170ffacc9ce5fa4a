#include "app/preview_fit.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

const QSize kMinimum(360, 200);

TEST(PreviewFit, ALargeImageShrinksToTheAvailableHeightAndTheWindowStaysOnIt) {
  const QRect area(0, 0, 1920, 1080);
  const QRect fitted = FitPreviewWindowFrame(area, QRect(100, 100, 570, 595), kMinimum, 1500, 2000);
  EXPECT_EQ(fitted.size(), QSize(1400, 1080));
  EXPECT_TRUE(area.contains(fitted)) << fitted.x() << "," << fitted.y();
  EXPECT_EQ(fitted.x(), 100) << "the left edge is kept while the window fits";
}

TEST(PreviewFit, ASmallImageGetsItsOwnSizeAndKeepsTheTopEdge) {
  // An area below a top panel: the y-up arithmetic must come back to the same edges.
  const QRect area(0, 30, 1920, 1050);
  const QRect fitted = FitPreviewWindowFrame(area, QRect(200, 300, 900, 700), kMinimum, 600, 800);
  EXPECT_EQ(fitted, QRect(200, 300, 820, 645));
  const QRect tiny = FitPreviewWindowFrame(area, fitted, kMinimum, 20, 30);
  EXPECT_EQ(tiny, QRect(200, 300, 360, 200)) << "never below the minimum size";
}

TEST(PreviewFit, OffTheAreaNoScreenOrNoImage) {
  EXPECT_EQ(FitPreviewWindowFrame(QRect(0, 0, 1280, 800), QRect(5000, -400, 570, 595), kMinimum,
                                  600, 800),
            QRect(0, 0, 820, 645))
      << "a window off the area comes back onto it";
  EXPECT_EQ(FitPreviewWindowFrame(QRect(), QRect(10, 20, 400, 300), kMinimum, 600, 800),
            QRect(10, 20, 820, 645));
  EXPECT_EQ(FitPreviewWindowFrame(QRect(0, 0, 800, 600), QRect(10, 20, 400, 300), kMinimum, 0, 80),
            QRect(10, 20, 400, 300));
}

TEST(PreviewFit, DescriptionAndRenumbering) {
  const QString text = PreviewDescription(2, 3, QStringLiteral("x (1).png"), 71.6, 800, 600);
  EXPECT_EQ(text, QStringLiteral("2 of 3 (x (1).png @ 72 dpi, 800 x 600 pixels)"));
  EXPECT_EQ(RenumberedPreviewDescription(text, 1, 12),
            QStringLiteral("1 of 12 (x (1).png @ 72 dpi, 800 x 600 pixels)"));
  EXPECT_EQ(RenumberedPreviewDescription(QStringLiteral("none"), 1, 2), QStringLiteral("none"));
}

}  // namespace
}  // namespace glimbrik
