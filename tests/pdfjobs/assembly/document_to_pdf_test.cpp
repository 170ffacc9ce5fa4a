#include "pdfjobs/assembly/document_to_pdf.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QElapsedTimer>
#include <QFont>

#include "engine/convert/image_types.h"
#include "pdfjobs/assembly/html_to_pdf.h"
#include "pdfjobs/pdf_fixtures.h"
#include "platform/pdf/pdf_document.h"
#include "platform/store/plist.h"

namespace glimbrik {
namespace {

QString FontsOf(const QString& pdf) { return test::RunTool("pdffonts", {pdf}); }

// The PostScript name fontconfig gives for a family: what a PDF embeds for it.
QString PostScriptNameFor(const QString& family) {
  return test::RunTool("fc-match", {"-f", "%{postscriptname}", family});
}

TextToPDFConversionOptions Letter(const QString& source, const QString& destination) {
  TextToPDFConversionOptions o;
  o.sourceItems = {{{"FilePath", source}}};
  o.destinationURL = destination;
  o.pageWidth = 612;
  o.pageHeight = 792;
  o.leftMargin = o.rightMargin = o.topMargin = o.bottomMargin = 72;
  o.textAttributes = {{kTextFontKey, QFont(QStringLiteral("Courier"), 10)}};
  return o;
}

bool ConvertEach(const TextToPDFConversionOptions& o) {
  DocumentToPDF job;
  job.setOptions(o);
  return job.convertEach();
}

TEST(DocumentToPDF, PlainTextIsLaidOutInTheTextAreaOfALandscapePage) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  QByteArray text;
  for (int i = 1; i <= 300; ++i) {
    text += "Line " + QByteArray::number(i) +
            (i % 10 == 0 ? QByteArray(40, ' ') + QByteArray("word ").repeated(40) : "") + "\n";
  }
  text += QByteArray("unbroken").repeated(50) + "\n";
  const QString notes = QDir(folder).filePath("notes.txt");
  test::WriteBytes(notes, text);
  TextToPDFConversionOptions o = Letter(notes, out);
  o.orientation = 1;
  ASSERT_TRUE(ConvertEach(o));
  const QString pdf = QDir(out).filePath("notes.pdf");
  const QStringList boxes = test::PageBoxes(pdf);
  ASSERT_GT(boxes.size(), 5);
  EXPECT_EQ(boxes.count("0 0 792 612"), boxes.size());
  EXPECT_TRUE(FontsOf(pdf).contains(PostScriptNameFor("Courier")));
  for (int i = 0; i < boxes.size(); ++i) EXPECT_FALSE(IsBlankPDFPage(pdf, i)) << i;
  // Every word lies within the 648-point text width right of the left margin.
  const QString words = test::RunTool("pdftotext", {"-bbox", pdf, "-"});
  const QRegularExpression box(
      QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"[\\d.]+\" xMax=\"([\\d.]+)\""));
  int count = 0;
  for (auto it = box.globalMatch(words); it.hasNext(); ++count) {
    const auto m = it.next();
    EXPECT_GE(m.captured(1).toDouble(), 71.5);
    EXPECT_LE(m.captured(2).toDouble(), 720.5);
  }
  EXPECT_GT(count, 600);
  EXPECT_TRUE(words.contains(">300<"));
}

// The box pdftotext gives the first word equal to text: xMin, yMin, xMax, yMax.
QRectF WordBox(const QString& pdf, const QString& text) {
  const QString words = test::RunTool("pdftotext", {"-bbox", pdf, "-"});
  const QRegularExpression box(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" "
                                              "xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">") +
                               text + QLatin1Char('<'));
  const QRegularExpressionMatch m = box.match(words);
  if (!m.hasMatch()) return {};
  return QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
}

TEST(DocumentToPDF, TextAttributesSetParagraphsColoursUnderlineAndKerning) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString notes = QDir(folder).filePath("plain.txt"), styled = QDir(folder).filePath("s.txt");
  test::WriteBytes(notes, "alpha beta\ngamma delta\n");
  test::WriteBytes(styled, "alpha beta\ngamma delta\n");
  ASSERT_TRUE(ConvertEach(Letter(notes, out)));
  TextToPDFConversionOptions o = Letter(styled, out);
  o.textAttributes.insert(kTextForegroundColorKey, QColor(0, 0, 255));
  o.textAttributes.insert(kTextBackgroundColorKey, QColor(255, 255, 0));
  o.textAttributes.insert(kTextUnderlineStyleKey, 1);
  o.textAttributes.insert(kTextKernKey, 3.0);
  o.textAttributes.insert(kTextParagraphStyleKey,
                          QVariantMap{{kParagraphAlignmentKey, 2}, {kParagraphSpacingKey, 20.0}});
  ASSERT_TRUE(ConvertEach(o));
  const QString plainPdf = QDir(out).filePath("plain.pdf"), pdf = QDir(out).filePath("s.pdf");

  // Centred in the 468-point text width; five letters three points wider each; 20 points more
  // between the paragraphs.
  const QRectF alpha = WordBox(pdf, "alpha"), beta = WordBox(pdf, "beta");
  const QRectF plainAlpha = WordBox(plainPdf, "alpha");
  ASSERT_FALSE(alpha.isNull() || beta.isNull() || plainAlpha.isNull());
  // Courier at 10 points: five letters of 6 points.
  EXPECT_NEAR(plainAlpha.width(), 30, 1.5);
  EXPECT_NEAR((alpha.left() + beta.right()) / 2, 306, 4);
  EXPECT_NEAR(alpha.width() - plainAlpha.width(), 12, 1);
  EXPECT_NEAR(WordBox(pdf, "gamma").top() - alpha.top(),
              WordBox(plainPdf, "gamma").top() - plainAlpha.top() + 20, 1.5);

  const std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdf);
  ASSERT_TRUE(document);
  const QImage page = document->renderPage(0, 144).convertToFormat(QImage::Format_RGB32);
  const QRect word(int(alpha.left() * 2), int(alpha.top() * 2), int(alpha.width() * 2),
                   int(alpha.height() * 2 + 4));
  int yellow = 0, fullRows = 0;
  for (int y = word.top(); y <= word.bottom(); ++y) {
    int blue = 0;
    for (int x = word.left(); x <= word.right(); ++x) {
      const QColor c = page.pixelColor(x, y);
      yellow += c.red() > 230 && c.green() > 230 && c.blue() < 40;
      blue += c.blue() > 150 && c.red() < 100 && c.green() < 100;
    }
    fullRows += blue > word.width() * 9 / 10;  // only an underline covers the whole word
  }
  EXPECT_GT(yellow, word.width() * word.height() / 4);
  EXPECT_GE(fullRows, 1);

  // LineSpacing adds its points between the lines a paragraph wraps into.
  QByteArray paragraph;
  for (int i = 100; i < 160; ++i) paragraph += "w" + QByteArray::number(i) + " ";
  const QString wrapped = QDir(folder).filePath("wrapped.txt");
  const QString spaced = QDir(folder).filePath("spaced.txt");
  test::WriteBytes(wrapped, paragraph);
  test::WriteBytes(spaced, paragraph);
  ASSERT_TRUE(ConvertEach(Letter(wrapped, out)));
  o = Letter(spaced, out);
  o.textAttributes.insert(kTextParagraphStyleKey, QVariantMap{{kParagraphLineSpacingKey, 12.0}});
  ASSERT_TRUE(ConvertEach(o));
  // From the first word to the first one back at the left margin.
  const auto pitch = [&](const QString& name) {
    const QString file = QDir(out).filePath(name);
    const QRectF first = WordBox(file, "w100");
    for (int i = 101; i < 160; ++i) {
      const QRectF next = WordBox(file, QStringLiteral("w%1").arg(i));
      if (!next.isNull() && std::abs(next.left() - first.left()) < 0.5) {
        return next.top() - first.top();
      }
    }
    ADD_FAILURE() << "one line only in " << name.toStdString();
    return 0.0;
  };
  EXPECT_NEAR(pitch("spaced.pdf") - pitch("wrapped.pdf"), 12, 1);
}

// A web archive prints its page with the images it holds, whose references are relative to the
// page's own address; nothing is fetched from that address.
TEST(DocumentToPDF, AWebArchivePrintsItsPageWithTheImagesItHolds) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  QImage red(60, 60, QImage::Format_RGB32);
  red.fill(QColor(255, 0, 0));
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  red.save(&buffer, "PNG");
  const QVariantMap archive{
      {"WebMainResource",
       QVariantMap{{"WebResourceURL", "https://example.invalid/page/index.html"},
                   {"WebResourceMIMEType", "text/html"},
                   {"WebResourceTextEncodingName", "UTF-8"},
                   {"WebResourceData", QByteArray("<h1>Archived heading</h1><p>Caf\xc3\xa9 body"
                                                  "</p><img src='img/red.png'>")}}},
      {"WebSubresources",
       QVariantList{QVariantMap{{"WebResourceURL", "https://example.invalid/page/img/red.png"},
                                {"WebResourceMIMEType", "image/png"},
                                {"WebResourceData", png}}}}};
  const QString xml = QDir(folder).filePath("page.plist");
  const QString source = QDir(folder).filePath("page.webarchive");
  ASSERT_TRUE(WritePlistFile(archive, xml).ok());
  test::RunTool("plistutil", {"-i", xml, "-o", source, "-f", "bin"});
  ASSERT_TRUE(test::ReadBytes(source).startsWith("bplist00"));

  ASSERT_TRUE(ConvertEach(Letter(source, out)));
  const QString pdf = QDir(out).filePath("page.pdf");
  const QString text = test::RunTool("pdftotext", {pdf, "-"});
  EXPECT_TRUE(text.contains("Archived heading")) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("Café body"))) << text.toStdString();
  const std::unique_ptr<PdfDocument> document = PdfDocument::Open(pdf);
  ASSERT_TRUE(document);
  const QImage page = document->renderPage(0, 72).convertToFormat(QImage::Format_RGB32);
  int reds = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) {
      const QRgb c = page.pixel(x, y);
      reds += qRed(c) > 220 && qGreen(c) < 40 && qBlue(c) < 40;
    }
  }
  EXPECT_GT(reds, 40 * 40);

  // Not an archive: the document fails alone.
  const QString broken = QDir(folder).filePath("broken.webarchive");
  test::WriteBytes(broken, "bplist00 cut short");
  EXPECT_FALSE(ConvertEach(Letter(broken, out)));
}

TEST(DocumentToPDF, RichTextKeepsItsFontUnlessForcedAndFailsAloneWithoutAnOfficeSuite) {
  const QString folder = test::MakeTempFolder();
  const QString rtf = QDir(folder).filePath("letter.rtf");
  test::WriteBytes(
      rtf,
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\froman Times New Roman;}}\\f0\\b\\fs28 Dear reader,\\par}");
  const QString kept = test::MakeTempFolder(), forced = test::MakeTempFolder();
  ASSERT_TRUE(ConvertEach(Letter(rtf, kept)));
  TextToPDFConversionOptions o = Letter(rtf, forced);
  o.forceTextAttributes = 1;
  ASSERT_TRUE(ConvertEach(o));
  const QString own = FontsOf(QDir(kept).filePath("letter.pdf"));
  const QString courier = PostScriptNameFor("Courier");
  EXPECT_TRUE(own.contains(PostScriptNameFor("Times New Roman:bold"))) << own.toStdString();
  EXPECT_FALSE(own.contains(courier));
  EXPECT_TRUE(FontsOf(QDir(forced).filePath("letter.pdf")).contains(courier));
  EXPECT_TRUE(test::RunTool("pdftotext", {QDir(kept).filePath("letter.pdf"), "-"})
                  .contains("Dear reader,"));

  // Without LibreOffice it fails on its own; a plain one beside it still converts.
  const QString alone = test::MakeTempFolder(), words = QDir(folder).filePath("words.txt");
  test::WriteBytes(words, "Some words\n");
  o = Letter(rtf, alone);
  o.sourceItems.append({{"FilePath", words}});
  const QByteArray path = qgetenv("PATH");
  qputenv("PATH", QByteArray("/nonexistent"));
  const bool converted = ConvertEach(o);
  qputenv("PATH", path);
  EXPECT_FALSE(converted);
  EXPECT_EQ(test::Files(alone), QStringList({"words.pdf"}));
}

TEST(DocumentToPDF, BadMarginsFailBlankDocumentsKeepOnePageAndOnePdfJoinsAll) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString blank = QDir(folder).filePath("blank.txt");
  test::WriteBytes(blank, QByteArray("\n").repeated(200));
  const QString words = QDir(folder).filePath("words.txt");
  test::WriteBytes(words, "Some words\n");
  TextToPDFConversionOptions o = Letter(blank, out);
  o.sourceItems.append({{"FilePath", words}});
  ASSERT_TRUE(ConvertEach(o));
  EXPECT_EQ(test::PageBoxes(QDir(out).filePath("blank.pdf")).size(), 1);

  o.leftMargin = o.rightMargin = 306;
  EXPECT_FALSE(ConvertEach(o));

  o = Letter(words, QDir(out).filePath("joined.pdf"));
  o.sourceItems.append({{"FilePath", words}});
  o.pdfDocumentAttributes = {{"Title", "Joined"}};
  std::vector<int64_t> reports;
  o.progressCallback.callback = [&](int64_t v) { reports.push_back(v); };
  o.saveAsSinglePDF = 1;
  ASSERT_EQ(ConvertDocumentsToPDF(&o), 1);
  EXPECT_EQ(test::PageBoxes(o.destinationURL).size(), 2);
  EXPECT_TRUE(test::RunTool("pdfinfo", {o.destinationURL}).contains("Joined"));
  EXPECT_EQ(reports, (std::vector<int64_t>{3, 3, 6, 7}));
}

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
  EXPECT_EQ(test::Files(out), QStringList({"one.pdf", "two.pdf"}));
  EXPECT_EQ(test::PageBoxes(QDir(out).filePath("two.pdf")), QStringList({"0 0 400 500"}));

  o.destinationURL = QDir(out).filePath("both.pdf");
  HTMLToPDF all;
  all.Init(o);
  all.SetProgressCallbackInfo({[&](int64_t v) { reports.push_back(v); }, {}});
  ASSERT_TRUE(all.SaveAsTextToSinglePDF());
  EXPECT_EQ(test::PageBoxes(o.destinationURL).size(), 2);
  const QString text = test::RunTool("pdftotext", {o.destinationURL, "-"});
  EXPECT_LT(text.indexOf("Page one"), text.indexOf("Page two"));
  EXPECT_TRUE(test::RunTool("pdfinfo", {o.destinationURL}).contains("Title:           Pages"));
  EXPECT_EQ(reports, (std::vector<int64_t>{3, 3, 3, 3, 6, 7}));
}

// A page wider than the paper is scaled to the printable width: its right edge is printed, on the
// page, while a page that fits keeps its size.
TEST(HTMLToPDF, AWidePageIsFittedToThePrintableWidth) {
  const QString folder = test::MakeTempFolder();
  const QString wide = QDir(folder).filePath("wide.html"), narrow = QDir(folder).filePath("n.html");
  test::WriteBytes(wide,
                   "<body style='margin:0'><div style='width:2400px;height:40px'>"
                   "<span>LeftEdge</span><span style='float:right'>RightEdge</span></div></body>");
  test::WriteBytes(narrow, "<body style='margin:0'><p style='font-size:16px'>Narrow words</p>");
  HTMLToPDF html;
  html.Init(612, 792, 72, 72, 72, 72, 0, {});
  for (const QString& source : {wide, narrow}) {
    html.SetTempDestinationURL(source + ".pdf");
    ASSERT_TRUE(html.SaveAsPDF(source));
  }
  const QString bbox = test::RunTool("pdftotext", {"-bbox", wide + ".pdf", "-"});
  const QRegularExpression word("xMax=\"([0-9.]+)\"[^>]*>RightEdge<");
  const QRegularExpressionMatch right = word.match(bbox);
  ASSERT_TRUE(right.hasMatch()) << bbox.toStdString();
  EXPECT_LE(right.captured(1).toDouble(), 612 - 72 + 1);
  EXPECT_GT(right.captured(1).toDouble(), 612 - 72 - 20);
  // 16 CSS pixels are 12 points: the narrow page is printed at its own scale.
  const QString narrowBox = test::RunTool("pdftotext", {"-bbox", narrow + ".pdf", "-"});
  const QRegularExpression height("yMin=\"([0-9.]+)\" xMax=\"[0-9.]+\" yMax=\"([0-9.]+)\">Narrow");
  const QRegularExpressionMatch m = height.match(narrowBox);
  ASSERT_TRUE(m.hasMatch()) << narrowBox.toStdString();
  EXPECT_NEAR(m.captured(2).toDouble() - m.captured(1).toDouble(), 12 * 1.15, 3);
}

}  // namespace
}  // namespace glimbrik
