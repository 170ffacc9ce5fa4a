// CMYK sources keep their own inks through an ordinary conversion (with no profile chosen and the
// image's own colour model, the canvas is the image's own CMYK space).

#include <gtest/gtest.h>

#include <QImage>
#include <tuple>

#include "engine/codec_fixtures.h"
#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/watermark/watermark_options.h"
#include "platform/codecs/image_source.h"
#include "support/cmyk_fixture.h"
#include "support/conversion_fixture.h"

namespace glimbrik {
namespace {

using test::Inks;
using test::MagickInks;
using test::MeanInkChange;

QString WriteTiff(const Inks& inks, const QString& name, bool profiled = false) {
  test::CmykTiffLayout layout;
  if (profiled) layout.iccProfile = test::ReadBytes("/usr/share/color/icc/ghostscript/ps_cmyk.icc");
  return test::WriteTemp(name, test::CmykTiff(inks, layout));
}

ImageConversion Record(const QString& source, const QString& out, int type, double quality = 0.8) {
  ImageConversion c = test::ConversionRecord(source, out, type, quality);
  c.resize = test::PercentFit(100);  // what the window passes with resizing off
  return c;
}

// Every output that stores inks writes the source's own: TIFF and Photoshop exactly, JPEG within
// its loss, with the source's transparency where the type keeps it. ProcessImageFile runs with
// resizing off and keeping the pixels, ConvertImageFile on its direct road and with metadata;
// "same as the image" (type 0) as well as a type chosen.
TEST(CmykInks, EveryOutputThatStoresInksWritesTheSourcesInks) {
  const Inks inks = test::PatternInks(96, 64);
  const QString plain = WriteTiff(inks, "plain.tif"), profiled = WriteTiff(inks, "p.tif", true);
  const QString jpeg = test::WriteTemp("src.jpg", test::CmykJpeg(inks));
  const Inks stored = MagickInks(jpeg);  // what the JPEG's inks really are
  Inks withAlpha{inks.size, {}, 5};
  for (int p = 0; p < 96 * 64; ++p) {
    withAlpha.samples += inks.samples.mid(p * 4, 4) + char(p % 96 < 32 ? 0 : 255);
  }
  const QString alpha = test::WriteTemp("alpha.tif", test::CmykTiff(withAlpha));
  const std::tuple<QString, int, double, bool> cases[] = {
      // source, type, tolerance, converted
      {plain, 10, 0, false},    {plain, 0, 0, false},    {plain, 1, 0, false},
      {profiled, 10, 0, false}, {profiled, 0, 0, false}, {profiled, 1, 0, false},
      {jpeg, 4, 3, false},      {jpeg, 4, 3, true},      {jpeg, 10, 0.5, true},
      {profiled, 10, 0, true},  {profiled, 4, 3, true},  {profiled, 1, 0, true},
      {profiled, 13, 0, true},  {alpha, 10, 0, false},   {alpha, 10, 0, true},
      {alpha, 1, 0, true}};
  const QString folder = test::MakeTempFolder();
  int n = 0;
  for (const auto& [source, type, tolerance, convert] : cases) {
    for (const bool other : {false, true}) {  // keeping the pixels, or with metadata
      SCOPED_TRACE(testing::Message() << source.toStdString() << " as " << type
                                      << (convert ? " converted " : " processed ") << other);
      const char* extension = type == 4 ? "jpg" : type == 1 ? "psd" : "tif";
      const QString out = folder + QString("/out%1.%2").arg(++n).arg(extension);
      if (convert) {
        ImageConversion c = test::ConversionRecord(source, out, type, 0.8);
        c.options.preserveMetadata = other;
        ASSERT_EQ(ConvertImageFile(&c), 1);
      } else {
        ImageConversion c = Record(source, out, type);
        if (other) c.resize = ImageResizeOptions{};
        ASSERT_EQ(ProcessImageFile(&c), 0);
      }
      EXPECT_LE(MeanInkChange(MagickInks(out), source == jpeg ? stored : inks), tolerance);
      // ImageMagick takes a Photoshop file's extra channel for transparency only with a layer
      // section, which these files do not have (RGB ones neither); our reader takes it.
      if (source == alpha && type == 1) {
        EXPECT_TRUE(ImageSource::Open(out)->representation(0).hasAlpha);
      } else if (source == alpha) {
        EXPECT_EQ(test::RunTool("identify", {"-format", "%A", out}).trimmed().toLower(), "true");
      }
      if (source == jpeg) continue;
      // Our reader takes it back as CMYK, with the profile made for the inks when there was one.
      const std::shared_ptr<ImageSource> written = ImageSource::Open(out);
      ASSERT_TRUE(written->isValid());
      EXPECT_EQ(written->representation(0).colorModel, ColorModel::CMYK);
      EXPECT_EQ(written->representation(0).iccProfile.isEmpty(), source != profiled);
    }
  }
}

// Placing and resizing keep the inks themselves: flat quadrants keep their inks away from the
// seams, resized down and up or placed on a background, which gets its own inks around them; and
// a picture's inks match ImageMagick's resize of them, an independent resampler.
TEST(CmykInks, PlacingAndResizingKeepTheInksThemselves) {
  const Inks quadrants = test::QuadrantInks(200, 160);
  const QString tiff = WriteTiff(quadrants, "quadrants.tif");
  const QString jpeg = test::WriteTemp("quadrants.jpg", test::CmykJpeg(quadrants, 100));
  const QString folder = test::MakeTempFolder();
  int n = 0;
  for (const QString& source : {tiff, jpeg}) {
    for (QSize box : {QSize(100, 80), QSize(300, 240), QSize(200, 200)}) {
      SCOPED_TRACE(testing::Message() << source.toStdString() << " to " << box.width());
      const QString out =
          folder + QString("/out%1.%2").arg(++n).arg(source == tiff ? "tif" : "jpg");
      ImageConversion c = Record(source, out, source == tiff ? 10 : 4, 1.0);
      c.resize = test::PixelFit(box.width(), box.height());
      c.resize.allowUpscale = 1;
      c.resize.backgroundColor = QColor(0, 0, 0);
      ASSERT_EQ(ProcessImageFile(&c), 0);
      const Inks written = MagickInks(out);
      ASSERT_EQ(written.size, box);
      const int tolerance = source == tiff ? 0 : 2;
      // The picture is centred; black is all black ink in device CMYK.
      const int w = box.width(), h = w * 4 / 5, top = (box.height() - h) / 2;
      if (top > 0) {
        EXPECT_NEAR(written.at(w / 2, top / 2, 3), 255, tolerance);
        EXPECT_NEAR(written.at(w / 2, top / 2, 0), 0, tolerance);
      }
      for (int q = 0; q < 4; ++q) {
        // Well inside the quadrant, away from the Lanczos ringing of the seams.
        const int x = (q % 2) * w / 2 + w / 4, y = top + (q / 2) * h / 2 + h / 4;
        for (int c2 = 0; c2 < 4; ++c2) {
          EXPECT_NEAR(written.at(x, y, c2), test::kQuadrantInks[size_t(q)][size_t(c2)], tolerance)
              << "quadrant " << q << " ink " << c2;
        }
      }
    }
  }

  // ImageMagick separates as device CMYK does; ink added to every channel leaves inks that no
  // separation gives.
  const QString rose = folder + "/rose.tif", reference = folder + "/reference.tif";
  test::RunTool("convert", {"rose:", "-resize", "280x200!", "-colorspace", "CMYK", "-evaluate",
                            "add", "12%", rose});
  test::RunTool("convert", {rose, "-resize", "140x100!", reference});
  const QString out = folder + "/small.tif";
  ImageConversion c = Record(rose, out, 10);
  c.resize = test::PixelFit(140, 100);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  EXPECT_LE(MeanInkChange(MagickInks(out), MagickInks(reference)), 3.0);
}

// Turns, mirrors and a stored orientation move the inks pixel for pixel, as ImageMagick moves
// them.
TEST(CmykInks, TurnsAndMirrorsMoveTheInks) {
  const Inks inks = test::PatternInks(40, 24);
  const QString source = WriteTiff(inks, "src.tif");
  const QString folder = test::MakeTempFolder();
  int n = 0;
  const std::tuple<int, int, const char*> turns[] = {
      {90, 0, "-rotate 270"}, {180, 0, "-rotate 180"}, {-90, 0, "-rotate 90"}, {0, 1, "-flop"},
      {0, 2, "-flip"},        {90, 1, "-transverse"},  {90, 2, "-transpose"}};
  for (const auto& [angle, flip, moved] : turns) {
    SCOPED_TRACE(testing::Message() << "angle " << angle << " flip " << flip);
    const QString out = folder + QString("/turn%1.tif").arg(++n);
    const QString expected = folder + QString("/expected%1.tif").arg(n);
    test::RunTool("convert",
                  QStringList{source} + QString(moved).split(' ') + QStringList{expected});
    ImageConversion c = Record(source, out, 10);
    c.rotationAngle = angle;
    c.flip = flip;
    ASSERT_EQ(ProcessImageFile(&c), 0);
    EXPECT_EQ(MeanInkChange(MagickInks(out), MagickInks(expected)), 0);
  }

  // A CMYK JPEG stored turned (EXIF orientation 6) is written upright: the stored top-left
  // quadrant ends at the top right.
  const QString turnedSource = test::WriteTemp(
      "turned.jpg", test::InsertSegment(test::CmykJpeg(test::QuadrantInks(64, 48), 100), 0xE1,
                                        QByteArray("Exif\0\0", 6) + test::MakeExif(6)));
  const Inks stored = MagickInks(turnedSource);  // as stored, not turned
  const QString upright = folder + "/upright.jpg";
  ImageConversion c = Record(turnedSource, upright, 4, 1.0);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const Inks written = MagickInks(upright);
  ASSERT_EQ(written.size, QSize(48, 64));
  for (int c2 = 0; c2 < 4; ++c2) {
    EXPECT_NEAR(written.at(40, 10, c2), stored.at(10, 10, c2), 2) << c2;
    EXPECT_NEAR(written.at(8, 54, c2), stored.at(54, 40, c2), 2) << c2;
  }
}

// A watermark changes only the inks it covers; an effect acts on the CMYK canvas.
TEST(CmykInks, WatermarksAndEffectsActOnTheCmykCanvas) {
  const Inks inks = test::PatternInks(200, 120);
  const QString source = WriteTiff(inks, "src.tif");
  const QString folder = test::MakeTempFolder(), marked = folder + "/marked.tif";
  ImageConversion c = Record(source, marked, 10);
  c.imageWatermarkEnabled = 1;
  c.imageWatermark.image = test::TwoColourImage(40, 40, Qt::red, Qt::red);
  c.imageWatermark.opacity = 1.0;
  c.imageWatermark.sizeFraction = 1.0;
  c.imageWatermark.position = 0;
  c.imageWatermark.baseImageSize = QSizeF(200, 120);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const Inks written = MagickInks(marked);
  ASSERT_EQ(written.size, inks.size);
  int changed = 0;
  for (int p = 0; p < 200 * 120 * 4; p += 4) {
    changed += written.samples.mid(p, 4) != inks.samples.mid(p, 4);
  }
  // Red covers a part; every other pixel keeps its inks.
  EXPECT_GT(changed, 200);
  EXPECT_LT(changed, 200 * 120 / 2);

  const QString effect = folder + "/effect.tif";
  ImageConversion e = Record(source, effect, 10);
  e.effectType = 1;
  ASSERT_EQ(ProcessImageFile(&e), 0);
  const Inks filtered = MagickInks(effect);
  ASSERT_EQ(filtered.size, inks.size);
  EXPECT_GT(MeanInkChange(filtered, inks), 1.0);
}

}  // namespace
}  // namespace glimbrik
