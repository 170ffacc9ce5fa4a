#include "app/panels/number_field.h"

#include <QComboBox>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace glimbrik {
namespace {

enum class Scalar { Int32, Integer, Float, Double, PageList };

constexpr double kNoLimit = std::numeric_limits<double>::infinity();

// One row per kind, in the order of NumberFieldKind.
struct Rule {
  Scalar scalar;
  bool skipsPercent;    // the scanner skips "%" instead of white space
  bool loneMinusStays;  // a lone "-" is kept while typing
  bool usesMinValue;    // typing and end limits are the field's minValue
  double typingMin;     // bad text becomes at least this
  double typingMax;     // ... and at most this; a well-formed text above it is capped too
  bool hasEndRule;      // below endBelow at the end of an edit becomes endBecomes
  double endBelow;
  double endBecomes;
};

constexpr std::array<Rule, 19> kRules = {{
    {Scalar::Int32, false, false, false, 0, kNoLimit, true, 0, 0},               // WholeNumber
    {Scalar::Double, false, false, false, 0, kNoLimit, true, 0, 0},              // Number
    {Scalar::Integer, false, false, false, 0, kNoLimit, true, 0, 0},             // ZeroCount
    {Scalar::Integer, false, false, false, 1, kNoLimit, true, 1, 1},             // NumberLength
    {Scalar::Integer, false, false, false, 0, kNoLimit, true, 0, 0},             // StartDigit
    {Scalar::Integer, false, false, true, 1, kNoLimit, true, 1, 1},              // PageCount
    {Scalar::Float, false, false, false, 0.5, kNoLimit, true, 0.5, 0},           // FileSize
    {Scalar::Integer, false, false, true, 1, kNoLimit, true, 1, 1},              // Resolution
    {Scalar::Integer, false, false, false, 1, kNoLimit, true, 1, 1},             // FontSize
    {Scalar::Integer, false, false, false, 0, kNoLimit, true, 0, 0},             // RotationAngle
    {Scalar::Integer, false, false, false, 0, kNoLimit, true, 0, 0},             // ShadowBlur
    {Scalar::Integer, false, true, false, -5000, kNoLimit, true, -5000, -5000},  // ShadowX
    {Scalar::Integer, false, true, false, -5000, kNoLimit, true, -5000, -5000},  // ShadowY
    {Scalar::Double, false, true, false, -100, kNoLimit, true, -100, -100},      // WatermarkOffset
    {Scalar::Integer, true, false, false, 1, kNoLimit, true, 1, 1},              // PDFScale
    {Scalar::Double, false, false, false, 0, kNoLimit, true, 0, 0},              // CharSpace
    {Scalar::Integer, true, false, false, 1, 6400, false, 0, 0},                 // Scale
    {Scalar::PageList, false, false, false, 0, kNoLimit, false, 0, 0},           // PageRange
    {Scalar::Integer, false, false, false, 10, kNoLimit, true, 10, 10},          // ScaleFactor
}};

const Rule& RuleFor(NumberFieldKind kind) { return kRules[static_cast<size_t>(kind)]; }

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

bool IsSkippable(QChar c, bool skipsPercent) { return skipsPercent ? c == u'%' : c.isSpace(); }

qsizetype Skip(const QString& text, qsizetype i, bool skipsPercent) {
  while (i < text.size() && IsSkippable(text[i], skipsPercent)) ++i;
  return i;
}

// An integer at i: optional sign and at least one digit, saturating at the type's limits.
bool ScanInteger(const QString& text, qsizetype& i, Scalar scalar, double* value) {
  qsizetype j = i;
  bool negative = false;
  if (j < text.size() && (text[j] == u'-' || text[j] == u'+')) negative = text[j++] == u'-';
  if (j >= text.size() || !IsDigit(text[j])) return false;
  const int64_t limit = scalar == Scalar::Int32 ? std::numeric_limits<int32_t>::max()
                                                : std::numeric_limits<int64_t>::max();
  int64_t magnitude = 0;
  bool saturated = false;
  for (; j < text.size() && IsDigit(text[j]); ++j) {
    const int digit = text[j].unicode() - u'0';
    saturated = saturated || magnitude > (limit - digit) / 10;
    magnitude = saturated ? limit : magnitude * 10 + digit;
  }
  double v = static_cast<double>(magnitude);
  if (negative) v = saturated ? -static_cast<double>(limit) - 1.0 : -v;
  *value = v;
  i = j;
  return true;
}

// A decimal number at i: sign, digits with an optional point, an exponent when digits follow
// it. Only these characters: words such as "inf" or "nan" are no number here.
bool ScanReal(const QString& text, qsizetype& i, Scalar scalar, double* value) {
  qsizetype j = i;
  bool negative = false;
  if (j < text.size() && (text[j] == u'-' || text[j] == u'+')) negative = text[j++] == u'-';
  std::string intDigits;
  std::string fracDigits;
  for (; j < text.size() && IsDigit(text[j]); ++j) intDigits += char(text[j].unicode());
  if (j < text.size() && text[j] == u'.') {
    qsizetype k = j + 1;
    for (; k < text.size() && IsDigit(text[k]); ++k) fracDigits += char(text[k].unicode());
    if (!intDigits.empty() || !fracDigits.empty()) j = k;
  }
  if (intDigits.empty() && fracDigits.empty()) return false;
  long exponent = 0;
  if (j < text.size() && (text[j] == u'e' || text[j] == u'E')) {
    qsizetype k = j + 1;
    bool expNegative = false;
    if (k < text.size() && (text[k] == u'-' || text[k] == u'+')) expNegative = text[k++] == u'-';
    if (k < text.size() && IsDigit(text[k])) {
      for (; k < text.size() && IsDigit(text[k]); ++k) {
        exponent = std::min(exponent * 10 + (text[k].unicode() - u'0'), 1000000L);
      }
      if (expNegative) exponent = -exponent;
      j = k;
    }
  }
  const std::string number = (intDigits.empty() ? std::string("0") : intDigits) + "." +
                             (fracDigits.empty() ? std::string("0") : fracDigits) + "e" +
                             std::to_string(exponent);
  const double largest = scalar == Scalar::Float ? std::numeric_limits<float>::max()
                                                 : std::numeric_limits<double>::max();
  double v = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), v);
  (void)end;
  if (error == std::errc::result_out_of_range) {
    // Which side it left on: the decimal position of the first significant digit.
    const size_t firstInt = intDigits.find_first_not_of('0');
    const long magnitude =
        firstInt != std::string::npos
            ? static_cast<long>(intDigits.size() - firstInt) + exponent
            : -static_cast<long>(std::min(fracDigits.find_first_not_of('0'), fracDigits.size())) +
                  exponent;
    v = magnitude > 0 ? largest : 0.0;
  } else if (error != std::errc()) {
    v = 0.0;
  }
  v = std::min(v, largest);
  if (scalar == Scalar::Float) v = static_cast<float>(v);
  *value = negative ? -v : v;
  i = j;
  return true;
}

bool ScanAt(const QString& text, qsizetype& i, Scalar scalar, double* value) {
  return scalar == Scalar::Double || scalar == Scalar::Float ? ScanReal(text, i, scalar, value)
                                                             : ScanInteger(text, i, scalar, value);
}

// The field's own reading: white space skipped, the leading number, 0 when there is none.
double ReadLeadingNumber(const QString& text, Scalar scalar) {
  qsizetype i = Skip(text, 0, false);
  double value = 0.0;
  return ScanAt(text, i, scalar, &value) ? value : 0.0;
}

// double to int64 without the undefined conversion of values beyond the type.
int64_t SaturatedInt64(double value) {
  if (value >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (value <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(value);
}

QString FormatNumber(double value, Scalar scalar) {
  char buffer[64];
  std::to_chars_result r{};
  switch (scalar) {
    case Scalar::Float:
      r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<float>(value));
      break;
    case Scalar::Double:
      r = std::to_chars(buffer, buffer + sizeof buffer, value);
      break;
    default:
      return QString::number(SaturatedInt64(value));
  }
  return QString::fromLatin1(buffer, r.ptr - buffer);
}

bool IsSeparator(QChar c) { return c == u'-' || c == u','; }

QString PageListText(const QString& text) {
  qsizetype start = Skip(text, 0, false);
  qsizetype end = start;
  while (end < text.size() && (IsDigit(text[end]) || IsSeparator(text[end]))) ++end;
  QString run = text.mid(start, end - start);
  if (run.size() == 1 && IsSeparator(run[0])) return QString();
  if (run.size() > 1 && IsSeparator(run[run.size() - 1]) && IsSeparator(run[run.size() - 2]))
    run.chop(1);
  return run;
}

}  // namespace

NumberScan ScanNumberText(NumberFieldKind kind, const QString& text) {
  const Rule& rule = RuleFor(kind);
  NumberScan scan;
  if (rule.scalar == Scalar::PageList) return scan;
  qsizetype i = Skip(text, 0, rule.skipsPercent);
  scan.found = ScanAt(text, i, rule.scalar, &scan.value);
  scan.wholeText = scan.found && Skip(text, i, rule.skipsPercent) == text.size();
  return scan;
}

QString NumberFieldTypedText(NumberFieldKind kind, const QString& text, int64_t minValue) {
  const Rule& rule = RuleFor(kind);
  if (rule.scalar == Scalar::PageList) return PageListText(text);
  const double low = rule.usesMinValue ? static_cast<double>(minValue) : rule.typingMin;
  const NumberScan scan = ScanNumberText(kind, text);
  if (scan.wholeText) {
    // A well-formed value may lie below the limit while typing, but never above the cap.
    return scan.value > rule.typingMax ? FormatNumber(rule.typingMax, rule.scalar) : text;
  }
  if (text.isEmpty() || (rule.loneMinusStays && text == QLatin1String("-"))) return text;
  const double value =
      std::min(std::max(ReadLeadingNumber(text, rule.scalar), low), rule.typingMax);
  return FormatNumber(value, rule.scalar);
}

QString NumberFieldEndedText(NumberFieldKind kind, const QString& text, int64_t minValue) {
  const Rule& rule = RuleFor(kind);
  // An empty field is left for its reader: it means "no value", not the lower limit.
  if (!rule.hasEndRule || text.isEmpty()) return text;
  const double below = rule.usesMinValue ? static_cast<double>(minValue) : rule.endBelow;
  const double becomes = rule.usesMinValue ? static_cast<double>(minValue) : rule.endBecomes;
  return ReadLeadingNumber(text, rule.scalar) < below ? FormatNumber(becomes, rule.scalar) : text;
}

QString WatermarkOffsetText(double percent) {
  const QString text = QString::asprintf("%.02f", percent);
  return text == QLatin1String("-0.00") ? text.mid(1) : text;
}

NumberField::NumberField(NumberFieldKind kind, QWidget* parent) : QLineEdit(parent), kind_(kind) {
  connect(this, &QLineEdit::textEdited, this, &NumberField::applyTypingRule);
  connect(this, &QLineEdit::editingFinished, this, &NumberField::applyEndRule);
}

double NumberField::doubleValue() const {
  return ReadLeadingNumber(text(),
                           RuleFor(kind_).scalar == Scalar::Float ? Scalar::Float : Scalar::Double);
}

int64_t NumberField::integerValue() const {
  return SaturatedInt64(ReadLeadingNumber(text(), Scalar::Integer));
}

NumberField* NumberField::InstallInComboBox(QComboBox* comboBox, NumberFieldKind kind) {
  auto* field = new NumberField(kind, comboBox);
  comboBox->setEditable(true);
  comboBox->setLineEdit(field);
  comboBox->setInsertPolicy(QComboBox::NoInsert);
  return field;
}

void NumberField::applyTypingRule() {
  const QString fixed = NumberFieldTypedText(kind_, text(), minValue_);
  if (fixed != text()) setText(fixed);
  emit textDidChange();
}

void NumberField::applyEndRule() {
  const QString fixed = NumberFieldEndedText(kind_, text(), minValue_);
  if (fixed != text()) setText(fixed);
  emit textDidEndEditing();
}

}  // namespace glimbrik
