#include <gtest/gtest.h>

#include <QFile>
#include <QStandardItemModel>
#include <QTest>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/panels/resize_panel_units.h"
#include "app/presets/preset_files.h"
#include "platform/store/preferences.h"

namespace glimbrik {
namespace {

// The real window; an 800 x 600 JPEG at 72 dpi is added and selected on request.
class ResizePanel : public test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    app->SwitchOnOffHeader(kResizeGroup, true, true);
  }
  void AddSelectedImage() {
    const QString path = test::MakeTempFolder(QStringLiteral("resize")) + "/photo.jpg";
    test::WriteJpeg(path, 800, 600);
    AddAndSelect({path});
  }

  void Type(NumberField* field, const QString& text) {
    field->clear();
    field->insert(text);  // announced as the user's edit
  }
  QString Result() { return p().resultStringStaticText->text(); }
  // The colour of the lock sign's most opaque pixel.
  QRgb LockInk() {
    const QImage sign =
        p().lockUnlockImageView->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    QRgb ink = 0;
    for (int y = 0; y < sign.height(); ++y) {
      for (int x = 0; x < sign.width(); ++x) {
        if (qAlpha(sign.pixel(x, y)) > qAlpha(ink)) ink = sign.pixel(x, y);
      }
    }
    return ink;
  }
  bool PercentItemEnabled() {
    auto* model = qobject_cast<QStandardItemModel*>(p().sizeFormatTypePopupButton->model());
    return model->item(p().sizeFormatTypePercentItem)->isEnabled();
  }
};

TEST_F(ResizePanel, UnitsConvertForTheSelectedImageAndWithoutOne) {
  EXPECT_EQ(Result(), QStringLiteral("-")) << "no image selected";
  // Without an image the fixed texts of an 800 x 600 picture at 72 dpi.
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 4);
  test::ChooseTag(p().sizeFormatTypePopupButton, 3);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("11.11"));
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("8.33"));

  AddSelectedImage();
  test::ChooseTag(p().sizeFormatTypePopupButton, 2);
  Type(p().widthTextField, QStringLiteral("800"));
  Type(p().heightTextField, QStringLiteral("600"));
  const struct {
    int unit;
    const char* width;
    const char* height;
  } expected[] = {{3, "11.11", "8.33"},    {2, "800", "600"},       {4, "28.22", "21.17"},
                  {2, "800", "600"},       {5, "282.22", "211.67"}, {2, "800", "600"},
                  {1, "100.00", "100.00"}, {2, "800", "600"},       {6, "800.00", "600.00"}};
  for (const auto& step : expected) {
    SCOPED_TRACE(step.unit);
    test::ChooseTag(p().sizeFormatTypePopupButton, step.unit);
    EXPECT_EQ(p().widthTextField->text(), QString::fromLatin1(step.width));
    EXPECT_EQ(p().heightTextField->text(), QString::fromLatin1(step.height));
    EXPECT_EQ(app->currentSizeFormatType, step.unit);
  }
}

TEST_F(ResizePanel, AScaleModeChangeCarriesTheValueIntoTheNewLayout) {
  // No image: by width to by height moves the text across.
  Type(p().widthTextField, QStringLiteral("40"));
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 1);
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("40"));
  EXPECT_TRUE(p().heightTextField->isEnabled());
  EXPECT_TRUE(p().widthTextField->text().isEmpty());
  EXPECT_FALSE(p().widthTextField->isEnabled());
  EXPECT_EQ(p().widthTextField->placeholderText(), QStringLiteral("Auto"));

  // Fit while the unit is percent: pixels, converted, and percent no longer offered.
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 2);
  EXPECT_EQ(SelectedTag(p().sizeFormatTypePopupButton), 2);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("800"));
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("600"));
  EXPECT_TRUE(p().widthTextField->isEnabled());
  EXPECT_FALSE(PercentItemEnabled());
  EXPECT_TRUE(p().backgroundColorFitToRectCheckBox->isEnabled());
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 3);
  EXPECT_TRUE(PercentItemEnabled());
  EXPECT_TRUE(p().lockUnlockImageView->isHidden()) << "crop does not keep the proportions";
  EXPECT_FALSE(p().backgroundColorFitToRectCheckBox->isEnabled());

  // With an image: by width 400 px, then fit, gives the proportional height.
  AddSelectedImage();
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 0);
  Type(p().widthTextField, QStringLiteral("400"));
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 2);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("400"));
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("300"));
  EXPECT_TRUE(p().heightTextField->isEnabled());
  EXPECT_EQ(Result(), QStringLiteral("400 x 300 pixels"));

  // Switched off and on again, each mode enables only the side it uses.
  for (const auto& [mode, width, height] : {std::tuple{1, false, true}, {0, true, false}}) {
    test::ChooseTag(p().scaleProprtionallyPopupOutlet, mode);
    app->SwitchOnOffHeader(kResizeGroup, false, true);
    app->SwitchOnOffHeader(kResizeGroup, true, true);
    EXPECT_EQ(p().widthTextField->isEnabled(), width) << mode;
    EXPECT_EQ(p().heightTextField->isEnabled(), height) << mode;
  }
}

TEST_F(ResizePanel, BuiltInSizeItemsSetEveryControl) {
  AddSelectedImage();
  test::Choose(p().imageDimentionsPopupOutlet, 13);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("612"));
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("612"));
  EXPECT_EQ(SelectedTag(p().scaleProprtionallyPopupOutlet), 2);
  EXPECT_EQ(SelectedTag(p().sizeFormatTypePopupButton), 2);
  EXPECT_TRUE(p().resolutionComboBoxOutlet->isEnabled());
  EXPECT_TRUE(p().backgroundColorFitToRectColorWellOutlet->isEnabled());
  EXPECT_EQ(p().backgroundColorFitToRectColorWellOutlet->color().rgb(), qRgb(136, 136, 136));
  EXPECT_EQ(Result(), QStringLiteral("612 x 612 pixels")) << "fitted on a canvas of the box";

  // Width 1024 by width: no enlarging, and no height or canvas.
  test::Choose(p().imageDimentionsPopupOutlet, 17);
  EXPECT_TRUE(p().heightTextField->text().isEmpty());
  EXPECT_FALSE(p().backgroundColorFitToRectColorWellOutlet->isEnabled());
  EXPECT_EQ(Result(), QStringLiteral("800 x 600 pixels"));

  // From no layout at all (a photo preset starts from -1), a box size still enables both sides.
  app->currentScaleOption = -1;
  test::Choose(p().imageDimentionsPopupOutlet, 4);
  EXPECT_TRUE(p().widthTextField->isEnabled());
  EXPECT_TRUE(p().heightTextField->isEnabled());
  EXPECT_EQ(p().heightTextField->text(), QStringLiteral("600"));
}

// Each sized item, found by the title the user reads, puts its own box into the fields.
TEST_F(ResizePanel, EachSizeItemGivesTheSizeItsTitleNames) {
  const struct {
    const char* title;
    const char* width;
    const char* height;
    int mode;
    bool resolution;
  } items[] = {{"320 x 240", "320", "240", 2, false},
               {"640 x 480", "640", "480", 2, false},
               {"1024 x 768", "1024", "768", 2, false},
               {"1280 x 1024", "1280", "1024", 2, false},
               {"HD 720p", "1280", "720", 2, false},
               {"HD 1080p", "1920", "1080", 2, false},
               {"960 x 960", "960", "960", 2, true},
               {"2048 x 2048", "2048", "2048", 2, true},
               {"Portrait 1280 x 1920", "1280", "1920", 2, true},
               {"Banner 440 x 220", "440", "220", 6, true}};
  for (const auto& item : items) {
    SCOPED_TRACE(item.title);
    const int index = p().imageDimentionsPopupOutlet->findText(QString::fromLatin1(item.title));
    ASSERT_GT(index, 0);
    test::Choose(p().imageDimentionsPopupOutlet, index);
    EXPECT_EQ(p().widthTextField->text().toStdString(), item.width);
    EXPECT_EQ(p().heightTextField->text().toStdString(), item.height);
    EXPECT_EQ(SelectedTag(p().scaleProprtionallyPopupOutlet), item.mode);
    EXPECT_EQ(SelectedTag(p().sizeFormatTypePopupButton), 2) << "sizes are in pixels";
    EXPECT_EQ(p().resolutionCheckBox->isChecked(), item.resolution);
    EXPECT_EQ(p().imageDimentionsPopupOutlet->currentIndex(), index);
  }
}

TEST_F(ResizePanel, APhotoPresetThatSwitchesResizeOnShowsTheLockUngreyed) {
  test::Choose(p().imageDimentionsPopupOutlet, 4);
  QVariantMap sized;
  app->GetPhotoPreferenceValue(&sized);
  ASSERT_TRUE(WritePresetFile(PresetKind::kPhoto, {{QStringLiteral("Sized"), sized}}));
  app->SwitchOnOffHeader(kResizeGroup, false, true);
  const QPalette& palette = p().lockUnlockImageView->palette();
  ASSERT_NE(palette.color(QPalette::Active, QPalette::WindowText).rgb(),
            palette.color(QPalette::Disabled, QPalette::WindowText).rgb());

  app->ChangeAndSetPhotoPrefOptions(QStringLiteral("Sized"));
  ASSERT_TRUE(app->isGroupOn(kResizeGroup));
  EXPECT_TRUE(p().lockUnlockImageView->isEnabled());
  EXPECT_FALSE(p().lockUnlockImageView->isHidden());
  EXPECT_EQ(qAlpha(LockInk()), 255);
  EXPECT_EQ(qRgb(qRed(LockInk()), qGreen(LockInk()), qBlue(LockInk())),
            palette.color(QPalette::Active, QPalette::WindowText).rgb());
  QFile::remove(
      PreferenceFilePath(QString::fromLatin1(InfoForPresetKind(PresetKind::kPhoto).file)));
}

TEST_F(ResizePanel, TheResultLineCyclesThroughItsUnitsAndFollowsTheRotation) {
  AddSelectedImage();
  test::Choose(p().imageDimentionsPopupOutlet, 4);  // 800 x 600 fit
  test::ChooseTag(p().scaleProprtionallyPopupOutlet, 2);
  Type(p().widthTextField, QStringLiteral("400"));
  Type(p().heightTextField, QStringLiteral("400"));
  EXPECT_EQ(Result(), QStringLiteral("400 x 300 pixels"));
  const char* const cycle[] = {"5.56 x 4.17 inches", "14.11 x 10.58 cm", "141.11 x 105.83 mm",
                               "400 x 300 points",   "50 percent",       "400 x 300 pixels"};
  for (const char* text : cycle) {
    QTest::mouseClick(p().resultStringStaticText, Qt::LeftButton);
    EXPECT_EQ(Result(), QString::fromLatin1(text));
  }
  // Turned either way by a quarter, the sides are exchanged.
  app->window()->rotateLeftAction->trigger();
  EXPECT_EQ(Result(), QStringLiteral("300 x 400 pixels"));
  app->window()->rotateRightAction->trigger();
  EXPECT_EQ(Result(), QStringLiteral("400 x 300 pixels"));
  app->window()->rotateRightAction->trigger();
  ASSERT_EQ(app->ImageEntityForRow(0)->GetAngle(), -90.0);
  EXPECT_EQ(Result(), QStringLiteral("300 x 400 pixels"));
  app->SwitchOnOffHeader(kResizeGroup, false, true);
  EXPECT_EQ(Result(), QStringLiteral("-"));
}

TEST(ResizePanelUnits, NoResolutionOrSizeMakesNoInfinity) {
  EXPECT_EQ(PanelResolution(0.0), 72.0);
  EXPECT_EQ(PanelResolution(-3.0), 72.0);
  EXPECT_EQ(ConvertResizeFieldValue(800, 2, 3, 800, 0.0), QStringLiteral("11.11"));
  EXPECT_EQ(ConvertResizeFieldValue(50, 1, 2, 0, 72.0), QStringLiteral("0"));
  EXPECT_EQ(ConvertResizeFieldValue(800, 2, 1, 0, 72.0), QStringLiteral("0.00"));
  EXPECT_TRUE(ConvertResizeFieldValue(800, 2, 7, 800, 72.0).isNull());
  EXPECT_EQ(ResizeResultString(1, 0, 600, 72, 0, std::nullopt), QStringLiteral("-"));
  EXPECT_EQ(ResizeResultString(3, 720, 360, 0, 0, std::nullopt), QStringLiteral("10 x 5 inches"));
  // Points are 1/72 inch, so only at 72 dpi do they equal the pixels.
  EXPECT_EQ(ResizeResultString(6, 600, 300, 300, 0, std::nullopt),
            QStringLiteral("144 x 72 points"));
  EXPECT_EQ(ResizeResultString(6, 600, 300, 36, 0, std::nullopt),
            QStringLiteral("1200 x 600 points"));
  ImageResizeOptions half{
      .keepAspectRatio = 1, .resample = 1, .width = 50, .unit = 1, .backgroundColor = {}};
  EXPECT_EQ(ResizeResultString(1, 800, 600, 72, 90, half), QStringLiteral("50 percent"));
  half.keepAspectRatio = 0;
  half.scaleMode = 4;
  half.height = 25;
  EXPECT_EQ(ResizeResultString(1, 800, 600, 72, 90, half), QStringLiteral("25 x 50 percent"))
      << "each percentage stays with its side";
}

}  // namespace
}  // namespace glimbrik
