#include "watermark/watermark_text_tokens.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "widgets/popover.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 5000;

auto* Dates() { return QVXDateFormaterViewController::sharedDateFormaterViewController(); }
auto* Numbers() {
  return QVXIndexNumberFormaterViewController::sharedIndexNumberFormaterViewController();
}

// A handler serving a rename and a watermark field, both shown.
class TokenFields : public ::testing::Test {
 protected:
  void SetUp() override {
    handler.setRenameTokenTextFieldOutlet(&rename);
    handler.setTextTextFieldOutlet(&watermark);
    auto* layout = new QVBoxLayout(&window);
    for (TokenField* field : {&rename, &watermark}) {
      field->setMinimumSize(360, 60);
      layout->addWidget(field);
    }
    window.show();
  }
  void TearDown() override {
    Dates()->closePopover();
    Numbers()->closePopover();
  }

  // Clicks the chip at a document position and waits for its popover.
  static void ClickChip(TokenField& field, int position) {
    const QRect chip = field.tokenRect(position);
    ASSERT_FALSE(chip.isEmpty());
    QTest::mouseClick(field.viewport(), Qt::LeftButton, {},
                      chip.center() - field.viewport()->pos());
  }

  // Where the popover offers a time pattern; -1 when it does not.
  static int TimeFormatIndex(const QString& pattern) {
    return Dates()->dateTimeFormatPopUpButtonOutlet()->findData(pattern, Qt::ToolTipRole);
  }

  static bool WaitForPopover() {
    return QTest::qWaitFor([] { return Dates()->isPopoverShown() || Numbers()->isPopoverShown(); },
                           kTimeoutMs);
  }

  QWidget window;  // before its fields, which leave it when they go
  TokenField rename;
  TokenField watermark;
  WatermarkTextTokens handler;
};

TEST_F(TokenFields, EachChipOpensItsPopoverWhoseAnswerChangesTheChip) {
  rename.setTokens({QStringLiteral("IMG_"),
                    QVXWatermarkTextToken(QStringLiteral("Name"), 3, QStringLiteral("yyyy"))});
  QSignalSpy edited(&rename, &TokenField::tokensEdited);
  ClickChip(rename, 4);
  ASSERT_TRUE(WaitForPopover());
  QComboBox* formats = Dates()->dateTimeFormatPopUpButtonOutlet();
  EXPECT_EQ(formats->currentData(Qt::ToolTipRole).toString(), QStringLiteral("yyyy"));

  const int item = formats->findData(QStringLiteral("dd.MM.yyyy"), Qt::ToolTipRole);
  ASSERT_GE(item, 0);
  formats->setCurrentIndex(item);
  const int before = rename.tokenRect(4).width();
  Dates()->applyButton()->click();
  EXPECT_FALSE(Dates()->isPopoverShown());
  const QVXWatermarkTextToken token = std::get<QVXWatermarkTextToken>(rename.tokens()[1]);
  EXPECT_EQ(token.GetCompleteTokenString(), QStringLiteral("Name:dd.MM.yyyy"));
  EXPECT_GT(rename.tokenRect(4).width(), before);  // the chip was laid out again
  EXPECT_EQ(edited.count(), 1);
  // What an unreadable format list leaves the popover to send: the token keeps its format.
  handler.dateFormaterViewController(Dates(), QString(), 1);
  const QVXWatermarkTextToken cased = std::get<QVXWatermarkTextToken>(rename.tokens()[1]);
  EXPECT_EQ(cased.dateTimeFormatString(), QStringLiteral("dd.MM.yyyy"));
  EXPECT_EQ(cased.caseTag(), 1);
  Dates()->closePopover();

  // Each kind of token in the watermark field opens its popover, a resize value none.
  watermark.setTokens({QVXWatermarkTextToken(QStringLiteral("Time"), 4),
                       QVXWatermarkTextToken(QStringLiteral("Author"), 15),
                       QVXWatermarkTextToken(QStringLiteral("Image Width"), 11)});
  ClickChip(watermark, 0);
  ASSERT_TRUE(WaitForPopover());
  // The watermark field offers the watermark's time formats.
  EXPECT_EQ(Dates()->dateTimeFormatLabelOutlet()->text(), QStringLiteral("Time format:"));
  EXPECT_EQ(Dates()->dateTimeFormatPopUpButtonOutlet()->currentData(Qt::ToolTipRole).toString(),
            QStringLiteral("HH"));
  EXPECT_GE(TimeFormatIndex(QStringLiteral("HH:mm")), 0);
  Dates()->closePopover();
  // The rename field's time token offers only forms a file name can hold.
  rename.setTokens({QVXWatermarkTextToken(QStringLiteral("Time"), 4)});
  ClickChip(rename, 0);
  ASSERT_TRUE(WaitForPopover());
  EXPECT_LT(TimeFormatIndex(QStringLiteral("HH:mm")), 0);
  EXPECT_GE(TimeFormatIndex(QStringLiteral("HH-mm-ss")), 0);
  Dates()->closePopover();

  ClickChip(watermark, 1);
  ASSERT_TRUE(WaitForPopover());
  EXPECT_FALSE(Dates()->dateTimeFormatLabelOutlet()->isVisibleTo(Dates()->contentView()));
  Dates()->changeCasePopupButton()->setCurrentIndex(Dates()->changeCasePopupButton()->findData(2));
  Dates()->applyDateTimeAction();
  const QVXWatermarkTextToken author = std::get<QVXWatermarkTextToken>(watermark.tokens()[1]);
  EXPECT_EQ(author.caseTag(), 2);
  EXPECT_TRUE(author.dateTimeFormatString().isNull());  // a text token takes no format

  const TokenRef clicked = handler.clickedToken();
  ClickChip(watermark, 2);
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(Dates()->isPopoverShown() || Numbers()->isPopoverShown());
  EXPECT_EQ(handler.clickedToken(), clicked);
}

TEST_F(TokenFields, TheInsertMenuOffersEachFieldItsItemsWhichInsertTheirTokens) {
  handler.PrepareTokenMenu(kWatermarkInsertButtonTag);
  EXPECT_FALSE(handler.menuItemWithTag(1)->isVisible());
  EXPECT_FALSE(handler.menuItemWithTag(2)->isVisible());
  EXPECT_TRUE(handler.menuItemWithTag(8)->isVisible());
  EXPECT_EQ(handler.clickedField(), &watermark);
  ASSERT_FALSE(handler.menuItemWithTag(4)->menu()->actions().isEmpty());
  EXPECT_EQ(handler.menuItemWithTag(4)->menu()->actions()[0]->toolTip(), QStringLiteral("HH:mm"));

  // The rename field's own items and time list.
  handler.PrepareTokenMenu(kRenameInsertButtonTag);
  EXPECT_TRUE(handler.menuItemWithTag(2)->isVisible());
  QMenu* times = handler.menuItemWithTag(4)->menu();
  EXPECT_EQ(times->actions()[0]->toolTip(), QStringLiteral("HH-mm-ss"));
  handler.menuItemWithTag(9)->trigger();
  // The date item itself inserts the first format of its submenu; a format item its own.
  handler.InsertWatermarkTokenMenuAction(handler.menuItemWithTag(5));
  times->actions()[1]->trigger();
  const TokenArray value = rename.tokens();
  ASSERT_EQ(value.size(), 3);
  EXPECT_EQ(value[0], TokenElement(QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9)));
  const auto& date = std::get<QVXWatermarkTextToken>(value[1]);
  EXPECT_EQ(date.name(), QStringLiteral("Current Date"));
  EXPECT_EQ(date.dateTimeFormatString(),
            handler.menuItemWithTag(3)->menu()->actions()[0]->toolTip());
  const auto& time = std::get<QVXWatermarkTextToken>(value[2]);
  EXPECT_EQ(time.tokenTag(), 4);
  EXPECT_EQ(time.dateTimeFormatString(), times->actions()[1]->toolTip());
}

TEST_F(TokenFields, TheFieldKeepsTheFocusWhileItsPopoverIsOpenAndItsTokenTakesTheAnswer) {
  const TokenElement index = QVXWatermarkTextToken(QStringLiteral("Index"), 1);
  rename.setTokens({QStringLiteral("a"), index});
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  rename.setFocus();
  ClickChip(rename, 1);
  ASSERT_TRUE(WaitForPopover());
  ASSERT_TRUE(Numbers()->isPopoverShown()) << "an index opens the number popover";
  QTest::mouseClick(Numbers()->numberLengthNumberField(), Qt::LeftButton);
  EXPECT_EQ(window.focusWidget(), &rename);
  EXPECT_TRUE(rename.isEditing());
  // The clicked token, deleted meanwhile but still alive, takes the start and the digits.
  rename.setTokens({QStringLiteral("b"), index});
  Numbers()->startDigitStepper()->setValue(40);
  Numbers()->numberLengthStepper()->setValue(3);
  Numbers()->applyIndexNumberAction();
  EXPECT_EQ(handler.clickedToken()->GetCompleteTokenString(), QStringLiteral("Index:040"));
  EXPECT_EQ(rename.tokens(), (TokenArray{QStringLiteral("b"), index}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == &rename; }, kTimeoutMs));
  EXPECT_FALSE(QVXFirstResponderStealingSuppressionView::IsFirstResponderStealingSuppressed());
  watermark.setFocus();
  EXPECT_EQ(QApplication::focusWidget(), &watermark);
  EXPECT_FALSE(rename.isEditing());
}

}  // namespace
}  // namespace glimbrik
