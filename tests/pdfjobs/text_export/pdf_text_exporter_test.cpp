#include "pdfjobs/text_export/pdf_text_exporter.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPdfWriter>

#include "pdfjobs/assembly/office_converter.h"
#include "pdfjobs/pdf_fixtures.h"

namespace glimbrik {
namespace {

// A PDF whose page n reads "Page n of the book" (pages listed in blank stay empty, those in terse
// read only "Zn").
QString WriteTextPdf(const QString& folder, const QString& name, int pages,
                     const QList<int>& blank = {}, const QList<int>& terse = {}) {
  const QString path = QDir(folder).filePath(name);
  QPdfWriter writer(path);
  writer.setResolution(72);
  QPainter painter(&writer);
  painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
  for (int page = 1; page <= pages; ++page) {
    if (page > 1) writer.newPage();
    const QString text =
        terse.contains(page) ? QStringLiteral("Z%1") : QStringLiteral("Page %1 of the book");
    if (!blank.contains(page)) painter.drawText(72, 72, text.arg(page));
  }
  painter.end();
  return path;
}

PDFToTextConversionOptions Options(const QString& source, const QString& destination,
                                   uint32_t format, const QString& extension) {
  PDFToTextConversionOptions o;
  o.sourceURL = source;
  o.destinationURL = destination;
  o.format = format;
  o.extension = extension;
  return o;
}

bool Export(const PDFToTextConversionOptions& o) { return PDFTextExporter(&o).exportPages(); }

TEST(PDFTextExporter, PerPageNamesCarryAsManyDigitsAsThePageCount) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  PDFToTextConversionOptions o = Options(WriteTextPdf(folder, "name.pdf", 120), out, 1, "txt");
  o.perPageFiles = 1;
  std::vector<int64_t> reports;
  o.progressCallback.callback = [&](int64_t v) { reports.push_back(v); };
  ASSERT_TRUE(Export(o));
  const QStringList names = test::Files(out);
  ASSERT_EQ(names.size(), 120);
  EXPECT_EQ(names.first(), "name-001.txt");
  EXPECT_EQ(names.last(), "name-120.txt");
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name-007.txt")).contains("Page 7 of the book"));
  EXPECT_EQ(reports.size(), 120u);

  // Page 1 alone of the 120 is named by the base name alone.
  const QString first = test::MakeTempFolder();
  o.destinationURL = first;
  o.pageRangeMode = 1;
  o.firstPage = 1;
  o.progressCallback = {};
  ASSERT_TRUE(Export(o));
  EXPECT_EQ(test::Files(first), QStringList({"name.txt"}));

  const QString single = test::MakeTempFolder();
  o = Options(WriteTextPdf(folder, "one.pdf", 1), single, 1, "txt");
  o.perPageFiles = 1;
  o.baseName = "name";
  ASSERT_TRUE(Export(o));
  EXPECT_EQ(test::Files(single), QStringList({"name.txt"}));
}

TEST(PDFTextExporter, RangesSelectPagesAndNeverReplaceAFile) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  PDFToTextConversionOptions o =
      Options(WriteTextPdf(folder, "name.pdf", 6, {4}, {6}), out, 1, "txt");
  o.pageRangeMode = 2;
  o.firstPage = 3;
  o.lastPage = 0;
  ASSERT_TRUE(Export(o));
  ASSERT_TRUE(Export(o));
  EXPECT_EQ(test::Files(out), QStringList({"name 1.txt", "name.txt"}));
  const QByteArray text = test::ReadBytes(QDir(out).filePath("name.txt"));
  EXPECT_LT(text.indexOf("Page 3"), text.indexOf("Page 5"));
  EXPECT_GT(text.indexOf("Page 3"), -1);
  EXPECT_GT(text.indexOf("Z6"), text.indexOf("Page 5")) << "a short page is not blank";
  EXPECT_FALSE(text.contains("Page 2"));

  const QString none = test::MakeTempFolder();
  o.destinationURL = none;
  o.pageRangeMode = 1;
  o.firstPage = 0;
  EXPECT_FALSE(Export(o));
  o.firstPage = 4;  // the blank page: nothing to write
  EXPECT_FALSE(Export(o));
  EXPECT_TRUE(test::Files(none).isEmpty());

  // Cancelled once page 3 has been reported: the pages gathered so far are still written.
  const QString cancelled = test::MakeTempFolder();
  o = Options(o.sourceURL, cancelled, 1, "txt");
  int64_t reported = 0;
  o.progressCallback.callback = [&](int64_t page) { reported = page; };
  o.progressCallback.isConversionCancelled = [&] { return reported >= 3; };
  ASSERT_TRUE(Export(o));
  const QByteArray gathered = test::ReadBytes(QDir(cancelled).filePath("name.txt"));
  EXPECT_TRUE(gathered.contains("Page 3") && !gathered.contains("Page 5"));

  // A destination below a plain file cannot be written.
  o.progressCallback = {};
  o.firstPage = 3;
  o.destinationURL = QDir(out).filePath("name.txt");
  EXPECT_FALSE(Export(o));
}

TEST(PDFTextExporter, WritesEachFormat) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString source = WriteTextPdf(folder, "name.pdf", 1);
  struct Case {
    uint32_t format;
    const char* extension;
    QByteArray start;
  };
  for (const Case& c : {Case{2, "txt", QByteArray("\xFF\xFE", 2)}, Case{3, "rtf", "{\\rtf1"},
                        Case{5, "doc", QByteArray("\xD0\xCF\x11\xE0", 4)},
                        Case{6, "docx", "PK\x03\x04"}, Case{7, "odt", "PK\x03\x04"}}) {
    ASSERT_TRUE(Export(Options(source, out, c.format, c.extension))) << c.format;
    const QString path = QDir(out).filePath(QStringLiteral("name.") + c.extension);
    EXPECT_TRUE(test::ReadBytes(path).startsWith(c.start)) << c.format;
  }
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name.txt"))
                  .contains(QByteArray("P\0a\0g\0e\0 \0001", 11)));
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name.docx")).contains("word/document.xml"));
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name.odt"))
                  .contains("mimetypeapplication/vnd.oasis.opendocument.text"));
  ASSERT_TRUE(Export(Options(source, out, 4, "rtfd")));
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name.rtfd/TXT.rtf")).startsWith("{\\rtf1"));

  // The Word package reads back in an office suite with its text and font.
  const QString text = ConvertWithOffice(QDir(out).filePath("name.docx"), "txt", folder);
  EXPECT_TRUE(test::ReadBytes(text).contains("Page 1 of the book"));
  EXPECT_TRUE(test::ReadBytes(QDir(out).filePath("name.rtf")).contains("DejaVu"));

  // Each escaped character carries its one fallback, so that the letter or digit after it is
  // neither skipped nor read into the character's number.
  const QString accents = QDir(folder).filePath("accents.pdf");
  {
    QPdfWriter writer(accents);
    writer.setResolution(72);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 12));
    painter.drawText(72, 72, QStringLiteral("caf\u00e91 na\u00efve \u03a9mega \u20ac5"));
  }
  ASSERT_TRUE(Export(Options(accents, out, 3, "rtf")));
  const QString read = ConvertWithOffice(QDir(out).filePath("accents.rtf"), "txt", folder);
  EXPECT_TRUE(QString::fromUtf8(test::ReadBytes(read))
                  .contains(QStringLiteral("caf\u00e91 na\u00efve \u03a9mega \u20ac5")))
      << test::ReadBytes(read).toStdString();
}

// A page set in a bold serif heading, sans-serif body runs in three faces and red monospace.
QString WriteStyledPdf(const QString& folder) {
  const QString path = QDir(folder).filePath("styled.pdf");
  QPdfWriter writer(path);
  writer.setResolution(72);
  QPainter painter(&writer);
  QFont heading(QStringLiteral("DejaVu Serif"), 30);
  heading.setBold(true);
  painter.setFont(heading);
  painter.drawText(72, 100, QStringLiteral("Big heading"));
  QFont body(QStringLiteral("DejaVu Sans"), 14);
  painter.setFont(body);
  painter.drawText(72, 150, QStringLiteral("plain words"));
  body.setBold(true);
  painter.setFont(body);
  painter.drawText(200, 150, QStringLiteral("bold words"));
  body.setBold(false);
  body.setItalic(true);
  painter.setFont(body);
  painter.drawText(320, 150, QStringLiteral("italic words"));
  painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 12));
  painter.setPen(QColor(255, 0, 0));
  painter.drawText(72, 200, QStringLiteral("red code"));
  painter.end();
  return path;
}

// The rich formats keep each run's family, size, weight, slant and colour, as an office suite
// reads them back.
TEST(PDFTextExporter, RichFormatsKeepFontsSizesFacesAndColours) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString source = WriteStyledPdf(folder);
  for (const auto& [format, extension] : {std::pair{3u, "rtf"}, {6u, "docx"}, {7u, "odt"}}) {
    ASSERT_TRUE(Export(Options(source, out, format, extension))) << format;
  }
  const QString rtf = QString::fromLatin1(test::ReadBytes(QDir(out).filePath("styled.rtf")));
  const auto group = [&](const QString& words) {
    const QRegularExpression run(QStringLiteral("\\{(\\\\[a-z]+\\d*)+ ") + words);
    return run.match(rtf).captured(0);
  };
  EXPECT_TRUE(group("Big heading").contains("\\fs60\\b")) << rtf.toStdString();
  EXPECT_TRUE(group("bold words").contains("\\fs28\\b")) << rtf.toStdString();
  EXPECT_TRUE(group("italic words").contains("\\fs28\\i")) << rtf.toStdString();
  EXPECT_FALSE(group("plain words").contains("\\b")) << rtf.toStdString();
  // Colour table entries count from 1; black text is black, the code red.
  const QStringList colours =
      rtf.section("{\\colortbl;", 1).section('}', 0, 0).split(';', Qt::SkipEmptyParts);
  const qsizetype red = colours.indexOf("\\red255\\green0\\blue0");
  ASSERT_GE(red, 0) << rtf.toStdString();
  EXPECT_TRUE(group("red code").contains(QStringLiteral("\\fs24\\cf%1").arg(red + 1)));
  EXPECT_FALSE(group("plain words").contains(QStringLiteral("\\cf%1").arg(red + 1)));
  EXPECT_TRUE(rtf.contains("DejaVu Serif;") && rtf.contains("DejaVu Sans Mono;"));

  for (const char* document : {"styled.docx", "styled.odt"}) {
    const QString html = ConvertWithOffice(QDir(out).filePath(document), "html", folder);
    const QString page = QString::fromUtf8(test::ReadBytes(html));
    // Lines of the page may break between any two words.
    const auto before = [&](const QString& word) { return page.left(page.indexOf(word) + 1); };
    ASSERT_TRUE(page.contains("italic")) << document;
    EXPECT_TRUE(before(">Big").right(200).contains("DejaVu Serif")) << document;
    // The markup that opens right before each run.
    EXPECT_TRUE(before(">Big").right(120).contains("<b>")) << document;
    EXPECT_TRUE(before(">italic").right(120).contains("<i>")) << document;
    EXPECT_FALSE(before(">plain").right(60).contains("<b>")) << document;
    EXPECT_TRUE(before(">red").right(200).contains("#ff0000", Qt::CaseInsensitive)) << document;
    EXPECT_TRUE(before(">Big").right(200).contains("font-size: 30pt")) << document;
  }
}

TEST(PDFTextExporter, TurnedPagesAndPageEndsGiveTheWordsOfPdftotext) {
  const QString folder = test::MakeTempFolder(), out = test::MakeTempFolder();
  const QString turned = QDir(folder).filePath("turned.pdf");
  test::RewritePDF(WriteTextPdf(folder, "upright.pdf", 3), turned, [](QPDF& pdf) {
    std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
    pages[0].getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
    pages[1].getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(270));
  });
  ASSERT_TRUE(Export(Options(turned, out, 1, "txt")));
  const QString text = QString::fromUtf8(test::ReadBytes(QDir(out).filePath("turned.txt")));
  const QString oracle = test::RunTool(QStringLiteral("pdftotext"), {turned, QStringLiteral("-")});
  // The oracle's words, whose reading order of a turned page may differ.
  const auto words = [](const QString& t) {
    QStringList list = t.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    list.sort();
    return list;
  };
  EXPECT_EQ(words(text).size(), 15);
  EXPECT_EQ(words(text), words(oracle));
  EXPECT_EQ(text.count(QLatin1Char('\f')), 2);
}

}  // namespace
}  // namespace glimbrik
