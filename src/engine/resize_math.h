#pragma once

namespace glimbrik {

// Units: 1 percent, 2 pixels, 3 inches, 4 centimetres, 5 millimetres, 6 points.
double ConvertUnitToPoints(int unit, double value);
double ConvertUnitToInches(int unit, double value);

}  // namespace glimbrik
