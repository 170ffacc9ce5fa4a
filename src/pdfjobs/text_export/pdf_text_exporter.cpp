#include "pdfjobs/text_export/pdf_text_exporter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include "engine/files/file_utils.h"
#include "pdfjobs/assembly/office_converter.h"
#include "pdfjobs/job_progress.h"
#include "pdfjobs/text_export/text_document_writers.h"
#include "platform/pdf/pdf_document.h"
#include "platform/pdf/pdf_words.h"
#include "platform/store/atomic_write.h"

namespace glimbrik {

namespace {

bool SaveBytes(const QString& path, const QByteArray& bytes) {
  return WriteFileAtomically(path, bytes);
}

QByteArray Utf16WithMark(const QString& text) {
  QByteArray bytes("\xFF\xFE", 2);
  for (const QChar c : text) {
    bytes += char(c.unicode() & 0xFF);
    bytes += char(c.unicode() >> 8);
  }
  return bytes;
}

// "LiberationSerif-Bold" and "Arial,Bold" name the family before the style.
QString FamilyOfFontName(const QString& name) {
  return name.section(QLatin1Char('-'), 0, 0).section(QLatin1Char(','), 0, 0);
}

// Blank: shorter than 20 characters and nothing left once white space and object replacement
// characters are taken away.
bool IsBlankPageText(const QString& text) {
  if (text.size() >= 20) return false;
  for (const QChar c : text) {
    if (!c.isSpace() && c != QChar(0xFFFC)) return false;
  }
  return true;
}

int DigitCount(int64_t n) {
  int digits = 1;
  for (; n >= 10; n /= 10) ++digits;
  return digits;
}

}  // namespace

PDFTextExporter::PDFTextExporter(const PDFToTextConversionOptions* options) : options_(options) {
  if (options_) {
    const QByteArray password = options_->password.toUtf8();
    document_ = PdfDocument::Open(options_->sourceURL, password);
  }
  // A document the password leaves locked has nothing to read: it fails like an unreadable one.
  if (!document_ || document_->isLocked()) throw 301;
  const QStringList fonts = document_->fontNames();
  if (!fonts.isEmpty()) fontFamily_ = FamilyOfFontName(fonts.first());
  if (options_->format >= 3) {
    words_ = PdfWordReader::Open(options_->sourceURL, options_->password.toUtf8());
  }
}

StyledText PDFTextExporter::pageText(int index) const {
  const QString text = document_->pageText(index);
  if (!words_ || text.isEmpty()) return {PlainRun(text)};
  // Drawn at twice the size, a glyph's strokes are wide enough to hold pixels of its own colour.
  constexpr double kPixelsPerPoint = 2;
  return StylePageText(text, words_->words(index),
                       document_->renderPageInks(index, 72 * kPixelsPerPoint), kPixelsPerPoint,
                       &fontStyles_);
}

PDFTextExporter::~PDFTextExporter() = default;

bool PDFTextExporter::exportPages() {
  const PDFToTextConversionOptions& o = *options_;
  const int64_t count = document_->pageCount();
  const int digits = DigitCount(count);
  const QString baseName = o.baseName.isEmpty() ? BaseNameOfPath(o.sourceURL) : o.baseName;

  int64_t start = 0, end = count;
  if (o.pageRangeMode == 1 || o.pageRangeMode == 2) {
    if (o.firstPage < 1 || o.firstPage > count) return false;
    start = o.firstPage - 1;
    end = o.pageRangeMode == 1                       ? o.firstPage
          : (o.lastPage >= 1 && o.lastPage <= count) ? o.lastPage
                                                     : count;
    if (end <= start) return false;
  }

  bool hadText = false, allWritten = true;
  StyledText collected;
  for (int64_t i = start; i < end; ++i) {
    if (IsJobCancelled(o.progressCallback)) break;
    ReportJobProgressAndWait(o.progressCallback, i + 1);
    const StyledText page = pageText(int(i));
    const QString text = PlainText(page);
    if (text.isEmpty() || IsBlankPageText(text)) continue;
    hadText = true;
    if (o.perPageFiles) {
      // "report-07" for page 7 of 40: as many digits as the page count has.
      const QString name = end == 1
                               ? baseName
                               : baseName + QLatin1Char('-') +
                                     QStringLiteral("%1").arg(i + 1, digits, 10, QLatin1Char('0'));
      const QString url = UniqueFileURL(o.destinationURL, name, o.extension, false, 0);
      allWritten = writeText(url, page) && allWritten;
    } else {
      // Pages whose text ends mid-line would run together: plain text separates them with a
      // form feed, as text extractors do, the documents with a line break.
      const QString sofar = PlainText(collected);
      if (o.format == 1 || o.format == 2) {
        if (!sofar.isEmpty()) AppendText(&collected, QStringLiteral("\f"));
      } else if (!sofar.isEmpty() && !sofar.endsWith(QLatin1Char('\n'))) {
        AppendText(&collected, QStringLiteral("\n"));
      }
      AppendRuns(&collected, page);
    }
  }
  if (!o.perPageFiles && hadText) {
    allWritten =
        writeText(UniqueFileURL(o.destinationURL, baseName, o.extension, false, 0), collected);
  }
  return hadText && allWritten;
}

bool PDFTextExporter::writeText(const QString& url, const StyledText& runs) const {
  if (url.isEmpty()) return false;
  const QString text = PlainText(runs);
  switch (options_->format) {
    case 1:
      return SaveBytes(url, text.toUtf8());
    case 2:
      return SaveBytes(url, Utf16WithMark(text));
    case 3:
      return SaveBytes(url, RichTextDocument(runs, fontFamily_));
    case 4: {
      // A document bundle: a folder that holds the RTF.
      if (!QDir().mkpath(url)) return false;
      return SaveBytes(QDir(url).filePath(QStringLiteral("TXT.rtf")),
                       RichTextDocument(runs, fontFamily_));
    }
    case 5: {
      QTemporaryDir work(GetTemporaryURLWithPrefix(QStringLiteral("word")) +
                         QStringLiteral("-XXXXXX"));
      const QString rtf = work.filePath(QStringLiteral("text.rtf"));
      if (!work.isValid() || !SaveBytes(rtf, RichTextDocument(runs, fontFamily_))) return false;
      const QString written = ConvertWithOffice(rtf, QStringLiteral("doc"), work.path());
      if (written.isEmpty()) return false;
      QFile::remove(url);
      return QFile::rename(written, url);
    }
    case 6: {
      const QByteArray docx = OfficeOpenXMLDocument(runs, fontFamily_);
      return !docx.isEmpty() && SaveBytes(url, docx);
    }
    case 7: {
      const QByteArray odt = OpenDocumentText(runs, fontFamily_);
      return !odt.isEmpty() && SaveBytes(url, odt);
    }
    default:
      return false;
  }
}

}  // namespace glimbrik
