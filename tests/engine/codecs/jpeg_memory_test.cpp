#include "engine/codecs/jpeg_memory.h"

#include <gtest/gtest.h>

#include <QSize>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/codec_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"

namespace glimbrik {
namespace {

struct FreeDeleter {
  void operator()(uint8_t* p) const { std::free(p); }
};
using Buffer = std::unique_ptr<uint8_t, FreeDeleter>;

struct Decoded {
  int result = -1;
  int colourCode = 0;
  Buffer pixels;
  size_t pixelBytes = 0;
  uint32_t width = 0;
  uint32_t height = 0;
  double dpiX = -1;
  double dpiY = -1;
};

Decoded Decode(const QByteArray& jpeg) {
  Decoded d;
  uint8_t* pixels = nullptr;
  int marker = 12345;
  d.result = DecodeJPEGFromMemory(reinterpret_cast<const uint8_t*>(jpeg.constData()),
                                  static_cast<size_t>(jpeg.size()), &d.colourCode, &marker, &pixels,
                                  &d.pixelBytes, &d.width, &d.height, &d.dpiX, &d.dpiY);
  d.pixels.reset(pixels);
  EXPECT_EQ(marker, 12345);  // the unused pointer is left alone
  return d;
}

QByteArray Encode(int width, int height, int space, int components,
                  const std::vector<uint8_t>& pixels) {
  return test::EncodeJpeg(width, height, space, components, pixels.data(), 72.0, 85);
}

TEST(JPEGMemory, ResolutionRoundTripsThroughTheJfifHeader) {
  const QByteArray jpeg = test::MakeJpeg(100, 50, 3, 300.0);
  ASSERT_FALSE(jpeg.isEmpty());
  ASSERT_EQ(jpeg.mid(6, 5), QByteArray("JFIF\0", 5));  // density unit and values follow

  const Decoded d = Decode(jpeg);
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(QSize(d.width, d.height), QSize(100, 50));
  EXPECT_EQ(d.colourCode, kJPEGColourCodeRGB);
  EXPECT_EQ(d.pixelBytes, 100u * 50u * 3u);
  EXPECT_DOUBLE_EQ(d.dpiX, 300.0);
  EXPECT_DOUBLE_EQ(d.dpiY, 300.0);

  QByteArray metric = jpeg;
  metric[13] = 2;  // dots per centimetre: 28 of them
  metric[15] = metric[17] = 28;
  metric[14] = metric[16] = 0;
  EXPECT_NEAR(Decode(metric).dpiX, 71.12, 1e-4);
  metric[13] = 0;  // aspect ratio only: the outputs are left alone
  EXPECT_EQ(Decode(metric).dpiY, -1);
}

TEST(JPEGMemory, GreyAndCmykGiveTheirCodesAndSampleCounts) {
  const std::vector<uint8_t> grey(20 * 10, 128);
  Decoded d = Decode(Encode(20, 10, kJPEGColourSpaceGray, 1, grey));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.colourCode, kJPEGColourCodeGray);
  EXPECT_EQ(d.pixelBytes, 20u * 10u);
  EXPECT_NEAR(d.pixels.get()[0], 128, 2);

  std::vector<uint8_t> cmyk(20 * 10 * 4, 0);
  for (size_t i = 0; i < cmyk.size(); i += 4) cmyk[i] = 255;  // full cyan ink only
  const QByteArray jpeg = Encode(20, 10, kJPEGColourSpaceCMYK, 4, cmyk);
  d = Decode(jpeg);
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(d.colourCode, kJPEGColourCodeCMYK);
  EXPECT_EQ(d.pixelBytes, 20u * 10u * 4u);
  // Stored Adobe-inverted: the samples as stored are 255 - ink.
  EXPECT_NEAR(d.pixels.get()[0], 0, 3);
  EXPECT_NEAR(d.pixels.get()[3], 255, 3);
}

std::vector<uint8_t> Noise(size_t bytes) {
  std::vector<uint8_t> noise(bytes);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
  return noise;
}

TEST(JPEGMemory, CutShortDataDecodesAsIfItEndedThere) {
  // Noise, so that the entropy-coded data outweighs the tables and half the file holds a scan.
  const QByteArray jpeg = Encode(64, 64, kJPEGColourSpaceRGB, 3, Noise(64 * 64 * 3));
  ASSERT_GT(jpeg.size(), 3000);
  const Decoded d = Decode(jpeg.left(jpeg.size() / 2));
  ASSERT_EQ(d.result, 0);
  EXPECT_EQ(QSize(d.width, d.height), QSize(64, 64));
  EXPECT_EQ(d.pixelBytes, 64u * 64u * 3u);
}

TEST(JPEGMemory, HostileInputFailsCleanly) {
  // An APP1 segment that claims 60,000 bytes in a 2 KB buffer.
  QByteArray hostile("\xFF\xD8\xFF\xE1\xEA\x60", 6);
  hostile.append(QByteArray(2048 - hostile.size(), '\x11'));
  Decoded d = Decode(hostile);
  EXPECT_EQ(d.result, 1);
  EXPECT_EQ(d.pixels, nullptr);

  // The same claim inside an otherwise valid file, right before the frame header.
  const QByteArray jpeg = test::MakeJpeg(16, 16, 3);
  const qsizetype at = 2 + 2 + 16;  // SOI, FF E0, JFIF segment of 16 bytes
  const QByteArray claim = QByteArray("\xFF\xE1\xEA\x60", 4) + QByteArray(10, 'x');
  EXPECT_EQ(Decode(jpeg.left(at) + claim + jpeg.mid(at)).result, 1);

  // A frame of 20000 x 20000 over a few KB: refused before its 1.2 GB are claimed.
  const QByteArray noise = Encode(64, 64, kJPEGColourSpaceRGB, 3, Noise(64 * 64 * 3));
  EXPECT_EQ(Decode(test::ClaimingFrame(noise, 20000, 20000)).result, 1);

  EXPECT_EQ(Decode(QByteArray("not a jpeg at all")).result, 1);
  EXPECT_EQ(Decode(jpeg.left(20)).result, 1);  // nothing past the JFIF segment: no image
  uint8_t* pixels = reinterpret_cast<uint8_t*>(0x1);
  size_t bytes = 0;
  uint32_t w = 0;
  uint32_t h = 0;
  int code = 0;
  EXPECT_EQ(
      DecodeJPEGFromMemory(nullptr, 0, &code, nullptr, &pixels, &bytes, &w, &h, nullptr, nullptr),
      1);
  EXPECT_EQ(pixels, nullptr);
}

TEST(JPEGMemory, EncoderRefusesWhatLibjpegWouldEndTheProcessFor) {
  const std::vector<uint8_t> pixels(16, 0);
  uint8_t* buffer = reinterpret_cast<uint8_t*>(0x1);
  unsigned long size = 99;
  EXPECT_FALSE(
      EncodeJPEGToMemory(0, 4, pixels.data(), kJPEGColourSpaceRGB, 3, &buffer, &size, 80, 72, 72));
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_FALSE(EncodeJPEGToMemory(65501, 1, pixels.data(), kJPEGColourSpaceGray, 1, &buffer, &size,
                                  80, 72, 72));
  EXPECT_FALSE(
      EncodeJPEGToMemory(2, 2, pixels.data(), kJPEGColourSpaceRGB, 4, &buffer, &size, 80, 72, 72));
  EXPECT_FALSE(
      EncodeJPEGToMemory(2, 2, nullptr, kJPEGColourSpaceGray, 1, &buffer, &size, 80, 72, 72));
  EXPECT_EQ(buffer, nullptr);
  // A large image grows the output buffer several times.
  const QByteArray big = Encode(600, 600, kJPEGColourSpaceRGB, 3, Noise(size_t{600} * 600 * 3));
  ASSERT_GT(big.size(), 64 * 1024);
  EXPECT_EQ(Decode(big).result, 0);
}

}  // namespace
}  // namespace glimbrik
