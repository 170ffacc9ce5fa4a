#include <gtest/gtest.h>

#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"

namespace glimbrik {
namespace {

const QSize kPhoto(1200, 896);

// Data that stops a little short, or loses a few restart intervals, leaves a picture that every
// viewer shows: it is read whole, the rows that came from data as the intact file's. Data that
// stops before half the rows, or within the first scan of a progressive file, leaves mostly fill:
// the file is damaged, whichever way it is decoded. A frame far larger than the file could fill
// is refused on opening, before any pixel is decoded; one without scan data is incomplete.
TEST(JpegDataEnd, APhotoIsReadWithWhatItHoldsUnlessMostOfItIsMissing) {
  const QByteArray whole = test::PhotoJpeg(kPhoto);
  ASSERT_GT(whole.size(), 120'000);
  const QByteArray restarts = test::PhotoJpeg(kPhoto, {"-restart", "1"});
  const QByteArray progressive = test::PhotoJpeg(kPhoto, {"-progressive"});
  const qsizetype secondScan = progressive.indexOf("\xff\xda", progressive.indexOf("\xff\xda") + 2);
  const QByteArray tiny = test::PhotoJpeg(QSize(16, 16));
  const QByteArray frame = test::ClaimingFrame(tiny, 4062, 4062);
  const QImage intact = ImageSource::FromData(whole)->decode(0).value;
  enum Outcome { kPicture, kDamaged, kRefused };
  const struct {
    const char* name;
    QByteArray bytes;
    Outcome outcome;
  } cases[] = {
      {"last 2% cut", whole.left(whole.size() * 98 / 100), kPicture},
      {"ends early", test::DataEndsEarly(restarts, 0.03), kPicture},
      {"last row cut", restarts.left(restarts.lastIndexOf("\xff\xd7")), kPicture},
      {"intervals lost", test::WithoutRestartIntervals(restarts, {5, 40, 41}), kPicture},
      {"progressive cut in later scans", progressive.left(progressive.size() * 6 / 10), kPicture},
      {"no end marker", whole.left(whole.size() - 2), kPicture},
      {"cut at 40%", whole.left(whole.size() * 4 / 10), kDamaged},
      {"ends at 45%", test::DataEndsEarly(restarts, 0.55), kDamaged},
      {"cut in the first scan", progressive.left(secondScan - 200), kDamaged},
      {"small frame, scan without data", test::WithoutScanData(tiny, true), kDamaged},
      {"claims", test::ClaimingFrame(tiny, 20000, 20000), kRefused},
      {"photo claims", test::ClaimingFrame(whole, 20000, 20000), kRefused},
      {"progressive claims", test::ClaimingFrame(progressive, 20000, 20000), kRefused},
      {"frame, then the end", test::WithoutScanData(frame, false), kRefused},
      {"scan without data", test::WithoutScanData(frame, true), kRefused},
      {"cut after the frame", test::WithoutScanData(frame, false).chopped(2), kRefused},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto source = ImageSource::FromData(c.bytes);
    ASSERT_EQ(source->isValid(), c.outcome != kRefused) << source->error().toStdString();
    EXPECT_TRUE(source->isValid() || IsDamagedFileError(source->error()));
    if (!source->isValid()) continue;
    // The reduce while decoding, plane by plane for this sampling, judges alike.
    for (const QSize size : {QSize(), QSize(300, 224), QSize(600, 448)}) {
      const ImageResult<QImage> decoded = source->decode(0, {QSize(), size});
      ASSERT_EQ(decoded.ok(), c.outcome == kPicture) << size.width() << decoded.error.toStdString();
      EXPECT_TRUE(decoded.ok() || IsDamagedFileError(decoded.error)) << size.width();
      if (!decoded.ok() || size.isValid()) continue;
      ASSERT_EQ(decoded.value.size(), kPhoto);
      EXPECT_LT(test::TopDifference(decoded.value, intact, 32), 6.0 / 255);
    }
  }
}

// The smallest files real writers make, flat colour at the lowest quality, are still opened.
TEST(JpegDataEnd, FlatPicturesAtTheLowestQualityAreOpened) {
  const QString folder = test::MakeTempFolder();
  for (const QString kind : {"baseline", "progressive", "grey"}) {
    SCOPED_TRACE(kind.toStdString());
    const QString path = folder + '/' + kind + ".jpg";
    bool ok = false;
    test::RunTool("convert",
                  {"-size", "8000x6000", kind == "grey" ? "xc:white" : "xc:#336699", "-interlace",
                   kind == "progressive" ? "Plane" : "None", "-quality", "1", path},
                  &ok);
    ASSERT_TRUE(ok);
    const ImageResult<QImage> small =
        ImageSource::Open(path)->decode(0, {QSize(), QSize(400, 300)});
    ASSERT_TRUE(small.ok()) << small.error.toStdString();
    EXPECT_NEAR(qGreen(small.value.pixel(200, 150)), kind == "grey" ? 255 : 0x66, 10);
  }
}

}  // namespace
}  // namespace glimbrik
