#include "app/panels/text_watermark_panel.h"

#include <gtest/gtest.h>

#include <QSet>
#include <QTest>
#include <QTextCursor>
#include <tuple>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "platform/store/keyed_archive.h"
#include "platform/store/localization.h"
#include "platform/system/font_members.h"
#include "watermark/watermark_fixtures.h"
#include "watermark/watermark_presets.h"

namespace glimbrik {
namespace {

QString Key(const char* key) { return QString::fromLatin1(key); }

// Two stored presets, "first" (font size 100, no spacing) and "second" (underlined, centred,
// condensed by 2.5).
void WriteTwoPresets() {
  QVariantMap file;
  for (const auto& [name, text, size] : {std::tuple{"first", "one", 100}, {"second", "two", 30}}) {
    QVariantMap preset = test::CompletePreset(QString::fromLatin1(text), size);
    preset.insert(Key(kWaterMarkPresetIndexKey), qint64(file.size()));
    preset.insert(Key(kDirtyFlagKey), false);
    file.insert(QString::fromLatin1(name), preset);
  }
  QVariantMap second = file.value("second").toMap();
  second.insert(Key(kTextUnderlineKey), true);
  second.insert(Key(kTextAlignmentKey), qint64(2));
  second.insert(Key(kTextCharSpaceKey), -2.5);
  file.insert("second", second);
  ASSERT_TRUE(WriteTextWatermarkPresetFile(file));
}

class TextWatermarkPanelTest : public test::AppTest {
 protected:
  void SetUp() override {
    WriteTwoPresets();
    AppTest::SetUp();
    app->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
    ASSERT_NE(app->textWatermarkPanel(), nullptr);
  }

  TextWatermarkPanel& panel() { return *app->textWatermarkPanel(); }
  WatermarkView& view() { return *app->watermarkContextView; }
  QVariantMap First() { return *view().model().presetNamed(QStringLiteral("first")); }
  // Types one more character at the end of a field, as the user does.
  static void TypeAtEnd(NumberField* field, const QString& text, char key) {
    field->setText(text);
    field->end(false);
    QTest::keyClick(field, key);
  }
};

TEST_F(TextWatermarkPanelTest, SizeOverItsLimitBringsThePreviousValueBack) {
  ASSERT_EQ(view().model().presetTableSelectedRow(), 0);
  NumberField* size = panel().fontSizeTextFieldOutlet;
  EXPECT_EQ(size->text(), "100");
  TypeAtEnd(size, QStringLiteral("100"), '1');
  EXPECT_EQ(size->text(), "100");
  EXPECT_EQ(view().model().textFontSize(), 100);
  EXPECT_EQ(First().value(Key(kTextFontSizeKey)).toLongLong(), 100);
  TypeAtEnd(size, QStringLiteral("100"), '0');
  EXPECT_EQ(size->text(), "1000");
  EXPECT_EQ(panel().fontSizeStepperOutlet->integerValue(), 1000);
  EXPECT_EQ(First().value(Key(kTextFontSizeKey)).toLongLong(), 1000);
  EXPECT_TRUE(First().value(Key(kDirtyFlagKey)).toBool());

  // The stroke may be as wide as the font is large, no wider; an emptied field changes nothing.
  NumberField* stroke = panel().strokeWidthTextFieldOutlet;
  EXPECT_FALSE(stroke->isEnabled()) << "filled text has no stroke";
  SelectItemWithTag(panel().fillTypePopupOutlet, 2);
  panel().ChangeCGDrawingMode();
  TypeAtEnd(stroke, QStringLiteral("100"), '0');
  EXPECT_EQ(First().value(Key(kStrokeWidthKey)).toLongLong(), 1000);
  TypeAtEnd(size, QStringLiteral("3"), '0');
  TypeAtEnd(stroke, QStringLiteral("3"), '0');
  TypeAtEnd(stroke, QStringLiteral("3"), '1');
  EXPECT_EQ(stroke->text(), "30");
  stroke->clear();
  emit stroke->textDidChange();
  EXPECT_EQ(view().model().strokeWidth(), 30);

  // The angle comes back from the slider.
  TypeAtEnd(panel().angleTextFieldOutlet, QStringLiteral("4"), '5');
  EXPECT_EQ(panel().angleSliderOutlet->getAngleValue(), 45);
  TypeAtEnd(panel().angleTextFieldOutlet, QStringLiteral("36"), '0');
  EXPECT_EQ(panel().angleTextFieldOutlet->text(), "45");
  EXPECT_EQ(First().value(Key(kTextRotationAngleKey)).toLongLong(), 45);
}

TEST_F(TextWatermarkPanelTest, TypedTextMarksTheSelectedPresetInTheTable) {
  TokenField* text = panel().textTextFieldOutlet;
  ASSERT_NE(text, nullptr);
  EXPECT_FALSE(view().savePresetButton()->isEnabled());
  text->moveCursor(QTextCursor::End);
  QTest::keyClicks(text, QStringLiteral("!"));
  QAbstractItemModel* table = view().waterMarkTableOutlet()->model();
  EXPECT_EQ(table->data(table->index(0, 1)).toString(), QStringLiteral("\u2726first"));
  EXPECT_TRUE(view().savePresetButton()->isEnabled());
  EXPECT_EQ(view().model().textStringTokens(), TokenArray{QStringLiteral("one!")});
  EXPECT_TRUE(view().model().isPresetDirty(QStringLiteral("first")));
  // Only the watermark text takes line breaks; a preset loaded again shows its text.
  EXPECT_TRUE(text->acceptsLineBreaks());
  EXPECT_FALSE(app->renameTokenTextFieldOutlet()->acceptsLineBreaks());
  view().ChangeAndSetTextWaterMarkPrefOptionsAndUpdateControlValuesForIndex(0);
  EXPECT_EQ(text->tokens(), TokenArray{QStringLiteral("one!")});
}

TEST_F(TextWatermarkPanelTest, SteppingDownFromNoSpacingCondenses) {
  QComboBox* popup = panel().charSpacePopupButtonOutlet;
  ASSERT_EQ(SelectedTag(popup), 0);
  EXPECT_TRUE(panel().charSpaceTextFieldOutlet->text().isEmpty());
  panel().charSpaceStepperOutlet->downButton()->click();
  EXPECT_EQ(SelectedTag(popup), 2);
  EXPECT_EQ(panel().charSpaceTextFieldOutlet->text(), "0.1");
  EXPECT_EQ(First().value(Key(kTextCharSpaceKey)).toDouble(), -0.10000000149011612);
  panel().charSpaceStepperOutlet->upButton()->click();
  EXPECT_EQ(SelectedTag(popup), 0);
  EXPECT_TRUE(panel().charSpaceTextFieldOutlet->text().isEmpty());
  EXPECT_EQ(First().value(Key(kTextCharSpaceKey)).toDouble(), 0.0);

  // Typing a spacing while none is chosen expands; over 500 the stepper's value comes back.
  TypeAtEnd(panel().charSpaceTextFieldOutlet, QString(), '7');
  EXPECT_EQ(SelectedTag(popup), 1);
  EXPECT_FLOAT_EQ(First().value(Key(kTextCharSpaceKey)).toFloat(), 7.0f);
  TypeAtEnd(panel().charSpaceTextFieldOutlet, QStringLiteral("500."), '5');
  EXPECT_EQ(panel().charSpaceTextFieldOutlet->text(), "7");
}

TEST_F(TextWatermarkPanelTest, DrawingModeTagsAndTheControlGroups) {
  QComboBox* fill = panel().fillTypePopupOutlet;
  SelectItemWithTag(fill, 1);
  panel().ChangeCGDrawingMode();
  EXPECT_FALSE(panel().fillColorWellOutlet->isEnabled());
  EXPECT_TRUE(panel().strokeColorWellOutlet->isEnabled());
  AddTaggedItem(fill, QStringLiteral("odd"), 3);
  SelectItemWithTag(fill, 3);
  panel().ChangeCGDrawingMode();
  EXPECT_EQ(First().value(Key(kDrawingModeKey)).toLongLong(), 0);
  EXPECT_EQ(view().model().drawingMode(), 0);
  EXPECT_TRUE(panel().fillColorWellOutlet->isEnabled());
  EXPECT_FALSE(panel().strokeColorWellOutlet->isEnabled());

  // Switched off and on again, the drawing mode and the shadow still decide which controls work.
  panel().dropShadowCheckBoxOutlet->setChecked(true);
  panel().DropShadowApplied();
  ASSERT_TRUE(panel().blurTextFieldOutlet->isEnabled());
  app->SwitchOnOffHeader(kTextWatermarkGroup, false, true);
  EXPECT_FALSE(view().waterMarkTableOutlet()->isEnabled());
  EXPECT_FALSE(panel().fontSizeTextFieldOutlet->isEnabled());
  EXPECT_FALSE(panel().blurTextFieldOutlet->isEnabled());
  app->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  EXPECT_TRUE(panel().fillColorWellOutlet->isEnabled());
  EXPECT_FALSE(panel().strokeColorWellOutlet->isEnabled());
  EXPECT_TRUE(panel().blurTextFieldOutlet->isEnabled());
  EXPECT_TRUE(panel().xOffsetTextFieldOutlet->isEnabled());
  // ... and with the shadow unticked, its controls stay off when the group comes back.
  panel().dropShadowCheckBoxOutlet->setChecked(false);
  panel().DropShadowApplied();
  app->SwitchOnOffHeader(kTextWatermarkGroup, false, true);
  app->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  EXPECT_TRUE(panel().dropShadowCheckBoxOutlet->isEnabled());
  for (QWidget* shadow : {static_cast<QWidget*>(panel().blurTextFieldOutlet),
                          static_cast<QWidget*>(panel().yOffsetStepperOutlet),
                          static_cast<QWidget*>(panel().shadowColorWellOutlet)})
    EXPECT_FALSE(shadow->isEnabled()) << shadow->objectName().toStdString();
  panel().dropShadowCheckBoxOutlet->setChecked(true);
  panel().DropShadowApplied();

  // Shadow blur and offsets keep their limits.
  TypeAtEnd(panel().blurTextFieldOutlet, QStringLiteral("10"), '0');
  TypeAtEnd(panel().blurTextFieldOutlet, QStringLiteral("10"), '1');
  EXPECT_EQ(panel().blurTextFieldOutlet->text(), "100");
  TypeAtEnd(panel().xOffsetTextFieldOutlet, QStringLiteral("500"), '0');
  TypeAtEnd(panel().xOffsetTextFieldOutlet, QStringLiteral("500"), '1');
  EXPECT_EQ(panel().xOffsetTextFieldOutlet->text(), "5000");
  EXPECT_EQ(First().value(Key(kShadowXOffsetKey)).toLongLong(), 5000);
  // The blur stepper blurs; the shadow stays where it was.
  const qint64 shadowY = First().value(Key(kShadowYOffsetKey)).toLongLong();
  panel().blurStepperOutlet->downButton()->click();
  EXPECT_EQ(panel().blurTextFieldOutlet->text(), "99");
  EXPECT_EQ(First().value(Key(kShadowBlurKey)).toLongLong(), 99);
  EXPECT_EQ(First().value(Key(kShadowXOffsetKey)).toLongLong(), 5000);
  EXPECT_EQ(First().value(Key(kShadowYOffsetKey)).toLongLong(), shadowY);
  // The slider's opacity shows as whole percent, cut rather than rounded.
  panel().opacitySliderOutlet->setDoubleValue(0.567);
  panel().takeTextOpacityFrom();
  EXPECT_EQ(panel().opacityTextFieldOutlet->text(), "56");

  // A new anchor puts the offset fields back on it and the stored offset with them.
  panel().textPositionRadioButtonmatrixOutlet->button(4)->click();
  EXPECT_EQ(panel().xTextWatermarkOffsetTextFieldOutlet->text(), "0.00");
  // A drag that ends a hair below the anchor shows no minus before nought.
  view().model().setTextWatermarkOffset(QPointF(0, -0.001));
  panel().setTextWatermarkOffsetControls();
  EXPECT_EQ(panel().yTextWatermarkOffsetTextFieldOutlet->text(), "0.00");
  view().model().setTextWatermarkOffset(QPointF(0, 0));
  EXPECT_EQ(First().value(Key(kTextPositionKey)).toLongLong(), 4);
  EXPECT_EQ(First().value(Key(kTextWatermarkOffsetKey)).toString(), "{0, 0}");
  // Offsets are percent of the base side, the stepper going by whole percent.
  panel().xTextWatermarkOffsetStepperOutlet->upButton()->click();
  EXPECT_EQ(panel().xTextWatermarkOffsetTextFieldOutlet->text(), "1.00");
  TypeAtEnd(panel().yTextWatermarkOffsetTextFieldOutlet, QStringLiteral("1"), '0');
  EXPECT_EQ(First().value(Key(kTextWatermarkOffsetKey)).toString(), "{5.5, 55}");
  // Alignment keeps its stored numbers: the second segment is centred, 2.
  panel().textAlignmentSegmentedControl->button(2)->click();
  EXPECT_EQ(First().value(Key(kTextAlignmentKey)).toLongLong(), 2);
}

TEST_F(TextWatermarkPanelTest, ASelectedPresetShowsItsUnderlineAlignmentAndSpacing) {
  view().SelectRowStartingAtRow(1);
  EXPECT_TRUE(panel().textUnderlineButtonOutlet->isChecked());
  EXPECT_EQ(panel().textAlignmentSegmentedControl->checkedId(), 2);
  EXPECT_EQ(SelectedTag(panel().charSpacePopupButtonOutlet), 2);
  EXPECT_EQ(panel().charSpaceTextFieldOutlet->text(), "2.5");
  view().SelectRowStartingAtRow(0);
  EXPECT_FALSE(panel().textUnderlineButtonOutlet->isChecked());
  EXPECT_EQ(SelectedTag(panel().charSpacePopupButtonOutlet), 0);
}

// A stored opacity is a float a hair under its percent (0.9 reads 0.8999999761581421): the
// field and the stepper show the nearest whole percent, not the cut one.
TEST_F(TextWatermarkPanelTest, AStoredOpacityShowsAsTheNearestWholePercent) {
  app.reset();
  QVariantMap file;
  ASSERT_TRUE(ReadTextWatermarkPresetFile(&file));
  QVariantMap second = file.value("second").toMap();
  second.insert(Key(kTextOpacityKey), 0.899999f);
  file.insert("second", second);
  ASSERT_TRUE(WriteTextWatermarkPresetFile(file));
  app = test::StartApplication();
  app->SwitchOnOffHeader(kTextWatermarkGroup, true, true);

  ASSERT_EQ(view().model().presetTableSelectedRow(), 0);
  EXPECT_EQ(panel().opacityTextFieldOutlet->text().toStdString(), "90") << "stored 0.9";
  EXPECT_EQ(panel().opacityStepperOutlet->integerValue(), 90);
  view().SelectRowStartingAtRow(1);
  EXPECT_EQ(panel().opacityTextFieldOutlet->text().toStdString(), "90") << "stored 0.899999";
  EXPECT_EQ(panel().opacityStepperOutlet->integerValue(), 90);
  EXPECT_NEAR(panel().opacitySliderOutlet->doubleValue(), 0.899999, 1e-6);
}

TEST_F(TextWatermarkPanelTest, FamilyCompletionFollowsTheListOrder) {
  const QStringList& families = view().fontFamilyArray;
  ASSERT_FALSE(families.isEmpty());
  const QString first = families.first();
  EXPECT_EQ(panel().completedString(first.left(2).toUpper()), first);
  EXPECT_EQ(panel().completedString(QStringLiteral("zzzq")), "zzzq");
  // The face popup shows the font's own face.
  const std::optional<QFont> bold = FontWithPostScriptName(QStringLiteral("DejaVuSans-Bold"));
  ASSERT_TRUE(bold.has_value()) << "DejaVu Sans Bold is missing: fonts-dejavu-core";
  panel().setFontToControls(*bold);
  EXPECT_EQ(panel().fontComboBoxOutlet->currentText(), "DejaVu Sans");
  EXPECT_EQ(panel().fontStylePopupButtonOutlet->currentText(), "Bold");
  // A font whose family is not installed shows the first family.
  panel().setFontToControls(QFont(QStringLiteral("No Such Family Here")));
  EXPECT_EQ(panel().fontComboBoxOutlet->currentText(), first);

  // Every listed family is listed once, by fontconfig's name, and has faces to choose; the
  // URW fonts come from two foundries each.
  EXPECT_EQ(families.size(), QSet<QString>(families.begin(), families.end()).size());
  for (const QString& family : families)
    EXPECT_FALSE(AvailableMembersOfFontFamily(family).empty()) << family.toStdString();
  ASSERT_TRUE(families.contains("C059")) << "the URW fonts are missing: fonts-urw-base35";
  // Chosen in the combo box, a URW family fills the face popup and becomes the preset's font.
  QComboBox* combo = panel().fontComboBoxOutlet;
  combo->setCurrentIndex(combo->findText(QStringLiteral("URW Gothic")));
  emit combo->activated(combo->currentIndex());
  EXPECT_GE(panel().fontStylePopupButtonOutlet->count(), 4);
  const std::optional<QFont> stored =
      UnarchiveFont(First().value(Key(kTextFontNameKey)).toByteArray());
  ASSERT_TRUE(stored.has_value());
  EXPECT_TRUE(FontPostScriptName(*stored).startsWith("URWGothic-"))
      << stored->family().toStdString();
  // The default family shows its regular face first and takes it.
  combo->setCurrentIndex(combo->findText(QStringLiteral("DejaVu Sans")));
  emit combo->activated(combo->currentIndex());
  EXPECT_EQ(panel().fontStylePopupButtonOutlet->itemText(0), "Book");
  EXPECT_EQ(panel().fontStylePopupButtonOutlet->currentText(), "Book");
  // A face of a family that Qt names with its foundry shows under fontconfig's name.
  const std::optional<QFont> c059 = FontWithPostScriptName(QStringLiteral("C059-Bold"));
  ASSERT_TRUE(c059.has_value());
  panel().setFontToControls(*c059);
  EXPECT_EQ(combo->currentText().toStdString(), "C059");
  EXPECT_EQ(panel().fontStylePopupButtonOutlet->currentText(), "Bold");
  panel().setFontToControls(QFont(QStringLiteral("Nimbus Roman [UKWN]")));
  EXPECT_EQ(combo->currentText().toStdString(), "Nimbus Roman");
  // So does the default font, a generic alias that is not listed.
  panel().setFontToControls(QFont());
  EXPECT_EQ(combo->currentText(), FontFamilyName(QFont()));
  EXPECT_NE(combo->currentIndex(), 0);
}

TEST(TextWatermarkQuit, UnsavedPresetIsSavedDroppedOrKeepsTheApplication) {
  for (const char* button : {"", "otherButton", "alterButton", "defaultButton"}) {
    SCOPED_TRACE(button);
    test::ForgetGeneralOptions();
    WriteTwoPresets();
    std::unique_ptr<AppDelegate> delegate = test::StartApplication();
    WatermarkView& view = *delegate->watermarkContextView;
    view.SelectRowStartingAtRow(1);
    if (*button) view.setFontSize(222);  // else nothing unsaved, nothing asked
    test::AlertAnswerer alerts;
    alerts.answers << button;
    const qint64 quits = delegate->applicationShouldTerminate() ? 1 : 0;
    EXPECT_EQ(alerts.titles,
              *button ? QStringList{LocalizedString("ModifyPresetAlertMsg")} : QStringList());
    QVariantMap file;
    ASSERT_TRUE(ReadTextWatermarkPresetFile(&file));
    const qint64 stored = file.value("second").toMap().value(Key(kTextFontSizeKey)).toLongLong();
    if (QByteArray(button) == "otherButton") {  // Cancel
      EXPECT_EQ(quits, 0);
      EXPECT_TRUE(view.model().isPresetDirty("second"));
    } else {
      EXPECT_EQ(quits, 1);
      EXPECT_EQ(stored, QByteArray(button) == "defaultButton" ? 222 : 30);
      if (QByteArray(button) != "alterButton") {
        EXPECT_FALSE(view.model().isPresetDirty("second"));
      }
    }
  }

  // The Quit command also closes the window, whose close must not ask a second time.
  test::ForgetGeneralOptions();
  WriteTwoPresets();
  std::unique_ptr<AppDelegate> delegate = test::StartApplication();
  delegate->watermarkContextView->SelectRowStartingAtRow(1);
  delegate->watermarkContextView->setFontSize(222);
  test::AlertAnswerer alerts;
  alerts.answers << QStringLiteral("alterButton") << QStringLiteral("alterButton");
  delegate->window()->quitAction->trigger();
  EXPECT_EQ(alerts.titles, QStringList{LocalizedString("ModifyPresetAlertMsg")});
  EXPECT_FALSE(delegate->window()->isVisible());
}

}  // namespace
}  // namespace glimbrik
