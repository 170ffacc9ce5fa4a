#include "platform/pdf/pdf_builder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QRegularExpression>

#include "platform/image_fixtures.h"
#include "platform/pdf/pdf_document.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

QByteArray Encoded(const QImage& image, const char* format) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, format);
  return bytes;
}

TEST(PdfBuilder, WritesInformationAndEncryptionWithPermissions) {
  const QString folder = test::MakeTempFolder();
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(Qt::green);
  PdfBuilder pdf;
  PdfImageInfo info;
  ASSERT_TRUE(ReadPdfImageInfo(Encoded(image, "PNG"), 1, &info));
  ASSERT_TRUE(pdf.insertImagePage(0, Encoded(image, "PNG"), info, QRectF(0, 0, 10, 10),
                                  QRectF(0, 0, 10, 10), QPointF()));
  const QString path = QDir(folder).filePath("locked.pdf");
  ASSERT_TRUE(pdf.write(path, {{kPdfTitleKey, "Grüne Seite"},
                               {kPdfAuthorKey, "Ann"},
                               {kPdfUserPasswordKey, "u"},
                               {kPdfOwnerPasswordKey, "o"},
                               {kPdfAllowsPrintingKey, false}}));
  EXPECT_FALSE(test::RunTool("pdfinfo", {path}).contains("Pages"));
  const QString text = test::RunTool("pdfinfo", {"-upw", "u", path});
  EXPECT_TRUE(text.contains("Title:           Grüne Seite"));
  EXPECT_TRUE(text.contains("Author:          Ann")) << text.toStdString();
  EXPECT_TRUE(text.contains("print:no")) << text.toStdString();
  EXPECT_TRUE(text.contains("copy:yes"));

  PdfBuilder::OpenStatus status;
  EXPECT_FALSE(PdfBuilder::Open(path, "wrong", &status));
  EXPECT_EQ(status, PdfBuilder::OpenStatus::WrongPassword);
  const auto opened = PdfBuilder::Open(path, "u", &status);
  ASSERT_TRUE(opened);
  EXPECT_FALSE(opened->allowsPrinting());
}

// Straight and deep transparent colour, CMYK JPEG and JPEG 2000 each keep their kind.
TEST(PdfBuilder, TransparentImagesGetASoftMaskCmykJpegsStayCmykAndJpeg2000StaysJpx) {
  const QString folder = test::MakeTempFolder();
  QImage clear(8, 8, QImage::Format_ARGB32);
  clear.fill(QColor(255, 0, 0, 100));
  const QString jpegPath = QDir(folder).filePath("cmyk.jpg");
  const QString jp2Path = QDir(folder).filePath("blue.jp2");
  const QString deepPath = QDir(folder).filePath("deep.png");
  for (const QStringList& arguments :
       {QStringList{"-size", "8x8", "xc:blue", "-colorspace", "CMYK", jpegPath},
        QStringList{"-size", "8x8", "xc:blue", jp2Path},
        QStringList{"-size", "8x8", "xc:rgba(200,40,40,0.5)", "-depth", "16",
                    "PNG64:" + deepPath}}) {
    bool ok = false;
    test::RunTool("convert", arguments, &ok);
    ASSERT_TRUE(ok) << arguments.last().toStdString();
  }
  PdfBuilder pdf;
  for (const QByteArray& bytes : {Encoded(clear, "PNG"), test::ReadBytes(jpegPath),
                                  test::ReadBytes(jp2Path), test::ReadBytes(deepPath)}) {
    PdfImageInfo info;
    ASSERT_TRUE(ReadPdfImageInfo(bytes, 1, &info));
    ASSERT_TRUE(pdf.insertImagePage(9, bytes, info, QRectF(0, 0, 8, 8), QRectF(0, 0, 8, 8), {}));
  }
  const QString path = QDir(folder).filePath("mixed.pdf");
  ASSERT_TRUE(pdf.write(path));
  const QStringList lines = test::RunTool("pdfimages", {"-list", path}).split('\n');
  ASSERT_GE(lines.size(), 6);
  EXPECT_TRUE(lines[2].contains("image") && lines[2].contains("rgb"));
  EXPECT_TRUE(lines[3].contains("smask"));
  EXPECT_TRUE(lines[4].contains("cmyk") && lines[4].contains("jpeg"));
  EXPECT_TRUE(lines[5].contains("jpx"));
  EXPECT_TRUE(test::ReadBytes(path).contains(test::ReadBytes(jp2Path)));
  EXPECT_FALSE(PdfBuilder::Open(jpegPath, {}));
  // Half of (200, 40, 40) over white paper, on the page after the first three.
  const auto document = PdfDocument::Open(path);
  ASSERT_TRUE(document);
  const QRgb pixel = document->renderPage(3, 72).pixel(4, 4);
  EXPECT_NEAR(qRed(pixel), 228, 3);
  EXPECT_NEAR(qGreen(pixel), 148, 3);
  EXPECT_NEAR(qBlue(pixel), 148, 3);
}

// A bookmark opens its page at the top of what the page shows, also when the crop box is not at
// the media box's origin.
TEST(PdfBuilder, OutlineEntriesOpenTheTopOfTheirPages) {
  QImage image(10, 10, QImage::Format_RGB32);
  image.fill(Qt::green);
  const QByteArray png = Encoded(image, "PNG");
  PdfImageInfo info;
  ASSERT_TRUE(ReadPdfImageInfo(png, 1, &info));
  PdfBuilder pdf;
  ASSERT_TRUE(
      pdf.insertImagePage(0, png, info, QRectF(0, 0, 200, 300), QRectF(0, 0, 200, 300), QPointF()));
  ASSERT_TRUE(pdf.insertImagePage(1, png, info, QRectF(0, 0, 400, 500), QRectF(20, 30, 100, 150),
                                  QPointF()));
  pdf.addOutlineEntry(QStringLiteral("Whole"), 0);
  pdf.addOutlineEntry(QStringLiteral("Cropped"), 1);
  const QString path = QDir(test::MakeTempFolder()).filePath("outline.pdf");
  ASSERT_TRUE(pdf.write(path));
  // mutool gives a destination's point as its distance from the top of the page shown.
  const QString outline = test::RunTool("mutool", {"show", path, "outline"});
  const QRegularExpression entry("\"([^\"]*)\"\t#page=(\\d+)&zoom=[^,]*,[^,]*,([-0-9.]+)");
  QStringList entries;
  for (auto it = entry.globalMatch(outline); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    entries << m.captured(1) + " " + m.captured(2) + " " + m.captured(3);
  }
  EXPECT_EQ(entries.join(", ").toStdString(), "Whole 1 0, Cropped 2 0") << outline.toStdString();
}

}  // namespace
}  // namespace glimbrik
