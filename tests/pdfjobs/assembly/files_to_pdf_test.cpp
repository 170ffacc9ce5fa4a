#include "pdfjobs/assembly/files_to_pdf.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

#include "pdfjobs/pdf_fixtures.h"
#include "platform/pdf/pdf_builder.h"
#include "platform/pdf/pdf_document.h"

namespace glimbrik {
namespace {

QVariantMap Item(int type, const QString& path, const QVariantMap& more = {}) {
  QVariantMap item = more;
  item.insert(QStringLiteral("FileType"), type);
  item.insert(QStringLiteral("FilePath"), path);
  return item;
}

// A PDF of pages image pages, rotated by rotation, with an outline entry per page.
QString WritePdf(const QString& folder, const QString& name, int pages, int rotation = 0,
                 const QVariantMap& attributes = {}) {
  PdfBuilder pdf;
  const QString png = test::WriteImage(folder, name + ".png", 50, 70, 72);
  for (int i = 0; i < pages; ++i) {
    const QByteArray bytes = test::ReadBytes(png);
    PdfImageInfo info;
    ReadPdfImageInfo(bytes, 1, &info);
    pdf.insertImagePage(i, bytes, info, QRectF(0, 0, 50, 70), QRectF(0, 0, 50, 70), {});
    pdf.addOutlineEntry(QStringLiteral("Chapter %1").arg(i + 1), i);
  }
  pdf.rotatePages(rotation);
  const QString path = QDir(folder).filePath(name);
  pdf.write(path, attributes);
  return path;
}

FilesToPDFConversionOptions Options(const QString& destination) {
  FilesToPDFConversionOptions o;
  o.destinationURL = destination;
  o.pageWidth = 612;
  o.pageHeight = 792;
  o.leftMargin = o.rightMargin = o.topMargin = o.bottomMargin = 36;
  o.scalePercent = 100;
  return o;
}

// A source whose bookmarks name their pages, once through the name tree and once through the
// catalogue's destinations dictionary, as word processors and TeX write them.
QString WriteNamedDestinationsPdf(const QString& folder) {
  const QString path = QDir(folder).filePath("book.pdf");
  test::WriteBytes(path, R"(%PDF-1.7
1 0 obj << /Type /Catalog /Pages 2 0 R /Outlines 6 0 R /Dests << /three << /D [5 0 R /Fit] >> >>
  /Names << /Dests << /Names [(sec.two) [4 0 R /XYZ 0 792 null]] >> >> >> endobj
2 0 obj << /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 3 >> endobj
3 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >> endobj
4 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >> endobj
5 0 obj << /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >> endobj
6 0 obj << /Type /Outlines /First 7 0 R /Last 8 0 R /Count 3 >> endobj
7 0 obj << /Title (One) /Parent 6 0 R /Next 8 0 R /Dest (sec.two) /First 9 0 R /Last 9 0 R
  /Count 1 >> endobj
8 0 obj << /Title (Two) /Parent 6 0 R /Prev 7 0 R /Dest [3 0 R /Fit] >> endobj
9 0 obj << /Title (One.a) /Parent 7 0 R /A << /S /GoTo /D /three >> >> endobj
trailer << /Root 1 0 R >>
%%EOF
)");
  const auto pdf = PdfBuilder::Open(path, {});  // written again with a cross-reference table
  EXPECT_TRUE(pdf && pdf->write(path));
  return path;
}

// From a worker thread, so that the web page has to be printed through the main thread; encrypted,
// which only the combined file may be.
TEST(FilesToPDF, OnePdfHasAnOutlineEntryPerSourceAndKeepsASourcesOwnOutline) {
  const QString folder = test::MakeTempFolder();
  const QString rtf = QDir(folder).filePath("letter.rtf");
  test::WriteBytes(rtf, "{\\rtf1\\ansi Dear reader,\\par}");
  const QString html = QDir(folder).filePath("page.html");
  test::WriteBytes(html, "<html><body><h1>Web page text</h1></body></html>");
  FilesToPDFConversionOptions o = Options(QDir(folder).filePath("all.pdf"));
  o.singlePDF = 1;
  o.createOutline = 1;
  o.pdfDocumentAttributes = {{kPdfTitleKey, "Worker pages"}, {kPdfUserPasswordKey, "pw"}};
  o.items = {Item(1, test::WriteImage(folder, "photo.jpg", 120, 80, 72)), Item(2, rtf),
             Item(3, WritePdf(folder, "manual.pdf", 2)), Item(4, html),
             Item(3, WriteNamedDestinationsPdf(folder))};
  std::vector<int64_t> reports;
  o.progressCallback.callback = [&](int64_t v) { reports.push_back(v); };
  std::atomic<int> result{-1};
  std::thread worker([&] { result = ConvertFilesToPDF(&o); });
  QElapsedTimer timer;
  timer.start();
  while (result < 0 && timer.elapsed() < 120000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  worker.join();
  ASSERT_EQ(result, 1);
  const auto pdf = PdfDocument::Open(o.destinationURL, "pw");
  ASSERT_TRUE(pdf && !pdf->isLocked());
  ASSERT_EQ(pdf->pageCount(), 8);
  EXPECT_TRUE(pdf->pageText(1).contains("Dear reader"));
  EXPECT_TRUE(pdf->pageText(4).contains("Web page text"));
  EXPECT_EQ(pdf->pageSize(4), QSizeF(612, 792));
  EXPECT_TRUE(test::RunTool("pdfinfo", {"-upw", "pw", o.destinationURL}).contains("Worker pages"));
  EXPECT_EQ(reports, (std::vector<int64_t>{3, 3, 3, 3, 3, 6, 7}));
  // Every bookmark leads to its page; one ">" per level below the top.
  const QString outline =
      test::RunTool("mutool", {"show", "-p", "pw", o.destinationURL, "outline"});
  const QRegularExpression entry("^[-+|]\\t(\\t*)\"([^\"]*)\"\\t#page=(\\d+)",
                                 QRegularExpression::MultilineOption);
  QStringList entries;
  for (auto it = entry.globalMatch(outline); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    entries << QString(m.capturedLength(1), u'>') + m.captured(2) + " " + m.captured(3);
  }
  EXPECT_EQ(entries.join(", ").toStdString(),
            "photo 1, letter 2, manual 3, >Chapter 1 3, >Chapter 2 4, page 5, book 6, >One 7, "
            ">>One.a 8, >Two 6")
      << outline.toStdString();
}

TEST(FilesToPDF, EachItemRotatesPdfsCopiesLockedOnesAndFailsMissingPages) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString secret = WritePdf(folder, "secret.pdf", 1, 0, {{kPdfUserPasswordKey, "right"}});
  FilesToPDFConversionOptions o = Options(out);
  o.items = {Item(3, WritePdf(folder, "turned.pdf", 1, 270), {{"Angle", 90}}),
             Item(3, secret, {{"Password", "wrong"}}), Item(3, QDir(folder).filePath("gone.pdf")),
             Item(4, QDir(folder).filePath("nothere.html"))};
  FilesToPDF job(&o);
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(job.convertEach());
  EXPECT_LT(timer.elapsed(), 60000);
  EXPECT_TRUE(test::RunTool("pdfinfo", {QDir(out).filePath("turned.pdf")})
                  .contains(QRegularExpression("Page rot: +0\\n")));
  EXPECT_EQ(test::ReadBytes(QDir(out).filePath("secret.pdf")), test::ReadBytes(secret));
  EXPECT_EQ(test::Files(out), QStringList({"secret.pdf", "turned.pdf"}));
}

}  // namespace
}  // namespace glimbrik
