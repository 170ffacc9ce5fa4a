#include "engine/convert/image_types.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "engine/convert/conversion_records.h"
#include "engine/convert/image_converter.h"
#include "engine/files/file_types.h"
#include "engine/pixel_probes.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

// Lookups are exact; SGI is an output type that no file is read as.
TEST(ImageTypes, CommonTypesFromFilesAllTypesFromIdentifiers) {
  EXPECT_EQ(ImageTypeForURL("/a/b/photo.JPG"), 4);
  EXPECT_EQ(ImageTypeForURL("/a/b/photo.sgi"), 0);
  EXPECT_EQ(ImageTypeForURL("/a/b/noextension"), 0);
  EXPECT_EQ(ImageTypeForUTI("com.sgi.sgi-image", false), 12);
  EXPECT_EQ(ImageTypeForUTI("com.sgi.sgi-image", true), 0);
  EXPECT_EQ(ImageTypeForUTI("Public.JPEG", false), 0);
}

TEST(ImageTypes, EveryRowOfTheTypeTables) {
  // The first ten are the common types that files are recognised as.
  const std::pair<const char*, int> images[] = {
      {"public.jpeg", 4},
      {"public.tiff", 10},
      {"public.png", 7},
      {"com.compuserve.gif", 2},
      {"public.jpeg-2000", 3},
      {"com.microsoft.bmp", 11},
      {"com.adobe.photoshop-image", 1},
      {"com.ilm.openexr-image", 5},
      {"com.truevision.tga-image", 9},
      {"com.apple.icns", 6},
      {"com.sgi.sgi-image", 12},
      {"public.camera-raw-image", 22},
      {"com.apple.pict", 14},
      {"com.apple.macpaint-image", 16},
      {"public.xbitmap-image", 19},
      {"com.apple.quicktime-image", 17},
      {"public.fax", 21},
      {"com.kodak.flashpix.image", 20},
      {"com.adobe.illustrator.ai-image", 15},
      {"com.microsoft.ico", 18},
  };
  for (size_t i = 0; i < std::size(images); ++i) {
    const auto [uti, type] = images[i];
    EXPECT_EQ(ImageTypeForUTI(uti, false), type) << uti;
    EXPECT_EQ(ImageTypeForUTI(uti, true), i < 10 ? type : 0) << uti;
  }
  EXPECT_EQ(ImageTypeForUTI(QString(), false), 0);

  const std::pair<int, std::vector<const char*>> documents[] = {
      {1, {"public.rtf"}},
      {2, {"com.apple.rtfd"}},
      {3, {"public.html"}},
      {4, {"public.text"}},
      {5,
       {"public.plain-text", "com.apple.log", "com.apple.crashreport", "com.apple.panicreport",
        "com.apple.hangreport", "com.apple.spinreport", "com.apple.aslquery"}},
      {6, {"com.apple.webarchive"}},
      {7,
       {"org.oasis-open.opendocument.text", "org.oasis.opendocument.text",
        "org.oasis-open.opendocument"}},
      {8, {"org.oasis-open.opendocument.text-template"}},
      {9, {"org.openoffice.text"}},
      {10, {"org.openoffice.text-template"}},
      {11,
       {"org.openxmlformats.wordprocessingml.document",
        "org.openxmlformats.wordprocessingml.document.macroenabled"}},
      {12, {"com.microsoft.word.wordml"}},
      {13, {"com.microsoft.word.doc"}},
      {14, {"com.apple.traditional-mac-plain-text"}},
      {16, {"com.apple.keynote.key", "com.apple.iWork.Keynote.key"}},
      {17, {"com.microsoft.powerpoint.ppt"}},
      {18, {"com.microsoft.excel.xls"}},
      {33,
       {"org.openxmlformats.wordprocessingml.template",
        "org.openxmlformats.wordprocessingml.template.macroenabled",
        "org.openxmlformats.spreadsheetml.template",
        "org.openxmlformats.spreadsheetml.template.macroenabled"}},
      {34,
       {"org.openxmlformats.spreadsheetml.sheet",
        "org.openxmlformats.spreadsheetml.sheet.macroenabled"}},
      {36,
       {"org.openxmlformats.presentationml.presentation",
        "org.openxmlformats.presentationml.presentation.macroenabled",
        "org.openxmlformats.presentationml.slideshow",
        "org.openxmlformats.presentationml.slideshow.macroenabled"}},
      {37,
       {"org.openxmlformats.presentationml.template",
        "org.openxmlformats.presentationml.template.macroenabled"}},
  };
  for (const auto& [type, utis] : documents) {
    for (const char* uti : utis) EXPECT_EQ(DocumentTypeForUTI(uti), type) << uti;
  }
  const char* kinds[] = {"graphics",     "graphics-template",
                         "presentation", "presentation-template",
                         "spreadsheet",  "spreadsheet-template",
                         "chart",        "chart-template",
                         "image",        "image-template",
                         "formula",      "formula-template",
                         "text-master",  "text-web"};
  for (int i = 0; i < int(std::size(kinds)); ++i) {
    const QString uti = QStringLiteral("org.oasis-open.opendocument.") + kinds[i];
    EXPECT_EQ(DocumentTypeForUTI(uti), 19 + i) << uti.toStdString();
  }
  EXPECT_EQ(DocumentTypeForUTI("public.RTF"), 0);
  EXPECT_EQ(DocumentTypeForUTI(QString()), 0);

  // "Same as original" keeps a TGA source a TGA file.
  const QString folder = test::MakeTempFolder();
  bool made = false;
  test::RunTool("convert", {"-size", "8x6", "xc:red", folder + "/in.tga"}, &made);
  ASSERT_TRUE(made);
  ImageConversion c;
  c.sourceURL = folder + "/in.tga";
  c.destinationURL = folder + "/out.tga";
  ASSERT_EQ(ConvertImageFile(&c), 1);
  EXPECT_EQ(test::RunTool("identify", {"-format", "%m", c.destinationURL}), "TGA");
}

// Where the four corners of a 40 x 30 image land (y-up).
QPolygonF Corners(const QTransform& t) {
  return t.map(QPolygonF({QPointF(0, 0), QPointF(40, 0), QPointF(40, 30), QPointF(0, 30)}));
}

TEST(OrientationTransform, TurnsAndMirrors) {
  EXPECT_TRUE(OrientationTransform(40, 30, 0, 360).isIdentity());
  EXPECT_TRUE(OrientationTransform(40, 30, 0, 45).isIdentity());
  // A counter-clockwise quarter turn: the bottom edge becomes the right edge of a 30 x 40 frame.
  EXPECT_EQ(Corners(OrientationTransform(40, 30, 0, 90)),
            QPolygonF({QPointF(30, 0), QPointF(30, 40), QPointF(0, 40), QPointF(0, 0)}));
  EXPECT_EQ(OrientationTransform(40, 30, 3, 90), OrientationTransform(40, 30, 0, 270));
  // Both mirrors are one more half turn, for every angle.
  for (long long angle : {180LL, -180LL}) {
    EXPECT_TRUE(OrientationTransform(40, 30, 3, angle).isIdentity()) << angle;
  }
  for (long long angle : {270LL, -90LL}) {
    EXPECT_EQ(Corners(OrientationTransform(40, 30, 3, angle)),
              QPolygonF({QPointF(30, 0), QPointF(30, 40), QPointF(0, 40), QPointF(0, 0)}))
        << angle;
  }
  EXPECT_EQ(OrientationTransform(40, 30, 1, 180), QTransform(1, 0, 0, -1, 0, 30));
  EXPECT_EQ(OrientationTransform(40, 30, 2, 0), QTransform(1, 0, 0, -1, 0, 30));
  EXPECT_EQ(OrientationTransform(40, 30, 1, 0), QTransform(-1, 0, 0, 1, 40, 0));
  EXPECT_EQ(OrientationTransform(40, 30, 2, -90), QTransform(0, 1, 1, 0, 0, 0));
  // Every transform keeps the image inside its (possibly turned) frame.
  for (int flip = 0; flip < 4; ++flip) {
    for (long long angle : {-270LL, -180LL, -90LL, 0LL, 90LL, 180LL, 270LL}) {
      const QRectF box = Corners(OrientationTransform(40, 30, flip, angle)).boundingRect();
      EXPECT_EQ(box.topLeft(), QPointF(0, 0)) << flip << " " << angle;
    }
  }
}

TEST(BlankPdfPages, TextOrAnyInkMakesAPageNotBlank) {
  const QString path = test::MakeTempFolder() + "/pages.pdf";
  {
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
    writer.setResolution(72);
    QPainter painter(&writer);
    writer.newPage();  // page 2: one small grey square
    painter.fillRect(QRectF(100, 100, 4, 4), QColor(128, 128, 128));
    writer.newPage();  // page 3: text
    painter.setFont(QFont("DejaVu Sans", 12));
    painter.setPen(QColor(250, 250, 250));
    painter.drawText(QPointF(20, 40), "Harbour view");
  }
  EXPECT_TRUE(IsBlankPDFPage(path, 0));
  EXPECT_FALSE(IsBlankPDFPage(path, 1));
  EXPECT_FALSE(IsBlankPDFPage(path, 2));
  EXPECT_FALSE(IsBlankPDFPage(path, 3));  // a missing page is not blank
  EXPECT_FALSE(IsBlankPDFPage(path + ".missing", 0));

  ImageConverter converter;
  ASSERT_TRUE(converter.openPDFDocument(path));
  EXPECT_EQ(converter.pdfDocument->pageCount(), 3);
  EXPECT_FALSE(converter.isPDFEncrypted());
  EXPECT_FALSE(converter.unlockPDF());  // no password
  EXPECT_FALSE(converter.openPDFDocument(path + ".missing"));
}

QString WritePng(const QString& path) {
  EXPECT_TRUE(test::Flat(4, 4, Qt::blue).save(path, "PNG"));
  return path;
}

QString WriteText(const QString& path, const QByteArray& bytes) {
  EXPECT_TRUE(test::WriteBytes(path, bytes));
  return path;
}

TEST(FileKind, ExtensionsDecideAndDocumentsAreNoImagesWhateverTheirContent) {
  const QString f = test::MakeTempFolder();
  // The extension decides, lowered; the file need not exist.
  EXPECT_EQ(FileKindDescription(f + "/photo.JPG"), "JPEG image");
  EXPECT_EQ(FileKindDescription(f + "/phone.HEIC"), "HEIF image");
  EXPECT_EQ(FileKindDescription(f + "/still.heif"), "HEIF image");
  EXPECT_TRUE(DescriptionForExtension("TIF").isNull());
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/really-a-png.pdf")).isNull());
  EXPECT_TRUE(FileKindDescription(WritePng(f + "/upper.PDF")).isNull());
  // The MIME database calls EPS an image; the document list keeps it a document.
  const QByteArray eps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n0 0 10 10 rectfill\n";
  EXPECT_TRUE(FileKindDescription(WriteText(f + "/figure.eps", eps)).isNull());
  EXPECT_TRUE(FileKindDescription(WriteText(f + "/FIGURE.EPS", eps)).isNull());
  EXPECT_TRUE(IsDocumentExtension("'PDF '"));
  EXPECT_TRUE(IsDocumentExtension("EPSF"));
  EXPECT_FALSE(IsDocumentExtension("Pdf"));  // exact comparison
  EXPECT_FALSE(IsDocumentExtension("jpg"));
}

TEST(FileKind, FilesWithoutKnownExtensionAreJudgedByContent) {
  const QString f = test::MakeTempFolder();
  EXPECT_EQ(FileKindDescription(WritePng(f + "/no-extension")), "PNG image");
  EXPECT_EQ(TypeIdentifierForFile(f + "/no-extension"), "public.png");
  EXPECT_TRUE(FileKindDescription(
                  WriteText(f + "/notes", QByteArray("GBK\0\xff\xfe not an image at all\0\0", 28)))
                  .isNull());
  EXPECT_TRUE(FileKindDescription(WriteText(f + "/readme.xyz", "plain words\n")).isNull());
  EXPECT_TRUE(FileKindDescription(f + "/missing").isNull());
}

TEST(FileKind, TypeIdentifiersConformToTheMostSpecificRow) {
  // An image type without a row of its own is an "Image"; a raw one a camera raw image.
  EXPECT_EQ(DescriptionForUTI("image/x-portable-pixmap"), "Image");
  EXPECT_EQ(DescriptionForUTI("image/x-sigma-x3f"), "Camera raw image");
  // MIME names of rows stand for their identifiers.
  EXPECT_EQ(DescriptionForUTI("image/x-nikon-nrw"), "Nikon raw image");
  EXPECT_EQ(DescriptionForUTI("image/heif"), "HEIF image");
  EXPECT_TRUE(DescriptionForUTI("com.adobe.pdf").isNull());
  EXPECT_TRUE(DescriptionForUTI("com.example.unknown").isNull());
}

}  // namespace
}  // namespace glimbrik
