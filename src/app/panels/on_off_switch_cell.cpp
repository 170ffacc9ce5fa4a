#include "app/panels/on_off_switch_cell.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionFocusRect>
#include <algorithm>
#include <cmath>

namespace glimbrik {

namespace {

constexpr double kRadius = 2.5;
constexpr float kThumbShare = 0.45f;
constexpr double kLabelShare = 0.6666667;

QColor White(double level, double alpha = 1.0) {
  return QColor::fromRgbF(level, level, level, alpha);
}

QPainterPath Rounded(const QRectF& rect) {
  QPainterPath path;
  path.addRoundedRect(rect, kRadius, kRadius);
  return path;
}

QRectF Inner(const QRectF& frame) { return frame.adjusted(1, 1, -1, -1); }

// Top to bottom: the drawing code's gradients all run downwards on screen.
QLinearGradient Downwards(const QRectF& rect, const QColor& top, const QColor& bottom) {
  QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
  gradient.setColorAt(0, top);
  gradient.setColorAt(1, bottom);
  return gradient;
}

const QColor kBlue = QColor::fromRgbF(0.05, 0.38, 0.9, 1.0);
const QColor kGreen = QColor::fromRgbF(0.0, 0.7, 0.0, 0.6);
const QColor kRed = QColor::fromRgbF(0.7, 0.0, 0.0, 0.6);
const QColor kSystemGrey = QColor::fromRgbF(0.5, 0.5, 0.5, 1.0);

}  // namespace

OnOffSwitchControlCell::OnOffSwitchControlCell(QWidget* parent) : QCheckBox(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  clock_.start();
}

void OnOffSwitchControlCell::setOnOffSwitchControlColors(int scheme) {
  colors_ = scheme;
  update();
}

void OnOffSwitchControlCell::setOnOffSwitchCustomOnColor(const QColor& on, const QColor& off) {
  customOn_ = on;
  customOff_ = off;
  update();
}

void OnOffSwitchControlCell::setShowsOnOffLabels(bool shows) {
  showsLabels_ = shows;
  update();
}

void OnOffSwitchControlCell::setOnSwitchLabel(const QString& label) {
  onLabel_ = label;
  update();
}

void OnOffSwitchControlCell::setOffSwitchLabel(const QString& label) {
  offLabel_ = label;
  update();
}

QColor OnOffSwitchControlCell::onColor() const {
  switch (colors_) {
    case 1:
      return customOn_;
    case 2:
      return isEnabled() ? kBlue : kGreen;
    case 3:
      return kGreen;
    case 4:
      return kBlue;
    default:
      return QColor();
  }
}

QColor OnOffSwitchControlCell::offColor() const {
  switch (colors_) {
    case 1:
      return customOff_;
    case 2:
      return kSystemGrey;
    case 3:
    case 4:
      return kRed;
    default:
      return QColor();
  }
}

int OnOffSwitchControlCell::stateValue() const {
  switch (checkState()) {
    case Qt::Checked:
      return 1;
    case Qt::PartiallyChecked:
      return -1;
    default:
      return 0;
  }
}

QRectF OnOffSwitchControlCell::thumbRectInFrame(const QRectF& frame) const {
  QRectF thumb = Inner(frame);
  const double travel = thumb.width();
  thumb.setWidth(travel * double(kThumbShare));
  const int state = stateValue();
  if (state == 1) {
    thumb.moveLeft(thumb.x() + travel - thumb.width());
  } else if (state == -1) {
    thumb.moveLeft(thumb.x() + (travel - thumb.width()) / 2);
  }
  return thumb;
}

double OnOffSwitchControlCell::centerXForThumbWithFrame(const QRectF& frame) const {
  const QRectF thumb = thumbRectInFrame(frame);
  if (!tracking_) return thumb.x() + thumb.width() / 2;
  const double x = std::clamp(thumb.x() + trackingPoint_.x() - initialTrackingPoint_.x(), frame.x(),
                              frame.x() + frame.width() - thumb.width());
  return x + thumb.width() / 2;
}

QSize OnOffSwitchControlCell::sizeHint() const { return QSize(48, 18); }

bool OnOffSwitchControlCell::hitButton(const QPoint& pos) const { return rect().contains(pos); }

double OnOffSwitchControlCell::secondsNow() const { return clock_.nsecsElapsed() / 1e9; }

void OnOffSwitchControlCell::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QCheckBox::mousePressEvent(event);
    return;
  }
  tracking_ = true;
  initialTrackingPoint_ = trackingPoint_ = event->position();
  pressTime_ = secondsNow();
  setDown(true);
  event->accept();
}

void OnOffSwitchControlCell::mouseMoveEvent(QMouseEvent* event) {
  if (!tracking_) return;
  trackingPoint_ = event->position();
  update();
  event->accept();
}

void OnOffSwitchControlCell::mouseReleaseEvent(QMouseEvent* event) {
  if (!tracking_ || event->button() != Qt::LeftButton) {
    QCheckBox::mouseReleaseEvent(event);
    return;
  }
  trackingPoint_ = event->position();
  const QPointF moved = trackingPoint_ - initialTrackingPoint_;
  // The press time, not the latest move, and the distance either way decide a click, so that a
  // thumb dragged further against its own end is not taken for a click.
  const bool click = secondsNow() - pressTime_ < clickTimeout &&
                     std::abs(moved.x()) < maxDist.width() &&
                     std::abs(moved.y()) < maxDist.height();
  if (!click) {
    // Measured here rather than at the latest drawing, which may not have happened.
    const QRectF frame = rect();
    const double f = centerXForThumbWithFrame(frame) / frame.width();
    if (!isTristate()) {
      dragState_ = f < 0.5 ? 1 : 0;
    } else {
      dragState_ = f < 1.0 / 3.0 ? 1 : (f < 2.0 / 3.0 ? 0 : -1);
    }
  }
  tracking_ = false;
  setDown(false);
  event->accept();
  this->click();  // steps the state once, as after every mouse-up, and reports the user's click
  dragState_.reset();
  update();
}

void OnOffSwitchControlCell::nextCheckState() {
  const int from = dragState_.value_or(stateValue());
  dragState_.reset();
  int to = from == 1 ? 0 : 1;
  if (isTristate()) to = from == 1 ? 0 : (from == 0 ? -1 : 1);
  setCheckState(to == 1 ? Qt::Checked : (to == -1 ? Qt::PartiallyChecked : Qt::Unchecked));
}

void OnOffSwitchControlCell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF frame = rect();
  const QPainterPath track = Rounded(frame.adjusted(1, 1, -1, -1));
  painter.setPen(QPen(White(0.125), 1));
  painter.setBrush(Downwards(frame, White(0.5), White(0.6666667)));
  painter.drawPath(track);

  painter.save();
  painter.setClipPath(track);
  if (!isTristate()) tintBackgroundWithFrame(painter, frame);
  const QRectF strip(frame.x(), frame.y(), frame.width(), 4);
  painter.fillRect(strip, Downwards(strip, QColor::fromRgbF(0, 0, 0, 0.35), QColor(0, 0, 0, 0)));
  painter.restore();

  drawInteriorWithFrame(painter, frame);
  if (tracking_ && qEnvironmentVariableIsSet("ZDWOnOffButtonCellDebug")) {
    drawDebugGuides(painter, frame);
  }
}

void OnOffSwitchControlCell::tintBackgroundWithFrame(QPainter& painter, const QRectF& frame) {
  const QColor on = onColor();
  const QColor off = offColor();
  const QRectF thumb = thumbRectInFrame(frame);
  const double centre = centerXForThumbWithFrame(frame);
  painter.save();
  painter.setClipPath(Rounded(frame), Qt::IntersectClip);
  if (on.isValid() && off.isValid()) {
    const QRectF left(frame.x(), frame.y(), centre - frame.x(), frame.height());
    const QRectF right(centre, frame.y(), frame.right() - centre, frame.height());
    painter.fillRect(left.adjusted(1, 1, -1, -1), on);
    painter.fillRect(right.adjusted(1, 1, -1, -1), off);
  }
  if (showsLabels_) {
    const double a = tracking_ ? centre - thumb.width() / 2 : thumb.x() + 1;
    const double b = tracking_ ? centre + thumb.width() / 2 - 1 : thumb.x() + thumb.width() - 2;
    const double labelWidth = frame.width() * kLabelShare;
    drawText(painter, onLabel_,
             QRectF(a - labelWidth + 2, frame.y(), labelWidth + 2, frame.height()));
    drawText(painter, offLabel_, QRectF(b, frame.y(), labelWidth - 2, frame.height()));
  }
  painter.restore();
}

void OnOffSwitchControlCell::drawText(QPainter& painter, const QString& text, const QRectF& rect) {
  QFont bold = font();
  bold.setBold(true);
  bold.setPixelSize(std::max(6, int(rect.height() * 0.5)));
  painter.save();
  painter.setFont(bold);
  painter.setPen(Qt::white);
  painter.drawText(rect, Qt::AlignCenter, text);
  painter.restore();
}

void OnOffSwitchControlCell::drawInteriorWithFrame(QPainter& painter, const QRectF& frame) {
  const QRectF inner = Inner(frame);
  QRectF thumb = thumbRectInFrame(frame);
  thumb.moveLeft(centerXForThumbWithFrame(frame) - thumb.width() / 2);
  painter.save();
  painter.setClipPath(Rounded(inner));
  // A soft shadow around the thumb: a few widening rings of fading black.
  painter.setPen(Qt::NoPen);
  for (int ring = 3; ring >= 1; --ring) {
    painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.5 / (ring + 1)));
    painter.drawPath(Rounded(thumb.adjusted(-ring, -ring, ring, ring)));
  }
  if (hasFocus() && focusPolicy() != Qt::NoFocus) {
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(Rounded(thumb.adjusted(-1, -1, 1, 1)));
    painter.setPen(Qt::NoPen);
  }
  painter.setBrush(Downwards(thumb, White(1.0), White(0.9)));
  painter.drawPath(Rounded(thumb));
  painter.restore();
}

void OnOffSwitchControlCell::drawDebugGuides(QPainter& painter, const QRectF& frame) {
  const QRectF inner = Inner(frame);
  const QRectF thumb = thumbRectInFrame(frame);
  const double centre = centerXForThumbWithFrame(frame);
  painter.save();
  painter.setPen(QPen(Qt::black, 1));
  painter.drawLine(QPointF(centre, thumb.y() + thumb.height() / 3),
                   QPointF(centre, thumb.y() + thumb.height() * 2 / 3));
  const auto guide = [&](double share) {
    const double x = inner.x() + inner.width() * share;
    painter.drawLine(QPointF(x, inner.top()), QPointF(x, inner.bottom()));
  };
  if (isTristate()) {
    guide(1.0 / 3.0);
    guide(2.0 / 3.0);
  } else {
    guide(0.5);
  }
  painter.restore();
}

}  // namespace glimbrik
