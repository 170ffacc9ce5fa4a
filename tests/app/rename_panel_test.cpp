#include <gtest/gtest.h>

#include <QMenu>
#include <QTest>

#include "app/app_delegate.h"
#include "app_fixtures.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 20000;

class RenamePanel : public test::AppTest {
 protected:
  TokenField& field() { return *app->renameTokenTextFieldOutlet(); }
  QString example() { return p().exampleStringStaticText->text(); }
  void AddAndSelect(int width, int height) {
    const QString path = test::MakeTempFolder(QStringLiteral("rename")) + "/photo.png";
    test::WritePng(path, width, height);
    AppTest::AddAndSelect({path});
  }
  void Choose(int index) { test::Choose(p().renamePresetPopupOutlet, index); }
};

TEST_F(RenamePanel, BuiltInPatternsFillTheFieldAndTheExampleFollows) {
  AddAndSelect(800, 600);
  app->SwitchOnOffHeader(kRenameGroup, false, true);
  Choose(5);
  EXPECT_EQ(field().tokens().size(), 6);
  EXPECT_EQ(example(), QStringLiteral("-"));  // the group is off

  app->SwitchOnOffHeader(kRenameGroup, true, true);
  EXPECT_EQ(example(), QStringLiteral("IMG [800x600] 1"));
  EXPECT_EQ(app->GetRenameTokens(), field().tokens());

  // A resize reaches the example and the watermark's new-file-name token, which shows the
  // source's name once renaming is off.
  app->SwitchOnOffHeader(kResizeGroup, true, true);
  p().widthTextField->setText(QStringLiteral("50"));
  app->changeResizeOptionAction(p().widthTextField);
  EXPECT_EQ(example(), QStringLiteral("IMG [400x300] 1"));
  const TokenArray newName{QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)};
  EXPECT_EQ(app->GetTextWatermarkFullString(newName), QStringLiteral("IMG [400x300] 1"));
  app->SwitchOnOffHeader(kRenameGroup, false, true);
  EXPECT_FALSE(app->GetRenameTokens());
  EXPECT_EQ(app->GetTextWatermarkFullString(newName), QStringLiteral("photo"));
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  app->window()->imageListViewOutlet->clearSelection();
  EXPECT_EQ(example(), QStringLiteral("-"));
}

TEST_F(RenamePanel, ItemsWithoutAPatternChangeNothingAndAnEditLeavesThePreset) {
  AddAndSelect(40, 30);
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  QComboBox* photo = app->PhotoPresetPopupButton();
  photo->addItem(QStringLiteral("Stored"), 9);
  photo->setCurrentIndex(photo->count() - 1);
  Choose(2);
  EXPECT_EQ(example(), QStringLiteral("IMG_1"));
  EXPECT_EQ(photo->currentData().toInt(), 0);

  photo->setCurrentIndex(photo->count() - 1);
  const TokenArray before = field().tokens();
  for (int index : {1, 7}) {
    Choose(index);
    EXPECT_EQ(field().tokens(), before);
    EXPECT_EQ(photo->currentData().toInt(), 9);
  }

  Choose(2);
  field().moveCursor(QTextCursor::End);
  QTest::keyClicks(&field(), QStringLiteral("x"));
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 0);
  EXPECT_EQ(example(), QStringLiteral("IMG_1x"));
}

TEST_F(RenamePanel, TheInsertButtonOffersTheRenameItems) {
  // The button is usable exactly while the group is on, as the field is, and looks it: its
  // black template is drawn faint when disabled.
  EXPECT_FALSE(p().renameInsertTokenButtonOutlet->isEnabled());
  EXPECT_FALSE(field().isEnabled());
  const QImage alpha = p().renameInsertTokenButtonOutlet->icon()
                           .pixmap(16, QIcon::Disabled)
                           .toImage()
                           .convertToFormat(QImage::Format_Alpha8);
  EXPECT_LT(*std::max_element(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes()), 128);
  app->SwitchOnOffHeader(kRenameGroup, true, true);
  EXPECT_TRUE(p().renameInsertTokenButtonOutlet->isEnabled());
  p().renameInsertTokenButtonOutlet->click();
  WatermarkTextTokens* tokens = app->watermarkTextTokens();
  QMenu* menu = tokens->textTextFieldInsertTokenMenu();
  ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, kTimeoutMs));
  EXPECT_TRUE(tokens->menuItemWithTag(1)->isVisible());
  EXPECT_FALSE(tokens->menuItemWithTag(8)->isVisible());
  tokens->menuItemWithTag(18)->trigger();
  menu->close();
  // The default pattern, then the inserted token.
  EXPECT_EQ(field().tokens(),
            (TokenArray{QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9),
                        QVXWatermarkTextToken(QStringLiteral("Camera Maker"), 18)}));
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 0);
}

TEST_F(RenamePanel, SwitchingOverwriteOnAsksFirst) {
  QCheckBox* box = p().overwriteExistingCheckButton;
  box->setChecked(false);
  {
    test::AlertAnswerer alerts;
    alerts.answers << "defaultButton";  // "Don't Overwrite"
    box->click();
    EXPECT_FALSE(box->isChecked());
  }
  test::AlertAnswerer alerts;
  alerts.answers << "alterButton";
  box->click();
  EXPECT_TRUE(box->isChecked());
  box->click();  // switching off asks nothing
  EXPECT_FALSE(box->isChecked());
}

}  // namespace
}  // namespace glimbrik
