#include <gtest/gtest.h>
#include <lcms2.h>

#include <QDir>
#include <QFile>
#include <QListView>
#include <QTest>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/presets/preset_files.h"
#include "platform/image_fixtures.h"
#include "platform/store/preferences.h"

namespace glimbrik {
namespace {

constexpr char kSystemCMYK[] = "/usr/share/color/icc/ghostscript/default_cmyk.icc";

// Saves the profile under the given description, and closes it.
bool SaveDescribed(cmsHPROFILE profile, const QString& path, const char* description) {
  if (!profile) return false;
  cmsMLU* text = cmsMLUalloc(nullptr, 1);
  cmsMLUsetASCII(text, "en", "US", description);
  cmsWriteTag(profile, cmsSigProfileDescriptionTag, text);
  cmsMLUfree(text);
  const bool ok = cmsSaveProfileToFile(profile, QFile::encodeName(path).constData());
  cmsCloseProfile(profile);
  return ok;
}

// Writes a profile with the given description and device class: sRGB, or the system's CMYK
// profile retitled.
bool WriteProfile(const QString& path, const char* description, cmsProfileClassSignature cls,
                  bool cmyk = false) {
  cmsHPROFILE profile = cmyk ? cmsOpenProfileFromFile(kSystemCMYK, "r") : cmsCreate_sRGBProfile();
  if (profile) cmsSetDeviceClass(profile, cls);
  return SaveDescribed(profile, path, description);
}

// A grey display profile: D50 white and a gamma of 2.2.
bool WriteGreyProfile(const QString& path, const char* description) {
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
  cmsHPROFILE profile = cmsCreateGrayProfile(cmsD50_xyY(), gamma);
  cmsFreeToneCurve(gamma);
  return SaveDescribed(profile, path, description);
}

QStringList Titles(const QComboBox* popup) {
  QStringList titles;
  for (int i = 0; i < popup->count(); ++i) titles << popup->itemText(i);
  return titles;
}

class ColorProfilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!QFile::exists(QString::fromLatin1(kSystemCMYK)))
      FAIL() << kSystemCMYK << " is missing: scripts/setup.sh installs it";
    test::ForgetGeneralOptions();
    folder = QDir::homePath() + QStringLiteral("/.local/share/icc");
    QDir(folder).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteProfile(folder + "/t-rgb.icc", "T RGB", cmsSigDisplayClass));
    ASSERT_TRUE(WriteProfile(folder + "/t-cmyk.icc", "T CMYK", cmsSigOutputClass, true));
    ASSERT_TRUE(WriteProfile(folder + "/t-scan.icc", "T Scan", cmsSigInputClass));
    ASSERT_TRUE(WriteProfile(folder + "/dup1.icc", "Dup", cmsSigDisplayClass));
    ASSERT_TRUE(WriteProfile(folder + "/dup2.icc", "Dup", cmsSigDisplayClass));
    ASSERT_TRUE(WriteProfile(folder + "/same-rgb.icc", "T Same", cmsSigDisplayClass));
    ASSERT_TRUE(WriteProfile(folder + "/same-cmyk.icc", "T Same", cmsSigOutputClass, true));
    ASSERT_TRUE(WriteGreyProfile(folder + "/t-grey.icc", "T Grey"));
  }
  void TearDown() override {
    QDir(folder).removeRecursively();
    test::ForgetGeneralOptions();
  }
  QString folder;
};

TEST_F(ColorProfilesTest, ThePopUpListsDisplayAndOutputProfilesOncePerNameInTheirGroups) {
  auto app = test::StartApplication();
  QComboBox* popup = app->colorProfilePopUpButton();
  const QStringList titles = Titles(popup);
  EXPECT_EQ(titles.value(0), QStringLiteral("Keep Original"));
  EXPECT_EQ(titles.count(QStringLiteral("Dup")), 1);
  EXPECT_FALSE(titles.contains(QStringLiteral("T Scan")));
  EXPECT_EQ(titles.count(QStringLiteral("T Same")), 2) << "one in each space";
  const int rgb = titles.indexOf(QStringLiteral("T RGB"));
  const int cmyk = titles.indexOf(QStringLiteral("T CMYK"));
  ASSERT_GT(rgb, 1);
  ASSERT_GT(cmyk, rgb);
  EXPECT_EQ(popup->itemData(rgb).toInt(), 1);
  EXPECT_EQ(popup->itemData(cmyk).toInt(), 2);
  EXPECT_TRUE(titles.value(1).isEmpty()) << "a separator heads the RGB group";

  // The CMYK one of two equal titles is found by its path, not by its title.
  ASSERT_TRUE(SelectItemWithTag(app->destImageTypePopUpButton(), 10));
  app->SelectProfileForPath(folder + "/same-cmyk.icc");
  ASSERT_NE(app->GetSelectedColorSpaceRef(), nullptr);
  EXPECT_EQ(app->GetSelectedColorSpaceRef()->model(), ColorModel::CMYK);
  app->SelectProfileForPath(folder + "/same-rgb.icc");
  EXPECT_EQ(app->GetSelectedColorSpaceRef()->model(), ColorModel::RGB);
  // An RGB-only output hides the CMYK group, its separator included, and drops a CMYK choice.
  app->SelectProfileForPath(folder + "/same-cmyk.icc");
  InstallBatchRun(*app);
  ASSERT_TRUE(SelectItemWithTag(app->destImageTypePopUpButton(), 11));
  auto* rows = qobject_cast<QListView*>(popup->view());
  ASSERT_NE(rows, nullptr);
  EXPECT_TRUE(rows->isRowHidden(cmyk));
  EXPECT_TRUE(rows->isRowHidden(titles.indexOf(QString(), 2)));
  EXPECT_FALSE(rows->isRowHidden(rgb));
  EXPECT_EQ(popup->currentIndex(), 0);
  // Grey profiles only for the outputs that can be grey: TIFF yes, an RGB-only output no.
  const int grey = titles.indexOf(QStringLiteral("T Grey"));
  ASSERT_GT(grey, cmyk);
  EXPECT_EQ(popup->itemData(grey).toInt(), 3);
  EXPECT_TRUE(rows->isRowHidden(grey));
  ASSERT_TRUE(SelectItemWithTag(app->destImageTypePopUpButton(), 10));
  EXPECT_FALSE(rows->isRowHidden(grey));
  app->SelectProfileForPath(folder + "/t-grey.icc");
  ASSERT_NE(app->GetSelectedColorSpaceRef(), nullptr);
  EXPECT_EQ(app->GetSelectedColorSpaceRef()->model(), ColorModel::Gray);
  ASSERT_TRUE(SelectItemWithTag(app->destImageTypePopUpButton(), 11));
  EXPECT_TRUE(rows->isRowHidden(grey));
  EXPECT_EQ(popup->currentIndex(), 0) << "a grey choice is dropped with its row";
  app->SelectProfileForPath(QStringLiteral("/nowhere.icc"));
  EXPECT_EQ(popup->currentIndex(), 0);
  EXPECT_EQ(app->GetSelectedColorSpaceRef(), nullptr);
}

TEST_F(ColorProfilesTest, TheProfileChosenBeforeQuittingIsChosenAtTheNextStart) {
  {
    auto app = test::StartApplication();
    test::ChooseTag(app->destImageTypePopUpButton(), 10);
    QComboBox* popup = app->colorProfilePopUpButton();
    const int grey = popup->findText(QStringLiteral("T Grey"));
    ASSERT_GT(grey, 1);
    test::Choose(popup, grey);
    ASSERT_EQ(app->GetSelectedColorProfilePath(), folder + "/t-grey.icc");
    app->applicationWillTerminate();
  }
  auto app = test::StartApplication();
  EXPECT_EQ(SelectedTag(app->destImageTypePopUpButton()), 10);
  EXPECT_EQ(app->colorProfilePopUpButton()->currentText().toStdString(), "T Grey");
  EXPECT_EQ(app->GetSelectedColorProfilePath().toStdString(),
            (folder + "/t-grey.icc").toStdString());
}

TEST_F(ColorProfilesTest, ACMYKProfileMakesACMYKTiffAndIsRememberedWhileItExists) {
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  const QString out = test::MakeTempFolder(QStringLiteral("out"));
  test::WritePng(source + "/c.png", 20, 10);
  {
    auto app = test::StartApplication();
    BatchController* controller = InstallBatchRun(*app);
    int runs = 0;
    QObject::connect(controller, &BatchController::runFinished, [&] { ++runs; });
    OptionPanels& p = app->panels();
    ASSERT_TRUE(test::ConvertOnlyInto(*app, out, 10));
    app->SelectProfileForPath(folder + "/t-cmyk.icc");
    ASSERT_EQ(p.colorProfilePopUpButton->currentText(), QStringLiteral("T CMYK"));
    app->AddUrlsIntoImageListViewAtEnd({source + "/c.png"});
    ASSERT_TRUE(test::WaitForAdding(*app));
    controller->ConvertAllButtonAction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return runs == 1; }, 30000));
    app->applicationWillTerminate();
  }
  const QString tiff = out + "/c.tif";
  ASSERT_TRUE(QFile::exists(tiff)) << QDir(out).entryList().join(',').toStdString();
  const QString info = test::RunTool(QStringLiteral("tiffinfo"), {tiff});
  EXPECT_TRUE(info.contains(QStringLiteral("Photometric Interpretation: separated")))
      << info.toStdString();
  EXPECT_TRUE(info.contains(QStringLiteral("ICC Profile: <present>"))) << info.toStdString();
  const QString description = test::RunTool(
      QStringLiteral("identify"),
      {QStringLiteral("-format"), QStringLiteral("%[colorspace] %[icc:description]"), tiff});
  EXPECT_EQ(description.trimmed(), QStringLiteral("CMYK T CMYK"));

  QVariantMap stored;
  ReadPreferenceDictionary(&stored, QString::fromLatin1(kGeneralPrefFile));
  EXPECT_EQ(stored.value("ColorProfile").toString(), folder + "/t-cmyk.icc");

  ASSERT_TRUE(QFile::remove(folder + "/t-cmyk.icc"));
  auto app = test::StartApplication();
  EXPECT_EQ(app->colorProfilePopUpButton()->currentText(), QStringLiteral("Keep Original"));
  EXPECT_FALSE(Titles(app->colorProfilePopUpButton()).contains(QStringLiteral("T CMYK")));

  // A photo preset saved with "Keep Original" brings it back over a profile chosen since.
  QVariantMap keep;
  app->GetPhotoPreferenceValue(&keep);
  ASSERT_TRUE(WritePresetFile(PresetKind::kPhoto, {{QStringLiteral("Keep"), keep}}));
  app->SelectProfileForPath(folder + "/t-rgb.icc");
  ASSERT_EQ(app->colorProfilePopUpButton()->currentText(), QStringLiteral("T RGB"));
  app->ChangeAndSetPhotoPrefOptions(QStringLiteral("Keep"));
  EXPECT_EQ(app->colorProfilePopUpButton()->currentText(), QStringLiteral("Keep Original"));

  // A preset that switches Conversion off leaves its profile shown but greyed, and the run
  // converts to nothing.
  ASSERT_TRUE(SelectItemWithTag(app->destImageTypePopUpButton(), 10));
  app->SelectProfileForPath(folder + "/t-rgb.icc");
  QVariantMap off;
  app->GetPhotoPreferenceValue(&off);
  off.insert(QString::fromLatin1(kConversionStateKey), false);
  ASSERT_TRUE(WritePresetFile(PresetKind::kPhoto,
                              {{QStringLiteral("Keep"), keep}, {QStringLiteral("Off"), off}}));
  app->ChangeAndSetPhotoPrefOptions(QStringLiteral("Off"));
  ASSERT_FALSE(app->isGroupOn(kConversionGroup));
  EXPECT_EQ(app->colorProfilePopUpButton()->currentText(), QStringLiteral("T RGB"));
  EXPECT_FALSE(app->colorProfilePopUpButton()->isEnabled());
  EXPECT_EQ(app->GetSelectedColorSpaceRef(), nullptr);
}

}  // namespace
}  // namespace glimbrik
