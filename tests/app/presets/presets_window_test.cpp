#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTest>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/presets/preset_files.h"
#include "app/presets/preset_sheet.h"
#include "app/presets/preset_watermark.h"
#include "app/settings/general_options.h"
#include "app/window/custom_alert.h"
#include "platform/store/folders.h"
#include "platform/store/keyed_archive.h"
#include "platform/store/localization.h"
#include "platform/store/preferences.h"
#include "support/file_size_limit.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 120000;

QString FileOf(PresetKind kind) {
  return PreferenceFilePath(QString::fromLatin1(InfoForPresetKind(kind).file));
}

void ForgetPresets() {
  for (PresetKind kind : {PresetKind::kResize, PresetKind::kRename, PresetKind::kPhoto})
    QFile::remove(FileOf(kind));
  QFile::remove(PreferenceFilePath(QString::fromLatin1(kTextWatermarkPresetsFile)));
}

void Store(PresetKind kind, const QVariantMap& presets) {
  ASSERT_TRUE(WritePresetFile(kind, presets));
}

QVariantMap Stored(PresetKind kind) {
  QVariantMap presets;
  EXPECT_TRUE(ReadPresetFile(kind, &presets));
  return presets;
}

QVariantMap Entry(const QVariantMap& presets, const QString& name) {
  return presets.value(name).toMap();
}

QStringList ItemsFrom(const QComboBox* popup, int first) {
  QStringList titles;
  for (int i = first; i < popup->count(); ++i) titles << popup->itemText(i);
  return titles;
}

QMap<QString, QByteArray> FilesIn(const QString& folder) {
  QMap<QString, QByteArray> files;
  for (const QString& name : QDir(folder).entryList(QDir::Files))
    files.insert(name, test::ReadBytes(folder + "/" + name));
  return files;
}

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

class PresetsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    ForgetPresets();
  }
  void TearDown() override {
    if (QDialog* alert = test::VisibleAlert()) alert->reject();
    delegate.reset();
    ForgetPresets();
  }
  void Start() { delegate = test::StartApplication(); }
  // Started with a batch run whose ends are counted, writing without questions.
  void StartForRuns() {
    Start();
    controller = InstallBatchRun(*delegate);
    QObject::connect(controller, &BatchController::runFinished,
                     [this](const BatchRunResult&) { ++runs; });
    p().useAsDestinationFolderCheckBox->setChecked(false);
    p().doNotShowAlertCheckBox->setChecked(true);
  }
  OptionPanels& p() { return delegate->panels(); }
  WatermarkModel& watermarks() { return delegate->watermarkContextView->model(); }
  void Type(QLineEdit* field, const QString& text) {
    field->selectAll();
    QTest::keyClicks(field, text);
  }
  // Runs every row into folder, answering the destination dialog.
  void RunInto(const QString& folder) {
    ASSERT_TRUE(test::RunAllInto(*delegate, folder, runs, kTimeoutMs));
  }
  PresetNameSheet& sheet() { return *delegate->AddPresetDialogOutlet(); }
  QComboBox* photo() { return delegate->PhotoPresetPopupButton(); }

  // The sheet's proposal, or the name it selected.
  QString Proposal() { return sheet().name(); }
  void SaveAs(const QString& name) {
    sheet().PresetNameComboboxOutlet->setEditText(name);
    sheet().saveButton->click();
  }
  std::unique_ptr<AppDelegate> delegate;
  test::AlertAnswerer alerts;
  BatchController* controller = nullptr;
  int runs = 0;
};

TEST_F(PresetsWindow, RemovingAResizePresetRenumbersThePresetsAndThePhotoPresets) {
  QVariantMap resize;
  for (int i = 0; i < 3; ++i) {
    resize.insert(QStringLiteral("R%1").arg(i),
                  QVariantMap{{"PresetIndex", qint64(2 - i)}, {"ScaleOption", qint64(0)}});
  }
  Store(PresetKind::kResize, resize);
  Store(PresetKind::kPhoto, {{"OnRemoved", QVariantMap{{"ResizePresetIndex", qint64(20)}}},
                             {"OnLater", QVariantMap{{"ResizePresetIndex", qint64(21)}}},
                             {"OnEarlier", QVariantMap{{"ResizePresetIndex", qint64(19)}}}});
  Start();
  QComboBox* sizes = p().imageDimentionsPopupOutlet;
  ASSERT_EQ(ItemsFrom(sizes, 19), (QStringList{"R2", "R1", "R0"})) << "listed by their index";
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  delegate->AddPresetAction(p().savePresetButton);
  ASSERT_TRUE(sheet().isVisible());
  sheet().PresetNameComboboxOutlet->setEditText(QStringLiteral("R1"));
  alerts.answers << "defaultButton";
  sheet().removeButton->click();
  EXPECT_EQ(alerts.titles, QStringList{LocalizedString("RemoveExistPresetAlertMsg").arg("R1")});

  const QVariantMap after = Stored(PresetKind::kResize);
  EXPECT_FALSE(after.contains("R1"));
  EXPECT_EQ(Entry(after, "R0").value("PresetIndex").toLongLong(), 1);
  EXPECT_EQ(Entry(after, "R2").value("PresetIndex").toLongLong(), 0);
  const QVariantMap photos = Stored(PresetKind::kPhoto);
  EXPECT_EQ(Entry(photos, "OnRemoved").value("ResizePresetIndex").toLongLong(), 0);
  EXPECT_EQ(Entry(photos, "OnLater").value("ResizePresetIndex").toLongLong(), 20);
  EXPECT_EQ(Entry(photos, "OnEarlier").value("ResizePresetIndex").toLongLong(), 19);
  EXPECT_EQ(ItemsFrom(sizes, 19), (QStringList{"R2", "R0"}));
  EXPECT_TRUE(sheet().isVisible()) << "the sheet stays open after a removal";

  // A name the file does not hold is reported, and nothing is asked.
  sheet().PresetNameComboboxOutlet->setEditText(QStringLiteral("R1"));
  alerts.answers << "defaultButton";
  sheet().removeButton->click();
  EXPECT_EQ(alerts.titles.value(1), LocalizedString("PresetNotExistAlertMsg").arg("R1"));
  sheet().cancelButton->click();
  EXPECT_FALSE(sheet().isVisible());
}

TEST_F(PresetsWindow, PhotoNamesAreProposedRefusedAndAskedAbout) {
  Start();
  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  EXPECT_EQ(Proposal(), QStringLiteral("New Preset"));
  alerts.answers << "defaultButton";
  SaveAs(photo()->itemText(0));
  EXPECT_EQ(alerts.titles,
            QStringList{LocalizedString("DefaultPresetAlertTitle").arg(photo()->itemText(0))});
  EXPECT_TRUE(sheet().isVisible());
  // A write that fails is reported and adds nothing.
  alerts.answers << "defaultButton";
  {
    test::FileSizeLimit limit(16);
    SaveAs(QStringLiteral("Kept"));
  }
  EXPECT_EQ(alerts.titles.value(1), LocalizedString("PresetWriteFailedAlertMsg").arg("Kept"));
  EXPECT_TRUE(sheet().isVisible());
  EXPECT_EQ(photo()->count(), 1);
  EXPECT_FALSE(QFile::exists(FileOf(PresetKind::kPhoto)));

  SaveAs(QStringLiteral("New Preset"));
  EXPECT_FALSE(sheet().isVisible());
  EXPECT_EQ(photo()->currentIndex(), 1);
  for (const char* next : {"New Preset 1", "New Preset 2"}) {
    test::Choose(photo(), 0);
    delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
    EXPECT_EQ(Proposal(), QString::fromLatin1(next));
    SaveAs(Proposal());
  }
  const QVariantMap saved = Stored(PresetKind::kPhoto);
  EXPECT_EQ(Entry(saved, "New Preset 2").value("PhotoPresetIndex").toLongLong(), 2);

  // With a stored preset chosen the sheet offers its name; the second button keeps everything.
  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  EXPECT_EQ(Proposal(), QStringLiteral("New Preset 2"));
  delegate->SwitchOnOffHeader(kEffectGroup, true, true);
  alerts.answers << "alterButton";
  SaveAs(QStringLiteral("New Preset"));
  EXPECT_EQ(alerts.titles.value(2), LocalizedString("PresetExistAlertMsg").arg("New Preset"));
  EXPECT_TRUE(sheet().isVisible());
  EXPECT_EQ(Stored(PresetKind::kPhoto), saved);
  sheet().cancelButton->click();
}

TEST_F(PresetsWindow, SizesAndPatternsAreProposedFromTheFieldsAndComeBackFromTheirItems) {
  Start();
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  test::Choose(p().imageDimentionsPopupOutlet, 17);  // width 1024, no height
  p().widthTextField->setText(QStringLiteral("800"));
  delegate->AddPresetAction(p().savePresetButton);
  EXPECT_EQ(Proposal(), QStringLiteral("800 (pixels)"));
  sheet().cancelButton->click();

  test::Choose(p().imageDimentionsPopupOutlet, 4);  // 800 x 600, fit
  delegate->AddPresetAction(p().savePresetButton);
  EXPECT_EQ(Proposal(), QStringLiteral("800 x 600 (pixels)"));
  SaveAs(Proposal());
  EXPECT_EQ(p().imageDimentionsPopupOutlet->currentIndex(), 19);
  const QVariantMap stored = Entry(Stored(PresetKind::kResize), "800 x 600 (pixels)");
  EXPECT_EQ(stored.value("Width").toString(), QStringLiteral("800"));
  EXPECT_EQ(stored.value("Height").toString(), QStringLiteral("600"));
  EXPECT_EQ(stored.value("ScaleOption").toLongLong(), 2);
  EXPECT_FALSE(stored.contains("ResolutionValue"));

  delegate->AddPresetAction(p().savePresetButton);
  EXPECT_EQ(sheet().PresetNameComboboxOutlet->currentIndex(), 0) << "the chosen preset";
  sheet().cancelButton->click();

  // A rename pattern is proposed as it reads and comes back from its item.
  delegate->SwitchOnOffHeader(kRenameGroup, true, true);
  const TokenArray pattern{QStringLiteral("trip_"), QVXWatermarkTextToken(QStringLiteral("#"), 1)};
  delegate->renameTokenTextFieldOutlet()->setTokens(pattern);
  delegate->AddRenamePresetAction(p().saveRenamePresetButton);
  EXPECT_EQ(Proposal(), QStringLiteral("trip_<#>"));
  SaveAs(Proposal());
  EXPECT_EQ(p().renamePresetPopupOutlet->currentIndex(), 8);
  test::Choose(p().renamePresetPopupOutlet, 6);
  EXPECT_NE(delegate->renameTokenTextFieldOutlet()->tokens(), pattern);
  test::Choose(p().renamePresetPopupOutlet, 8);
  EXPECT_EQ(delegate->renameTokenTextFieldOutlet()->tokens(), pattern);
}

TEST_F(PresetsWindow, ARemovedTextWatermarkLeavesThePhotoPresetsAndTheLaterRowsMoveUp) {
  Store(PresetKind::kPhoto,
        {{"A", QVariantMap{{"TextWatermarkPresetIndex", ArchiveIndexSet({0, 1, 3})}}},
         {"B", QVariantMap{{"TextWatermarkPresetIndex", ArchiveIndexSet({0})}}},
         {"C", QVariantMap{{"TextWatermarkPresetIndex", QByteArray("damaged")}}}});
  Start();
  WatermarkView& editor = *delegate->watermarkContextView;
  ASSERT_GE(editor.model().presetRowCount(), 3);
  editor.RemovePreset(editor.model().presetRow(1)->title);
  const QVariantMap photos = Stored(PresetKind::kPhoto);
  const auto rows = [&](const char* name) {
    return UnarchiveIndexSet(Entry(photos, name).value("TextWatermarkPresetIndex").toByteArray());
  };
  EXPECT_EQ(rows("A"), (QList<qint64>{0, 2}));
  EXPECT_EQ(rows("B"), (QList<qint64>{0}));
  EXPECT_EQ(Entry(photos, "C").value("TextWatermarkPresetIndex").toByteArray(), "damaged");
}

TEST_F(PresetsWindow, RemovingAPhotoPresetDeletesOnlyItsOwnPictureCopy) {
  QDir().mkpath(SupportFolderPath());
  const QString copy = SupportFolderPath() + "/watermark_image41";
  const QString foreign = test::MakeTempFolder() + "/watermark_image42";
  const QString notACopy = SupportFolderPath() + "/notes.txt";
  for (const QString& path : {copy, foreign, notACopy}) ASSERT_TRUE(test::WriteBytes(path, "x"));
  Store(PresetKind::kPhoto, {{"Own", QVariantMap{{"ImagePath", copy}}},
                             {"Foreign", QVariantMap{{"ImagePath", foreign}}},
                             {"Other", QVariantMap{{"ImagePath", notACopy}}}});
  Start();
  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  for (const char* name : {"Own", "Foreign", "Other"}) {
    alerts.answers << "defaultButton";
    sheet().PresetNameComboboxOutlet->setEditText(QString::fromLatin1(name));
    sheet().removeButton->click();
  }
  EXPECT_FALSE(QFile::exists(copy));
  EXPECT_TRUE(QFile::exists(foreign));
  EXPECT_TRUE(QFile::exists(notACopy));
  EXPECT_TRUE(Stored(PresetKind::kPhoto).isEmpty());
  EXPECT_EQ(photo()->count(), 1);
  QFile::remove(notACopy);
  sheet().cancelButton->click();
}

TEST_F(PresetsWindow, APhotoPresetAppliedAfterAResetRunsByteForByteAsBeforeSaving) {
  StartForRuns();
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
  test::ChooseTag(p().destImageTypePopUpButton, 4);  // JPEG
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
  test::ChooseTag(p().OptimizationPopupOutlet, 3);

  const QString before = test::MakeTempFolder(QStringLiteral("before"));
  RunInto(before);
  const QMap<QString, QByteArray> expected = FilesIn(before);
  ASSERT_EQ(expected.keys(), (QStringList{"trip_1_150.jpg", "trip_2_150.jpg"}));
  ASSERT_EQ(QImage::fromData(expected.first()).width(), 150);

  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  SaveAs(QStringLiteral("Trip"));
  QComboBox* photo = delegate->PhotoPresetPopupButton();
  ASSERT_EQ(photo->currentText(), QStringLiteral("Trip"));

  test::Choose(photo, 0);
  EXPECT_FALSE(delegate->isGroupOn(kEffectGroup));
  EXPECT_EQ(p().imageQualityStepper->value(), 80);
  EXPECT_EQ(p().OptimizationPopupOutlet->currentText(), QStringLiteral("JPEG files"));
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
  StartForRuns();
  EXPECT_EQ(delegate->PhotoPresetPopupButton()->currentText(), QStringLiteral("Trip"));
  EXPECT_TRUE(delegate->isGroupOn(kEffectGroup));
  EXPECT_EQ(p().effectsRadioButtonOutlet->checkedId(), 3);
  EXPECT_EQ(TickedTextWatermarkRows(watermarks()), (QList<qint64>{0, 2}));

  // The top quality is a quality like any other.
  p().imageQualityStepper->setValue(100);
  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  SaveAs(QStringLiteral("Best"));
  p().imageQualityStepper->setValue(50);
  QComboBox* presets = delegate->PhotoPresetPopupButton();
  test::Choose(presets, presets->findText(QStringLiteral("Best")));
  EXPECT_EQ(p().imageQualityStepper->value(), 100);
  EXPECT_EQ(p().imageQualitySlider->doubleValue(), 1.0);
}

TEST_F(PresetsWindow, PresetFilesEditedIntoNonsenseFallBackKeyByKey) {
  // A truncated rename file lists nothing; the other files still load.
  ASSERT_TRUE(test::WriteBytes(
      FileOf(PresetKind::kRename),
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>Cut</key><dict><key>P"));
  const QVariantMap odd{{"PresetIndex", "first"},  {"ScaleOption", "wide"},
                        {"InputType", qint64(99)}, {"Width", qint64(5)},
                        {"Height", "abc"},         {"Sharpen", "yes"},
                        {"ResolutionFlag", true},  {"ResolutionValue", qint64(7)}};
  const QVariantMap good{{"PresetIndex", qint64(0)},
                         {"ScaleOption", qint64(0)},
                         {"InputType", qint64(2)},
                         {"Width", "321"}};
  ASSERT_TRUE(
      WritePresetFile(PresetKind::kResize,
                      {{"Good", good}, {"Junk", QStringLiteral("no dictionary")}, {"Odd", odd}}));
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
  StartForRuns();

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
