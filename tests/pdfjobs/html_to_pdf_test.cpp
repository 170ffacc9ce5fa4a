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
  html.SetTimeoutSeconds(3);
  const QString destination = QDir(folder).filePath("busy.pdf");
  html.SetTempDestinationURL(destination);
  QElapsedTimer timer;
  timer.start();
  EXPECT_FALSE(html.SaveAsPDF(busy));
  EXPECT_LT(timer.elapsed(), 30000);
  EXPECT_FALSE(QFileInfo::exists(destination));

  // The next page loads normally, on a landscape sheet.
  const QString page = QDir(folder).filePath("page.html");
  test::WriteBytes(page, "<html><body><p>Calm page</p></body></html>");
  html.SetTempDestinationURL(QDir(folder).filePath("page.pdf"));
  ASSERT_TRUE(html.SaveAsPDF(page));
  EXPECT_EQ(test::PageBoxes(QDir(folder).filePath("page.pdf")), QStringList({"0 0 792 612"}));
  EXPECT_TRUE(IsHTMLFile("a/b.xhtml") && IsHTMLFile("c.HTM") && !IsHTMLFile("d.txt"));
}

}  // namespace
}  // namespace glimbrik
