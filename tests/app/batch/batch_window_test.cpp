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
#include <QTimer>
#include <QUrl>
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
#include "platform/store/folders.h"
#include "platform/store/localization.h"
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
    HoldFiles();
    ASSERT_TRUE(test::StartRunInto(*delegate, dest, kTimeoutMs));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return p().conversionProgressSheet->isVisible(); }, kTimeoutMs));
  }

  // Each file of a run waits (with a limit) for the cancel flag or for release; runsStarted
  // counts the runs.
  void HoldFiles() {
    std::atomic<bool>* cancelled = &delegate->isConversionCancelled;
    controller->context().engine = [this, cancelled](const BatchSnapshot& s) {
      ++runsStarted;
      BatchEngine e = DefaultBatchEngine(s);
      e.processImageFile = [this, cancelled, process = e.processImageFile](ImageConversion* c) {
        const QDeadlineTimer limit(kTimeoutMs);
        while (!release && !*cancelled && !limit.hasExpired()) QThread::msleep(2);
        return process(c);
      };
      return e;
    };
  }

  void Add(const QStringList& paths) {
    delegate->AddUrlsIntoImageListViewAtEnd(paths);
    ASSERT_TRUE(test::WaitForAdding(*delegate));
  }

  // Lists JPEGs of test::Picture(picture) under the given names.
  void AddJpegs(std::initializer_list<const char*> names, int picture) {
    QStringList paths;
    for (const char* name : names) {
      paths << source + QStringLiteral("/%1.jpg").arg(QString::fromLatin1(name));
      ASSERT_TRUE(test::Picture(picture).save(paths.back(), "JPEG"));
    }
    Add(paths);
  }

  static QStringList PrivateEntries() {
    return QDir(PrivateTempFolder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
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
  std::atomic<bool> release{false};
  std::atomic<int> runsStarted{0};
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

// Cancel and Quit end the optimisers' tools at once (here a pngcrush that would take a minute):
// the run ends within seconds, the sheet says that it is stopping until then, and every file
// written stays whole.
TEST_F(BatchWindow, CancelAndQuitStopTheOptimisersPromptly) {
  const QString tools = test::MakeTempFolder(QStringLiteral("tools"));
  const QString started = tools + "/started";
  ASSERT_TRUE(
      test::WriteBytes(tools + "/pngcrush",
                       "#!/bin/sh\necho >> '" + QFile::encodeName(started) + "'\nexec sleep 60\n"));
  ASSERT_TRUE(QFile::setPermissions(tools + "/pngcrush", QFile::ReadOwner | QFile::ExeOwner));
  struct PathGuard {
    QByteArray path = qgetenv("PATH");
    ~PathGuard() { qputenv("PATH", path); }
  } guard;
  qputenv("PATH", QFile::encodeName(tools) + ':' + guard.path);
  QStringList paths;
  for (int i = 0; i < 4; ++i) {
    paths << source + QStringLiteral("/p%1.png").arg(i);
    ASSERT_TRUE(test::Picture(i).save(paths.back()));
  }
  Add(paths);
  OptimiseToPng();
  p().doNotShowPNGOptimizationAlertCheckBox->setChecked(true);
  p().doNotShowAlertCheckBox->setChecked(true);
  const QString stopping = LocalizedString("CancelConversionInProgress");
  for (const bool quit : {false, true}) {
    SCOPED_TRACE(quit ? "quit" : "cancel");
    QFile::remove(started);
    const int before = runs;
    ASSERT_TRUE(test::StartRunInto(*delegate, dest, kTimeoutMs));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(started); }, kTimeoutMs));
    const QDeadlineTimer limit(15000);
    QStringList shown;
    const auto look = [&] {
      if (p().conversionProgressSheet->isVisible())
        shown << p().conversionProgressStaticText->text();
    };
    if (quit) {
      QTimer::singleShot(0, look);
      controller->StopRun();  // what a confirmed Quit does
      EXPECT_FALSE(controller->IsRunning());
    } else {
      p().cancelButton->click();
      EXPECT_FALSE(p().cancelButton->isEnabled());
    }
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          look();
          return runs > before;
        },
        kTimeoutMs));
    EXPECT_FALSE(limit.hasExpired()) << "far less than the tools' minute";
    EXPECT_TRUE(result.cancelled);
    shown.removeDuplicates();
    EXPECT_EQ(shown.join(" | ").toStdString(), stopping.toStdString());
    for (const QString& name : QDir(dest).entryList(QDir::Files))
      EXPECT_EQ(QImage(dest + "/" + name).size(), test::Picture(0).size()) << name.toStdString();
  }
}

// Rows dragged out: a drop target asks for the files at the drop and gets those a run of the
// rows writes; over the application's own windows they give nothing and start no run.
TEST_F(BatchWindow, RowsDraggedOutAreWrittenWhenTheDropTargetAsksForThem) {
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  AddJpegs({"a", "b", "c"}, 3);
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

// Rows dragged out with a run that must ask (the PNG note): the question comes as the drag
// starts, never inside the target's request for the files. The request runs the rows once, as a
// normal run with its sheet and Cancel, however often it is repeated, even from within itself,
// and when the drag ends meanwhile; a cancelled run hands nothing over and leaves no folder.
TEST_F(BatchWindow, RowsDraggedOutAskFirstAndRunOncePerDrag) {
  AddJpegs({"a", "b"}, 5);
  OptimiseToPng();
  HoldFiles();
  ImageListView* list = delegate->window()->imageListViewOutlet;
  const QString note = LocalizedString("PNGOptimizationAlertTitle");
  alerts.answers << QStringLiteral("escape");
  EXPECT_EQ(list->makeDragData({0, 1}), nullptr) << "declined: no drag";
  EXPECT_EQ(alerts.titles, QStringList{note});
  const auto drag = [&] {
    alerts.answers << QStringLiteral("defaultButton");
    auto* rows = qobject_cast<RowsDragData*>(list->makeDragData({0, 1}));
    if (rows) rows->pointerOverOwnWindow = [] { return false; };
    return rows;
  };
  const QString uriList = QStringLiteral("text/uri-list");

  // Answered as the drag starts, whose press went to the note: the next drag takes the answer.
  EXPECT_EQ(drag(), nullptr);
  EXPECT_EQ(alerts.titles, (QStringList{note, note}));
  alerts.answers.clear();
  // The run waits for the request, which may come again within.
  RowsDragData* data = drag();
  ASSERT_TRUE(data);
  alerts.answers << QStringLiteral("defaultButton");  // for a question that must not come
  bool modal = false, sheetShown = false, cancelShown = false;
  QByteArray repeated;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    modal = modal || QApplication::activeModalWidget() != nullptr || test::VisibleAlert();
    if (!p().conversionProgressSheet->isVisible() || release) return;
    sheetShown = true;
    cancelShown = p().cancelButton->isEnabled();
    release = true;
    data->pointerOverOwnWindow = [] { return true; };  // back over the window meanwhile
    repeated = data->data(uriList);
  });
  watch.start(5);
  const QByteArray first = data->data(uriList);
  watch.stop();
  EXPECT_FALSE(modal);
  EXPECT_TRUE(sheetShown && cancelShown) << "the window goes on during the run";
  EXPECT_EQ(alerts.titles.size(), 2);
  EXPECT_EQ(repeated, first);
  EXPECT_EQ(data->data(uriList), first);
  EXPECT_EQ(runsStarted, 1) << "one run per drag";
  const QList<QUrl> urls = data->urls();
  ASSERT_EQ(urls.size(), 2);
  for (const QUrl& url : urls) {
    EXPECT_TRUE(url.toLocalFile().startsWith(PrivateTempFolder() + "/"));
    EXPECT_EQ(QImage(url.toLocalFile()).size(), test::Picture(5).size());
  }
  delete data;

  // Cancelled while the drag ends (the target's drag object gone): nothing handed over, nothing
  // of the run left, and nothing of the data touched afterwards (AddressSanitizer watches).
  release = false;
  const QStringList before = PrivateEntries();
  data = drag();
  ASSERT_TRUE(data);
  QObject::disconnect(&watch, nullptr, nullptr, nullptr);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!data || !p().conversionProgressSheet->isVisible()) return;
    p().cancelButton->click();
    delete std::exchange(data, nullptr);
  });
  watch.start(5);
  const QByteArray cancelledList = data->data(uriList);
  watch.stop();
  EXPECT_EQ(data, nullptr);
  EXPECT_TRUE(cancelledList.isEmpty());
  EXPECT_EQ(runsStarted, 2);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(PrivateEntries(), before);
}

// Rows dropped on a folder whose target takes direct save (libfm's file managers): only that road
// is offered, for such a target takes a file list first and refuses a drop made before the list
// came. Nothing runs before the drop; the drop's folder gets every file of the run, and the answer
// comes once they are written. A drop that cannot be served says why; a drag that ended without a
// drop leaves none of its private files behind.
TEST_F(BatchWindow, RowsDroppedOnAFolderAreWrittenThereHoweverSoonTheDropCame) {
  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  AddJpegs({"a", "b"}, 5);
  HoldFiles();
  ImageListView* list = delegate->window()->imageListViewOutlet;
  const QStringList privateBefore = PrivateEntries();
  QByteArray offered, named;
  const auto drag = [&] {
    auto* rows = qobject_cast<RowsDragData*>(list->makeDragData({0, 1}));
    if (rows) {
      rows->pointerOverOwnWindow = [] { return false; };
      rows->offerDirectSave = [&offered](const QByteArray& name) {
        offered = name;
        return true;
      };
      rows->directSaveTarget = [&named] { return named; };
    }
    return std::unique_ptr<RowsDragData>(rows);
  };

  std::unique_ptr<RowsDragData> data = drag();
  ASSERT_TRUE(data);
  EXPECT_EQ(data->formats(), QStringList{RowsDragData::kDirectSave});
  EXPECT_FALSE(data->hasUrls());
  data->dragStarted();
  EXPECT_EQ(offered, "a.jpg");
  // Asked over a place that is no folder, before the drop (libfm does): the name is unchanged.
  named = offered;
  EXPECT_TRUE(data->data(RowsDragData::kDirectSave).isEmpty());
  QTest::qWait(50);
  EXPECT_EQ(runsStarted, 0) << "nothing runs before the drop";
  EXPECT_TRUE(alerts.titles.isEmpty());

  // The target wrote back the file it names in the drop's folder; the answer waits for the run.
  named = QUrl::fromLocalFile(dest + "/a.jpg").toEncoded();
  QStringList atRelease;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (release || !p().conversionProgressSheet->isVisible()) return;
    atRelease = QDir(dest).entryList(QDir::Files);
    release = true;
  });
  watch.start(5);
  const QByteArray answer = data->data(RowsDragData::kDirectSave);
  watch.stop();
  EXPECT_TRUE(release) << "the run went on with the window live";
  EXPECT_TRUE(atRelease.isEmpty());
  EXPECT_EQ(answer, "S");
  EXPECT_EQ(QDir(dest).entryList(QDir::Files), (QStringList{"a.png", "b.png"}));
  for (const QString& name : {QStringLiteral("a.png"), QStringLiteral("b.png")})
    EXPECT_EQ(QImage(dest + "/" + name).size(), test::Picture(5).size());
  EXPECT_EQ(data->data(RowsDragData::kDirectSave), "S");
  EXPECT_EQ(runsStarted, 1) << "one run per drop";
  EXPECT_EQ(PrivateEntries(), privateBefore);
  EXPECT_TRUE(alerts.titles.isEmpty());

  // Drops that cannot be served: nothing runs, the target is told, the window says why.
  const QString title = LocalizedString("DropNotServedTitle");
  const QString missing = dest + "/gone";
  for (const QByteArray& target : {QByteArrayLiteral("sftp://host/a.jpg"),
                                   QUrl::fromLocalFile(missing + "/a.jpg").toEncoded()}) {
    SCOPED_TRACE(target.toStdString());
    alerts.titles.clear();
    alerts.messages.clear();
    alerts.answers << QStringLiteral("defaultButton");
    data = drag();
    ASSERT_TRUE(data);
    named = target;
    EXPECT_EQ(data->data(RowsDragData::kDirectSave), "E");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alerts.titles.isEmpty(); }, kTimeoutMs));
    EXPECT_EQ(alerts.titles, QStringList{title});
    EXPECT_TRUE(alerts.messages.value(0).contains(
        target.startsWith("sftp") ? QString::fromLatin1(target) : missing));
  }
  EXPECT_EQ(runsStarted, 1);
  EXPECT_FALSE(QFileInfo::exists(missing));

  // The file-list road: a drag that ended without a drop takes its private files with it.
  for (const Qt::DropAction result : {Qt::IgnoreAction, Qt::CopyAction}) {
    data = drag();
    ASSERT_TRUE(data);
    data->offerDirectSave = nullptr;
    ASSERT_EQ(data->formats(), QStringList{RowsDragData::kUriList});
    const QList<QUrl> urls = data->urls();
    ASSERT_EQ(urls.size(), 2);
    EXPECT_NE(PrivateEntries(), privateBefore);
    data->dragEnded(result);
    if (result == Qt::IgnoreAction) {
      EXPECT_EQ(PrivateEntries(), privateBefore) << "abandoned";
    } else {
      EXPECT_TRUE(QFileInfo::exists(urls[0].toLocalFile())) << "taken";
    }
  }
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
