#include "app/image_view.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QTest>

#include "app_fixtures.h"

namespace glimbrik {
namespace {

TEST(SelectedImageView, DecodesAboutTheShownSizeAndAgainWhenItGrows) {
  const QString path = test::MakeTempFolder(QStringLiteral("view")) + "/big.jpg";
  test::WriteJpeg(path, 2400, 1600);
  QVXImageView view;
  view.resize(300, 200);
  view.show();
  QImage thumbnail(24, 16, QImage::Format_RGB32);
  thumbnail.fill(Qt::gray);
  view.setEntryImage(path, thumbnail, QSize(2400, 1600), 0, 0);
  EXPECT_EQ(view.currentImage().size(), QSize(24, 16)) << "the thumbnail stands in at once";
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.hasDecodedImage(); }, 30000));
  const QSize first = view.currentImage().size();
  EXPECT_GE(first.width(), 300);
  EXPECT_LT(first.width(), 2400) << "a large photo is never decoded whole for a small view";

  view.resize(1500, 1000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.currentImage().width() >= 1500; }, 30000));
  EXPECT_EQ(view.displayedSize(), QSize(2400, 1600));
  view.setEntryImage(path, thumbnail, QSize(2400, 1600), 0, 270);
  EXPECT_EQ(view.displayedSize(), QSize(1600, 2400));
  EXPECT_GE(view.currentImage().width(), 1500) << "a turn alone decodes nothing again";
}

}  // namespace
}  // namespace glimbrik
