#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include "app/list/custom_cells.h"
#include "app/panels/number_field.h"
#include "app/panels/on_off_switch_cell.h"
#include "app/window/focus_keeping_window.h"
#include "app/window/validated_toolbar.h"

namespace glimbrik {
namespace {

TEST(FocusKeepingWindow, APopoverThatAsksForItKeepsTheFocusInTheWindow) {
  QVXWindow window;
  auto* tokenField = new QLineEdit;
  window.setCentralWidget(tokenField);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  ASSERT_TRUE(window.makeFirstResponder(tokenField));
  ASSERT_EQ(QApplication::focusWidget(), tokenField);

  QWidget popover(&window, Qt::Tool);
  auto* content = new QVXFirstResponderStealingSuppressionView(&popover);
  auto* stepperField = new QSpinBox(content);
  (new QVBoxLayout(&popover))->addWidget(content);
  popover.setAttribute(Qt::WA_ShowWithoutActivating);
  popover.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&popover));
  window.activateWindow();  // the popover shows without taking the keyboard
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  tokenField->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == tokenField; }));

  content->setSuppressFirstResponderWhenPopoverShows(true);
  EXPECT_FALSE(window.makeFirstResponder(stepperField));
  EXPECT_EQ(window.focusWidget(), tokenField);
  EXPECT_TRUE(window.makeFirstResponder(tokenField)) << "its own controls always may";

  content->setSuppressFirstResponderWhenPopoverShows(false);  // the popover closed
  EXPECT_TRUE(window.makeFirstResponder(stepperField));
}

TEST(CustomCells, SelectionNeverScrollsTheMatrix) {
  QStandardItemModel model(60, 1);
  for (int row = 0; row < 60; ++row) model.setItem(row, new QStandardItem(QString::number(row)));
  QVXUnscrollableMatrix matrix;
  matrix.setModel(&model);
  matrix.resize(120, 80);
  matrix.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&matrix));
  matrix.setCurrentIndex(model.index(50, 0));
  QApplication::processEvents();
  EXPECT_EQ(matrix.verticalScrollBar()->value(), 0);
}

TEST(ValidatedToolbar, ViewItemsFollowTheirTargetsAnswer) {
  QObject controller;
  QVXValidatedViewToolbar toolbar;
  auto* popup = new QComboBox;
  auto* item = new QVXValidatedViewToolbarItem(popup, &toolbar);
  item->target = &controller;
  bool allowed = false;
  item->validateToolbarItem = [&](QVXValidatedViewToolbarItem* asked) {
    EXPECT_EQ(asked, item);
    return allowed;
  };
  toolbar.addAction(item);
  auto* label = new QLabel(QStringLiteral("no control"));
  auto* plain = new QVXValidatedViewToolbarItem(label, &toolbar);
  plain->target = &controller;
  plain->validateToolbarItem = [](QVXValidatedViewToolbarItem*) { return false; };
  toolbar.addAction(plain);
  toolbar.show();

  toolbar.validateVisibleItems();
  EXPECT_FALSE(item->isEnabled());
  EXPECT_FALSE(popup->isEnabled());
  EXPECT_TRUE(label->isEnabled()) << "a view that is no control is left alone";
  allowed = true;
  toolbar.validateVisibleItems();
  EXPECT_TRUE(popup->isEnabled());
}

// A switch 100 x 20: the thumb is 44.1 wide, at rest on the left (off) or the right (on).
class SwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cell.setFixedSize(100, 20);
    cell.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cell));
  }
  // Presses at from, moves in steps to to and lets go there.
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(&cell, Qt::LeftButton, Qt::NoModifier, from);
    for (int step = 1; step <= 4; ++step) {
      QTest::mouseMove(&cell, from + (to - from) * step / 4);
    }
    QTest::mouseRelease(&cell, Qt::LeftButton, Qt::NoModifier, to);
  }
  OnOffSwitchControlCell cell;
};

TEST_F(SwitchTest, AQuickPressTogglesOnceAndReportsOneClick) {
  QSignalSpy clicks(&cell, &QAbstractButton::clicked);
  QTest::mouseClick(&cell, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
  EXPECT_EQ(cell.stateValue(), 1);
  EXPECT_EQ(clicks.count(), 1);
  QTest::mouseClick(&cell, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
  EXPECT_EQ(cell.stateValue(), 0);
  EXPECT_EQ(clicks.count(), 2);

  cell.clickTimeout = 0.0;  // every press now lasts too long to be a click
  QTest::mouseClick(&cell, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
  EXPECT_EQ(cell.stateValue(), 0) << "the thumb stays where it was let go";
}

TEST_F(SwitchTest, TheThumbEndsWhereItIsLetGo) {
  const struct {
    bool on;
    int from, to, state;
  } drags[] = {{false, 20, 95, 1}, {true, 80, 2, 0},  {false, 30, 10, 0},
               {true, 70, 95, 1},  {true, 80, 60, 1},  // thumb centre let go right of the middle
               {true, 80, 45, 0}};
  for (const auto& d : drags) {
    cell.setChecked(d.on);
    Drag(QPoint(d.from, 10), QPoint(d.to, 10));
    EXPECT_EQ(cell.stateValue(), d.state) << d.on << " " << d.from << " to " << d.to;
  }
}
TEST_F(SwitchTest, WithTheMixedStateThirdsDecide) {
  cell.setTristate(true);
  Drag(QPoint(20, 10), QPoint(50, 10));  // thumb centre let go in the middle third
  EXPECT_EQ(cell.stateValue(), -1);
  Drag(QPoint(50, 10), QPoint(95, 10));
  EXPECT_EQ(cell.stateValue(), 1);
  QTest::mouseClick(&cell, Qt::LeftButton, Qt::NoModifier, QPoint(80, 10));
  EXPECT_EQ(cell.stateValue(), 0);
  QTest::mouseClick(&cell, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));
  EXPECT_EQ(cell.stateValue(), -1);
}

TEST_F(SwitchTest, SchemeTwoColoursTheOnSideGreenWhenDisabled) {
  cell.setChecked(true);
  cell.setEnabled(false);

  // Drawn: green at 60 % over the grey track, left of the thumb, below the labels' middle.
  cell.setShowsOnOffLabels(false);
  QImage image(cell.size(), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  cell.render(&image);
  const QColor pixel = image.pixelColor(20, 15);
  EXPECT_GT(pixel.green(), pixel.red() + 60);
  EXPECT_GT(pixel.green(), pixel.blue() + 60);
  cell.setOnOffSwitchControlColors(7);
  EXPECT_FALSE(cell.onColor().isValid());
}

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
