#pragma once

// The PostScript calculator of PDF type 4 functions: a tokenizer, a block parser into nodes, the
// sorted table of the 42 operators and a typed operand stack. The interpreter is
// PDFFunction::runPostScript (pdf_function.h).

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace glimbrik {

inline constexpr int kPostScriptOperatorCount = 42;
// Deeper "{" nesting is refused, so that hostile programs cannot exhaust the C++ stack.
inline constexpr int kPostScriptMaxNesting = 100;
// Operand stack entries beyond this are refused ("copy" could otherwise double it at will).
inline constexpr size_t kPostScriptStackLimit = 10000;

enum PostScriptOperator : int {
  kOpAbs,
  kOpAdd,
  kOpAnd,
  kOpAtan,
  kOpBitshift,
  kOpCeiling,
  kOpCopy,
  kOpCos,
  kOpCvi,
  kOpCvr,
  kOpDiv,
  kOpDup,
  kOpEq,
  kOpExch,
  kOpExp,
  kOpFalse,
  kOpFloor,
  kOpGe,
  kOpGt,
  kOpIdiv,
  kOpIf,
  kOpIfelse,
  kOpIndex,
  kOpLe,
  kOpLn,
  kOpLog,
  kOpLt,
  kOpMod,
  kOpMul,
  kOpNe,
  kOpNeg,
  kOpNot,
  kOpOr,
  kOpPop,
  kOpRoll,
  kOpRound,
  kOpSin,
  kOpSqrt,
  kOpSub,
  kOpTrue,
  kOpTruncate,
  kOpXor,
};

// The operator's index in the sorted table, or -1 for a name outside it.
int LookUpPostScriptOperator(std::string_view name);

enum PostScriptTokenKind : int {
  kTokenEnd = 0,
  kTokenInteger = 1,
  kTokenReal = 2,
  kTokenOperator = 3,
  kTokenOpenBrace = 4,
  kTokenCloseBrace = 5,
  kTokenError = 6,  // a character outside the calculator's language, or an overlong number
};

struct PostScriptToken {
  int kind = kTokenEnd;
  int64_t integer = 0;
  double real = 0.0;
  int operatorIndex = -1;
};

struct PostScriptNode {
  int64_t integer = 0;
  double real = 0.0;
  int kind = 0;  // 1 integer, 2 real, 3 operator
  int operatorIndex = -1;
  std::vector<PostScriptNode> firstProcedure;   // if / ifelse: run when true
  std::vector<PostScriptNode> secondProcedure;  // ifelse: run when false
};

struct PostScriptProgram {
  std::string_view text;  // borrowed from the function's stream data
  std::vector<PostScriptNode> nodes;
  size_t position = 0;
};

// Reads the next token from program.text at program.position; comments ("%" to the end of the
// line) count as white space.
PostScriptToken ReadPostScriptToken(PostScriptProgram& program);
// Parses up to the closing "}" into nodes; false on a syntax error (nodes are then emptied).
bool ParsePostScriptBlock(PostScriptProgram& program, std::vector<PostScriptNode>& nodes,
                          int depth);
// Parses the whole program; a program that does not open with "{" or holds an error leaves no
// nodes. False on error.
bool ParsePostScriptProgram(PostScriptProgram& program);

struct PostScriptValue {
  double real = 0.0;
  int32_t type = 0;  // 0 boolean, 1 integer, 2 real
  int64_t integer = 0;
  bool boolean = false;
};

class PostScriptStack {
 public:
  PostScriptStack() { entries_.reserve(100); }

  bool pushReal(double value);
  bool pushInteger(int64_t value);
  bool pushBoolean(bool value);
  // Each pop leaves the stack and *value alone unless the top entry has the wanted type.
  bool popNumber(double* value);
  bool popInteger(int64_t* value);
  bool popBoolean(bool* value);
  bool pop();
  void clear() { entries_.clear(); }
  void reverse();
  bool copy(int64_t n);
  bool index(int64_t n);
  bool roll(int64_t n, int64_t j);

  bool isEmpty() const { return entries_.empty(); }
  bool hasFewerThan(size_t n) const { return entries_.size() < n; }
  size_t size() const { return entries_.size(); }
  bool topIsInteger() const { return !isEmpty() && entries_.back().type == 1; }
  bool topIsReal() const { return !isEmpty() && entries_.back().type == 2; }
  bool topTwoAreIntegers() const;
  bool topTwoAreNumbers() const;
  bool topTypeIsEither(int32_t type, int32_t other) const;
  // Entry from the top (0 is the top); the caller checks the size.
  const PostScriptValue& peek(size_t fromTop) const {
    return entries_[entries_.size() - 1 - fromTop];
  }

 private:
  bool push(const PostScriptValue& value);
  std::vector<PostScriptValue> entries_;
};

}  // namespace glimbrik
