#include "platform/pdf/pdf_cmyk_inks.h"

#include <gtest/gtest.h>

#include "platform/cmyk_tiff_fixture.h"

namespace glimbrik {
namespace {

// Every layout a CMYK TIFF may store its samples in gives the same inks. The size is no multiple
// of the tiles or strips, so the cut edges are read too; every sample differs from its
// neighbours, so a sample taken from the wrong plane or place shows.
TEST(ReadTiffInks, ReadsStripsTilesAndPlanesOfEightAndSixteenBits) {
  const int w = 37, h = 23;
  for (const int channels : {4, 5}) {
    std::vector<uint8_t> samples(size_t(w) * h * channels);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = uint8_t(i * 37 + 11);
    for (const bool planar : {false, true}) {
      for (const bool tiled : {false, true}) {
        for (const int bits : {8, 16}) {
          SCOPED_TRACE(testing::Message() << channels << " samples, planar " << planar << ", tiled "
                                          << tiled << ", " << bits << " bits");
          test::CmykTiffLayout layout;
          layout.planar = planar;
          layout.tiled = tiled;
          layout.bits = bits;
          const QByteArray tiff = test::CmykTiff(w, h, channels, samples, layout);
          ASSERT_FALSE(tiff.isEmpty());
          const std::optional<CmykInks> inks = ReadTiffInks(tiff);
          ASSERT_TRUE(inks);
          ASSERT_EQ(inks->size, QSize(w, h));
          ASSERT_EQ(inks->alpha.size(), channels == 5 ? w * h : 0);
          int wrong = 0;
          for (int p = 0; p < w * h; ++p) {
            for (int c = 0; c < channels; ++c) {
              const uchar read = c < 4 ? uchar(inks->samples[p * 4 + c]) : uchar(inks->alpha[p]);
              wrong += read != samples[size_t(p) * channels + c];
            }
          }
          EXPECT_EQ(wrong, 0);
        }
      }
    }
  }
}

}  // namespace
}  // namespace glimbrik
