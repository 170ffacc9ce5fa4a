#include "engine/convert/resize_math.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "engine/convert/conversion_records.h"

namespace glimbrik {

double ConvertUnitToPoints(int unit, double value) {
  switch (unit) {
    case 5:
      return value / 25.4 * 72.0;
    case 4:
      return value / 2.54 * 72.0;
    default:
      return value * 72.0;
  }
}

double ConvertUnitToInches(int unit, double value) {
  // The factors are single-precision constants; kept so that stored sizes convert alike.
  switch (unit) {
    case 5:
      return value * 0.03937007859349251;
    case 4:
      return value * 0.3937007784843445;
    default:
      return value / 72.0;
  }
}

double ResizeTargetLength(int unit, double value, double pixels, double dpi) {
  switch (unit) {
    case 2:
      return value;
    case 1:
      return pixels * value / 100.0;
    case 6:
      return value * dpi / 72.0;
    default:
      return ConvertUnitToPoints(unit, value) * dpi / 72.0;
  }
}

namespace {

// Nearest whole number, halves to the even neighbour.
double Nearest(double x) { return std::nearbyint(x); }

double ProportionalFactor(int scaleMode, double W, double H, double tw, double th) {
  switch (scaleMode) {
    case 5:
    case 6: {
      double s = tw / W;
      if (th > Nearest(s * H)) s = th / H;
      return s;
    }
    case 2: {
      double s = tw / W;
      if (Nearest(s * H) > th) s = th / H;
      return s;
    }
    default:
      if (th == 0.0 && tw > 0.0) return tw / W;
      if (tw == 0.0 && th > 0.0) return th / H;
      return 0.0;
  }
}

ResizeLayout Unscaled(double pw, double ph) {
  return {QSizeF(std::trunc(pw), std::trunc(ph)), QPointF(0, 0), QSizeF(pw, ph), true};
}

}  // namespace

ResizeLayout LayoutResize(const ImageResizeOptions& options, double pw, double ph, double W,
                          double H) {
  ResizeLayout layout;
  if (!options.keepAspectRatio) {
    if (options.scaleMode == 3) {
      // Crop: the image keeps its scale and is cut around its centre.
      layout.canvas = QSizeF(std::trunc(std::min(pw, W)), std::trunc(std::min(ph, H)));
      layout.origin = QPointF(-Nearest((pw - layout.canvas.width()) * 0.5),
                              -Nearest((ph - layout.canvas.height()) * 0.5));
      layout.drawSize = QSizeF(pw, ph);
      return layout;
    }
    // Stretch: growing either side is an enlargement.
    if (!options.allowUpscale && (W > pw || H > ph)) return Unscaled(pw, ph);
    layout.canvas = QSizeF(std::trunc(W), std::trunc(H));
    layout.drawSize = layout.canvas;
    return layout;
  }
  const double s = ProportionalFactor(options.scaleMode, pw, ph, W, H);
  const double nw = Nearest(pw * s), nh = Nearest(s * ph);
  if (!options.allowUpscale && (nw > pw || nh > ph)) return Unscaled(pw, ph);
  layout.canvas = QSizeF(nw, nh);
  layout.drawSize = QSizeF(nw, nh);
  if (options.scaleMode == 6) {
    if (nw > W) {
      layout.canvas.setWidth(std::trunc(W));
      layout.origin.setX(-Nearest((nw - W) * 0.5));
    }
    if (nh > H) {
      layout.canvas.setHeight(std::trunc(H));
      layout.origin.setY(-Nearest((nh - H) * 0.5));
    }
  } else if (options.scaleMode == 2 && options.backgroundColor) {
    // Fitted and centred on a canvas of the box's size.
    layout.canvas = QSizeF(std::trunc(W), std::trunc(H));
    layout.origin = QPointF(Nearest((W - nw) * 0.5), Nearest((H - nh) * 0.5));
  }
  return layout;
}

void ComputeResizedSize(const ImageResizeOptions& options, double* width, double* height,
                        double* dpi) {
  if (options.resolution > 0) *dpi = static_cast<double>(options.resolution);
  const double W = *width;
  const double H = *height;
  // Nothing to scale: an empty image stays empty instead of dividing by zero.
  if (!(W > 0.0) || !(H > 0.0)) {
    *width = 0.0;
    *height = 0.0;
    return;
  }
  const ResizeLayout layout =
      LayoutResize(options, W, H, ResizeTargetLength(options.unit, options.width, W, *dpi),
                   ResizeTargetLength(options.unit, options.height, H, *dpi));
  *width = layout.canvas.width();
  *height = layout.canvas.height();
}

namespace {

double SnapDelta(double d) { return std::fabs(d) < 2e-5 ? 0.0 : d; }

// Half-open rectangles; one with a zero side meets nothing.
bool RectsIntersect(const QRectF& a, const QRectF& b) {
  if (a.width() == 0.0 || a.height() == 0.0 || b.width() == 0.0 || b.height() == 0.0) {
    return false;
  }
  const QRectF na = a.normalized();
  const QRectF nb = b.normalized();
  return na.left() < nb.right() && nb.left() < na.right() && na.top() < nb.bottom() &&
         nb.top() < na.bottom();
}

bool PointInRect(double x, double y, const QRectF& r) {
  return x >= r.left() && x < r.right() && y >= r.top() && y < r.bottom();
}

// Deep enough for any tolerance that matters; guards against a zero or negative tolerance.
constexpr int kMaxCurveDepth = 24;

bool CurveSegmentHit(const CubicCurve& c, double tolerance, const QRectF& rect, int depth) {
  const QPointF p0 = c.c0;
  const QPointF p1 = c.c0 + 0.3333 * c.c1;
  const QPointF p2 = c.c0 + 0.6666 * c.c1 + 0.3333 * c.c2;
  const QPointF p3 = c.c0 + c.c1 + c.c2 + c.c3;
  const double minX = std::min({p0.x(), p1.x(), p2.x(), p3.x()});
  const double maxX = std::max({p0.x(), p1.x(), p2.x(), p3.x()});
  const double minY = std::min({p0.y(), p1.y(), p2.y(), p3.y()});
  const double maxY = std::max({p0.y(), p1.y(), p2.y(), p3.y()});
  const QRectF box(minX, minY, std::max(maxX - minX, 1.0), std::max(maxY - minY, 1.0));
  if (!RectsIntersect(box, rect)) return false;
  if (tolerance >= box.width() || tolerance >= box.height()) return true;
  if (depth >= kMaxCurveDepth) return true;
  const CubicCurve first{c.c0, 0.5 * c.c1, 0.25 * c.c2, 0.125 * c.c3};
  const CubicCurve second{c.c0 + 0.5 * c.c1 + 0.25 * c.c2 + 0.125 * c.c3,
                          0.5 * c.c1 + 0.5 * c.c2 + 0.375 * c.c3, 0.25 * c.c2 + 0.375 * c.c3,
                          0.125 * c.c3};
  return CurveSegmentHit(first, tolerance, rect, depth + 1) ||
         CurveSegmentHit(second, tolerance, rect, depth + 1);
}

QRectF PathBounds(const BezierPath& path) {
  QPainterPath painterPath;
  for (const PathElement& e : path.elements) {
    switch (e.kind) {
      case PathElementKind::MoveTo:
        painterPath.moveTo(e.points[0]);
        break;
      case PathElementKind::LineTo:
        painterPath.lineTo(e.points[0]);
        break;
      case PathElementKind::CurveTo:
        painterPath.cubicTo(e.points[0], e.points[1], e.points[2]);
        break;
      case PathElementKind::ClosePath:
        painterPath.closeSubpath();
        break;
    }
  }
  return painterPath.boundingRect();
}

bool SegmentHit(QPointF from, QPointF to, const QRectF& rect) {
  LineSegment segment;
  RectFromPoints(&segment, from.x(), from.y(), to.x(), to.y());
  return LineSegmentHitTest(segment, rect);
}

}  // namespace

void RectFromPoints(LineSegment* segment, double x1, double y1, double x2, double y2) {
  *segment = LineSegment{x1, y1, SnapDelta(x2 - x1), SnapDelta(y2 - y1)};
}

void BezierCoefficients(CubicCurve* curve, QPointF p0, QPointF p3, QPointF p1, QPointF p2) {
  curve->c0 = p0;
  curve->c1 = 3.0 * (p1 - p0);
  curve->c2 = 3.0 * (p0 - 2.0 * p1 + p2);
  curve->c3 = 3.0 * (p1 - p2) + (p3 - p0);
}

bool LineSegmentHitTest(const LineSegment& s, const QRectF& rect) {
  const QRectF r = rect.normalized();
  if (PointInRect(s.x, s.y, r)) return true;
  if (s.dx != 0.0) {
    for (double edge : {r.left(), r.right()}) {
      const double t = (edge - s.x) / s.dx;
      const double y = s.y + t * s.dy;
      if (t >= 0.0 && t <= 1.0 && y >= r.top() && y < r.bottom()) return true;
    }
  }
  if (s.dy != 0.0) {
    for (double edge : {r.top(), r.bottom()}) {
      const double t = (edge - s.y) / s.dy;
      const double x = s.x + t * s.dx;
      if (t >= 0.0 && t <= 1.0 && x >= r.left() && x < r.right()) return true;
    }
  }
  return false;
}

bool CurveSegmentHitTest(const CubicCurve& curve, double tolerance, const QRectF& rect) {
  return CurveSegmentHit(curve, tolerance, rect, 0);
}

bool CurveHitTest(const BezierPath& path, const QRectF& rect) {
  const auto& elements = path.elements;
  if (elements.size() < 2) return false;
  if (!RectsIntersect(PathBounds(path), rect)) return false;
  if (elements[0].kind != PathElementKind::MoveTo) return false;
  QPointF current = elements[0].points[0];
  QPointF start = current;
  bool closed = false;
  for (size_t i = 1; i < elements.size(); ++i) {
    const PathElement& e = elements[i];
    switch (e.kind) {
      case PathElementKind::MoveTo:
        current = e.points[0];
        if (closed) start = current;
        closed = false;
        break;
      case PathElementKind::LineTo:
        if (SegmentHit(current, e.points[0], rect)) return true;
        current = e.points[0];
        break;
      case PathElementKind::CurveTo: {
        CubicCurve curve;
        BezierCoefficients(&curve, current, e.points[2], e.points[0], e.points[1]);
        if (CurveSegmentHitTest(curve, path.lineWidth + 1.0, rect)) return true;
        current = e.points[2];
        break;
      }
      case PathElementKind::ClosePath: {
        const bool hit = SegmentHit(current, start, rect);
        closed = true;
        current = start;
        if (hit) return true;
        break;
      }
    }
  }
  return false;
}

}  // namespace glimbrik
