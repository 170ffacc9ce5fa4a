#include "pdfjobs/assembly/document_to_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QMimeDatabase>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>
#include <QUrl>

#include "engine/convert/image_types.h"
#include "engine/files/file_utils.h"
#include "pdfjobs/assembly/html_to_pdf.h"
#include "pdfjobs/assembly/office_converter.h"
#include "pdfjobs/assembly/web_archive.h"
#include "pdfjobs/job_progress.h"
#include "platform/pdf/pdf_builder.h"

namespace glimbrik {

namespace {

enum class DocumentKind { Plain, Html, WebArchive, Office };

DocumentKind KindOf(const QString& path) {
  const QFileInfo info(path);
  const QString extension = info.suffix().toLower();
  if (info.isDir()) return DocumentKind::Office;  // an RTFD bundle
  if (IsHTMLFile(path)) return DocumentKind::Html;
  if (extension == QLatin1String("webarchive")) return DocumentKind::WebArchive;
  static const QStringList office = {QStringLiteral("rtf"), QStringLiteral("doc"),
                                     QStringLiteral("docx"), QStringLiteral("odt"),
                                     QStringLiteral("wordml")};
  if (office.contains(extension)) return DocumentKind::Office;
  const QMimeType type = QMimeDatabase().mimeTypeForFile(path);
  for (const char* name :
       {"application/rtf", "text/rtf", "application/msword",
        "application/vnd.oasis.opendocument.text",
        "application/vnd.openxmlformats-officedocument.wordprocessingml.document"}) {
    if (type.inherits(QString::fromLatin1(name))) return DocumentKind::Office;
  }
  if (type.inherits(QStringLiteral("text/html"))) return DocumentKind::Html;
  return DocumentKind::Plain;
}

QString DecodedText(const QByteArray& bytes) {
  const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(bytes);
  QStringDecoder decoder(marked.value_or(QStringConverter::Utf8));
  QString text = decoder.decode(bytes);
  if (decoder.hasError()) text = QString::fromLatin1(bytes);
  return text;
}

QByteArray ReadAll(const QString& path, bool* ok) {
  QFile file(path);
  *ok = file.open(QIODevice::ReadOnly);
  return *ok ? file.readAll() : QByteArray();
}

// Loads the source into document; rich tells whether it brought its own formatting.
bool LoadDocument(const QString& source, QTextDocument* document, bool* rich,
                  const QString& workFolder) {
  bool ok = false;
  switch (KindOf(source)) {
    case DocumentKind::Plain: {
      const QByteArray bytes = ReadAll(source, &ok);
      if (!ok) return false;
      document->setPlainText(DecodedText(bytes));
      *rich = false;
      return true;
    }
    case DocumentKind::Html: {
      const QByteArray bytes = ReadAll(source, &ok);
      if (!ok) return false;
      document->setBaseUrl(QUrl::fromLocalFile(source));
      document->setHtml(DecodedText(bytes));
      *rich = true;
      return true;
    }
    case DocumentKind::WebArchive: {
      const std::optional<WebArchive> archive = ReadWebArchive(source);
      if (!archive) return false;
      document->setBaseUrl(archive->url);
      document->setHtml(archive->html);
      // The page's images and style sheets come from the archive, never from the network; set
      // after the text, which clears them, and before the layout asks for them.
      for (const WebArchive::Resource& resource : archive->subresources) {
        const bool style = resource.mimeType == QLatin1String("text/css");
        document->addResource(
            style ? QTextDocument::StyleSheetResource : QTextDocument::ImageResource, resource.url,
            style ? QVariant(QString::fromUtf8(resource.data)) : QVariant(resource.data));
      }
      *rich = true;
      return true;
    }
    case DocumentKind::Office: {
      const QString input =
          QFileInfo(source).isDir() ? QDir(source).filePath(QStringLiteral("TXT.rtf")) : source;
      const QString html = ConvertWithOffice(input, QStringLiteral("html"), workFolder);
      if (html.isEmpty()) return false;
      const QByteArray bytes = ReadAll(html, &ok);
      if (!ok) return false;
      document->setBaseUrl(QUrl::fromLocalFile(html));
      document->setHtml(QString::fromUtf8(bytes));
      *rich = true;
      return true;
    }
  }
  return false;
}

// Qt's text layout takes point sizes and block lengths at 96 pixels an inch whatever the device
// says: printing at that resolution gives fonts their size in points.
constexpr double kDevicePixelsPerPoint = 96.0 / 72.0;

QVariant Attribute(const QVariantMap& map, const char* key) {
  return map.value(QString::fromLatin1(key));
}

// Lengths are given in points; the layout measures in device pixels (kDevicePixelsPerPoint each).
QTextBlockFormat ParagraphFormat(const QVariantMap& style) {
  QTextBlockFormat format;
  bool ok = false;
  const int alignment = Attribute(style, kParagraphAlignmentKey).toInt(&ok);
  if (ok) {
    static const Qt::Alignment kAlignments[] = {Qt::AlignLeft, Qt::AlignRight, Qt::AlignHCenter,
                                                Qt::AlignJustify, Qt::AlignLeading};
    format.setAlignment(alignment >= 0 && alignment <= 4 ? kAlignments[alignment]
                                                         : Qt::AlignLeading);
  }
  const double multiple = Attribute(style, kParagraphLineHeightMultipleKey).toDouble(&ok);
  if (ok && multiple > 0) {
    format.setLineHeight(multiple * 100.0, QTextBlockFormat::ProportionalHeight);
  }
  const double spacing = Attribute(style, kParagraphLineSpacingKey).toDouble(&ok);
  const double unit = kDevicePixelsPerPoint;
  if (ok && spacing > 0) {
    format.setLineHeight(spacing * unit, QTextBlockFormat::LineDistanceHeight);
  }
  const double after = Attribute(style, kParagraphSpacingKey).toDouble(&ok);
  if (ok) format.setBottomMargin(std::max(0.0, after) * unit);
  const double before = Attribute(style, kParagraphSpacingBeforeKey).toDouble(&ok);
  if (ok) format.setTopMargin(std::max(0.0, before) * unit);
  const double head = std::max(0.0, Attribute(style, kParagraphHeadIndentKey).toDouble());
  format.setLeftMargin(head * unit);
  const double first = Attribute(style, kParagraphFirstLineHeadIndentKey).toDouble(&ok);
  if (ok) format.setTextIndent((std::max(0.0, first) - head) * unit);
  return format;
}

void ApplyTextAttributes(QTextDocument* document, const QVariantMap& attributes) {
  QTextCharFormat format;
  const QVariant font = Attribute(attributes, kTextFontKey);
  if (font.canConvert<QFont>()) {
    format.setFont(font.value<QFont>(), QTextCharFormat::FontPropertiesAll);
    document->setDefaultFont(font.value<QFont>());
  }
  const QVariant colour = Attribute(attributes, kTextForegroundColorKey);
  if (colour.canConvert<QColor>()) format.setForeground(colour.value<QColor>());
  const QVariant background = Attribute(attributes, kTextBackgroundColorKey);
  if (background.canConvert<QColor>()) format.setBackground(background.value<QColor>());
  bool ok = false;
  const int underline = Attribute(attributes, kTextUnderlineStyleKey).toInt(&ok) & 0xFF;
  if (ok) format.setFontUnderline(underline != 0);
  const int strike = Attribute(attributes, kTextStrikethroughStyleKey).toInt(&ok);
  if (ok) format.setFontStrikeOut(strike != 0);
  const double kern = Attribute(attributes, kTextKernKey).toDouble(&ok);
  if (ok) {
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(kern * kDevicePixelsPerPoint);
  }
  QTextCursor cursor(document);
  cursor.select(QTextCursor::Document);
  cursor.mergeCharFormat(format);
  const QVariant paragraph = Attribute(attributes, kTextParagraphStyleKey);
  if (paragraph.canConvert<QVariantMap>()) {
    cursor.mergeBlockFormat(ParagraphFormat(paragraph.toMap()));
  }
}

}  // namespace

bool DocumentToPDF::print(const QString& source, const QString& pdf) const {
  const double paperWidth = orientation == 1 ? pageHeight : pageWidth;
  const double paperHeight = orientation == 1 ? pageWidth : pageHeight;
  const QSizeF text(paperWidth - leftMargin - rightMargin, paperHeight - topMargin - bottomMargin);
  // Margins that leave no room for text fail the document instead of laying out nothing.
  if (text.width() < 1 || text.height() < 1) return false;

  QTemporaryDir work(GetTemporaryURLWithPrefix(QStringLiteral("document")) +
                     QStringLiteral("-XXXXXX"));
  if (!work.isValid()) return false;
  QTextDocument document;
  bool rich = false;
  if (!LoadDocument(source, &document, &rich, work.path())) return false;
  if (!rich || forceTextAttributes) ApplyTextAttributes(&document, textAttributes);

  QPdfWriter writer(pdf);
  writer.setResolution(int(72 * kDevicePixelsPerPoint));
  writer.setCreator(QString());
  const QPageLayout layout(QPageSize(QSizeF(paperWidth, paperHeight), QPageSize::Point, QString(),
                                     QPageSize::ExactMatch),
                           QPageLayout::Portrait,
                           QMarginsF(leftMargin, topMargin, rightMargin, bottomMargin),
                           QPageLayout::Point);
  if (!writer.setPageLayout(layout)) return false;
  // A word longer than the text width breaks rather than running off the page.
  QTextOption option = document.defaultTextOption();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  document.setDefaultTextOption(option);
  document.documentLayout()->setPaintDevice(&writer);
  document.setDocumentMargin(0);
  const QSizeF area = text * kDevicePixelsPerPoint;
  document.setPageSize(area);
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  const int pages = std::max(1, document.pageCount());
  for (int i = 0; i < pages; ++i) {
    if (i > 0) writer.newPage();
    painter.save();
    painter.translate(0, -i * area.height());
    document.drawContents(&painter, QRectF(QPointF(0, i * area.height()), area));
    painter.restore();
  }
  return painter.end();
}

bool DocumentToPDF::convertDocument(const QString& source, const QString& destination) {
  const QString printed = TemporaryFileURL();
  if (printed.isEmpty()) return false;
  const bool ok = print(source, printed) && QFileInfo(printed).isFile();
  bool result = false;
  if (ok && isSinglePDF) {
    QFile::remove(destination);
    result = QFile::rename(printed, destination);
  } else if (ok) {
    const std::unique_ptr<PdfBuilder> pages = PdfBuilder::Open(printed, {});
    if (pages) {
      PdfBuilder kept;
      for (int i = 0; i < pages->pageCount(); ++i) {
        if (!IsBlankPDFPage(printed, i)) kept.appendPages(*pages, i, 1);
      }
      // An all-blank document keeps its first page rather than becoming an empty PDF.
      if (kept.pageCount() == 0) kept.appendPages(*pages, 0, 1);
      result = kept.write(destination, pdfDocumentAttributes);
    }
  }
  QFile::remove(printed);
  return result;
}

bool DocumentToPDF::convertEach() {
  isSinglePDF = false;
  bool result = true;
  for (const QVariantMap& item : sourceItems) {
    if (item.isEmpty()) continue;
    const QString path = item.value(QStringLiteral("FilePath")).toString();
    const QString destination =
        UniqueFileURLForItem(destinationURL, path, QStringLiteral("pdf"), false);
    ReportJobProgressAndWait(progressCallback, 3);
    result = !destination.isEmpty() && convertDocument(path, destination) && result;
    if (IsJobCancelled(progressCallback)) return false;
  }
  return result;
}

bool DocumentToPDF::convertToSinglePDF() {
  isSinglePDF = true;
  PdfBuilder combined;
  std::vector<std::unique_ptr<PdfBuilder>> sources;  // alive until the combined file is written
  bool result = true;
  for (const QVariantMap& item : sourceItems) {
    if (item.isEmpty()) continue;
    const QString temporary = TemporaryFileURL();
    if (temporary.isEmpty()) continue;
    ReportJobProgressAndWait(progressCallback, 3);
    const bool converted =
        convertDocument(item.value(QStringLiteral("FilePath")).toString(), temporary);
    std::unique_ptr<PdfBuilder> pages = converted ? PdfBuilder::Open(temporary, {}) : nullptr;
    QFile::remove(temporary);
    result = result && pages != nullptr;
    if (pages) {
      combined.appendPages(*pages, 0, pages->pageCount());
      sources.push_back(std::move(pages));
    }
    if (IsJobCancelled(progressCallback)) return false;
  }
  if (combined.pageCount() == 0) return false;
  ReportJobProgressAndWait(progressCallback, 6);
  const bool written = combined.write(destinationURL, pdfDocumentAttributes);
  ReportJobProgressAndWait(progressCallback, 7);
  return written && result;
}

}  // namespace glimbrik
