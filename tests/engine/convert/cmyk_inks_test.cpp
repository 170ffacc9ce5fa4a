// CMYK sources keep their own inks through an ordinary conversion (with no profile chosen and the
// image's own colour model, the canvas is the image's own CMYK space).
// The inks of every output are read back by ImageMagick, a decoder independent of ours.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <array>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/codec_fixtures.h"
#include "engine/codecs/jpeg_memory.h"
#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/watermark/watermark_options.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/image_source.h"
#include "platform/image_fixtures.h"
#include "platform/pixels/color_space.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::RunTool;

const char kProfile[] = "/usr/share/color/icc/ghostscript/ps_cmyk.icc";

// Interleaved C, M, Y, K bytes, 0 = no ink.
struct Inks {
  int width = 0;
  int height = 0;
  QByteArray samples;
  uchar at(int x, int y, int c) const { return uchar(samples[(qsizetype(y) * width + x) * 4 + c]); }
};

// Inks that an RGB round trip cannot keep: every ink varies on its own and the colours carry
// black under them, which any separation moves between C, M, Y and K.
Inks Pattern(int width, int height) {
  Inks inks{width, height, QByteArray(qsizetype(width) * height * 4, '\0')};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uchar* p = reinterpret_cast<uchar*>(inks.samples.data()) + (qsizetype(y) * width + x) * 4;
      p[0] = uchar(40 + x * 180 / std::max(1, width - 1));
      p[1] = uchar(30 + y * 200 / std::max(1, height - 1));
      p[2] = uchar(20 + (x + y) * 200 / std::max(1, width + height - 2));
      p[3] = uchar(((x / 8 + y / 8) % 4) * 50 + 10);
    }
  }
  return inks;
}

// Four flat blocks, left to right and top to bottom.
const std::array<std::array<uchar, 4>, 4> kBlocks = {
    {{50, 76, 101, 25}, {200, 20, 120, 60}, {10, 180, 40, 140}, {90, 90, 90, 90}}};

Inks Blocks(int width, int height) {
  Inks inks{width, height, QByteArray(qsizetype(width) * height * 4, '\0')};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto& ink = kBlocks[size_t((y >= height / 2 ? 2 : 0) + (x >= width / 2 ? 1 : 0))];
      std::memcpy(inks.samples.data() + (qsizetype(y) * width + x) * 4, ink.data(), 4);
    }
  }
  return inks;
}

QString WriteTiff(const Inks& inks, const QString& name, const char* profile = nullptr) {
  DestinationProperties properties;
  properties.colorSpace = profile ? ColorSpace::FromFile(profile) : ColorSpace::DeviceCMYK();
  EXPECT_TRUE(properties.colorSpace);
  properties.cmykSamples = inks.samples;
  QImage picture(inks.width, inks.height, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const QString path = test::MakeTempFolder() + '/' + name;
  EXPECT_TRUE(test::WriteBytes(path, EncodeImage(picture, "public.tiff", properties).value));
  return path;
}

// A CMYK JPEG as such files are: Adobe-inverted behind an APP14 segment, from our encoder.
QString WriteJpeg(const Inks& inks, const QString& name, int quality = 95,
                  const QByteArray& exif = {}) {
  uint8_t* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_TRUE(EncodeJPEGToMemory(uint32_t(inks.width), uint32_t(inks.height),
                                 reinterpret_cast<const uint8_t*>(inks.samples.constData()),
                                 kJPEGColourSpaceCMYK, 4, &jpeg, &size, quality, 72, 72));
  QByteArray bytes(reinterpret_cast<const char*>(jpeg), qsizetype(size));
  std::free(jpeg);
  if (!exif.isEmpty()) bytes = test::InsertSegment(bytes, 0xE1, QByteArray("Exif\0\0", 6) + exif);
  const QString path = test::MakeTempFolder() + '/' + name;
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

// The colour space ImageMagick finds in the file: "CMYK" or "sRGB".
std::string MagickSpace(const QString& path) {
  return RunTool("identify", {"-format", "%[colorspace]", path + "[0]"}).trimmed().toStdString();
}

// The inks ImageMagick decodes from the file (only meaningful for a CMYK file).
Inks MagickInks(const QString& path) {
  const QString raw = test::MakeTempFolder() + "/inks.cmyk";
  bool ok = false;
  RunTool("convert", {path + "[0]", "-depth", "8", "cmyk:" + raw}, &ok);
  EXPECT_TRUE(ok) << path.toStdString();
  const QStringList size =
      RunTool("identify", {"-format", "%w %h", path + "[0]"}).trimmed().split(' ');
  return {size.value(0).toInt(), size.value(1).toInt(), test::ReadBytes(raw)};
}

// Mean absolute difference per ink over every pixel; 255 when the sizes differ.
double MeanInkChange(const Inks& a, const Inks& b) {
  if (a.width != b.width || a.height != b.height || a.samples.size() != b.samples.size() ||
      a.samples.isEmpty()) {
    return 255;
  }
  double sum = 0;
  for (qsizetype i = 0; i < a.samples.size(); ++i) {
    sum += std::abs(int(uchar(a.samples[i])) - int(uchar(b.samples[i])));
  }
  return sum / double(a.samples.size());
}

ImageConversion Record(const QString& source, const QString& out, int type, double quality = 0.8) {
  ImageConversion c = test::ConversionRecord(source, out, type, quality);
  c.resize = test::PercentFit(100);  // what the window passes with resizing off
  return c;
}

void ExpectSameInks(const QString& out, const Inks& expected) {
  ASSERT_EQ(MagickSpace(out), "CMYK") << out.toStdString();
  const Inks written = MagickInks(out);
  ASSERT_EQ(written.width, expected.width);
  ASSERT_EQ(written.height, expected.height);
  EXPECT_TRUE(written.samples == expected.samples)
      << "mean ink change " << MeanInkChange(written, expected);
}

TEST(CmykInks, TiffToTiffKeepsEveryInk) {
  const Inks inks = Pattern(64, 48);
  const QString folder = test::MakeTempFolder();
  for (const char* profile : {static_cast<const char*>(nullptr), kProfile}) {
    SCOPED_TRACE(profile ? profile : "no profile");
    const QString source = WriteTiff(inks, "src.tif", profile);
    // The type chosen and "same as the image", with resizing off and with the pixels kept.
    for (int type : {10, 0}) {
      for (bool keepPixels : {false, true}) {
        SCOPED_TRACE(testing::Message() << "type " << type << " keepPixels " << keepPixels);
        const QString out = folder + QString("/out%1%2.tif").arg(type).arg(keepPixels);
        ImageConversion c = Record(source, out, type);
        if (keepPixels) c.resize = ImageResizeOptions{};
        ASSERT_EQ(ProcessImageFile(&c), 0);
        ExpectSameInks(out, inks);
        // The profile goes with the inks it was made for.
        const std::shared_ptr<ImageSource> written = ImageSource::Open(out);
        ASSERT_TRUE(written->isValid());
        EXPECT_EQ(written->representation(0).iccProfile.isEmpty(), profile == nullptr);
      }
    }
  }
}

TEST(CmykInks, JpegToJpegStaysWithinTheLossOfJpeg) {
  const Inks inks = Pattern(96, 64);
  const QString source = WriteJpeg(inks, "src.jpg");
  // What the source's inks really are, as an independent decoder reads them.
  const Inks stored = MagickInks(source);
  const QString out = test::MakeTempFolder() + "/out.jpg";
  ImageConversion c = Record(source, out, 4, 0.8);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(MagickSpace(out), "CMYK");
  EXPECT_LE(MeanInkChange(MagickInks(out), stored), 3.0);
}

TEST(CmykInks, ConvertImageFileWritesTheInksAsJpegTiffAndPhotoshop) {
  const Inks inks = Pattern(96, 64);
  const QString jpeg = WriteJpeg(inks, "src.jpg");
  const Inks stored = MagickInks(jpeg);
  const QString tiff = WriteTiff(inks, "src.tif", kProfile);
  const QString folder = test::MakeTempFolder();
  struct Case {
    QString source;
    int type;
    const char* extension;
    double tolerance;  // mean change per ink
  };
  for (const Case& k :
       {Case{jpeg, 4, "jpg", 3.0}, Case{jpeg, 10, "tif", 0.5}, Case{tiff, 10, "tif", 0.0},
        Case{tiff, 4, "jpg", 3.0}, Case{tiff, 1, "psd", 0.0}, Case{tiff, 13, "tif", 0.0}}) {
    for (bool preserveMetadata : {false, true}) {  // the direct road and the other
      SCOPED_TRACE(testing::Message() << k.source.toStdString() << " as " << k.type
                                      << (preserveMetadata ? " with metadata" : ""));
      const QString out =
          folder + QString("/out%1%2.%3").arg(k.type).arg(preserveMetadata).arg(k.extension);
      ImageConversion c = test::ConversionRecord(k.source, out, k.type, 0.8);
      c.options.preserveMetadata = preserveMetadata;
      ASSERT_EQ(ConvertImageFile(&c), 1);
      ASSERT_EQ(MagickSpace(out), "CMYK");
      EXPECT_LE(MeanInkChange(MagickInks(out), k.source == jpeg ? stored : inks), k.tolerance);
    }
  }
}

TEST(CmykInks, PhotoshopOutputIsCmykWithTheSourcesInks) {
  const Inks inks = Pattern(64, 48);
  const QString folder = test::MakeTempFolder();
  for (const char* profile : {static_cast<const char*>(nullptr), kProfile}) {
    SCOPED_TRACE(profile ? profile : "no profile");
    const QString source = WriteTiff(inks, "src.tif", profile);
    const QString out = folder + (profile ? "/profiled.psd" : "/plain.psd");
    ImageConversion c = Record(source, out, 1);
    ASSERT_EQ(ProcessImageFile(&c), 0);
    ExpectSameInks(out, inks);
    // Our own reader takes it back as CMYK, with the profile when there was one.
    const std::shared_ptr<ImageSource> written = ImageSource::Open(out);
    ASSERT_TRUE(written->isValid());
    EXPECT_EQ(written->representation(0).colorModel, ColorModel::CMYK);
    EXPECT_EQ(written->representation(0).iccProfile.isEmpty(), profile == nullptr);
  }
}

// Flat blocks stay their inks through a resize; only the seams between them mix.
TEST(CmykInks, AResizeInterpolatesTheInksThemselves) {
  const Inks blocks = Blocks(200, 160);
  const QString folder = test::MakeTempFolder();
  const QString tiff = WriteTiff(blocks, "blocks.tif");
  const QString jpeg = WriteJpeg(blocks, "blocks.jpg", 100);
  for (const QString& source : {tiff, jpeg}) {
    for (QSize box : {QSize(100, 80), QSize(300, 240)}) {
      SCOPED_TRACE(testing::Message() << source.toStdString() << " to " << box.width());
      const QString out =
          folder + QString("/out%1.%2").arg(box.width()).arg(source == tiff ? "tif" : "jpg");
      ImageConversion c = Record(source, out, source == tiff ? 10 : 4, 1.0);
      c.resize = test::PixelFit(box.width(), box.height());
      c.resize.allowUpscale = 1;
      ASSERT_EQ(ProcessImageFile(&c), 0);
      ASSERT_EQ(MagickSpace(out), "CMYK");
      const Inks written = MagickInks(out);
      ASSERT_EQ(QSize(written.width, written.height), box);
      const int tolerance = source == tiff ? 0 : 2;
      for (int block = 0; block < 4; ++block) {
        // Well inside the block, away from the Lanczos ringing of the seams.
        const int x = (block % 2) * box.width() / 2 + box.width() / 4;
        const int y = (block / 2) * box.height() / 2 + box.height() / 4;
        for (int c2 = 0; c2 < 4; ++c2) {
          EXPECT_NEAR(written.at(x, y, c2), kBlocks[size_t(block)][size_t(c2)], tolerance)
              << "block " << block << " ink " << c2;
        }
      }
    }
  }
}

// ImageMagick's resize of the inks is a second, independent resampler.
TEST(CmykInks, AResizeMatchesImageMagicksResizeOfTheInks) {
  const QString source = test::MakeTempFolder() + "/rose.tif";
  bool ok = false;
  // ImageMagick separates as device CMYK does; ink added to every channel leaves inks that no
  // separation gives.
  RunTool(
      "convert",
      {"rose:", "-resize", "280x200!", "-colorspace", "CMYK", "-evaluate", "add", "12%", source},
      &ok);
  ASSERT_TRUE(ok);
  const QString out = test::MakeTempFolder() + "/small.tif";
  ImageConversion c = Record(source, out, 10);
  c.resize = test::PixelFit(140, 100);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(MagickSpace(out), "CMYK");
  const QString reference = test::MakeTempFolder() + "/reference.tif";
  RunTool("convert", {source, "-resize", "140x100!", reference}, &ok);
  ASSERT_TRUE(ok);
  EXPECT_LE(MeanInkChange(MagickInks(out), MagickInks(reference)), 3.0);
}

// Turns and mirrors move the inks pixel for pixel, as they move pixels.
TEST(CmykInks, TurnsAndMirrorsMoveTheInks) {
  const Inks inks = Pattern(40, 24);
  const QString source = WriteTiff(inks, "src.tif");
  const QString folder = test::MakeTempFolder();
  struct Case {
    int angle;
    int flip;
  };
  for (const Case& k :
       {Case{90, 0}, Case{180, 0}, Case{-90, 0}, Case{0, 1}, Case{0, 2}, Case{90, 1}}) {
    SCOPED_TRACE(testing::Message() << "angle " << k.angle << " flip " << k.flip);
    const QString out = folder + QString("/turn%1_%2.tif").arg(k.angle).arg(k.flip);
    ImageConversion c = Record(source, out, 10);
    c.rotationAngle = k.angle;
    c.flip = k.flip;
    ASSERT_EQ(ProcessImageFile(&c), 0);
    // The same turn of an RGB picture of the source says where each pixel goes.
    const QString rgbSource = folder + "/where.png";
    QImage where(inks.width, inks.height, QImage::Format_RGB32);
    for (int y = 0; y < inks.height; ++y) {
      for (int x = 0; x < inks.width; ++x) where.setPixel(x, y, qRgb(x * 5, y * 10, 0));
    }
    ASSERT_TRUE(where.save(rgbSource, "PNG"));
    const QString rgbOut = folder + QString("/where%1_%2.png").arg(k.angle).arg(k.flip);
    ImageConversion r = Record(rgbSource, rgbOut, 7);
    r.rotationAngle = k.angle;
    r.flip = k.flip;
    ASSERT_EQ(ProcessImageFile(&r), 0);
    const QImage moved(rgbOut);
    const Inks written = MagickInks(out);
    ASSERT_EQ(QSize(written.width, written.height), moved.size());
    int wrong = 0;
    for (int y = 0; y < moved.height(); ++y) {
      for (int x = 0; x < moved.width(); ++x) {
        const QRgb p = moved.pixel(x, y);
        const int sx = qRound(qRed(p) / 5.0), sy = qRound(qGreen(p) / 10.0);
        for (int c2 = 0; c2 < 4; ++c2) wrong += written.at(x, y, c2) != inks.at(sx, sy, c2);
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// A CMYK JPEG stored turned (EXIF orientation 6) is written upright with its inks.
TEST(CmykInks, AStoredOrientationTurnsTheInks) {
  const Inks inks = Blocks(64, 48);
  const QString source = WriteJpeg(inks, "turned.jpg", 100, test::MakeExif(6));
  const Inks stored = MagickInks(source);  // as stored, not turned
  const QString out = test::MakeTempFolder() + "/upright.jpg";
  ImageConversion c = Record(source, out, 4, 1.0);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(MagickSpace(out), "CMYK");
  const Inks written = MagickInks(out);
  ASSERT_EQ(QSize(written.width, written.height), QSize(48, 64));
  // Orientation 6: the stored top-left block ends at the top right.
  for (int c2 = 0; c2 < 4; ++c2) {
    EXPECT_NEAR(written.at(40, 10, c2), stored.at(10, 10, c2), 2) << c2;
    EXPECT_NEAR(written.at(8, 54, c2), stored.at(54, 40, c2), 2) << c2;
  }
}

// A background fills the rest of the box with its own inks; the picture keeps its.
TEST(CmykInks, ABackgroundIsSeparatedAroundTheKeptInks) {
  const Inks inks = Blocks(100, 50);
  const QString source = WriteTiff(inks, "src.tif");
  const QString out = test::MakeTempFolder() + "/boxed.tif";
  ImageConversion c = Record(source, out, 10);
  c.resize = test::PixelFit(100, 100);
  c.resize.backgroundColor = QColor(0, 0, 0);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(MagickSpace(out), "CMYK");
  const Inks written = MagickInks(out);
  ASSERT_EQ(QSize(written.width, written.height), QSize(100, 100));
  // Black is all black ink in device CMYK; the picture sits centred from row 25.
  EXPECT_EQ(written.at(50, 5, 3), 255);
  EXPECT_EQ(written.at(50, 5, 0), 0);
  for (int c2 = 0; c2 < 4; ++c2) {
    EXPECT_EQ(written.at(10, 30, c2), kBlocks[0][size_t(c2)]) << c2;
    EXPECT_EQ(written.at(90, 70, c2), kBlocks[3][size_t(c2)]) << c2;
  }
}

// A watermark changes only the inks it covers; an effect acts on the CMYK canvas.
TEST(CmykInks, WatermarksAndEffectsActOnTheCmykCanvas) {
  const Inks inks = Pattern(200, 120);
  const QString source = WriteTiff(inks, "src.tif");
  const QString folder = test::MakeTempFolder();

  QImage mark(40, 40, QImage::Format_ARGB32);
  mark.fill(QColor(255, 0, 0));
  const QString markOut = folder + "/marked.tif";
  ImageConversion c = Record(source, markOut, 10);
  c.imageWatermarkEnabled = 1;
  c.imageWatermark.image = mark;
  c.imageWatermark.opacity = 1.0;
  c.imageWatermark.sizeFraction = 1.0;
  c.imageWatermark.position = 0;
  c.imageWatermark.baseImageSize = QSizeF(200, 120);
  ASSERT_EQ(ProcessImageFile(&c), 0);
  ASSERT_EQ(MagickSpace(markOut), "CMYK");
  const Inks written = MagickInks(markOut);
  ASSERT_EQ(QSize(written.width, written.height), QSize(200, 120));
  int changed = 0, kept = 0;
  for (int y = 0; y < 120; ++y) {
    for (int x = 0; x < 200; ++x) {
      bool same = true;
      for (int c2 = 0; c2 < 4; ++c2) same = same && written.at(x, y, c2) == inks.at(x, y, c2);
      if (same) {
        ++kept;
      } else {
        ++changed;
      }
    }
  }
  // Red covers a part; every other pixel keeps its inks.
  EXPECT_GT(changed, 200);
  EXPECT_GT(kept, 200 * 120 / 2);
  EXPECT_EQ(changed + kept, 200 * 120);

  const QString effectOut = folder + "/effect.tif";
  ImageConversion e = Record(source, effectOut, 10);
  e.effectType = 1;
  ASSERT_EQ(ProcessImageFile(&e), 0);
  EXPECT_EQ(MagickSpace(effectOut), "CMYK");
  EXPECT_GT(MeanInkChange(MagickInks(effectOut), inks), 1.0);
}

// A transparent CMYK TIFF keeps its inks and its alpha as TIFF.
TEST(CmykInks, TransparencyComesBackOverTheKeptInks) {
  const Inks inks = Pattern(48, 32);
  DestinationProperties properties;
  properties.colorSpace = ColorSpace::DeviceCMYK();
  properties.cmykSamples = inks.samples;
  QImage picture(48, 32, QImage::Format_ARGB32);
  picture.fill(Qt::white);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 16; ++x) picture.setPixel(x, y, qRgba(255, 255, 255, 0));
  }
  const QString source = test::MakeTempFolder() + "/alpha.tif";
  ASSERT_TRUE(test::WriteBytes(source, EncodeImage(picture, "public.tiff", properties).value));
  const QString folder = test::MakeTempFolder();
  // Processed as TIFF, and re-encoded as TIFF and as Photoshop.
  for (const auto& [type, convert] : {std::pair{10, false}, {10, true}, {1, true}}) {
    SCOPED_TRACE(testing::Message() << "type " << type << (convert ? " converted" : ""));
    const QString out =
        folder + QString("/alpha%1%2.%3").arg(type).arg(convert).arg(type == 1 ? "psd" : "tif");
    ImageConversion c = Record(source, out, type);
    ASSERT_EQ(convert ? ConvertImageFile(&c) : ProcessImageFile(&c), convert ? 1 : 0);
    ASSERT_EQ(MagickSpace(out), "CMYK");
    // ImageMagick takes a Photoshop file's extra channel for transparency only with a layer
    // section, which these files do not have (RGB ones neither); our reader takes it.
    if (type == 1) {
      EXPECT_TRUE(ImageSource::Open(out)->representation(0).hasAlpha);
    } else {
      EXPECT_EQ(RunTool("identify", {"-format", "%A", out}).trimmed().toLower(), "true");
    }
    const Inks written = MagickInks(out);
    ASSERT_EQ(written.samples.size(), inks.samples.size());
    int wrong = 0;
    for (int y = 0; y < 32; ++y) {
      for (int x = 16; x < 48; ++x) {
        for (int c2 = 0; c2 < 4; ++c2) wrong += written.at(x, y, c2) != inks.at(x, y, c2);
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

}  // namespace
}  // namespace glimbrik
