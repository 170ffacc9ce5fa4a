#pragma once

// Opening a PDF with qpdf the way every reader does: the empty user password first, so that a
// file restricted only by an owner password opens whatever password the caller gave.

#include <QString>
#include <memory>

class QPDF;

namespace glimbrik {

// The parsed document; throws qpdf's exception when neither password opens it.
std::unique_ptr<QPDF> OpenPDFWithPassword(const QString& path, const QString& password);

}  // namespace glimbrik
