#include "app/settings/general_options.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/settings/about_panel.h"
#include "app/settings/app_store_rating.h"
#include "app/settings/preferences_sheet.h"
#include "app/window/drop_targets.h"
#include "app/window/termination_signals.h"
#include "platform/store/folders.h"
#include "platform/store/localization.h"
#include "platform/store/preferences.h"

namespace glimbrik {
namespace {

QVariantMap ReadGeneralFile() {
  QVariantMap dictionary;
  EXPECT_TRUE(ReadPreferenceDictionary(&dictionary, QString::fromLatin1(kGeneralPrefFile)));
  return dictionary;
}

using test::VisibleFileDialog;

class GeneralOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { test::ForgetGeneralOptions(); }
  void TearDown() override { test::ForgetGeneralOptions(); }
};
using DestinationFolderTest = GeneralOptionsTest;

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
  for (const auto& [key, value] : {std::pair{"PhotoPresetIndex", 0},
                                   {"AddRecusrsively", 1},
                                   {"MetaData", 1},
                                   {"OverWriteFile", 0},
                                   {"PrsereveCreationDate", 0},
                                   {"PrsereveModificaionDate", 1},
                                   {"DoNotShowAlert", 0},
                                   {"ImageType", 0}}) {
    SCOPED_TRACE(key);
    ASSERT_TRUE(written.contains(key));
    EXPECT_EQ(written.value(key).typeId(), QMetaType::LongLong);
    EXPECT_EQ(written.value(key).toLongLong(), value);
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
  EXPECT_TRUE(p.maintainDirectoryCheckButton->isChecked()) << "stored apart from the recursion";

  // The other way round: the two boxes never follow each other.
  app->panels().mAddRecursiveCheckBoxButton->setChecked(true);
  app->panels().maintainDirectoryCheckButton->setChecked(false);
  app->applicationWillTerminate();
  app.reset();
  app = test::StartApplication();
  EXPECT_TRUE(app->panels().mAddRecursiveCheckBoxButton->isChecked());
  EXPECT_FALSE(app->panels().maintainDirectoryCheckButton->isChecked());
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
  ASSERT_TRUE(test::WriteBytes(preview + QStringLiteral("/old.jpg"), "x"));
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

TEST_F(DestinationFolderTest, AChosenFolderSurvivesARelaunchAndAVanishedOneIsForgotten) {
  const QString out = test::MakeTempFolder(QStringLiteral("out"));
  {
    auto app = test::StartApplication();
    OptionPanels& p = app->panels();
    app->PreferencesAction();
    app->SelectDestinationFolder();
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (dialog = VisibleFileDialog()) != nullptr; }));
    EXPECT_EQ(dialog->parentWidget(), app->preferencesDialog());
    dialog->setDirectory(out);
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_EQ(app->destinationURL(), out);
    p.useAsDestinationFolderCheckBox->setChecked(true);
    app->applicationWillTerminate();
  }
  EXPECT_EQ(QFile::decodeName(ReadGeneralFile().value("DestinationURL").toByteArray()), out);
  {
    auto app = test::StartApplication();
    OptionPanels& p = app->panels();
    EXPECT_EQ(p.destinationPathTextField->text(), out);
    EXPECT_TRUE(p.useAsDestinationFolderCheckBox->isChecked());
    EXPECT_TRUE(p.openDestinationButton->isEnabled());
    QList<QUrl> opened;
    app->openWithDesktop = [&](const QUrl& url) {
      opened << url;
      return true;
    };
    p.openDestinationButton->click();
    app->window()->contactSupportAction->trigger();
    app->window()->helpToolbarItem->trigger();
    ASSERT_EQ(opened.size(), 3);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(out));
    EXPECT_EQ(opened[1].scheme(), QStringLiteral("https"));
    // The manual reaches the desktop's viewer as a real PDF file that outlives the application.
    ASSERT_TRUE(opened[2].isLocalFile());
    EXPECT_TRUE(test::ReadBytes(opened[2].toLocalFile()).startsWith("%PDF"));
    EXPECT_TRUE(opened[2].toLocalFile().startsWith(SupportFolderPath() + QLatin1Char('/')));

    // Where nothing opens them (no desktop opener installed), the commands say so.
    app->openWithDesktop = [](const QUrl&) { return false; };
    test::AlertAnswerer alerts;
    alerts.answers = {"defaultButton", "defaultButton"};
    p.openDestinationButton->click();
    app->window()->contactSupportAction->trigger();
    EXPECT_EQ(alerts.titles, QStringList(2, LocalizedString("CannotOpenTitle")));
    ASSERT_EQ(alerts.messages.size(), 2);
    EXPECT_TRUE(alerts.messages[0].contains(out)) << alerts.messages[0].toStdString();
    EXPECT_TRUE(alerts.messages[1].contains(QStringLiteral("https://")));
  }
  ASSERT_TRUE(QDir(out).removeRecursively());
  {
    auto app = test::StartApplication();
    OptionPanels& p = app->panels();
    EXPECT_TRUE(app->destinationURL().isEmpty());
    EXPECT_TRUE(p.destinationPathTextField->text().isEmpty());
    EXPECT_FALSE(p.useAsDestinationFolderCheckBox->isEnabled());
    EXPECT_FALSE(p.openDestinationButton->isEnabled());
    app->applicationWillTerminate();
  }
  EXPECT_FALSE(ReadGeneralFile().contains("DestinationURL"));
}

TEST_F(DestinationFolderTest, AFailedChoiceLeavesNothingBehindToWrite) {
  const QString kept = test::MakeTempFolder(QStringLiteral("kept"));
  auto app = test::StartApplication();
  app->SetDestinationURL(kept);
  ASSERT_EQ(app->destinationURL(), kept);
  test::WriteGarbage(kept + QStringLiteral("/file.txt"), 10);
  // Readable and executable, but no folder.
  QFile(kept + QStringLiteral("/file.txt"))
      .setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
  app->SetDestinationURL(kept + QStringLiteral("/file.txt"));
  EXPECT_TRUE(app->destinationURL().isEmpty());
  EXPECT_FALSE(app->panels().openDestinationButton->isEnabled());
  app->SetDestinationURLData(QByteArray("relative/folder"));
  EXPECT_TRUE(app->destinationURL().isEmpty());
  app->applicationWillTerminate();
  EXPECT_FALSE(ReadGeneralFile().contains("DestinationURL"));
}

TEST_F(DestinationFolderTest, TheDropBoxTakesExactlyOneFolderForItsOwnSetting) {
  const QString a = test::MakeTempFolder(QStringLiteral("a"));
  const QString b = test::MakeTempFolder(QStringLiteral("b"));
  auto app = test::StartApplication();
  app->PreferencesAction();  // the box sits in the sheet, which stops a refused drag
  DragAndDropCommonFolderController* box = app->panels().destinationPathViewCntr;
  EXPECT_FALSE(test::DragEnters(box, {a, b}, QPoint(2, 2)));
  EXPECT_FALSE(test::DragEnters(box, {a + QStringLiteral("/missing")}, QPoint(2, 2)));
  EXPECT_TRUE(test::DragEnters(box, {a}, QPoint(2, 2)));

  EXPECT_TRUE(test::Drops(box, {a}, QPoint(2, 2)));
  EXPECT_EQ(app->destinationURL(), a);

  app->WatchFolderPathChangeAction(b, 2);  // another folder setting's box
  EXPECT_EQ(app->destinationURL(), a);
}

TEST(ImageDropTest, OnlyDragsWithNothingAddableAreRefused) {
  const QString folder = test::MakeTempFolder(QStringLiteral("drop"));
  const QString text = folder + QStringLiteral("/notes.txt");
  const QString picture = folder + QStringLiteral("/p.png");
  test::WriteGarbage(text, 64);
  test::WritePng(picture, 8, 8);
  EXPECT_EQ(ImageDropOperation(test::UrlData({text}).get(), true), Qt::IgnoreAction);
  EXPECT_EQ(ImageDropOperation(test::UrlData({text, picture}).get(), true), Qt::CopyAction);
  EXPECT_EQ(ImageDropOperation(test::UrlData({folder}).get(), true), Qt::CopyAction);
  EXPECT_EQ(ImageDropOperation(test::UrlData({picture}).get(), false), Qt::IgnoreAction);

  test::ForgetGeneralOptions();
  auto app = test::StartApplication();
  EXPECT_FALSE(test::DragEnters(app->window(), {text}, QPoint(2, 2)));
  EXPECT_TRUE(test::DragEnters(app->window(), {folder}, QPoint(2, 2)));
}

TEST_F(DestinationFolderTest, TheSheetGetsItsViewsBackAfterARunBorrowedThem) {
  auto app = test::StartApplication();
  BatchController* controller = InstallBatchRun(*app);
  OptionPanels& p = app->panels();
  const QString source = test::MakeTempFolder(QStringLiteral("src"));
  test::WritePng(source + QStringLiteral("/x.png"), 8, 8);
  app->AddUrlsIntoImageListViewAtEnd({source + QStringLiteral("/x.png")});
  ASSERT_TRUE(test::WaitForAdding(*app));
  controller->ConvertAllButtonAction();
  QFileDialog* dialog = nullptr;
  ASSERT_TRUE(QTest::qWaitFor([&] { return (dialog = VisibleFileDialog()) != nullptr; }));
  EXPECT_TRUE(dialog->isAncestorOf(p.destinationOptionAccessaryView));
  dialog->reject();

  app->PreferencesAction();
  PreferencesSheet* sheet = app->preferencesDialog();
  ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->isVisible(); }));
  for (QWidget* view :
       {p.destinationOptionAccessaryView, static_cast<QWidget*>(p.doNotShowAlertCheckBox),
        static_cast<QWidget*>(p.doNotShowPNGOptimizationAlertCheckBox)}) {
    EXPECT_TRUE(sheet->preferencesMainSubview->isAncestorOf(view))
        << view->objectName().toStdString();
    EXPECT_TRUE(view->isVisible()) << view->objectName().toStdString();
  }
  // The sheet's own wording, not the completion alert's.
  EXPECT_EQ(p.doNotShowAlertCheckBox->text(),
            QStringLiteral("Do not show the message at the end of an export"));
  EXPECT_EQ(p.doNotShowPNGOptimizationAlertCheckBox->text(),
            QStringLiteral("Do not show the note on PNG optimization"));
  sheet->okButton->click();
  EXPECT_FALSE(sheet->isVisible());
}

TEST(TerminationSignals, EndTheEventLoopAsQuitDoes) {
  QObject owner;
  ASSERT_TRUE(QuitOnTerminationSignals(&owner));
  QSignalSpy aboutToQuit(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
  for (const int signal : {SIGTERM, SIGHUP}) {
    bool timedOut = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [&timedOut] {
      timedOut = true;
      QCoreApplication::exit(1);
    });
    guard.start(10000);
    QTimer::singleShot(0, [signal] { ::raise(signal); });
    EXPECT_EQ(QCoreApplication::exec(), 0) << signal;
    EXPECT_FALSE(timedOut) << signal;
  }
  // What the application writes on quitting hangs on this signal.
  EXPECT_EQ(aboutToQuit.count(), 2);
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) std::signal(signal, SIG_DFL);
}

QString Value(const char* key, const char* json) {
  return MacAppStoreRating::valueForKey(QString::fromLatin1(key), QString::fromUtf8(json));
}

TEST(StoreReplyScan, ValuesAreReadWholeAndDecoded) {
  EXPECT_EQ(Value("trackName", R"({"trackName":"A, B", "x":1})"), QStringLiteral("A, B"));
  EXPECT_EQ(Value("n", R"({"n":"Caf\u00e9", "m":2})"), QStringLiteral("Caf\u00e9"));
  EXPECT_EQ(Value("n", R"({"n":"a\\nb \"q\" \/ \t"})"), QStringLiteral("a\\nb \"q\" / \t"))
      << "an escaped backslash starts no second escape";
  EXPECT_EQ(Value("trackId", R"({"a":{"trackId": 42 }})"), QStringLiteral("42"));
  EXPECT_EQ(Value("last", R"({"last":5])"), QStringLiteral("5"));
  EXPECT_TRUE(Value("missing", R"({"a":1})").isNull());
  EXPECT_TRUE(Value("open", R"({"open":"never closed)").isNull());
  EXPECT_TRUE(Value("bare", R"({"bare":12)").isNull());
}

TEST(StoreReplyScan, TheStoreIdentifierIsLearntOnlyForThisBundle) {
  MacAppStoreRating rating;
  rating.applicationBundleID = QStringLiteral("com.example.App");
  rating.appStoreCountry = QStringLiteral("DE");
  EXPECT_EQ(
      rating.lookupURL().toString(),
      QStringLiteral("https://store.tarnwell.example/lookup?country=DE&bundleId=com.example.App"));
  QList<QUrl> opened;
  const auto open = [&](const QUrl& url) {
    opened << url;
    return true;
  };
  rating.RateApplicationAction(open);
  EXPECT_TRUE(opened.isEmpty()) << "nothing to rate before the identifier is known";

  rating.applyLookupResponse(R"({"results":[{"trackId":99,"bundleId":"com.example.Other"}]})");
  EXPECT_EQ(rating.appStoreID.load(), 0u);
  rating.applyLookupResponse(R"({"results":[{"trackId":12345,"bundleId":"com.example.App"}]})");
  EXPECT_EQ(rating.appStoreID.load(), 12345u);
  EXPECT_EQ(rating.lookupURL().scheme(), QStringLiteral("https"));
  EXPECT_TRUE(rating.lookupURL().query().contains(QStringLiteral("id=12345")));
  rating.RateApplicationAction(open);
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].path().endsWith(QStringLiteral("/id12345")));
}

TEST(AboutPanel, ShowsTheBundleFactsAndHidesWhenItIsNoLongerActive) {
  EXPECT_EQ(AboutVersionString(QString(), QString()), QStringLiteral("1 (1)"));
  EXPECT_EQ(AboutVersionString(QStringLiteral("2.5"), QStringLiteral("77")),
            QStringLiteral("2.5 (77)"));

  AboutPanelController* about = AboutPanelController::sharedInstance();
  EXPECT_EQ(about, AboutPanelController::sharedInstance());
  EXPECT_EQ(about->versionField->text(), QStringLiteral("0.1 (1)"));
  // Every library that reads a kind of picture the program takes is credited.
  const QString credits = about->otherInfoField->text();
  for (const char* library : {"libjpeg-turbo", "libpng", "libtiff", "libwebp", "giflib", "OpenJPEG",
                              "LibRaw", "libheif", "OpenEXR", "Poppler"}) {
    EXPECT_TRUE(credits.contains(QLatin1String(library))) << library;
  }

  about->showPanel();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(about->aboutWindow));
  QEvent deactivate(QEvent::WindowDeactivate);
  QCoreApplication::sendEvent(about->aboutWindow, &deactivate);
  EXPECT_FALSE(about->aboutWindow->isVisible());
}

}  // namespace
}  // namespace glimbrik
