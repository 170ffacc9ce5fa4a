#include "pdfjobs/pdf_function.h"

#include <gtest/gtest.h>

#ifndef POINTERHOLDER_TRANSITION
#define POINTERHOLDER_TRANSITION 4
#endif
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>

namespace glimbrik {
namespace {

QPDFObjectHandle Parse(const char* text) { return QPDFObjectHandle::parse(text); }

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray b;
  for (int v : values) b.append(char(v));
  return b;
}

TEST(PDFFunction, DeviceNThroughACalculatorStream) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle fn = QPDFObjectHandle::newStream(&pdf, "{ add 2 div }");
  fn.getDict().replaceKey("/FunctionType", QPDFObjectHandle::newInteger(4));
  fn.getDict().replaceKey("/Domain", Parse("[0 1 0 1]"));
  fn.getDict().replaceKey("/Range", Parse("[0 1]"));
  QPDFObjectHandle space = Parse("[/DeviceN [/A /B] /DeviceGray null]");
  space.setArrayItem(3, fn);
  EXPECT_EQ(ConvertDeviceNSamples(space, Bytes({255, 255, 255, 0, 0, 0})), Bytes({255, 127, 0}));
  // Values beyond 0..1 are held to the byte range, not wrapped.
  fn.getDict().replaceKey("/Range", Parse("[-2 2]"));
  fn.replaceStreamData("{ pop pop -1 }", QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  EXPECT_EQ(ConvertDeviceNSamples(space, Bytes({9, 9})), Bytes({0}));
  fn.replaceStreamData("{ add }", QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
  EXPECT_EQ(ConvertDeviceNSamples(space, Bytes({255, 255})), Bytes({255}));
  // Without a Range a calculator function is refused.
  fn.getDict().removeKey("/Range");
  EXPECT_TRUE(ConvertDeviceNSamples(space, Bytes({255, 255})).isEmpty());
}

TEST(PDFFunction, SampledTableIsReadPackedAndBoundsChecked) {
  QPDF pdf;
  pdf.emptyPDF();
  // Four 4-bit samples 0, 5, 10, 15 over one input: nearest sample, no interpolation.
  QPDFObjectHandle fn = QPDFObjectHandle::newStream(&pdf, std::string("\x05\xaf", 2));
  fn.replaceDict(
      Parse("<< /FunctionType 0 /Domain [0 1] /Range [0 1] /Size [4] "
            "/BitsPerSample 4 >>"));
  PDFFunction f;
  ASSERT_TRUE(f.parse(fn));
  double x = 0.0;
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 0.0);
  x = 0.4;  // index 1.2 -> 1
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 5.0 / 15.0);
  x = 0.6;  // index 1.8 -> 2
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 10.0 / 15.0);
  x = 1.0;
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 1.0);
  // A table shorter than Size asks for is refused rather than read past its end.
  fn.getDict().replaceKey("/Size", Parse("[400]"));
  PDFFunction shortTable;
  EXPECT_FALSE(shortTable.parse(fn));
  fn.getDict().replaceKey("/Size", Parse("[4]"));
  fn.getDict().removeKey("/Range");
  PDFFunction noRange;
  EXPECT_FALSE(noRange.parse(fn));
}

TEST(PDFFunction, StitchingSelectsBySubdomain) {
  PDFFunction f;
  ASSERT_TRUE(
      f.parse(Parse("<< /FunctionType 3 /Domain [0 1] /Bounds [0.5] /Encode [0 1 1 0] /Functions ["
                    "<< /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 2 >>"
                    "<< /FunctionType 2 /Domain [0 1] /C0 [10] /C1 [20] /N 1 >> ] >>")));
  double x = 0.25;  // first piece, 0.25 -> 0.5, squared
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 0.25);
  x = 0.75;  // second piece, encoded in reverse: 0.75 -> 0.5 -> 15
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 15.0);
  x = 1.0;
  EXPECT_DOUBLE_EQ(f.evaluate(&x, 1)[0], 10.0);
}

TEST(PDFFunction, SelfReferencingStitchingIsRefused) {
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle fn =
      pdf.makeIndirectObject(Parse("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] >>"));
  fn.replaceKey("/Functions", QPDFObjectHandle::newArray({fn}));
  PDFFunction f;
  EXPECT_FALSE(f.parse(fn));
}

}  // namespace
}  // namespace glimbrik
