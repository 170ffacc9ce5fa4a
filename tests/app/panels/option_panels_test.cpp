#include <gtest/gtest.h>

#include <QSemaphore>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "app/app_fixtures.h"
#include "app/delegate/app_delegate.h"
#include "app/list/thumbnail_queue.h"
#include "app/panels/effect_thumbnails.h"

namespace glimbrik {
namespace {

using OptionPanelsTest = test::AppTest;

TEST_F(OptionPanelsTest, EditsMarkThePhotoPresetButPresetAppliesDoNot) {
  QComboBox* presets = app->PhotoPresetPopupButton();
  presets->addItem(QStringLiteral("Mine"), 5);
  QList<QObject*> previewed;
  app->hooks.PreviewAction = [&](QObject* sender) { previewed << sender; };

  presets->setCurrentIndex(1);
  app->changeEffectOptionAction(nullptr);
  app->changeResizeOptionAction(nullptr);
  EXPECT_EQ(presets->currentIndex(), 1);

  p().autoEnhancementCheckButton->click();
  EXPECT_EQ(SelectedTag(presets), 0);
  EXPECT_TRUE(previewed.isEmpty()) << "nothing to preview in an empty list";

  const QString path = test::MakeTempFolder() + "/a.jpg";
  test::WriteJpeg(path, 40, 30);
  app->AddUrlsIntoImageListViewAtEnd({path});
  ASSERT_TRUE(test::WaitForAdding(*app));
  app->SwitchOnOffHeader(kEffectGroup, true, false);
  presets->setCurrentIndex(1);
  p().effectsRadioButtonOutlet->button(2)->click();
  EXPECT_EQ(SelectedTag(presets), 0);
  EXPECT_EQ(previewed, QList<QObject*>{p().effectsRadioButtonOutlet->button(2)});
}

TEST_F(OptionPanelsTest, QualitySliderFieldAndStepperStayInStep) {
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("80"));
  EXPECT_EQ(p().imageQualityStepper->value(), 80);
  p().imageQualityEditFieldOutlet->setFocus();
  p().imageQualityEditFieldOutlet->clear();
  QTest::keyClicks(p().imageQualityEditFieldOutlet, QStringLiteral("65"));
  EXPECT_EQ(p().imageQualityStepper->value(), 65);
  EXPECT_DOUBLE_EQ(p().imageQualitySlider->doubleValue(), 0.65);
  // Above 100 the field takes the stepper's value back.
  p().imageQualityEditFieldOutlet->clear();
  p().imageQualityEditFieldOutlet->insert(QStringLiteral("150"));
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("65"));
  EXPECT_EQ(p().imageQualityStepper->value(), 65);
  QTest::keyClicks(p().imageQualityEditFieldOutlet, QStringLiteral("x"));
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("65"));
  // Typed key by key, "15" is taken first and is the value given back.
  p().imageQualityEditFieldOutlet->clear();
  QTest::keyClicks(p().imageQualityEditFieldOutlet, QStringLiteral("150"));
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("15"));
  EXPECT_EQ(p().imageQualityStepper->value(), 15);
  EXPECT_DOUBLE_EQ(p().imageQualitySlider->doubleValue(), 0.15);

  p().imageQualityStepper->stepUp();
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("16"));
  EXPECT_DOUBLE_EQ(p().imageQualitySlider->doubleValue(), 0.16);

  // 100 itself is the highest quality, not over the limit.
  p().imageQualityEditFieldOutlet->clear();
  QTest::keyClicks(p().imageQualityEditFieldOutlet, QStringLiteral("100"));
  EXPECT_EQ(p().imageQualityEditFieldOutlet->text(), QStringLiteral("100"));
  EXPECT_EQ(p().imageQualityStepper->value(), 100);
  EXPECT_DOUBLE_EQ(p().imageQualitySlider->doubleValue(), 1.0);
}

TEST_F(OptionPanelsTest, SwitchingConversionOnAgainAsksTheOutputType) {
  QComboBox* profiles = p().colorProfilePopUpButton;
  ASSERT_EQ(SelectedTag(p().destImageTypePopUpButton), 0);
  EXPECT_FALSE(profiles->isEnabled()) << "the source's own type keeps its profile";
  app->SwitchOnOffHeader(kConversionGroup, false, false);
  EXPECT_FALSE(p().imageQualitySlider->isEnabled());
  app->SwitchOnOffHeader(kConversionGroup, true, false);
  EXPECT_FALSE(profiles->isEnabled());
  EXPECT_TRUE(p().imageQualitySlider->isEnabled());
  EXPECT_TRUE(p().destImageTypePopUpButton->isEnabled());

  ASSERT_TRUE(SelectItemWithTag(p().destImageTypePopUpButton, 7));
  EXPECT_TRUE(profiles->isEnabled());
  EXPECT_FALSE(p().imageQualitySlider->isEnabled());
  app->SwitchOnOffHeader(kConversionGroup, false, false);
  app->SwitchOnOffHeader(kConversionGroup, true, false);
  EXPECT_TRUE(profiles->isEnabled());
  EXPECT_FALSE(p().imageQualitySlider->isEnabled());

  // Formats nothing here can write are shown, but cannot be chosen, and say why.
  QComboBox* types = p().destImageTypePopUpButton;
  auto* items = qobject_cast<QStandardItemModel*>(types->model());
  ASSERT_TRUE(items);
  for (int tag : {14, 15, 16, 17, 20, 21, 22, 4, 7, 10, 24}) {
    const QStandardItem* item = items->item(types->findData(tag));
    const bool writable = tag == 4 || tag == 7 || tag == 10 || tag == 24;
    EXPECT_EQ(item->isEnabled(), writable) << tag;
    EXPECT_EQ(item->toolTip().isEmpty(), writable) << tag;
  }
}

TEST_F(OptionPanelsTest, TheDefaultPhotoPresetResetsTheWatermarkEditor) {
  ASSERT_TRUE(app->watermarkContextView);
  WatermarkModel& model = app->watermarkContextView->model();
  QImage mark(8, 8, QImage::Format_ARGB32);
  mark.fill(Qt::red);
  model.setImage(mark);
  model.setWatermarkImageOpacity(0.3);
  model.setWatermarkImageSizePrecentage(0.9);
  model.setImageRotationAngle(45);
  model.setImagePosition(2);
  model.setImageWatermarkOffset(QPointF(12, -4));
  ASSERT_GT(model.presetRowCount(), 1) << "the first-run text presets";
  model.setPresetTableSelection({1}, 1);
  p().resolutionComboBoxOutlet->setEditText(QStringLiteral("300"));
  app->ApplyDefaultPhotoPreset();
  EXPECT_EQ(p().resolutionComboBoxOutlet->currentText(), QStringLiteral("72"));
  EXPECT_EQ(model.presetTableSelectedRow(), 0);
  EXPECT_TRUE(model.image().isNull());
  EXPECT_DOUBLE_EQ(model.watermarkImageOpacity(), double(0.8f));
  EXPECT_DOUBLE_EQ(model.watermarkImageSizePrecentage(), 0.5);
  EXPECT_EQ(model.imageRotationAngle(), 0);
  EXPECT_EQ(model.imagePosition(), 6);
  EXPECT_EQ(model.imageWatermarkOffset(), QPointF(0, 0));
}

TEST(EffectThumbnails, TurnFirstThenMirrorAsTheMainViewAndTheRunDo) {
  // A red top-left quarter on black.
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::black);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) image.setPixel(x, y, qRgb(255, 0, 0));
  const auto redAt = [](const QImage& turned, QPoint at) {
    return turned.pixelColor(at).red() > 200;
  };
  // Turned left: the quarter moves to the bottom left; mirrored then: bottom right.
  const QImage left = TurnedImage(image, 0, 90);
  ASSERT_EQ(left.size(), QSize(20, 40));
  EXPECT_TRUE(redAt(left, QPoint(2, 37)));
  const QImage leftMirrored = TurnedImage(image, 1, 90);
  ASSERT_EQ(leftMirrored.size(), QSize(20, 40));
  EXPECT_TRUE(redAt(leftMirrored, QPoint(17, 37)));
  EXPECT_FALSE(redAt(leftMirrored, QPoint(2, 2)));
  EXPECT_TRUE(redAt(TurnedImage(image, 2, 0), QPoint(2, 17)));
  EXPECT_TRUE(redAt(TurnedImage(image, 0, 0), QPoint(2, 2)));
}

TEST_F(OptionPanelsTest, TheEffectCellsShowTheCentreOfTheSelectedImageThroughEachEffect) {
  // Thirds of a tall image: only the green middle one lies in the centre square.
  QImage tall(200, 400, QImage::Format_RGB32);
  tall.fill(Qt::red);
  for (int y = 100; y < 300; ++y)
    for (int x = 0; x < 200; ++x) tall.setPixel(x, y, qRgb(0, 200, 0));
  const QString path = test::MakeTempFolder() + "/tall.png";
  ASSERT_TRUE(tall.save(path));
  QSignalSpy updated(app.get(), &AppDelegate::effectImagesUpdated);
  // With no row selected the cells show the application's icon, the window's icon too.
  EXPECT_FALSE(app->window()->windowIcon().isNull());
  app->SwitchOnOffHeader(kEffectGroup, true, true);
  ASSERT_TRUE(updated.wait(20000));
  const QColor tile =
      p().effectsRadioButtonOutlet->button(0)->icon().pixmap(78, 78).toImage().pixelColor(6, 39);
  EXPECT_EQ(tile.alpha(), 255);
  EXPECT_GT(tile.blue(), tile.red() + 60);
  app->SwitchOnOffHeader(kEffectGroup, false, true);
  app->AddUrlsIntoImageListViewAtEnd({path});
  ASSERT_TRUE(test::WaitForAdding(*app));
  updated.clear();
  app->updateEffectImages();
  EXPECT_FALSE(updated.wait(2000)) << "the cells are left alone while the group is off";
  app->SwitchOnOffHeader(kEffectGroup, true, true);
  ASSERT_TRUE(updated.wait(20000));
  for (int tag = 0; tag < kEffectCount; ++tag) {
    const QIcon icon = p().effectsRadioButtonOutlet->button(tag)->icon();
    EXPECT_EQ(icon.availableSizes(), QList<QSize>{QSize(78, 78)}) << tag;
  }
  const auto cell = [&](int tag) {
    return p().effectsRadioButtonOutlet->button(tag)->icon().pixmap(78, 78).toImage();
  };
  for (QPoint at : {QPoint(4, 4), QPoint(73, 4), QPoint(39, 39), QPoint(4, 73), QPoint(73, 73)}) {
    const QColor c = cell(0).pixelColor(at);
    EXPECT_LT(c.red(), 30) << at.x() << "," << at.y();
    EXPECT_NEAR(c.green(), 200, 15) << at.x() << "," << at.y();
  }
  const QColor mono = cell(1).pixelColor(39, 39);
  EXPECT_EQ(mono.red(), mono.green());
  EXPECT_EQ(mono.green(), mono.blue());
  EXPECT_TRUE(EffectThumbnailCrop(QImage()).isNull());
}
// Two rows of the same picture, one turned a quarter: with both selected, the cells show the
// picture as the row selected last turns it.
TEST_F(OptionPanelsTest, TheEffectCellsTurnAsTheRowSelectedLast) {
  QImage halves(80, 80, QImage::Format_RGB32);
  halves.fill(Qt::red);
  for (int y = 0; y < 80; ++y)
    for (int x = 40; x < 80; ++x) halves.setPixel(x, y, qRgb(0, 0, 255));
  const QString folder = test::MakeTempFolder("turns");
  ASSERT_TRUE(halves.save(folder + "/turned.png"));
  ASSERT_TRUE(halves.save(folder + "/plain.png"));
  app->SwitchOnOffHeader(kEffectGroup, true, true);
  AddAndSelect({folder + "/turned.png", folder + "/plain.png"});
  app->window()->rotateRightAction->trigger();
  ASSERT_EQ(app->ImageEntityForRow(0)->GetAngle(), -90.0);

  const auto near = [](const QColor& a, const QColor& b) {
    return std::abs(a.red() - b.red()) < 40 && std::abs(a.green() - b.green()) < 40 &&
           std::abs(a.blue() - b.blue()) < 40;
  };
  // "across": red left, blue right, as drawn; "down": the halves one above the other.
  const auto layout = [&]() -> std::string {
    const QIcon icon = p().effectsRadioButtonOutlet->button(0)->icon();
    if (icon.isNull()) return "none";
    const QImage cell = icon.pixmap(78, 78).toImage();
    const QColor topLeft = cell.pixelColor(15, 15), topRight = cell.pixelColor(63, 15),
                 bottomLeft = cell.pixelColor(15, 63);
    if (near(topLeft, Qt::red) && near(topRight, Qt::blue) && near(bottomLeft, Qt::red))
      return "across";
    if (near(topLeft, topRight) && !near(topLeft, bottomLeft)) return "down";
    return "other";
  };
  ASSERT_TRUE(QTest::qWaitFor([&] { return layout() == "down"; }, 20000)) << layout();

  test::ClickRow(*app, 1, Qt::ControlModifier);
  ASSERT_EQ(app->selectedRows(), (QList<int>{0, 1}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return layout() == "across"; }, 20000))
      << "the unturned row was selected last, the cells are " << layout();

  test::ClickRow(*app, 1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return layout() == "across"; }, 20000)) << layout();
  test::ClickRow(*app, 0, Qt::ControlModifier);
  ASSERT_EQ(app->selectedRows(), (QList<int>{0, 1}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return layout() == "down"; }, 20000))
      << "the turned row was selected last, the cells are " << layout();
}

TEST_F(OptionPanelsTest, TheEffectCellsAndTheResultLineFollowTheSelectionThroughRemovals) {
  const QString folder = test::MakeTempFolder("colours");
  const QColor colours[] = {Qt::red, QColor(0, 200, 0), Qt::blue, Qt::yellow, Qt::magenta};
  QStringList paths;
  for (int i = 0; i < 5; ++i) {
    QImage image(60 + 10 * i, 40, QImage::Format_RGB32);
    image.fill(colours[i]);
    ASSERT_TRUE(image.save(paths.emplaceBack(folder + QStringLiteral("/c%1.png").arg(i))));
  }
  app->SwitchOnOffHeader(kEffectGroup, true, true);
  app->SwitchOnOffHeader(kResizeGroup, true, true);
  AddAndSelect(paths.mid(0, 3));
  // The last two come in one run while the loaders are held: the first of a run is read at
  // once, the magenta one waits.
  auto release = std::make_shared<QSemaphore>();
  const std::unique_ptr<void, std::function<void(void*)>> freed(
      release.get(), [release](void*) { release->release(2); });
  for (int i = 0; i < 2; ++i) ThumbnailOperationQueue().enqueue([release] { release->acquire(); });
  app->AddUrlsIntoImageListViewAtEnd(paths.mid(3));
  ASSERT_TRUE(test::WaitForAdding(*app));
  const auto cellColour = [&] {
    const QIcon icon = p().effectsRadioButtonOutlet->button(0)->icon();
    return icon.isNull() ? QColor() : icon.pixmap(78, 78).toImage().pixelColor(39, 39);
  };
  const auto near = [](const QColor& a, const QColor& b) {
    return a.isValid() && std::abs(a.red() - b.red()) < 30 &&
           std::abs(a.green() - b.green()) < 30 && std::abs(a.blue() - b.blue()) < 30;
  };

  // Rows 1 to 3 go; on the way the green row is drawn again. The magenta one moves up into the
  // selection, and until its picture is there the cells show nothing, never a removed row.
  ImageListView* list = app->window()->imageListViewOutlet;
  list->selectionModel()->setCurrentIndex(app->imageListViewContents()->index(1, 0),
                                          QItemSelectionModel::NoUpdate);
  list->selectionModel()->select(QItemSelection(app->imageListViewContents()->index(1, 0),
                                                app->imageListViewContents()->index(3, 0)),
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  ASSERT_TRUE(QTest::qWaitFor([&] { return near(cellColour(), colours[1]); }, 20000));
  app->window()->removeToolbarItem->trigger();
  ASSERT_EQ(app->selectedRows(), QList<int>{1});
  EXPECT_FALSE(QTest::qWaitFor([&] { return cellColour().isValid(); }, 1500))
      << cellColour().name().toStdString();
  release->release(2);
  EXPECT_TRUE(QTest::qWaitFor([&] { return near(cellColour(), colours[4]); }, 20000));
  EXPECT_EQ(p().resultStringStaticText->text(), QStringLiteral("100 x 40 pixels"));

  // Emptied, nothing of the removed pictures stays in the panels.
  app->window()->removeAllToolbarItem->trigger();
  EXPECT_EQ(p().resultStringStaticText->text(), QStringLiteral("-"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !near(cellColour(), colours[4]); }, 5000));
  QSignalSpy updated(app.get(), &AppDelegate::effectImagesUpdated);
  updated.wait(1000);  // a drawing still under way must not bring it back
  EXPECT_FALSE(near(cellColour(), colours[4]));
}

}  // namespace
}  // namespace glimbrik
