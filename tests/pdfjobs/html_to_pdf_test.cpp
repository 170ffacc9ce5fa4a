#include "pdfjobs/html_to_pdf.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "pdfjobs/pdf_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

TEST(HTMLToPDF, APageThatNeverFinishesLoadingFailsAfterTheTimeout) {
  const QString folder = test::MakeTempFolder();
  const QString busy = QDir(folder).filePath("busy.html");
  test::WriteBytes(busy, "<html><body>Busy<script>for (;;) {}</script></body></html>");
  HTMLToPDF html;
  html.Init(612, 792, 36, 36, 36, 36, 1, {});
  html.SetTimeoutSeconds(1);
  const QString destination = QDir(folder).filePath("busy.pdf");
  html.SetTempDestinationURL(destination);
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(html.SaveAsPDF(busy));
  EXPECT_LT(timer.elapsed(), 30000);
  EXPECT_FALSE(QFileInfo::exists(destination));

  // The next page loads normally, on a landscape sheet.
  html.SetTimeoutSeconds(60);
  const QString page = QDir(folder).filePath("page.html");
  test::WriteBytes(page, "<html><body><p>Calm page</p></body></html>");
  html.SetTempDestinationURL(QDir(folder).filePath("page.pdf"));
  ASSERT_TRUE(html.SaveAsPDF(page));
  EXPECT_EQ(test::PageBoxes(QDir(folder).filePath("page.pdf")), QStringList({"0 0 792 612"}));
  EXPECT_TRUE(IsHTMLFile("a/b.xhtml") && IsHTMLFile("c.HTM") && !IsHTMLFile("d.txt"));
}

TEST(HTMLToPDF, SourcesGoEachToItsOwnFileOrAllIntoOne) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  TextToPDFConversionOptions o;
  for (const char* name : {"one", "two"}) {
    const QString path = QDir(folder).filePath(QString::fromLatin1(name) + ".htm");
    test::WriteBytes(path, QByteArray("<p>Page ") + name + "</p>");
    o.sourceItems.append({{"FilePath", path}});
  }
  o.destinationURL = out;
  o.pageWidth = 400;
  o.pageHeight = 500;
  o.pdfDocumentAttributes = {{"Title", "Pages"}};
  std::vector<int64_t> reports;
  HTMLToPDF each;
  each.Init(o);
  each.SetProgressCallbackInfo({[&](int64_t v) { reports.push_back(v); }, {}});
  ASSERT_TRUE(each.SaveAsPDF());
  EXPECT_EQ(QDir(out).entryList(QDir::Files, QDir::Name), QStringList({"one.pdf", "two.pdf"}));
  EXPECT_EQ(test::PageBoxes(QDir(out).filePath("two.pdf")), QStringList({"0 0 400 500"}));

  o.destinationURL = QDir(out).filePath("both.pdf");
  HTMLToPDF all;
  all.Init(o);
  all.SetProgressCallbackInfo({[&](int64_t v) { reports.push_back(v); }, {}});
  ASSERT_TRUE(all.SaveAsTextToSinglePDF());
  EXPECT_EQ(test::PageCount(o.destinationURL), 2);
  const QString text = test::RunTool("pdftotext", {o.destinationURL, "-"});
  EXPECT_LT(text.indexOf("Page one"), text.indexOf("Page two"));
  EXPECT_TRUE(test::RunTool("pdfinfo", {o.destinationURL}).contains("Title:           Pages"));
  EXPECT_EQ(reports, (std::vector<int64_t>{3, 3, 3, 3, 6, 7}));
}

}  // namespace
}  // namespace glimbrik
