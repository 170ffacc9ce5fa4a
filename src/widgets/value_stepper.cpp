#include "widgets/value_stepper.h"

#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace glimbrik {

void LayOutStepperArrows(QWidget* owner, QToolButton* up, QToolButton* down) {
  auto* layout = new QVBoxLayout(owner);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  for (QToolButton* button : {up, down}) {
    button->setArrowType(button == up ? Qt::UpArrow : Qt::DownArrow);
    button->setAutoRepeat(true);
    button->setFixedSize(16, 11);
    button->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(button);
  }
}

ValueStepper::ValueStepper(double minimum, double maximum, double increment, QWidget* parent)
    : QWidget(parent),
      minimum_(minimum),
      maximum_(maximum),
      increment_(increment),
      value_(std::clamp(0.0, minimum, maximum)),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  LayOutStepperArrows(this, up_, down_);
  connect(up_, &QToolButton::clicked, this, [this] { step(1.0); });
  connect(down_, &QToolButton::clicked, this, [this] { step(-1.0); });
}

int64_t ValueStepper::integerValue() const { return static_cast<int64_t>(value_); }

QString ValueStepper::stringValue() const {
  // Steps of a tenth gather binary noise; a field shows what the user counted.
  return QString::number(std::round(value_ * 1e6) / 1e6, 'g', 12);
}

void ValueStepper::setDoubleValue(double value) {
  if (std::isnan(value)) return;
  value_ = std::clamp(value, minimum_, maximum_);
}

void ValueStepper::step(double direction) {
  const double next = std::clamp(value_ + direction * increment_, minimum_, maximum_);
  if (next == value_) return;
  value_ = next;
  emit valueChanged(value_);
}

}  // namespace glimbrik
