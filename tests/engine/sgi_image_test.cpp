#include "engine/sgi_image.h"

#include <gtest/gtest.h>

#include <QFile>

#include "engine/codec_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

uint8_t At(const QByteArray& bytes, qsizetype i) { return static_cast<uint8_t>(bytes[i]); }

TEST(SGIImage, TwoPixelsGiveTheHeaderAndPlanarData) {
  QImage image(2, 1, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));
  image.setPixel(1, 0, qRgb(0, 0, 255));
  const SGIImage sgi(image);
  ASSERT_EQ(sgi.width(), 2u);
  ASSERT_EQ(sgi.height(), 1u);
  const QString path = test::MakeTempFolder() + "/two.sgi";
  ASSERT_TRUE(sgi.writeToURL(path));

  const QByteArray file = test::ReadBytes(path);
  ASSERT_EQ(file.size(), 520);
  const QByteArray header = QByteArray::fromHex(
      "01DA"  // magic 474
      "00"
      "01"    // uncompressed, 1 byte per channel
      "0003"  // dimension
      "0002"
      "0001"
      "0004"
      "00000000"
      "000000FF"
      "00000000");
  EXPECT_EQ(file.left(header.size()), header);
  EXPECT_EQ(file.mid(24, 8), QByteArray("No Name\0", 8));
  EXPECT_EQ(file.mid(32, 512 - 32), QByteArray(512 - 32, '\0'));  // rest of the name, map, reserved
  EXPECT_EQ(file.mid(512, 2), QByteArray::fromHex("FF00"));       // red plane
  EXPECT_EQ(file.mid(514, 2), QByteArray::fromHex("0000"));       // green plane
  EXPECT_EQ(file.mid(516, 2), QByteArray::fromHex("00FF"));       // blue plane
  EXPECT_EQ(file.mid(518, 2), QByteArray::fromHex("FFFF"));       // fourth channel opaque
}

TEST(SGIImage, BottomRowIsWrittenFirst) {
  QImage image(1, 2, QImage::Format_RGB32);
  image.setPixel(0, 0, qRgb(255, 0, 0));  // top
  image.setPixel(0, 1, qRgb(0, 0, 255));  // bottom
  const QString path = test::MakeTempFolder() + "/column.sgi";
  ASSERT_TRUE(SGIImage(image).writeToURL(path));
  const QByteArray file = test::ReadBytes(path);
  ASSERT_EQ(file.size(), 520);
  EXPECT_EQ(At(file, 6) << 8 | At(file, 7), 1);              // x size
  EXPECT_EQ(At(file, 8) << 8 | At(file, 9), 2);              // y size
  EXPECT_EQ(file.mid(512, 2), QByteArray::fromHex("00FF"));  // red: bottom (blue) row first
  EXPECT_EQ(file.mid(516, 2), QByteArray::fromHex("FF00"));  // blue
}

TEST(SGIImage, TransparentPixelsAreDrawnOverBlack) {
  QImage image(1, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, qRgba(200, 100, 50, 0));
  const QString path = test::MakeTempFolder() + "/clear.sgi";
  ASSERT_TRUE(SGIImage(image).writeToURL(path));
  EXPECT_EQ(test::ReadBytes(path).mid(512), QByteArray::fromHex("000000FF"));
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

TEST(SGIImage, ByteHelpers) {
  uint8_t bytes[4] = {};
  SGIImage::PutBigEndian32(bytes, 0x01020304);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[3], 4);
  SGIImage::PutBigEndian16(bytes, 0xABCD);
  EXPECT_EQ(bytes[0], 0xAB);
  EXPECT_EQ(bytes[1], 0xCD);
  EXPECT_EQ(SGIImage::SwapBytes16(0x1234), 0x3412);
  EXPECT_EQ(SGIImage::SwapBytes32(0x12345678u), 0x78563412u);
}

}  // namespace
}  // namespace glimbrik
