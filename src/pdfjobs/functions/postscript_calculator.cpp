#include "pdfjobs/functions/postscript_calculator.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string>

namespace glimbrik {

namespace {

constexpr std::array<std::string_view, kPostScriptOperatorCount> kOperatorNames = {
    "abs", "add",  "and", "atan",   "bitshift", "ceiling", "copy",  "cos",   "cvi",
    "cvr", "div",  "dup", "eq",     "exch",     "exp",     "false", "floor", "ge",
    "gt",  "idiv", "if",  "ifelse", "index",    "le",      "ln",    "log",   "lt",
    "mod", "mul",  "ne",  "neg",    "not",      "or",      "pop",   "roll",  "round",
    "sin", "sqrt", "sub", "true",   "truncate", "xor",
};

constexpr size_t kMaxNumberLength = 99;

bool IsWhiteSpace(char c) {
  return c == '\0' || c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsNumberCharacter(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '.'; }

}  // namespace

int LookUpPostScriptOperator(std::string_view name) {
  const auto it = std::lower_bound(kOperatorNames.begin(), kOperatorNames.end(), name);
  if (it == kOperatorNames.end() || *it != name) return -1;
  return int(it - kOperatorNames.begin());
}

PostScriptToken ReadPostScriptToken(PostScriptProgram& program) {
  const std::string_view text = program.text;
  size_t& at = program.position;
  for (;;) {
    while (at < text.size() && IsWhiteSpace(text[at])) ++at;
    if (at < text.size() && text[at] == '%') {
      while (at < text.size() && text[at] != '\n' && text[at] != '\r') ++at;
      continue;
    }
    break;
  }
  PostScriptToken token;
  if (at >= text.size()) return token;
  const char c = text[at];
  if (c == '{' || c == '}') {
    ++at;
    token.kind = c == '{' ? kTokenOpenBrace : kTokenCloseBrace;
    return token;
  }
  if (IsLetter(c)) {
    const size_t start = at;
    while (at < text.size() && IsLetter(text[at])) ++at;
    token.kind = kTokenOperator;
    token.operatorIndex = LookUpPostScriptOperator(text.substr(start, at - start));
    return token;
  }
  if (!IsNumberCharacter(c)) {
    token.kind = kTokenError;
    return token;
  }
  const size_t start = at;
  bool real = false;
  while (at < text.size() && IsNumberCharacter(text[at])) {
    real = real || text[at] == '.';
    ++at;
  }
  if (at - start > kMaxNumberLength) {
    token.kind = kTokenError;
    return token;
  }
  const std::string digits(text.substr(start, at - start));
  if (real) {
    token.kind = kTokenReal;
    token.real = std::strtod(digits.c_str(), nullptr);
  } else {
    token.kind = kTokenInteger;
    token.integer = std::strtoll(digits.c_str(), nullptr, 10);
  }
  return token;
}

bool ParsePostScriptBlock(PostScriptProgram& program, std::vector<PostScriptNode>& nodes,
                          int depth) {
  const auto fail = [&nodes] {
    nodes.clear();
    return false;
  };
  if (depth > kPostScriptMaxNesting) return fail();
  for (;;) {
    const PostScriptToken token = ReadPostScriptToken(program);
    switch (token.kind) {
      case kTokenInteger:
      case kTokenReal:
      case kTokenOperator: {
        PostScriptNode node;
        node.kind = token.kind;
        node.integer = token.integer;
        node.real = token.real;
        node.operatorIndex = token.operatorIndex;
        nodes.push_back(std::move(node));
        break;
      }
      case kTokenEnd:
      case kTokenCloseBrace:
        return true;
      case kTokenOpenBrace: {
        PostScriptNode node;
        node.kind = kTokenOperator;
        if (!ParsePostScriptBlock(program, node.firstProcedure, depth + 1)) return fail();
        PostScriptToken next = ReadPostScriptToken(program);
        if (next.kind == kTokenOperator && next.operatorIndex == kOpIf) {
          node.operatorIndex = kOpIf;
        } else if (next.kind == kTokenOpenBrace) {
          if (!ParsePostScriptBlock(program, node.secondProcedure, depth + 1)) return fail();
          next = ReadPostScriptToken(program);
          if (next.kind != kTokenOperator || next.operatorIndex != kOpIfelse) return fail();
          node.operatorIndex = kOpIfelse;
        } else {
          return fail();
        }
        nodes.push_back(std::move(node));
        break;
      }
      default:
        return fail();
    }
  }
}

bool ParsePostScriptProgram(PostScriptProgram& program) {
  program.nodes.clear();
  program.position = 0;
  if (ReadPostScriptToken(program).kind != kTokenOpenBrace) return false;
  return ParsePostScriptBlock(program, program.nodes, 1);
}

bool PostScriptStack::push(const PostScriptValue& value) {
  if (entries_.size() >= kPostScriptStackLimit) return false;
  entries_.push_back(value);
  return true;
}

bool PostScriptStack::pushReal(double value) {
  PostScriptValue v;
  v.type = 2;
  v.real = value;
  return push(v);
}

bool PostScriptStack::pushInteger(int64_t value) {
  PostScriptValue v;
  v.type = 1;
  v.integer = value;
  return push(v);
}

bool PostScriptStack::pushBoolean(bool value) {
  PostScriptValue v;
  v.type = 0;
  v.boolean = value;
  return push(v);
}

bool PostScriptStack::popNumber(double* value) {
  if (isEmpty() || entries_.back().type == 0) return false;
  const PostScriptValue& top = entries_.back();
  *value = top.type == 1 ? double(top.integer) : top.real;
  entries_.pop_back();
  return true;
}

bool PostScriptStack::popInteger(int64_t* value) {
  if (!topIsInteger()) return false;
  *value = entries_.back().integer;
  entries_.pop_back();
  return true;
}

bool PostScriptStack::popBoolean(bool* value) {
  if (isEmpty() || entries_.back().type != 0) return false;
  *value = entries_.back().boolean;
  entries_.pop_back();
  return true;
}

bool PostScriptStack::pop() {
  if (isEmpty()) return false;
  entries_.pop_back();
  return true;
}

void PostScriptStack::reverse() { std::reverse(entries_.begin(), entries_.end()); }

bool PostScriptStack::copy(int64_t n) {
  if (n < 0 || uint64_t(n) > entries_.size()) return false;
  if (entries_.size() + size_t(n) > kPostScriptStackLimit) return false;
  const size_t from = entries_.size() - size_t(n);
  for (size_t i = 0; i < size_t(n); ++i) entries_.push_back(entries_[from + i]);
  return true;
}

bool PostScriptStack::index(int64_t n) {
  if (n < 0 || uint64_t(n) >= entries_.size()) return false;
  return push(entries_[entries_.size() - 1 - size_t(n)]);
}

bool PostScriptStack::roll(int64_t n, int64_t j) {
  if (n < 0 || uint64_t(n) > entries_.size()) return false;
  if (n == 0) return true;
  // Positive j moves entries towards the top: a right rotation of the top n.
  int64_t shift = j % n;
  if (shift < 0) shift += n;
  const auto first = entries_.end() - n;
  std::rotate(first, entries_.end() - shift, entries_.end());
  return true;
}

bool PostScriptStack::topTwoAreIntegers() const {
  return entries_.size() >= 2 && peek(0).type == 1 && peek(1).type == 1;
}

bool PostScriptStack::topTwoAreNumbers() const {
  return entries_.size() >= 2 && peek(0).type != 0 && peek(1).type != 0;
}

bool PostScriptStack::topTypeIsEither(int32_t type, int32_t other) const {
  return !isEmpty() && (entries_.back().type == type || entries_.back().type == other);
}

}  // namespace glimbrik
