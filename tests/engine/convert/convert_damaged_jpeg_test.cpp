#include <gtest/gtest.h>

#include <QFileInfo>

#include "engine/convert/conversion_records.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// A photo whose data stops a little early is converted on both roads, its top as the intact
// file's; a frame its data cannot fill, or without a scan, fails as damaged and writes nothing.
TEST(DamagedJpeg, APhotoEndingEarlyConvertsAndAFrameWithoutItsDataFailsAsDamaged) {
  const QString folder = test::MakeTempFolder();
  const QByteArray photo = test::PhotoJpeg(QSize(1600, 1200), {"-restart", "2"});
  const QImage intact = ImageSource::FromData(photo)->decode(0).value;
  const std::pair<QString, QByteArray> cases[] = {
      {"early.jpg", test::DataEndsEarly(photo, 0.02)},
      {"claims.jpg", test::ClaimingFrame(photo, 20000, 20000)},
      {"no-scan.jpg", test::WithoutScanData(photo, false)},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name.toStdString());
    const bool converts = name == cases[0].first;
    ASSERT_TRUE(test::WriteBytes(folder + '/' + name, bytes));
    for (const bool process : {true, false}) {
      const QString out = folder + QStringLiteral("/out-%1-%2.png").arg(process).arg(name);
      ImageConversion record = test::ConversionRecord(folder + '/' + name, out, 7);
      record.resize = test::PercentFit(100);
      EXPECT_EQ(process ? ProcessImageFile(&record) == 0 : ConvertImageFile(&record) == 1, converts)
          << process;
      EXPECT_EQ(record.sourceDamaged, !converts) << process;
      EXPECT_EQ(QFileInfo::exists(out), converts) << process;
      if (!converts) continue;
      const QImage written(out);
      EXPECT_EQ(written.size(), QSize(1600, 1200));
      EXPECT_LT(test::TopDifference(written, intact, 600), 0.02);
    }
  }
}

}  // namespace
}  // namespace glimbrik
