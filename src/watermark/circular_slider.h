#pragma once

#include <QAbstractSlider>

namespace glimbrik {

// The angle dial of the watermark panels: a 60 x 60 disc with a pointer. Its value runs from
// -360 to -1 so that the pointer's turn is the value itself; callers speak in angles 0-359,
// which point counter-clockwise from the right, the way a watermark of that angle turns.
class QVXCircularSlider : public QAbstractSlider {
  Q_OBJECT
 public:
  explicit QVXCircularSlider(QWidget* parent = nullptr);

  void setAngleValue(int angle);
  int getAngleValue() const;
  // The slider value for an angle, and back.
  static int ValueForAngle(int angle);
  static int AngleForValue(int value);

  double sliderCellSize() const { return sliderCellSize_; }
  void setSliderCellSize(double size);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  // The arrow and page keys turn the angle, round past 359 and through the value's wrap at 90.
  void keyPressEvent(QKeyEvent* event) override;
  // The wheel turns the angle as Up and Down do; Home and End go to its ends, 0 and 359.
  void wheelEvent(QWheelEvent* event) override;

 private:
  void setValueFromPoint(const QPointF& point);
  double sliderCellSize_ = 60;
  int wheelRemainder_ = 0;
};

}  // namespace glimbrik
