#pragma once

// Plain text with one font as RTF, Office Open XML and OpenDocument text documents.

#include <QByteArray>
#include <QString>

namespace glimbrik {

// An RTF document of the text in the font family (Helvetica when empty), 12 points.
QByteArray RichTextDocument(const QString& text, const QString& fontFamily);

// A Word document package (docx) of the text, one paragraph per line.
QByteArray OfficeOpenXMLDocument(const QString& text, const QString& fontFamily);

// Writes an OpenDocument text file of the text; false when it cannot be written.
bool WriteOpenDocumentText(const QString& text, const QString& fontFamily, const QString& path);

}  // namespace glimbrik
