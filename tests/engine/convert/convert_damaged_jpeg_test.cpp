#include <gtest/gtest.h>

#include <QFileInfo>

#include "engine/convert/conversion_records.h"
#include "platform/image_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// A photo whose data stops a little early is converted on both roads, its top as the intact
// file's; frames the data cannot fill, or with no data at all, fail as damaged and write nothing.
TEST(DamagedJpeg, APhotoEndingEarlyConvertsAndAFrameWithoutItsDataFailsAsDamaged) {
  const QString folder = test::MakeTempFolder();
  const QSize size(1600, 1200);
  const QByteArray whole = test::PhotoJpeg(size);
  const QByteArray restarts = test::PhotoJpeg(size, {"-restart", "2"});
  const QString intact = folder + "/intact.jpg";
  ASSERT_TRUE(test::WriteBytes(intact, whole));
  const QByteArray tiny = test::PhotoJpeg(QSize(16, 16));
  const QByteArray frame = test::ClaimingFrame(tiny, 4062, 4062);
  const struct {
    const char* name;
    QByteArray bytes;
    bool converts;
  } cases[] = {
      {"cut.jpg", whole.left(whole.size() * 98 / 100), true},
      {"early.jpg", test::DataEndsEarly(restarts, 0.02), true},
      {"claims.jpg", test::ClaimingFrame(tiny, 20000, 20000), false},
      {"claims-more.jpg", test::ClaimingFrame(whole, 20000, 20000), false},
      {"no-scan.jpg", frame.left(frame.indexOf("\xff\xda")) + "\xff\xd9", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString source = folder + '/' + c.name;
    ASSERT_TRUE(test::WriteBytes(source, c.bytes));
    for (const bool process : {true, false}) {
      const QString out = folder + QStringLiteral("/out-%1-%2.png").arg(process).arg(c.name);
      ImageConversion record = test::ConversionRecord(source, out, 7);
      record.resize = test::PercentFit(100);
      const bool converted =
          process ? ProcessImageFile(&record) == 0 : ConvertImageFile(&record) == 1;
      EXPECT_EQ(converted, c.converts) << process;
      EXPECT_EQ(record.sourceDamaged, !c.converts) << process;
      EXPECT_EQ(QFileInfo::exists(out), c.converts) << process;
      if (!c.converts) continue;
      EXPECT_EQ(test::IdentifySize(out), "1600 1200");
      EXPECT_LT(test::TopRowsDifference(out, intact, 600), 0.02);
    }
  }
}

}  // namespace
}  // namespace glimbrik
