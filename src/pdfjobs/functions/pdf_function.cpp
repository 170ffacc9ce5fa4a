#include "pdfjobs/functions/pdf_function.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glimbrik {

namespace {

constexpr double kDegreesPerRadian = 180.0 / 3.14159265358979323846;
constexpr int kMaxInputs = 32;
constexpr size_t kMaxSampleTableEntries = size_t(1) << 28;

double Clip(double x, double low, double high) {
  if (std::isnan(x)) return low;
  return std::min(std::max(x, low), high);
}

// Two's-complement arithmetic without signed overflow.
int64_t WrapAdd(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
int64_t WrapSub(int64_t a, int64_t b) { return int64_t(uint64_t(a) - uint64_t(b)); }
int64_t WrapMul(int64_t a, int64_t b) { return int64_t(uint64_t(a) * uint64_t(b)); }

int64_t RealToInteger(double x) {
  if (std::isnan(x)) return 0;
  if (x >= 9.2e18) return std::numeric_limits<int64_t>::max();
  if (x <= -9.2e18) return std::numeric_limits<int64_t>::min();
  return int64_t(x);
}

// The two operands of a binary operator, deepest first; absent or mistyped ones stay 0.
struct NumberPair {
  double a = 0.0, b = 0.0;
};
NumberPair PopNumbers(PostScriptStack& stack) {
  NumberPair p;
  stack.popNumber(&p.b);
  stack.popNumber(&p.a);
  return p;
}

void RunArithmetic(int op, PostScriptStack& stack) {
  if (stack.topTwoAreIntegers() && op != kOpDiv) {
    int64_t a = 0, b = 0;
    stack.popInteger(&b);
    stack.popInteger(&a);
    stack.pushInteger(op == kOpAdd ? WrapAdd(a, b) : op == kOpSub ? WrapSub(a, b) : WrapMul(a, b));
    return;
  }
  const NumberPair p = PopNumbers(stack);
  switch (op) {
    case kOpAdd:
      stack.pushReal(p.a + p.b);
      break;
    case kOpSub:
      stack.pushReal(p.a - p.b);
      break;
    case kOpMul:
      stack.pushReal(p.a * p.b);
      break;
    default:
      stack.pushReal(p.a / p.b);
      break;
  }
}

void RunIntegerDivision(int op, PostScriptStack& stack) {
  int64_t a = 0, b = 0;
  stack.popInteger(&b);
  stack.popInteger(&a);
  // A zero divisor (and the one quotient that overflows) gives 0.
  if (b == 0 || (b == -1 && a == std::numeric_limits<int64_t>::min())) {
    stack.pushInteger(0);
  } else {
    stack.pushInteger(op == kOpIdiv ? a / b : a % b);
  }
}

void RunComparison(int op, PostScriptStack& stack) {
  bool result = false;
  if (stack.topTwoAreIntegers()) {
    int64_t a = 0, b = 0;
    stack.popInteger(&b);
    stack.popInteger(&a);
    result = op == kOpEq   ? a == b
             : op == kOpNe ? a != b
             : op == kOpGe ? a >= b
             : op == kOpGt ? a > b
             : op == kOpLe ? a <= b
                           : a < b;
  } else if (stack.topTwoAreNumbers()) {
    const NumberPair p = PopNumbers(stack);
    result = op == kOpEq   ? p.a == p.b
             : op == kOpNe ? p.a != p.b
             : op == kOpGe ? p.a >= p.b
             : op == kOpGt ? p.a > p.b
             : op == kOpLe ? p.a <= p.b
                           : p.a < p.b;
  } else if (stack.peek(0).type == 0 && stack.peek(1).type == 0 && (op == kOpEq || op == kOpNe)) {
    bool a = false, b = false;
    stack.popBoolean(&b);
    stack.popBoolean(&a);
    result = op == kOpEq ? a == b : a != b;
  } else {
    return;  // mixed operands: nothing to compare
  }
  stack.pushBoolean(result);
}

void RunLogical(int op, PostScriptStack& stack) {
  if (stack.topTwoAreIntegers()) {
    int64_t a = 0, b = 0;
    stack.popInteger(&b);
    stack.popInteger(&a);
    stack.pushInteger(op == kOpAnd ? (a & b) : op == kOpOr ? (a | b) : (a ^ b));
  } else if (stack.peek(0).type == 0 && stack.peek(1).type == 0) {
    bool a = false, b = false;
    stack.popBoolean(&b);
    stack.popBoolean(&a);
    stack.pushBoolean(op == kOpAnd ? (a && b) : op == kOpOr ? (a || b) : (a != b));
  }
}

void RunBitshift(PostScriptStack& stack) {
  int64_t value = 0, shift = 0;
  stack.popInteger(&shift);
  stack.popInteger(&value);
  if (shift > 0) {
    stack.pushInteger(shift >= 64 ? 0 : int64_t(uint64_t(value) << shift));
  } else if (shift < 0) {
    const uint32_t low = uint32_t(uint64_t(value));
    stack.pushInteger(int32_t(shift <= -32 ? 0u : low >> -shift));
  } else {
    stack.pushInteger(value);
  }
}

// Operand counts; an operator that finds fewer entries does nothing.
int OperandCount(int op) {
  switch (op) {
    case kOpFalse:
    case kOpTrue:
      return 0;
    case kOpAdd:
    case kOpAnd:
    case kOpAtan:
    case kOpBitshift:
    case kOpDiv:
    case kOpEq:
    case kOpExch:
    case kOpExp:
    case kOpGe:
    case kOpGt:
    case kOpIdiv:
    case kOpIfelse:
    case kOpLe:
    case kOpLt:
    case kOpMod:
    case kOpMul:
    case kOpNe:
    case kOpOr:
    case kOpRoll:
    case kOpSub:
    case kOpXor:
      return 2;
    default:
      return 1;
  }
}

void RunNode(const PostScriptNode& node, PostScriptStack& stack);

void RunNodes(const std::vector<PostScriptNode>& nodes, PostScriptStack& stack) {
  for (const PostScriptNode& node : nodes) RunNode(node, stack);
}

void RunNode(const PostScriptNode& node, PostScriptStack& stack) {
  if (node.kind == 1) {
    stack.pushInteger(node.integer);
    return;
  }
  if (node.kind == 2) {
    stack.pushReal(node.real);
    return;
  }
  const int op = node.operatorIndex;
  if (op < 0 || op >= kPostScriptOperatorCount) return;
  if (stack.hasFewerThan(size_t(OperandCount(op)))) return;
  switch (op) {
    case kOpAdd:
    case kOpSub:
    case kOpMul:
    case kOpDiv:
      RunArithmetic(op, stack);
      break;
    case kOpIdiv:
    case kOpMod:
      RunIntegerDivision(op, stack);
      break;
    case kOpAbs:
    case kOpNeg:
      if (stack.topIsInteger()) {
        int64_t v = 0;
        stack.popInteger(&v);
        if (op == kOpAbs) {
          const int32_t narrow = int32_t(v);
          stack.pushInteger(narrow < 0 ? -int64_t(narrow) : narrow);
        } else {
          stack.pushInteger(WrapSub(0, v));
        }
      } else {
        double v = 0.0;
        stack.popNumber(&v);
        stack.pushReal(op == kOpAbs ? std::fabs(v) : -v);
      }
      break;
    case kOpEq:
    case kOpNe:
    case kOpGe:
    case kOpGt:
    case kOpLe:
    case kOpLt:
      RunComparison(op, stack);
      break;
    case kOpAnd:
    case kOpOr:
    case kOpXor:
      RunLogical(op, stack);
      break;
    case kOpNot:
      if (stack.topIsInteger()) {
        int64_t v = 0;
        stack.popInteger(&v);
        stack.pushInteger(~v);
      } else {
        bool b = false;
        if (stack.popBoolean(&b)) stack.pushBoolean(!b);
      }
      break;
    case kOpBitshift:
      RunBitshift(stack);
      break;
    case kOpCeiling:
    case kOpFloor:
      if (stack.topIsReal()) {
        double v = 0.0;
        stack.popNumber(&v);
        stack.pushReal(op == kOpCeiling ? std::ceil(v) : std::floor(v));
      }
      break;
    case kOpRound:
    case kOpTruncate: {
      double v = 0.0;
      stack.popNumber(&v);
      if (op == kOpRound) {
        stack.pushReal(v > 0 ? std::floor(v + 0.5) : std::ceil(v - 0.5));
      } else {
        stack.pushReal(v > 0 ? std::floor(v) : std::ceil(v));
      }
      break;
    }
    case kOpCvi:
      if (stack.topIsReal()) {
        double v = 0.0;
        stack.popNumber(&v);
        stack.pushInteger(RealToInteger(v));
      }
      break;
    case kOpCvr:
      if (stack.topIsInteger()) {
        double v = 0.0;
        stack.popNumber(&v);
        stack.pushReal(v);
      }
      break;
    case kOpSin:
    case kOpCos:
    case kOpSqrt:
    case kOpLn:
    case kOpLog: {
      double v = 0.0;
      stack.popNumber(&v);
      const double r = op == kOpSin    ? std::sin(v / kDegreesPerRadian)
                       : op == kOpCos  ? std::cos(v / kDegreesPerRadian)
                       : op == kOpSqrt ? std::sqrt(v)
                       : op == kOpLn   ? std::log(v)
                                       : std::log10(v);
      stack.pushReal(r);
      break;
    }
    case kOpAtan: {
      const NumberPair p = PopNumbers(stack);
      double angle = std::atan2(p.a, p.b) * kDegreesPerRadian;
      if (angle < 0) angle += 360.0;
      stack.pushReal(angle);
      break;
    }
    case kOpExp: {
      const NumberPair p = PopNumbers(stack);
      stack.pushReal(std::pow(p.a, p.b));
      break;
    }
    case kOpTrue:
    case kOpFalse:
      stack.pushBoolean(op == kOpTrue);
      break;
    case kOpDup:
      stack.copy(1);
      break;
    case kOpExch:
      stack.roll(2, 1);
      break;
    case kOpPop:
      stack.pop();
      break;
    case kOpCopy:
    case kOpIndex:
      if (stack.topIsInteger()) {
        const int64_t n = stack.peek(0).integer;
        const uint64_t needed = op == kOpCopy ? uint64_t(n) + 1 : uint64_t(n) + 2;
        if (n < 0 || needed > stack.size()) break;
        stack.pop();
        if (op == kOpCopy) {
          stack.copy(n);
        } else {
          stack.index(n);
        }
      }
      break;
    case kOpRoll:
      if (stack.topTwoAreIntegers()) {
        const int64_t j = stack.peek(0).integer;
        const int64_t n = stack.peek(1).integer;
        if (n < 0 || uint64_t(n) + 2 > stack.size()) break;
        stack.pop();
        stack.pop();
        stack.roll(n, j);
      }
      break;
    case kOpIf:
    case kOpIfelse: {
      bool condition = false;
      if (!stack.popBoolean(&condition)) break;
      if (condition) {
        RunNodes(node.firstProcedure, stack);
      } else if (op == kOpIfelse) {
        RunNodes(node.secondProcedure, stack);
      }
      break;
    }
    default:
      break;
  }
}

}  // namespace

void PDFFunction::runPostScript(const std::vector<PostScriptNode>& nodes, PostScriptStack& stack) {
  RunNodes(nodes, stack);
}

void PDFFunction::compilePostScript() {
  program = PostScriptProgram();
  program.text = std::string_view(streamData.constData(), size_t(streamData.size()));
  ParsePostScriptProgram(program);
}

bool PDFFunction::validate() {
  switch (functionKind) {
    case 0: {
      if (range.size() < 2 || size.empty() || size.size() > kMaxInputs) return false;
      if (domain.size() < 2 * size.size()) return false;
      if (bitsPerSample == 0 || bitsPerSample > 32) return false;
      outputCount = uint16_t(std::min<size_t>(range.size() / 2, UINT16_MAX));
      size_t entries = 1;
      for (double s : size) {
        if (!(s >= 1) || s > double(kMaxSampleTableEntries)) return false;
        entries *= size_t(s);
        if (entries > kMaxSampleTableEntries) return false;
      }
      const uint64_t bits = uint64_t(entries) * outputCount * bitsPerSample;
      return uint64_t(streamData.size()) * 8 >= bits;
    }
    case 1:
      if (outputCount == 0) outputCount = uint16_t(std::max<size_t>({c0.size(), c1.size(), 1}));
      return domain.size() >= 2;
    case 2:
      if (subFunctions.empty() || domain.size() < 2) return false;
      if (bounds.size() + 1 != subFunctions.size()) return false;
      if (outputCount == 0) outputCount = subFunctions.front()->outputCount;
      return true;
    case 3:
      if (range.size() < 2) return false;
      outputCount = uint16_t(std::min<size_t>(range.size() / 2, UINT16_MAX));
      return true;
    default:
      return false;
  }
}

const std::vector<double>& PDFFunction::evaluate(const double* inputs, int count) {
  if (outputs.size() < outputCount) outputs.resize(outputCount, 0.0);
  if (count <= 0) return outputs;
  switch (functionKind) {
    case 0:
      evaluateSampled(inputs, count);
      break;
    case 1:
      evaluateExponential(inputs[count - 1]);
      break;
    case 2:
      evaluateStitching(inputs[count - 1]);
      break;
    case 3:
      evaluatePostScript(inputs, count);
      break;
    default:
      break;
  }
  return outputs;
}

void PDFFunction::clipToRange() {
  for (size_t j = 0; j < outputs.size() && 2 * j + 1 < range.size(); ++j) {
    outputs[j] = Clip(outputs[j], range[2 * j], range[2 * j + 1]);
  }
}

void PDFFunction::evaluateSampled(const double* inputs, int count) {
  const size_t k = std::min(size.size(), size_t(count));
  if (k == 0 || domain.size() < 2 * k) return;
  size_t offset = 0;
  size_t stride = 1;
  for (size_t i = 0; i < k; ++i) {
    const double n = size[i];
    const double e0 = encode.size() >= 2 * (i + 1) ? encode[2 * i] : 0.0;
    const double e1 = encode.size() >= 2 * (i + 1) ? encode[2 * i + 1] : n - 1;
    const double d0 = domain[2 * i], d1 = domain[2 * i + 1];
    const double x = Clip(inputs[i], std::min(d0, d1), std::max(d0, d1));
    const double e = d1 == d0 ? 0.0 : e0 + (x - d0) * (e1 - e0) / (d1 - d0);
    const size_t index = size_t(Clip(e, 0.0, n - 1) + 0.5);
    offset += std::min(index, size_t(n) - 1) * stride;
    stride *= size_t(n);
  }
  const std::vector<double>& dec = decode.size() >= 2 * outputCount ? decode : range;
  const double maxSample = std::ldexp(1.0, int(bitsPerSample)) - 1.0;
  const auto* bytes = reinterpret_cast<const uint8_t*>(streamData.constData());
  const uint64_t totalBits = uint64_t(streamData.size()) * 8;
  for (size_t j = 0; j < outputCount; ++j) {
    // Samples are packed big-endian, bitsPerSample bits each.
    const uint64_t first = (uint64_t(offset) * outputCount + j) * bitsPerSample;
    if (first + bitsPerSample > totalBits) return;
    uint64_t s = 0;
    for (uint32_t b = 0; b < bitsPerSample; ++b) {
      const uint64_t bit = first + b;
      s = (s << 1) | ((bytes[bit >> 3] >> (7 - (bit & 7))) & 1u);
    }
    if (2 * j + 1 >= dec.size()) return;
    outputs[j] = dec[2 * j] + double(s) * (dec[2 * j + 1] - dec[2 * j]) / maxSample;
  }
  clipToRange();
}

void PDFFunction::evaluateExponential(double input) {
  for (size_t j = 0; j < outputCount; ++j) {
    const double a = j < c0.size() ? c0[j] : 0.0;
    const double b = j < c1.size() ? c1[j] : 1.0;
    outputs[j] = a + std::pow(input, exponent) * (b - a);
  }
  clipToRange();
}

void PDFFunction::evaluateStitching(double input) {
  const size_t n = subFunctions.size();
  if (n == 0 || bounds.size() + 1 != n || domain.size() < 2) return;
  const double x = Clip(input, domain[0], domain[1]);
  size_t i = 0;
  while (i < bounds.size() && x >= bounds[i]) ++i;
  const double low = i == 0 ? domain[0] : bounds[i - 1];
  const double high = i == bounds.size() ? domain[1] : bounds[i];
  const double e0 = encode.size() >= 2 * (i + 1) ? encode[2 * i] : 0.0;
  const double e1 = encode.size() >= 2 * (i + 1) ? encode[2 * i + 1] : 1.0;
  const double t = high == low ? e0 : e0 + (x - low) * (e1 - e0) / (high - low);
  PDFFunction& sub = *subFunctions[i];
  const std::vector<double>& values = sub.evaluate(&t, 1);
  for (size_t j = 0; j < outputCount && j < values.size(); ++j) outputs[j] = values[j];
  clipToRange();
}

void PDFFunction::evaluatePostScript(const double* inputs, int count) {
  PostScriptStack stack;
  for (int i = 0; i < count; ++i) stack.pushReal(inputs[i]);
  runPostScript(program.nodes, stack);
  stack.reverse();
  size_t j = 0;
  while (!stack.isEmpty()) {
    double value = 0.0;
    const bool number = stack.popNumber(&value);
    if (!number) stack.pop();  // a boolean gives no output value
    if (number && j < outputCount) outputs[j] = value;
    ++j;
  }
  clipToRange();
}

QByteArray ConvertSamplesThroughFunction(PDFFunction& function, int inputsPerPixel,
                                         const QByteArray& samples) {
  const int n = std::clamp(inputsPerPixel, 1, kMaxInputs);
  const int m = function.outputCount;
  if (m == 0) return QByteArray();
  const qsizetype pixels = samples.size() / n;
  QByteArray out(pixels * m, '\0');
  const auto* in = reinterpret_cast<const uint8_t*>(samples.constData());
  auto* o = reinterpret_cast<uint8_t*>(out.data());
  double inputs[kMaxInputs];
  for (qsizetype p = 0; p < pixels; ++p) {
    for (int i = 0; i < n; ++i) inputs[i] = in[p * n + i] / 255.0;
    const std::vector<double>& y = function.evaluate(inputs, n);
    for (int j = 0; j < m; ++j) {
      const double v = j < int(y.size()) ? y[j] * 255.0 : 0.0;
      o[p * m + j] = uint8_t(std::isnan(v) ? 0.0 : Clip(std::trunc(v), 0.0, 255.0));
    }
  }
  return out;
}

}  // namespace glimbrik
