#include "widgets/popover.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>
#include <set>

#include "widgets/value_stepper.h"

namespace glimbrik {

namespace {
std::set<const QVXFirstResponderStealingSuppressionView*>& Suppressing() {
  static std::set<const QVXFirstResponderStealingSuppressionView*> views;  // GUI thread only
  return views;
}
}  // namespace

QVXFirstResponderStealingSuppressionView::~QVXFirstResponderStealingSuppressionView() {
  Suppressing().erase(this);
}

void QVXFirstResponderStealingSuppressionView::setSuppressFirstResponderWhenPopoverShows(
    bool suppress) {
  suppress_ = suppress;
  if (suppress) {
    Suppressing().insert(this);
  } else {
    Suppressing().erase(this);
  }
}

bool QVXFirstResponderStealingSuppressionView::IsFirstResponderStealingSuppressed() {
  return !Suppressing().empty();
}

Popover::Popover(QWidget* content) : QFrame(nullptr, Qt::Popup), content_(content) {
  setFrameShape(QFrame::StyledPanel);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 6, 6, 6);
  layout->addWidget(content);
  content->show();
}

void Popover::showRelativeToRect(const QRect& rect, QWidget* view) {
  adjustSize();
  QPoint at = view ? view->mapToGlobal(QPoint(rect.center().x() - width() / 2, rect.bottom()))
                   : rect.bottomLeft();
  if (const QScreen* screen = view ? view->screen() : QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
    if (at.y() + height() > area.bottom() && view)
      at.setY(view->mapToGlobal(rect.topLeft()).y() - height());
  }
  move(at);
  show();
}

void Popover::hideEvent(QHideEvent* event) {
  QFrame::hideEvent(event);
  // The content belongs to its controller and outlives this popup.
  if (content_) {
    content_->hide();
    content_->setParent(nullptr);
  }
  emit closed();
  deleteLater();
}

void Popover::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && content_) {
    for (QPushButton* button : content_->findChildren<QPushButton*>()) {
      if (button->isDefault() && button->isEnabled()) {
        button->click();
        return;
      }
    }
  }
  QFrame::keyPressEvent(event);
}

QVXStepper::QVXStepper(int minimum, int maximum, QWidget* parent)
    : QWidget(parent),
      minimum_(minimum),
      maximum_(maximum),
      value_(minimum),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  LayOutStepperArrows(this, up_, down_);
  connect(up_, &QToolButton::clicked, this, [this] { step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void QVXStepper::setValue(int value) { value_ = std::clamp(value, minimum_, maximum_); }

void QVXStepper::step(int delta) {
  const int next =
      static_cast<int>(std::clamp<int64_t>(int64_t{value_} + delta, minimum_, maximum_));
  if (next == value_) return;
  value_ = next;
  emit valueChanged(value_);
}

}  // namespace glimbrik
