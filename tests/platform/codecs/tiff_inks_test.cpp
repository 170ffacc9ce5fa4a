#include <gtest/gtest.h>

#include "platform/codecs/cmyk_source_inks.h"
#include "platform/codecs/image_source.h"
#include "support/cmyk_fixture.h"
#include "support/tiff_directory.h"

namespace glimbrik {
namespace {

// Every layout a CMYK TIFF may store its samples in gives the same inks. The size is no multiple
// of the tiles or strips, so the cut edges are read too; every sample differs from its
// neighbours, so a sample taken from the wrong plane or place shows.
TEST(ReadTiffInks, ReadsStripsTilesAndPlanesOfEightAndSixteenBits) {
  const int w = 37, h = 23;
  for (int k = 0; k < 16; ++k) {
    const int channels = k & 1 ? 5 : 4, bits = k & 2 ? 16 : 8;
    const bool planar = k & 4, tiled = k & 8;
    SCOPED_TRACE(testing::Message() << channels << " samples, planar " << planar << ", tiled "
                                    << tiled << ", " << bits << " bits");
    test::Inks stored{QSize(w, h), QByteArray(w * h * channels, '\0'), channels};
    for (int i = 0; i < stored.samples.size(); ++i) stored.samples[i] = char(i * 37 + 11);
    const std::optional<CmykInks> inks =
        ReadTiffInks(test::CmykTiff(stored, {planar, tiled, bits, 1, {}}));
    ASSERT_TRUE(inks);
    ASSERT_EQ(inks->size, QSize(w, h));
    ASSERT_EQ(inks->alpha.size(), channels == 5 ? w * h : 0);
    int wrong = 0;
    for (int p = 0; p < w * h; ++p) {
      for (int c = 0; c < channels; ++c) {
        const uchar read = c < 4 ? uchar(inks->samples[p * 4 + c]) : uchar(inks->alpha[p]);
        wrong += read != stored.at(p % w, p / w, c);
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// A file whose tiles are stated far larger than the image is refused before any memory is taken
// for them.
TEST(ReadTiffInks, RefusesTilesFarBeyondTheImage) {
  const auto value = [](uint32_t v, bool wide) {
    QByteArray bytes;
    wide ? test::PutTiff32(bytes, v, false) : test::PutTiff16(bytes, v, false);
    return bytes;
  };
  QByteArray eights;
  for (int i = 0; i < 4; ++i) test::PutTiff16(eights, 8, false);
  QByteArray tiff("II*\0\x08\0\0\0", 8);
  test::WriteTiffDirectory(tiff,
                           {{256, 3, 1, value(16, false)},
                            {257, 3, 1, value(16, false)},
                            {258, 3, 4, eights},
                            {259, 3, 1, value(1, false)},
                            {262, 3, 1, value(PHOTOMETRIC_SEPARATED, false)},
                            {277, 3, 1, value(4, false)},
                            {322, 4, 1, value(1u << 20, true)},
                            {323, 4, 1, value(1u << 20, true)},
                            {324, 4, 1, value(8, true)},
                            {325, 4, 1, value(4, true)}},
                           false);
  EXPECT_FALSE(ReadTiffInks(tiff));
}

// Tiles and planes of inks show the picture that strips of the same inks show, in the file's own
// profile: libtiff's RGBA reader would separate them without it.
TEST(ReadTiffInks, TilesAndPlanesDecodeToThePictureOfTheirStrips) {
  const test::Inks inks = test::PatternInks(37, 23);
  const QByteArray profile = test::ReadBytes("/usr/share/color/icc/ghostscript/ps_cmyk.icc");
  ASSERT_FALSE(profile.isEmpty());
  const auto picture = [&](bool planar, bool tiled) {
    const auto source = ImageSource::FromData(test::CmykTiff(inks, {planar, tiled, 8, 1, profile}));
    const ImageResult<QImage> decoded = source->decode(0);
    return decoded.ok() ? decoded.value.convertToFormat(QImage::Format_RGB32) : QImage();
  };
  const QImage strips = picture(false, false);
  ASSERT_FALSE(strips.isNull());
  for (const auto& [planar, tiled] : {std::pair{true, false}, {false, true}, {true, true}}) {
    EXPECT_EQ(picture(planar, tiled), strips) << "planar " << planar << ", tiled " << tiled;
  }
}

}  // namespace
}  // namespace glimbrik
