#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImageReader>
#include <QPainter>
#include <QPdfWriter>
#include <QThread>
#include <vector>

#include "pdfjobs/job_progress.h"
#include "pdfjobs/pdf_fixtures.h"
#include "pdfjobs/pdf_jobs.h"
#include "platform/pixels/color_space.h"

namespace glimbrik {
namespace {

using test::ConversionRecord;
using test::Files;

class RenderPages : public test::PdfJobTest {};

TEST_F(RenderPages, RangeNamesSizesAndProgress) {
  const QString source = folder + "/name.pdf";
  test::WritePagesPDF(source, 12);
  for (const bool pool : {false, true}) {
    for (const bool offset : {false, true}) {
      SCOPED_TRACE(testing::Message() << "pool " << pool << " offset " << offset);
      const QString dest = test::MakeTempFolder(QStringLiteral("range"));
      ImageConversion c = ConversionRecord(source, dest, 7);
      c.useAllProcessors = pool;
      // The page-number offset adds the first page less one to names and reports.
      c.offsetPageNumbers = offset;
      c.options.pageRangeMode = 2;
      c.options.firstPage = 3;
      c.options.lastPage = 4;
      // Reports from the pool's threads reach the main thread.
      std::vector<int64_t> progress;
      bool allOnMain = true;
      c.progress.callback = [&](int64_t v) {
        allOnMain = allOnMain && QThread::currentThread() == qApp->thread();
        progress.push_back(v);
      };
      EXPECT_EQ(ConvertPDFToImages(&c), 1);
      QCoreApplication::processEvents();
      EXPECT_TRUE(allOnMain);
      const int first = offset ? 5 : 3;
      EXPECT_EQ(Files(dest), (QStringList{QStringLiteral("name-0%1.png").arg(first),
                                          QStringLiteral("name-0%1.png").arg(first + 1)}));
      EXPECT_EQ(QImage(dest + "/" + Files(dest).value(0)).size(), QSize(612, 792));
      std::sort(progress.begin(), progress.end());
      EXPECT_EQ(progress, (std::vector<int64_t>{first, first + 1}));
    }
  }
}

TEST_F(RenderPages, ResizeTargets) {
  const QString source = folder + "/size.pdf";
  test::WritePagesPDF(source, 1);
  struct Case {
    int unit;
    double width, height;
    int dpi;
    QSize expected;
  } cases[] = {
      {2, 306, 0, 72, {306, 396}},    // pixels, width only
      {2, 0, 198, 72, {153, 198}},    // pixels, height only
      {2, 400, 400, 72, {309, 400}},  // the box's height binds
      {3, 2, 0, 72, {144, 186}},      // inches at the 72 dpi base: 2 x 72 points wide
      {2, 306, 0, 144, {306, 396}},   // pixels whatever the resolution
      {3, 2, 0, 144, {288, 373}},     // inches at 144 dpi
  };
  for (const Case& k : cases) {
    const QString dest = test::MakeTempFolder(QStringLiteral("size"));
    ImageConversion c = ConversionRecord(source, dest, 7);
    c.resizeEnabled = 1;
    c.resize.unit = k.unit;
    c.resize.width = k.width;
    c.resize.height = k.height;
    c.options.resolution = k.dpi;
    ASSERT_EQ(ConvertPDFToImages(&c), 1);
    EXPECT_EQ(QImage(dest + "/size.png").size(), k.expected)
        << k.unit << " " << k.width << " " << k.dpi;
  }
}

TEST_F(RenderPages, MultiPageTiffTurnedPagesAndColourModels) {
  const QString source = folder + "/doc.pdf";
  test::WritePagesPDF(source, 3);
  ImageConversion c = ConversionRecord(source, out, 23);
  c.options.resolution = 144;
  c.useAllProcessors = 1;  // type 23 renders in order on the calling thread all the same
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  ASSERT_EQ(Files(out), QStringList{"doc.tif"});
  const QString info = test::RunTool("tiffinfo", {out + "/doc.tif"});
  EXPECT_EQ(info.count("Image Width: 1224 Image Length: 1584"), 3) << info.toStdString();
  EXPECT_EQ(info.count("Compression Scheme: LZW"), 3);
  EXPECT_EQ(info.count("Subfile Type: multi-page document"), 3);
  for (const char* n : {"Page Number: 0-3", "Page Number: 1-3", "Page Number: 2-3"}) {
    EXPECT_TRUE(info.contains(n)) << n;
  }
  // Every page reads back red where the page is red (the colour order of the samples), and its
  // square of 72 points is 144 pixels wide at 144 dpi.
  QImageReader pages(out + "/doc.tif");
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(pages.jumpToImage(i)) << i;
    const QImage page = pages.read();
    EXPECT_EQ(page.pixelColor(10, 1584 - 10), QColor(255, 0, 0)) << i;
    EXPECT_EQ(page.pixelColor(150, 1584 - 10), QColor(255, 255, 255)) << i;
    EXPECT_EQ(page.pixelColor(10, 1584 - 150), QColor(255, 255, 255)) << i;
  }

  // A single page of a multi-page TIFF run is a plain TIFF carrying its page number.
  const QString single = test::MakeTempFolder(QStringLiteral("single"));
  c = ConversionRecord(source, single, 23);
  c.options.pageRangeMode = 1;
  c.options.firstPage = 2;
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(Files(single), QStringList{"doc-2.tif"});
  EXPECT_FALSE(test::RunTool("tiffinfo", {single + "/doc-2.tif"}).contains("Page Number"));

  const QString grey = test::MakeTempFolder(QStringLiteral("grey"));
  c = ConversionRecord(source, grey, 7);
  c.options.colorModel = 3;
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_TRUE(test::RunTool("identify", {"-verbose", grey + "/doc-1.png"})
                  .contains("png:IHDR.color_type: 0"));
  const QString cmyk = test::MakeTempFolder(QStringLiteral("cmyk"));
  c = ConversionRecord(source, cmyk, 13);
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  const QString separated = test::RunTool("tiffinfo", {cmyk + "/doc-1.tif"});
  EXPECT_TRUE(separated.contains("Photometric Interpretation: separated"));
  EXPECT_TRUE(separated.contains("Samples/Pixel: 4"));

  // CMYK outputs carry the page's own inks: key only, magenta only, a mix, and an RGB red.
  const QString inks = folder + "/inks.pdf";
  test::WriteContentPDF(inks, "/MediaBox [0 0 100 100]",
                        "0 0 0 1 k 0 0 50 50 re f 0 1 0 0 k 50 0 50 50 re f "
                        "0.2 0.3 0.4 0.1 k 0 50 50 50 re f 1 0 0 rg 50 50 50 50 re f");
  const auto pixel = [](const QString& file, int x, int y) {
    return test::RunTool("identify",
                         {"-format", QStringLiteral("%[pixel:p{%1,%2}]").arg(x).arg(y), file})
        .toStdString();
  };
  const struct {
    int type, model;
    const char* file;
  } inkCases[] = {{13, 0, "inks.tif"}, {10, 2, "inks.tif"}, {23, 2, "inks.tif"}};
  for (const auto& k : inkCases) {
    const QString dest = test::MakeTempFolder(QStringLiteral("inks"));
    c = ConversionRecord(inks, dest, k.type);
    c.options.colorModel = k.model;
    ASSERT_EQ(ConvertPDFToImages(&c), 1) << k.type;
    const QString file = dest + "/" + k.file;
    EXPECT_EQ(pixel(file, 20, 80), "cmyk(0,0,0,255)") << k.type;
    EXPECT_EQ(pixel(file, 70, 80), "cmyk(0,255,0,0)") << k.type;
    EXPECT_EQ(pixel(file, 20, 20), "cmyk(51,76,102,25)") << k.type;
    EXPECT_EQ(pixel(file, 70, 20).rfind("cmyk(0,", 0), 0u) << k.type;
  }
  // With a CMYK profile chosen, colours are separated with it and the page's inks stay.
  const QString profiled = test::MakeTempFolder(QStringLiteral("profiled"));
  c = ConversionRecord(inks, profiled, 13);
  c.options.colorSpace =
      ColorSpace::FromFile(QStringLiteral("/usr/share/color/icc/ghostscript/ps_cmyk.icc"));
  ASSERT_TRUE(c.options.colorSpace);
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(pixel(profiled + "/inks.tif", 20, 80), "cmyk(0,0,0,255)");
  EXPECT_EQ(pixel(profiled + "/inks.tif", 20, 20), "cmyk(51,76,102,25)");
  EXPECT_NE(pixel(profiled + "/inks.tif", 70, 20), "cmyk(0,255,255,0)");

  // A CMYK JPEG holds the inks as closely as its compression allows.
  const QString jpeg = test::MakeTempFolder(QStringLiteral("jpeg"));
  c = ConversionRecord(inks, jpeg, 4);
  c.options.colorModel = 2;
  c.options.quality = 1.0;
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  const QString key = QString::fromStdString(pixel(jpeg + "/inks.jpg", 20, 80));
  ASSERT_TRUE(key.startsWith("cmyk(")) << key.toStdString();
  const QStringList keyInks = key.mid(5).chopped(1).split(u',');
  EXPECT_LE(keyInks.value(0).toInt() + keyInks.value(1).toInt() + keyInks.value(2).toInt(), 6);
  EXPECT_GE(keyInks.value(3).toInt(), 250);

  // A crop box reaching past the media box shows only their overlap.
  const QString cropped = folder + "/cropped.pdf";
  test::WriteContentPDF(cropped, "/MediaBox [0 0 612 792] /CropBox [-100 -100 300 400]",
                        "1 0 0 rg 0 0 72 72 re f");
  c = ConversionRecord(cropped, out, 7);
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  const QImage overlap(out + "/cropped.png");
  EXPECT_EQ(overlap.size(), QSize(300, 400));
  EXPECT_EQ(overlap.pixelColor(5, 395), QColor(255, 0, 0)) << "the medium's corner is drawn";

  const QString rotated = folder + "/turned.pdf";
  test::WritePagesPDF(rotated, 1, 612, 792, 90);
  c = ConversionRecord(rotated, out, 7);
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(QImage(out + "/turned.png").size(), QSize(792, 612));
  // A quarter turn the other way swaps the sides as well; the red corner ends bottom right.
  for (const int angle : {270, -90}) {
    const QString back = test::MakeTempFolder(QStringLiteral("back"));
    test::WritePagesPDF(back + "/back.pdf", 1, 612, 792, angle);
    c = ConversionRecord(back + "/back.pdf", back, 7);
    ASSERT_EQ(ConvertPDFToImages(&c), 1) << angle;
    const QImage page(back + "/back.png");
    EXPECT_EQ(page.size(), QSize(792, 612)) << angle;
    EXPECT_EQ(page.pixelColor(792 - 10, 612 - 10), QColor(255, 0, 0)) << angle;
  }
}

TEST_F(RenderPages, LockedAndRestrictedSourcesAcrossEntries) {
  // Locked, or no PDF at all: every entry fails (the text job by throwing 301), writing nothing.
  const QString locked = folder + "/locked.pdf", junk = folder + "/junk.pdf";
  test::WritePagesPDF(locked, 2, 612, 792, 0, "secret");
  test::WriteBytes(junk, "not a pdf");
  for (const auto& [source, password] :
       {std::pair{locked, QString()}, {locked, QStringLiteral("wrong")}, {junk, QString()}}) {
    ImageConversion c = ConversionRecord(source, out, 7);
    c.options.password = password;
    EXPECT_EQ(ConvertPDFToImages(&c), 0);
    EXPECT_EQ(ExtractImagesFromPDF(&c), 0);
    PDFToTextConversionOptions text;
    text.sourceURL = source;
    text.destinationURL = out;
    text.password = password;
    text.format = 1;
    int thrown = 0;
    try {
      ConvertPDFToText(&text);
    } catch (int code) {
      thrown = code;
    }
    EXPECT_EQ(thrown, 301);
  }
  EXPECT_TRUE(Files(out).isEmpty());
  ImageConversion c = ConversionRecord(locked, out, 7);
  c.options.password = QStringLiteral("secret");
  EXPECT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(Files(out), (QStringList{"locked-1.png", "locked-2.png"}));
  // The password that opened the file opens it for the drawing of its inks as well.
  const QString lockedInks = folder + "/locked-inks.pdf";
  {
    test::WriteContentPDF(folder + "/inks.pdf", "/MediaBox [0 0 100 100]",
                          "0 0 0 1 k 0 0 50 50 re f");
    QPDF pdf;
    pdf.processFile(QFile::encodeName(folder + "/inks.pdf").constData());
    const QByteArray file = QFile::encodeName(lockedInks);
    QPDFWriter writer(pdf, file.constData());
    writer.setR6EncryptionParameters("secret", "secret", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
    writer.write();
  }
  const QString inks = test::MakeTempFolder(QStringLiteral("inks"));
  c = ConversionRecord(lockedInks, inks, 13);
  c.options.password = QStringLiteral("secret");
  EXPECT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(test::RunTool("identify", {"-format", "%[pixel:p{10,90}]", inks + "/locked-inks.tif"}),
            "cmyk(0,0,0,255)");

  // Restricted by an owner password only: opens like any file, whatever password is given.
  const QString plain = folder + "/plain.pdf";
  {
    QPdfWriter writer(plain);
    QPainter painter(&writer);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(QColor(20, 90, 200));
    painter.drawImage(QRectF(100, 100, 400, 300), image);
  }
  const QString restricted = folder + "/restricted.pdf";
  test::RewritePDF(plain, restricted, {}, "owner");
  for (const QString& password : {QString(), QStringLiteral("wrong")}) {
    const QString dest = test::MakeTempFolder(QStringLiteral("restricted"));
    c = ConversionRecord(restricted, dest, 7);
    c.options.password = password;
    EXPECT_EQ(ConvertPDFToImages(&c), 1);
    EXPECT_EQ(ExtractImagesFromPDF(&c), 1);
    // A CMYK page is drawn by Ghostscript, which the wrong password must not reach.
    c.options.outputType = 13;
    EXPECT_EQ(ConvertPDFToImages(&c), 1);
    EXPECT_EQ(Files(dest),
              (QStringList{"restricted.png", "restricted.tif", "restricted_Page1_1.png"}));
    EXPECT_EQ(QImage(dest + "/restricted_Page1_1.png").size(), QSize(40, 30));
  }
}

TEST_F(RenderPages, PagelessSourcesFailEveryPageTheyAreAskedFor) {
  // An empty page tree (a valid file), one whose count claims pages it lists none of, one whose
  // pages are all null objects, and one whose only page is a null object.
  const QString empty = folder + "/empty.pdf", claimed = folder + "/claimed.pdf",
                nulls = folder + "/nulls.pdf", nullPage = folder + "/null-page.pdf";
  test::WriteRawPDF(empty,
                    {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 0 >>"});
  test::WriteRawPDF(claimed,
                    {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [] /Count 3 >>"});
  test::WriteRawPDF(nulls,
                    {"<< /Type /Catalog /Pages 2 0 R >>",
                     "<< /Type /Pages /Kids [3 0 R 4 0 R null] /Count 3 >>", "null", "null"});
  test::WriteRawPDF(nullPage, {"<< /Type /Catalog /Pages 2 0 R >>",
                               "<< /Type /Pages /Kids [3 0 R] /Count 1 >>", "null"});
  {
    QPDF valid;
    valid.processFile(QFile::encodeName(empty).constData());
    EXPECT_TRUE(QPDFPageDocumentHelper(valid).getAllPages().empty());
    EXPECT_TRUE(valid.getWarnings().empty()) << "a sound file, not a damaged one";
  }
  for (const QString& source : {empty, claimed, nulls, nullPage}) {
    for (const uint32_t mode : {0u, 1u, 2u}) {
      SCOPED_TRACE(testing::Message() << source.toStdString() << " mode " << mode);
      for (const int type : {7, 23}) {
        ImageConversion c = ConversionRecord(source, out, type);
        c.options.pageRangeMode = int32_t(mode);
        c.options.firstPage = c.options.lastPage = 1;
        EXPECT_EQ(ConvertPDFToImages(&c), 0) << type;
        // Extracting every page of a sound empty document has nothing to do and succeeds.
        const bool nothingToDo = mode == 0 && (source == empty || source == claimed);
        EXPECT_EQ(ExtractImagesFromPDF(&c), nothingToDo ? 1 : 0) << type;
      }
      PDFToTextConversionOptions text;
      text.sourceURL = source;
      text.destinationURL = out;
      text.format = 1;
      text.extension = QStringLiteral("txt");
      text.pageRangeMode = mode;
      text.firstPage = text.lastPage = 1;
      int result = -1;
      try {
        result = ConvertPDFToText(&text);
      } catch (int code) {
        result = code == 301 ? 0 : code;
      }
      EXPECT_EQ(result, 0);
    }
    // Assembled into a PDF, such a source adds nothing and fails its item.
    FilesToPDFConversionOptions files;
    files.items = {{{"FileType", 3}, {"FilePath", source}}};
    files.destinationURL = out + "/assembled.pdf";
    files.singlePDF = 1;
    EXPECT_EQ(ConvertFilesToPDF(&files), 0);
  }
  EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty())
      << Files(out).join(' ').toStdString();
}

TEST_F(RenderPages, CancellationAndFailures) {
  const QString source = folder + "/many.pdf";
  test::WritePagesPDF(source, 5);
  ImageConversion c = ConversionRecord(source, out, 7);
  int reports = 0;
  c.progress.callback = [&](int64_t) { ++reports; };
  c.progress.isConversionCancelled = [&] { return reports >= 2; };
  EXPECT_EQ(ConvertPDFToImages(&c), 1) << "a cancelled run with no failed page succeeds";
  EXPECT_EQ(Files(out).size(), 1) << "the second page was cancelled after its report";

  c = ConversionRecord(folder + "/missing.pdf", out, 7);
  EXPECT_EQ(ConvertPDFToImages(&c), 0);
  EXPECT_EQ(ConvertPDFToImages(nullptr), 0);
  // A TIFF that cannot be opened fails the job.
  c = ConversionRecord(source, folder + "/no/such/folder", 23);
  EXPECT_EQ(ConvertPDFToImages(&c), 0);
  // A page whose write fails fails the job.
  c = ConversionRecord(source, folder + "/no/such/folder", 7);
  EXPECT_EQ(ConvertPDFToImages(&c), 0);
  // A type outside the output-type table is refused before anything is written.
  const QString none = test::MakeTempFolder(QStringLiteral("none"));
  c = ConversionRecord(source, none, 99);
  EXPECT_EQ(ConvertPDFToImages(&c), 0);

  // The last kid of the page tree is no page: poppler counts it but cannot load it.
  const QString damaged = folder + "/damaged.pdf";
  test::RewritePDF(source, damaged, [](QPDF& pdf) {
    QPDFObjectHandle kids = pdf.getRoot().getKey("/Pages").getKey("/Kids");
    kids.setArrayItem(4, pdf.makeIndirectObject(QPDFObjectHandle::newInteger(7)));
  });
  for (const int type : {7, 23}) {
    c = ConversionRecord(damaged, none, type);
    EXPECT_EQ(ConvertPDFToImages(&c), 0) << type;
  }
  // The four good pages as PNGs, and no trace of the failed TIFF.
  EXPECT_EQ(QDir(none).entryList(QDir::Files | QDir::Hidden).size(), 4)
      << Files(none).join(' ').toStdString();

  // Page objects written into the page tree directly, not by reference, which poppler loads
  // without their boxes: the first inherits its media box (and names no parent, so that qpdf sees
  // no box either), the second has its own.
  const QString direct = folder + "/direct.pdf";
  {
    const std::string page = " /Contents 3 0 R /Resources << >> >>";
    test::WriteRawPDF(
        direct, {"<< /Type /Catalog /Pages 2 0 R >>",
                 "<< /Type /Pages /MediaBox [0 0 200 100] /Count 2 /Kids [<< /Type /Page" + page +
                     " << /Type /Page /Parent 2 0 R /MediaBox [0 0 100 200]" + page + "] >>",
                 "<< /Length 23 >>\nstream\n0 0 1 rg 0 0 72 72 re f\nendstream"});
  }
  const QString loose = test::MakeTempFolder(QStringLiteral("loose"));
  c = ConversionRecord(direct, loose, 7);
  EXPECT_EQ(ConvertPDFToImages(&c), 1);
  ASSERT_EQ(Files(loose), (QStringList{"direct-1.png", "direct-2.png"}));
  for (const auto& [name, size] :
       {std::pair{"/direct-1.png", QSize(200, 100)}, {"/direct-2.png", QSize(100, 200)}}) {
    const QImage page(loose + name);
    EXPECT_EQ(page.size(), size) << name;
    EXPECT_EQ(page.pixelColor(10, size.height() - 10), QColor(0, 0, 255)) << name;
    EXPECT_EQ(page.pixelColor(90, 10), QColor(255, 255, 255)) << name;
  }

  // A page with an empty media box is skipped, and the pages after it are written.
  const QString empty = folder + "/empty.pdf";
  test::RewritePDF(source, empty, [](QPDF& pdf) {
    QPDFPageDocumentHelper(pdf).getAllPages()[1].getObjectHandle().replaceKey(
        "/MediaBox", QPDFObjectHandle::parse("[0 0 0 792]"));
  });
  const QString skipped = test::MakeTempFolder(QStringLiteral("skipped"));
  c = ConversionRecord(empty, skipped, 7);
  EXPECT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(Files(skipped),
            (QStringList{"empty-1.png", "empty-3.png", "empty-4.png", "empty-5.png"}));

  // A page qpdf finds no media box for is drawn at the size poppler gives it.
  const QString boxless = folder + "/boxless.pdf";
  test::RewritePDF(source, boxless, [](QPDF& pdf) {
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(pdf).getAllPages()) {
      page.getObjectHandle().removeKey("/MediaBox");
    }
  });
  const QString drawn = test::MakeTempFolder(QStringLiteral("drawn"));
  c = ConversionRecord(boxless, drawn, 7);
  EXPECT_EQ(ConvertPDFToImages(&c), 1);
  EXPECT_EQ(Files(drawn).size(), 5);
}

TEST_F(RenderPages, WebPPagesThroughThePool) {
  const QString source = folder + "/web.pdf";
  test::WritePagesPDF(source, 24, 100, 100);
  ImageConversion c = ConversionRecord(source, out, 24);
  c.useAllProcessors = 1;
  ASSERT_EQ(ConvertPDFToImages(&c), 1);
  const QStringList names = Files(out);
  ASSERT_EQ(names.size(), 24);
  for (const QString& name : names) {
    const QByteArray bytes = test::ReadBytes(out + "/" + name);
    EXPECT_TRUE(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") << name.toStdString();
  }
}

TEST(PageRange, ModesOverATwelvePageDocument) {
  const struct {
    const char* what;
    uint32_t mode;
    int64_t first, last;
    int64_t start, end, storedLast;
  } cases[] = {
      {"range", 2, 3, 4, 3, 4, 4},
      // A last page below 1 means page 1, and is stored back.
      {"last below one", 2, 3, 0, 1, 1, 1},
      // Past the end: clipped; a first page outside the document starts at 1.
      {"range past the end", 2, 20, 40, 1, 12, 40},
      {"range from the last page", 2, 12, 40, 12, 12, 40},
      {"single page past the end", 1, 13, 40, 1, 1, 40},
      {"single page below one", 1, -2, 40, 1, 1, 40},
      {"single page", 1, 7, 40, 7, 7, 40},
      {"all pages", 0, 5, 40, 1, 12, 40},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int64_t last = c.last;
    const PageSpan span = ResolvePageRange(c.mode, c.first, &last, 12);
    EXPECT_EQ(span.start, c.start);
    EXPECT_EQ(span.end, c.end);
    EXPECT_EQ(last, c.storedLast);
  }
  // Without pages no mode selects a page, neither page 0 nor page 1.
  for (const int32_t mode : {0, 1, 2}) {
    int64_t last = 1;
    const PageSpan none = ResolvePageRange(mode, 1, &last, 0);
    EXPECT_LT(none.end, none.start) << mode;
  }
}

}  // namespace
}  // namespace glimbrik
