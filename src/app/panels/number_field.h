#pragma once

#include <QLineEdit>
#include <QString>
#include <cstdint>

class QComboBox;

namespace glimbrik {

// The kinds of validated number fields. Each kind is one row of a rule table: the number it
// reads, what a badly typed text becomes while typing, and the clamp at the end of an edit.
enum class NumberFieldKind {
  WholeNumber,      // 32-bit integer >= 0
  Number,           // double >= 0 (resize width and height)
  ZeroCount,        // integer >= 0
  NumberLength,     // integer >= 1
  StartDigit,       // integer >= 0
  PageCount,        // integer >= minValue
  FileSize,         // float >= 0.5 while typing; below 0.5 ends as 0
  Resolution,       // integer >= minValue (the resolution combo box)
  FontSize,         // integer >= 1
  RotationAngle,    // integer >= 0
  ShadowBlur,       // integer >= 0 (also quality and opacity fields)
  ShadowXOffset,    // integer >= -5000, a lone "-" stays
  ShadowYOffset,    // integer >= -5000, a lone "-" stays
  WatermarkOffset,  // double >= -100, a lone "-" stays
  PDFScale,         // integer >= 1, "%" skipped
  CharSpace,        // double >= 0
  Scale,            // integer 1..6400, "%" skipped (the scale combo box)
  PageRange,        // page list of digits, "-" and ","
  ScaleFactor,      // integer >= 10
};

// What a text scan found: the number and whether nothing but skippable characters follows it.
struct NumberScan {
  bool found = false;      // a number was read
  bool wholeText = false;  // ... and nothing but skippable characters follows it
  double value = 0.0;      // integers saturate at their type's limits, reals at the largest finite
};

// Scans text as the kind's number: leading white space (or "%" for the percent kinds) skipped,
// an overflow clamped to the type's limit rather than failing.
NumberScan ScanNumberText(NumberFieldKind kind, const QString& text);

// The text that the typing rule makes of text (the text itself when it may stay).
QString NumberFieldTypedText(NumberFieldKind kind, const QString& text, int64_t minValue = 1);
// The text that the end-of-editing rule makes of text.
QString NumberFieldEndedText(NumberFieldKind kind, const QString& text, int64_t minValue = 1);

// A watermark offset in percent as its field shows it, to two decimals; one that rounds to zero
// from below shows no sign.
QString WatermarkOffsetText(double percent);

// A line edit that keeps a number within its kind's limits while the user types (textEdited)
// and clamps it when the edit ends (editingFinished). Programmatic setText is not checked.
class NumberField : public QLineEdit {
  Q_OBJECT
 public:
  explicit NumberField(NumberFieldKind kind, QWidget* parent = nullptr);

  NumberFieldKind kind() const { return kind_; }
  // The lower limit of the page-count and resolution kinds; 1 unless set.
  int64_t minValue() const { return minValue_; }
  void setMinValue(int64_t value) { minValue_ = value; }

  // The field's reading of its text: the leading number, 0 when there is none.
  double doubleValue() const;
  int64_t integerValue() const;

  // Puts a number field into an editable combo box as its line edit and returns it.
  static NumberField* InstallInComboBox(QComboBox* comboBox, NumberFieldKind kind);

 signals:
  // The user changed the text and the typing rule has been applied.
  void textDidChange();
  // The edit ended and the end rule has been applied.
  void textDidEndEditing();

 private:
  void applyTypingRule();
  void applyEndRule();

  NumberFieldKind kind_;
  int64_t minValue_ = 1;
};

}  // namespace glimbrik
