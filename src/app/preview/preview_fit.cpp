#include "app/preview/preview_fit.h"

#include <algorithm>
#include <cmath>

namespace glimbrik {
namespace {

// A rectangle with y growing upwards: origin at its bottom-left corner. The fitting rules keep
// the window's top edge, which reads most plainly this way round.
struct UpRect {
  double x, y, width, height;
  double right() const { return x + width; }
  double top() const { return y + height; }
};

UpRect Up(const QRect& r) {
  return {double(r.x()), -double(r.y() + r.height()), double(r.width()), double(r.height())};
}

QRect Down(const UpRect& r) {
  return QRect(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(-r.top())),
               static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

}  // namespace

QRect FitPreviewWindowFrame(const QRect& visibleArea, const QRect& frame, const QSize& minimum,
                            qint64 h, qint64 w) {
  if (h <= 0 || w <= 0) return frame;
  const double t = kPreviewTitleAllowance;
  const double side = kPreviewSideAllowance;
  if (visibleArea.isEmpty()) {
    return QRect(frame.topLeft(), QSize(std::max<int>(minimum.width(), w + side),
                                        std::max<int>(minimum.height(), h + t)));
  }
  const UpRect vis = Up(visibleArea);
  UpRect f = Up(frame);

  const double keptTop = f.top() >= vis.y && f.top() <= vis.top() ? f.top() : vis.y;
  const double keptLeft = f.x >= vis.x && f.x <= vis.right() ? f.x : vis.x;
  f.x = std::max(f.x, vis.x);
  f.y = std::max(f.y, vis.y);

  const double wantedHeight = std::min(double(h) + t, vis.height);
  const double wantedWidth = std::min(double(w) + side, vis.width);
  double s = (wantedWidth - side) / double(w);
  if (std::nearbyint(double(h) * s) > wantedHeight - t) s = (wantedHeight - t) / double(h);
  f.width = std::max(double(minimum.width()), double(w) * s + side);
  f.height = std::max(double(minimum.height()), t + double(h) * s);

  if (f.x + f.width > vis.right()) f.x = std::max(vis.x, vis.right() - f.width);
  if (f.y + f.height > vis.top()) f.y = std::max(vis.y, vis.top() - f.height);
  f.y = (keptTop >= f.y + f.height ? keptTop : vis.top()) - f.height;
  if (keptLeft + f.width <= vis.right()) f.x = keptLeft;
  return Down(f);
}

QString PreviewDescription(qint64 position, qint64 count, const QString& fileName, double dpi,
                           double width, double height) {
  return QStringLiteral("%1 of %2 (%3 @ %4 dpi, %5 x %6 pixels)")
      .arg(position)
      .arg(count)
      .arg(fileName, QString::number(dpi, 'f', 0), QString::number(width, 'f', 0),
           QString::number(height, 'f', 0));
}

QString RenumberedPreviewDescription(const QString& text, qint64 position, qint64 count) {
  const qsizetype open = text.indexOf(QLatin1Char('('));
  if (open < 0) return text;
  return QStringLiteral("%1 of %2 (").arg(position).arg(count) + text.mid(open + 1);
}

}  // namespace glimbrik
