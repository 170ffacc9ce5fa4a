#include "pdfjobs/text_document_writers.h"

#include <QFont>
#include <QStringList>
#include <QTextDocument>
#include <QTextDocumentWriter>

#include "pdfjobs/zip_writer.h"

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

}  // namespace

QByteArray RichTextDocument(const QString& text, const QString& fontFamily) {
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0{\\fonttbl{\\f0\\fnil ";
  rtf += RtfEscaped(FamilyOrDefault(fontFamily));
  rtf += ";}}\n\\f0\\fs24 ";
  rtf += RtfEscaped(text);
  rtf += "}\n";
  return rtf;
}

QByteArray OfficeOpenXMLDocument(const QString& text, const QString& fontFamily) {
  const QString font = XmlEscaped(FamilyOrDefault(fontFamily));
  QString body;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    body += QStringLiteral("<w:p>");
    const QStringList pages = line.split(QLatin1Char('\f'));
    for (int i = 0; i < pages.size(); ++i) {
      if (i > 0) body += QStringLiteral("<w:r><w:br w:type=\"page\"/></w:r>");
      if (pages[i].isEmpty()) continue;
      body += QStringLiteral(
                  "<w:r><w:rPr><w:rFonts w:ascii=\"%1\" w:hAnsi=\"%1\" w:cs=\"%1\"/>"
                  "</w:rPr><w:t xml:space=\"preserve\">%2</w:t></w:r>")
                  .arg(font, XmlEscaped(pages[i]).remove(QLatin1Char('\r')));
    }
    body += QStringLiteral("</w:p>");
  }
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

bool WriteOpenDocumentText(const QString& text, const QString& fontFamily, const QString& path) {
  QTextDocument document;
  document.setDefaultFont(QFont(FamilyOrDefault(fontFamily), 12));
  document.setPlainText(text);
  QTextDocumentWriter writer(path, "odf");
  return writer.write(&document);
}

}  // namespace glimbrik
