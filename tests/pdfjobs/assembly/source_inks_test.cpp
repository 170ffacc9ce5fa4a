#include <gtest/gtest.h>

#include <tuple>

#include "pdfjobs/pdf_fixtures.h"
#include "pdfjobs/pdf_jobs.h"
#include "support/cmyk_fixture.h"

namespace glimbrik {
namespace {

// A CMYK page keeps its source's inks whatever the TIFF's layout, the page's angle or the
// orientation the file states: the image pdfimages takes out of the page holds the inks the
// source shows (ImageMagick's upright reading of it) in each quadrant, at its size.
TEST(SourceInks, PagesKeepTheInksOfEveryLayoutAngleAndOrientation) {
  const test::Inks inks = test::QuadrantInks(64, 48);
  const QByteArray profile = test::ReadBytes("/usr/share/color/icc/ghostscript/ps_cmyk.icc");
  ASSERT_FALSE(profile.isEmpty());
  const auto tiff = [&](const char* name, bool planar, bool tiled, int orientation = 1) {
    return test::WriteTemp(name, test::CmykTiff(inks, {planar, tiled, 8, orientation, profile}));
  };
  // Source, the page's angle, the type (13 CMYK TIFF, 4 JPEG) and the tolerance of each ink.
  const std::tuple<QString, QVariant, int, int> cases[] = {
      {tiff("planar.tif", true, false), {}, 13, 0},
      {tiff("tiled.tif", false, true), {}, 4, 3},
      {tiff("both.tif", true, true), {}, 13, 0},
      {tiff("turned.tif", false, false), 90, 13, 0},
      {test::WriteTemp("inks.jpg", test::CmykJpeg(inks)), 270, 4, 3},
      // Stored flipped and turned: the page shows the file upright.
      {tiff("transverse.tif", false, false, 7), 180, 13, 0},
  };
  const QString folder = test::MakeTempFolder();
  int n = 0;
  for (const auto& [source, angle, type, tolerance] : cases) {
    SCOPED_TRACE(testing::Message()
                 << source.toStdString() << " at " << angle.toInt() << " as type " << type);
    ImagesToPDFConversionOptions o;
    o.singlePDF = 1;
    o.scalePercent = 100;
    o.imageType = type;
    o.imageQuality = 0.9;
    QVariantMap item{{"FilePath", source}};
    if (angle.isValid()) item.insert("Angle", angle);
    o.items = {item};
    const QString base = folder + QString("/%1").arg(++n);
    o.destinationURL = base + ".pdf";
    ASSERT_EQ(ConvertImagesToPDF(&o), 1);
    test::RunTool("pdfimages", {"-tiff", o.destinationURL, base});
    test::RunTool("convert", {source, "-auto-orient", base + "-upright.tif"});
    const test::Inks expected = test::MagickInks(base + "-upright.tif"),
                     read = test::MagickInks(base + "-000.tif");
    ASSERT_FALSE(expected.size.isEmpty());
    ASSERT_EQ(read.size, expected.size);
    const int w = read.size.width(), h = read.size.height();
    for (int q = 0; q < 4; ++q) {
      const int x = (q % 2 * 2 + 1) * w / 4, y = (q / 2 * 2 + 1) * h / 4;
      for (int c = 0; c < 4; ++c) {
        EXPECT_NEAR(read.at(x, y, c), expected.at(x, y, c), tolerance) << "quadrant " << q << c;
      }
    }
  }
}

}  // namespace
}  // namespace glimbrik
