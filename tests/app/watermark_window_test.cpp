#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QTest>
#include <cmath>

#include "app/app_delegate.h"
#include "app/app_delegate_batch.h"
#include "app_fixtures.h"
#include "support/test_env.h"
#include "watermark/watermark_fixtures.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 120000;

// The window with a run installed and every sidebar group but conversion off.
class WatermarkWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    delegate = test::StartApplication();
    controller = InstallBatchRun(*delegate);
    QObject::connect(controller, &BatchController::runFinished,
                     [this](const BatchRunResult&) { ++runs; });
    for (int group = kOptimizationGroup; group < kConfigurationGroupCount; ++group)
      delegate->SwitchOnOffHeader(group, false, true);
    OptionPanels& p = delegate->panels();
    p.useAsDestinationFolderCheckBox->setChecked(false);
    p.doNotShowAlertCheckBox->setChecked(true);
    ASSERT_TRUE(SelectItemWithTag(p.destImageTypePopUpButton, 7));  // PNG: no coding noise
    source = test::MakeTempFolder(QStringLiteral("src"));
    dest = test::MakeTempFolder(QStringLiteral("dest"));
  }
  void TearDown() override { delegate.reset(); }

  WatermarkView& view() { return *delegate->watermarkContextView; }

  void AddPhoto(int width, int height) {
    test::WriteJpeg(source + "/photo.jpg", width, height);
    delegate->AddUrlsIntoImageListViewAtEnd({source + "/photo.jpg"});
    ASSERT_TRUE(test::WaitForAdding(*delegate));
    ASSERT_TRUE(test::WaitForFacts(*delegate));
    delegate->SelectRowStartingAtRow(0);
    delegate->transformAndSetCurrentImage();
  }

  // Runs every row into dest; the written file.
  QImage Run() {
    const int before = runs;
    delegate->window()->convertAllToolbarItem->trigger();
    QFileDialog* dialog = nullptr;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
          for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(w); d && d->isVisible()) dialog = d;
          }
          return dialog != nullptr;
        },
        kTimeoutMs));
    if (!dialog) return QImage();
    dialog->setDirectory(dest);
    static_cast<QDialog*>(dialog)->accept();
    EXPECT_TRUE(QTest::qWaitFor([&] { return runs > before; }, kTimeoutMs));
    return QImage(dest + "/photo.png");
  }

  // The overlay as the window shows it, over the photo's colour, without the selection's frames.
  QImage Overlay() {
    view().model().setSelectionIndexes({});
    QImage image(view().size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(40, 120, 200));
    view().render(&image);
    return image;
  }

  std::unique_ptr<AppDelegate> delegate;
  BatchController* controller = nullptr;
  int runs = 0;
  QString source;
  QString dest;
};

// Mean absolute difference of two images over a region, per channel, 0-255.
double MeanDifference(const QImage& a, const QImage& b, const QRect& region) {
  double sum = 0;
  int n = 0;
  for (int y = region.top(); y <= region.bottom(); ++y) {
    for (int x = region.left(); x <= region.right(); ++x) {
      const QRgb p = a.pixel(x, y);
      const QRgb q = b.pixel(x, y);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q));
      n += 3;
    }
  }
  return n ? sum / n : 0.0;
}

// A y-up frame of the view as widget pixels, a little larger, inside the view.
QRect WidgetRegion(const QRectF& frame, const QSize& view) {
  const QRectF flipped(frame.x(), view.height() - frame.y() - frame.height(), frame.width(),
                       frame.height());
  return flipped.adjusted(-3, -3, 3, 3).toAlignedRect() & QRect(QPoint(0, 0), view);
}

TEST_F(WatermarkWindow, StartsWithTheEditorsDefaults) {
  const WatermarkModel& model = view().model();
  EXPECT_EQ(model.textOpacity(), 0.8999999761581421);
  EXPECT_EQ(model.watermarkImageOpacity(), 0.800000011920929);
  EXPECT_EQ(model.baseImageSizeForTextWatermark(), QSizeF(0, 0));
  EXPECT_GT(model.presetRowCount(), 0) << "the first-run presets are loaded";
  EXPECT_EQ(view().parentWidget(), delegate->window()->mainImagePreview);
}

TEST_F(WatermarkWindow, TickedTextWatermarkReachesTheOutputWhereTheOverlayShowsIt) {
  AddPhoto(4000, 3000);
  QVariantMap preset = test::CompletePreset(QStringLiteral("Glimbrik"), 60);
  preset.insert(kTextPositionKey, qint64(4));
  test::SetPresets(view().model(), {{"centre", preset}}, {true});
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  ASSERT_TRUE(view().isVisible());
  const QImage overlay = Overlay();
  const std::optional<QRectF> frame = view().model().presetRow(0)->frameRect;
  ASSERT_TRUE(frame.has_value());

  const QImage output = Run();
  ASSERT_EQ(output.size(), QSize(4000, 3000));
  const QImage shrunk =
      output.scaled(overlay.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  const QRect region = WidgetRegion(*frame, overlay.size());
  ASSERT_GT(region.width(), 20);
  QImage plain(overlay.size(), QImage::Format_ARGB32_Premultiplied);
  plain.fill(QColor(40, 120, 200));
  // The region holds the watermark in both, and the two agree to within a few levels.
  EXPECT_GT(MeanDifference(overlay, plain, region), 20.0);
  EXPECT_GT(MeanDifference(shrunk, plain, region), 20.0);
  // Measured about 1.8 levels: glyph edges rasterised at two sizes.
  EXPECT_LT(MeanDifference(shrunk, overlay, region), 4.0);
}

TEST_F(WatermarkWindow, ImageWatermarkReachesTheOutputWhereTheOverlayShowsIt) {
  AddPhoto(4000, 3000);
  QImage picture(300, 200, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::yellow);
  WatermarkModel& model = view().model();
  model.setImage(picture);
  model.setWatermarkImageOpacity(0.5);
  model.setImagePosition(4);
  delegate->SwitchOnOffHeader(kImageWatermarkGroup, true, true);
  const QImage overlay = Overlay();
  const QRect region = WidgetRegion(model.m_imageFrameRect(), overlay.size());
  ASSERT_GT(region.width(), 20);

  const QImage output = Run();
  ASSERT_EQ(output.size(), QSize(4000, 3000));
  const QImage shrunk =
      output.scaled(overlay.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  // Half-opaque yellow over the blue: about (148, 188, 100) inside the frame.
  const QRgb middle = shrunk.pixel(region.center());
  EXPECT_NEAR(qRed(middle), 148, 6);
  EXPECT_NEAR(qBlue(middle), 100, 6);
  // Measured about 0.4 levels.
  EXPECT_LT(MeanDifference(shrunk, overlay, region), 2.0);
}

TEST_F(WatermarkWindow, NeitherGroupOnWritesNoWatermark) {
  AddPhoto(400, 300);
  test::SetPresets(view().model(), {{"any", test::CompletePreset("Glimbrik", 80)}}, {true});
  QImage picture(50, 50, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::red);
  view().model().setImage(picture);
  const QImage output = Run();
  ASSERT_FALSE(output.isNull());
  EXPECT_EQ(output.pixel(200, 150), output.pixel(10, 10));
  for (int x = 0; x < 400; x += 7) ASSERT_EQ(output.pixel(x, 290), output.pixel(0, 0)) << x;
}

}  // namespace
}  // namespace glimbrik
