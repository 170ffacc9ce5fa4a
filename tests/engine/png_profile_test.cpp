#include <gtest/gtest.h>

#include <QImage>

#include "engine/codec_fixtures.h"
#include "engine/conversion_records.h"
#include "platform/image_destination.h"
#include "platform/image_source.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// An sRGB profile that readers take but libpng refuses to write by default, as it does the
// "sRGB IEC61966-2.1" profile of many cameras: here by a rendering intent outside 0-3.
QByteArray ObjectionableSrgbProfile() {
  QByteArray profile = test::SrgbProfile();
  if (profile.size() > 68) profile[67] = 4;  // the header's big-endian intent
  return profile;
}

TEST(PngProfiles, AProfileLibpngObjectsToNeverRefusesThePng) {
  const QByteArray profile = ObjectionableSrgbProfile();
  ASSERT_GT(profile.size(), 128);
  const QString folder = test::MakeTempFolder();
  const QString jpeg = folder + "/camera.jpg";
  ASSERT_TRUE(test::WriteBytes(
      jpeg, test::InsertSegment(test::MakeJpeg(40, 30, 3), 0xE2,
                                QByteArray("ICC_PROFILE\0\x01\x01", 14) + profile)));
  ASSERT_EQ(ImageSource::Open(jpeg)->representation(0).iccProfile, profile);

  for (bool keep : {false, true}) {
    for (bool process : {true, false}) {
      const QString out = folder + QStringLiteral("/out-%1-%2.png").arg(keep).arg(process);
      ImageConversion record = test::ConversionRecord(jpeg, out, 7);
      record.options.preserveMetadata = keep;
      record.resize = test::PercentFit(100);
      const bool converted =
          process ? ProcessImageFile(&record) == 0 : ConvertImageFile(&record) == 1;
      EXPECT_TRUE(converted) << out.toStdString();
      // An independent reader opens it, with its profile or without.
      const QImage written(out);
      ASSERT_FALSE(written.isNull()) << out.toStdString();
      EXPECT_EQ(written.size(), QSize(40, 30));
    }
  }
}

}  // namespace
}  // namespace glimbrik
