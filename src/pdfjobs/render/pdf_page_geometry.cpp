#include "pdfjobs/render/pdf_page_geometry.h"

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <optional>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

#include "pdfjobs/pdf_object_reading.h"
#include "pdfjobs/pdf_open.h"
#include "pdfjobs/pdf_page_list.h"

namespace glimbrik {

namespace {

std::optional<QRectF> BoxFromArray(QPDFObjectHandle array) {
  const std::vector<double> n = ReadNumberArray(array);
  if (n.size() != 4) return std::nullopt;
  return QRectF(QPointF(n[0], n[1]), QPointF(n[2], n[3])).normalized();
}

}  // namespace

bool ReadPDFPageGeometry(const QString& path, const QString& password,
                         std::vector<PDFPageGeometry>* pages) {
  pages->clear();
  try {
    const std::unique_ptr<QPDF> pdf = OpenPDFWithPassword(path, password);
    for (QPDFObjectHandle object : ListPDFPages(*pdf)) {
      PDFPageGeometry geometry;
      // A null page has no boxes: it stays undescribed and its neighbours keep their places.
      if (!object.isDictionary()) {
        pages->push_back(geometry);
        continue;
      }
      QPDFPageObjectHelper page(object);
      const std::optional<QRectF> media = BoxFromArray(page.getAttribute("/MediaBox", false));
      geometry.described = media.has_value();
      geometry.mediaBox = media.value_or(QRectF());
      const QRectF crop = BoxFromArray(page.getAttribute("/CropBox", false)).value_or(QRectF());
      geometry.cropBox = crop.width() > 0 && crop.height() > 0 ? crop : geometry.mediaBox;
      const QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
      geometry.rotation = int(ReadNumber(rotate));
      pages->push_back(geometry);
    }
    return true;
  } catch (...) {
    pages->clear();
    return false;
  }
}

}  // namespace glimbrik
