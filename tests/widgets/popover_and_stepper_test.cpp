#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "widgets/date_formater_view_controller.h"
#include "widgets/format_menu.h"
#include "widgets/index_number_formater_view_controller.h"
#include "widgets/popover.h"
#include "widgets/value_stepper.h"

namespace glimbrik {
namespace {

QVariantMap Format(const QString& pattern, int tag, const QString& info = QString()) {
  QVariantMap item{{QStringLiteral("title"), pattern}, {QStringLiteral("tag"), tag}};
  if (!info.isNull()) item.insert(QStringLiteral("info"), info);
  return item;
}

// Groups [yyyy, MM, dd] and [HH, mm, MM].
QVariant TwoGroups() {
  return QVariantList{QVariantList{Format("yyyy", 1), Format("MM", 2, " – month"), Format("dd", 3)},
                      QVariantList{Format("HH", 4), Format("mm", 5), Format("MM", 6, "!")}};
}

TEST(FormatMenu, GroupsAreSeparatedAndTheLaterDuplicateIsSelected) {
  const QDateTime now(QDate(2026, 3, 9), QTime(14, 5));
  const FormatMenu built = BuildFormatMenu(TwoGroups(), QStringLiteral("MM"), now);
  ASSERT_EQ(built.entries.size(), 7u);
  EXPECT_TRUE(built.entries[3].separator);
  EXPECT_EQ(built.selected, 6);
  EXPECT_EQ(built.entries[1].title, QStringLiteral("MM – month (03)"));
  EXPECT_EQ(built.entries[4].title, QStringLiteral("HH (14)"));
  EXPECT_EQ(BuildFormatMenu(TwoGroups(), QStringLiteral("ss"), now).selected, -1);
  EXPECT_TRUE(BuildFormatMenu(QVariantList{}, QString(), now).entries.empty());

  // The menu built from the same list replaces what the menu held.
  QMenu menu;
  menu.addAction(QStringLiteral("old"));
  QAction* selected = resetMenu(&menu, TwoGroups(), QStringLiteral("MM"));
  ASSERT_EQ(menu.actions().size(), 7);
  EXPECT_EQ(selected, menu.actions()[6]);
  EXPECT_EQ(selected->toolTip(), QStringLiteral("MM"));
  EXPECT_EQ(selected->data().toLongLong(), 6);
  EXPECT_TRUE(menu.actions()[3]->isSeparator());
}

// What the popovers answered.
struct Answers : QVXDateFormaterViewControllerDelegate,
                 QVXIndexNumberFormaterViewControllerDelegate {
  void dateFormaterViewController(QVXDateFormaterViewController*, const QString& f,
                                  int64_t c) override {
    format = f;
    caseTag = c;
    ++calls;
  }
  void indexNumberFormaterViewController(QVXIndexNumberFormaterViewController*, int64_t s,
                                         int64_t l) override {
    start = s;
    length = l;
  }
  QString format;
  int64_t caseTag = -1, start = -1, length = -1;
  int calls = 0;
};

// Choosing a format and applying it through a token field is held by the watermark tests.
TEST(DateFormaterPopover, ReturnAppliesWhileEscapeAndClosingAnswerNothing) {
  QWidget anchor;
  anchor.show();
  auto* controller = QVXDateFormaterViewController::sharedDateFormaterViewController();
  Answers answer;
  controller->setDelegate(&answer);
  controller->setDateFormat(QStringLiteral("dd.MM.yyyy"), 2, &anchor, QRect(10, 10, 10, 10));
  ASSERT_TRUE(controller->isPopoverShown());
  EXPECT_TRUE(controller->dateTimeFormatPopUpButtonOutlet()->currentText().startsWith(
      QStringLiteral("dd.MM.yyyy (")));
  EXPECT_EQ(controller->changeCasePopupButton()->currentData().toInt(), 2);
  controller->popover()->hide();  // a click elsewhere
  EXPECT_FALSE(QVXFirstResponderStealingSuppressionView::IsFirstResponderStealingSuppressed());
  controller->setCase(0, &anchor, QRect());
  QTest::keyClick(controller->popover(), Qt::Key_Escape);
  EXPECT_FALSE(controller->isPopoverShown());

  controller->setCase(3, &anchor, QRect());
  QTest::keyClick(controller->changeCasePopupButton(), Qt::Key_Return);  // the apply button
  EXPECT_EQ(answer.calls, 1);  // neither the click elsewhere nor Escape answered
  EXPECT_EQ(answer.caseTag, 3);
  EXPECT_FALSE(controller->isPopoverShown());

  // A pattern of the token's own that the list lacks: nothing is shown chosen, and Apply sends
  // no pattern (the token keeps its own) rather than the list's first.
  controller->setDateFormat(QStringLiteral("yyyy'w'ww"), 0, &anchor, QRect(10, 10, 10, 10));
  EXPECT_EQ(controller->dateTimeFormatPopUpButtonOutlet()->currentIndex(), -1);
  controller->applyButton()->click();
  EXPECT_EQ(answer.calls, 2);
  EXPECT_TRUE(answer.format.isEmpty()) << answer.format.toStdString();
  controller->setTimeFormat(QStringLiteral("HH.mm.ss"), 0, &anchor, QRect(10, 10, 10, 10), true);
  EXPECT_GE(controller->dateTimeFormatPopUpButtonOutlet()->currentIndex(), 0) << "a listed one";
  controller->closePopover();
  controller->setDelegate(nullptr);
}

TEST(IndexNumberFormaterPopover, FieldsAboveTheirLimitTakeTheStepperValueBack) {
  QWidget anchor;
  anchor.show();
  auto* controller =
      QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController();
  Answers answer;
  controller->setDelegate(&answer);
  controller->setStartDigit(7, 3, &anchor, QRect(0, 0, 10, 10));
  ASSERT_TRUE(controller->isPopoverShown());
  QLineEdit* length = controller->numberLengthNumberField();
  QLineEdit* start = controller->startDigitNumberField();
  EXPECT_EQ(length->text(), QStringLiteral("3"));
  EXPECT_EQ(start->text(), QStringLiteral("7"));

  length->clear();
  QTest::keyClicks(length, QStringLiteral("12"));  // "1" is taken, "12" is over the limit
  EXPECT_EQ(length->text(), QStringLiteral("1"));
  EXPECT_EQ(controller->numberLengthStepper()->value(), 1);
  length->clear();
  QTest::keyClicks(length, QStringLiteral("9"));
  QTest::keyClick(length, Qt::Key_Backspace);
  EXPECT_EQ(controller->numberLengthStepper()->value(), 9);  // an empty field changes nothing

  start->setText(QStringLiteral("2147483647"));
  controller->controlTextDidChange(start);
  start->setText(QStringLiteral("2147483648"));
  controller->controlTextDidChange(start);
  EXPECT_EQ(start->text(), QStringLiteral("2147483647"));

  QTest::mouseClick(controller->startDigitStepper()->downButton(), Qt::LeftButton);
  EXPECT_EQ(start->text(), QStringLiteral("2147483646"));

  controller->applyIndexNumberAction();
  EXPECT_EQ(answer.start, 2147483646);
  EXPECT_EQ(answer.length, 9);
  EXPECT_FALSE(controller->isPopoverShown());
  controller->setDelegate(nullptr);
}

TEST(ValueStepper, StepsWithinItsLimitsInTheIncrementsDirection) {
  ValueStepper stepper(-1.0, 1.0, 0.1);
  QSignalSpy steps(&stepper, &ValueStepper::valueChanged);
  for (int i = 0; i < 3; ++i) stepper.upButton()->click();
  // Tenths gather binary noise; the text shows what was counted.
  EXPECT_EQ(stepper.stringValue(), "0.3");
  // A negative increment turns the arrows round.
  stepper.setIncrement(-0.1);
  stepper.upButton()->click();
  EXPECT_EQ(stepper.stringValue(), "0.2");
  // At a limit a step changes nothing and says nothing.
  stepper.setIncrement(1.0);
  stepper.setDoubleValue(5.0);
  EXPECT_EQ(stepper.doubleValue(), 1.0);
  const int before = steps.count();
  stepper.upButton()->click();
  EXPECT_EQ(steps.count(), before);
  EXPECT_EQ(stepper.integerValue(), 1);
}

}  // namespace
}  // namespace glimbrik
