#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QThread>
#include <atomic>

#include "app/app_fixtures.h"
#include "app/batch/batch_engine.h"
#include "app/batch/batch_file_dates.h"
#include "app/batch_test_support.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/list/image_list_view.h"
#include "app/list/rows_drag_data.h"
#include "app/window/custom_alert.h"
#include "engine/convert/resize_math.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 60000;

bool IsJPEG(const QString& path) { return test::ReadBytes(path).startsWith("\xff\xd8\xff"); }

// The real window with the batch run installed; notifications and folder opening recorded.
class BatchWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    delegate = test::StartApplication();
    controller = InstallBatchRun(*delegate);
    controller->context().notify = [this](const QString& title, const QString& text) {
      notifications << title + "|" + text;
    };
    controller->context().openFolder = [this](const QString& folder) { opened << folder; };
    QObject::connect(controller, &BatchController::runFinished, [this](const BatchRunResult& r) {
      result = r;
      ++runs;
    });
    test::ConversionOnly(*delegate);
    p().useAsDestinationFolderCheckBox->setChecked(false);
    p().doNotShowAlertCheckBox->setChecked(false);
    source = test::MakeTempFolder(QStringLiteral("src"));
    dest = test::MakeTempFolder(QStringLiteral("dest"));
  }
  void TearDown() override {
    if (QDialog* alert = test::VisibleAlert()) alert->reject();
    delegate.reset();
  }

  OptionPanels& p() { return delegate->panels(); }

  // Starts a run of count pictures whose files wait (with a limit) for the cancel flag, so
  // that it is surely still going when a test interrupts it.
  void StartHeldRun(int count) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
      paths << source + QStringLiteral("/p%1.png").arg(i);
      ASSERT_TRUE(test::Picture(i).save(paths.back()));
    }
    Add(paths);
    std::atomic<bool>* cancelled = &delegate->isConversionCancelled;
    controller->context().engine = [cancelled](const BatchSnapshot& s) {
      BatchEngine e = DefaultBatchEngine(s);
      e.processImageFile = [cancelled, process = e.processImageFile](ImageConversion* c) {
        const QDeadlineTimer limit(kTimeoutMs);
        while (!*cancelled && !limit.hasExpired()) QThread::msleep(2);
        return process(c);
      };
      return e;
    };
    ASSERT_TRUE(test::StartRunInto(*delegate, dest, kTimeoutMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return p().conversionProgressSheet->isVisible(); }, kTimeoutMs));
  }

  void Add(const QStringList& paths) {
    delegate->AddUrlsIntoImageListViewAtEnd(paths);
    ASSERT_TRUE(test::WaitForAdding(*delegate));
  }

  bool WaitForRun(int count = 1) {
    return QTest::qWaitFor([&] { return runs >= count; }, kTimeoutMs);
  }

  // Runs every row into dest and presses OK on the completion alert; its title.
  QString RunAndConfirm() {
    alerts.answers << QStringLiteral("defaultButton");
    EXPECT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
    EXPECT_TRUE(alerts.answers.isEmpty());
    return alerts.titles.value(alerts.titles.size() - 1);
  }

  void OptimiseToPng() {
    ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
    delegate->SwitchOnOffHeader(kOptimizationGroup, true, true);
    ASSERT_TRUE(SelectItemWithTag(p().OptimizationPopupOutlet, 2));
    p().doNotShowPNGOptimizationAlertCheckBox->setChecked(false);
  }

  std::unique_ptr<AppDelegate> delegate;
  BatchController* controller = nullptr;
  test::AlertAnswerer alerts;
  QStringList notifications;
  QStringList opened;
  BatchRunResult result;
  int runs = 0;
  QString source;
  QString dest;
};

// Answered, the same run keeps the modification date that a new user finds ticked.
TEST_F(BatchWindow, EscapeOnThePngNoteCancelsTheRunAndWritesNothing) {
  const QString path = source + "/photo.jpg";
  ASSERT_TRUE(test::Picture(4).save(path, "JPEG"));
  const QDateTime old =
      QDateTime::fromString(QStringLiteral("2003-04-05T06:07:08.090Z"), Qt::ISODateWithMs);
  ASSERT_TRUE(ApplyFileAttributes(path, FileAttributes{std::nullopt, old}));
  Add({path});
  OptimiseToPng();
  alerts.answers << QStringLiteral("escape");
  ASSERT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
  const QString note = QStringLiteral("PNG optimization takes time");
  EXPECT_EQ(alerts.titles, QStringList{note});
  EXPECT_TRUE(QDir(dest).entryList(QDir::Files).isEmpty());
  EXPECT_TRUE(notifications.isEmpty());

  ASSERT_FALSE(p().preserveCreatedDateCheckButton->isChecked());
  ASSERT_TRUE(p().preserveModifiedDateCheckButton->isChecked());
  alerts.answers << QStringLiteral("defaultButton") << QStringLiteral("defaultButton");
  ASSERT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
  EXPECT_EQ(alerts.titles,
            (QStringList{note, note, QStringLiteral("1 image exported successfully")}));
  EXPECT_EQ(QFileInfo(dest + "/photo.png").lastModified(), old);
  EXPECT_EQ(QFileInfo(path).lastModified(), old);
}

TEST_F(BatchWindow, CancellingEndsWithoutAlertOrNotification) {
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 4));
  StartHeldRun(12);
  // The file steps and two more: the start and the end of the run.
  EXPECT_EQ(p().conversionProgressIndicator->maximum(), 14);
  p().cancelButton->click();
  EXPECT_FALSE(p().cancelButton->isEnabled());
  EXPECT_EQ(p().conversionProgressStaticText->text(),
            QStringLiteral("Cancelling after the current image…"));
  ASSERT_TRUE(WaitForRun());
  EXPECT_TRUE(result.cancelled);
  EXPECT_LT(QDir(dest).entryList(QDir::Files).size(), 12);
  QCoreApplication::sendPostedEvents();  // an alert or notice would have been posted by now
  EXPECT_TRUE(alerts.titles.isEmpty());
  EXPECT_TRUE(notifications.isEmpty());
  EXPECT_FALSE(p().conversionProgressSheet->isVisible());
  EXPECT_TRUE(p().cancelButton->isEnabled());
  EXPECT_FALSE(delegate->isConversionCancelled.load());
}

TEST_F(BatchWindow, InvalidSizesAndResolutionsStopBeforeAnythingIsWritten) {
  ASSERT_TRUE(test::Picture(6).save(source + "/s.png"));
  Add({source + "/s.png"});
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  ASSERT_TRUE(SelectItemWithTag(p().scaleProprtionallyPopupOutlet, 0));
  ASSERT_TRUE(SelectItemWithTag(p().sizeFormatTypePopupButton, 2));
  p().widthTextField->setText(QStringLiteral("0"));

  alerts.answers << QStringLiteral("alterButton");  // Discard clears the field
  ASSERT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
  EXPECT_EQ(alerts.titles, QStringList{QStringLiteral("“0” is not a valid size")});
  EXPECT_FALSE(result.optionsValid);
  EXPECT_TRUE(p().widthTextField->text().isEmpty());
  EXPECT_TRUE(QDir(dest).isEmpty());
  EXPECT_TRUE(notifications.isEmpty());

  p().widthTextField->setText(QStringLiteral("32"));
  p().resolutionCheckBox->setChecked(true);
  p().resolutionComboBoxOutlet->setEditText(QStringLiteral("3001"));
  alerts.answers << QStringLiteral("defaultButton");
  ASSERT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
  EXPECT_EQ(alerts.titles.value(1), QStringLiteral("3001 dpi is not a valid resolution"));
  EXPECT_TRUE(QDir(dest).isEmpty());
  EXPECT_EQ(p().resolutionComboBoxOutlet->currentText(), QStringLiteral("3001"));
}

TEST_F(BatchWindow, EveryScaleModeWritesTheSizeThePanelPredicts) {
  const QString path = source + "/p.jpg";
  test::WriteJpeg(path, 800, 600);
  Add({path});
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  p().overwriteExistingCheckButton->setChecked(true);
  const auto choose = [](QComboBox* popup, int tag) {
    ASSERT_TRUE(SelectItemWithTag(popup, tag));
    emit popup->activated(popup->currentIndex());
  };
  const auto type = [](NumberField* field, const char* text) {
    if (!field->isEnabled()) return;
    field->clear();
    field->insert(QString::fromLatin1(text));
  };
  choose(p().sizeFormatTypePopupButton, 2);
  const QSize expected[7] = {{500, 375}, {600, 450}, {500, 375}, {500, 450},
                             {500, 450}, {600, 450}, {500, 450}};
  for (int mode = 0; mode <= 6; ++mode) {
    SCOPED_TRACE(mode);
    choose(p().scaleProprtionallyPopupOutlet, mode);
    type(p().widthTextField, "500");
    type(p().heightTextField, "450");
    const std::optional<ImageResizeOptions> options = delegate->GetResizingOptions();
    ASSERT_TRUE(options.has_value());
    double w = 800, h = 600, dpi = 72;
    ComputeResizedSize(*options, &w, &h, &dpi);
    EXPECT_EQ(QSize(int(w), int(h)), expected[mode]);
    EXPECT_EQ(RunAndConfirm(), QStringLiteral("1 image exported successfully"));
    EXPECT_EQ(QImage(dest + "/p.png").size(), expected[mode]);
  }

  // Fitted into a box with a background: the margins take the chosen colour.
  choose(p().scaleProprtionallyPopupOutlet, 2);
  type(p().heightTextField, "500");
  p().backgroundColorFitToRectCheckBox->click();
  p().backgroundColorFitToRectColorWellOutlet->setColor(QColor(255, 0, 0));
  EXPECT_EQ(RunAndConfirm(), QStringLiteral("1 image exported successfully"));
  const QImage boxed(dest + "/p.png");
  ASSERT_EQ(boxed.size(), QSize(500, 500));
  EXPECT_EQ(boxed.pixelColor(250, 10), QColor(255, 0, 0));
  EXPECT_EQ(boxed.pixelColor(250, 490), QColor(255, 0, 0));
  const QColor middle = boxed.pixelColor(250, 250);
  EXPECT_LT(std::abs(middle.blue() - 200), 8) << "the picture itself";
  EXPECT_LT(std::abs(middle.red() - 40), 8);
}

TEST_F(BatchWindow, MirroringSendsFilesIntoTheirSubFolders) {
  const QString t = test::MakeTempFolder(QStringLiteral("t"));
  ASSERT_TRUE(QDir().mkpath(t + "/A/B/C/D"));
  ASSERT_TRUE(test::Picture(7).save(t + "/A/B/C/D/x.jpg", "JPEG"));
  delegate->AddUrlsIntoImageListViewAtEndWithRecusrsion({t + "/A/B"});
  ASSERT_TRUE(test::WaitForAdding(*delegate));
  ASSERT_EQ(delegate->imageListViewContents()->rowCount(), 1);
  p().maintainDirectoryCheckButton->setChecked(true);
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 4));
  RunAndConfirm();
  EXPECT_TRUE(IsJPEG(dest + "/C/D/x.jpg"));
}

TEST_F(BatchWindow, DestinationChoiceThenPNGsBecomeJPEGsWithTheAlertAndOneNotification) {
  ASSERT_TRUE(test::Picture(1).save(source + "/a.png"));
  ASSERT_TRUE(test::Picture(2).save(source + "/b.png"));
  Add({source + "/a.png", source + "/b.png"});
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 4));
  const auto fileDialogShown = [] { return test::VisibleFileDialog() != nullptr; };

  // No row selected: nothing is asked and nothing runs.
  delegate->window()->imageListViewOutlet->clearSelection();
  delegate->window()->convertToolbarItem->trigger();
  QCoreApplication::sendPostedEvents();
  EXPECT_FALSE(fileDialogShown());
  EXPECT_FALSE(controller->IsRunning());

  // A cancelled destination dialog converts nothing.
  delegate->window()->convertAllToolbarItem->trigger();
  ASSERT_TRUE(QTest::qWaitFor(fileDialogShown, kTimeoutMs));
  test::VisibleFileDialog()->reject();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(runs, 0);
  EXPECT_TRUE(QDir(dest).isEmpty());

  // The remembered folder with "always save into this folder": no dialog at all.
  delegate->SetDestinationURLData(dest.toUtf8());
  p().useAsDestinationFolderCheckBox->setChecked(true);
  alerts.answers << QStringLiteral("defaultButton");
  delegate->window()->imageListViewOutlet->selectAll();
  delegate->window()->convertToolbarItem->trigger();
  EXPECT_FALSE(fileDialogShown());
  ASSERT_TRUE(WaitForRun());
  EXPECT_EQ(alerts.titles, QStringList{QStringLiteral("2 images exported successfully")});
  EXPECT_TRUE(IsJPEG(dest + "/a.jpg"));
  EXPECT_TRUE(IsJPEG(dest + "/b.jpg"));
  EXPECT_EQ(notifications,
            QStringList{QStringLiteral("Export Completed|2 images exported successfully\n")});
  EXPECT_FALSE(p().conversionProgressSheet->isVisible());
  EXPECT_TRUE(opened.isEmpty());
}

TEST_F(BatchWindow, QuittingDuringARunWaitsForItsWorker) {
  StartHeldRun(8);
  // What quitting the application sends before the window goes.
  ASSERT_TRUE(QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"));
  EXPECT_FALSE(controller->IsRunning());
  EXPECT_TRUE(alerts.titles.isEmpty());
  EXPECT_FALSE(p().conversionProgressSheet->isVisible());
}

// Quit during a run: the files under way finish whole, the rest are not started, and the run
// has ended before the window closes (the preferences are written after that).
TEST_F(BatchWindow, QuitOrCloseDuringARunCancelsItAndKeepsWhatIsWritten) {
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 4));
  StartHeldRun(12);
  // The sheet blocks the window's content but neither its menus nor its close button.
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  EXPECT_FALSE(delegate->window()->centralWidget()->isEnabled());
  EXPECT_TRUE(delegate->window()->menuBar()->isEnabled());
  QTest::keyClick(p().conversionProgressSheet, Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(controller->IsRunning());
  EXPECT_FALSE(delegate->window()->isVisible());
  EXPECT_FALSE(p().conversionProgressSheet->isVisible());
  ASSERT_TRUE(WaitForRun());
  EXPECT_TRUE(result.cancelled);
  const QStringList written = QDir(dest).entryList(QDir::Files);
  EXPECT_LT(written.size(), 12);
  EXPECT_EQ(written.size(), result.written);
  for (const QString& name : written)
    EXPECT_FALSE(QImage(dest + "/" + name).isNull()) << name.toStdString();
  EXPECT_TRUE(delegate->window()->centralWidget()->isEnabled()) << "unlocked for the next start";

  // Closing the window does the same.
  delegate->window()->show();
  QDir(dest).removeRecursively();
  QDir().mkpath(dest);
  StartHeldRun(12);
  EXPECT_TRUE(delegate->window()->close());
  EXPECT_FALSE(controller->IsRunning());
  ASSERT_TRUE(WaitForRun(2));
  EXPECT_TRUE(result.cancelled);
  EXPECT_LT(QDir(dest).entryList(QDir::Files).size(), 12);
}

// Rows dragged out: a drop target asks for the files at the drop and gets those a run of the
// rows writes; over the application's own windows they give nothing and start no run.
TEST_F(BatchWindow, RowsDraggedOutAreWrittenWhenTheDropTargetAsksForThem) {
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  QStringList paths;
  for (const char* name : {"a", "b", "c"}) {
    paths << source + QStringLiteral("/%1.jpg").arg(QString::fromLatin1(name));
    ASSERT_TRUE(test::Picture(3).save(paths.back(), "JPEG"));
  }
  Add(paths);
  ImageListView* list = delegate->window()->imageListViewOutlet;
  EXPECT_TRUE(list->model()->flags(list->model()->index(0, 0)) & Qt::ItemIsDragEnabled);
  ASSERT_TRUE(list->makeDragData);
  std::unique_ptr<QMimeData> data(list->makeDragData({0, 2}));
  auto* rows = qobject_cast<RowsDragData*>(data.get());
  ASSERT_TRUE(rows);
  EXPECT_TRUE(data->hasUrls());
  rows->pointerOverOwnWindow = [] { return true; };
  EXPECT_TRUE(data->urls().isEmpty());
  EXPECT_EQ(runs, 0);

  rows->pointerOverOwnWindow = [] { return false; };
  alerts.answers << QStringLiteral("defaultButton");  // for an alert that must not come
  const QList<QUrl> urls = data->urls();
  ASSERT_EQ(urls.size(), 2);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(QFileInfo(urls[0].toLocalFile()).fileName(), QStringLiteral("a.png"));
  EXPECT_EQ(QFileInfo(urls[1].toLocalFile()).fileName(), QStringLiteral("c.png"));
  for (const QUrl& url : urls) {
    EXPECT_TRUE(test::ReadBytes(url.toLocalFile()).startsWith("\x89PNG"));
    EXPECT_EQ(QImage(url.toLocalFile()).size(), test::Picture(3).size());
  }
  EXPECT_TRUE(alerts.titles.isEmpty()) << "the files go to the target, not to a folder to open";
  EXPECT_TRUE(QDir(dest).entryList(QDir::Files).isEmpty());
  EXPECT_EQ(data->data(QStringLiteral("text/uri-list")),
            urls[0].toEncoded() + "\r\n" + urls[1].toEncoded() + "\r\n");
  EXPECT_EQ(runs, 1) << "asked again, the same files";

  // Dropped on a folder that the target names: a run into it, the dragged names answered.
  EXPECT_EQ(controller->namesOfPromisedFilesDroppedAtDestination(dest, {1}), QStringList{"b.jpg"});
  ASSERT_TRUE(WaitForRun(2));
  EXPECT_EQ(QDir(dest).entryList(QDir::Files), QStringList{"b.png"});
  EXPECT_EQ(alerts.titles.size(), 1) << "this run's files are kept there: the alert offers them";
  EXPECT_TRUE(controller->namesOfPromisedFilesDroppedAtDestination(dest, {}).isEmpty());
}

// Black pictures, so that the white "New File Name" watermark shows which name each output got.
TEST_F(BatchWindow, TheRenameFieldNamesEveryOutput) {
  QImage black(300, 120, QImage::Format_RGB32);
  black.fill(Qt::black);
  QStringList paths;
  for (const char* name : {"a", "b", "c"}) {
    paths << source + QStringLiteral("/%1.png").arg(QString::fromLatin1(name));
    ASSERT_TRUE(black.save(paths.back()));
  }
  Add(paths);
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  delegate->SwitchOnOffHeader(kRenameGroup, true, true);
  delegate->renameTokenTextFieldOutlet()->setTokens(
      {QVXWatermarkTextToken(QStringLiteral("Original File Name"), 9), QStringLiteral("_"),
       QVXWatermarkTextToken(QStringLiteral("Index"), 1)});
  const auto watermark = [this](const TokenArray& text) {
    controller->context().fillWatermarks = [text](BatchOptions& o) {
      test::SetCentredWhiteText(o, text, 50);
    };
  };
  watermark({QVXWatermarkTextToken(QStringLiteral("New File Name"), 8)});
  RunAndConfirm();
  EXPECT_EQ(QDir(dest).entryList(QDir::Files, QDir::Name),
            (QStringList{"a_1.png", "b_2.png", "c_3.png"}));
  const QImage a1(dest + "/a_1.png");
  const QImage b2(dest + "/b_2.png");
  EXPECT_NE(a1, b2);

  // The same pictures watermarked with each name as plain text.
  for (const QString& name : {QStringLiteral("a_1"), QStringLiteral("b_2")}) {
    watermark({name});
    dest = test::MakeTempFolder(name);
    RunAndConfirm();
    EXPECT_EQ(QImage(dest + "/" + name + ".png"), name == u"a_1" ? a1 : b2) << name.toStdString();
  }
}

}  // namespace
}  // namespace glimbrik
