#include "app/panels/double_slider.h"

#include <QSignalBlocker>
#include <algorithm>
#include <cmath>

namespace glimbrik {

namespace {
constexpr int kSteps = 1000;
}

DoubleSlider::DoubleSlider(double minimum, double maximum, QWidget* parent)
    : QSlider(Qt::Horizontal, parent), minimum_(minimum), maximum_(maximum), value_(minimum) {
  setRange(0, kSteps);
  connect(this, &QSlider::valueChanged, this, [this](int step) {
    value_ = minimum_ + (maximum_ - minimum_) * step / kSteps;
    emit doubleValueChanged(value_);
  });
}

int DoubleSlider::StepFor(double value) const {
  if (maximum_ <= minimum_) return 0;
  return static_cast<int>(std::nearbyint((value - minimum_) / (maximum_ - minimum_) * kSteps));
}

void DoubleSlider::setDoubleValue(double value) {
  value_ = std::clamp(value, minimum_, maximum_);
  const QSignalBlocker blocker(this);
  setValue(StepFor(value_));
}

}  // namespace glimbrik
