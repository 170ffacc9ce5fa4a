#include "engine/resize_math.h"

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

}  // namespace glimbrik
