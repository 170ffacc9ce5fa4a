#pragma once

#include <QSlider>

namespace glimbrik {

// A horizontal slider over [minimum, maximum] that keeps the exact double it was given, so that
// a stored value such as 0.8f reads back unchanged; the user moves it in thousandths.
class DoubleSlider : public QSlider {
  Q_OBJECT
 public:
  explicit DoubleSlider(double minimum, double maximum, QWidget* parent = nullptr);

  double doubleValue() const { return value_; }
  void setDoubleValue(double value);

 signals:
  // Only moves made by the user.
  void doubleValueChanged(double value);

 private:
  int StepFor(double value) const;
  double minimum_;
  double maximum_;
  double value_;
};

}  // namespace glimbrik
