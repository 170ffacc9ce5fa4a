#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QTest>

#include "app/list/list_entity.h"
#include "app/window/image_view.h"
#include "platform/image_fixtures.h"
#include "support/camera_fixtures.h"

namespace glimbrik {
namespace {

ImageEntityPtr Loaded(const QString& path) {
  auto entity = ListViewBaseCellImageEntity::entityForURL(path, QString(), QString());
  entity->loadImageDirectly();
  return entity;
}

// The selected-image view's own decode of the file, once it is done.
QImage ShownInView(const QString& path, QSize pixelSize) {
  QVXImageView view;
  view.resize(200, 200);
  view.show();
  view.setEntryImage(path, QImage(), pixelSize, 0, 0);
  if (!QTest::qWaitFor([&] { return view.hasDecodedImage(); }, 30000)) return QImage();
  return view.currentImage();
}

// Both kinds are turned by their own decoders, never again by an EXIF orientation.
TEST(ListEntityFacts, RawAndHeifEntriesShowUprightThumbnailsAndTheirSize) {
  const QString folder = test::MakeTempFolder("entity");
  test::DngOptions options;
  options.width = 240;
  options.height = 160;
  options.orientation = 6;
  options.dpi = 300;
  options.scene = [](int x, int y) { return test::CornerScene(240, 160, x, y); };
  ASSERT_TRUE(test::WriteBytes(folder + "/turned.nef", test::MakeDng(options)));
  const ImageEntityPtr raw = Loaded(folder + "/turned.nef");
  EXPECT_EQ(raw->GetImageKind(), QStringLiteral("Nikon raw image"));
  EXPECT_EQ(raw->facts().imageWidth, 160.0);
  EXPECT_EQ(raw->facts().imageHeight, 240.0);
  EXPECT_EQ(raw->GetResolution(), 300.0) << "as the raw file states";
  const QImage rawThumbnail = raw->facts().thumbnailImage;
  ASSERT_EQ(rawThumbnail.size(), QSize(69, 104));
  EXPECT_FALSE(raw->facts().thumbnailIsTemplate);
  // The stored top left, warm, stands at the top right once turned a quarter clockwise.
  const QColor warm = rawThumbnail.pixelColor(62, 6);
  const QColor cool = rawThumbnail.pixelColor(6, 6);
  EXPECT_GT(warm.red(), 200);
  EXPECT_LT(cool.red(), 150);
  const QImage rawShown = ShownInView(folder + "/turned.nef", QSize(160, 240));
  ASSERT_EQ(rawShown.size(), QSize(160, 240));
  EXPECT_GT(rawShown.pixelColor(150, 10).red(), 200);
  EXPECT_LT(rawShown.pixelColor(10, 10).red(), 150);

  bool ok = false;
  test::RunTool("convert", {"-size", "160x120", "xc:orange", folder + "/photo.jpg"}, &ok);
  ASSERT_TRUE(ok);
  test::RunTool("exiftool", {"-q", "-overwrite_original", "-Orientation#=6", folder + "/photo.jpg"},
                &ok);
  ASSERT_TRUE(ok);
  test::RunTool("heif-enc", {"-q", "90", folder + "/photo.jpg", "-o", folder + "/photo.heic"}, &ok);
  ASSERT_TRUE(ok);
  const ImageEntityPtr heif = Loaded(folder + "/photo.heic");
  EXPECT_EQ(heif->GetImageKind(), QStringLiteral("HEIF image"));
  EXPECT_EQ(heif->facts().imageWidth, 160.0);
  EXPECT_EQ(heif->facts().imageHeight, 120.0);
  EXPECT_EQ(heif->facts().thumbnailImage.size(), QSize(104, 78));
  EXPECT_EQ(heif->facts().imageColorModel, QStringLiteral("RGB"));
  EXPECT_EQ(ShownInView(folder + "/photo.heic", QSize(160, 120)).size(), QSize(160, 120));
}

}  // namespace
}  // namespace glimbrik
