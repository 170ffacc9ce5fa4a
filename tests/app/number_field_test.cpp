#include "app/number_field.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QSignalSpy>
#include <QTest>

namespace glimbrik {
namespace {

using K = NumberFieldKind;

struct Case {
  K kind;
  const char* typed;
  const char* whileTyping;
  const char* atEnd;  // the end rule applied to the typing result
};

// Each row: what a text becomes while typing and then when the edit ends.
const Case kCases[] = {
    {K::WholeNumber, "12a", "12", "12"},
    {K::WholeNumber, "-5", "-5", "0"},
    {K::WholeNumber, "", "", ""},
    {K::WholeNumber, " 7 ", " 7 ", " 7 "},
    {K::WholeNumber, "99999999999", "99999999999", "99999999999"},
    {K::WholeNumber, "99999999999x", "2147483647", "2147483647"},
    {K::Number, "12.5x", "12.5", "12.5"},
    {K::Number, "-", "0", "0"},
    {K::Number, "inf", "0", "0"},
    {K::Number, "nan", "0", "0"},
    {K::Number, "1e999x", "1.7976931348623157e+308", "1.7976931348623157e+308"},
    {K::Number, "-3.5", "-3.5", "0"},
    {K::NumberLength, "0", "0", "1"},
    {K::NumberLength, "x", "1", "1"},
    {K::ShadowXOffset, "-", "-", "-"},
    {K::ShadowYOffset, "-6000", "-6000", "-5000"},
    {K::ShadowXOffset, "-9x", "-9", "-9"},
    {K::ShadowXOffset, "-6000x", "-5000", "-5000"},
    {K::WatermarkOffset, "-", "-", "-"},
    {K::WatermarkOffset, "-150.5", "-150.5", "-100"},
    {K::PDFScale, "150%", "150%", "150%"},
    {K::PDFScale, "0", "0", "1"},
    {K::Scale, "7000", "6400", "6400"},
    {K::Scale, "0x", "1", "1"},
    {K::Scale, "%99999999999999999999999", "6400", "6400"},
    {K::FileSize, "0.3", "0.3", "0"},
    {K::FileSize, "0.3x", "0.5", "0.5"},
    {K::FileSize, "1.3x", "1.3", "1.3"},
    {K::ScaleFactor, "5", "5", "10"},
    {K::ShadowBlur, "150", "150", "150"},
    {K::PageRange, "1-3,5", "1-3,5", "1-3,5"},
    {K::PageRange, "1--", "1-", "1-"},
    {K::PageRange, "a1", "", ""},
    {K::PageRange, ",", "", ""},
    {K::PageRange, "1,5x7", "1,5", "1,5"},
    {K::PageRange, "2,-", "2,", "2,"},
};

TEST(NumberField, TypingAndEndRulesFollowTheKindsTable) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << " '" << c.typed << "'");
    const QString typed = NumberFieldTypedText(c.kind, QString::fromLatin1(c.typed));
    EXPECT_EQ(typed, QString::fromLatin1(c.whileTyping));
    EXPECT_EQ(NumberFieldEndedText(c.kind, typed), QString::fromLatin1(c.atEnd));
  }
}

TEST(NumberField, MinValueBoundsPageCountAndResolution) {
  EXPECT_EQ(NumberFieldTypedText(K::PageCount, "3x", 5), QStringLiteral("5"));
  EXPECT_EQ(NumberFieldEndedText(K::PageCount, "3", 5), QStringLiteral("5"));
  EXPECT_EQ(NumberFieldEndedText(K::Resolution, "0", 1), QStringLiteral("1"));
  EXPECT_EQ(NumberFieldEndedText(K::Resolution, "300", 1), QStringLiteral("300"));
}

TEST(NumberField, TheWidgetAppliesTheRulesAsTheUserTypesAndLeaves) {
  NumberField field(K::Number);
  field.show();
  field.setFocus();
  QSignalSpy changes(&field, &NumberField::textDidChange);
  QTest::keyClicks(&field, QStringLiteral("12a"));
  EXPECT_EQ(field.text(), QStringLiteral("12"));
  EXPECT_EQ(changes.count(), 3);
  // A lone "-" is no number for this kind, so a negative value only arrives whole (pasted).
  field.clear();
  QTest::keyClicks(&field, QStringLiteral("-"));
  EXPECT_EQ(field.text(), QStringLiteral("0"));
  field.clear();
  field.insert(QStringLiteral("-5"));
  EXPECT_EQ(field.text(), QStringLiteral("-5"));
  QTest::keyClick(&field, Qt::Key_Return);
  EXPECT_EQ(field.text(), QStringLiteral("0"));
  EXPECT_DOUBLE_EQ(field.doubleValue(), 0.0);

  // Text set by the program is not checked.
  field.setText(QStringLiteral("abc"));
  EXPECT_EQ(field.text(), QStringLiteral("abc"));
}

TEST(NumberField, AComboBoxTakesTheFieldAsItsEditor) {
  QComboBox box;
  NumberField* field = NumberField::InstallInComboBox(&box, K::Scale);
  box.addItems({QStringLiteral("100"), QStringLiteral("200")});
  box.show();
  field->setFocus();
  field->clear();
  QTest::keyClicks(field, QStringLiteral("7000"));
  EXPECT_EQ(box.currentText(), QStringLiteral("6400"));
  EXPECT_EQ(box.count(), 2) << "typing adds no items";
}

}  // namespace
}  // namespace glimbrik
