#include "pdfjobs/pdf_fixtures.h"

namespace glimbrik::test {

void WritePagesPDF(const QString& path, int pageCount, double width, double height, int rotate,
                   const std::string& password) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFPageDocumentHelper pages(pdf);
  for (int i = 0; i < pageCount; ++i) {
    QPDFObjectHandle page = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 " + std::to_string(width) + " " +
                                std::to_string(height) + "] /Resources << >> >>"));
    page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, "1 0 0 rg 0 0 72 72 re f"));
    if (rotate) page.replaceKey("/Rotate", QPDFObjectHandle::newInteger(rotate));
    pages.addPage(QPDFPageObjectHelper(page), false);
  }
  const QByteArray file = QFile::encodeName(path);  // the writer keeps the pointer
  QPDFWriter writer(pdf, file.constData());
  if (!password.empty()) {
    writer.setR6EncryptionParameters(password.c_str(), password.c_str(), true, true, true, true,
                                     true, true, qpdf_r3p_full, true);
  }
  writer.write();
}

void WriteContentPDF(const QString& path, const std::string& pageKeys, const std::string& content) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle page = pdf.makeIndirectObject(
      QPDFObjectHandle::parse("<< /Type /Page " + pageKeys + " /Resources << >> >>"));
  page.replaceKey("/Contents", QPDFObjectHandle::newStream(&pdf, content));
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);
  const QByteArray file = QFile::encodeName(path);
  QPDFWriter(pdf, file.constData()).write();
}

void WriteRawPDF(const QString& path, const std::vector<std::string>& objects) {
  std::string file = "%PDF-1.7\n";
  std::string xref = "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t i = 0; i < objects.size(); ++i) {
    xref +=
        QStringLiteral("%1 00000 n \n").arg(file.size(), 10, 10, QLatin1Char('0')).toStdString();
    file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
  }
  const size_t start = file.size();
  file += xref + "trailer\n<< /Size " + std::to_string(objects.size() + 1) +
          " /Root 1 0 R >>\nstartxref\n" + std::to_string(start) + "\n%%EOF\n";
  WriteBytes(path, QByteArray::fromStdString(file));
}

void WriteNullPagesPDF(const QString& path) {
  const auto page = [](int image, int content) {
    return "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Resources << /XObject << /Im " +
           std::to_string(image) + " 0 R >> >> /Contents " + std::to_string(content) + " 0 R >>";
  };
  const auto image = [](int side) {
    const std::string data(size_t(side * side), 'A');
    return "<< /Type /XObject /Subtype /Image /Width " + std::to_string(side) + " /Height " +
           std::to_string(side) + " /ColorSpace /DeviceGray /BitsPerComponent 8 /Length " +
           std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream";
  };
  const std::string draw = "q 50 0 0 50 0 0 cm /Im Do Q";
  const std::string content =
      "<< /Length " + std::to_string(draw.size()) + " >>\nstream\n" + draw + "\nendstream";
  WriteRawPDF(path, {"<< /Type /Catalog /Pages 2 0 R >>",
                     "<< /Type /Pages /Kids [3 0 R null 4 0 R 9 0 R 5 0 R 20 0 R] /Count 6 >>",
                     page(6, 10), page(7, 11), page(8, 12), image(2), image(3), image(4), "null",
                     content, content, content});
}

void RewritePDF(const QString& source, const QString& path, const std::function<void(QPDF&)>& edit,
                const std::string& ownerPassword) {
  QPDF pdf;
  pdf.processFile(QFile::encodeName(source).constData());
  if (edit) edit(pdf);
  const QByteArray file = QFile::encodeName(path);
  QPDFWriter writer(pdf, file.constData());
  if (!ownerPassword.empty()) {
    writer.setR6EncryptionParameters("", ownerPassword.c_str(), true, true, true, true, true, true,
                                     qpdf_r3p_none, true);
  }
  writer.write();
}

}  // namespace glimbrik::test
