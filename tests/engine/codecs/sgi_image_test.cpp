#include "engine/codecs/sgi_image.h"

#include <gtest/gtest.h>

#include <QFile>

#include "engine/codec_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(SGIImage, HeaderThenPlanarDataBottomRowFirstOverBlack) {
  QImage image(2, 2, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(0, 0, 255));
  image.setPixel(0, 1, qRgb(0, 255, 0));
  image.setPixel(1, 1, qRgba(200, 100, 50, 0));  // drawn over black
  const SGIImage sgi(image);
  ASSERT_EQ(sgi.width(), 2u);
  ASSERT_EQ(sgi.height(), 2u);
  const QString path = test::MakeTempFolder() + "/four.sgi";
  ASSERT_TRUE(sgi.writeToURL(path));

  const QByteArray file = test::ReadBytes(path);
  ASSERT_EQ(file.size(), 512 + 4 * 4);
  // Magic 474, uncompressed, 1 byte per channel, 3 dimensions, 2 x 2 x 4, 0..255.
  const QByteArray header = QByteArray::fromHex("01DA0001000300020002000400000000000000FF00000000");
  EXPECT_EQ(file.left(header.size()), header);
  EXPECT_EQ(file.mid(24, 8), QByteArray("No Name\0", 8));
  EXPECT_EQ(file.mid(32, 512 - 32), QByteArray(512 - 32, '\0'));  // rest of the name, map, reserved
  // One plane a channel, the bottom row first; the fourth channel opaque.
  EXPECT_EQ(file.mid(512), QByteArray::fromHex("0000FF00"
                                               "FF000000"
                                               "000000FF"
                                               "FFFFFFFF"));
}

TEST(SGIImage, RefusesWhatItCannotDescribe) {
  const QString folder = test::MakeTempFolder();
  SGIImage empty;
  EXPECT_FALSE(empty.writeToURL(folder + "/empty.sgi"));
  EXPECT_FALSE(empty.loadCGImage(QImage()));
  EXPECT_FALSE(QFile::exists(folder + "/empty.sgi"));

  QImage wide(65536, 1, QImage::Format_RGB32);
  ASSERT_FALSE(wide.isNull());
  wide.fill(Qt::white);
  SGIImage sgi;
  EXPECT_FALSE(sgi.loadCGImage(wide));
  EXPECT_FALSE(sgi.writeToURL(folder + "/wide.sgi"));
  EXPECT_FALSE(QFile::exists(folder + "/wide.sgi"));

  QImage small(2, 2, QImage::Format_RGB32);
  small.fill(Qt::gray);
  EXPECT_FALSE(SGIImage(small).writeToURL(folder + "/no/such/folder/x.sgi"));
}

}  // namespace
}  // namespace glimbrik
