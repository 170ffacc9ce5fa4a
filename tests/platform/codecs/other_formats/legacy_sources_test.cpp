// MacPaint, raw fax and QuickTime image files, each checked against an independent decoder.
#include <gtest/gtest.h>

#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "support/legacy_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::Atom;
using test::FaxPicture;
using test::MacBinaryHeader;
using test::PaintPbm;
using test::QuickTimeImage;
using test::RunToBytes;

QImage Decoded(const QString& path, ImageRepresentation* rep = nullptr) {
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  EXPECT_TRUE(source->isValid()) << path.toStdString() << ": " << source->error().toStdString();
  if (!source->isValid()) return {};
  if (rep) *rep = source->representation(0);
  const ImageResult<QImage> decoded = source->decode(0);
  EXPECT_TRUE(decoded.ok()) << decoded.error.toStdString();
  return decoded.value;
}

// The reason a damaged file gives, from the probe or else from decoding.
QString FailureOf(const QString& path) {
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  if (!source->isValid()) return source->error();
  const ImageResult<QImage> decoded = source->decode(0);
  return decoded.ok() ? QString() : decoded.error;
}

// Largest channel difference over the area both images cover; -1 when sizes differ.
int MaxDifference(const QImage& ours, const QImage& theirs, QRect area = QRect()) {
  if (area.isNull()) {
    if (ours.size() != theirs.size()) return -1;
    area = ours.rect();
  }
  const QImage a = ours.convertToFormat(QImage::Format_RGB32);
  const QImage b = theirs.convertToFormat(QImage::Format_RGB32);
  int worst = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
      worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                        std::abs(qBlue(p) - qBlue(q))});
    }
  }
  return worst;
}

TEST(LegacySourceMacPaint, ReadsAsMacptopbmDoesWithOrWithoutMacBinaryHeader) {
  const QString folder = test::MakeTempFolder();
  ASSERT_TRUE(test::WriteBytes(folder + "/in.pbm", PaintPbm()));
  const QByteArray paint = RunToBytes(QStringLiteral("pbmtomacp"), {folder + "/in.pbm"});
  ASSERT_GT(paint.size(), 512);
  ASSERT_TRUE(test::WriteBytes(folder + "/plain.pntg", paint));
  // A MacBinary copy is known by its header whatever its name.
  ASSERT_TRUE(test::WriteBytes(folder + "/binary.bin", MacBinaryHeader(paint.size()) + paint));
  const QImage truth = QImage::fromData(PaintPbm(), "PBM");
  ASSERT_FALSE(truth.isNull());
  for (const char* name : {"/plain.pntg", "/binary.bin"}) {
    SCOPED_TRACE(name);
    ImageRepresentation rep;
    const QImage ours = Decoded(folder + name, &rep);
    EXPECT_EQ(QSize(rep.pixelWidth, rep.pixelHeight), QSize(576, 720));
    EXPECT_DOUBLE_EQ(rep.dpiX, 72.0);
    EXPECT_EQ(ImageSource::Open(folder + name)->typeIdentifier(), "com.apple.macpaint-image");
    const QImage theirs =
        QImage::fromData(RunToBytes(QStringLiteral("macptopbm"), {folder + name}), "PBM");
    EXPECT_EQ(MaxDifference(ours, theirs), 0);
    EXPECT_EQ(MaxDifference(ours, truth), 0);
  }
  // Cut short: the picture ends early, or the header itself is incomplete.
  ASSERT_TRUE(test::WriteBytes(folder + "/cut.pntg", paint.left(paint.size() / 2)));
  ASSERT_TRUE(test::WriteBytes(folder + "/stub.pntg", paint.left(300)));
  for (const char* name : {"/cut.pntg", "/stub.pntg"}) {
    EXPECT_TRUE(IsDamagedFileError(FailureOf(folder + name))) << name;
  }
}

TEST(LegacySourceFax, ReadsWhatImageMagickWritesAtItsWidthAndFaxResolution) {
  const QString folder = test::MakeTempFolder();
  ASSERT_TRUE(FaxPicture().save(folder + "/in.png"));
  bool ok = false;
  test::RunTool(QStringLiteral("convert"), {folder + "/in.png", "fax:" + folder + "/page.fax"},
                &ok);
  ASSERT_TRUE(ok);
  ImageRepresentation rep;
  const QImage ours = Decoded(folder + "/page.fax", &rep);
  // The writer pads lines to the standard fax width of 1728.
  EXPECT_EQ(QSize(rep.pixelWidth, rep.pixelHeight), QSize(1728, 150));
  EXPECT_EQ(
      test::RunTool(QStringLiteral("identify"), {"-format", "%x %y", "fax:" + folder + "/page.fax"})
          .trimmed(),
      QStringLiteral("%1 %2").arg(rep.dpiX).arg(rep.dpiY));
  // ImageMagick reads the headerless file 2592 wide; the columns past ours are white.
  const QImage theirs = QImage::fromData(
      RunToBytes(QStringLiteral("convert"), {"fax:" + folder + "/page.fax", "pgm:-"}), "PGM");
  ASSERT_EQ(theirs.height(), ours.height());
  ASSERT_GE(theirs.width(), ours.width());
  EXPECT_EQ(MaxDifference(ours, theirs, ours.rect()), 0);
  EXPECT_EQ(MaxDifference(ours.copy(0, 0, 420, 150), FaxPicture()), 0);
  const QImage rest = theirs.copy(ours.width(), 0, theirs.width() - ours.width(), theirs.height());
  QImage white(rest.size(), QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_EQ(MaxDifference(rest, white), 0);

  const QByteArray page = test::ReadBytes(folder + "/page.fax");
  QByteArray scrambled = page;
  for (qsizetype i = page.size() / 3; i < page.size() / 3 + 8; ++i) scrambled[i] = char(0xA5);
  ASSERT_TRUE(test::WriteBytes(folder + "/cut.fax", page.left(page.size() / 2)));
  ASSERT_TRUE(test::WriteBytes(folder + "/scrambled.fax", scrambled));
  for (const char* name : {"/cut.fax", "/scrambled.fax"}) {
    EXPECT_TRUE(IsDamagedFileError(FailureOf(folder + name))) << name;
  }
}

TEST(LegacySourceQuickTime, InnerJpegPngAndRawDecodeAndOtherCodecsFailWithAReason) {
  const QString folder = test::MakeTempFolder();
  const QImage picture = test::PatternImage(64, 48);
  DestinationProperties properties;
  properties.lossyQuality = 0.9;
  const QByteArray jpeg = EncodeImage(picture, "public.jpeg", properties).value;
  const QByteArray png = EncodeImage(picture, "public.png", {}).value;
  ASSERT_FALSE(jpeg.isEmpty());
  ASSERT_FALSE(png.isEmpty());
  ASSERT_TRUE(test::WriteBytes(folder + "/inner.jpg", jpeg));
  ASSERT_TRUE(test::WriteBytes(folder + "/inner.png", png));
  // 24-bit RGB, and 32-bit with a leading byte QuickTime leaves unused.
  QByteArray raw, raw32;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const QRgb p = picture.pixel(x, y);
      raw.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
      raw32.append(char(0x40 + x)).append(raw.right(3));
    }
  }
  struct Case {
    const char* name;
    const char* codec;
    QByteArray data;
    QString independent;  // decoded by ImageMagick, or empty for the raw pixels
    int tolerance;
    int depth = 24;
  };
  const Case cases[] = {{"/jpeg.qtif", "jpeg", jpeg, folder + "/inner.jpg", 3},
                        {"/png.qti", "png ", png, folder + "/inner.png", 0},
                        {"/raw.qtif", "raw ", raw, QString(), 0},
                        {"/raw32.qtif", "raw ", raw32, QString(), 0, 32}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::WriteBytes(folder + c.name,
                                 QuickTimeImage(c.codec, QSize(64, 48), 150.0, c.depth, c.data)));
    ImageRepresentation rep;
    const QImage ours = Decoded(folder + c.name, &rep);
    EXPECT_EQ(QSize(rep.pixelWidth, rep.pixelHeight), QSize(64, 48));
    // The description's resolution, not the inner file's 72.
    EXPECT_DOUBLE_EQ(rep.dpiX, 150.0);
    EXPECT_DOUBLE_EQ(rep.dpiY, 150.0);
    const QImage theirs =
        c.independent.isEmpty()
            ? picture
            : QImage::fromData(RunToBytes(QStringLiteral("convert"), {c.independent, "ppm:-"}),
                               "PPM");
    const int difference = MaxDifference(ours, theirs);
    EXPECT_GE(difference, 0);
    EXPECT_LE(difference, c.tolerance);
  }
  // Compressions without a reader here fail with their name; damage is told apart.
  ASSERT_TRUE(
      test::WriteBytes(folder + "/rle.qtif", QuickTimeImage("rle ", QSize(64, 48), 72.0, 24, raw)));
  const QString unsupported = FailureOf(folder + "/rle.qtif");
  EXPECT_TRUE(unsupported.contains("'rle '")) << unsupported.toStdString();
  EXPECT_FALSE(IsDamagedFileError(unsupported));
  const QByteArray whole = QuickTimeImage("jpeg", QSize(64, 48), 72.0, 24, jpeg);
  ASSERT_TRUE(test::WriteBytes(folder + "/cut.qtif", whole.left(whole.size() - 200)));
  // Whole atoms, but the JPEG inside is cut short.
  ASSERT_TRUE(test::WriteBytes(folder + "/short.qtif",
                               QuickTimeImage("jpeg", QSize(64, 48), 72.0, 24, jpeg.left(300))));
  for (const char* name : {"/cut.qtif", "/short.qtif"}) {
    const QString reason = FailureOf(folder + name);
    EXPECT_TRUE(IsDamagedFileError(reason)) << name << ": " << reason.toStdString();
  }
}

}  // namespace
}  // namespace glimbrik
