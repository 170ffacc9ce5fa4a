#pragma once

// Page boxes and rotation of every page of a PDF, read with qpdf.

#include <QRectF>
#include <QString>
#include <vector>

namespace glimbrik {

struct PDFPageGeometry {
  QRectF mediaBox;         // points, normalised
  QRectF cropBox;          // the media box when the page has none or an empty one
  int rotation = 0;        // degrees, inherited from the page tree
  bool described = false;  // the page (or its parents) gives a media box of four numbers
};

// One entry per page; false when qpdf cannot read the document with the password.
bool ReadPDFPageGeometry(const QString& path, const QString& password,
                         std::vector<PDFPageGeometry>* pages);

}  // namespace glimbrik
