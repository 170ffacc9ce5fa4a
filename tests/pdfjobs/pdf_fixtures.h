#pragma once

// Files and poppler-utils readings shared by the PDF job tests.

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <functional>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <string>
#include <vector>

#include "platform/image_fixtures.h"
#include "support/conversion_fixture.h"
#include "support/test_env.h"

namespace glimbrik::test {

// A folder for the test's sources and one for what the job writes.
class PdfJobTest : public ::testing::Test {
 protected:
  QString folder = MakeTempFolder(QStringLiteral("pdf")),
          out = MakeTempFolder(QStringLiteral("out"));
};

// The files of a folder, by name.
inline QStringList Files(const QString& folder) {
  return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Writes a PDF of pageCount pages of width x height points; each page draws a red square of 72
// points at its bottom-left corner. rotate gives every page that /Rotate; a password encrypts
// the file (user password = owner password).
void WritePagesPDF(const QString& path, int pageCount, double width = 612, double height = 792,
                   int rotate = 0, const std::string& password = std::string());

// Writes a one-page PDF whose page dictionary holds pageKeys (a /MediaBox among them) and draws
// content.
void WriteContentPDF(const QString& path, const std::string& pageKeys, const std::string& content);

// Writes a PDF of the given objects (numbered from 1, object 1 the catalog) as they are, with a
// cross-reference table and no checks, for files no library would write.
void WriteRawPDF(const QString& path, const std::vector<std::string>& objects);

// Writes a PDF of six pages where only pages 1, 3 and 5 are sound, drawing one grey image each of
// 2 x 2, 3 x 3 and 4 x 4 pixels. Page 2 is a null written in the page tree, page 4 a null object
// and page 6 a reference to a missing object.
void WriteNullPagesPDF(const QString& path);

// Copies the PDF at source to path through qpdf, after edit (when given) has changed its objects.
// A nonempty ownerPassword restricts the copy: an empty user password, printing withheld.
void RewritePDF(const QString& source, const QString& path,
                const std::function<void(QPDF&)>& edit = {},
                const std::string& ownerPassword = std::string());

inline QString WriteImage(const QString& folder, const QString& name, int w, int h, double dpi,
                          QColor colour = QColor(200, 40, 40)) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(colour);
  image.setDotsPerMeterX(int(std::lround(dpi / 0.0254)));
  image.setDotsPerMeterY(int(std::lround(dpi / 0.0254)));
  const QString path = QDir(folder).filePath(name);
  image.save(path);
  return path;
}

// The page boxes pdfinfo reports, one "x0 y0 x1 y1" text per page.
inline QStringList PageBoxes(const QString& pdf, const QString& box = QStringLiteral("MediaBox")) {
  const QString info = RunTool(QStringLiteral("pdfinfo"),
                               {QStringLiteral("-box"), QStringLiteral("-f"), QStringLiteral("1"),
                                QStringLiteral("-l"), QStringLiteral("9999"), pdf});
  QStringList boxes;
  const QRegularExpression line(QStringLiteral("^Page +\\d+ ") + box + QStringLiteral(": +(.*)$"),
                                QRegularExpression::MultilineOption);
  for (auto it = line.globalMatch(info); it.hasNext();) {
    const QStringList numbers = it.next().captured(1).simplified().split(u' ');
    QStringList rounded;
    for (const QString& n : numbers) rounded << QString::number(std::lround(n.toDouble()));
    boxes << rounded.join(u' ');
  }
  return boxes;
}

// The images of a PDF as pdfimages lists them: width, height and encoding per image.
struct ListedImage {
  int width = 0;
  int height = 0;
  QString encoding;
};
inline std::vector<ListedImage> ListImages(const QString& pdf) {
  std::vector<ListedImage> images;
  const QStringList lines =
      RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf}).split(u'\n');
  for (int i = 2; i < lines.size(); ++i) {
    const QStringList f = lines[i].simplified().split(u' ');
    if (f.size() < 10) continue;
    images.push_back({f[3].toInt(), f[4].toInt(), f[8]});
  }
  return images;
}

}  // namespace glimbrik::test
