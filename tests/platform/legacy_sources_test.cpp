// MacPaint, raw fax and QuickTime image files, each checked against an independent decoder.
#include <gtest/gtest.h>

#include <QProcess>

#include "platform/image_destination.h"
#include "platform/image_fixtures.h"
#include "platform/image_source.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// A tool's standard output as bytes (these tools write pictures there).
QByteArray RunToBytes(const QString& program, const QStringList& arguments) {
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForStarted(60000)) {
    ADD_FAILURE() << program.toStdString() << " is missing: scripts/setup.sh installs it";
    return {};
  }
  const bool finished = process.waitForFinished(60000);
  EXPECT_TRUE(finished && process.exitCode() == 0)
      << program.toStdString() << ": " << process.readAllStandardError().toStdString();
  return process.readAllStandardOutput();
}

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

// A 576 x 720 bitmap with long runs and busy stretches, so that PackBits writes both kinds.
QByteArray PaintPbm() {
  QByteArray pbm("P4\n576 720\n");
  for (int y = 0; y < 720; ++y) {
    for (int byte = 0; byte < 72; ++byte) {
      int bits = 0;
      for (int b = 0; b < 8; ++b) {
        const int x = byte * 8 + b;
        const bool black = (x > 100 && x < 300 && y > 50 && y < 400) ||
                           (y > 500 && ((x * 7 + y * 3) % 11 < 4)) || (x - y) % 97 == 0;
        bits = bits << 1 | (black ? 1 : 0);
      }
      pbm.append(char(bits));
    }
  }
  return pbm;
}

QByteArray MacBinaryHeader(qsizetype dataLength) {
  QByteArray header(128, '\0');
  const QByteArray name("picture");
  header[1] = char(name.size());
  header.replace(2, name.size(), name);
  header.replace(65, 8, "PNTGMPNT");
  for (int i = 0; i < 4; ++i) header[83 + i] = char(dataLength >> (24 - 8 * i));
  return header;
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

// Black shapes of many widths, so that most run-length codes of both colours occur.
QImage FaxPicture() {
  QImage image(420, 150, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const bool black = (x / (1 + y % 37)) % 2 == 0 || (x * x + 3 * y) % 101 < 9;
      image.setPixel(x, y, black ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    }
  }
  return image;
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

void AppendBig(QByteArray* out, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->append(char(value >> (8 * i)));
}

QByteArray Atom(const char* type, const QByteArray& content) {
  QByteArray atom;
  AppendBig(&atom, uint32_t(content.size() + 8), 4);
  return atom + type + content;
}

// An image description and its data, as QuickTime writes a still picture.
QByteArray QuickTimeImage(const char* codec, QSize size, double dpi, int depth,
                          const QByteArray& data) {
  QByteArray d;
  AppendBig(&d, 86, 4);
  d += codec;
  d += QByteArray(8, '\0');  // reserved, data reference index 0
  AppendBig(&d, 0, 4);       // version, revision
  d += "appl";
  AppendBig(&d, 0, 4);
  AppendBig(&d, 512, 4);  // spatial quality
  AppendBig(&d, uint32_t(size.width()), 2);
  AppendBig(&d, uint32_t(size.height()), 2);
  AppendBig(&d, uint32_t(dpi * 65536), 4);
  AppendBig(&d, uint32_t(dpi * 65536), 4);
  AppendBig(&d, uint32_t(data.size()), 4);
  AppendBig(&d, 1, 2);
  d += QByteArray(32, '\0');
  AppendBig(&d, uint32_t(depth), 2);
  AppendBig(&d, 0xFFFF, 2);
  EXPECT_EQ(d.size(), 86);
  return Atom("idsc", d) + Atom("idat", data);
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
  QByteArray raw;
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x) {
      const QRgb p = picture.pixel(x, y);
      raw.append(char(qRed(p))).append(char(qGreen(p))).append(char(qBlue(p)));
    }
  }
  struct Case {
    const char* name;
    const char* codec;
    QByteArray data;
    QString independent;  // decoded by ImageMagick, or empty for the raw pixels
    int tolerance;
  };
  const Case cases[] = {{"/jpeg.qtif", "jpeg", jpeg, folder + "/inner.jpg", 3},
                        {"/png.qti", "png ", png, folder + "/inner.png", 0},
                        {"/raw.qtif", "raw ", raw, QString(), 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(test::WriteBytes(folder + c.name,
                                 QuickTimeImage(c.codec, QSize(64, 48), 150.0, 24, c.data)));
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
