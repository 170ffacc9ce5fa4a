#include "engine/resize_math.h"

#include <gtest/gtest.h>

namespace glimbrik {
namespace {

TEST(UnitConversion, MetricAndInchLengthsBecomePoints) {
  EXPECT_DOUBLE_EQ(ConvertUnitToPoints(3, 5.0), 360.0);
  EXPECT_DOUBLE_EQ(ConvertUnitToPoints(4, 2.54), 72.0);
  EXPECT_DOUBLE_EQ(ConvertUnitToPoints(5, 25.4), 72.0);
  EXPECT_NEAR(ConvertUnitToInches(4, 2.54), 1.0, 1e-7);
  EXPECT_NEAR(ConvertUnitToInches(5, 25.4), 1.0, 1e-7);
  EXPECT_DOUBLE_EQ(ConvertUnitToInches(6, 144.0), 2.0);
}

}  // namespace
}  // namespace glimbrik
