#include "watermark/circular_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <cmath>

#include "platform/system/qt_additions.h"

namespace glimbrik {

namespace {

int Modulo(int a, int n) { return ((a % n) + n) % n; }

QColor Ink(bool enabled) {
  const double level = enabled ? 0.2 : 123.0 / 255.0;
  return QColor::fromRgbF(level, level, level);
}

QRectF Inset(double side, double by) { return QRectF(by, by, side - 2 * by, side - 2 * by); }

}  // namespace

QVXCircularSlider::QVXCircularSlider(QWidget* parent) : QAbstractSlider(parent) {
  setRange(-360, -1);
  setFixedSize(sizeHint());
  setFocusPolicy(Qt::StrongFocus);
  setValue(ValueForAngle(0));
}

int QVXCircularSlider::ValueForAngle(int angle) { return -1 - Modulo(angle + 269, 360); }

int QVXCircularSlider::AngleForValue(int value) { return Modulo(-270 - value, 360); }

void QVXCircularSlider::setAngleValue(int angle) { setValue(ValueForAngle(angle)); }

int QVXCircularSlider::getAngleValue() const { return AngleForValue(value()); }

void QVXCircularSlider::setSliderCellSize(double size) {
  sliderCellSize_ = size;
  setFixedSize(sizeHint());
  update();
}

QSize QVXCircularSlider::sizeHint() const {
  const int side = int(std::ceil(sliderCellSize_));
  return QSize(side, side);
}

void QVXCircularSlider::paintEvent(QPaintEvent*) {
  const double s = sliderCellSize_;
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  // Drawn y down: the pointer at rest points up and the value turns it clockwise, so that the
  // angle, 90 minus the value, turns it counter-clockwise from the right as it turns the
  // watermark.
  const QColor ink = Ink(isEnabled());

  // Background disc.
  painter.setPen(QPen(ink, 1));
  painter.setBrush(QColor::fromRgbF(222.0 / 255.0, 222.0 / 255.0, 222.0 / 255.0));
  painter.drawEllipse(Inset(s, s / 20 + 1));

  // Knob: centre dot, thin ring, pointer line and the small disc at the rim, even-odd filled.
  QPainterPath knob;
  knob.setFillRule(Qt::OddEvenFill);
  knob.addEllipse(Inset(s, s / 3 + 4));
  knob.addEllipse(Inset(s, s / 3 + 0.5));
  knob.addEllipse(Inset(s, s / 3));
  knob.moveTo(s / 2, s / 3);
  knob.lineTo(s / 2, 1);
  knob.closeSubpath();
  knob.addEllipse(QRectF(s / 2 - s / 20, 1, s / 10, s / 10));
  const QPainterPath turned =
      transformRotatingAroundPoint(QPointF(s / 2, s / 2), value()).map(knob);
  painter.setBrush(ink);
  painter.drawPath(turned);
}

void QVXCircularSlider::setValueFromPoint(const QPointF& point) {
  const double s = sliderCellSize_;
  const double dx = point.x() - s / 2;
  const double dy = s / 2 - point.y();  // up on screen
  if (std::hypot(dx, dy) < 1.0) return;
  // The angle is the pointer's direction, counter-clockwise from the right.
  setValue(ValueForAngle(int(std::lround(std::atan2(dy, dx) * 180.0 / M_PI))));
}

void QVXCircularSlider::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  setSliderDown(true);
  setValueFromPoint(event->position());
}

void QVXCircularSlider::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton) setValueFromPoint(event->position());
}

void QVXCircularSlider::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) setSliderDown(false);
}

void QVXCircularSlider::keyPressEvent(QKeyEvent* event) {
  int step = 0;
  switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Right:
      step = singleStep();
      break;
    case Qt::Key_Down:
    case Qt::Key_Left:
      step = -singleStep();
      break;
    case Qt::Key_PageUp:
      step = pageStep();
      break;
    case Qt::Key_PageDown:
      step = -pageStep();
      break;
    case Qt::Key_Home:
      setAngleValue(0);
      return event->accept();
    case Qt::Key_End:
      setAngleValue(359);
      return event->accept();
    default:
      return QAbstractSlider::keyPressEvent(event);
  }
  // The base class would step the value, which turns the other way and stops at its ends.
  setAngleValue(getAngleValue() + step);
  event->accept();
}

void QVXCircularSlider::wheelEvent(QWheelEvent* event) {
  // Whole notches only; a touchpad's small deltas add up until they make one.
  wheelRemainder_ += event->angleDelta().y();
  const int notches = wheelRemainder_ / 120;
  wheelRemainder_ -= notches * 120;
  if (notches != 0) setAngleValue(getAngleValue() + notches * singleStep());
  event->accept();
}

}  // namespace glimbrik
