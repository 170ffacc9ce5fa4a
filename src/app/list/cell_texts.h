#pragma once

#include <QDateTime>
#include <QString>

#include "app/list/list_entity.h"

namespace glimbrik {

// The size text of the image list in decimal units: "" for 0, "%llu bytes" up to 999, then KB,
// MB and GB with 1, 2 and 3 decimals.
QString formattedFileSize(quint64 size);

// The three detail lines of a list row.
struct CellTexts {
  QString fileSizeText;        // creation date and size
  QString imagePixelSizeText;  // colour model and kind
  QString imageDPIText;        // resolution and pixel size
};

// now stands in for a missing creation date.
CellTexts CellTextsFor(const ImageEntityFacts& facts, const QString& kind,
                       const QDateTime& creationDate,
                       const QDateTime& now = QDateTime::currentDateTime());

}  // namespace glimbrik
