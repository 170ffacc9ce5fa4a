#include "pdfjobs/assembly/source_inks.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "engine/codecs/jpeg_memory.h"
#include "pdfjobs/pdf_fixtures.h"
#include "pdfjobs/pdf_jobs.h"
#include "platform/cmyk_tiff_fixture.h"

namespace glimbrik {
namespace {

constexpr int kWidth = 64, kHeight = 48;

// Each quadrant its own inks, so that a page turned or flipped the wrong way shows.
std::vector<uint8_t> QuadrantInks() {
  static const uint8_t quadrants[4][4] = {
      {50, 76, 101, 25}, {200, 20, 40, 60}, {10, 150, 30, 90}, {120, 60, 220, 5}};
  std::vector<uint8_t> inks;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const uint8_t* q = quadrants[(y < kHeight / 2 ? 0 : 2) + (x < kWidth / 2 ? 0 : 1)];
      inks.insert(inks.end(), q, q + 4);
    }
  }
  return inks;
}

// Inks at the middle of each quadrant, as ImageMagick reads them.
std::vector<int> InksAtQuadrants(const QString& image) {
  const QStringList size = test::RunTool("identify", {"-format", "%w %h", image}).split(u' ');
  const int w = size.value(0).toInt(), h = size.value(1).toInt();
  QString format;
  for (const QPoint p : {QPoint(w / 4, h / 4), QPoint(3 * w / 4, h / 4), QPoint(w / 4, 3 * h / 4),
                         QPoint(3 * w / 4, 3 * h / 4)}) {
    format += QStringLiteral("%[pixel:p{%1,%2}]").arg(p.x()).arg(p.y());
  }
  std::vector<int> inks = {w, h};
  for (const QString& pixel :
       test::RunTool("identify", {"-format", format, image}).split(u')', Qt::SkipEmptyParts)) {
    EXPECT_TRUE(pixel.startsWith("cmyk(")) << pixel.toStdString();
    for (const QString& v : pixel.mid(5).split(u',')) inks.push_back(v.toInt());
  }
  return inks;
}

// A CMYK page keeps its source's inks whatever the TIFF's layout, the page's angle or the
// orientation the file states: the image pdfimages takes out of the page holds the inks the
// source shows (ImageMagick's upright reading of it), at its size.
TEST(SourceInks, PagesKeepTheInksOfEveryLayoutAngleAndOrientation) {
  const QString folder = test::MakeTempFolder();
  const std::vector<uint8_t> inks = QuadrantInks();
  const QByteArray profile = test::ReadBytes("/usr/share/color/icc/ghostscript/ps_cmyk.icc");
  ASSERT_FALSE(profile.isEmpty());
  const auto tiff = [&](const char* name, bool planar, bool tiled, int orientation = 1) {
    test::CmykTiffLayout layout;
    layout.planar = planar;
    layout.tiled = tiled;
    layout.orientation = orientation;
    layout.iccProfile = profile;
    const QString path = QDir(folder).filePath(name);
    test::WriteBytes(path, test::CmykTiff(kWidth, kHeight, 4, inks, layout));
    return path;
  };
  uint8_t* jpeg = nullptr;
  unsigned long jpegSize = 0;
  ASSERT_TRUE(EncodeJPEGToMemory(kWidth, kHeight, inks.data(), kJPEGColourSpaceCMYK, 4, &jpeg,
                                 &jpegSize, 95, 72, 72));
  const QString jpegPath = QDir(folder).filePath("inks.jpg");
  test::WriteBytes(jpegPath, QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(jpegSize)));
  std::free(jpeg);

  const struct {
    QString source;
    QVariant angle;
    int type;  // 13 CMYK TIFF, 4 JPEG
    int tolerance;
  } cases[] = {
      {tiff("planar.tif", true, false), {}, 13, 0},
      {tiff("tiled.tif", false, true), {}, 4, 3},
      {tiff("both.tif", true, true), {}, 13, 0},
      {tiff("turned.tif", false, false), 90, 13, 0},
      {jpegPath, 270, 4, 3},
      // Stored flipped and turned: the page shows the file upright.
      {tiff("transverse.tif", false, false, 7), 180, 13, 0},
  };
  int n = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message()
                 << k.source.toStdString() << " at " << k.angle.toInt() << " as type " << k.type);
    ImagesToPDFConversionOptions o;
    o.singlePDF = 1;
    o.scalePercent = 100;
    o.imageType = k.type;
    o.imageQuality = 0.9;
    QVariantMap item{{"FilePath", k.source}};
    if (k.angle.isValid()) item.insert("Angle", k.angle);
    o.items = {item};
    o.destinationURL = QDir(folder).filePath(QStringLiteral("inks%1.pdf").arg(++n));
    ASSERT_EQ(ConvertImagesToPDF(&o), 1);
    const QString prefix = QDir(folder).filePath(QStringLiteral("out%1").arg(n));
    test::RunTool("pdfimages", {"-tiff", o.destinationURL, prefix});
    const QString upright = QDir(folder).filePath(QStringLiteral("upright%1.tif").arg(n));
    test::RunTool("convert", {k.source, "-auto-orient", upright});
    const std::vector<int> expected = InksAtQuadrants(upright);
    const std::vector<int> read = InksAtQuadrants(prefix + "-000.tif");
    ASSERT_EQ(read.size(), expected.size());
    EXPECT_EQ(read[0], expected[0]);
    EXPECT_EQ(read[1], expected[1]);
    for (size_t i = 2; i < read.size(); ++i) EXPECT_NEAR(read[i], expected[i], k.tolerance) << i;
  }
}

}  // namespace
}  // namespace glimbrik
