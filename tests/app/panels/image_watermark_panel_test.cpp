#include "app/panels/image_watermark_panel.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QTest>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"

namespace glimbrik {
namespace {

class ImageWatermarkPanelTest : public test::AppTest {
 protected:
  void SetUp() override {
    AppTest::SetUp();
    panel = app->imageWatermarkPanel();
    ASSERT_NE(panel, nullptr);
    // The default photo preset leaves the group off, and its controls disabled.
    app->SwitchOnOffHeader(kImageWatermarkGroup, true, true);
    panel->showAlert = [this](const QString& title, const QString& message) {
      alerts << title + " " + message;
    };
  }
  WatermarkModel& model() { return app->watermarkContextView->model(); }
  // Types text into a field as the user does, then ends the edit.
  static void Type(NumberField* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
    emit field->editingFinished();
  }
  // Pastes text over a field's text: one edit, as a paste is.
  static void Paste(NumberField* field, const QString& text) {
    field->selectAll();
    field->insert(text);
    emit field->editingFinished();
  }

  ImageWatermarkPanel* panel = nullptr;
  QStringList alerts;
};

TEST_F(ImageWatermarkPanelTest, OffsetPercentagesAreOfTheBaseSize) {
  model().setBaseImageSizeForImageWatermark(QSizeF(550, 275));
  Type(panel->xImageWatermarkOffsetTextFieldOutlet, "10.00");
  Type(panel->yImageWatermarkOffsetTextFieldOutlet, "10.00");
  EXPECT_EQ(model().imageWatermarkOffset(), QPointF(55, 27.5));
  EXPECT_DOUBLE_EQ(panel->yImageWatermarkOffsetStepperOutlet->doubleValue(), 10.0);
  // No base height: the whole side.
  model().setBaseImageSizeForImageWatermark(QSizeF(550, 0));
  Type(panel->yImageWatermarkOffsetTextFieldOutlet, "10");
  EXPECT_DOUBLE_EQ(model().imageWatermarkOffset().y(), 55.0);
  // Over 100 the stepper's value comes back.
  Paste(panel->xImageWatermarkOffsetTextFieldOutlet, "150");
  EXPECT_EQ(panel->xImageWatermarkOffsetTextFieldOutlet->text(), "10.00");
  EXPECT_DOUBLE_EQ(model().imageWatermarkOffset().x(), 55.0);
  // The stepper shows its value as the field's text and moves the watermark.
  panel->yImageWatermarkOffsetStepperOutlet->downButton()->click();
  EXPECT_EQ(panel->yImageWatermarkOffsetTextFieldOutlet->text(), "9.00");
  EXPECT_DOUBLE_EQ(model().imageWatermarkOffset().y(), 49.5);
  // A new anchor puts the watermark back on it.
  panel->imagePositionRadioButtonmatrixOutlet->button(4)->click();
  EXPECT_EQ(model().imagePosition(), 4);
  EXPECT_EQ(model().imageWatermarkOffset(), QPointF(0, 0));
  EXPECT_EQ(panel->xImageWatermarkOffsetTextFieldOutlet->text(), "0.00");
  // An offset set elsewhere (a drag, a photo preset) shows each side in its own field.
  model().setBaseImageSizeForImageWatermark(QSizeF(550, 275));
  model().setImageWatermarkOffset(QPointF(110, 13.75));
  panel->setImageWatermarkOffsetControls();
  EXPECT_EQ(panel->xImageWatermarkOffsetTextFieldOutlet->text(), "20.00");
  EXPECT_EQ(panel->yImageWatermarkOffsetTextFieldOutlet->text(), "5.00");
  EXPECT_DOUBLE_EQ(panel->xImageWatermarkOffsetStepperOutlet->doubleValue(), 20.0);
  EXPECT_DOUBLE_EQ(panel->yImageWatermarkOffsetStepperOutlet->doubleValue(), 5.0);
  // A drag that ends a hair left of the anchor shows no minus before nought.
  model().setImageWatermarkOffset(QPointF(-0.001, -0.03));
  panel->setImageWatermarkOffsetControls();
  EXPECT_EQ(panel->xImageWatermarkOffsetTextFieldOutlet->text(), "0.00");
  EXPECT_EQ(panel->yImageWatermarkOffsetTextFieldOutlet->text(), "-0.01");
}

TEST_F(ImageWatermarkPanelTest, SizeOpacityAndAngleControlsStayInStepAndInRange) {
  // Size is held between five and a hundred percent.
  Type(panel->WatermarkImageSizeTextFieldOutlet, "3");
  EXPECT_EQ(panel->WatermarkImageSizeTextFieldOutlet->text(), "5");
  EXPECT_DOUBLE_EQ(model().watermarkImageSizePrecentage(), 0.05);
  EXPECT_DOUBLE_EQ(panel->WatermarkImageSizeSliderOutlet->doubleValue(), 0.05);
  // On the way to 30 the 3 stays in the field.
  panel->WatermarkImageSizeTextFieldOutlet->selectAll();
  QTest::keyClicks(panel->WatermarkImageSizeTextFieldOutlet, "30");
  EXPECT_EQ(panel->WatermarkImageSizeTextFieldOutlet->text(), "30");
  EXPECT_DOUBLE_EQ(model().watermarkImageSizePrecentage(), 0.30);
  Paste(panel->WatermarkImageSizeTextFieldOutlet, "150");
  EXPECT_EQ(panel->WatermarkImageSizeTextFieldOutlet->text(), "30");
  EXPECT_DOUBLE_EQ(model().watermarkImageSizePrecentage(), 0.30);

  // The slider's fraction in single precision shows truncated: 0.29f is 28 percent.
  panel->WatermarkImageOpacitySliderOutlet->setDoubleValue(static_cast<double>(0.29f));
  panel->takeWatermarkImageOpacityFrom(panel->WatermarkImageOpacitySliderOutlet);
  EXPECT_EQ(panel->WatermarkImageOpacityTextFieldOutlet->text(), "28");
  EXPECT_DOUBLE_EQ(model().watermarkImageOpacity(), static_cast<double>(0.29f));

  panel->WatermarkImageOpacityStepperOutlet->upButton()->click();
  EXPECT_EQ(panel->WatermarkImageOpacityTextFieldOutlet->text(), "29");
  EXPECT_DOUBLE_EQ(model().watermarkImageOpacity(), 0.29);

  // Angle: the stepper turns the dial, the dial the field, the field both.
  panel->imageAngleStepperOutlet->setDoubleValue(45);
  panel->ImageAngleStepperControlDidChange();
  EXPECT_EQ(panel->imageAngleSliderOutlet->getAngleValue(), 45);
  EXPECT_EQ(model().imageRotationAngle(), 45);
  panel->imageAngleSliderOutlet->setAngleValue(300);
  EXPECT_EQ(panel->imageAngleStepperOutlet->integerValue(), 300);
  Type(panel->imageAngleTextFieldOutlet, "90");
  EXPECT_EQ(panel->imageAngleSliderOutlet->getAngleValue(), 90);
  EXPECT_EQ(model().imageRotationAngle(), 90);
  Paste(panel->imageAngleTextFieldOutlet, "400");
  EXPECT_EQ(panel->imageAngleTextFieldOutlet->text(), "90");
  EXPECT_EQ(model().imageRotationAngle(), 90);
}

TEST_F(ImageWatermarkPanelTest, ThePictureComesFromTheDialogOrTheWellAndARefusalKeepsTheOldOne) {
  const QString folder = test::MakeTempFolder(QStringLiteral("dlg"));
  test::WriteJpeg(folder + "/mark.jpg", 1100, 400);
  test::WritePng(folder + "/mark.png", 40, 20);
  panel->AddButtonOutlet->click();
  auto* dialog = app->window()->findChild<QFileDialog*>(QStringLiteral("watermarkImagePanel"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->windowModality(), Qt::WindowModal);
  const QString filters = dialog->nameFilters().join(' ');
  EXPECT_TRUE(filters.contains("*.webp") && filters.contains("*.JPG")) << filters.toStdString();
  dialog->selectFile(folder + "/mark.jpg");
  static_cast<QDialog*>(dialog)->accept();
  ASSERT_EQ(model().image().size(), QSize(1100, 400));
  EXPECT_FALSE(panel->WaterMarkImageView->pixmap().isNull());

  test::WriteGarbage(folder + "/broken.png", 500);
  panel->AddWatermarkImagePanelHandler(folder + "/broken.png", panel->WaterMarkImageView);
  EXPECT_EQ(model().image().size(), QSize(1100, 400));
  ASSERT_EQ(alerts.size(), 1);
  EXPECT_TRUE(alerts[0].contains("broken.png")) << alerts[0].toStdString();

  EXPECT_TRUE(test::Drops(panel->WaterMarkImageView, {folder + "/mark.png"}, QPoint(10, 10)));
  EXPECT_EQ(model().image().size(), QSize(40, 20));
  // Switched off, the well takes nothing.
  app->SwitchOnOffHeader(kImageWatermarkGroup, false, true);
  test::Drops(panel->WaterMarkImageView, {folder + "/mark.jpg"}, QPoint(10, 10));
  EXPECT_EQ(model().image().size(), QSize(40, 20));
}

}  // namespace
}  // namespace glimbrik
