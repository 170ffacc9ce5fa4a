#include "app/panels/resize_panel_units.h"

#include <cmath>
#include <utility>

#include "engine/convert/resize_math.h"

namespace glimbrik {
namespace {

// The panel's centimetre and millimetre factors are single-precision constants.
constexpr double kInchCm = static_cast<double>(2.54f);
constexpr double kInchMm = static_cast<double>(25.4f);

bool IsUnit(int unit) { return unit >= kUnitPercent && unit <= kUnitPoints; }

double ToPixels(double v, int unit, double side, double dpi) {
  switch (unit) {
    case kUnitPercent:
      return side * v / 100.0;
    case kUnitInches:
      return v * dpi;
    case kUnitCm:
      return v / kInchCm * dpi;
    case kUnitMm:
      return v / kInchMm * dpi;
    case kUnitPoints:
      return v * (dpi / 72.0);
    default:
      return v;
  }
}

double FromPixels(double p, int unit, double side, double dpi) {
  switch (unit) {
    case kUnitPercent:
      return p * 100.0 / side;
    case kUnitInches:
      return p / dpi;
    case kUnitCm:
      return p / dpi * kInchCm;
    case kUnitMm:
      return p / dpi * kInchMm;
    case kUnitPoints:
      return p * 72.0 / dpi;
    default:
      return p;
  }
}

// At most two fraction digits, none forced, at least one integer digit.
QString ResultNumber(double value) {
  QString text = QString::asprintf("%.2f", value);
  while (text.endsWith(QLatin1Char('0'))) text.chop(1);
  if (text.endsWith(QLatin1Char('.'))) text.chop(1);
  return text == QLatin1String("-0") ? QStringLiteral("0") : text;
}

QString Pair(double a, double b, const char* unit) {
  return QStringLiteral("%1 x %2 %3").arg(ResultNumber(a), ResultNumber(b), QLatin1String(unit));
}

}  // namespace

double PanelResolution(double dpi) { return std::isfinite(dpi) && dpi > 0.0 ? dpi : 72.0; }

QString GetStringValueFromNumberForType(int unit, double value) {
  if (unit == kUnitPixels) return QString::asprintf("%.0f", value);
  if (IsUnit(unit)) return QString::asprintf("%.2f", value);
  return QString();
}

std::optional<std::pair<QString, QString>> NoImageResizeTexts(int unit) {
  switch (unit) {
    case kUnitPercent:
      return std::pair{QStringLiteral("100"), QStringLiteral("100")};
    case kUnitPixels:
    case kUnitPoints:
      return std::pair{QStringLiteral("800"), QStringLiteral("600")};
    case kUnitInches:
      return std::pair{QStringLiteral("11.11"), QStringLiteral("8.33")};
    case kUnitCm:
      return std::pair{QStringLiteral("28.22"), QStringLiteral("21.17")};
    case kUnitMm:
      return std::pair{QStringLiteral("282.22"), QStringLiteral("211.67")};
    default:
      return std::nullopt;
  }
}

QString ConvertResizeFieldValue(double value, int fromUnit, int toUnit, double side, double dpi) {
  if (!IsUnit(fromUnit) || !IsUnit(toUnit)) return QString();
  const double r = PanelResolution(dpi);
  const double converted = FromPixels(ToPixels(value, fromUnit, side, r), toUnit, side, r);
  return GetStringValueFromNumberForType(toUnit, std::isfinite(converted) ? converted : 0.0);
}

QString ResizeResultString(int resultUnit, double w0, double h0, double dpi, double angle,
                           const std::optional<ImageResizeOptions>& options) {
  if (!(w0 > 0.0) || !(h0 > 0.0)) return QStringLiteral("-");
  double w = w0;
  double h = h0;
  double r = PanelResolution(dpi);
  if (options) ComputeResizedSize(*options, &w, &h, &r);
  r = PanelResolution(r);
  if (!std::isfinite(w) || !std::isfinite(h)) return QStringLiteral("-");
  double pw = w * 100.0 / w0;
  double ph = h * 100.0 / h0;
  // A quarter turn either way shows the sides exchanged; each percentage stays with its side.
  if ((static_cast<long long>(angle) / 90) % 2 != 0) {
    std::swap(w, h);
    std::swap(pw, ph);
  }
  switch (resultUnit) {
    case kUnitPercent:
      return pw == ph ? QStringLiteral("%1 percent").arg(ResultNumber(pw))
                      : Pair(pw, ph, "percent");
    case kUnitInches:
      return Pair(w / r, h / r, "inches");
    case kUnitCm:
      return Pair(w / r * kInchCm, h / r * kInchCm, "cm");
    case kUnitMm:
      return Pair(w / r * kInchMm, h / r * kInchMm, "mm");
    case kUnitPoints:
      return Pair(w / (r / 72.0), 72.0 * h / r, "points");
    default:
      return QString::asprintf("%.f x %.f pixels", w, h);
  }
}

}  // namespace glimbrik
