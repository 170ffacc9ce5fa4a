#include "app/general_options.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>

#include "app/app_delegate.h"
#include "app_fixtures.h"
#include "platform/folders.h"
#include "platform/preferences.h"

namespace glimbrik {
namespace {

QVariantMap ReadGeneralFile() {
  QVariantMap dictionary;
  EXPECT_TRUE(ReadPreferenceDictionary(&dictionary, QString::fromLatin1(kGeneralPrefFile)));
  return dictionary;
}

class GeneralOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ForgetGeneralOptions(); }
  void TearDown() override { test::ForgetGeneralOptions(); }
};

TEST_F(GeneralOptionsTest, FirstStartShowsConversionOnlyAndQuitWritesTheDefaults) {
  auto app = test::StartApplication();
  const auto& groups = app->configurations();
  ASSERT_EQ(groups.size(), 7u);
  QVXOutlineView* sidebar = app->window()->configurationCollection;
  for (int group = 0; group < 7; ++group) {
    SCOPED_TRACE(group);
    EXPECT_EQ(groups[group]->switchState, group == 0);
    QCheckBox* switchButton = sidebar->headerView(group)->onOffSwitchButtonOutlet;
    EXPECT_EQ(switchButton->isChecked(), group == 0);
    EXPECT_EQ(switchButton->isEnabled(), group != 0);
    EXPECT_EQ(sidebar->isItemExpanded(group), group == 0);
  }
  const OptionPanels& p = app->panels();
  EXPECT_FALSE(p.preserveModifiedDateCheckButton->isEnabled()) << "follows the creation-date box";

  app->applicationWillTerminate();
  const QVariantMap written = ReadGeneralFile();
  // Stored states are integers, as files written before expect.
  const QVariantMap expected = {{"PhotoPresetIndex", 0},
                                {"AddRecusrsively", 1},
                                {"MetaData", 1},
                                {"OverWriteFile", 0},
                                {"PrsereveCreationDate", 0},
                                {"PrsereveModificaionDate", 1},
                                {"DoNotShowAlert", 0},
                                {"ImageType", 0}};
  for (auto it = expected.begin(); it != expected.end(); ++it) {
    SCOPED_TRACE(it.key().toStdString());
    ASSERT_TRUE(written.contains(it.key()));
    EXPECT_EQ(written.value(it.key()).typeId(), QMetaType::LongLong);
    EXPECT_EQ(written.value(it.key()).toLongLong(), it.value().toLongLong());
  }
  EXPECT_EQ(written.value("ImageQuality").toDouble(), 0.800000011920929);
  EXPECT_EQ(written.value("AutoAdjustColorLevels").typeId(), QMetaType::Bool);
  EXPECT_FALSE(written.value("AutoAdjustColorLevels").toBool());
  EXPECT_FALSE(written.contains("DestinationURL"));
  EXPECT_FALSE(written.contains("ColorProfile"));
  p.preserveCreatedDateCheckButton->click();
  EXPECT_TRUE(p.preserveModifiedDateCheckButton->isEnabled());
}

TEST_F(GeneralOptionsTest, SecondStartRestoresChangedValues) {
  const QString destination = test::MakeTempFolder("destination");
  {
    auto app = test::StartApplication();
    OptionPanels& p = app->panels();
    p.mAddRecursiveCheckBoxButton->setChecked(false);
    p.overwriteExistingCheckButton->setChecked(true);
    p.preserveCreatedDateCheckButton->setChecked(true);
    p.doNotShowPNGOptimizationAlertCheckBox->setChecked(true);
    SelectItemWithTag(p.destImageTypePopUpButton, 7);
    p.imageQualitySlider->setDoubleValue(0.55);
    p.autoAdjustColorLevelsCheckButton->setChecked(true);
    app->SetDestinationURLData(destination.toUtf8());
    p.useAsDestinationFolderCheckBox->setChecked(true);
    app->applicationWillTerminate();
  }
  auto app = test::StartApplication();
  const OptionPanels& p = app->panels();
  EXPECT_FALSE(p.mAddRecursiveCheckBoxButton->isChecked());
  EXPECT_TRUE(p.overwriteExistingCheckButton->isChecked());
  EXPECT_TRUE(p.preserveCreatedDateCheckButton->isChecked());
  EXPECT_TRUE(p.preserveModifiedDateCheckButton->isEnabled());
  EXPECT_TRUE(p.doNotShowPNGOptimizationAlertCheckBox->isChecked());
  EXPECT_FALSE(p.doNotShowAlertCheckBox->isChecked()) << "the two notes are stored apart";
  EXPECT_EQ(SelectedTag(p.destImageTypePopUpButton), 7);
  EXPECT_DOUBLE_EQ(p.imageQualitySlider->doubleValue(), 0.55);
  EXPECT_EQ(p.imageQualityEditFieldOutlet->text(), QStringLiteral("55"));
  EXPECT_TRUE(p.autoAdjustColorLevelsCheckButton->isChecked());
  EXPECT_FALSE(p.autoEnhancementCheckButton->isChecked());
  EXPECT_EQ(app->destinationURL(), destination);
  EXPECT_TRUE(p.useAsDestinationFolderCheckBox->isChecked());
}

TEST_F(GeneralOptionsTest, AnOutOfRangePhotoPresetFallsBackToTheDefault) {
  QVariantMap stored = DictionaryFromGeneralOptions(GeneralOptions{});
  stored.insert("PhotoPresetIndex", 5);
  ASSERT_TRUE(WritePreferenceDictionary(stored, QString::fromLatin1(kGeneralPrefFile)));
  auto app = test::StartApplication();
  EXPECT_EQ(app->PhotoPresetPopupButton()->currentIndex(), 0);
  app->applicationWillTerminate();
  EXPECT_EQ(ReadGeneralFile().value("PhotoPresetIndex").toLongLong(), 0);
}

TEST(GeneralOptionsDictionary, MissingKeysTakeDefaultsAndOtherTypesReadThroughTheirNumber) {
  EXPECT_TRUE(GeneralOptionsFromDictionary({}).preserveModificationDate);
  const GeneralOptions odd = GeneralOptionsFromDictionary({{"AddRecusrsively", QStringLiteral("0")},
                                                           {"OverWriteFile", 2.0},
                                                           {"MetaData", false},
                                                           {"ImageType", QStringLiteral("7")},
                                                           {"AutoEnhancement", 1},
                                                           {"ImageQuality", QStringLiteral("bad")},
                                                           {"ColorProfile", 42}});
  EXPECT_FALSE(odd.addRecursively);
  EXPECT_TRUE(odd.overWriteFile) << "any non-zero state is on";
  EXPECT_FALSE(odd.metaData);
  EXPECT_EQ(odd.imageType, 7);
  EXPECT_TRUE(odd.autoEnhancement);
  EXPECT_EQ(odd.imageQuality, 0.800000011920929) << "an unreadable value keeps the default";
  EXPECT_TRUE(odd.colorProfile.isNull());
}

TEST(ApplicationSupportFolder, PreviewFolderIsASiblingAndIsRemovedAtQuit) {
  const QString preview = AppDelegate::ApplicationSupportFolder(QStringLiteral("GlimbrikPreview"));
  ASSERT_FALSE(preview.isEmpty());
  EXPECT_EQ(QFileInfo(preview).absolutePath(), QFileInfo(SupportFolderPath()).absolutePath());
  EXPECT_TRUE(QFileInfo(preview).isDir());
  QFile stale(preview + QStringLiteral("/old.jpg"));
  ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
  stale.close();
  auto app = test::StartApplication();
  app->applicationWillTerminate();
  EXPECT_FALSE(QFileInfo::exists(preview + QStringLiteral("/old.jpg")));
  test::ForgetGeneralOptions();
}

TEST(ApplicationSupportFolder, AFolderThatCannotBeMadeIsReported) {
  EXPECT_TRUE(AppDelegate::MissingFolderMessage().isEmpty());
  const QString blocker = test::MakeTempFolder("blocked") + QStringLiteral("/file");
  test::WriteGarbage(blocker, 4);
  const QByteArray saved = qgetenv("GLIMBRIK_SUPPORT_DIR");
  qputenv("GLIMBRIK_SUPPORT_DIR", (blocker + QStringLiteral("/Glimbrik")).toUtf8());
  const QString message = AppDelegate::MissingFolderMessage();
  qputenv("GLIMBRIK_SUPPORT_DIR", saved);
  EXPECT_FALSE(message.isEmpty());
  EXPECT_TRUE(AppDelegate::MissingFolderMessage().isEmpty());
}

}  // namespace
}  // namespace glimbrik
