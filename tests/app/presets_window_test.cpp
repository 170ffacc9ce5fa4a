#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/app_delegate.h"
#include "app/custom_alert.h"
#include "app/preset_files.h"
#include "app/preset_sheet.h"
#include "app_fixtures.h"
#include "platform/folders.h"
#include "platform/keyed_archive.h"
#include "platform/localization.h"
#include "platform/preferences.h"
#include "support/file_size_limit.h"
#include "watermark/watermark_keys.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 20000;

QString FileOf(PresetKind kind) {
  return PreferenceFilePath(QString::fromLatin1(InfoForPresetKind(kind).file));
}

void ForgetPresets() {
  for (PresetKind kind : {PresetKind::kResize, PresetKind::kRename, PresetKind::kPhoto})
    QFile::remove(FileOf(kind));
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
  OptionPanels& p() { return delegate->panels(); }
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
  EXPECT_EQ(alerts.titles.value(1), LocalizedString("PresetExistAlertMsg").arg("New Preset"));
  EXPECT_TRUE(sheet().isVisible());
  EXPECT_EQ(Stored(PresetKind::kPhoto), saved);
  sheet().cancelButton->click();
}

TEST_F(PresetsWindow, ASizeIsProposedFromTheFieldsInUseAndSavedAsTheyShowIt) {
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
}

TEST_F(PresetsWindow, AStoredRenamePatternComesBackFromItsItem) {
  Start();
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

TEST_F(PresetsWindow, AFailedWriteIsReportedAndChangesNothing) {
  Start();
  delegate->AddPhotoPresetAction(delegate->window()->savePhotoPresetButton);
  alerts.answers << "defaultButton";
  {
    test::FileSizeLimit limit(16);
    SaveAs(QStringLiteral("Kept"));
  }
  EXPECT_EQ(alerts.titles, QStringList{LocalizedString("PresetWriteFailedAlertMsg").arg("Kept")});
  EXPECT_TRUE(sheet().isVisible());
  EXPECT_EQ(photo()->count(), 1);
  sheet().cancelButton->click();
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
  for (const QString& path : {copy, foreign, notACopy}) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("x");
  }
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

TEST(PresetFiles, TitlesFollowTheirIndexWithTiesInPlaceAndTheUnindexedLast) {
  const QVariantMap presets{{"b", QVariantMap{{"PresetIndex", qint64(1)}}},
                            {"a", QVariantMap{{"PresetIndex", 1.0}}},
                            {"c", QVariantMap{{"PresetIndex", "0"}}},
                            {"d", QVariantMap{{"PresetIndex", qint64(0)}}},
                            {"e", QVariantMap{}},
                            {"f", qint64(3)}};
  EXPECT_EQ(SortedPresetTitles(presets, "PresetIndex"), (QStringList{"d", "a", "b", "c", "e"}));
  EXPECT_EQ(NextPresetIndex(presets, "PresetIndex"), 6) << "past the count";
  EXPECT_EQ(NextPresetIndex({{"x", QVariantMap{{"PresetIndex", qint64(9)}}}}, "PresetIndex"), 10);
}

}  // namespace
}  // namespace glimbrik
