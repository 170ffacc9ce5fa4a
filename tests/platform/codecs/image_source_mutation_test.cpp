#include <gtest/gtest.h>

#include <random>

#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"

namespace glimbrik {
namespace {

// Damaged copies of valid files: every outcome must be a clean failure with a reason or an
// image of the size the header declared (AddressSanitizer in CI watches the rest).
class DamagedFiles : public ::testing::TestWithParam<const char*> {};

TEST_P(DamagedFiles, FailCleanlyOrDecodeToTheDeclaredSize) {
  QImage seedImage = test::PatternImage(23, 17);
  seedImage.setPixel(3, 3, qRgba(10, 20, 30, 100));
  const ImageResult<QByteArray> seed =
      EncodeImage(seedImage, QString::fromLatin1(GetParam()), DestinationProperties{});
  ASSERT_TRUE(seed.ok());
  std::mt19937 random(20261206);
  int decoded = 0;
  for (int round = 0; round < 1500; ++round) {
    QByteArray bytes = seed.value;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits && !bytes.isEmpty(); ++e) {
      const qsizetype at = qsizetype(random() % uint32_t(bytes.size()));
      // A changed byte, a cut, a stray marker byte or a gap.
      const uint32_t kind = random() % 4;
      if (kind == 1) {
        bytes.truncate(at);
      } else if (kind == 3) {
        bytes.remove(at, qsizetype(random() % 16));
      } else {
        bytes[at] = kind == 0 ? char(random()) : char(0xFF);
      }
    }
    const auto source = ImageSource::FromData(bytes);
    if (!source->isValid()) {
      EXPECT_FALSE(source->error().isEmpty());
      continue;
    }
    for (int i = 0; i < source->count() && i < 4; ++i) {
      const ImageRepresentation& rep = source->representation(i);
      if (qint64(rep.pixelWidth) * rep.pixelHeight > 4'000'000) continue;
      const ImageResult<QImage> image = source->decode(i);
      if (!image.ok()) {
        EXPECT_FALSE(image.error.isEmpty());
        continue;
      }
      ++decoded;
      EXPECT_EQ(image.value.size(), QSize(rep.pixelWidth, rep.pixelHeight));
    }
  }
  EXPECT_GT(decoded, 0);  // some damage (in pixel data) still decodes
}

INSTANTIATE_TEST_SUITE_P(EveryDecoder, DamagedFiles,
                         ::testing::Values("public.jpeg", "public.png", "public.tiff",
                                           "com.compuserve.gif", "public.jpeg-2000",
                                           "com.adobe.photoshop-image", "com.microsoft.bmp",
                                           "com.truevision.tga-image"));

}  // namespace
}  // namespace glimbrik
