#include "pdfjobs/text_export/text_document_writers.h"

#include <QFont>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <functional>

#include "pdfjobs/text_export/zip_writer.h"

namespace glimbrik {

namespace {

QString FamilyOrDefault(const QString& family) {
  return family.isEmpty() ? QStringLiteral("Helvetica") : family;
}

QByteArray RtfEscaped(const QString& text) {
  QByteArray out;
  out.reserve(text.size() + 16);
  for (const QChar c : text) {
    const ushort u = c.unicode();
    if (u == '\\' || u == '{' || u == '}') {
      out += '\\';
      out += char(u);
    } else if (u == '\n') {
      out += "\\par\n";
    } else if (u == '\f') {
      out += "\\page\n";
    } else if (u == '\t') {
      out += "\\tab ";
    } else if (u == '\r') {
      continue;
    } else if (u >= 0x20 && u < 0x80) {
      out += char(u);
    } else if (u >= 0x80) {
      // RTF's Unicode escape takes a signed 16-bit number and a plain fallback character.
      out += "\\u" + QByteArray::number(qint16(u)) + '?';
    }
  }
  return out;
}

QString XmlEscaped(const QString& text) {
  QString out;
  for (const QChar c : text) {
    const ushort u = c.unicode();
    if (u == '&') {
      out += QStringLiteral("&amp;");
    } else if (u == '<') {
      out += QStringLiteral("&lt;");
    } else if (u == '>') {
      out += QStringLiteral("&gt;");
    } else if (u == '"') {
      out += QStringLiteral("&quot;");
    } else if (u >= 0x20 || u == '\t') {
      if (u != 0xFFFE && u != 0xFFFF) out += c;
    }
  }
  return out;
}

// A run's text in a document's markup: each piece between breaks escaped and wrapped by piece,
// a line break closing the paragraph, a form feed as pageBreak.
QString MarkedUp(const QString& text, const QString& lineBreak, const QString& pageBreak,
                 const std::function<QString(const QString&)>& piece) {
  QString out;
  const QStringList lines = text.split(QLatin1Char('\n'));
  for (int l = 0; l < lines.size(); ++l) {
    if (l > 0) out += lineBreak;
    const QStringList pages = lines[l].split(QLatin1Char('\f'));
    for (int i = 0; i < pages.size(); ++i) {
      if (i > 0) out += pageBreak;
      if (!pages[i].isEmpty()) out += piece(XmlEscaped(pages[i]).remove(QLatin1Char('\r')));
    }
  }
  return out;
}

constexpr double kDefaultSize = 12;

double SizeOf(const TextRun& run) { return run.size > 0 ? run.size : kDefaultSize; }

// Half points, the unit both RTF and Word documents give font sizes in.
int HalfPoints(const TextRun& run) { return int(std::lround(SizeOf(run) * 2)); }

}  // namespace

QByteArray RichTextDocument(const StyledText& runs, const QString& defaultFamily) {
  QStringList fonts{FamilyOrDefault(defaultFamily)};
  QList<QRgb> colours;
  QByteArray body;
  for (const TextRun& run : runs) {
    const QString family = run.family.isEmpty() ? fonts.front() : run.family;
    if (!fonts.contains(family)) fonts << family;
    QByteArray group = "{\\f" + QByteArray::number(fonts.indexOf(family)) + "\\fs" +
                       QByteArray::number(HalfPoints(run));
    if (run.bold) group += "\\b";
    if (run.italic) group += "\\i";
    if (run.colour.isValid()) {
      if (!colours.contains(run.colour.rgb())) colours << run.colour.rgb();
      group += "\\cf" + QByteArray::number(colours.indexOf(run.colour.rgb()) + 1);
    }
    body += group + ' ' + RtfEscaped(run.text) + '}';
  }
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl";
  for (int i = 0; i < fonts.size(); ++i) {
    rtf += "{\\f" + QByteArray::number(i) + "\\fnil " + RtfEscaped(fonts[i]) + ";}";
  }
  rtf += "}\n{\\colortbl;";
  for (const QRgb c : colours) {
    rtf += "\\red" + QByteArray::number(qRed(c)) + "\\green" + QByteArray::number(qGreen(c)) +
           "\\blue" + QByteArray::number(qBlue(c)) + ';';
  }
  rtf += "}\n\\f0\\fs24 " + body + "}\n";
  return rtf;
}

QByteArray OfficeOpenXMLDocument(const StyledText& runs, const QString& defaultFamily) {
  const QString fallback = FamilyOrDefault(defaultFamily);
  QString body = QStringLiteral("<w:p>");
  for (const TextRun& run : runs) {
    const QString font = XmlEscaped(run.family.isEmpty() ? fallback : run.family);
    QString properties =
        QStringLiteral("<w:rFonts w:ascii=\"%1\" w:hAnsi=\"%1\" w:cs=\"%1\"/>").arg(font);
    if (run.bold) properties += QStringLiteral("<w:b/>");
    if (run.italic) properties += QStringLiteral("<w:i/>");
    if (run.colour.isValid()) {
      properties += QStringLiteral("<w:color w:val=\"%1\"/>")
                        .arg(run.colour.name(QColor::HexRgb).mid(1).toUpper());
    }
    properties += QStringLiteral("<w:sz w:val=\"%1\"/>").arg(HalfPoints(run));
    body += MarkedUp(
        run.text, QStringLiteral("</w:p><w:p>"),
        QStringLiteral("<w:r><w:br w:type=\"page\"/></w:r>"), [&](const QString& t) {
          return QStringLiteral("<w:r><w:rPr>%1</w:rPr><w:t xml:space=\"preserve\">%2</w:t></w:r>")
              .arg(properties, t);
        });
  }
  body += QStringLiteral("</w:p>");
  const QString document =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
          "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
          "<w:body>%1<w:sectPr/></w:body></w:document>")
          .arg(body);
  const QByteArray types =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
      "<Default Extension=\"rels\" "
      "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
      "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
      "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>";
  const QByteArray rels =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
      "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>";
  return ZipArchive({{QStringLiteral("[Content_Types].xml"), types},
                     {QStringLiteral("_rels/.rels"), rels},
                     {QStringLiteral("word/document.xml"), document.toUtf8()}});
}

QByteArray OpenDocumentText(const StyledText& runs, const QString& defaultFamily) {
  const QString fallback = FamilyOrDefault(defaultFamily);
  // One automatic text style for each distinct run style, in order of first use.
  StyledText styles;
  QString spans = QStringLiteral("<text:p>");
  for (const TextRun& run : runs) {
    const auto same = std::find_if(styles.begin(), styles.end(),
                                   [&](const TextRun& style) { return style.sameStyle(run); });
    const qsizetype index = same - styles.begin();
    if (same == styles.end()) styles.push_back(run);
    spans += MarkedUp(run.text, QStringLiteral("</text:p><text:p>"),
                      QStringLiteral("</text:p><text:p text:style-name=\"Break\">"),
                      [&](const QString& t) {
                        return QStringLiteral("<text:span text:style-name=\"T%1\">%2</text:span>")
                            .arg(index + 1)
                            .arg(t);
                      });
  }
  spans += QStringLiteral("</text:p>");
  QString automatic = QStringLiteral(
      "<style:style style:name=\"Break\" style:family=\"paragraph\">"
      "<style:paragraph-properties fo:break-before=\"page\"/></style:style>");
  for (qsizetype i = 0; i < qsizetype(styles.size()); ++i) {
    const TextRun& style = styles[size_t(i)];
    QString properties =
        QStringLiteral(
            "fo:font-family=\"%1\" fo:font-size=\"%2pt\" fo:font-weight=\"%3\" "
            "fo:font-style=\"%4\"")
            .arg(XmlEscaped(style.family.isEmpty() ? fallback : style.family))
            .arg(SizeOf(style))
            .arg(style.bold ? QStringLiteral("bold") : QStringLiteral("normal"))
            .arg(style.italic ? QStringLiteral("italic") : QStringLiteral("normal"));
    if (style.colour.isValid()) {
      properties += QStringLiteral(" fo:color=\"%1\"").arg(style.colour.name(QColor::HexRgb));
    }
    automatic += QStringLiteral(
                     "<style:style style:name=\"T%1\" style:family=\"text\">"
                     "<style:text-properties %2/></style:style>")
                     .arg(i + 1)
                     .arg(properties);
  }
  const QString content =
      QStringLiteral(
          "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
          "<office:document-content "
          "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
          "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
          "xmlns:fo=\"urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0\" "
          "office:version=\"1.2\"><office:automatic-styles>%1</office:automatic-styles>"
          "<office:body><office:text>%2</office:text></office:body></office:document-content>")
          .arg(automatic, spans);
  const QByteArray manifest =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<manifest:manifest xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\" "
      "manifest:version=\"1.2\"><manifest:file-entry manifest:full-path=\"/\" "
      "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
      "<manifest:file-entry manifest:full-path=\"content.xml\" manifest:media-type=\"text/xml\"/>"
      "</manifest:manifest>";
  return ZipArchive({{QStringLiteral("mimetype"), "application/vnd.oasis.opendocument.text"},
                     {QStringLiteral("content.xml"), content.toUtf8()},
                     {QStringLiteral("META-INF/manifest.xml"), manifest}});
}

}  // namespace glimbrik
