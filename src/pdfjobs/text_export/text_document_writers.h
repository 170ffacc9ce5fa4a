#pragma once

// Styled text as RTF, Office Open XML and OpenDocument text documents: each run keeps its font
// family, size, weight, slant and colour.

#include <QByteArray>
#include <QString>

#include "pdfjobs/text_export/styled_text.h"

namespace glimbrik {

// An RTF document of the runs; runs without a family or size take defaultFamily (Helvetica
// when empty) at 12 points.
QByteArray RichTextDocument(const StyledText& runs, const QString& defaultFamily);

// A Word document package (docx) of the runs, one paragraph per line.
QByteArray OfficeOpenXMLDocument(const StyledText& runs, const QString& defaultFamily);

// An OpenDocument text package (odt) of the runs, one paragraph per line.
QByteArray OpenDocumentText(const StyledText& runs, const QString& defaultFamily);

}  // namespace glimbrik
