#pragma once

#include <QByteArray>

namespace glimbrik {

// Draws every page of a PDF document into a new document: each new page has the old page's
// crop box (its media box when the crop box is empty) with the page's rotation applied to the
// drawing, so that the new pages carry no rotation of their own. Empty for a document that
// cannot be read or written.
QByteArray RerenderPDFData(const QByteArray& pdf);

}  // namespace glimbrik
