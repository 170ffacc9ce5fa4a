#include "platform/pdf/pdf_rerender.h"

// Only std::shared_ptr in qpdf's interfaces, none of its old pointer type.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <algorithm>
#include <exception>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

namespace glimbrik {

namespace {

using Rectangle = QPDFObjectHandle::Rectangle;

Rectangle Normalised(const Rectangle& r) {
  return Rectangle(std::min(r.llx, r.urx), std::min(r.lly, r.ury), std::max(r.llx, r.urx),
                   std::max(r.lly, r.ury));
}

Rectangle BoxOf(QPDFObjectHandle box) {
  return box.isRectangle() ? Normalised(box.getArrayAsRectangle()) : Rectangle();
}

void AddRedrawnPage(QPDFPageObjectHelper& page, QPDF& out, QPDFPageDocumentHelper& outPages) {
  Rectangle box = BoxOf(page.getCropBox());
  if (box.urx - box.llx == 0 || box.ury - box.lly == 0) box = BoxOf(page.getMediaBox());
  QPDFObjectHandle rotate = page.getAttribute("/Rotate", false);
  const int quarterTurns = rotate.isInteger() ? rotate.getIntValueAsInt() / 90 : 0;
  double width = box.urx - box.llx;
  double height = box.ury - box.lly;
  if (quarterTurns % 2 != 0) std::swap(width, height);
  const Rectangle target(box.llx, box.lly, box.llx + width, box.lly + height);

  // The page as a form whose matrix carries its rotation, clipped to the chosen box.
  QPDFObjectHandle form = page.getFormXObjectForPage(true);
  form.replaceKey("/BBox", QPDFObjectHandle::newFromRectangle(box));
  const std::string content = page.placeFormXObject(form, "/Fx0", target, true, true, true);

  QPDFObjectHandle xobjects = QPDFObjectHandle::newDictionary();
  xobjects.replaceKey("/Fx0", out.copyForeignObject(form));
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/XObject", xobjects);
  QPDFObjectHandle dictionary = QPDFObjectHandle::newDictionary();
  dictionary.replaceKey("/Type", QPDFObjectHandle::newName("/Page"));
  dictionary.replaceKey("/MediaBox", QPDFObjectHandle::newFromRectangle(target));
  dictionary.replaceKey("/Resources", resources);
  dictionary.replaceKey("/Contents", QPDFObjectHandle::newStream(&out, content));
  outPages.addPage(QPDFPageObjectHelper(out.makeIndirectObject(dictionary)), false);
}

}  // namespace

QByteArray RerenderPDFData(const QByteArray& pdf) {
  if (pdf.isEmpty()) return QByteArray();
  try {
    QPDF in;
    in.setSuppressWarnings(true);
    in.processMemoryFile("document", pdf.constData(), size_t(pdf.size()));
    QPDF out;
    out.emptyPDF();
    QPDFPageDocumentHelper outPages(out);
    for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(in).getAllPages()) {
      AddRedrawnPage(page, out, outPages);
    }
    QPDFWriter writer(out);
    writer.setOutputMemory();
    writer.write();
    const auto buffer = writer.getBufferSharedPointer();
    if (!buffer || buffer->getSize() == 0) return QByteArray();
    return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()),
                      qsizetype(buffer->getSize()));
  } catch (const std::exception&) {
    return QByteArray();
  }
}

}  // namespace glimbrik
