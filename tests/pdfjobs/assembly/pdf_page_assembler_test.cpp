#include "pdfjobs/assembly/pdf_page_assembler.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <map>

#include "engine/codecs/jpeg_memory.h"
#include "engine/convert/image_converter.h"
#include "pdfjobs/pdf_fixtures.h"
#include "platform/codecs/image_destination.h"
#include "platform/codecs/jpeg_quality.h"
#include "platform/pdf/pdf_document.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {
namespace {

using test::ListImages;
using test::MakeTempFolder;
using test::PageBoxes;
using test::WriteImage;

QVariantMap Item(const QString& path, const QVariant& angle = QVariant()) {
  QVariantMap item{{"FilePath", path}};
  if (angle.isValid()) item.insert(QStringLiteral("Angle"), angle);
  return item;
}

ImagesToPDFConversionOptions FixedPage(int64_t maxDPI, uint64_t percent) {
  ImagesToPDFConversionOptions o;
  o.pageSizeMode = 1;
  o.pageWidth = 612;
  o.pageHeight = 792;
  o.leftMargin = o.rightMargin = o.topMargin = o.bottomMargin = 56;
  o.maxImageDPI = maxDPI;
  o.scalePercent = percent;
  o.imageType = 7;
  return o;
}

bool ConvertToOnePdf(const ImagesToPDFConversionOptions& o) {
  PDFPageAssembler assembler;
  assembler.setOptions(o);
  return assembler.convertToSinglePDF();
}

TEST(PDFPageAssembler, OnePdfTakesEachImagesOwnSizeAndKeepsJpegBytes) {
  const QString folder = MakeTempFolder();
  const QString a = WriteImage(folder, "a.png", 600, 400, 72);
  const QString b = WriteImage(folder, "b.jpg", 1200, 800, 300, QColor(20, 90, 200));
  ImagesToPDFConversionOptions o;
  o.singlePDF = 1;
  o.scalePercent = 100;
  o.leftMargin = o.rightMargin = o.topMargin = o.bottomMargin = 50;
  o.orientation = 1;
  o.imageQuality = 1.0;
  o.items = {Item(a), Item(b)};
  o.destinationURL = QDir(folder).filePath("all.pdf");
  std::vector<int64_t> reports;
  o.progressCallback.callback = [&](int64_t v) { reports.push_back(v); };

  ASSERT_EQ(ConvertImagesToPDF(&o), 1);
  EXPECT_EQ(PageBoxes(o.destinationURL), QStringList({"0 0 600 400", "0 0 288 192"}));
  EXPECT_TRUE(test::ReadBytes(o.destinationURL).contains(test::ReadBytes(b)));
  const auto images = ListImages(o.destinationURL);
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[1].encoding, "jpeg");
  EXPECT_EQ(reports, (std::vector<int64_t>{3, 3, 6, 7}));
}

// A JPEG's bytes go in as they are only while the quality asked for is at least its own.
TEST(PDFPageAssembler, JpegSourcesAreReencodedBelowTheirOwnQuality) {
  const QString folder = MakeTempFolder();
  const QString photo = QDir(folder).filePath("photo.jpg");
  const QImage pattern = test::PatternImage(800, 600);
  ASSERT_TRUE(pattern.save(photo, "JPEG", 95));
  for (const int q : {30, 75, 95}) {
    const QString path = QDir(folder).filePath(QStringLiteral("q%1.jpg").arg(q));
    ASSERT_TRUE(pattern.save(path, "JPEG", q));
    EXPECT_EQ(EstimateJPEGQuality(test::ReadBytes(path)), q);
  }
  EXPECT_EQ(EstimateJPEGQuality(QByteArray("not a jpeg")), -1);

  std::map<double, qint64> sizes;
  for (const double quality : {0.1, 0.9, 0.95}) {
    ImagesToPDFConversionOptions o;
    o.singlePDF = 1;
    o.scalePercent = 100;
    o.imageQuality = quality;
    o.items = {Item(photo)};
    o.destinationURL = QDir(folder).filePath(QStringLiteral("q%1.pdf").arg(quality));
    ASSERT_EQ(ConvertImagesToPDF(&o), 1);
    sizes[quality] = QFileInfo(o.destinationURL).size();
    EXPECT_EQ(test::ReadBytes(o.destinationURL).contains(test::ReadBytes(photo)), quality >= 0.95)
        << quality;
  }
  EXPECT_LT(sizes[0.1] * 3, sizes[0.95]);
  EXPECT_LT(sizes[0.9], sizes[0.95]);
}

// CMYK sources keep their inks, re-encoded, scaled or embedded as they are.
TEST(PDFPageAssembler, CmykSourcesKeepTheirInks) {
  const QString folder = MakeTempFolder();
  const std::array<uint8_t, 4> ink = {50, 76, 101, 25};
  std::vector<uint8_t> inks;
  for (int i = 0; i < 64 * 48; ++i) inks.insert(inks.end(), ink.begin(), ink.end());
  // The JPEG stores them inverted, behind an Adobe segment, as such files do.
  uint8_t* jpeg = nullptr;
  unsigned long jpegSize = 0;
  ASSERT_TRUE(EncodeJPEGToMemory(64, 48, inks.data(), kJPEGColourSpaceCMYK, 4, &jpeg, &jpegSize, 95,
                                 72, 72));
  const QString jpegPath = QDir(folder).filePath("ink.jpg");
  test::WriteBytes(jpegPath, QByteArray(reinterpret_cast<const char*>(jpeg), qsizetype(jpegSize)));
  std::free(jpeg);
  DestinationProperties tiff;
  tiff.colorSpace = ColorSpace::DeviceCMYK();
  tiff.cmykSamples = QByteArray(reinterpret_cast<const char*>(inks.data()), qsizetype(inks.size()));
  QImage picture(64, 48, QImage::Format_RGB32);
  picture.fill(Qt::white);
  const QString tiffPath = QDir(folder).filePath("ink.tif");
  test::WriteBytes(tiffPath, EncodeImage(picture, "public.tiff", tiff).value);
  // With a profile of its own, which the page keeps with the inks.
  tiff.colorSpace =
      ColorSpace::FromFile(QStringLiteral("/usr/share/color/icc/ghostscript/ps_cmyk.icc"));
  ASSERT_TRUE(tiff.colorSpace);
  const QString profiledPath = QDir(folder).filePath("profiled.tif");
  test::WriteBytes(profiledPath, EncodeImage(picture, "public.tiff", tiff).value);

  const struct {
    QString source;
    int type;
    uint64_t percent;
    const char* encoding;
    int tolerance;
  } cases[] = {{jpegPath, 4, 100, "jpeg", 3},
               {jpegPath, 4, 50, "jpeg", 3},
               {tiffPath, 13, 100, "image", 0},
               {tiffPath, 4, 100, "jpeg", 3},
               {profiledPath, 13, 50, "image", 0}};
  int n = 0;
  for (const auto& k : cases) {
    SCOPED_TRACE(testing::Message()
                 << k.source.toStdString() << " as " << k.type << " at " << k.percent << " %");
    ImagesToPDFConversionOptions o;
    o.singlePDF = 1;
    o.scalePercent = k.percent;
    o.imageType = k.type;
    o.imageQuality = 0.5;
    o.items = {Item(k.source)};
    o.destinationURL = QDir(folder).filePath(QStringLiteral("ink%1.pdf").arg(++n));
    ASSERT_EQ(ConvertImagesToPDF(&o), 1);
    const QString list = test::RunTool("pdfimages", {"-list", o.destinationURL});
    const QStringList fields = list.split(u'\n').value(2).simplified().split(u' ');
    EXPECT_EQ(fields.value(5), k.source == profiledPath ? "icc" : "cmyk") << list.toStdString();
    EXPECT_EQ(fields.value(6), "4") << list.toStdString();
    EXPECT_EQ(fields.value(8), k.encoding) << list.toStdString();
    const int side = 64 * int(k.percent) / 100;
    EXPECT_EQ(fields.value(3).toInt(), side);
    // The inks as pdfimages takes them out of the page.
    const QString prefix = QDir(folder).filePath(QStringLiteral("out%1").arg(n));
    test::RunTool("pdfimages", {"-tiff", o.destinationURL, prefix});
    const QString pixel =
        test::RunTool("identify", {"-format", "%[pixel:p{10,10}]", prefix + "-000.tif"});
    ASSERT_TRUE(pixel.startsWith("cmyk(")) << pixel.toStdString();
    const QStringList read = pixel.mid(5).chopped(1).split(u',');
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(read.value(c).toInt(), ink[size_t(c)], k.tolerance) << c;
  }
}

TEST(PDFPageAssembler, EveryWritableTypeGivesAPage) {
  const QString folder = MakeTempFolder();
  const QString source = WriteImage(folder, "a.png", 60, 40, 72, QColor(20, 90, 200));
  for (int type = 0; type <= 24; ++type) {
    if (!CanWriteOutputType(type)) continue;
    ImagesToPDFConversionOptions o;
    o.singlePDF = 1;
    o.scalePercent = 100;
    o.imageType = type;
    o.imageQuality = 0.9;
    o.items = {Item(source)};
    o.destinationURL = QDir(folder).filePath(QStringLiteral("type%1.pdf").arg(type));
    EXPECT_EQ(ConvertImagesToPDF(&o), 1) << type;
    EXPECT_EQ(PageBoxes(o.destinationURL), QStringList{"0 0 60 40"}) << type;
    const auto images = ListImages(o.destinationURL);
    ASSERT_EQ(images.size(), 1u) << type;
    EXPECT_EQ(QSize(images[0].width, images[0].height), QSize(60, 40)) << type;
  }
  // Drawn as the image's colour (JPEG rounding aside).
  const QString drawn = QDir(folder).filePath("drawn.png");
  test::RunTool("mutool", {"draw", "-o", drawn, QDir(folder).filePath("type5.pdf")});
  const QColor colour = QImage(drawn).pixelColor(30, 20);
  EXPECT_NEAR(colour.red(), 20, 2);
  EXPECT_NEAR(colour.green(), 90, 2);
  EXPECT_NEAR(colour.blue(), 200, 2);
}

TEST(PDFPageAssembler, FixedPagesCapResolutionScaleByPercentAndCentreInThePrintableArea) {
  const QString folder = MakeTempFolder();
  const QString big = WriteImage(folder, "big.png", 1500, 1000, 72);
  struct Case {
    int64_t maxDPI;
    uint64_t percent;
    int width, height;
  };
  for (const Case& c :
       {Case{150, 100, 1042, 694}, Case{0, 50, 750, 500}, Case{0, 150, 1500, 1000}}) {
    ImagesToPDFConversionOptions o = FixedPage(c.maxDPI, c.percent);
    o.items = {Item(big)};
    o.destinationURL = QDir(folder).filePath(QString("out%1.pdf").arg(c.percent + c.maxDPI));
    ASSERT_TRUE(ConvertToOnePdf(o));
    const auto images = ListImages(o.destinationURL);
    ASSERT_FALSE(images.empty());
    EXPECT_NEAR(images[0].width, c.width, 1) << c.percent;
    EXPECT_NEAR(images[0].height, c.height, 1) << c.percent;
    EXPECT_EQ(PageBoxes(o.destinationURL, "CropBox")[0].split(' ').mid(2),
              QStringList({"612", "792"}));
  }
  // Landscape turns the page; a kept page width leaves the visible page at the media's left
  // edge, while the free height still grows the media (150 x 100 points at 10 %).
  ImagesToPDFConversionOptions o = FixedPage(0, 10);
  o.orientation = 1;
  o.keepPageWidth = 1;
  o.items = {Item(big)};
  o.destinationURL = QDir(folder).filePath("landscape.pdf");
  ASSERT_TRUE(ConvertToOnePdf(o));
  EXPECT_EQ(PageBoxes(o.destinationURL, "CropBox"), QStringList{"0 0 792 612"});
  EXPECT_EQ(PageBoxes(o.destinationURL), QStringList{"0 0 792 1012"});

  // 200 x 100 points at 72 dpi on a 400 x 400 page with margins 20 left and 60 right.
  o = FixedPage(0, 100);
  o.pageWidth = o.pageHeight = 400;
  o.leftMargin = 20;
  o.rightMargin = 60;
  o.topMargin = o.bottomMargin = 0;
  o.pageSizeMode = 2;
  o.items = {Item(WriteImage(folder, "i.png", 200, 100, 72, Qt::black))};
  o.destinationURL = QDir(folder).filePath("c.pdf");
  ASSERT_TRUE(ConvertToOnePdf(o));
  const auto pdf = PdfDocument::Open(o.destinationURL);
  ASSERT_TRUE(pdf);
  const QImage page = pdf->renderPage(0, 72);
  ASSERT_EQ(page.size(), QSize(400, 400));
  // Printable 320 wide from x 20: the image spans 80..280 and 150..250.
  for (const auto& [x, y, grey] : {std::tuple{85, 200, 0},
                                   {275, 155, 0},
                                   {75, 200, 255},
                                   {285, 200, 255},
                                   {200, 145, 255},
                                   {200, 255, 255}}) {
    EXPECT_EQ(qGray(page.pixel(x, y)), grey) << x << "," << y;
  }

  // Margins that take the whole width leave nowhere to put the image.
  o.leftMargin = 200;
  o.rightMargin = 200;
  o.destinationURL = QDir(folder).filePath("none.pdf");
  EXPECT_FALSE(ConvertToOnePdf(o));
  EXPECT_FALSE(QFileInfo::exists(o.destinationURL));
}

TEST(PDFPageAssembler, EachImageItsOwnPdfAndFailuresDoNotStopTheRun) {
  const QString folder = MakeTempFolder();
  const QString out = MakeTempFolder();
  test::WriteBytes(QDir(out).filePath("x.pdf"), "taken");
  // Every image of a multi-page TIFF is a page.
  const QString tiff = QDir(folder).filePath("three.tif");
  bool ok = false;
  test::RunTool("convert",
                {WriteImage(folder, "1.png", 30, 20, 72), WriteImage(folder, "2.png", 40, 20, 72),
                 WriteImage(folder, "3.png", 50, 20, 72), tiff},
                &ok);
  ASSERT_TRUE(ok);
  ImagesToPDFConversionOptions o;
  o.scalePercent = 100;
  o.items = {Item(WriteImage(folder, "x.png", 40, 30, 72)),
             Item(QDir(folder).filePath("missing.png")), Item(tiff),
             Item(WriteImage(folder, "y.png", 40, 30, 72))};
  o.destinationURL = out;
  PDFPageAssembler assembler;
  assembler.setOptions(o);
  EXPECT_FALSE(assembler.convertEach());
  EXPECT_EQ(test::Files(out), QStringList({"three.pdf", "x 1.pdf", "x.pdf", "y.pdf"}));
  EXPECT_EQ(test::ReadBytes(QDir(out).filePath("x.pdf")), "taken");
  EXPECT_EQ(PageBoxes(QDir(out).filePath("three.pdf")),
            QStringList({"0 0 30 20", "0 0 40 20", "0 0 50 20"}));
}

TEST(PDFPageAssembler, AnglesTurnQuarterTurnsOnlyAndNeverCarryOver) {
  const QString folder = MakeTempFolder();
  // Red left half, blue right half.
  QImage image = test::TwoColourImage(60, 40, Qt::red, Qt::blue);
  image.setDotsPerMeterX(2835);
  image.setDotsPerMeterY(2835);
  const QString path = QDir(folder).filePath("two.png");
  image.save(path);
  ImagesToPDFConversionOptions o;
  o.scalePercent = 100;
  o.items = {Item(path, 90), Item(path), Item(path, 450), Item(path, 45), Item(path, -270)};
  o.destinationURL = QDir(folder).filePath("turned.pdf");
  ASSERT_TRUE(ConvertToOnePdf(o));
  EXPECT_EQ(PageBoxes(o.destinationURL),
            QStringList({"0 0 40 60", "0 0 60 40", "0 0 60 40", "0 0 60 40", "0 0 40 60"}));
  // A quarter turn clockwise puts the left half on top.
  const auto pdf = PdfDocument::Open(o.destinationURL);
  const QImage turned = pdf->renderPage(0, 72);
  EXPECT_GT(qRed(turned.pixel(20, 5)), 200);
  EXPECT_GT(qBlue(turned.pixel(20, 55)), 200);
}

}  // namespace
}  // namespace glimbrik
