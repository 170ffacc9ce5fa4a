#include "pdfjobs/functions/pdf_function.h"

#include <gtest/gtest.h>

#include <string>

#include "pdfjobs/pdf_fixtures.h"

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
  fn.replaceDict(Parse("<< /FunctionType 4 /Domain [0 1 0 1] /Range [0 1] >>"));
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
  // One that stitches itself is refused.
  QPDF pdf;
  pdf.emptyPDF();
  QPDFObjectHandle fn =
      pdf.makeIndirectObject(Parse("<< /FunctionType 3 /Domain [0 1] /Bounds [] /Encode [0 1] >>"));
  fn.replaceKey("/Functions", QPDFObjectHandle::newArray({fn}));
  PDFFunction loop;
  EXPECT_FALSE(loop.parse(fn));
}

// A calculator function over program with n inputs and outputs in [-1e9, 1e9].
struct Calculator {
  explicit Calculator(const std::string& text, int outputs = 1) {
    f.functionKind = 3;
    f.streamData = QByteArray::fromStdString(text);
    f.domain = {0, 1};
    for (int i = 0; i < outputs; ++i) f.range.insert(f.range.end(), {-1e9, 1e9});
    f.compilePostScript();
    EXPECT_TRUE(f.validate());
  }
  // The stack left by the program, deepest first.
  PostScriptStack run(std::initializer_list<double> inputs) {
    PostScriptStack stack;
    for (double x : inputs) stack.pushReal(x);
    PDFFunction::runPostScript(f.program.nodes, stack);
    return stack;
  }
  double operator()(double x) { return f.evaluate(&x, 1)[0]; }
  PDFFunction f;
};

TEST(PostScriptCalculator, EvaluatesThePrograms) {
  EXPECT_DOUBLE_EQ(Calculator("{ 1 exch sub }")(0.25), 0.75);
  for (const char* text :
       {"{ dup 0.5 gt { pop 1 } { pop 0 } ifelse }", "{\tdup\t0.5\tgt\t{pop 1}\t{pop 0}\tifelse\t}",
        "{ dup 0.5 gt % a comment with { braces\n { pop 1 } { pop 0 } ifelse }",
        "{\rdup 0.5 gt % a comment ending in a carriage return\r{pop 1}\r{pop 0}\rifelse\r}"}) {
    Calculator c(text);
    EXPECT_DOUBLE_EQ(c(0.7), 1.0) << text;
    EXPECT_DOUBLE_EQ(c(0.3), 0.0) << text;
  }
  EXPECT_DOUBLE_EQ(Calculator("{ 1 foo add }")(2), 3.0);  // unknown names are skipped
  Calculator clipped("{ 5 mul }");
  clipped.f.range = {0, 1};
  EXPECT_DOUBLE_EQ(clipped(0.5), 1.0);
}

// The stack bottom first: integers plain, reals with an "r", booleans by name.
std::string Show(const PostScriptStack& s) {
  std::string text;
  for (size_t i = s.size(); i-- > 0;) {
    const PostScriptValue& v = s.peek(i);
    text += v.type == 1   ? std::to_string(v.integer)
            : v.type == 2 ? QString::number(v.real, 'g', 10).toStdString() + "r"
                          : (v.boolean ? "true" : "false");
    text += i ? " " : "";
  }
  return text;
}

TEST(PostScriptCalculator, OperatorsKeepIntegerAndRealTypes) {
  const std::pair<const char*, const char*> cases[] = {
      {"{ 2 3 add }", "5"},
      {"{ 2 3.0 add }", "5r"},
      {"{ -8 -1 bitshift }", "2147483644"},
      {"{ 1 3 bitshift 7 2 idiv -7 2 mod 6 4 div }", "8 3 -1 1.5r"},
      {"{ -1 0 atan 0 1 atan 90 sin 2.5 cvi -2.5 round 3 cvr 2 10 exp }",
       "270r 0r 1r 2 -3r 3r 1024r"},
      // roll: 4 5 1 2 3, index from the top: .. 3 2, copy: .. 3 2 3 2, exch pop: .. 3 2 2
      {"{ 1 2 3 4 5 5 2 roll 1 index 2 copy exch pop }", "4 5 1 2 3 2 2"},
      {"{ 3 4 eq 3 3.0 eq true false xor 5 not 12 10 and }", "false true true -6 8"},
      // neg and abs keep the operand's type; neg turns either sign.
      {"{ 3 neg -2.5 neg -7 abs 1.5 neg -4 neg }", "-3 2.5r 7 -1.5r 4"},
  };
  for (const auto& [program, stack] : cases)
    EXPECT_EQ(Show(Calculator(program).run({})), stack) << program;
}

TEST(PostScriptCalculator, HostileProgramsEndQuietly) {
  // Stray characters end the parse as an error: the function hands its input back.
  Calculator stray("{ + 1 }");
  EXPECT_TRUE(stray.f.program.nodes.empty());
  EXPECT_DOUBLE_EQ(stray(0.4), 0.4);
  // Operators lacking operands do nothing.
  EXPECT_TRUE(Calculator("{ pop pop }").run({}).isEmpty());
  PostScriptStack s = Calculator("{ 1 10 index }").run({});
  EXPECT_EQ(s.size(), 2u);
  // Only "1", "dup" and "1 copy" find their operands.
  EXPECT_EQ(Calculator("{ add sub 1 roll exch dup copy if }").run({}).size(), 2u);
  // Nesting is capped, so deep programs are refused instead of overflowing the C++ stack.
  const std::string deep = "{ " + std::string(10000, '{');
  EXPECT_TRUE(Calculator(deep).f.program.nodes.empty());
  std::string nested = "{ pop ";
  for (int i = 0; i < 50; ++i) nested += "true { ";
  nested += "1";
  for (int i = 0; i < 50; ++i) nested += " } if";
  nested += " }";
  EXPECT_DOUBLE_EQ(Calculator(nested)(0), 1.0) << "moderate nesting still runs";
  // The stack cannot be doubled without bound.
  s = Calculator(
          "{ 1 1 copy 2 copy 4 copy 8 copy 16 copy 32 copy 64 copy 128 copy 256 copy 512 "
          "copy 1024 copy 2048 copy 4096 copy 8192 copy 16384 copy }")
          .run({});
  EXPECT_LE(s.size(), kPostScriptStackLimit);
  // Integer overflow wraps instead of being undefined.
  s = Calculator("{ 9223372036854775807 1 add 1 70 bitshift 5 0 idiv }").run({});
  EXPECT_EQ(s.peek(2).integer, INT64_MIN);
  EXPECT_EQ(s.peek(1).integer, 0);
  EXPECT_EQ(s.peek(0).integer, 0);
}

}  // namespace
}  // namespace glimbrik
