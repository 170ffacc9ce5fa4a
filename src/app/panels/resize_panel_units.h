#pragma once

#include <QString>
#include <optional>
#include <utility>

#include "engine/convert/conversion_records.h"

namespace glimbrik {

// Units of the resize fields and of the result line (the unit pop-up's tags).
enum ResizeUnit { kUnitPercent = 1, kUnitPixels, kUnitInches, kUnitCm, kUnitMm, kUnitPoints };

// A resolution as the panel uses it: anything not above 0 (or not finite) counts as 72 dpi.
double PanelResolution(double dpi);

// The field text of a value in a unit: whole pixels, two decimals otherwise; null for a unit
// outside 1-6.
QString GetStringValueFromNumberForType(int unit, double value);

// The texts of the width and height fields in a unit when no image is selected (an 800 x 600
// image at 72 dpi); none for a unit outside 1-6.
std::optional<std::pair<QString, QString>> NoImageResizeTexts(int unit);

// A field value converted from one unit into another for an image side of side pixels at dpi;
// null when either unit is outside 1-6.
QString ConvertResizeFieldValue(double value, int fromUnit, int toUnit, double side, double dpi);

// The result line: what an image of w0 x h0 pixels at dpi, turned by angle degrees, becomes
// with the resize options (none: unchanged), in the result unit. "-" when the image has no size.
QString ResizeResultString(int resultUnit, double w0, double h0, double dpi, double angle,
                           const std::optional<ImageResizeOptions>& options);

}  // namespace glimbrik
