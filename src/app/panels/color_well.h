#pragma once

#include <QColor>
#include <QPushButton>

namespace glimbrik {

// A colour well: a button that shows its colour and lets the user pick another one in a colour
// dialog. The colour is the well's own value, never the button's theme colour.
class ColorWell : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
 public:
  explicit ColorWell(const QColor& color = Qt::white, QWidget* parent = nullptr);

  QColor color() const { return color_; }
  // Sets the colour without announcing it (as a program's change, not the user's).
  void setColor(const QColor& color);

 signals:
  // The user picked a colour.
  void colorChanged(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void choose();
  QColor color_;
};

}  // namespace glimbrik
