#include "app/panels/color_well.h"

#include <QColorDialog>
#include <QPainter>
#include <QStyleOptionButton>

namespace glimbrik {

ColorWell::ColorWell(const QColor& color, QWidget* parent) : QPushButton(parent), color_(color) {
  connect(this, &QPushButton::clicked, this, &ColorWell::choose);
}

void ColorWell::setColor(const QColor& color) {
  if (!color.isValid() || color == color_) return;
  color_ = color;
  update();
}

void ColorWell::choose() {
  QColorDialog dialog(color_, window());
  dialog.setOption(QColorDialog::ShowAlphaChannel, true);
  if (dialog.exec() != QDialog::Accepted) return;
  const QColor chosen = dialog.selectedColor();
  if (!chosen.isValid() || chosen == color_) return;
  color_ = chosen;
  update();
  emit colorChanged(color_);
}

void ColorWell::paintEvent(QPaintEvent* event) {
  QPushButton::paintEvent(event);
  QPainter painter(this);
  const QRect swatch = rect().adjusted(5, 5, -5, -5);
  painter.setPen(
      palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  QColor fill = color_;
  if (!isEnabled()) fill.setAlphaF(fill.alphaF() * 0.4f);
  painter.setBrush(fill);
  painter.drawRect(swatch);
}

}  // namespace glimbrik
