#include <gtest/gtest.h>

#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "platform/jpeg_damage_fixtures.h"

namespace glimbrik {
namespace {

const QSize kPhoto(1200, 896);

// The mean difference of a channel between the top `rows` rows of two decodes.
double TopDifference(const QImage& a, const QImage& b, int rows) {
  double total = 0;
  for (int y = 0; y < rows; ++y) {
    for (int x = 0; x < a.width(); ++x) {
      total += std::abs(qGreen(a.pixel(x, y)) - qGreen(b.pixel(x, y)));
    }
  }
  return total / (double(rows) * a.width());
}

// Data that stops a little short, or loses a few restart intervals, leaves a picture that every
// viewer shows: it is read whole, the rows that came from data as the intact file's.
TEST(JpegDataEnd, APhotoWhoseDataStopsShortIsReadWithWhatItHolds) {
  const QByteArray whole = test::PhotoJpeg(kPhoto);
  const QByteArray restarts = test::PhotoJpeg(kPhoto, {"-restart", "1"});
  const QByteArray progressive = test::PhotoJpeg(kPhoto, {"-progressive"});
  const QImage intact = ImageSource::FromData(whole)->decode(0).value;
  ASSERT_EQ(intact.size(), kPhoto);
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"last 2% cut", whole.left(whole.size() * 98 / 100)},
      {"ends early", test::DataEndsEarly(restarts, 0.03)},
      {"last row cut", restarts.left(restarts.lastIndexOf("\xff\xd7"))},
      {"intervals lost", test::WithoutRestartIntervals(restarts, {5, 40, 41})},
      {"progressive cut in later scans", progressive.left(progressive.size() * 6 / 10)},
      {"no end marker", whole.left(whole.size() - 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto source = ImageSource::FromData(c.bytes);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    const ImageResult<QImage> full = source->decode(0);
    ASSERT_TRUE(full.ok()) << full.error.toStdString();
    ASSERT_EQ(full.value.size(), kPhoto);
    EXPECT_LT(TopDifference(full.value, intact, 32), 6.0);
    // The reduce while decoding, plane by plane for this sampling, judges alike.
    const ImageResult<QImage> reduced = source->decode(0, {QSize(), QSize(300, 224)});
    EXPECT_TRUE(reduced.ok()) << reduced.error.toStdString();
  }
}

// A file whose data stops before half its rows, or within the first scan of a progressive file,
// shows mostly fill: it is damaged, whichever way it is decoded.
TEST(JpegDataEnd, AFileWhoseDataStopsBeforeMostOfThePictureIsDamaged) {
  const QByteArray whole = test::PhotoJpeg(kPhoto);
  const QByteArray restarts = test::PhotoJpeg(kPhoto, {"-restart", "1"});
  const QByteArray progressive = test::PhotoJpeg(kPhoto, {"-progressive"});
  const qsizetype secondScan = progressive.indexOf("\xff\xda", progressive.indexOf("\xff\xda") + 2);
  ASSERT_GT(secondScan, 0);
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"cut at 40%", whole.left(whole.size() * 4 / 10)},
      {"ends at 45%", test::DataEndsEarly(restarts, 0.55)},
      {"cut in the first scan", progressive.left(secondScan - 200)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const auto source = ImageSource::FromData(c.bytes);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    for (const QSize size : {QSize(), QSize(300, 224), QSize(600, 448)}) {
      const ImageResult<QImage> decoded = source->decode(0, {QSize(), size});
      EXPECT_FALSE(decoded.ok()) << size.width();
      EXPECT_TRUE(IsDamagedFileError(decoded.error)) << decoded.error.toStdString();
    }
  }
}

// A frame far larger than the file could fill is refused when the file is opened, before any
// pixel is decoded; a frame with no scan data at all is incomplete, not unreadable.
TEST(JpegDataEnd, AFrameTheDataCannotFillIsRefusedAsDamagedOnOpening) {
  const QByteArray tiny = test::PhotoJpeg(QSize(16, 16));
  const QByteArray photo = test::PhotoJpeg(QSize(800, 600));
  ASSERT_GT(photo.size(), 120'000);
  const QByteArray progressive = test::PhotoJpeg(QSize(800, 600), {"-progressive"});
  const QByteArray frame = test::ClaimingFrame(tiny, 4062, 4062);
  const qsizetype scan = frame.indexOf("\xff\xda");
  const qsizetype scanData = scan + 2 + ((uchar(frame[scan + 2]) << 8) | uchar(frame[scan + 3]));
  const QByteArray claims[] = {
      test::ClaimingFrame(tiny, 20000, 20000),
      test::ClaimingFrame(photo, 20000, 20000),
      test::ClaimingFrame(progressive, 20000, 20000),
      frame.left(scan) + "\xff\xd9",      // the frame, then the end
      frame.left(scanData) + "\xff\xd9",  // a scan with no data
      frame.left(scan),                   // cut after the frame
  };
  for (const QByteArray& bytes : claims) {
    SCOPED_TRACE(&bytes - claims);
    const auto source = ImageSource::FromData(bytes);
    EXPECT_FALSE(source->isValid());
    EXPECT_TRUE(IsDamagedFileError(source->error())) << source->error().toStdString();
  }
  // The same small frame with a scan of no data is decoded and found empty.
  const qsizetype smallScan = tiny.indexOf("\xff\xda");
  const auto empty = ImageSource::FromData(
      tiny.left(smallScan + 2 + ((uchar(tiny[smallScan + 2]) << 8) | uchar(tiny[smallScan + 3]))) +
      "\xff\xd9");
  ASSERT_TRUE(empty->isValid());
  EXPECT_TRUE(IsDamagedFileError(empty->decode(0).error));
}

// The smallest files real writers make, flat colour at the lowest quality, are still opened.
TEST(JpegDataEnd, FlatPicturesAtTheLowestQualityAreOpened) {
  const QString folder = test::MakeTempFolder();
  for (const char* kind : {"baseline", "progressive", "grey"}) {
    SCOPED_TRACE(kind);
    const QString path = folder + QStringLiteral("/%1.jpg").arg(kind);
    const bool grey = kind == std::string("grey");
    QStringList arguments{"-size", "8000x6000", grey ? "xc:white" : "xc:#336699", "-quality", "1"};
    if (kind == std::string("progressive"))
      arguments << "-interlace"
                << "Plane";
    bool ok = false;
    test::RunTool(QStringLiteral("convert"), arguments << path, &ok);
    ASSERT_TRUE(ok);
    const auto source = ImageSource::Open(path);
    ASSERT_TRUE(source->isValid()) << source->error().toStdString();
    const ImageResult<QImage> small = source->decode(0, {QSize(), QSize(400, 300)});
    ASSERT_TRUE(small.ok()) << small.error.toStdString();
    EXPECT_NEAR(qGreen(small.value.pixel(200, 150)), grey ? 255 : 0x66, 10);
  }
}

}  // namespace
}  // namespace glimbrik
