#include "platform/pdf/pdf_rerender.h"

#include <gtest/gtest.h>
// Only std::shared_ptr in qpdf's interfaces, none of its old pointer type.
#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <QBuffer>
#include <QPainter>
#include <QPdfWriter>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <tuple>

namespace glimbrik {
namespace {

// Two A4 pages (595 x 842 points) drawn by Qt.
QByteArray TwoPagePdf() {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setPageSize(QPageSize(QPageSize::A4));
  writer.setPageMargins(QMarginsF());
  QPainter painter(&writer);
  painter.fillRect(QRect(0, 0, 100, 100), Qt::red);
  writer.newPage();
  painter.fillRect(QRect(0, 0, 100, 100), Qt::blue);
  painter.end();
  return bytes;
}

QByteArray Written(QPDF& pdf) {
  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.write();
  auto buffer = writer.getBufferSharedPointer();
  return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()),
                    qsizetype(buffer->getSize()));
}

TEST(RerenderPDF, PagesTakeTheCropBoxAndLoseTheirRotation) {
  QPDF source;
  const QByteArray original = TwoPagePdf();
  source.processMemoryFile("source", original.constData(), size_t(original.size()));
  auto pages = QPDFPageDocumentHelper(source).getAllPages();
  ASSERT_EQ(pages.size(), 2u);
  pages[0].getObjectHandle().replaceKey(
      "/CropBox",
      QPDFObjectHandle::newFromRectangle(QPDFObjectHandle::Rectangle(10, 20, 310, 420)));
  pages[1].getObjectHandle().replaceKey("/Rotate", QPDFObjectHandle::newInteger(90));
  const QByteArray prepared = Written(source);

  const QByteArray result = RerenderPDFData(prepared);
  ASSERT_FALSE(result.isEmpty());
  QPDF redrawn;
  redrawn.processMemoryFile("result", result.constData(), size_t(result.size()));
  auto out = QPDFPageDocumentHelper(redrawn).getAllPages();
  ASSERT_EQ(out.size(), 2u);
  const auto first = out[0].getMediaBox().getArrayAsRectangle();
  EXPECT_EQ(std::tuple(first.llx, first.lly, first.urx, first.ury),
            std::tuple(10.0, 20.0, 310.0, 420.0));
  const auto second = out[1].getMediaBox().getArrayAsRectangle();
  EXPECT_NEAR(second.urx - second.llx, 842, 1);  // width and height exchanged
  EXPECT_NEAR(second.ury - second.lly, 595, 1);
  for (auto& page : out) {
    EXPECT_FALSE(page.getObjectHandle().hasKey("/Rotate"));
    EXPECT_TRUE(page.getObjectHandle().getKey("/Resources").getKey("/XObject").hasKey("/Fx0"));
  }
}

TEST(RerenderPDF, UnreadableInputGivesNothing) {
  EXPECT_TRUE(RerenderPDFData(QByteArray()).isEmpty());
  EXPECT_TRUE(RerenderPDFData("%PDF-1.4 garbage").isEmpty());
  EXPECT_TRUE(RerenderPDFData(TwoPagePdf().left(100)).isEmpty());
}

}  // namespace
}  // namespace glimbrik
