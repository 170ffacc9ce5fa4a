#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <vector>

namespace glimbrik {

struct ImageResizeOptions;

// Units: 1 percent, 2 pixels, 3 inches, 4 centimetres, 5 millimetres, 6 points.
double ConvertUnitToPoints(int unit, double value);
double ConvertUnitToInches(int unit, double value);

// On entry width, height and dpi describe the image; on return the size (whole numbers) and
// resolution the resize step will give it.
void ComputeResizedSize(const ImageResizeOptions& options, double* width, double* height,
                        double* dpi);

// One side of the resize target in pixels: value in the unit, for a side of `pixels` at dpi.
double ResizeTargetLength(int unit, double value, double pixels, double dpi);

// How the resize step draws a pw x ph image for a target of W x H pixels. The prediction
// (ComputeResizedSize) and the conversion both take it from here, so they cannot disagree.
struct ResizeLayout {
  QSizeF canvas;  // whole pixels
  QPointF origin;
  QSizeF drawSize;
  bool notEnlarged = false;  // a target larger than the image was refused
};
ResizeLayout LayoutResize(const ImageResizeOptions& options, double pw, double ph, double W,
                          double H);

// A straight segment as origin and deltas; deltas below 2e-5 in magnitude are exactly 0.
struct LineSegment {
  double x = 0.0;
  double y = 0.0;
  double dx = 0.0;
  double dy = 0.0;
};

// Power-basis cubic: B(t) = c0 + c1 t + c2 t^2 + c3 t^3, t in 0..1.
struct CubicCurve {
  QPointF c0, c1, c2, c3;
};

enum class PathElementKind { MoveTo, LineTo, CurveTo, ClosePath };

// CurveTo holds the two control points then the end point; the others use points[0].
struct PathElement {
  PathElementKind kind = PathElementKind::MoveTo;
  QPointF points[3];
};

struct BezierPath {
  std::vector<PathElement> elements;
  double lineWidth = 1.0;
};

void RectFromPoints(LineSegment* segment, double x1, double y1, double x2, double y2);
// Argument order: start point, end point, first control point, second control point.
void BezierCoefficients(CubicCurve* curve, QPointF p0, QPointF p3, QPointF p1, QPointF p2);
bool LineSegmentHitTest(const LineSegment& segment, const QRectF& rect);
bool CurveSegmentHitTest(const CubicCurve& curve, double tolerance, const QRectF& rect);
bool CurveHitTest(const BezierPath& path, const QRectF& rect);

}  // namespace glimbrik
