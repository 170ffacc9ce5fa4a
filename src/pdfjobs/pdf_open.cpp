#include "pdfjobs/pdf_open.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QFile>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>

namespace glimbrik {

std::unique_ptr<QPDF> OpenPDFWithPassword(const QString& path, const QString& password) {
  const QByteArray name = QFile::encodeName(path);
  auto pdf = std::make_unique<QPDF>();
  pdf->setSuppressWarnings(true);
  try {
    pdf->processFile(name.constData(), "");
    return pdf;
  } catch (const QPDFExc& e) {
    if (e.getErrorCode() != qpdf_e_password || password.isEmpty()) throw;
  }
  pdf = std::make_unique<QPDF>();
  pdf->setSuppressWarnings(true);
  pdf->processFile(name.constData(), password.toUtf8().constData());
  return pdf;
}

}  // namespace glimbrik
