#pragma once

#include <QCheckBox>
#include <QColor>
#include <QElapsedTimer>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <optional>

namespace glimbrik {

// A sliding on/off switch: a rounded track coloured on the "on" side of a white thumb, with
// optional "ON"/"OFF" labels. The thumb is clicked (the state steps once) or dragged (the state
// follows the half, or with the mixed state the third, where the thumb is let go). A check box
// underneath, so that the tristate flag is the mixed state and clicked() reports the user.
class OnOffSwitchControlCell : public QCheckBox {
  Q_OBJECT
 public:
  explicit OnOffSwitchControlCell(QWidget* parent = nullptr);

  // 1 custom colours, 2 blue on (green when disabled) / grey off, 3 green / red, 4 blue / red;
  // any other value leaves the track uncoloured.
  int onOffSwitchControlColors() const { return colors_; }
  void setOnOffSwitchControlColors(int scheme);
  void setOnOffSwitchCustomOnColor(const QColor& on, const QColor& off);
  QColor customOnColor() const { return customOn_; }
  QColor customOffColor() const { return customOff_; }
  bool showsOnOffLabels() const { return showsLabels_; }
  void setShowsOnOffLabels(bool shows);
  QString onSwitchLabel() const { return onLabel_; }
  QString offSwitchLabel() const { return offLabel_; }
  void setOnSwitchLabel(const QString& label);
  void setOffSwitchLabel(const QString& label);

  // Longest press, in seconds, and largest movement, in pixels, that still count as a click.
  double clickTimeout = 1.0 / 3.0;
  QSizeF maxDist{6, 6};

  // The scheme's colours for the current enabled state; invalid when the track stays plain.
  QColor onColor() const;
  QColor offColor() const;
  // -1 mixed, 0 off, 1 on.
  int stateValue() const;

  // Geometry of a cell frame; the thumb centre follows the drag while tracking.
  QRectF thumbRectInFrame(const QRectF& frame) const;
  double centerXForThumbWithFrame(const QRectF& frame) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void nextCheckState() override;

 private:
  void tintBackgroundWithFrame(QPainter& painter, const QRectF& frame);
  void drawInteriorWithFrame(QPainter& painter, const QRectF& frame);
  void drawText(QPainter& painter, const QString& text, const QRectF& rect);
  void drawDebugGuides(QPainter& painter, const QRectF& frame);
  double secondsNow() const;

  bool tracking_ = false;
  QPointF trackingPoint_;
  QPointF initialTrackingPoint_;
  double pressTime_ = 0.0;
  // The state a drag leaves behind, which the click handling that follows steps once.
  std::optional<int> dragState_;
  QElapsedTimer clock_;

  bool showsLabels_ = true;
  int colors_ = 2;
  QColor customOff_;
  QColor customOn_;
  QString onLabel_ = QStringLiteral("ON");
  QString offLabel_ = QStringLiteral("OFF");
};

}  // namespace glimbrik
