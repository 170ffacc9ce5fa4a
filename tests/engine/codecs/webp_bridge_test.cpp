#include "engine/codecs/webp_bridge.h"

#include <gtest/gtest.h>
#include <webp/decode.h>
#include <webp/encode.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <vector>

#include "engine/codec_fixtures.h"
#include "engine/pixel_probes.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RiffChunk;

QImage FlatImage(int width, int height, QColor colour) {
  return test::Flat(width, height, colour, QImage::Format_RGBA8888);
}

qsizetype IndexOf(const std::vector<RiffChunk>& chunks, const char* fourcc) {
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (chunks[i].fourcc == QByteArray(fourcc, 4)) return static_cast<qsizetype>(i);
  }
  return -1;
}

int Encode(const QString& in, const QString& out, double quality, int flags) {
  return EncodeImageFileToWebP(QFile::encodeName(in).constData(),
                               QFile::encodeName(out).constData(), WebPSettingsForQuality(quality),
                               flags);
}

TEST(WebPMetadata, JpegExifBecomesAnExifChunkAfterTheImage) {
  const QString folder = test::MakeTempFolder();
  const QByteArray exif = test::MakeExif(6) + QByteArray(1, '\0');  // odd size: one pad byte
  ASSERT_EQ(exif.size() % 2, 1);
  const QByteArray jpeg =
      test::InsertSegment(test::MakeJpeg(40, 30, 3), 0xE1, QByteArray("Exif\0\0", 6) + exif);
  ASSERT_TRUE(test::WriteBytes(folder + "/in.jpg", jpeg));

  ASSERT_EQ(Encode(folder + "/in.jpg", folder + "/out.webp", 0.8, WebPMetadataFlags(true)), 0);
  const QByteArray webp = test::ReadBytes(folder + "/out.webp");
  ASSERT_GT(webp.size(), 30);
  EXPECT_EQ(test::LittleEndian32(webp, 4), static_cast<uint32_t>(webp.size() - 8));
  const auto chunks = test::RiffChunks(webp);
  ASSERT_EQ(IndexOf(chunks, "VP8X"), 0);
  EXPECT_EQ(static_cast<uint8_t>(webp[20]) & 0x08, 0x08);
  const qsizetype image = IndexOf(chunks, "VP8 ");
  const qsizetype exifChunk = IndexOf(chunks, "EXIF");
  ASSERT_GE(image, 0);
  ASSERT_GT(exifChunk, image);
  EXPECT_EQ(chunks[exifChunk].size, static_cast<uint32_t>(exif.size()));
  EXPECT_EQ(webp.mid(chunks[exifChunk].offset + 8, exif.size()), exif);
  // The pad byte keeps the file's length even and the chunk walk exact.
  EXPECT_EQ(chunks.back().offset + 8 + chunks.back().size + 1, webp.size());
  // Canvas size in the VP8X chunk: width - 1 and height - 1 as 24-bit values.
  EXPECT_EQ(test::LittleEndian32(webp, 24) & 0xFFFFFF, 39u);
  EXPECT_EQ(test::LittleEndian32(webp, 27) & 0xFFFFFF, 29u);
}

TEST(WebPMetadata, EmbeddedProfileTravelsEvenWhenMetadataIsNotKept) {
  const QString folder = test::MakeTempFolder();
  const QByteArray profile = test::SrgbProfile();
  ASSERT_FALSE(profile.isEmpty());
  test::PngOptions options;
  options.iccProfile = profile;
  ASSERT_TRUE(test::WritePng(folder + "/in.png", FlatImage(8, 8, QColor(10, 20, 30, 40)), options));

  ASSERT_EQ(Encode(folder + "/in.png", folder + "/plain.webp", 1.0, WebPMetadataFlags(false)), 0);
  const QByteArray plain = test::ReadBytes(folder + "/plain.webp");
  auto chunks = test::RiffChunks(plain);
  ASSERT_EQ(IndexOf(chunks, "VP8X"), 0);
  EXPECT_EQ(IndexOf(chunks, "ICCP"), 1);  // right after VP8X, before the image
  EXPECT_EQ(IndexOf(chunks, "EXIF"), -1);
  EXPECT_EQ(static_cast<uint8_t>(plain[20]), 0x20 | 0x10);  // ICC, and alpha from VP8L
  EXPECT_EQ(plain.mid(chunks[1].offset + 8, profile.size()), profile);
}

// A TIFF's EXIF reaching the WebP is held by the kept-metadata test of every output type.
TEST(WebPTiffInput, SemiTransparentColourIsNotDarkened) {
  const QString folder = test::MakeTempFolder();
  for (bool unassociated : {true, false}) {
    SCOPED_TRACE(unassociated ? "unassociated alpha" : "associated alpha");
    // Qt writes straight pixels unassociated and premultiplied ones associated.
    const QImage straight = FlatImage(8, 4, QColor(200, 100, 50, 128));
    const QString tif = folder + "/in.tif";
    ASSERT_TRUE(
        (unassociated ? straight : straight.convertToFormat(QImage::Format_ARGB32_Premultiplied))
            .save(tif, "TIFF"));
    ASSERT_EQ(Encode(tif, folder + "/out.webp", 1.0, WebPMetadataFlags(true)), 0);
    const QColor pixel = QImage(folder + "/out.webp").pixelColor(0, 0);
    EXPECT_NEAR(pixel.red(), 200, 2);
    EXPECT_NEAR(pixel.green(), 100, 2);
    EXPECT_NEAR(pixel.blue(), 50, 2);
    EXPECT_EQ(pixel.alpha(), 128);
  }
}

TEST(WebPEncode, FailuresReturnTheirCodesAndLeaveNoFile) {
  const QString folder = test::MakeTempFolder();
  const QString png = folder + "/in.png";
  ASSERT_TRUE(test::WritePng(png, FlatImage(4, 4, Qt::red)));
  EXPECT_EQ(Encode(folder + "/missing.png", folder + "/none.webp", 0.8, 0), kWebPInputUnreadable);
  EXPECT_EQ(Encode(png, folder + "/no/such/folder/out.webp", 0.8, 0), kWebPOutputUnopenable);
  EXPECT_FALSE(QDir(folder + "/no").exists());

  // A truncated PNG is unreadable input, not a crash.
  const QByteArray whole = test::ReadBytes(png);
  ASSERT_TRUE(test::WriteBytes(folder + "/cut.png", whole.left(whole.size() / 2)));
  EXPECT_EQ(Encode(folder + "/cut.png", folder + "/cut.webp", 0.8, 0), kWebPInputUnreadable);
  EXPECT_FALSE(QFile::exists(folder + "/cut.webp"));

  WebPEncodeSettings bad;
  bad.quality = 250.0f;
  EXPECT_EQ(EncodeImageFileToWebP(QFile::encodeName(png).constData(), nullptr, bad, 0),
            kWebPConfigInvalid);
}

// Only quality 1.0 itself is lossless; any quality below it, however near, is lossy at that
// quality, so a lower quality writes a smaller file.
TEST(WebPEncode, OnlyQualityOneIsLossless) {
  const QString folder = test::MakeTempFolder();
  const QString png = folder + "/in.png";
  QImage image(64, 64, QImage::Format_RGBA8888);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) image.setPixel(x, y, qRgb(x * 4, y * 4, (x * y) & 255));
  }
  ASSERT_TRUE(test::WritePng(png, image));
  qint64 previous = 0;
  for (const double quality : {0.5, 0.95, 0.99, 0.999, 1.0}) {
    SCOPED_TRACE(quality);
    const QString out = folder + QStringLiteral("/%1.webp").arg(quality);
    ASSERT_EQ(Encode(png, out, quality, 0), 0);
    const auto chunks = test::RiffChunks(test::ReadBytes(out));
    const bool lossless = quality == 1.0;
    EXPECT_EQ(IndexOf(chunks, "VP8L") >= 0, lossless);
    EXPECT_EQ(IndexOf(chunks, "VP8 ") >= 0, !lossless);
    if (!lossless) {
      EXPECT_GT(QFileInfo(out).size(), previous);
    }
    previous = QFileInfo(out).size();
  }
}

int DecodeToTiff(const QByteArray& webp, const QString& tif) {
  return DecodeWebPToTIFFFile(reinterpret_cast<const uint8_t*>(webp.constData()),
                              static_cast<size_t>(webp.size()), QFile::encodeName(tif).constData());
}

TEST(WebPDecode, AlphaImageBecomesAPremultipliedTiffThatReadersShowAlike) {
  const QString folder = test::MakeTempFolder();
  // A 3 x 2 image with distinct straight pixels, encoded losslessly by libwebp.
  const uint8_t rgba[] = {255, 0,   0,  255, 0,  255, 0,  128, 0,   0,   255, 0,
                          200, 100, 50, 128, 10, 20,  30, 255, 255, 255, 255, 64};
  uint8_t* encoded = nullptr;
  const size_t size = WebPEncodeLosslessRGBA(rgba, 3, 2, 12, &encoded);
  ASSERT_GT(size, 0u);
  const QByteArray webp(reinterpret_cast<const char*>(encoded), static_cast<qsizetype>(size));
  WebPFree(encoded);

  const QString tif = folder + "/alpha.tif";
  ASSERT_EQ(DecodeToTiff(webp, tif), kWebPDecodeOk);
  // A wrong alpha tag would have the reader premultiply twice or not at all.
  const QImage read = QImage(tif).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  ASSERT_EQ(read.size(), QSize(3, 2));
  for (int i = 0; i < 6; ++i) {
    SCOPED_TRACE(i);
    const QRgb p = read.pixel(i % 3, i / 3);
    const int a = rgba[4 * i + 3];
    EXPECT_EQ(qAlpha(p), a);
    EXPECT_NEAR(qRed(p), rgba[4 * i] * a / 255, 1);
    EXPECT_NEAR(qGreen(p), rgba[4 * i + 1] * a / 255, 1);
    EXPECT_NEAR(qBlue(p), rgba[4 * i + 2] * a / 255, 1);
  }

  // An opaque picture gives a TIFF without alpha.
  ASSERT_TRUE(test::WriteBytes(folder + "/in.jpg", test::MakeJpeg(5, 3, 3)));
  ASSERT_EQ(Encode(folder + "/in.jpg", folder + "/opaque.webp", 0.9, 0), 0);
  const QString opaque = folder + "/opaque.tif";
  ASSERT_EQ(DecodeToTiff(test::ReadBytes(folder + "/opaque.webp"), opaque), 0);
  const QImage plain(opaque);
  EXPECT_EQ(plain.size(), QSize(5, 3));
  EXPECT_FALSE(plain.hasAlphaChannel());
}

TEST(WebPDecode, CorruptOrCutBytesFailWithoutLeavingAFile) {
  const QString folder = test::MakeTempFolder();
  const QByteArray junk("RIFF\x10\0\0\0WEBPjunkjunkjunk", 24);
  int32_t w = -1;
  int32_t h = -1;
  EXPECT_EQ(GetWebPImageSize(reinterpret_cast<const uint8_t*>(junk.constData()),
                             static_cast<size_t>(junk.size()), &w, &h),
            kWebPFeaturesUnreadable);
  const QString tif = folder + "/junk.tif";
  EXPECT_EQ(DecodeToTiff(junk, tif), kWebPFeaturesUnreadable);
  EXPECT_FALSE(QFile::exists(tif));

  // A real file cut after its header: the size is known but the pixels are not there.
  ASSERT_TRUE(test::WritePng(folder + "/in.png", FlatImage(64, 64, QColor(1, 2, 3, 200))));
  ASSERT_EQ(Encode(folder + "/in.png", folder + "/full.webp", 0.7, 0), 0);
  const QByteArray cut = test::ReadBytes(folder + "/full.webp").left(40);
  const auto* data = reinterpret_cast<const uint8_t*>(cut.constData());
  ASSERT_EQ(GetWebPImageSize(data, static_cast<size_t>(cut.size()), &w, &h), 0);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 64);
  const QString cutTif = folder + "/cut.tif";
  EXPECT_LT(DecodeToTiff(cut, cutTif), 0);
  EXPECT_FALSE(QFile::exists(cutTif));

  // An unwritable output is a failure too.
  const QByteArray full = test::ReadBytes(folder + "/full.webp");
  EXPECT_EQ(DecodeToTiff(full, folder + "/no/such/out.tif"), kWebPTIFFWriteFailed);
}

}  // namespace
}  // namespace glimbrik
