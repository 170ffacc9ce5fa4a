#include <gtest/gtest.h>

#include <string>

#include "pdfjobs/pdf_function.h"

namespace glimbrik {
namespace {

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
        "{ dup 0.5 gt % a comment with { braces\n { pop 1 } { pop 0 } ifelse }"}) {
    Calculator c(text);
    EXPECT_DOUBLE_EQ(c(0.7), 1.0) << text;
    EXPECT_DOUBLE_EQ(c(0.3), 0.0) << text;
  }
  EXPECT_DOUBLE_EQ(Calculator("{ 1 foo add }")(2), 3.0);  // unknown names are skipped
  Calculator clipped("{ 5 mul }");
  clipped.f.range = {0, 1};
  EXPECT_DOUBLE_EQ(clipped(0.5), 1.0);
}

TEST(PostScriptCalculator, KeepsIntegerAndRealTypes) {
  PostScriptStack s = Calculator("{ 2 3 add }").run({});
  ASSERT_EQ(s.size(), 1u);
  EXPECT_EQ(s.peek(0).type, 1);
  EXPECT_EQ(s.peek(0).integer, 5);
  s = Calculator("{ 2 3.0 add }").run({});
  EXPECT_EQ(s.peek(0).type, 2);
  EXPECT_DOUBLE_EQ(s.peek(0).real, 5.0);
  s = Calculator("{ -8 -1 bitshift }").run({});
  EXPECT_EQ(s.peek(0).integer, 2147483644);
  s = Calculator("{ 1 3 bitshift 7 2 idiv -7 2 mod 6 4 div }").run({});
  EXPECT_EQ(s.peek(3).integer, 8);
  EXPECT_EQ(s.peek(2).integer, 3);
  EXPECT_EQ(s.peek(1).integer, -1);
  EXPECT_EQ(s.peek(0).type, 2);
  EXPECT_DOUBLE_EQ(s.peek(0).real, 1.5);
  s = Calculator("{ -1 0 atan 0 1 atan 90 sin 2.5 cvi -2.5 round 3 cvr 2 10 exp }").run({});
  EXPECT_DOUBLE_EQ(s.peek(6).real, 270.0);
  EXPECT_DOUBLE_EQ(s.peek(5).real, 0.0);
  EXPECT_NEAR(s.peek(4).real, 1.0, 1e-9);
  EXPECT_EQ(s.peek(3).integer, 2);
  EXPECT_DOUBLE_EQ(s.peek(2).real, -3.0);
  EXPECT_EQ(s.peek(1).type, 2);
  EXPECT_DOUBLE_EQ(s.peek(0).real, 1024.0);
}

TEST(PostScriptCalculator, StackOperators) {
  PostScriptStack s = Calculator("{ 1 2 3 4 5 5 2 roll 2 index 2 copy exch pop }").run({});
  // 1 2 3 4 5 -> roll: 4 5 1 2 3 -> index: .. 3 1 -> copy: .. 3 1 3 1 -> exch pop: .. 3 1 1
  ASSERT_EQ(s.size(), 7u);
  const int64_t expected[] = {4, 5, 1, 2, 3, 1, 1};
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(s.peek(6 - i).integer, expected[i]) << i;
  s = Calculator("{ 3 4 eq 3 3.0 eq true false xor 5 not 12 10 and }").run({});
  EXPECT_FALSE(s.peek(4).boolean);
  EXPECT_TRUE(s.peek(3).boolean);
  EXPECT_TRUE(s.peek(2).boolean);
  EXPECT_EQ(s.peek(1).integer, -6);
  EXPECT_EQ(s.peek(0).integer, 8);
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
