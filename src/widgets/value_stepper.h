#pragma once

#include <QString>
#include <QWidget>

class QToolButton;

namespace glimbrik {

// Stacks the two arrow buttons of a stepper in `owner` as every stepper of the window shows them.
void LayOutStepperArrows(QWidget* owner, QToolButton* up, QToolButton* down);

// A pair of arrow buttons that step a bounded number by an increment, which may be negative (the
// up arrow then moves the value down). Unlike a spin box it has no text of its own, so the field
// beside it decides what a typed value does and can put the stepper's value back.
class ValueStepper : public QWidget {
  Q_OBJECT
 public:
  ValueStepper(double minimum, double maximum, double increment = 1.0, QWidget* parent = nullptr);

  double doubleValue() const { return value_; }
  int64_t integerValue() const;
  // The value as a field shows it: no trailing zeros, "0.1", "12".
  QString stringValue() const;
  // Held to the limits; no signal.
  void setDoubleValue(double value);

  double increment() const { return increment_; }
  void setIncrement(double increment) { increment_ = increment; }
  double minimum() const { return minimum_; }
  double maximum() const { return maximum_; }

  QToolButton* upButton() const { return up_; }
  QToolButton* downButton() const { return down_; }

 signals:
  // A step by the user.
  void valueChanged(double value);

 private:
  void step(double direction);

  double minimum_;
  double maximum_;
  double increment_;
  double value_;
  QToolButton* up_;
  QToolButton* down_;
};

}  // namespace glimbrik
