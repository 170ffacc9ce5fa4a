#include "platform/store/geometry_text.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace glimbrik {

namespace {

QString Number(double value) {
  // -0 would write "-0"; the stored form of a zero is "0".
  if (value == 0.0 || !std::isfinite(value)) return QStringLiteral("0");
  return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

QString Pair(double a, double b) {
  return QLatin1Char('{') + Number(a) + QStringLiteral(", ") + Number(b) + QLatin1Char('}');
}

// The first count numbers of the text; missing ones are zero.
std::vector<double> Numbers(const QString& text, int count) {
  static const QRegularExpression number(
      QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
  std::vector<double> values(count, 0.0);
  int i = 0;
  for (auto it = number.globalMatch(text); it.hasNext() && i < count; ++i) {
    const double v = it.next().captured(0).toDouble();
    values[i] = std::isfinite(v) ? v : 0.0;
  }
  return values;
}

}  // namespace

QString StringFromPoint(QPointF point) { return Pair(point.x(), point.y()); }

QString StringFromSize(QSizeF size) { return Pair(size.width(), size.height()); }

QString StringFromRect(const QRectF& rect) {
  return QLatin1Char('{') + Pair(rect.x(), rect.y()) + QStringLiteral(", ") +
         Pair(rect.width(), rect.height()) + QLatin1Char('}');
}

QPointF PointFromString(const QString& text) {
  const std::vector<double> v = Numbers(text, 2);
  return {v[0], v[1]};
}

QSizeF SizeFromString(const QString& text) {
  const std::vector<double> v = Numbers(text, 2);
  return {v[0], v[1]};
}

QRectF RectFromString(const QString& text) {
  const std::vector<double> v = Numbers(text, 4);
  return {v[0], v[1], v[2], v[3]};
}

}  // namespace glimbrik
