#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QTest>
#include <cmath>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/delegate/app_delegate_batch.h"
#include "app/panels/image_watermark_panel.h"
#include "app/panels/text_watermark_panel.h"
#include "app/window/image_view.h"
#include "support/legacy_fixtures.h"
#include "support/test_env.h"
#include "watermark/watermark_fixtures.h"

namespace glimbrik {
namespace {

constexpr int kTimeoutMs = 120000;

// The photo's own colour alone, under the overlay's watermarks.
QImage Plain(const QSize& size) {
  QImage plain(size, QImage::Format_ARGB32_Premultiplied);
  plain.fill(QColor(40, 120, 200));
  return plain;
}

// The window with a run installed and every sidebar group but conversion off.
class WatermarkWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ForgetGeneralOptions();
    delegate = test::StartApplication();
    controller = InstallBatchRun(*delegate);
    QObject::connect(controller, &BatchController::runFinished,
                     [this](const BatchRunResult&) { ++runs; });
    test::ConversionOnly(*delegate);
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
    SelectOnly(source + "/photo.jpg");
    delegate->transformAndSetCurrentImage();
  }

  // Saves picture as a JPEG, adds it and waits until the main view shows it.
  void AddPicture(const QImage& picture, const QString& name, int quality) {
    ASSERT_TRUE(picture.save(source + "/" + name, "JPEG", quality));
    SelectOnly(source + "/" + name);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return delegate->window()->mainImagePreview->hasDecodedImage(); }, kTimeoutMs));
  }

  void SelectOnly(const QString& path) {
    delegate->AddUrlsIntoImageListViewAtEnd({path});
    ASSERT_TRUE(test::WaitForAdding(*delegate));
    ASSERT_TRUE(test::WaitForFacts(*delegate));
    delegate->SelectRowStartingAtRow(0);
  }

  QImage Run() {
    EXPECT_TRUE(test::RunAllInto(*delegate, dest, runs, kTimeoutMs));
    return QImage(dest + "/photo.png");
  }

  // Runs every row into dest; the 4000 x 3000 output shrunk to the overlay's size.
  QImage RunShrunkTo(const QSize& size) {
    const QImage output = Run();
    EXPECT_EQ(output.size(), QSize(4000, 3000));
    return output.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }

  // The overlay as the window shows it, over the photo's colour, without the selection's frames.
  QImage Overlay() {
    view().model().setSelectionIndexes({});
    QImage image = Plain(view().size());
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

// The preset a panel would store for these values.
QVariantMap PresetOf(const TextWatermarkValues& values) {
  QVariantMap preset;
  WriteTextWatermarkPreferenceValue(values, &preset);
  return preset;
}

// Where the screenshot scripts ask for it, the window as the test left it.
void SaveScreenshot(const QImage& window) {
  if (const QString out = qEnvironmentVariable("GLIMBRIK_SCREENSHOT"); !out.isEmpty()) {
    ASSERT_TRUE(window.save(out));
  }
}

// A y-up frame of the view as widget pixels, a little larger, inside the view.
QRect WidgetRegion(const QRectF& frame, const QSize& view) {
  const QRectF flipped(frame.x(), view.height() - frame.y() - frame.height(), frame.width(),
                       frame.height());
  return flipped.adjusted(-3, -3, 3, 3).toAlignedRect() & QRect(QPoint(0, 0), view);
}

TEST_F(WatermarkWindow, DraggedWatermarksAreWrittenWhereTheyWereDropped) {
  AddPhoto(4000, 3000);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->window(), kTimeoutMs));
  test::SetPresets(view().model(), {{"sign", test::CompletePreset(QStringLiteral("Glimbrik"), 60)}},
                   {true});
  QImage picture(300, 200, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::yellow);
  WatermarkModel& model = view().model();
  model.setImage(picture);
  model.setWatermarkImageOpacity(0.5);
  model.setImagePosition(8);
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  delegate->SwitchOnOffHeader(kImageWatermarkGroup, true, true);
  view().repaint();
  const QRectF text = *model.presetRow(0)->frameRect;
  const QRectF image = model.m_imageFrameRect();
  const auto widget = [&](QPointF p) { return QPoint(int(p.x()), int(view().height() - p.y())); };
  // The text from the bottom left and the image from the bottom right, together up to the top.
  QTest::mouseClick(&view(), Qt::LeftButton, {}, widget(text.center()));
  QTest::mouseClick(&view(), Qt::LeftButton, Qt::ShiftModifier, widget(image.center()));
  ASSERT_EQ(model.selectionIndexes().size(), 2u);
  const QPoint to = widget(text.center() + QPointF(0, view().height() * 0.62));
  QTest::mousePress(&view(), Qt::LeftButton, {}, widget(text.center()));
  QTest::mouseMove(&view(), to);
  QTest::mouseRelease(&view(), Qt::LeftButton, {}, to);
  EXPECT_EQ(model.imagePosition(), 0);
  EXPECT_EQ(model.presetNamed("sign")->value(kTextPositionKey).toLongLong(), 0);
  ImageWatermarkPanel* images = delegate->imageWatermarkPanel();
  EXPECT_EQ(images->imagePositionRadioButtonmatrixOutlet->checkedId(), 0);
  EXPECT_EQ(images->yImageWatermarkOffsetTextFieldOutlet->text(),
            QString::asprintf("%.02f", view().imageWatermarkOffsetPercent().y()));
  EXPECT_EQ(delegate->textWatermarkPanel()->textPositionRadioButtonmatrixOutlet->checkedId(), 0);
  const QImage overlay = Overlay();
  const QRect textRegion = WidgetRegion(*model.presetRow(0)->frameRect, overlay.size());
  const QRect imageRegion = WidgetRegion(model.m_imageFrameRect(), overlay.size());
  for (const QRect& region : {textRegion, imageRegion}) {
    ASSERT_GT(region.width(), 20);
    ASSERT_LT(region.bottom(), overlay.height() / 2);
  }

  const QImage shrunk = RunShrunkTo(overlay.size());
  const QImage plain = Plain(overlay.size());
  for (const QRect& region : {textRegion, imageRegion}) {
    EXPECT_GT(MeanDifference(shrunk, plain, region), 20.0);
    EXPECT_LT(MeanDifference(shrunk, overlay, region), 4.0);
  }
  // Half-opaque yellow over the blue: about (148, 188, 100).
  const QRgb middle = shrunk.pixel(imageRegion.center());
  EXPECT_NEAR(qRed(middle), 148, 6);
  EXPECT_NEAR(qBlue(middle), 100, 6);
  const QRect before = WidgetRegion(image, overlay.size());
  EXPECT_LT(MeanDifference(shrunk, plain, before), 4.0);
}

TEST_F(WatermarkWindow, TurnsAndMirrorsTheSelectedRowsAndSaysSo) {
  AddPhoto(4000, 3000);
  const ImageEntityPtr entity = delegate->ImageEntityForRow(0);
  QList<qint64> angles;
  for (int i = 0; i < 4; ++i) {
    delegate->window()->rotateLeftAction->trigger();
    angles << static_cast<qint64>(entity->GetAngle());
  }
  EXPECT_EQ(angles, (QList<qint64>{90, 180, 270, 0}));
  const auto sizeText = [&] {
    return delegate->GetTextWatermarkFullString(
        {QVXWatermarkTextToken(QStringLiteral("Width"), 11), QStringLiteral("x"),
         QVXWatermarkTextToken(QStringLiteral("Height"), 12)});
  };
  EXPECT_EQ(sizeText(), "4000x3000");
  delegate->window()->rotateRightAction->trigger();
  EXPECT_EQ(entity->GetAngle(), -90);
  EXPECT_EQ(sizeText(), "3000x4000");
  const QString description = delegate->window()->fileDescriptionLabelOutlet->text();
  QVXImageView* image = delegate->window()->mainImagePreview;
  // The zoom that fits the picture as shown into the view.
  const auto zoom = [&](double width, double height) {
    return QString::asprintf("At %.2f%% Zoom",
                             100 * std::min(image->width() / width, image->height() / height));
  };
  EXPECT_TRUE(description.startsWith(zoom(3000, 4000))) << description.toStdString();
  EXPECT_TRUE(description.endsWith(QStringLiteral(", Rotated by -90\u02DA")))
      << description.toStdString();
  EXPECT_EQ(delegate->window()->filenameLabelOutlet->text(), "photo.jpg");

  // Turned a quarter, the image shows 3000 wide and the overlay follows its shape.
  EXPECT_EQ(image->displayedSize(), QSize(3000, 4000));
  EXPECT_DOUBLE_EQ(view().imageAspectRatio(), 0.75);
  EXPECT_NEAR(double(view().width()) / view().height(), 0.75, 0.01);
  // A ticked preset and a chosen picture write nothing while neither group is on.
  test::SetPresets(view().model(), {{"any", test::CompletePreset("Glimbrik", 80)}}, {true});
  QImage picture(50, 50, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::red);
  view().model().setImage(picture);
  const QImage output = Run();
  ASSERT_EQ(output.size(), QSize(3000, 4000));
  for (int y = 0; y < 4000; y += 41) {
    for (int x = 0; x < 3000; x += 41) ASSERT_EQ(output.pixel(x, y), output.pixel(0, 0)) << x;
  }

  delegate->window()->rotateLeftAction->trigger();
  delegate->window()->flipHorizontalAction->trigger();
  delegate->window()->flipVerticalAction->trigger();
  EXPECT_EQ(entity->GetFlip(), 3);
  EXPECT_EQ(delegate->window()->fileDescriptionLabelOutlet->text(),
            zoom(4000, 3000) + ", Fliped Horizonally & Vertically");
  delegate->window()->flipHorizontalAction->trigger();
  EXPECT_TRUE(
      delegate->window()->fileDescriptionLabelOutlet->text().endsWith(", Fliped Vertically"));
}

// The colour at a point given as fractions of the picture's width and height.
QRgb At(const QImage& image, double fx, double fy) {
  return image.pixel(int(fx * (image.width() - 1)), int(fy * (image.height() - 1)));
}

bool Reddish(QRgb c) { return qRed(c) > 180 && qBlue(c) < 80; }

TEST_F(WatermarkWindow, ViewShowsTheTurnAndMirrorThatTheRunWrites) {
  QImage corner(400, 200, QImage::Format_RGB32);
  corner.fill(Qt::blue);
  for (int y = 0; y < 100; ++y) {
    for (int x = 0; x < 200; ++x) corner.setPixel(x, y, qRgb(255, 0, 0));
  }
  AddPicture(corner, "photo.jpg", 95);
  QVXImageView* image = delegate->window()->mainImagePreview;
  // A quarter turn to the left puts the red top-left quarter at the bottom left; the mirror that
  // follows mirrors what is shown, left to right, to the bottom right.
  delegate->window()->rotateLeftAction->trigger();
  delegate->window()->flipHorizontalAction->trigger();
  const QImage inView = image->grab().toImage().copy(view().geometry());
  const QImage output = Run();
  ASSERT_EQ(output.size(), QSize(200, 400));
  for (double fy : {0.1, 0.9}) {
    for (double fx : {0.2, 0.8}) {
      EXPECT_EQ(Reddish(At(inView, fx, fy)), Reddish(At(output, fx, fy))) << fx << " " << fy;
      EXPECT_EQ(Reddish(At(output, fx, fy)), fx > 0.5 && fy > 0.5) << fx << " " << fy;
    }
  }
}

TEST_F(WatermarkWindow, TurnChangesEverySelectedRow) {
  for (const char* name : {"a", "b", "c"}) test::WriteJpeg(source + "/" + name + ".jpg", 40, 30);
  delegate->AddUrlsIntoImageListViewAtEnd(
      {source + "/a.jpg", source + "/b.jpg", source + "/c.jpg"});
  ASSERT_TRUE(test::WaitForAdding(*delegate));
  delegate->window()->imageListViewOutlet->selectAll();
  delegate->window()->rotateRightAction->trigger();
  delegate->window()->flipHorizontalAction->trigger();
  for (int row = 0; row < 3; ++row) {
    EXPECT_EQ(delegate->ImageEntityForRow(row)->GetAngle(), -90) << row;
    EXPECT_EQ(delegate->ImageEntityForRow(row)->GetFlip(), 1) << row;
  }
}

// A press on a row that is already selected may start a drag: it selects nothing, so the picture,
// its labels and the result line all stay with the row selected last.
TEST_F(WatermarkWindow, PictureLabelsAndResultLineShowTheRowSelectedLast) {
  test::WriteJpeg(source + "/a.jpg", 64, 48);
  test::WriteJpeg(source + "/b.jpg", 30, 40);
  delegate->SwitchOnOffHeader(kResizeGroup, true, true);
  delegate->AddUrlsIntoImageListViewAtEnd({source + "/a.jpg", source + "/b.jpg"});
  ASSERT_TRUE(test::WaitForAdding(*delegate));
  ASSERT_TRUE(test::WaitForFacts(*delegate));
  ImageListView* list = delegate->window()->imageListViewOutlet;
  const auto middleOf = [&](int row) {
    return list->visualRect(delegate->imageListViewContents()->index(row, 0)).center();
  };
  QVXImageView* image = delegate->window()->mainImagePreview;
  const auto expectShown = [&](const char* name, QSize size) {
    SCOPED_TRACE(name);
    EXPECT_EQ(image->displayedSize(), size);
    EXPECT_EQ(delegate->window()->filenameLabelOutlet->text(), QLatin1String(name));
    const double zoom =
        std::min(image->width() / double(size.width()), image->height() / double(size.height()));
    EXPECT_TRUE(delegate->window()->fileDescriptionLabelOutlet->text().startsWith(
        QString::asprintf("At %.2f%% Zoom", 100 * zoom)));
    EXPECT_EQ(delegate->panels().resultStringStaticText->text(),
              QStringLiteral("%1 x %2 pixels").arg(size.width()).arg(size.height()));
  };
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, middleOf(0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, middleOf(1));
  ASSERT_EQ(delegate->selectedRows(), (QList<int>{0, 1}));
  expectShown("b.jpg", QSize(30, 40));

  QTest::mousePress(list->viewport(), Qt::LeftButton, {}, middleOf(0));
  ASSERT_EQ(delegate->selectedRows(), (QList<int>{0, 1}));
  // What a resize of the window or of the overlay asks for meanwhile.
  delegate->updateFileDescription();
  delegate->updateResizeResultString();
  expectShown("b.jpg", QSize(30, 40));

  // Let go without a drag, the pressed row becomes the selection and is shown.
  QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, middleOf(0));
  ASSERT_EQ(delegate->selectedRows(), QList<int>{0});
  expectShown("a.jpg", QSize(64, 48));
}

TEST_F(WatermarkWindow, FileWithoutPixelsShowsTheEmptyImageAtFullZoom) {
  test::WriteGarbage(source + "/broken.jpg", 300);
  SelectOnly(source + "/broken.jpg");
  delegate->transformAndSetCurrentImage();
  EXPECT_EQ(delegate->window()->fileDescriptionLabelOutlet->text(), "At 100.00% Zoom");
  EXPECT_EQ(view().imageAspectRatio(), 1.0);
  EXPECT_EQ(delegate->window()->mainImagePreview->currentImage().size(), QSize(550, 550));
  EXPECT_EQ(delegate->window()->mainImagePreview->displayedSize(), QSize(550, 550));
}

// A landscape of sky, sun and hills.
QImage Landscape(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, QColor(46, 92, 160));
  sky.setColorAt(0.7, QColor(250, 180, 110));
  painter.fillRect(image.rect(), sky);
  painter.setBrush(QColor(255, 230, 150));
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(width * 0.3, height * 0.55), height * 0.12, height * 0.12);
  for (int layer = 0; layer < 3; ++layer) {
    QPainterPath hills(QPointF(0, height));
    for (int x = 0; x <= width; x += width / 8) {
      hills.lineTo(
          x, height * (0.62 + 0.1 * layer) + std::sin(x * 0.004 + layer * 1.7) * height * 0.06);
    }
    hills.lineTo(width, height);
    painter.setBrush(QColor(30 + 25 * layer, 70 + 20 * layer, 50 + 10 * layer));
    painter.drawPath(hills);
  }
  return image;
}

// A round badge to use as the image watermark.
QImage Badge() {
  QImage badge(400, 400, QImage::Format_ARGB32_Premultiplied);
  badge.fill(Qt::transparent);
  QPainter painter(&badge);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(255, 255, 255, 230));
  painter.setPen(QPen(QColor(20, 60, 120), 24));
  painter.drawEllipse(QRectF(20, 20, 360, 360));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(230);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(20, 60, 120));
  painter.drawText(QRectF(0, 0, 400, 400), Qt::AlignCenter, QStringLiteral("G"));
  return badge;
}

// White "© Glimbrik 2026" at the bottom right of the picture.
QVariantMap Signature() {
  return PresetOf({.textStringTokens = {QStringLiteral("\u00a9 Glimbrik 2026")},
                   .textFont = QFont(QStringLiteral("DejaVu Sans")),
                   .textFontSize = 34,
                   .textPosition = 8,
                   .textWatermarkOffset = {16, 14},
                   .baseImageSizeForTextWatermark = {550, 366.7},
                   .textFontColor = Qt::white});
}

// The main window with both watermarks over a photograph; scripts/screenshot_watermark.sh
TEST_F(WatermarkWindow, MainWindowShowsBothWatermarksOverThePhoto) {
  AddPicture(Landscape(1600, 1067), "lake.jpg", 92);

  test::SetPresets(view().model(), {{"Signature", Signature()}}, {true});
  WatermarkModel& model = view().model();
  model.setImage(Badge());
  model.setImagePosition(2);
  model.setWatermarkImageSizePrecentage(0.3);
  model.setImageWatermarkOffset(QPointF(16, 14));
  model.setSelectionIndexes({0});
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  delegate->SwitchOnOffHeader(kImageWatermarkGroup, true, true);
  const QImage window = delegate->window()->grab().toImage();

  // White text at the bottom right, the badge's blue ring at the top right.
  const QRect area(view().mapTo(delegate->window(), QPoint(0, 0)), view().size());
  const qreal dpr = window.devicePixelRatio();
  auto count = [&](QRect r, auto test) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y) {
      for (int x = r.left(); x <= r.right(); ++x) n += test(window.pixel(QPoint(x, y) * dpr));
    }
    return n;
  };
  const QRect bottomRight(area.center().x(), area.bottom() - area.height() / 5, area.width() / 2,
                          area.height() / 5);
  const QRect topRight(area.center().x(), area.top(), area.width() / 2, area.height() / 3);
  EXPECT_GT(count(bottomRight, [](QRgb c) { return qGray(c) > 235; }), 50);
  EXPECT_GT(count(topRight, [](QRgb c) { return qBlue(c) > 100 && qRed(c) < 60; }), 50);
  SaveScreenshot(window);
}

// The image panel beside a rubber band over both watermarks; screenshot-image-watermark.sh
TEST_F(WatermarkWindow, ImageWatermarkPanelWithARubberBandOverTheOverlay) {
  ASSERT_TRUE(Badge().save(source + "/badge.png"));
  AddPicture(Landscape(1600, 1067), "lake.jpg", 92);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(delegate->window(), kTimeoutMs));

  test::SetPresets(view().model(), {{"Signature", Signature()}}, {true});
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  delegate->SwitchOnOffHeader(kImageWatermarkGroup, true, true);
  QVXOutlineView* sidebar = delegate->window()->configurationCollection;
  sidebar->collapseItem(kConversionGroup);
  sidebar->collapseItem(kTextWatermarkGroup);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  ImageWatermarkPanel* panel = delegate->imageWatermarkPanel();
  panel->AddWatermarkImagePanelHandler(source + "/badge.png", panel->WaterMarkImageView);
  panel->WatermarkImageSizeStepperOutlet->setDoubleValue(30);
  panel->WatermarkImageSizeStepperControlDidChange();
  panel->imageAngleStepperOutlet->setDoubleValue(15);
  panel->ImageAngleStepperControlDidChange();
  panel->imagePositionRadioButtonmatrixOutlet->button(2)->click();
  for (int i = 0; i < 3; ++i) {
    panel->xImageWatermarkOffsetStepperOutlet->upButton()->click();
    panel->yImageWatermarkOffsetStepperOutlet->upButton()->click();
  }
  WatermarkModel& model = view().model();
  model.setSelectionIndexes({});
  view().repaint();

  // From empty space left of the badge down to the middle of the text: both are touched.
  const QRectF textFrame = *model.presetRow(0)->frameRect;
  const QRectF badge = model.m_imageFrameRect();
  const auto widget = [&](QPointF p) { return QPoint(int(p.x()), int(view().height() - p.y())); };
  const QPointF from(std::min(textFrame.left(), badge.left()) - 40, badge.center().y());
  const QPointF to(badge.center().x(), textFrame.center().y());
  QTest::mousePress(&view(), Qt::LeftButton, {}, widget(from));
  QTest::mouseMove(&view(), widget(to));
  EXPECT_EQ(model.selectionIndexes(), (std::set<int64_t>{0, kImageWatermarkSelectionIndex}));
  EXPECT_TRUE(model.isSelectionOnDrag());
  const QImage window = delegate->window()->grab().toImage();
  // The band's edge, in its own colour, runs down the view at its left side.
  const QPoint edge =
      view().mapTo(delegate->window(), widget(QPointF(from.x(), (from.y() + to.y()) / 2)));
  const QRgb c = window.pixel(edge * window.devicePixelRatio());
  EXPECT_GT(qRed(c), 200);
  EXPECT_LT(qBlue(c), 140);
  EXPECT_EQ(panel->WatermarkImageSizeTextFieldOutlet->text(), "30");
  SaveScreenshot(window);
  QTest::mouseRelease(&view(), Qt::LeftButton, {}, widget(to));
  EXPECT_FALSE(model.isSelectionOnDrag());
}

// Presets differing in font, colours, angle and shadow each land where the overlay shows them.
TEST_F(WatermarkWindow, TwoTickedTextWatermarksReachTheOutputWhereTheOverlayShowsThem) {
  AddPhoto(4000, 3000);
  const TextWatermarkValues a{.textStringTokens = {QStringLiteral("Glimbrik")},
                              .textFont = QFont(QStringLiteral("DejaVu Sans")),
                              .textFontSize = 60,
                              .textPosition = 0,
                              .textWatermarkOffset = {20, 20},
                              .baseImageSizeForTextWatermark = {550, 412.5},
                              .textFontColor = Qt::red,
                              .shadowBlur = 4};
  const TextWatermarkValues b{.textStringTokens = {QStringLiteral("Lakeside")},
                              .textFont = QFont(QStringLiteral("DejaVu Serif")),
                              .textFontSize = 48,
                              .textPosition = 8,
                              .textWatermarkOffset = {20, 20},
                              .baseImageSizeForTextWatermark = {550, 412.5},
                              .drawingMode = 2,
                              .textFontColor = Qt::yellow,
                              .textFontStrokeColor = Qt::darkGreen,
                              .strokeWidth = 2,
                              .textRotationAngle = 20,
                              .isDropShadowApplied = false};
  test::SetPresets(view().model(), {{"first", PresetOf(a)}, {"second", PresetOf(b)}}, {true, true});
  view().reloadPresetTable();
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  const QImage overlay = Overlay();
  const std::optional<QRectF> frameA = view().model().presetRow(0)->frameRect;
  const std::optional<QRectF> frameB = view().model().presetRow(1)->frameRect;
  ASSERT_TRUE(frameA && frameB);

  const QImage shrunk = RunShrunkTo(overlay.size());
  const QImage plain = Plain(overlay.size());
  for (const QRectF& frame : {*frameA, *frameB}) {
    const QRect region = WidgetRegion(frame, overlay.size());
    ASSERT_GT(region.width(), 20);
    EXPECT_GT(MeanDifference(overlay, plain, region), 15.0);
    EXPECT_GT(MeanDifference(shrunk, plain, region), 15.0);
    EXPECT_LT(MeanDifference(shrunk, overlay, region), 5.0);
  }
  // The two lie in opposite corners of the picture.
  EXPECT_LT(WidgetRegion(*frameA, overlay.size()).center().y(), overlay.height() / 2);
  EXPECT_GT(WidgetRegion(*frameB, overlay.size()).center().y(), overlay.height() / 2);
}

// The text panel beside two ticked presets; scripts/screenshot-text-watermark.sh
TEST_F(WatermarkWindow, TextWatermarkPanelShowsBesideTheOverlay) {
  AddPicture(Landscape(1600, 1067), "lake.jpg", 92);

  QVariantMap first = PresetOf({.textStringTokens = {QStringLiteral("Evening at the Lake")},
                                .textFont = QFont(QStringLiteral("DejaVu Serif")),
                                .textFontSize = 36,
                                .textPosition = 1,
                                .textWatermarkOffset = {0, 18},
                                .baseImageSizeForTextWatermark = {550, 366.7},
                                .textFontColor = QColor(255, 244, 214),
                                .textShadowColor = QColor(20, 20, 40),
                                .shadowBlur = 6});
  QVariantMap second = PresetOf({.textStringTokens = {QStringLiteral("\u00a9 Glimbrik")},
                                 .textFont = QFont(QStringLiteral("DejaVu Sans")),
                                 .textFontSize = 22,
                                 .textPosition = 8,
                                 .textWatermarkOffset = {14, 14},
                                 .baseImageSizeForTextWatermark = {550, 366.7},
                                 .drawingMode = 2,
                                 .textFontColor = Qt::white,
                                 .textFontStrokeColor = QColor(30, 60, 110),
                                 .textRotationAngle = 12,
                                 .isDropShadowApplied = false});
  first.insert(kWaterMarkPresetIndexKey, qint64(0));
  second.insert(kWaterMarkPresetIndexKey, qint64(1));
  QVariantMap spare = test::CompletePreset(QStringLiteral("Draft"), 40);
  spare.insert(kDirtyFlagKey, true);
  test::SetPresets(view().model(),
                   {{"Title", first}, {"Signature", second}, {"Draft stamp", spare}},
                   {true, true, false});
  view().reloadPresetTable();
  delegate->SwitchOnOffHeader(kConversionGroup, false, true);
  delegate->SwitchOnOffHeader(kTextWatermarkGroup, true, true);
  view().SelectRowStartingAtRow(1);
  QVXOutlineView* sidebar = delegate->window()->configurationCollection;
  QWidget* top = delegate->panels().TextWatermarkViews[0];
  QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
  sidebar->verticalScrollBar()->setValue(top->mapTo(sidebar->widget(), QPoint(0, 0)).y() - 26);
  const QImage window = delegate->window()->grab().toImage();

  EXPECT_EQ(delegate->textWatermarkPanel()->fontSizeTextFieldOutlet->text(), "22");
  EXPECT_TRUE(view().waterMarkTableOutlet()->isVisible());
  EXPECT_EQ(view().waterMarkTableOutlet()->visibleRegion().boundingRect().height(),
            view().waterMarkTableOutlet()->height());
  SaveScreenshot(window);
}

TEST(SelectedImageView, DecodesAboutTheShownSizeAndAgainWhenItGrows) {
  const QString path = test::MakeTempFolder(QStringLiteral("view")) + "/big.jpg";
  test::WriteJpeg(path, 2400, 1600);
  QVXImageView view;
  view.resize(300, 200);
  view.show();
  QImage thumbnail(24, 16, QImage::Format_RGB32);
  thumbnail.fill(Qt::gray);
  view.setEntryImage(path, thumbnail, QSize(2400, 1600), 0, 0);
  EXPECT_EQ(view.currentImage().size(), QSize(24, 16)) << "the thumbnail stands in at once";
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.hasDecodedImage(); }, 30000));
  const QSize first = view.currentImage().size();
  EXPECT_GE(first.width(), 300);
  EXPECT_LT(first.width(), 2400) << "a large photo is never decoded whole for a small view";

  view.resize(1500, 1000);
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.currentImage().width() >= 1500; }, 30000));
  EXPECT_EQ(view.displayedSize(), QSize(2400, 1600));
  view.setEntryImage(path, thumbnail, QSize(2400, 1600), 0, 270);
  EXPECT_EQ(view.displayedSize(), QSize(1600, 2400));
  EXPECT_GE(view.currentImage().width(), 1500) << "a turn alone decodes nothing again";
}

TEST(SelectedImageView, ShowsMacPaintFaxAndQuickTimeImages) {
  QVXImageView view;
  view.resize(300, 200);
  view.show();
  QImage placeholder(8, 8, QImage::Format_RGB32);
  placeholder.fill(Qt::gray);
  for (const test::LegacyFile& file :
       test::MakeLegacyFiles(test::MakeTempFolder(QStringLiteral("view")))) {
    SCOPED_TRACE(file.label.toStdString());
    view.setEntryImage(file.path, placeholder, file.size, 0, 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.hasDecodedImage(); }, 30000));
    // Whole or reduced, the picture keeps its proportions.
    const QSize shown = view.currentImage().size();
    EXPECT_NEAR(double(shown.width()) / shown.height(),
                double(file.size.width()) / file.size.height(), 0.02);
  }
}

}  // namespace
}  // namespace glimbrik
