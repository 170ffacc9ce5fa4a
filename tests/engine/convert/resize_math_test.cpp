#include "engine/convert/resize_math.h"

#include <gtest/gtest.h>

#include <QColor>
#include <cmath>

#include "engine/convert/conversion_records.h"

namespace glimbrik {
namespace {

struct Resized {
  double w, h, dpi;
};

Resized Resize(const ImageResizeOptions& o, double w, double h, double dpi = 72.0) {
  ComputeResizedSize(o, &w, &h, &dpi);
  return {w, h, dpi};
}

ImageResizeOptions Options(int unit, double width, double height, int scaleMode, bool keep,
                           bool upscale) {
  ImageResizeOptions o;
  o.keepAspectRatio = keep ? 1 : 0;
  o.allowUpscale = upscale ? 1 : 0;
  o.unit = unit;
  o.width = width;
  o.height = height;
  o.scaleMode = scaleMode;
  return o;
}

ImageResizeOptions PixelBox(int scaleMode, bool upscale) {
  return Options(2, 800, 800, scaleMode, true, upscale);
}

TEST(ComputeResizedSize, ModesUnitsAndRounding) {
  ImageResizeOptions withBackground = PixelBox(2, true);
  withBackground.backgroundColor = QColor(Qt::white);
  ImageResizeOptions centimetres = Options(4, 10, 10, 4, false, true);
  centimetres.resolution = 300;
  ImageResizeOptions inches = Options(3, 5, 0, 0, true, false);
  inches.resolution = 300;
  ImageResizeOptions millimetres = inches;
  millimetres.unit = 5;
  millimetres.width = 127;
  ImageResizeOptions centimetresNoUpscale = centimetres;
  centimetresNoUpscale.allowUpscale = 0;
  const struct {
    const char* what;
    ImageResizeOptions options;
    double w, h, dpi;
    Resized expected;
  } cases[] = {
      {"fit", PixelBox(2, true), 1000, 500, 72, {800, 400, 72}},
      {"fit on a background fills the box", withBackground, 1000, 500, 72, {800, 800, 72}},
      {"fill", PixelBox(5, true), 1000, 500, 72, {1600, 800, 72}},
      {"fill without upscaling", PixelBox(5, false), 1000, 500, 72, {1000, 500, 72}},
      {"fill and crop", PixelBox(6, true), 1000, 500, 72, {800, 800, 72}},
      {"percent of the width", Options(1, 50, 0, 0, true, false), 1000, 750, 72, {500, 375, 72}},
      // Both sides given while scaling by one side: no factor at all.
      {"both sides by width", Options(1, 50, 50, 0, true, false), 1000, 750, 72, {0, 0, 72}},
      // Ties round to even: 0.5 * 501 = 250.5 -> 250.
      {"tie rounds to even", Options(1, 50, 0, 0, true, false), 1000, 501, 72, {500, 250, 72}},
      // Proportional sides round to nearest: 2000 / 3 = 666.67 -> 667, in every such mode.
      {"by width rounds", Options(2, 1000, 0, 0, true, false), 3000, 2000, 72, {1000, 667, 72}},
      {"fit rounds", Options(2, 1000, 1000, 2, true, false), 3000, 2000, 72, {1000, 667, 72}},
      {"fill rounds", Options(2, 1000, 600, 5, true, false), 3000, 2000, 72, {1000, 667, 72}},
      {"crop rounds", Options(2, 1000, 667, 6, true, false), 3000, 2000, 72, {1000, 667, 72}},
      {"stretch truncates centimetres", centimetres, 100, 100, 72, {1181, 1181, 300}},
      {"stretch without upscaling", centimetresNoUpscale, 100, 100, 72, {100, 100, 300}},
      // Widening alone is an enlargement too, though the other side shrinks.
      {"stretch one side wider",
       Options(2, 1200, 300, 4, false, false),
       1000,
       500,
       72,
       {1000, 500, 72}},
      {"stretch one side higher",
       Options(2, 800, 600, 4, false, false),
       1000,
       500,
       72,
       {1000, 500, 72}},
      {"free crop", Options(2, 800, 800, 3, false, true), 1000, 500, 72, {800, 500, 72}},
      {"inches at a resolution", inches, 4000, 3000, 300, {1500, 1125, 300}},
      {"millimetres at a resolution", millimetres, 4000, 3000, 300, {1500, 1125, 300}},
      {"points at 144 dpi", Options(6, 72, 36, 0, false, true), 1000, 1000, 144, {144, 72, 144}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Resized r = Resize(c.options, c.w, c.h, c.dpi);
    EXPECT_EQ(r.w, c.expected.w);
    EXPECT_EQ(r.h, c.expected.h);
    EXPECT_EQ(r.dpi, c.expected.dpi);
  }
}

TEST(ComputeResizedSize, EmptyImageGivesEmptySize) {
  for (int mode = 0; mode <= 6; ++mode) {
    ImageResizeOptions o = PixelBox(mode, true);
    Resized r = Resize(o, 0, 0);
    EXPECT_EQ(r.w, 0) << mode;
    EXPECT_EQ(r.h, 0) << mode;
    EXPECT_FALSE(std::isnan(r.w));
    o.unit = 1;
    r = Resize(o, 0, 500);
    EXPECT_EQ(r.w, 0) << mode;
    EXPECT_EQ(r.h, 0) << mode;
  }
}

BezierPath Path(std::initializer_list<PathElement> elements) {
  BezierPath p;
  p.elements = elements;
  return p;
}

PathElement Move(double x, double y) { return {PathElementKind::MoveTo, {QPointF(x, y)}}; }
PathElement Line(double x, double y) { return {PathElementKind::LineTo, {QPointF(x, y)}}; }
PathElement Close() { return {PathElementKind::ClosePath, {}}; }

TEST(PathGeometry, SegmentsAndPathsHitOnlyWhatTheyCross) {
  const QRectF box(10, 10, 10, 10);
  const auto segment = [&](double x0, double y0, double x1, double y1) {
    LineSegment line;
    RectFromPoints(&line, x0, y0, x1, y1);
    return LineSegmentHitTest(line, box);
  };
  EXPECT_TRUE(segment(0, 15, 30, 15));
  EXPECT_TRUE(segment(12, 12, 13, 13));
  EXPECT_FALSE(segment(0, 25, 30, 25));
  EXPECT_FALSE(segment(0, 15, 9, 15));

  const QRectF rect(40, 40, 20, 20);
  EXPECT_FALSE(
      CurveHitTest(Path({Move(0, 0), Line(100, 100), Line(0, 100), Close()}), QRectF(10, 2, 5, 5)));
  EXPECT_TRUE(CurveHitTest(Path({Move(0, 100), Line(100, 100), Line(100, 0), Close()}), rect));
  // One straight horizontal line has zero-height bounds and never hits.
  EXPECT_FALSE(CurveHitTest(Path({Move(0, 50), Line(100, 50)}), rect));
  // A path must start with a move-to.
  EXPECT_FALSE(CurveHitTest(Path({Line(0, 0), Line(100, 100), Line(0, 100)}), rect));
  EXPECT_FALSE(CurveHitTest(BezierPath{}, rect));
  PathElement curve{PathElementKind::CurveTo,
                    {QPointF(0, 133), QPointF(100, 133), QPointF(100, 0)}};
  EXPECT_TRUE(CurveHitTest(Path({Move(0, 0), curve}), QRectF(45, 95, 10, 10)));
  EXPECT_FALSE(CurveHitTest(Path({Move(0, 0), curve}), QRectF(45, 40, 10, 10)));

  // A tolerance that could never be met still ends.
  CubicCurve c;
  BezierCoefficients(&c, QPointF(0, 0), QPointF(100, 0), QPointF(30, 80), QPointF(70, 80));
  EXPECT_TRUE(CurveSegmentHitTest(c, -1.0, QRectF(0, 0, 100, 100)));
  EXPECT_FALSE(CurveSegmentHitTest(c, -1.0, QRectF(200, 200, 10, 10)));
}

}  // namespace
}  // namespace glimbrik
