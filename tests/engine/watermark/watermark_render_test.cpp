#include "engine/watermark/watermark_render.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/convert/conversion_records.h"
#include "engine/pixel_probes.h"
#include "engine/watermark/watermark_options.h"

namespace glimbrik {
namespace {

QImage WhiteCanvas(int w, int h) {
  return test::Flat(w, h, Qt::white, QImage::Format_ARGB32_Premultiplied);
}

using test::CountPixels;
using test::InkBox;

// Mean row of the ink in the leftmost and the rightmost fifth of its box: a counter-clockwise turn
// of something wide lifts its right end (a smaller row) above its left end.
std::pair<double, double> EndRows(const QImage& canvas) {
  const QRect box = InkBox(canvas);
  double sums[2] = {0, 0}, counts[2] = {0, 0};
  for (int y = box.top(); y <= box.bottom(); ++y) {
    for (int x = box.left(); x <= box.right(); ++x) {
      if (qRed(canvas.pixel(x, y)) > 128) continue;
      const int end = x < box.left() + box.width() / 5    ? 0
                      : x > box.right() - box.width() / 5 ? 1
                                                          : -1;
      if (end < 0) continue;
      sums[end] += y;
      ++counts[end];
    }
  }
  return {counts[0] ? sums[0] / counts[0] : 0, counts[1] ? sums[1] / counts[1] : 0};
}

TEST(WatermarkGeometry, AnchorsOffsetsAndFitIntoReferenceSpace) {
  // Centred exactly, and an unknown tag sits at the offset like tag 6 (bottom left).
  EXPECT_EQ(WatermarkOriginForPosition(4, 0, 0, 100, 50, 550, 400), QPointF(225, 175));
  EXPECT_EQ(WatermarkOriginForPosition(9, 12, 7, 100, 50, 550, 400), QPointF(12, 7));
  EXPECT_EQ(WatermarkOriginForPosition(2, 10, 20, 100, 50, 550, 400), QPointF(440, 330));
  EXPECT_EQ(WatermarkOriginForPosition(5, 10, 20, 100, 50, 550, 400), QPointF(440, 195));
  // A wide picture fits the reference width, a tall one its height.
  QSizeF size;
  EXPECT_FALSE(FitWatermarkImage(QImage(2000, 1000, QImage::Format_ARGB32), &size).isNull());
  EXPECT_EQ(size, QSizeF(550, 275));
  FitWatermarkImage(QImage(1000, 2000, QImage::Format_ARGB32), &size);
  EXPECT_EQ(size, QSizeF(275, 550));
  FitWatermarkImage(QImage(300, 200, QImage::Format_ARGB32), &size);
  EXPECT_EQ(size, QSizeF(300, 200));
  EXPECT_TRUE(FitWatermarkImage(QImage(), &size).isNull());
}

QImage DrawImage(ImageWatermarkOptions* options, int w, int h, QRectF* frame) {
  QImage canvas = WhiteCanvas(w, h);
  QPainter painter(&canvas);
  painter.setTransform(YUpTransform(h));
  *frame = DrawImageWatermark(&painter, options, w, h);
  return canvas;
}

TEST(ImageWatermark, LandsOnExactPixelsAndShrinksWithOpacityAndFraction) {
  ImageWatermarkOptions options;
  options.image = test::Flat(100, 100, Qt::black, QImage::Format_ARGB32);
  options.sizeFraction = 1.0;
  options.position = 6;
  options.offset = QPointF(10, 10);
  options.opacity = 1.0;
  // A base size never set keeps the offset in reference units (a set one: ProcessImage tests).
  QRectF frame;
  QImage canvas = DrawImage(&options, 1100, 800, &frame);
  EXPECT_EQ(frame, QRectF(10, 10, 100, 100));
  EXPECT_EQ(options.offset, QPointF(10, 10));
  EXPECT_EQ(InkBox(canvas), QRect(QPoint(20, 580), QPoint(219, 779)));

  options.image = test::Flat(2000, 1000, Qt::black, QImage::Format_ARGB32);
  options.sizeFraction = 0.5;
  options.offset = QPointF();
  options.opacity = 0.5;
  canvas = DrawImage(&options, 550, 400, &frame);
  EXPECT_EQ(frame.size(), QSizeF(275, 137.5));
  EXPECT_NEAR(canvas.pixelColor(100, 330).red(), 128, 2);
  EXPECT_EQ(canvas.pixel(300, 100), qRgb(255, 255, 255));

  // A positive angle turns the picture counter-clockwise as it is seen.
  options.image = test::Flat(300, 30, Qt::black, QImage::Format_ARGB32);
  options.sizeFraction = 1.0;
  options.opacity = 1.0;
  options.position = 4;
  options.rotationAngle = 30;
  const auto [left, right] = EndRows(DrawImage(&options, 550, 400, &frame));
  EXPECT_LT(right, left - 40);
}

TextWatermarkOptions BlackText(const QString& text) {
  return test::SolidText(text, 40, 4, Qt::black);
}

QImage DrawText(TextWatermarkOptions record, const QString& text, int w, int h,
                QRectF* frame = nullptr) {
  QImage canvas = WhiteCanvas(w, h);
  QPainter painter(&canvas);
  painter.setTransform(YUpTransform(h));
  const QRectF f = DrawTextWatermark(&painter, text, &record, false, w, h);
  if (frame) *frame = f;
  return canvas;
}

TEST(TextWatermark, OverlappingGlyphsShowOneEvenTone) {
  TextWatermarkOptions record = BlackText("WW");
  record.charSpace = -20;
  record.opacity = 0.5;
  record.fontSize = 80;
  const QImage canvas = DrawText(record, "WW", 550, 400);
  EXPECT_EQ(CountPixels(canvas, [](const QColor& c) { return c.red() < 126; }), 0);
  EXPECT_GT(CountPixels(canvas, [](const QColor& c) { return std::abs(c.red() - 128) <= 1; }), 500);
}

TEST(TextWatermark, DrawingModesUseTheirColours) {
  TextWatermarkOptions record = BlackText("O");
  record.textColor = Qt::red;
  record.strokeColor = Qt::blue;
  record.strokeWidth = 6;
  auto reddish = [](const QColor& c) { return c.red() > 200 && c.blue() < 60 && c.green() < 60; };
  auto bluish = [](const QColor& c) { return c.blue() > 200 && c.red() < 60 && c.green() < 60; };
  record.drawingMode = 1;
  const QImage outline = DrawText(record, "O", 550, 400);
  EXPECT_EQ(CountPixels(outline, reddish), 0);
  EXPECT_GT(CountPixels(outline, bluish), 50);
  record.drawingMode = 2;
  const QImage both = DrawText(record, "O", 550, 400);
  EXPECT_GT(CountPixels(both, reddish), 20);
  EXPECT_GT(CountPixels(both, bluish), 50);
  record.drawingMode = 0;
  const QImage fill = DrawText(record, "O", 550, 400);
  EXPECT_EQ(CountPixels(fill, bluish), 0);
}

TEST(TextWatermark, ShadowFallsDownRightAndRotationTurns) {
  TextWatermarkOptions record = BlackText("I");
  record.textColor = Qt::white;  // only the shadow shows on white
  record.dropShadow = 1;
  record.shadowColor = QColor(Qt::black);
  record.shadowXOffset = 10;
  record.shadowYOffset = -10;
  record.shadowBlur = 2;
  const QRect plain = InkBox(DrawText(BlackText("I"), "I", 550, 400));
  const QRect shadow = InkBox(DrawText(record, "I", 550, 400));
  ASSERT_FALSE(shadow.isEmpty());
  EXPECT_NEAR(shadow.center().x() - plain.center().x(), 10, 2);
  EXPECT_NEAR(shadow.center().y() - plain.center().y(), 10, 2);

  TextWatermarkOptions wide = BlackText("IIIIII");
  const QRect flat = InkBox(DrawText(wide, "IIIIII", 550, 400));
  wide.rotationAngle = 90;
  const QRect upright = InkBox(DrawText(wide, "IIIIII", 550, 400));
  EXPECT_GT(flat.width(), flat.height());
  EXPECT_GT(upright.height(), upright.width());
  EXPECT_NEAR(upright.height(), flat.width(), 3);
  // A positive angle turns the text counter-clockwise as it is seen.
  wide.rotationAngle = 30;
  const auto [left, right] = EndRows(DrawText(wide, "IIIIII", 550, 400));
  EXPECT_LT(right, left - 20);
}

TEST(TextWatermark, LinesAlignWithinTheFrameAndUnderlineShows) {
  TextWatermarkOptions record = BlackText("");
  record.position = 6;
  const QString text = "IIIIIIII\nII";
  auto secondLine = [&](uint8_t alignment) {
    record.alignment = alignment;
    const QImage canvas = DrawText(record, text, 550, 400);
    const QRect all = InkBox(canvas);
    // The lower half of the ink holds the short second line.
    return InkBox(
        canvas.copy(QRect(0, all.center().y() + 4, 550, all.bottom() - all.center().y())));
  };
  const QRect left = secondLine(0);
  const QRect right = secondLine(1);
  const QRect centre = secondLine(2);
  EXPECT_LT(left.left(), centre.left());
  EXPECT_LT(centre.left(), right.left());
  EXPECT_NEAR(left.width(), right.width(), 2);

  TextWatermarkOptions plain = BlackText("ace");
  const QRect withoutLine = InkBox(DrawText(plain, "ace", 550, 400));
  plain.underline = 1;
  const QRect withLine = InkBox(DrawText(plain, "ace", 550, 400));
  EXPECT_GT(withLine.bottom(), withoutLine.bottom());
}

TEST(TextWatermark, AbsurdShadowsAndSizesDrawSafely) {
  TextWatermarkOptions record = BlackText("Far");
  record.dropShadow = 1;
  record.shadowColor = QColor(Qt::black);
  record.shadowBlur = int64_t(1) << 40;
  record.shadowXOffset = int64_t(1) << 40;
  record.shadowYOffset = -(int64_t(1) << 40);
  // The shadow falls far off the canvas; the text itself still shows.
  EXPECT_FALSE(InkBox(DrawText(record, "Far", 550, 400)).isEmpty());
  record.fontSize = int64_t(1) << 50;
  record.shadowXOffset = 3;
  DrawText(record, "Far", 550, 400);
  record.fontSize = -5;
  EXPECT_TRUE(InkBox(DrawText(record, "Far", 550, 400)).isEmpty());
}

TEST(TextWatermark, OffsetWriteBackAndEmptyText) {
  TextWatermarkOptions record = BlackText("A");
  record.position = 6;
  record.offset = QPointF(50, 50);
  record.baseImageSize = QSizeF(550, 400);
  QImage canvas = WhiteCanvas(550, 275);
  QPainter painter(&canvas);
  painter.setTransform(YUpTransform(275));
  QRectF frame = DrawTextWatermark(&painter, "A", &record, false, 550, 275);
  EXPECT_EQ(frame.topLeft(), QPointF(50, 34.375));
  EXPECT_EQ(record.offset, QPointF(50, 50));
  DrawTextWatermark(&painter, "A", &record, true, 550, 275);
  EXPECT_EQ(record.offset, QPointF(50, 34.375));
  painter.end();

  const QImage blank = DrawText(BlackText(""), "", 550, 400, &frame);
  EXPECT_TRUE(InkBox(blank).isEmpty());
}

// Bottom left with an offset of (10, 10): a base size rescales the offset to the canvas in
// reference units, and a base size never set (zero, or Qt's invalid size) leaves it alone.
TEST(TextWatermark, BottomLeftOffsetLandsInsideTheCorner) {
  struct Base {
    const char* name;
    std::optional<QSizeF> size;  // none keeps the record's own default
  };
  const Base bases[] = {{"default", std::nullopt},
                        {"zero", QSizeF(0, 0)},
                        {"invalid", QSizeF()},
                        {"550x400", QSizeF(550, 400)}};
  for (const QSize canvas : {QSize(550, 400), QSize(1600, 1067), QSize(400, 550)}) {
    const double s = std::max(canvas.width(), canvas.height()) / 550.0;
    const double W = canvas.width() / s;
    const double H = canvas.height() / s;
    for (const Base& base : bases) {
      SCOPED_TRACE(testing::Message()
                   << canvas.width() << "x" << canvas.height() << " base " << base.name);
      const bool rescales = base.size && base.size->width() > 0;
      const double ox = rescales ? 10 * W / base.size->width() : 10;
      const double oy = rescales ? 10 * H / base.size->height() : 10;
      TextWatermarkOptions record = BlackText("Hg");
      record.position = 6;
      if (base.size) record.baseImageSize = *base.size;
      const QRect corner = InkBox(DrawText(record, "Hg", canvas.width(), canvas.height()));
      record.offset = QPointF(10, 10);
      QRectF frame;
      const QRect ink = InkBox(DrawText(record, "Hg", canvas.width(), canvas.height(), &frame));
      EXPECT_NEAR(frame.x(), ox, 1e-9);
      EXPECT_NEAR(frame.y(), oy, 1e-9);
      ASSERT_FALSE(ink.isEmpty());
      // The frame's corner in pixels, y down; the ink lies inside it.
      const QRectF pixels(ox * s, canvas.height() - (oy + frame.height()) * s, frame.width() * s,
                          frame.height() * s);
      EXPECT_TRUE(pixels.adjusted(-2, -2, 2, 2).contains(QRectF(ink)))
          << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
      // Moved from the unshifted corner by the offset in pixels.
      EXPECT_NEAR(ink.left() - corner.left(), ox * s, 1.0);
      EXPECT_NEAR(corner.bottom() - ink.bottom(), oy * s, 1.0);
    }
  }
}

}  // namespace
}  // namespace glimbrik
