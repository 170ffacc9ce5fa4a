#include "widgets/value_stepper.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QToolButton>

namespace glimbrik {
namespace {

TEST(ValueStepper, StepsWithinItsLimitsInTheIncrementsDirection) {
  ValueStepper stepper(-1.0, 1.0, 0.1);
  QSignalSpy steps(&stepper, &ValueStepper::valueChanged);
  for (int i = 0; i < 3; ++i) stepper.upButton()->click();
  // Tenths gather binary noise; the text shows what was counted.
  EXPECT_EQ(stepper.stringValue(), "0.3");
  // A negative increment turns the arrows round.
  stepper.setIncrement(-0.1);
  stepper.upButton()->click();
  EXPECT_EQ(stepper.stringValue(), "0.2");
  // At a limit a step changes nothing and says nothing.
  stepper.setIncrement(1.0);
  stepper.setDoubleValue(5.0);
  EXPECT_EQ(stepper.doubleValue(), 1.0);
  const int before = steps.count();
  stepper.upButton()->click();
  EXPECT_EQ(steps.count(), before);
  EXPECT_EQ(stepper.integerValue(), 1);
}

}  // namespace
}  // namespace glimbrik
