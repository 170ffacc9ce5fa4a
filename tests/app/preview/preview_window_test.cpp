#include "app/preview/preview_window.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QSizeGrip>
#include <QTest>
#include <QThread>
#include <mutex>
#include <tuple>

#include "app/app_fixtures.h"
#include "app/batch_test_support.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/preview/preview_controller.h"
#include "app/preview/preview_fit.h"
#include "platform/image_fixtures.h"
#include "support/test_env.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 60000;

// The real window with the batch run and the preview installed. Every engine call of a preview
// or a run goes through the engine seam, where it is counted and the first one can be held.
class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    delegate = test::StartApplication();
    batch = InstallBatchRun(*delegate);
    preview = InstallPreview(*delegate, *batch);
    preview->availableArea = [] { return QRect(0, 0, 1920, 1080); };
    shown = std::make_unique<QSignalSpy>(preview, &PreviewController::previewShown);
    batch->context().engine = [this](const BatchSnapshot& s) {
      BatchEngine e = DefaultBatchEngine(s);
      e.processImageFile = [this, real = e.processImageFile](ImageConversion* c) {
        const int n = ++calls;
        {
          const std::lock_guard<std::mutex> lock(mutex);
          destinations << c->destinationURL;
        }
        const QDeadlineTimer limit(kTimeoutMs);
        while (n == 1 && holdFirst && !released && !limit.hasExpired()) QThread::msleep(5);
        return real(c);
      };
      return e;
    };
    test::ConversionOnly(*delegate);
    ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
    source = test::MakeTempFolder(QStringLiteral("src"));
    dest = test::MakeTempFolder(QStringLiteral("dest"));
    batch->context().rememberedDestination = [this] { return dest; };
    p().useAsDestinationFolderCheckBox->setChecked(true);
    p().doNotShowAlertCheckBox->setChecked(true);
    previewFolder = AppDelegate::ApplicationSupportFolder(QStringLiteral("GlimbrikPreview"));
    ASSERT_FALSE(previewFolder.isEmpty());
    QDir(previewFolder).removeRecursively();
  }
  void TearDown() override {
    released = true;
    delegate.reset();
  }

  OptionPanels& p() { return delegate->panels(); }
  PreviewWindow& w() { return *preview->previewWindow(); }
  QString Label() { return w().PreviewStringStaticText->text(); }

  void Add(const QStringList& paths) {
    delegate->AddUrlsIntoImageListViewAtEnd(paths);
    ASSERT_TRUE(test::WaitForAdding(*delegate));
  }
  void AddJpegs(const std::vector<std::tuple<const char*, int, int>>& files) {
    QStringList paths;
    for (const auto& [name, width, height] : files) {
      paths << source + "/" + name + ".jpg";
      test::WriteJpeg(paths.back(), width, height, 0, 72);
    }
    Add(paths);
  }
  // Waits for the answer to the newest request made after `after`: a late answer to an earlier
  // request satisfies nothing.
  bool WaitShownAfter(qint64 after) {
    return QTest::qWaitFor(
        [&] {
          const qint64 newest = preview->latestRequest();
          return newest > after && std::any_of(shown->begin(), shown->end(), [&](const auto& a) {
                   return a.at(0).toLongLong() == newest;
                 });
        },
        kTimeoutMs);
  }
  // No conversion runs and every answer already sent has been delivered.
  bool WaitSettled() {
    const bool idle = QTest::qWaitFor([&] { return preview->isIdle(); }, kTimeoutMs);
    QCoreApplication::sendPostedEvents();
    return idle;
  }
  void OpenPreviewOfRow(int row) {
    delegate->SelectRowStartingAtRow(row);
    delegate->previewButtonOutlet()->click();
    ASSERT_TRUE(delegate->previewButtonOutlet()->isChecked());
    ASSERT_TRUE(preview->isVisible());
  }

  std::unique_ptr<AppDelegate> delegate;
  BatchController* batch = nullptr;
  PreviewController* preview = nullptr;
  std::unique_ptr<QSignalSpy> shown;
  QString source, dest, previewFolder;
  std::atomic<int> calls{0};
  std::atomic<bool> holdFirst{false};
  std::atomic<bool> released{false};
  std::mutex mutex;
  QStringList destinations;
};

TEST_F(PreviewWindowTest, ShowsTheSelectedRowAndStepsThroughTheList) {
  AddJpegs({{"a", 300, 200}, {"x", 800, 600}, {"c", 400, 300}});
  OpenPreviewOfRow(1);
  ASSERT_TRUE(WaitShownAfter(0));
  EXPECT_EQ(Label(), QStringLiteral("2 of 3 (x.png @ 72 dpi, 800 x 600 pixels)"));
  EXPECT_EQ(w().previewImageView->image().size(), QSize(800, 600));
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().size() == QSize(820, 645); }, kTimeoutMs));

  const qint64 second = preview->latestRequest();
  w().nextSegment->click();
  ASSERT_TRUE(WaitShownAfter(second));
  EXPECT_EQ(Label(), QStringLiteral("3 of 3 (c.png @ 72 dpi, 400 x 300 pixels)"));
  EXPECT_FALSE(w().nextSegment->isEnabled());
  EXPECT_TRUE(w().previousSegment->isEnabled());
  const qint64 third = preview->latestRequest();
  preview->PreviewNextPreviousAction(1);  // on the last entry: the same entry again
  ASSERT_TRUE(WaitShownAfter(third));
  EXPECT_EQ(Label(), QStringLiteral("3 of 3 (c.png @ 72 dpi, 400 x 300 pixels)"));

  // Removing the previewed entry previews the row selected instead; adding one only renumbers.
  QItemSelectionModel* selection = delegate->window()->imageListViewOutlet->selectionModel();
  for (int row : {1, 2}) {
    selection->select(delegate->imageListViewContents()->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  delegate->RemoveSelectedButtonAction();
  const QString first = QStringLiteral("1 of 1 (a.png @ 72 dpi, 300 x 200 pixels)");
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview->isIdle() && Label() == first; }, kTimeoutMs))
      << Label().toStdString();
  EXPECT_TRUE(w().previewNextPreviousButton->isHidden());
  AddJpegs({{"d", 100, 100}});
  const QString added = QStringLiteral("2 of 2 (d.png @ 72 dpi, 100 x 100 pixels)");
  ASSERT_TRUE(QTest::qWaitFor([&] { return preview->isIdle() && Label() == added; }, kTimeoutMs))
      << Label().toStdString();
  // Removing another entry renumbers at once.
  delegate->imageListViewContents()->removeEntryRows({0});
  delegate->setImageCountMessage();
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (d.png @ 72 dpi, 100 x 100 pixels)"));
  EXPECT_TRUE(w().previewNextPreviousButton->isHidden());
  EXPECT_TRUE(WaitSettled());
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (d.png @ 72 dpi, 100 x 100 pixels)"));

  w().closeButton->click();
  EXPECT_FALSE(preview->isVisible());
  EXPECT_FALSE(delegate->previewButtonOutlet()->isChecked());
}

TEST_F(PreviewWindowTest, PreviousIsOffOnTheFirstEntryOnly) {
  AddJpegs({{"a", 300, 200}, {"b", 400, 300}, {"c", 500, 400}});
  OpenPreviewOfRow(0);
  ASSERT_TRUE(WaitShownAfter(0));
  ASSERT_EQ(Label().toStdString(), "1 of 3 (a.png @ 72 dpi, 300 x 200 pixels)");
  EXPECT_FALSE(w().previousSegment->isEnabled()) << "nothing before the first entry";
  EXPECT_TRUE(w().nextSegment->isEnabled());
  const qint64 first = preview->latestRequest();
  preview->PreviewNextPreviousAction(0);  // on the first entry: the same entry again
  ASSERT_TRUE(WaitShownAfter(first));
  EXPECT_EQ(Label().toStdString(), "1 of 3 (a.png @ 72 dpi, 300 x 200 pixels)");
  EXPECT_FALSE(w().previousSegment->isEnabled());

  const qint64 again = preview->latestRequest();
  w().nextSegment->click();
  ASSERT_TRUE(WaitShownAfter(again));
  EXPECT_EQ(Label().toStdString(), "2 of 3 (b.png @ 72 dpi, 400 x 300 pixels)");
  EXPECT_TRUE(w().previousSegment->isEnabled()) << "the second entry has one before it";
  EXPECT_TRUE(w().nextSegment->isEnabled());
}

TEST_F(PreviewWindowTest, TheFrameFollowsTheToggleAndAFailedConversionShowsTheEmptyImage) {
  AddJpegs({{"x", 640, 480}});
  delegate->window()->imageListViewOutlet->clearSelection();
  delegate->previewButtonOutlet()->click();  // with no row selected the first one is shown
  ASSERT_TRUE(WaitShownAfter(0));
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (x.png @ 72 dpi, 640 x 480 pixels)"));
  EXPECT_TRUE(w().previewNextPreviousButton->isHidden()) << "a one-entry list";
  const QRect fitted = preview->actualWindowFrame();
  ASSERT_EQ(fitted.size(), QSize(660, 525));
  ASSERT_TRUE(QTest::qWaitFor([&] { return w().geometry() == fitted; }, kTimeoutMs));

  // The user drags the size grip: the window stops following the image.
  QTest::mousePress(w().sizeGrip, Qt::LeftButton);
  w().resize(700, 400);
  QTest::mouseRelease(w().sizeGrip, Qt::LeftButton);
  EXPECT_FALSE(preview->shouldWindowResize());
  EXPECT_FALSE(w().frameToggleButton->isChecked());
  const QRect users = w().geometry();
  // Turning the image refreshes the preview, which leaves the user's frame alone.
  delegate->SelectRowStartingAtRow(0);
  const qint64 selected = preview->latestRequest();
  delegate->rotateLeft();
  ASSERT_TRUE(WaitShownAfter(selected));
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (x.png @ 72 dpi, 480 x 640 pixels)"));
  EXPECT_EQ(w().previewImageView->image().size(), QSize(480, 640));
  const auto* animation = w().findChild<QPropertyAnimation*>();
  EXPECT_TRUE(!animation || animation->state() != QAbstractAnimation::Running);
  EXPECT_EQ(w().geometry(), users);

  const QRect refitted = preview->actualWindowFrame();
  EXPECT_EQ(refitted.size(), QSize(500, 685));
  w().frameToggleButton->click();
  EXPECT_TRUE(preview->shouldWindowResize());
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().geometry() == refitted; }, kTimeoutMs));
  w().frameToggleButton->click();
  EXPECT_TRUE(QTest::qWaitFor([&] { return w().geometry() == users; }, kTimeoutMs));

  // A file that no longer converts shows the empty image, not the last preview.
  test::WriteGarbage(source + "/x.jpg", 5000);
  const qint64 turned = preview->latestRequest();
  p().autoAdjustColorLevelsCheckButton->click();  // an option change refreshes the preview
  ASSERT_TRUE(WaitShownAfter(turned));
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (x.png @ 0 dpi, 0 x 0 pixels)"));
  EXPECT_EQ(w().previewImageView->image().size(), QSize(550, 550));
  EXPECT_EQ(preview->actualWindowFrame().size(), QSize(570, 595));
}

// Of a file that states two resolutions, the line gives the horizontal one.
TEST_F(PreviewWindowTest, TheLineGivesTheHorizontalResolution) {
  bool made = false;
  test::RunTool("convert",
                {"-size", "320x240", "xc:gray", "-density", "300x150", "-units", "PixelsPerInch",
                 source + "/x.png"},
                &made);
  ASSERT_TRUE(made);
  Add({source + "/x.png"});
  OpenPreviewOfRow(0);
  ASSERT_TRUE(WaitShownAfter(0));
  EXPECT_EQ(Label(), QStringLiteral("1 of 1 (x.png @ 300 dpi, 320 x 240 pixels)"));
}

// Outputs that only the engine's own readers read are shown with their size, not as "?".
TEST_F(PreviewWindowTest, PhotoshopTgaAndSgiOutputsAreShownWithTheirSize) {
  AddJpegs({{"x", 320, 240}});
  OpenPreviewOfRow(0);
  ASSERT_TRUE(WaitShownAfter(0));
  for (auto [type, extension] : {std::pair{1, "psd"}, std::pair{9, "tga"}, std::pair{12, "sgi"}}) {
    SCOPED_TRACE(extension);
    ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, type));
    const qint64 before = preview->latestRequest();
    p().autoAdjustColorLevelsCheckButton->click();  // an option change refreshes the preview
    ASSERT_TRUE(WaitShownAfter(before));
    EXPECT_EQ(Label(), QStringLiteral("1 of 1 (x.%1 @ 72 dpi, 320 x 240 pixels)").arg(extension));
    EXPECT_EQ(w().previewImageView->image().size(), QSize(320, 240));
  }
}

TEST_F(PreviewWindowTest, QuickOptionChangesGiveOneFurtherConversion) {
  AddJpegs({{"x", 640, 480}});
  holdFirst = true;
  OpenPreviewOfRow(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, kTimeoutMs));
  for (int i = 0; i < 3; ++i) p().autoAdjustColorLevelsCheckButton->click();
  released = true;
  ASSERT_TRUE(WaitShownAfter(1));
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(shown->count(), 2);
}

TEST_F(PreviewWindowTest, ABatchStartedWhileAPreviewConvertsWritesEveryOutput) {
  AddJpegs({{"a", 320, 240}, {"x", 320, 240}, {"c", 320, 240}});
  holdFirst = true;
  OpenPreviewOfRow(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, kTimeoutMs));

  QSignalSpy finished(batch, &BatchController::runFinished);
  delegate->window()->convertAllToolbarItem->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, kTimeoutMs));
  const auto result = finished.at(0).at(0).value<BatchRunResult>();
  EXPECT_EQ(result.written, 3);
  EXPECT_FALSE(preview->isVisible()) << "a run closes the preview";
  EXPECT_FALSE(delegate->previewButtonOutlet()->isChecked());
  for (const char* name : {"/a.png", "/x.png", "/c.png"}) {
    EXPECT_EQ(QImage(dest + name).size(), QSize(320, 240)) << name;
  }
  {
    const std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(destinations.size(), 4);
    EXPECT_EQ(destinations[0], previewFolder + "/x.png");
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(destinations[i].startsWith(dest + "/"));
  }

  released = true;
  ASSERT_TRUE(WaitSettled());
  EXPECT_EQ(shown->count(), 0) << "the cancelled preview shows nothing";
  EXPECT_EQ(QDir(previewFolder).entryList(QDir::Files), QStringList{"x.png"});
}

QImage Photo() {
  QImage image(1600, 1200, QImage::Format_RGB32);
  QPainter painter(&image);
  QLinearGradient gradient(0, 0, 1600, 1200);
  gradient.setColorAt(0, QColor(240, 160, 40));
  gradient.setColorAt(1, QColor(40, 60, 200));
  painter.fillRect(image.rect(), gradient);
  painter.setBrush(QColor(20, 200, 90));
  painter.drawEllipse(QPoint(500, 400), 300, 200);
  return image;
}

TEST_F(PreviewWindowTest, ThePreviewEqualsTheRunsOutputPixelForPixel) {
  ASSERT_TRUE(Photo().save(source + "/photo.jpg", "JPEG", 90));
  Add({source + "/photo.jpg"});
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  ASSERT_TRUE(SelectItemWithTag(p().scaleProprtionallyPopupOutlet, 0));
  ASSERT_TRUE(SelectItemWithTag(p().sizeFormatTypePopupButton, 2));
  p().widthTextField->setText(QStringLiteral("800"));
  delegate->SwitchOnOffHeader(kEffectGroup, true, true);
  p().effectsRadioButtonOutlet->button(1)->setChecked(true);  // mono
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  // The watermark editor's ticked presets, as it hands them to a run.
  batch->context().fillWatermarks = [](BatchOptions& o) {
    if (o.textWatermarkOn) test::SetCentredWhiteText(o, {QStringLiteral("PREVIEW")}, 60);
  };
  OpenPreviewOfRow(0);
  ASSERT_TRUE(WaitShownAfter(0));
  const QImage previewed(previewFolder + "/photo.png");

  QSignalSpy finished(batch, &BatchController::runFinished);
  delegate->window()->convertAllToolbarItem->trigger();
  ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, kTimeoutMs));
  const QImage written(dest + "/photo.png");

  ASSERT_EQ(previewed.size(), QSize(800, 600));
  ASSERT_EQ(written.size(), previewed.size());
  EXPECT_TRUE(previewed.convertToFormat(QImage::Format_ARGB32) ==
              written.convertToFormat(QImage::Format_ARGB32));
  // Mono turns the whole canvas grey, watermark included; only the white text is that light.
  int white = 0, grey = 0;
  for (int y = 0; y < previewed.height(); y += 2) {
    for (int x = 0; x < previewed.width(); x += 2) {
      const QRgb px = previewed.pixel(x, y);
      white += qGray(px) > 245 ? 1 : 0;
      grey += qRed(px) == qGreen(px) && qGreen(px) == qBlue(px) ? 1 : 0;
    }
  }
  EXPECT_GT(white, 50) << "the watermark is drawn";
  EXPECT_EQ(grey, 400 * 300) << "the mono effect is applied";
}

// Arguments are the image's height, then its width, as the window asks for them.
TEST(PreviewFit, TheWindowFitsTheImageInsideTheAreaAndKeepsItsTopLeftWhereItCan) {
  const QSize minimum(360, 200);
  const QRect underPanel(0, 30, 1920, 1050);  // y-up arithmetic must return to the same edges
  const struct {
    QRect area, frame;
    qint64 height, width;
    QRect expected;
  } cases[] = {
      // A large image shrinks to the available height; the left edge is kept.
      {{0, 0, 1920, 1080}, {100, 100, 570, 595}, 1500, 2000, {100, 0, 1400, 1080}},
      // A small image gets its own size, then never less than the minimum.
      {underPanel, {200, 300, 900, 700}, 600, 800, {200, 300, 820, 645}},
      {underPanel, {200, 300, 820, 645}, 20, 30, {200, 300, 360, 200}},
      // Off the area, with no screen, with no image.
      {{0, 0, 1280, 800}, {5000, -400, 570, 595}, 600, 800, {0, 0, 820, 645}},
      {QRect(), {10, 20, 400, 300}, 600, 800, {10, 20, 820, 645}},
      {{0, 0, 800, 600}, {10, 20, 400, 300}, 0, 80, {10, 20, 400, 300}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FitPreviewWindowFrame(c.area, c.frame, minimum, c.height, c.width), c.expected)
        << c.frame.x() << "," << c.frame.y() << " " << c.width << "x" << c.height;
  }
}

TEST(PreviewFit, DescriptionAndRenumbering) {
  const QString text = PreviewDescription(2, 3, QStringLiteral("x (1).png"), 71.6, 800, 600);
  EXPECT_EQ(text, QStringLiteral("2 of 3 (x (1).png @ 72 dpi, 800 x 600 pixels)"));
  EXPECT_EQ(RenumberedPreviewDescription(text, 1, 12),
            QStringLiteral("1 of 12 (x (1).png @ 72 dpi, 800 x 600 pixels)"));
  EXPECT_EQ(RenumberedPreviewDescription(QStringLiteral("none"), 1, 2), QStringLiteral("none"));
}

// At the window's smallest width the line still shows its position, resolution and size whole,
// within the label; only the file name gives way.
TEST(PreviewLine, FitsTheWindowAtItsMinimumWidth) {
  PreviewWindow window;
  window.resize(window.minimumSize());
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  PreviewLineLabel* label = window.PreviewStringStaticText;
  const QString text = PreviewDescription(
      12, 345, QStringLiteral("IMG_20240101_123456 (a copy).jpg"), 300, 6000, 4000);
  label->setText(text);
  QTest::qWait(10);
  const QFontMetrics metrics = label->fontMetrics();
  const QRect room = label->contentsRect();
  ASSERT_GT(metrics.horizontalAdvance(text), room.width()) << "the line must need help to fit";
  const QStringList lines = label->shownLines();
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_LE(int(lines.size()) * metrics.lineSpacing(), room.height());
  for (const QString& line : lines)
    EXPECT_LE(metrics.horizontalAdvance(line), room.width()) << line.toStdString();
  const QString shown = lines.join(QLatin1Char(' '));
  EXPECT_TRUE(shown.startsWith(QStringLiteral("12 of 345 (IMG_"))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral(".jpg @ 300 dpi, 6000 x 4000 pixels)")))
      << shown.toStdString();
  EXPECT_EQ(label->text(), text) << "kept whole for the renumbering";

  // Where there is room, the line is drawn as it is.
  window.resize(1200, 400);
  QTest::qWait(10);
  EXPECT_EQ(label->shownLines(), QStringList{text});
}

}  // namespace
}  // namespace glimbrik
