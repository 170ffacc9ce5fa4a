#include "watermark/watermark_view.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QItemSelectionModel>
#include <QTableView>
#include <QTest>
#include <algorithm>

#include "platform/store/geometry_text.h"
#include "platform/store/preferences.h"
#include "support/test_env.h"
#include "watermark/watermark_presets.h"
#include "watermark_fixtures.h"

namespace glimbrik {
namespace {

using Editor = test::PreviewEditor;

int NonWhitePixels(const QImage& image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  const auto* p = reinterpret_cast<const QRgb*>(rgb.constBits());
  return int(std::count_if(p, p + rgb.width() * rgb.height(), [](QRgb c) { return c != ~0u; }));
}

QImage Square(int side) {
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  return image;
}

void ClearPresetFiles() {
  QFile::remove(PreferenceFilePath(kTextWatermarkPresetsFile));
  QFile::remove(PreferenceFilePath(kPhotoPresetsFile));
}

TEST(WatermarkViewFrame, LiesOverTheImageInsideThePreviewAndGivesItsBase) {
  Editor wide(400, 300, 2.0);
  EXPECT_EQ(wide.view->geometry(), QRect(0, 50, 400, 200));
  Editor square(400, 300, 1.0);
  EXPECT_EQ(square.view->geometry(), QRect(50, 0, 300, 300));
  // The preview's size changes carry the view along.
  square.preview.show();
  square.preview.resize(300, 600);
  EXPECT_EQ(square.view->geometry(), QRect(0, 150, 300, 300));

  // A shown view hands on its canvas as the base, the offset moved with it.
  wide.preview.show();
  wide.model().setTextWatermarkOffset(QPointF(10, 10));
  wide.model().setBaseImageSizeForTextWatermark(QSizeF(550, 550));
  QVariantMap preset;
  wide.view->GetTextWatermarkPreferenceValue(&preset);
  EXPECT_EQ(preset.value(kBaseImageSizeForTextWatermarkKey).toString(), "{550, 275}");
  EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{10, 5}");
  // A hidden view (no image shown) keeps the stored geometry.
  wide.view->hide();
  wide.model().setTextWatermarkOffset(QPointF(30, 40));
  wide.model().setBaseImageSizeForTextWatermark(QSizeF(550, 550));
  wide.view->GetTextWatermarkPreferenceValue(&preset);
  EXPECT_EQ(preset.value(kTextWatermarkOffsetKey).toString(), "{30, 40}");
  EXPECT_EQ(preset.value(kBaseImageSizeForTextWatermarkKey).toString(), "{550, 550}");
}

// The drawn canvas rescales every offset and writes the clean, ticked presets back: an entry
// already stored takes only the geometry, a new one is written whole; the picture's geometry
// goes to the chosen photo preset only.
TEST(WatermarkViewDraw, ResizedCanvasRescalesAndStoresTheOffsets) {
  ClearPresetFiles();
  ASSERT_TRUE(WriteTextWatermarkPresetFile({{"stored", test::CompletePreset("old")}}));
  const QVariantMap trip{{"ImageOpacity", 0.4}};
  ASSERT_TRUE(WritePreferenceDictionary({{"Trip", trip}}, kPhotoPresetsFile));
  Editor editor(1100, 550, 2.0);
  QString chosen;  // the built-in item at first: nothing is written
  editor.view->host.selectedPhotoPresetTitle = [&] { return chosen; };
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
  ASSERT_TRUE(ReadPreferenceDictionary(&file, kPhotoPresetsFile));
  EXPECT_EQ(file.value("Trip").toMap(), trip);
  // The row's frame is the hit area, in the view's y-up points.
  const std::optional<QRectF> frame = model.presetRow(0)->frameRect;
  ASSERT_TRUE(frame.has_value());
  EXPECT_NEAR(frame->x(), 20.0, 0.01);
  EXPECT_NEAR(frame->y(), 10.0, 0.01);
  EXPECT_GT(frame->width(), 50.0);

  chosen = QStringLiteral("Trip");
  model.setBaseImageSizeForImageWatermark(QSizeF(550, 550));
  model.setImageWatermarkOffset(QPointF(10, 10));
  editor.Draw();
  ASSERT_TRUE(ReadPreferenceDictionary(&file, kPhotoPresetsFile));
  const QVariantMap stored = file.value("Trip").toMap();
  EXPECT_EQ(stored.value(kImageWatermarkOffsetKey).toString(), "{10, 5}");
  EXPECT_EQ(stored.value(kBaseImageSizeForImageWatermarkKey).toString(), "{550, 275}");
  EXPECT_EQ(stored.value("ImageOpacity").toDouble(), 0.4);
  model.setBaseImageSizeForImageWatermark(QSizeF(550, -1));
  model.setImageWatermarkOffset(QPointF(10, 10));
  editor.Draw();
  EXPECT_EQ(model.imageWatermarkOffset(), QPointF(10, 10));
}

TEST(WatermarkViewDraw, IncompletePresetIsNotDrawnAndTheSelectedGetAFrameWithHandles) {
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

  // A selected watermark gets a frame with handles.
  WatermarkModel& model = editor.view->model();
  model.setPresetRowState(0, false);
  model.setImage(Square(100));
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

// A shown 550 x 550 editor; points are given y-up, as the overlay's geometry is.
struct Overlay : test::PreviewEditor {
  Overlay() : PreviewEditor(550, 550, 1.0, true) {
    view->host.changeGlobalPresetOption = [this](QObject* sender) {
      if (sender) ++presetChanges;
    };
    preview.show();
    // The drag draws at once, which needs a window on the screen.
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&preview, 10000));
  }
  QPoint At(QPointF p) const { return QPoint(int(p.x()), int(view->height() - p.y())); }
  // The point as a mouse event carries it, in whole widget pixels.
  QPointF Snapped(QPointF p) const {
    return {double(At(p).x()), view->height() - double(At(p).y())};
  }
  void Press(QPointF p, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mousePress(view, Qt::LeftButton, modifiers, At(p));
  }
  void Move(QPointF p) { QTest::mouseMove(view, At(p)); }
  void Release(QPointF p) { QTest::mouseRelease(view, Qt::LeftButton, {}, At(p)); }
  void Click(QPointF p, Qt::KeyboardModifiers modifiers = {}) {
    Press(p, modifiers);
    Release(p);
  }
  void Drag(QPointF from, QPointF to) {
    Press(from);
    Move(to);
    Release(to);
  }
  void Paint() { view->repaint(); }
  QVariantMap Preset(const QString& title) { return *model().presetNamed(title); }
  QRectF Frame(int64_t row) { return *model().presetRow(row)->frameRect; }

  // The rows the preset table shows selected.
  std::vector<int> TableRows() {
    std::vector<int> rows;
    for (const QModelIndex& index : view->waterMarkTableOutlet()->selectionModel()->selectedRows())
      rows.push_back(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
  }

  int presetChanges = 0;
};

QVariantMap PresetAt(int tag, QPointF offset) {
  QVariantMap preset = test::CompletePreset(QStringLiteral("Glimbrik"));
  preset.insert(kTextPositionKey, qint64(tag));
  preset.insert(kTextWatermarkOffsetKey, StringFromPoint(offset));
  return preset;
}

TEST(WatermarkInteraction, DraggedPresetTakesTheCellItLandsInFromThatCellsAnchor) {
  Overlay o;
  test::SetPresets(o.model(), {{"sign", PresetAt(6, {0, 0})}}, {true});
  o.view->reloadPresetTable();
  o.model().setSelectionIndexes({});
  o.Paint();
  o.model().setPresetRowFrameRect(0, QRectF(0, 0, 100, 20));
  o.Press({10, 10});
  ASSERT_EQ(o.model().selectionIndexes(), std::set<int64_t>{0}) << "pressed";
  o.Move({410, 510});
  o.Release({410, 510});
  EXPECT_EQ(o.Preset("sign").value(kTextPositionKey).toLongLong(), 2);
  EXPECT_EQ(o.Preset("sign").value(kTextWatermarkOffsetKey).toString(), "{50, 30}");
  EXPECT_TRUE(o.model().isPresetDirty("sign"));
  EXPECT_EQ(o.model().textWatermarkOffset(), QPointF(50, 30));
  // The press selected it, and the table followed.
  EXPECT_EQ(o.TableRows(), std::vector<int>{0});
  EXPECT_TRUE(o.Shown(0).startsWith(QStringLiteral("\u2726"))) << o.Shown(0).toStdString();
  EXPECT_GT(o.presetChanges, 0);
  EXPECT_FALSE(o.model().graphicIsClicked()) << "the release leaves no drag behind";
  o.Paint();
  const QRectF text = o.Frame(0);
  EXPECT_NEAR(text.right(), 550 - 50, 1.0);
  EXPECT_NEAR(text.bottom(), 550 - 30, 1.0);  // y up: bottom() is the frame's top edge

  // On to the centre cell: the frame's centre from the canvas centre.
  const QPointF to(275, 260);
  o.Drag(text.center(), to);
  EXPECT_EQ(o.Preset("sign").value(kTextPositionKey).toLongLong(), 4);
  const QPointF offset =
      PointFromString(o.Preset("sign").value(kTextWatermarkOffsetKey).toString());
  const QPointF expected = text.center() + to - o.Snapped(text.center()) - QPointF(275, 275);
  EXPECT_LT(QLineF(offset, expected).length(), 1e-9);
  o.Paint();
  EXPECT_LT(QLineF(o.Frame(0).center(), to).length(), 1.5) << "drawn where it was dropped";
}

TEST(WatermarkInteraction, PressesAndRubberBandSelectTheOverlayAndTheTableFollows) {
  Overlay o;
  test::SetPresets(
      o.model(),
      {{"a", PresetAt(4, {0, 0})}, {"b", PresetAt(4, {0, 0})}, {"high", PresetAt(2, {10, 10})}},
      {true, true, true});
  o.view->reloadPresetTable();
  o.view->SelectRowStartingAtRow(1);
  o.model().setSelectionIndexes({});
  o.Paint();
  // Overlapping presets: the press takes the lowest row.
  const QPointF centre = o.Frame(1).center();
  ASSERT_TRUE(o.Frame(0).contains(centre));
  o.Click(centre);
  EXPECT_EQ(o.model().selectionIndexes(), std::set<int64_t>{0});
  EXPECT_EQ(o.TableRows(), std::vector<int>{0});
  EXPECT_FALSE(o.model().isPresetDirty("a")) << "a click without a move changes nothing";
  // Shift on the only selected one takes it out of the overlay's selection; the table keeps it.
  o.Click(centre, Qt::ShiftModifier);
  EXPECT_TRUE(o.model().selectionIndexes().empty());
  EXPECT_EQ(o.TableRows(), std::vector<int>{0});

  // A band from empty space to the high preset's middle, with Shift: still replaced.
  const QRectF high = o.Frame(2);
  const QPointF empty = high.center() - QPointF(20, 100);
  o.model().setSelectionIndexes({0});
  o.Press(empty, Qt::ShiftModifier);
  o.Move(high.center());
  o.Release(high.center());
  EXPECT_EQ(o.model().selectionIndexes(), std::set<int64_t>{2});
  EXPECT_EQ(o.TableRows(), (std::vector<int>{0, 2}));
  EXPECT_FALSE(o.model().isPresetDirty("high"));
  // Another one over empty space alone selects nothing, yet the table keeps a row for the
  // panel's edits to go to.
  o.Press(empty, Qt::ShiftModifier);
  o.Move(empty + QPointF(5, 5));
  o.Release(empty + QPointF(5, 5));
  EXPECT_TRUE(o.model().selectionIndexes().empty());
  EXPECT_EQ(o.TableRows().size(), 1u);
  EXPECT_EQ(o.model().presetTableSelectedRows().size(), 1u);
  // A plain click on empty space clears the overlay's selection.
  o.Click(empty);
  EXPECT_TRUE(o.model().selectionIndexes().empty());
  EXPECT_EQ(o.TableRows().size(), 1u);

  // Neither a Ctrl-click on the table's only selected row nor a click below its rows leaves it
  // without one.
  o.table->resize(300, 240);
  o.table->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(o.table.get()));
  QTableView* table = o.view->waterMarkTableOutlet();
  const int only = o.TableRows().front();
  const QPoint cell = table->visualRect(table->model()->index(only, kPresetTitleColumn)).center();
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier, cell);
  EXPECT_EQ(o.TableRows(), std::vector<int>{only});
  QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                    QPoint(cell.x(), table->viewport()->height() - 3));
  EXPECT_EQ(o.TableRows(), std::vector<int>{only});
  EXPECT_EQ(o.model().presetTableSelectedRows(), std::vector<int64_t>{only});
  EXPECT_TRUE(o.view->removePresetButton()->isEnabled());

  // The picture, selected on the overlay, stays selected when a row joins in the table.
  o.model().setImage(Square(60));
  o.Paint();
  o.Click(o.model().m_imageFrameRect().center());
  ASSERT_EQ(o.model().selectionIndexes(), std::set<int64_t>{kImageWatermarkSelectionIndex});
  const int other = only == 0 ? 1 : 0;
  QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::ControlModifier,
                    table->visualRect(table->model()->index(other, kPresetTitleColumn)).center());
  EXPECT_EQ(o.TableRows().size(), 2u);
  EXPECT_EQ(o.model().selectionIndexes().count(kImageWatermarkSelectionIndex), 1u);
  EXPECT_EQ(o.model().selectionIndexes().count(other), 1u);
}

TEST(WatermarkInteraction, OnlyWhatTheLastPaintDrewCanBeHitOrDragged) {
  Overlay o;
  o.model().setImage(Square(200));
  o.model().setImagePosition(4);
  o.Paint();
  const QRectF old = o.model().m_imageFrameRect();
  ASSERT_GT(old.width(), 10);
  // The picture is removed: its old frame is no hit area any more.
  o.model().setImage(QImage());
  o.model().setImagePosition(4);
  o.Paint();
  o.model().setSelectionIndexes({kImageWatermarkSelectionIndex});
  o.Drag(old.center(), {20, 20});
  EXPECT_TRUE(o.model().selectionIndexes().empty()) << "a press on nothing clears";
  EXPECT_EQ(o.model().imagePosition(), 4);
  EXPECT_EQ(o.model().imageWatermarkOffset(), QPointF(0, 0));
  EXPECT_EQ(o.presetChanges, 0);
}

TEST(WatermarkInteraction, EachCellMeasuresTheOffsetFromItsOwnAnchor) {
  // A 50 x 20 frame at (100, 200), y up, moved by (10, 5) on a canvas of twice the base side;
  // cells run left to right, top to bottom.
  const QRectF frame(100, 200, 50, 20);
  const double x[] = {110, 110 + (50 - 1100) / 2.0, 1100 - 160};
  const double y[] = {1100 - 225, 205 + (20 - 1100) / 2.0, 205};
  for (int tag = 0; tag < 9; ++tag) {
    EXPECT_EQ(WatermarkView::OffsetForMovedFrame(tag, frame, {10, 5}, 1100, 1100),
              QPointF(x[tag % 3], y[tag / 3]) / 2)
        << tag;
  }
}

TEST(WatermarkInteraction, PointerBeyondTheViewReachesTheEdgeCells) {
  Overlay o;
  o.model().setImage(Square(100));
  o.Paint();
  const QRectF image = o.model().m_imageFrameRect();
  o.Press(image.center());
  o.Move({700, -40});  // right of and below the view
  EXPECT_EQ(o.model().imagePosition(), 8);
  o.Release({700, -40});
  // The pointer is held just inside the corner: the frame moved that far and no further.
  const QPointF press = o.Snapped(image.center());
  const QPointF held(550 - (image.right() + 549.9 - press.x()), image.top() + 0.1 - press.y());
  EXPECT_LT(QLineF(o.model().imageWatermarkOffset(), held).length(), 1e-6);
  // Past the top and the left the same: the top-left cell, the frame held at the top edge.
  o.Paint();
  const QRectF moved = o.model().m_imageFrameRect();
  o.Drag(moved.center(), {-30, 620});
  EXPECT_EQ(o.model().imagePosition(), 0);
  const QPointF from = o.Snapped(moved.center());
  const QPointF top(moved.left() + 0.1 - from.x(), 550 - (moved.bottom() + 549.9 - from.y()));
  EXPECT_LT(QLineF(o.model().imageWatermarkOffset(), top).length(), 1e-6);
  o.Paint();
  EXPECT_LT(o.model().m_imageFrameRect().top(), 550) << "some of it still on the canvas";
  // Turned frames are hit inside their turned outline only.
  EXPECT_TRUE(WatermarkView::HitAreaContains(QRectF(0, 0, 100, 10), 90, {50, 40}));
  EXPECT_FALSE(WatermarkView::HitAreaContains(QRectF(0, 0, 100, 10), 90, {5, 5}));
}

}  // namespace
}  // namespace glimbrik
