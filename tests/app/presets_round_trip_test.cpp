#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "app/app_delegate.h"
#include "app/app_delegate_batch.h"
#include "app/general_options.h"
#include "app/preset_files.h"
#include "app/preset_sheet.h"
#include "app/preset_watermark.h"
#include "app_fixtures.h"
#include "platform/preferences.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 120000;

void ForgetPresets() {
  for (PresetKind kind : {PresetKind::kResize, PresetKind::kRename, PresetKind::kPhoto})
    QFile::remove(PreferenceFilePath(QString::fromLatin1(InfoForPresetKind(kind).file)));
  QFile::remove(PreferenceFilePath(QString::fromLatin1(kTextWatermarkPresetsFile)));
}

QMap<QString, QByteArray> FilesIn(const QString& folder) {
  QMap<QString, QByteArray> files;
  for (const QString& name : QDir(folder).entryList(QDir::Files))
    files.insert(name, test::ReadBytes(folder + "/" + name));
  return files;
}

class PresetWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    ForgetPresets();
  }
  void TearDown() override {
    delegate.reset();
    ForgetPresets();
  }
  void Start() {
    delegate = test::StartApplication();
    controller = InstallBatchRun(*delegate);
    QObject::connect(controller, &BatchController::runFinished,
                     [this](const BatchRunResult&) { ++runs; });
    p().useAsDestinationFolderCheckBox->setChecked(false);
    p().doNotShowAlertCheckBox->setChecked(true);
  }
  OptionPanels& p() { return delegate->panels(); }
  WatermarkModel& watermarks() { return delegate->watermarkContextView->model(); }
  void ChooseTag(QComboBox* popup, int tag) { test::Choose(popup, popup->findData(tag)); }
  void Type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  // Runs every row into folder, answering the destination dialog.
  void RunInto(const QString& folder) {
    ASSERT_TRUE(test::RunAllInto(*delegate, folder, runs, kTimeoutMs));
  }

  std::unique_ptr<AppDelegate> delegate;
  BatchController* controller = nullptr;
  int runs = 0;
};

QImage Photo() {
  QImage image(200, 150, QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) image.setPixel(x, y, qRgb(x, y, (x * y) % 256));
  }
  return image;
}

QImage Stamp() {
  QImage image(40, 30, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setBrush(QColor(250, 30, 90, 160));
  painter.drawEllipse(2, 2, 36, 26);
  return image;
}

TEST_F(PresetWindow, APhotoPresetAppliedAfterAResetRunsByteForByteAsBeforeSaving) {
  Start();
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  ASSERT_TRUE(Photo().save(source + "/a.png"));
  ASSERT_TRUE(Photo().mirrored().save(source + "/b.png"));
  delegate->AddUrlsIntoImageListViewAtEnd({source + "/a.png", source + "/b.png"});
  ASSERT_TRUE(test::WaitForAdding(*delegate));
  ASSERT_TRUE(test::WaitForFacts(*delegate));
  delegate->SelectRowStartingAtRow(0);

  // Every panel set the way a user sets it.
  for (int group = 0; group < kConfigurationGroupCount; ++group)
    delegate->SwitchOnOffHeader(group, true, true);
  ChooseTag(p().destImageTypePopUpButton, 4);  // JPEG
  p().imageQualityStepper->setValue(65);
  p().autoAdjustColorLevelsCheckButton->click();
  test::Choose(p().imageDimentionsPopupOutlet, 13);  // fit into 612 x 612 on grey
  Type(p().widthTextField, QStringLiteral("150"));
  p().sharpenImageCheckButton->click();
  ASSERT_EQ(p().imageDimentionsPopupOutlet->currentIndex(), 0);
  delegate->renameTokenTextFieldOutlet()->setTokens(
      {QStringLiteral("trip_"), QVXWatermarkTextToken(QStringLiteral("#"), 1), QStringLiteral("_"),
       QVXWatermarkTextToken(QStringLiteral("Image Width"), 11)});
  delegate->ChangeRenameOptionActions(delegate->renameTokenTextFieldOutlet());
  ASSERT_GE(watermarks().presetRowCount(), 3);
  WatermarkView& editor = *delegate->watermarkContextView;
  editor.setPresetRowTicked(0, true);
  editor.setPresetRowTicked(2, true);
  editor.SelectRowStartingAtRow(2);
  editor.setFontSize(44);
  ASSERT_TRUE(watermarks().isPresetDirty(watermarks().presetRow(2)->title));
  watermarks().setImage(Stamp());
  watermarks().setWatermarkImageOpacity(0.5);
  watermarks().setWatermarkImageSizePrecentage(0.3);
  watermarks().setImagePosition(2);
  watermarks().setImageRotationAngle(30);
  watermarks().setImageWatermarkOffset({12, -7});
  p().effectsRadioButtonOutlet->button(3)->click();
  ChooseTag(p().OptimizationPopupOutlet, 3);

  const QString before = test::MakeTempFolder(QStringLiteral("before"));
  RunInto(before);
  const QMap<QString, QByteArray> expected = FilesIn(before);
  ASSERT_EQ(expected.keys(), (QStringList{"trip_1_150.jpg", "trip_2_150.jpg"}));
  ASSERT_EQ(QImage::fromData(expected.first()).width(), 150);

  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  delegate->AddPresetDialogOutlet()->PresetNameComboboxOutlet->setEditText("Trip");
  delegate->AddPresetDialogOutlet()->saveButton->click();
  QComboBox* photo = delegate->PhotoPresetPopupButton();
  ASSERT_EQ(photo->currentText(), QStringLiteral("Trip"));

  test::Choose(photo, 0);
  EXPECT_FALSE(delegate->isGroupOn(kEffectGroup));
  EXPECT_EQ(p().imageQualityStepper->value(), 80);
  EXPECT_TRUE(watermarks().image().isNull());
  EXPECT_TRUE(TickedTextWatermarkRows(watermarks()).isEmpty());
  EXPECT_NE(SelectedTag(p().destImageTypePopUpButton), 4);

  test::Choose(photo, 1);
  EXPECT_EQ(TickedTextWatermarkRows(watermarks()), (QList<qint64>{0, 2}));
  EXPECT_EQ(watermarks().presetTableSelectedRow(), 2);
  EXPECT_EQ(watermarks().textFontSize(), 44) << "the edited text preset was saved with it";
  const QString after = test::MakeTempFolder(QStringLiteral("after"));
  RunInto(after);
  const QMap<QString, QByteArray> outputs = FilesIn(after);
  ASSERT_EQ(outputs.keys(), expected.keys());
  for (const QString& name : expected.keys())
    EXPECT_TRUE(outputs.value(name) == expected.value(name)) << name.toStdString();

  // A start-up applies the photo preset chosen at the last quit.
  delegate->applicationWillTerminate();
  delegate.reset();
  Start();
  EXPECT_EQ(delegate->PhotoPresetPopupButton()->currentText(), QStringLiteral("Trip"));
  EXPECT_TRUE(delegate->isGroupOn(kEffectGroup));
  EXPECT_EQ(p().effectsRadioButtonOutlet->checkedId(), 3);
  EXPECT_EQ(TickedTextWatermarkRows(watermarks()), (QList<qint64>{0, 2}));
}

TEST_F(PresetWindow, PresetFilesEditedIntoNonsenseFallBackKeyByKey) {
  // A truncated rename file lists nothing; the other files still load.
  {
    QFile rename(PreferenceFilePath(QString::fromLatin1(kRenamePresetsFile)));
    ASSERT_TRUE(rename.open(QIODevice::WriteOnly));
    rename.write("<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Cut</key><dict><key>P");
  }
  ASSERT_TRUE(
      WritePresetFile(PresetKind::kResize, {{"Good", QVariantMap{{"PresetIndex", qint64(0)},
                                                                 {"ScaleOption", qint64(0)},
                                                                 {"InputType", qint64(2)},
                                                                 {"Width", "321"}}},
                                            {"Junk", QStringLiteral("no dictionary")},
                                            {"Odd", QVariantMap{{"PresetIndex", "first"},
                                                                {"ScaleOption", "wide"},
                                                                {"InputType", qint64(99)},
                                                                {"Width", qint64(5)},
                                                                {"Height", "abc"},
                                                                {"Sharpen", "yes"},
                                                                {"ResolutionFlag", true},
                                                                {"ResolutionValue", qint64(7)}}}}));
  const QVariantMap bad{{"PhotoPresetIndex", "zero"},  {"ResizePresetIndex", "x"},
                        {"RenamePresetIndex", 99999},  {"ImageQuality", "high"},
                        {"ImageType", qint64(999)},    {"OptimizationType", "x"},
                        {"ImageEffectType", 42},       {"ConversionState", "no"},
                        {"EffectState", "yes"},        {"TextWatermarkPresetIndex", "rows"},
                        {"TextWatermarkState", true},  {"RenameToken", qint64(12)},
                        {"ImageOpacity", "x"},         {"ImageSize", 7.5},
                        {"ImagePosition", qint64(99)}, {"ImagePath", QDir::rootPath()},
                        {"ColorProfile", qint64(3)},   {"AutoEnhancement", QVariantList{}}};
  ASSERT_TRUE(
      WritePresetFile(PresetKind::kPhoto, {{"Bad", bad},
                                           {"Good", QVariantMap{{"PhotoPresetIndex", qint64(0)},
                                                                {"EffectState", true},
                                                                {"ImageEffectType", qint64(4)}}}}));
  // The last quit chose "Bad", which the start-up applies.
  ASSERT_TRUE(WritePreferenceDictionary({{"PhotoPresetIndex", qint64(2)}},
                                        QString::fromLatin1(kGeneralPrefFile)));
  Start();

  EXPECT_EQ(p().renamePresetPopupOutlet->count(), 8);
  QComboBox* sizes = p().imageDimentionsPopupOutlet;
  ASSERT_EQ(sizes->count(), 21);
  EXPECT_EQ(sizes->itemText(19), QStringLiteral("Good"));
  EXPECT_EQ(sizes->itemText(20), QStringLiteral("Odd")) << "without a usable index: last";
  QComboBox* photo = delegate->PhotoPresetPopupButton();
  ASSERT_EQ(photo->count(), 3);
  EXPECT_EQ(photo->currentText(), QStringLiteral("Bad"));

  for (int group = 0; group < kConfigurationGroupCount; ++group)
    EXPECT_EQ(delegate->isGroupOn(group), group == kConversionGroup || group == 4) << group;
  EXPECT_EQ(p().imageQualityStepper->value(), 80);
  EXPECT_EQ(SelectedTag(p().destImageTypePopUpButton), 0);
  EXPECT_EQ(SelectedTag(p().OptimizationPopupOutlet), 1);
  EXPECT_EQ(p().effectsRadioButtonOutlet->checkedId(), 0);
  EXPECT_EQ(p().colorProfilePopUpButton->currentIndex(), 0);
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 0);
  EXPECT_EQ(delegate->renameTokenTextFieldOutlet()->tokens(),
            TokenArray{QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9)});
  EXPECT_TRUE(TickedTextWatermarkRows(watermarks()).isEmpty());
  EXPECT_EQ(watermarks().watermarkImageOpacity(), 0.8);
  EXPECT_EQ(watermarks().watermarkImageSizePrecentage(), 0.5);
  EXPECT_EQ(watermarks().imagePosition(), 6);

  test::Choose(sizes, 20);
  EXPECT_EQ(SelectedTag(p().sizeFormatTypePopupButton), 2);
  EXPECT_EQ(SelectedTag(p().scaleProprtionallyPopupOutlet), 2);
  EXPECT_FALSE(p().sharpenImageCheckButton->isChecked());
  EXPECT_TRUE(p().resolutionCheckBox->isChecked());
  EXPECT_EQ(p().resolutionComboBoxOutlet->currentText(), QStringLiteral("72"));
  EXPECT_NE(p().heightTextField->text(), QStringLiteral("abc"));
  test::Choose(sizes, 19);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("321"));

  test::Choose(photo, 1);
  EXPECT_TRUE(delegate->isGroupOn(kEffectGroup));
  EXPECT_EQ(p().effectsRadioButtonOutlet->checkedId(), 4);

  // A size item whose preset left the file meanwhile: the snapshot's own size applies.
  ASSERT_TRUE(
      WritePresetFile(PresetKind::kPhoto, {{"Good", QVariantMap{{"PhotoPresetIndex", qint64(0)},
                                                                {"ResizePresetIndex", qint64(20)},
                                                                {"ScaleOption", qint64(0)},
                                                                {"InputType", qint64(2)},
                                                                {"Width", "222"}}}}));
  ASSERT_TRUE(WritePresetFile(PresetKind::kResize, {}));
  test::Choose(photo, 1);
  EXPECT_EQ(sizes->currentIndex(), 0);
  EXPECT_EQ(SelectedTag(p().scaleProprtionallyPopupOutlet), 0);
  EXPECT_EQ(p().widthTextField->text(), QStringLiteral("222"));
}

}  // namespace
}  // namespace glimbrik
