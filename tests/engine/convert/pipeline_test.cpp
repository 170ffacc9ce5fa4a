#include "engine/convert/pipeline.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <optional>

#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/pixel_probes.h"
#include "engine/watermark/watermark_options.h"
#include "platform/codecs/image_source.h"
#include "platform/store/bundle_resources.h"
#include "platform/store/keyed_archive.h"
#include "platform/system/font_members.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

using test::Flat;

// The decoded first image of a written file, with what its header says.
struct Written {
  ImageRepresentation rep;
  QImage pixels;
};

Written ReadBack(const QString& path) {
  Written w;
  const std::shared_ptr<ImageSource> source = ImageSource::Open(path);
  EXPECT_TRUE(source && source->isValid()) << path.toStdString();
  if (!source || !source->isValid()) return w;
  w.rep = source->representation(0);
  ImageResult<QImage> decoded = source->decode(0);
  EXPECT_TRUE(decoded.ok()) << decoded.error.toStdString();
  w.pixels = decoded.value.convertToFormat(QImage::Format_ARGB32);
  return w;
}

// The colour model is a converter setting that only page jobs give through the record.
bool ConvertWithColourModel(const QString& source, const QString& destination, int outputType,
                            int colorModel) {
  ImageConverter converter;
  if (!converter.loadSource(source)) return false;
  converter.setOutputOptions(outputType, destination, nullptr, false, false, 1.0);
  converter.colorModel = colorModel;
  return converter.process(ImageResizeOptions{});
}

QString SavePng(const QImage& image, const QString& name) {
  const QString path = test::MakeTempFolder() + "/" + name;
  EXPECT_TRUE(image.save(path, "PNG"));
  return path;
}

TEST(PipelineHelpers, WatermarkTextExpandsForTheOutput) {
  ImageConverter converter;
  converter.sourceURL = QStringLiteral("/photos/source.png");
  converter.destinationURL = QStringLiteral("/out/holiday.final.jpg");
  converter.dpiX = 300;
  TextWatermarkOptions record;
  record.tokens = {QStringLiteral("("),  QVXWatermarkTextToken(QStringLiteral("Width"), 11),
                   QStringLiteral("x"),  QVXWatermarkTextToken(QStringLiteral("Height"), 12),
                   QStringLiteral(" "),  QVXWatermarkTextToken(QStringLiteral("Name"), 8),
                   QStringLiteral(") "), QVXWatermarkTextToken(QStringLiteral("DPI"), 13)};
  EXPECT_EQ(WatermarkText(converter, record, 1100, 800), "(1100x800 holiday.final) 300");
}

TEST(ProcessImage, QuarterTurnSwapsSizeAndResolution) {
  QImage image = Flat(1000, 750, Qt::blue);
  QPainter(&image).fillRect(0, 0, 500, 375, Qt::red);
  image.setDotsPerMeterX(qRound(300 / 0.0254));
  image.setDotsPerMeterY(qRound(150 / 0.0254));
  const QString folder = test::MakeTempFolder();
  const QString source = folder + "/turn.tif";
  ASSERT_TRUE(image.save(source, "TIFF"));
  for (int angle : {90, 450}) {
    const QString out = folder + QString("/turned%1.tif").arg(angle);
    ImageConversion c = test::ConversionRecord(source, out, 10);
    c.rotationAngle = angle;
    ASSERT_EQ(ProcessImageFile(&c), 0) << angle;
    const Written w = ReadBack(out);
    EXPECT_EQ(QSize(w.rep.pixelWidth, w.rep.pixelHeight), QSize(750, 1000));
    EXPECT_NEAR(w.rep.dpiX, 150, 0.5);
    EXPECT_NEAR(w.rep.dpiY, 300, 0.5);
    // A quarter turn counter-clockwise: the top-left quadrant ends at the bottom left.
    EXPECT_EQ(w.pixels.pixel(100, 900), qRgb(255, 0, 0)) << angle;
    EXPECT_EQ(w.pixels.pixel(100, 100), qRgb(0, 0, 255)) << angle;
    EXPECT_EQ(w.pixels.pixel(600, 900), qRgb(0, 0, 255)) << angle;
  }
}

QImage HalfTransparent() {
  QImage image(64, 48, QImage::Format_ARGB32);
  image.fill(QColor(200, 40, 40));
  QPainter painter(&image);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.fillRect(0, 0, 32, 48, Qt::transparent);
  painter.fillRect(32, 0, 32, 8, QColor(200, 40, 40, 100));
  return image;
}

TEST(ProcessImage, ColourModelsOfTheCanvas) {
  const QString source = SavePng(HalfTransparent(), "half.png");
  const QString folder = test::MakeTempFolder();

  // CMYK TIFF keeps the source's transparency as its alpha sample.
  ImageConversion tiff = test::ConversionRecord(source, folder + "/cmyk.tif", 13);
  ASSERT_EQ(ProcessImageFile(&tiff), 0);
  Written w = ReadBack(folder + "/cmyk.tif");
  EXPECT_EQ(w.rep.colorModel, ColorModel::CMYK);
  EXPECT_TRUE(w.rep.hasAlpha);
  EXPECT_EQ(qAlpha(w.pixels.pixel(5, 20)), 0);
  EXPECT_EQ(qAlpha(w.pixels.pixel(60, 20)), 255);
  EXPECT_EQ(qAlpha(w.pixels.pixel(60, 4)), 100);

  // JPEG cannot hold alpha: a CMYK request for a transparent image becomes RGB.
  ASSERT_TRUE(ConvertWithColourModel(source, folder + "/cmyk.jpg", 4, 2));
  w = ReadBack(folder + "/cmyk.jpg");
  EXPECT_EQ(w.rep.colorModel, ColorModel::RGB);

  // A grey colour model gives a grey file.
  ASSERT_TRUE(ConvertWithColourModel(source, folder + "/grey.png", 7, 3));
  w = ReadBack(folder + "/grey.png");
  EXPECT_EQ(w.rep.colorModel, ColorModel::Gray);
  EXPECT_EQ(qRed(w.pixels.pixel(60, 20)), qBlue(w.pixels.pixel(60, 20)));

  // An opaque image to JPEG in CMYK keeps four components.
  const QImage opaque = Flat(40, 30, QColor(10, 120, 200));
  ASSERT_TRUE(ConvertWithColourModel(SavePng(opaque, "opaque.png"), folder + "/four.jpg", 4, 2));
  EXPECT_EQ(ReadBack(folder + "/four.jpg").rep.colorModel, ColorModel::CMYK);

  // A palette image is drawn and stored in RGB.
  const QString indexed = SavePng(opaque.convertToFormat(QImage::Format_Indexed8), "palette.png");
  ASSERT_EQ(ReadBack(indexed).rep.colorModel, ColorModel::Indexed);
  ImageConversion png = test::ConversionRecord(indexed, folder + "/rgb.png", 7);
  ASSERT_EQ(ProcessImageFile(&png), 0);
  w = ReadBack(folder + "/rgb.png");
  EXPECT_EQ(w.rep.colorModel, ColorModel::RGB);
  EXPECT_EQ(w.pixels.pixel(20, 15), qRgb(10, 120, 200));
}

TEST(ProcessImage, ImageWatermarkLandsOnExactPixelsOfEveryImage) {
  const QString source = SavePng(Flat(1100, 800, Qt::white), "white.png");
  const QString folder = test::MakeTempFolder();
  ImageConversion c = test::ConversionRecord(source, folder + "/first.png", 7);
  c.imageWatermarkEnabled = 1;
  c.imageWatermark.image = Flat(100, 100, Qt::black, QImage::Format_ARGB32);
  c.imageWatermark.sizeFraction = 1.0;
  c.imageWatermark.position = 8;
  c.imageWatermark.offset = QPointF(10, 10);
  c.imageWatermark.baseImageSize = QSizeF(550, 400);
  c.imageWatermark.opacity = 1.0;
  // The same record twice: the offset must not be rescaled twice.
  for (const char* name : {"/first.png", "/second.png"}) {
    c.destinationURL = folder + name;
    ASSERT_EQ(ProcessImageFile(&c), 0);
    const Written w = ReadBack(c.destinationURL);
    EXPECT_EQ(test::InkBox(w.pixels), QRect(QPoint(880, 580), QPoint(1079, 779))) << name;
    EXPECT_EQ(w.pixels.pixel(880, 580), qRgb(0, 0, 0)) << name;
  }
  EXPECT_EQ(c.imageWatermark.offset, QPointF(10, 10));
}

TEST(ProcessImage, AutomaticLevels) {
  const QString folder = test::MakeTempFolder();
  ImageConversion c = test::ConversionRecord(
      SavePng(test::Ramp(40, 200, QImage::Format_ARGB32, true), "low.png"), folder + "/low.png", 7);
  c.options.autoLevels = 1;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const Written w = ReadBack(c.destinationURL);
  EXPECT_EQ(qBlue(w.pixels.pixel(0, 0)), 0);
  EXPECT_EQ(qBlue(w.pixels.pixel(160, 1)), 255);
  EXPECT_EQ(qAlpha(w.pixels.pixel(50, 1)), 200);

  // A grey picture is levelled on its one channel.
  QImage grey(161, 8, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.height(); ++y) {
    for (int x = 0; x < grey.width(); ++x) grey.scanLine(y)[x] = uchar(40 + x);
  }
  c = test::ConversionRecord(SavePng(grey, "grey.png"), folder + "/grey.png", 7);
  c.options.autoLevels = 1;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const Written g = ReadBack(c.destinationURL);
  EXPECT_EQ(g.rep.colorModel, ColorModel::Gray);
  EXPECT_EQ(qGray(g.pixels.pixel(0, 0)), 0);
  EXPECT_EQ(qGray(g.pixels.pixel(160, 0)), 255);
}

TEST(ProcessImage, DeepImagesStayDeepThroughFilters) {
  QImage deep(64, 32, QImage::Format_RGBA64);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) {
      deep.setPixelColor(x, y, QColor::fromRgba64(quint16(x * 1000), quint16(y * 2000), 30000));
    }
  }
  const QString folder = test::MakeTempFolder();
  ImageConversion c = test::ConversionRecord(SavePng(deep, "deep.png"), folder + "/deep.png", 7);
  c.effectType = 3;
  ASSERT_EQ(ProcessImageFile(&c), 0);
  const std::shared_ptr<ImageSource> out = ImageSource::Open(c.destinationURL);
  ASSERT_TRUE(out && out->isValid());
  EXPECT_EQ(out->representation(0).bitsPerComponent, 16);
  const QImage pixels = out->decode(0).value.convertToFormat(QImage::Format_RGBA64);
  const QRgba64 p = pixels.pixelColor(40, 20).rgba64();
  EXPECT_EQ(p.red(), p.green());
  EXPECT_EQ(p.green(), p.blue());
  // Sixteen-bit precision survives: values that no 8-bit level expands to.
  int fine = 0;
  for (int x = 0; x < 64; ++x) fine += pixels.pixelColor(x, 20).rgba64().red() % 257 != 0;
  EXPECT_GT(fine, 32);
}

// The text a watermark draws, told by comparing with the same picture marked with plain text.
QImage MarkedWith(const QString& source, const TokenArray& tokens, const QString& out,
                  const std::optional<QFont>& font = std::nullopt) {
  TextWatermarkOptions text = test::SolidText({}, 40, 4, Qt::black);
  text.tokens = tokens;
  if (font) text.font = *font;
  ImageConversion c = test::ConversionRecord(source, out, 7);
  c.resize = test::PercentFit(100);
  c.textWatermarks = &text;
  c.textWatermarkCount = 1;
  EXPECT_EQ(ProcessImageFile(&c), 0);
  return QImage(out);
}

TEST(ProcessImage, WatermarkTokensOfAWebPSourceReadTheUsersFile) {
  const QString folder = test::MakeTempFolder();
  const QString webp = folder + QStringLiteral("/harbour.webp");
  ASSERT_TRUE(Flat(400, 120, Qt::white).save(webp, "WEBP", 100));
  const QImage token =
      MarkedWith(webp, {QVXWatermarkTextToken(QStringLiteral("name"), 9)}, folder + "/t.png");
  const QImage plain = MarkedWith(webp, {QStringLiteral("harbour")}, folder + "/p.png");
  ASSERT_FALSE(token.isNull());
  EXPECT_LT(test::InkBox(plain).width(), 400) << "the text fits";
  EXPECT_EQ(token, plain);
}

// Ink of a written image: how dark it is in all.
int64_t Ink(const QImage& image) {
  int64_t ink = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) ink += 255 - qGray(image.pixel(x, y));
  }
  return ink;
}

TEST(ProcessImage, WatermarkFacesDrawAsChosenAndTheCopyrightPresetIsBold) {
  const QString folder = test::MakeTempFolder();
  const QString source = SavePng(Flat(500, 120, Qt::white), "plain.png");
  const QVariantMap copyright = ReadBundlePlist(QStringLiteral("TextWatermarkPreset.plist"))
                                    .value.toMap()
                                    .value(QStringLiteral("Copyright"))
                                    .toMap();
  const std::optional<QFont> presetFont =
      UnarchiveFont(copyright.value(QStringLiteral("textFontName")).toByteArray());
  const std::optional<QFont> oblique = FontWithPostScriptName(QStringLiteral("DejaVuSans-Oblique"));
  ASSERT_TRUE(presetFont && oblique);
  const TokenArray text{QStringLiteral("Hamburgefontsiv")};
  const QImage regular = MarkedWith(source, text, folder + "/regular.png");
  const QImage bold = MarkedWith(source, text, folder + "/bold.png", presetFont);
  const QImage slanted = MarkedWith(source, text, folder + "/oblique.png", oblique);
  ASSERT_GT(Ink(regular), 0);
  EXPECT_GT(double(Ink(bold)), 1.25 * double(Ink(regular)));
  // The same strokes leaning: about as much ink, in other places.
  EXPECT_NEAR(double(Ink(slanted)) / double(Ink(regular)), 1.0, 0.1);
  EXPECT_NE(slanted, regular);
}

}  // namespace
}  // namespace glimbrik
