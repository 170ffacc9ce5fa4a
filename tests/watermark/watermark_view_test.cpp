#include "watermark/watermark_view.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "platform/geometry_text.h"
#include "platform/preferences.h"
#include "support/test_env.h"
#include "watermark/watermark_presets.h"
#include "watermark_fixtures.h"

namespace glimbrik {
namespace {

using Editor = test::PreviewEditor;

int NonWhitePixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != qRgb(255, 255, 255);
  }
  return count;
}

void ClearPresetFiles() {
  QFile::remove(PreferenceFilePath(kTextWatermarkPresetsFile));
  QFile::remove(PreferenceFilePath(kPhotoPresetsFile));
}

TEST(WatermarkViewFrame, LiesOverTheImageInsideThePreview) {
  Editor wide(400, 300, 2.0);
  EXPECT_EQ(wide.view->geometry(), QRect(0, 50, 400, 200));
  Editor square(400, 300, 1.0);
  EXPECT_EQ(square.view->geometry(), QRect(50, 0, 300, 300));
  // The preview's size changes carry the view along.
  square.preview.show();
  square.preview.resize(300, 600);
  EXPECT_EQ(square.view->geometry(), QRect(0, 150, 300, 300));
}

// The drawn canvas rescales every offset and writes the clean, ticked presets back: an entry
// already stored takes only the geometry, a new one is written whole.
TEST(WatermarkViewDraw, ResizedCanvasRescalesAndStoresTheOffsets) {
  ClearPresetFiles();
  ASSERT_TRUE(WriteTextWatermarkPresetFile({{"stored", test::CompletePreset("old")}}));
  Editor editor(1100, 550, 2.0);
  ASSERT_EQ(editor.view->size(), QSize(1100, 550));
  WatermarkModel& model = editor.model();
  // Each offset by (10, 10) on a 550 x 550 base; a base without a side is never divided by.
  QVariantMap fresh = test::CompletePreset("Glimbrik");
  fresh.insert(kBaseImageSizeForTextWatermarkKey, "{0, 550}");
  QVariantMap dirty = test::CompletePreset("dirty");
  dirty.insert(kDirtyFlagKey, true);
  test::SetPresets(model,
                   {{"stored", test::CompletePreset("new")},
                    {"fresh", fresh},
                    {"dirty", dirty},
                    {"unticked", test::CompletePreset("unticked")}},
                   {true, true, true, false});
  model.setImage(QImage(50, 50, QImage::Format_ARGB32_Premultiplied));
  model.setImageWatermarkOffset(QPointF(10, 10));

  EXPECT_GT(NonWhitePixels(editor.Draw()), 100);
  QVariantMap file;
  ASSERT_TRUE(ReadTextWatermarkPresetFile(&file));
  EXPECT_EQ(file.keys(), (QStringList{"fresh", "stored"}));
  for (const QVariantMap& preset : {*model.presetNamed("stored"), file.value("stored").toMap()}) {
    EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{10, 5}");
    EXPECT_EQ(preset.value(kBaseImageSizeForTextWatermarkKey).toString(), "{550, 275}");
  }
  EXPECT_EQ(file.value("stored").toMap().value(kTextStringKey),
            test::CompletePreset("old").value(kTextStringKey));
  for (const QVariantMap& preset : {*model.presetNamed("fresh"), file.value("fresh").toMap()}) {
    EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{10, 5}");
    EXPECT_EQ(preset.value(kDirtyFlagKey), QVariant(false));
  }
  EXPECT_EQ(model.imageWatermarkOffset(), QPointF(10, 5));
  EXPECT_EQ(model.baseImageSizeForImageWatermark(), QSizeF(550, 275));
  // The row's frame is the hit area, in the view's y-up points.
  const std::optional<QRectF> frame = model.presetRow(0)->frameRect;
  ASSERT_TRUE(frame.has_value());
  EXPECT_NEAR(frame->x(), 20.0, 0.01);
  EXPECT_NEAR(frame->y(), 10.0, 0.01);
  EXPECT_GT(frame->width(), 50.0);
  model.setBaseImageSizeForImageWatermark(QSizeF(550, -1));
  model.setImageWatermarkOffset(QPointF(10, 10));
  editor.Draw();
  EXPECT_EQ(model.imageWatermarkOffset(), QPointF(10, 10));
}

TEST(WatermarkViewDraw, IncompletePresetIsNeitherDrawnNorFramed) {
  ClearPresetFiles();
  Editor editor(600, 400, 1.5);
  QVariantMap preset = test::CompletePreset("Glimbrik", 80);
  preset.remove(kShadowColorKey);
  test::SetPresets(editor.view->model(), {{"shadow", preset}}, {true});
  EXPECT_EQ(NonWhitePixels(editor.Draw()), 0);
  EXPECT_FALSE(editor.view->model().presetRow(0)->frameRect.has_value());
  EXPECT_EQ(editor.view->GetSelectedTextWatermarkOptions().count, 0u);
  // The same preset complete is drawn and framed.
  test::SetPresets(editor.view->model(), {{"shadow", test::CompletePreset("Glimbrik", 80)}},
                   {true});
  EXPECT_GT(NonWhitePixels(editor.Draw()), 100);
  EXPECT_TRUE(editor.view->model().presetRow(0)->frameRect.has_value());
}

TEST(WatermarkViewDraw, SelectedWatermarksGetAFrameWithHandles) {
  ClearPresetFiles();
  Editor editor(600, 400, 1.5);
  WatermarkModel& model = editor.view->model();
  QImage picture(100, 100, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::blue);
  model.setImage(picture);
  model.setImagePosition(4);
  model.setSelectionIndexes({});
  const QImage plain = editor.Draw();
  model.setSelectionIndexes({kImageWatermarkSelectionIndex});
  const QImage framed = editor.Draw();
  // The frame's colour appears only with the selection, around the picture's frame.
  const QRectF frame = model.m_imageFrameRect();
  ASSERT_GT(frame.width(), 0);
  const int x = int(std::round(frame.left()));
  // A quarter up the left edge: between the corner and the edge's middle handle.
  const int y = framed.height() - 1 - int(std::round(frame.top() + frame.height() / 4));
  auto yellowish = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 150 && qBlue(c) < 160; };
  bool found = false;
  for (int dx = -1; dx <= 1; ++dx) found = found || yellowish(framed.pixel(x + dx, y));
  EXPECT_TRUE(found);
  EXPECT_FALSE(yellowish(plain.pixel(x, y)));
}

TEST(WatermarkTransfer, PreferenceValueFollowsTheViewsCanvas) {
  Editor editor(800, 600, 800.0 / 600.0);
  editor.preview.show();
  WatermarkView& view = *editor.view;
  view.model().setTextWatermarkOffset(QPointF(10, 10));
  view.model().setBaseImageSizeForTextWatermark(QSizeF(550, 550));
  QVariantMap preset;
  view.GetTextWatermarkPreferenceValue(&preset);
  EXPECT_EQ(preset.value(kBaseImageSizeForTextWatermarkKey).toString(), "{550, 412.5}");
  // The offset moved with its base, so the watermark stays where it was.
  EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{10, 7.5}");

  // A hidden view (no image shown) keeps the stored geometry.
  view.hide();
  view.model().setTextWatermarkOffset(QPointF(30, 40));
  view.model().setBaseImageSizeForTextWatermark(QSizeF(550, 275));
  view.GetTextWatermarkPreferenceValue(&preset);
  EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{30, 40}");
  EXPECT_EQ(preset.value(kBaseImageSizeForTextWatermarkKey).toString(), "{550, 275}");
}

TEST(WatermarkImageCopies, TakeTheLowestFreeNumberAndNeverAnExistingFile) {
  const QString folder = test::MakeTempFolder(QStringLiteral("copies"));
  for (const char* name : {"watermark_image1", "watermark_image3"}) {
    QFile file(folder + "/" + name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("keep");
  }
  const QString made = WatermarkView::CreateWatermarkImageFileIn(folder);
  EXPECT_EQ(made, folder + "/watermark_image2");
  EXPECT_EQ(QFileInfo(made).size(), 0);
  // A dangling link holds its number too; nothing is written through it.
  ASSERT_TRUE(QFile::link(folder + "/elsewhere", folder + "/watermark_image4"));
  EXPECT_EQ(WatermarkView::CreateWatermarkImageFileIn(folder), folder + "/watermark_image5");
  EXPECT_FALSE(QFileInfo::exists(folder + "/elsewhere"));
  QFile kept(folder + "/watermark_image1");
  ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
  EXPECT_EQ(kept.readAll(), "keep");
  EXPECT_TRUE(WatermarkView::CreateWatermarkImageFileIn(QString()).isEmpty());
  const QString first = WatermarkView::SaveWatermarkImageCopy(QImage(3, 3, QImage::Format_RGB32));
  const QString second = WatermarkView::SaveWatermarkImageCopy(QImage(3, 3, QImage::Format_RGB32));
  ASSERT_FALSE(first.isEmpty());
  EXPECT_NE(first, second);
  EXPECT_EQ(QImage(second).size(), QSize(3, 3));
}

TEST(WatermarkPresets, ImageGeometryGoesToTheChosenPhotoPresetOnly) {
  ClearPresetFiles();
  const QVariantMap trip{{"ImageOpacity", 0.4}};
  ASSERT_TRUE(WritePreferenceDictionary({{"Trip", trip}}, kPhotoPresetsFile));
  QString chosen;
  Editor editor(1100, 550, 2.0);
  editor.view->host.selectedPhotoPresetTitle = [&] { return chosen; };
  QImage picture(40, 40, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::green);
  editor.view->model().setImage(picture);
  editor.view->model().setImageWatermarkOffset(QPointF(10, 10));
  editor.Draw();  // the built-in item: nothing is written
  QVariantMap file;
  ASSERT_TRUE(ReadPreferenceDictionary(&file, kPhotoPresetsFile));
  EXPECT_EQ(file.value("Trip").toMap(), trip);
  chosen = QStringLiteral("Trip");
  editor.view->model().setBaseImageSizeForImageWatermark(QSizeF(550, 550));
  editor.view->model().setImageWatermarkOffset(QPointF(10, 10));
  editor.Draw();
  ASSERT_TRUE(ReadPreferenceDictionary(&file, kPhotoPresetsFile));
  const QVariantMap stored = file.value("Trip").toMap();
  EXPECT_EQ(stored.value(kImageWatermarkOffsetKey).toString(), "{10, 5}");
  EXPECT_EQ(stored.value(kBaseImageSizeForImageWatermarkKey).toString(), "{550, 275}");
  EXPECT_EQ(stored.value("ImageOpacity").toDouble(), 0.4);
}

}  // namespace
}  // namespace glimbrik
