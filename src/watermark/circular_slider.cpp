#include "watermark/circular_slider.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "platform/qt_additions.h"

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
  // The dial is drawn with y up, so that a positive turn is counter-clockwise on screen.
  painter.translate(0, s);
  painter.scale(1, -1);
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
  const double dy = s / 2 - point.y();  // y up
  if (std::hypot(dx, dy) < 1.0) return;
  // The pointer at rest points down (270 degrees); a value turns it by that many degrees.
  const double direction = std::atan2(dy, dx) * 180.0 / M_PI;
  double turn = std::fmod(direction - 270.0, 360.0);
  if (turn < 0) turn += 360.0;
  int next = int(std::lround(turn)) - 360;
  if (next >= 0) next = -1;
  setValue(next);
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

}  // namespace glimbrik
